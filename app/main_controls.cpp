#include "app/main_controls.h"

#include <span>

#include "app/theme_setting.h"
#include "base/text.h"

namespace cw {

std::string save_in_text(std::u16string_view target_folder)
{
    return "Save in  " + utf16_to_utf8(target_folder);
}

std::string initial_control_text(const ControlSpec& spec, bool dark_mode, std::u16string_view target_folder)
{
    switch (spec.text_source) {
        case InitialText::theme_caption:
            return std::string(theme_button_caption(dark_mode));
        case InitialText::version_line:
            return std::string(VERSION_LINE);
        case InitialText::save_in_line:
            return save_in_text(target_folder);
        case InitialText::fixed:
            break;
    }
    return std::string(spec.text);
}

namespace {

struct PanelControls {
    DetailPanel panel;
    std::span<const MainControl> main;
    // Tab panels: the control of page 0, then that of page 1.
    std::span<const MainControl> pages;
};

constexpr MainControl TEXT_MAIN[] = {MainControl::text_view};
constexpr MainControl IMAGE_MAIN[] = {MainControl::image_control};
constexpr MainControl RICH_MAIN[] = {MainControl::rich_tabs};
constexpr MainControl RICH_PAGES[] = {MainControl::rich_view, MainControl::rich_source};
constexpr MainControl HTML_MAIN[] = {MainControl::html_tabs};
constexpr MainControl HTML_PAGES[] = {MainControl::html_host, MainControl::html_source};
constexpr MainControl TABLE_MAIN[] = {MainControl::table_tabs};
constexpr MainControl TABLE_PAGES[] = {MainControl::table_list, MainControl::table_source};
constexpr MainControl AUDIO_MAIN[] = {MainControl::waveform_control, MainControl::audio_info_label,
                                      MainControl::audio_status,     MainControl::audio_progress,
                                      MainControl::play_button,      MainControl::pause_button,
                                      MainControl::stop_button};
constexpr MainControl REPORT_MAIN[] = {MainControl::report_view};

constexpr PanelControls PANELS[] = {
    {DetailPanel::text_panel, TEXT_MAIN, {}},
    {DetailPanel::image_panel, IMAGE_MAIN, {}},
    {DetailPanel::rich_text_panel, RICH_MAIN, RICH_PAGES},
    {DetailPanel::html_panel, HTML_MAIN, HTML_PAGES},
    {DetailPanel::table_panel, TABLE_MAIN, TABLE_PAGES},
    {DetailPanel::audio_panel, AUDIO_MAIN, {}},
    {DetailPanel::report_panel, REPORT_MAIN, {}},
};

}  // namespace

PanelVisibility panel_visibility(DetailPanel panel, int selected_page)
{
    PanelVisibility result;
    const std::size_t shown_page = selected_page == 1 ? 1 : 0;
    for (const PanelControls& entry : PANELS) {
        const bool shown = entry.panel == panel;
        for (MainControl control : entry.main) {
            result.decided[index_of(control)] = true;
            result.visible[index_of(control)] = shown;
        }
        std::size_t page = 0;
        for (MainControl control : entry.pages) {
            result.decided[index_of(control)] = true;
            result.visible[index_of(control)] = shown && page == shown_page;
            ++page;
        }
    }
    result.webview_visible = panel == DetailPanel::html_panel && shown_page == 0;
    return result;
}

}  // namespace cw
