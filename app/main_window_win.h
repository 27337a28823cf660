#pragma once

#include "app/app_state_win.h"
#include "app/error.h"

namespace cw {

inline constexpr wchar_t MAIN_WINDOW_CLASS[] = L"ClipwrightClipboardViewer";
inline constexpr wchar_t MAIN_WINDOW_TITLE[] = L"Clipwright";

Status register_main_window_class(HINSTANCE instance);
// Creates the main window for `state`; the window takes its first snapshot while being created.
Result<HWND> create_main_window(HINSTANCE instance, AppState& state);

// Captures the clipboard, logs the enumeration and stores the snapshot (or the failure texts).
void refresh_clipboard_view(HWND window, AppState& state);

}  // namespace cw
