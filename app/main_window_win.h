#pragma once
// The main window: its controls, layout, commands and selection handling.

#include <string_view>

#include "app/app_state_win.h"
#include "base/error.h"

namespace cw {

inline constexpr wchar_t MAIN_WINDOW_CLASS[] = L"ClipwrightClipboardViewer";
inline constexpr wchar_t MAIN_WINDOW_TITLE[] = L"Clipwright";
inline constexpr std::string_view CLIPBOARD_CHANGED_TITLE = "Clipboard changed - the format list was refreshed";

Status register_main_window_class(HINSTANCE instance);
// Creates the main window for `state`; the window takes its first snapshot while being created.
Result<HWND> create_main_window(HINSTANCE instance, AppState& state);

// Captures the clipboard, logs the enumeration, stores the snapshot and refills the list; a
// busy clipboard shows its failure texts instead.
void refresh_clipboard_view(HWND window, AppState& state);
// Applies the list model of the current view (columns, rows, heading, first selection).
void fill_format_list(HWND window, AppState& state);
void show_selected_format(HWND window, AppState& state, std::size_t format_index);
void toggle_view(HWND window, AppState& state);
void layout_main_window(HWND window, AppState& state);
void show_panel(AppState& state, DetailPanel panel);
void show_rich_tab(AppState& state);
void show_html_tab(AppState& state);
void show_table_tab(AppState& state);
// Shows `table` in the owner-data table list: columns and item count; the state keeps the table
// for as long as the list shows it and answers the list's requests for cells from it.
void fill_table_list(AppState& state, PropertyTable table);
// Releases what the state owns, in teardown order, once the message loop has ended.
void destroy_state(AppState& state);

void set_window_text(HWND control, std::string_view text);
int show_message_box(HWND owner, std::string_view caption, std::string_view text, UINT style);
void set_tab_caption(HWND tabs, int index, std::string_view text);

}  // namespace cw
