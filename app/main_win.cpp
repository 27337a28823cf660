// Process entry: start-up, the message loop and shutdown.

#include <cstdio>

#include "app/error_win.h"
#include "app/explorer_win.h"
#include "app/handles_win.h"
#include "app/log.h"
#include "app/main_window_win.h"
#include "app/text_win.h"

namespace cw {
namespace {

int fail(const char* what, const Error& error)
{
    std::fprintf(stderr, "Clipwright: %s: %s\n", what, error_display(error).c_str());
    return 1;
}

std::wstring current_directory()
{
    const DWORD need = GetCurrentDirectoryW(0, nullptr);
    if (need == 0) return L".";
    std::wstring dir(need, L'\0');
    const DWORD got = GetCurrentDirectoryW(need, dir.data());
    if (got == 0 || got >= need) return L".";
    dir.resize(got);
    return dir;
}

int run(HINSTANCE instance)
{
    log_event("startup", STARTUP_LOG_FIELDS);
    // The Explorer modes end here: no window, and OLE is never initialised.
    if (const std::optional<int> status = run_explorer_launch_mode(GetCommandLineW())) return *status;

    OleSession ole;
    if (FAILED(ole.result())) return fail("OleInitialize failed", Error{ole.result(), std::nullopt});
    if (Status registered = register_main_window_class(instance); !registered)
        return fail("the window class could not be registered", registered.error());

    AppState state;
    const UINT system_dpi = GetDpiForSystem();
    state.window_dpi = system_dpi == 0 ? 96 : system_dpi;
    state.target_folder = current_directory();

    Result<HWND> window = create_main_window(instance, state);
    if (!window) return fail("the main window could not be created", window.error());
    ShowWindow(*window, SW_SHOW);
    UpdateWindow(*window);

    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) return fail("GetMessageW failed", last_error());
        if (IsDialogMessageW(*window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    *state.window_alive = false;
    log_event("shutdown", "result=clean");
    return 0;
}

}  // namespace
}  // namespace cw

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return cw::run(instance); }
