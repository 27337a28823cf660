#pragma once
// The main window's 35 child controls as data: creation order (which is also the Tab order),
// class, command id, styles and initial text. The window creates them by iterating the table at
// 0,0 with size 0,0 and lets the layout place them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/format_list.h"
#include "base/win32_constants.h"
#include "clipwright_version.h"

namespace cw {

// Command ids the window procedure dispatches on.
inline constexpr std::uint16_t ID_REFRESH = 1001;
inline constexpr std::uint16_t ID_FORMAT_LIST = 1002;
inline constexpr std::uint16_t ID_PLAY = 1003;
inline constexpr std::uint16_t ID_PAUSE = 1004;
inline constexpr std::uint16_t ID_STOP = 1005;
inline constexpr std::uint16_t ID_WAVEFORM = 1006;
inline constexpr std::uint16_t ID_VIEW_TOGGLE = 1007;
inline constexpr std::uint16_t ID_SAVE = 1008;
inline constexpr std::uint16_t ID_CANCEL = 1009;
inline constexpr std::uint16_t ID_THEME = 1010;
inline constexpr std::uint16_t ID_TABLE_LIST = 1011;

// In creation order; the value indexes MAIN_CONTROLS and every per-control array.
enum class MainControl : std::uint8_t {
    logo_control,
    title_label,
    subtitle_label,
    version_label,
    theme_button,
    heading_label,
    refresh_button,
    view_toggle_button,
    format_list,
    save_in_label,
    file_name_label,
    file_name_edit,
    save_button,
    cancel_button,
    extension_label,
    detail_title,
    text_view,
    report_view,
    image_control,
    rich_tabs,
    rich_view,
    rich_source,
    html_tabs,
    html_host,
    html_source,
    table_tabs,
    table_list,
    table_source,
    audio_info_label,
    waveform_control,
    audio_progress,
    audio_status,
    play_button,
    pause_button,
    stop_button,
};

inline constexpr std::size_t MAIN_CONTROL_COUNT = 35;

constexpr std::size_t index_of(MainControl control)
{
    return static_cast<std::size_t>(control);
}

// Where a control's first text comes from when it is not fixed.
enum class InitialText : std::uint8_t {
    fixed,          // `text` as written
    theme_caption,  // theme_button_caption(dark_mode)
    version_line,   // VERSION_LINE
    save_in_line,   // save_in_text(target_folder)
};

struct ControlSpec {
    MainControl control;
    std::string_view class_name;
    std::uint16_t id;  // 0: no id; otherwise passed as the menu handle
    std::uint32_t style;
    std::uint32_t ex_style;
    InitialText text_source;
    std::string_view text;
    // Tab controls only: the two pages, inserted with TCM_INSERTITEMW at indexes 0 and 1.
    std::array<std::string_view, 2> tab_pages;
};

inline constexpr std::string_view VERSION_LINE = "v" CLIPWRIGHT_RELEASE_TEXT " build " CLIPWRIGHT_BUILD_TEXT;

namespace control_style {
inline constexpr std::uint32_t SHOWN = WS_CHILD_STYLE | WS_VISIBLE_STYLE;
inline constexpr std::uint32_t HIDDEN = WS_CHILD_STYLE;
inline constexpr std::uint32_t TEXT_BOX = WS_TABSTOP_STYLE | WS_BORDER_STYLE | WS_HSCROLL_STYLE | WS_VSCROLL_STYLE |
                                          ES_MULTILINE_STYLE | ES_READONLY_STYLE | ES_AUTOHSCROLL_STYLE |
                                          ES_AUTOVSCROLL_STYLE | ES_WANTRETURN_STYLE;
inline constexpr std::uint32_t PICTURE = WS_BORDER_STYLE | SS_BITMAP_STYLE | SS_NOTIFY_STYLE | SS_CENTERIMAGE_STYLE;
inline constexpr std::uint32_t TABS = HIDDEN | WS_TABSTOP_STYLE | WS_BORDER_STYLE;
inline constexpr std::uint32_t BUTTON = SHOWN | WS_TABSTOP_STYLE;
}  // namespace control_style

// One control per entry keeps the table readable as a table.
// clang-format off
inline constexpr std::array<ControlSpec, MAIN_CONTROL_COUNT> MAIN_CONTROLS{{
    {MainControl::logo_control, "STATIC", 0, control_style::SHOWN | SS_BITMAP_STYLE | SS_CENTERIMAGE_STYLE, 0,
     InitialText::fixed, "", {}},
    {MainControl::title_label, "STATIC", 0, control_style::SHOWN, 0, InitialText::fixed, "Clipwright", {}},
    {MainControl::subtitle_label, "STATIC", 0, control_style::SHOWN, 0, InitialText::fixed, "Clipboard Utility", {}},
    {MainControl::version_label, "STATIC", 0, control_style::SHOWN, 0, InitialText::version_line, "", {}},
    {MainControl::theme_button, "BUTTON", ID_THEME, control_style::BUTTON, 0, InitialText::theme_caption, "", {}},
    {MainControl::heading_label, "STATIC", 0, control_style::SHOWN, 0, InitialText::fixed,
     "Choose what to save from the clipboard", {}},
    {MainControl::refresh_button, "BUTTON", ID_REFRESH, control_style::BUTTON, 0, InitialText::fixed, "&Refresh", {}},
    {MainControl::view_toggle_button, "BUTTON", ID_VIEW_TOGGLE, control_style::BUTTON, 0, InitialText::fixed,
     "&Advanced details", {}},
    {MainControl::format_list, "SysListView32", ID_FORMAT_LIST,
     control_style::SHOWN | WS_TABSTOP_STYLE | WS_BORDER_STYLE | LVS_REPORT_STYLE | LVS_SINGLESEL_STYLE |
         LVS_SHOWSELALWAYS_STYLE,
     WS_EX_CLIENTEDGE_STYLE, InitialText::fixed, "", {}},
    {MainControl::save_in_label, "STATIC", 0, control_style::SHOWN, 0, InitialText::save_in_line, "", {}},
    {MainControl::file_name_label, "STATIC", 0, control_style::SHOWN, 0, InitialText::fixed, "File name", {}},
    {MainControl::file_name_edit, "EDIT", 0, control_style::SHOWN | WS_TABSTOP_STYLE | ES_AUTOHSCROLL_STYLE,
     WS_EX_CLIENTEDGE_STYLE, InitialText::fixed, "untitled", {}},
    {MainControl::save_button, "BUTTON", ID_SAVE, control_style::BUTTON, 0, InitialText::fixed, "&Save and Close", {}},
    {MainControl::cancel_button, "BUTTON", ID_CANCEL, control_style::BUTTON, 0, InitialText::fixed, "&Cancel", {}},
    {MainControl::extension_label, "STATIC", 0, control_style::SHOWN, 0, InitialText::fixed, "", {}},
    {MainControl::detail_title, "STATIC", 0, control_style::SHOWN, 0, InitialText::fixed,
     "Select a clipboard format to inspect its data.", {}},
    {MainControl::text_view, "EDIT", 0, control_style::HIDDEN | control_style::TEXT_BOX, WS_EX_CLIENTEDGE_STYLE,
     InitialText::fixed, "", {}},
    {MainControl::report_view, "EDIT", 0, control_style::SHOWN | control_style::TEXT_BOX, WS_EX_CLIENTEDGE_STYLE,
     InitialText::fixed, "No format selected.", {}},
    {MainControl::image_control, "STATIC", 0,
     control_style::HIDDEN | WS_HSCROLL_STYLE | WS_VSCROLL_STYLE | control_style::PICTURE, WS_EX_CLIENTEDGE_STYLE,
     InitialText::fixed, "", {}},
    {MainControl::rich_tabs, "SysTabControl32", 0, control_style::TABS, 0, InitialText::fixed, "",
     {"Rendered", "Source"}},
    {MainControl::rich_view, "RICHEDIT50W", 0, control_style::HIDDEN | control_style::TEXT_BOX,
     WS_EX_CLIENTEDGE_STYLE, InitialText::fixed, "", {}},
    {MainControl::rich_source, "EDIT", 0, control_style::HIDDEN | control_style::TEXT_BOX, WS_EX_CLIENTEDGE_STYLE,
     InitialText::fixed, "", {}},
    {MainControl::html_tabs, "SysTabControl32", 0, control_style::TABS, 0, InitialText::fixed, "",
     {"Rendered", "Source"}},
    {MainControl::html_host, "STATIC", 0, control_style::HIDDEN | WS_BORDER_STYLE, WS_EX_CLIENTEDGE_STYLE,
     InitialText::fixed, "", {}},
    {MainControl::html_source, "EDIT", 0, control_style::HIDDEN | control_style::TEXT_BOX, WS_EX_CLIENTEDGE_STYLE,
     InitialText::fixed, "", {}},
    {MainControl::table_tabs, "SysTabControl32", 0, control_style::TABS, 0, InitialText::fixed, "",
     {"Table", "Source"}},
    {MainControl::table_list, "SysListView32", ID_TABLE_LIST,
     control_style::HIDDEN | WS_TABSTOP_STYLE | WS_BORDER_STYLE | LVS_REPORT_STYLE | LVS_SHOWSELALWAYS_STYLE |
         LVS_OWNERDATA_STYLE,
     WS_EX_CLIENTEDGE_STYLE, InitialText::fixed, "", {}},
    {MainControl::table_source, "EDIT", 0, control_style::HIDDEN | control_style::TEXT_BOX, WS_EX_CLIENTEDGE_STYLE,
     InitialText::fixed, "", {}},
    {MainControl::audio_info_label, "STATIC", 0, control_style::HIDDEN, 0, InitialText::fixed, "", {}},
    {MainControl::waveform_control, "STATIC", ID_WAVEFORM, control_style::HIDDEN | control_style::PICTURE,
     WS_EX_CLIENTEDGE_STYLE, InitialText::fixed, "", {}},
    {MainControl::audio_progress, "msctls_progress32", 0, control_style::HIDDEN | WS_BORDER_STYLE, 0,
     InitialText::fixed, "", {}},
    {MainControl::audio_status, "STATIC", 0, control_style::HIDDEN, 0, InitialText::fixed, "Stopped", {}},
    {MainControl::play_button, "BUTTON", ID_PLAY, control_style::HIDDEN | WS_TABSTOP_STYLE, 0, InitialText::fixed,
     "&Play", {}},
    {MainControl::pause_button, "BUTTON", ID_PAUSE, control_style::HIDDEN | WS_TABSTOP_STYLE, 0, InitialText::fixed,
     "Pa&use", {}},
    {MainControl::stop_button, "BUTTON", ID_STOP, control_style::HIDDEN | WS_TABSTOP_STYLE, 0, InitialText::fixed,
     "S&top", {}},
}};
// clang-format on

// "Save in  {folder}" (two blanks), the folder converted to text for display.
std::string save_in_text(std::u16string_view target_folder);

// The text a control is created with.
std::string initial_control_text(const ControlSpec& spec, bool dark_mode, std::u16string_view target_folder);

// The detail panels; exactly one is visible at a time.
enum class DetailPanel : std::uint8_t {
    text_panel,
    image_panel,
    rich_text_panel,
    html_panel,
    table_panel,
    audio_panel,
    report_panel,
};

// What the window shows after switching to `panel` and running that panel's tab handler:
// `visible` is decided for every control of the detail area except `detail_title`, which stays
// as it is (`decided` false). `selected_page` is the panel's TCM_GETCURSEL: 1 shows the second
// page, anything else the first. Controls outside the detail area are not decided either.
struct PanelVisibility {
    std::array<bool, MAIN_CONTROL_COUNT> decided{};
    std::array<bool, MAIN_CONTROL_COUNT> visible{};
    bool webview_visible = false;  // the WebView2 controller inside html_host
};

PanelVisibility panel_visibility(DetailPanel panel, int selected_page);

}  // namespace cw
