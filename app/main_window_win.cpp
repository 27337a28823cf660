#include "app/main_window_win.h"

#include "app/error_win.h"
#include "app/log.h"
#include "capture/snapshot_win.h"

namespace cw {

namespace {

AppState* state_of(HWND window) { return reinterpret_cast<AppState*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

unsigned scaled(unsigned v, unsigned dpi)
{
    const unsigned long long s = (static_cast<unsigned long long>(dpi == 0 ? 96 : dpi) * v + 48) / 96;
    return s > 2147483647ULL ? 2147483647U : static_cast<unsigned>(s);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        auto* state = static_cast<AppState*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        state->main_window = window;
        return DefWindowProcW(window, message, wparam, lparam);
    }
    AppState* state = state_of(window);
    switch (message) {
        case WM_CREATE:
            if (state) refresh_clipboard_view(window, *state);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

}  // namespace

Status register_main_window_class(HINSTANCE instance)
{
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) return last_error();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    if (!wc.hCursor) return last_error();
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    if (!RegisterClassW(&wc)) return last_error();
    return ok_status();
}

Result<HWND> create_main_window(HINSTANCE instance, AppState& state)
{
    const unsigned dpi = state.window_dpi;
    HWND window = CreateWindowExW(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, static_cast<int>(scaled(1050, dpi)),
                                  static_cast<int>(scaled(720, dpi)), nullptr, nullptr, instance, &state);
    if (!window) return last_error();
    return window;
}

void refresh_clipboard_view(HWND window, AppState& state)
{
    state.snapshot = ClipboardSnapshot{};
    state.heading = "Choose what to save from the clipboard";
    state.detail_text = std::string(DETAIL_PANE_INTRO);

    Result<ClipboardSnapshot> captured = capture_clipboard(window);
    if (!captured) {
        log_event("clipboard_enumeration", CLIPBOARD_BUSY_LOG_FIELDS);
        state.heading = std::string(CLIPBOARD_BUSY_HEADING);
        state.detail_text = clipboard_busy_text(error_display(captured.error()));
        return;
    }
    state.snapshot = std::move(captured).value();
    log_event("clipboard_enumeration", enumeration_log_fields(state.snapshot));
    state.snapshot.summary = snapshot_summary(state.snapshot);
    state.snapshot.logical_object_text = logical_grouping_text(window, state.snapshot);
}

}  // namespace cw
