// Process entry: start-up, the message loop and shutdown.

#include <cstdio>
#include <memory>
#include <optional>

#include "app/command_line.h"
#include "app/explorer_win.h"
#include "app/main_window_win.h"
#include "app/startup_win.h"
#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/log.h"
#include "base/text_win.h"
#include "capture/archive_source_win.h"
#include "preview/webview_profile_win.h"

namespace cw {
namespace {

int fail(const char* what, const Error& error)
{
    std::fprintf(stderr, "Clipwright: %s: %s\n", what, error_display(error).c_str());
    return 1;
}

// Returns true when WM_QUIT ended the loop, false when GetMessageW failed.
bool run_message_loop(HWND main_window, AppState& state)
{
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return true;
        if (got == -1) return false;
        // The wheel zooms the picture under the cursor, whichever control has the focus.
        if (msg.message == WM_MOUSEWHEEL && apply_wheel_zoom(state.image_view, msg)) continue;
        // Dialog-style keys: Tab moves between controls; Enter and Esc become IDOK and IDCANCEL,
        // which the window ignores.
        if (IsDialogMessageW(main_window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int run(HINSTANCE instance)
{
    log_event("startup", STARTUP_LOG_FIELDS);
    remove_legacy_webview_folder();
    const std::vector<std::u16string> arguments = command_line_arguments();
    const LaunchMode mode = parse_launch_mode(arguments);
    if (mode != LaunchMode::normal) return run_explorer_mode(mode, is_quiet(arguments));
    sweep_stale_webview_profiles();

    OleSession ole;
    if (FAILED(ole.result())) return fail("OleInitialize failed", Error{ole.result(), std::nullopt});
    if (Status loaded = load_ui_libraries(); !loaded) return fail("the user interface libraries could not be loaded", loaded.error());
    if (Status registered = register_main_window_class(instance); !registered)
        return fail("the window class could not be registered", registered.error());

    // An archive shown in place of the clipboard is installed for the whole run: every capture,
    // report and save of this thread reads it.
    std::unique_ptr<ArchiveSource> archive;
    std::optional<ArchiveSourceScope> archive_scope;
    const std::optional<std::u16string> archive_path = parse_open_archive(arguments);
    if (archive_path) {
        const std::wstring path(archive_path->begin(), archive_path->end());
        Result<ClipboardArchive> loaded = load_clipboard_archive(path);
        if (!loaded) {
            const std::wstring reason = to_wide("The archive " + from_wide(path) + " cannot be shown:\n" + error_display(loaded.error()));
            MessageBoxW(nullptr, reason.c_str(), L"Clipwright", MB_OK | MB_ICONERROR);
            return 1;
        }
        archive = std::make_unique<ArchiveSource>(std::move(*loaded));
        archive_scope.emplace(*archive);
    }

    AppState state;
    init_app_state(state, arguments);
    Result<HWND> window = create_main_window(instance, state);
    if (!window) {
        destroy_state(state);
        return fail("the main window could not be created", window.error());
    }
    if (archive_path) {
        const std::wstring title = L"Clipwright - " + std::wstring(archive_path->begin(), archive_path->end());
        SetWindowTextW(*window, title.c_str());
        EnableWindow(state.control(MainControl::refresh_button), FALSE);
    }
    ShowWindow(*window, SW_SHOW);
    UpdateWindow(*window);

    const bool clean = run_message_loop(*window, state);
    if (!clean) {
        const Error error = last_error_or_failure();
        destroy_state(state);
        return fail("GetMessageW failed", error);
    }
    destroy_state(state);
    log_event("shutdown", "result=clean");
    return 0;
}

}  // namespace
}  // namespace cw

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return cw::run(instance); }
