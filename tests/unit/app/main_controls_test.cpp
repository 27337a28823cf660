#include "app/main_controls.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace cw {
namespace {

using C = MainControl;

TEST(MainControls, TableIsInCreationOrderWithTheCommandIds)
{
    for (std::size_t i = 0; i < MAIN_CONTROLS.size(); ++i) EXPECT_EQ(index_of(MAIN_CONTROLS[i].control), i);

    struct Case {
        C control;
        std::uint16_t id;
    };
    const Case with_ids[] = {
        {C::theme_button, 1010}, {C::refresh_button, 1001}, {C::view_toggle_button, 1007}, {C::format_list, 1002},
        {C::save_button, 1008},  {C::cancel_button, 1009},  {C::table_list, 1011},         {C::waveform_control, 1006},
        {C::play_button, 1003},  {C::pause_button, 1004},   {C::stop_button, 1005},
    };
    std::set<C> seen;
    for (const Case& c : with_ids) {
        EXPECT_EQ(MAIN_CONTROLS[index_of(c.control)].id, c.id);
        seen.insert(c.control);
    }
    for (const ControlSpec& spec : MAIN_CONTROLS)
        if (!seen.count(spec.control)) {
            EXPECT_EQ(spec.id, 0) << index_of(spec.control);
        }
}

// Style words as the Win32 headers would combine them, written out by hand.
TEST(MainControls, StylesMatchTheWin32Values)
{
    struct Case {
        C control;
        std::string_view class_name;
        std::uint32_t style;
        std::uint32_t ex_style;
    };
    const Case cases[] = {
        {C::logo_control, "STATIC", 0x5000020E, 0},         {C::title_label, "STATIC", 0x50000000, 0},
        {C::theme_button, "BUTTON", 0x50010000, 0},         {C::format_list, "SysListView32", 0x5081000D, 0x200},
        {C::file_name_edit, "EDIT", 0x50010080, 0x200},     {C::text_view, "EDIT", 0x40B118C4, 0x200},
        {C::report_view, "EDIT", 0x50B118C4, 0x200},        {C::image_control, "STATIC", 0x40B0030E, 0x200},
        {C::rich_tabs, "SysTabControl32", 0x40810000, 0},   {C::rich_view, "RICHEDIT50W", 0x40B118C4, 0x200},
        {C::html_host, "STATIC", 0x40800000, 0x200},        {C::table_list, "SysListView32", 0x40811009, 0x200},
        {C::table_source, "EDIT", 0x40B118C4, 0x200},       {C::audio_info_label, "STATIC", 0x40000000, 0},
        {C::waveform_control, "STATIC", 0x4080030E, 0x200}, {C::audio_progress, "msctls_progress32", 0x40800000, 0},
        {C::stop_button, "BUTTON", 0x40010000, 0},
    };
    for (const Case& c : cases) {
        const ControlSpec& spec = MAIN_CONTROLS[index_of(c.control)];
        EXPECT_EQ(spec.class_name, c.class_name) << index_of(c.control);
        EXPECT_EQ(spec.style, c.style) << index_of(c.control);
        EXPECT_EQ(spec.ex_style, c.ex_style) << index_of(c.control);
    }
    EXPECT_EQ(LIST_VIEW_EX_STYLE, 0x00010020U);
}

TEST(MainControls, TabOrderFollowsCreationOrder)
{
    std::vector<C> tab_stops;
    for (const ControlSpec& spec : MAIN_CONTROLS)
        if (spec.style & WS_TABSTOP_STYLE) tab_stops.push_back(spec.control);
    const std::vector<C> expected{
        C::theme_button, C::refresh_button, C::view_toggle_button, C::format_list,  C::file_name_edit,
        C::save_button,  C::cancel_button,  C::text_view,          C::report_view,  C::rich_tabs,
        C::rich_view,    C::rich_source,    C::html_tabs,          C::html_source,  C::table_tabs,
        C::table_list,   C::table_source,   C::play_button,        C::pause_button, C::stop_button,
    };
    EXPECT_EQ(tab_stops, expected);
}

TEST(MainControls, InitialTexts)
{
    const auto text = [](C control, bool dark) {
        return initial_control_text(MAIN_CONTROLS[index_of(control)], dark, u"C:\\Users\\\u00C5sa\\Desktop");
    };
    EXPECT_EQ(text(C::version_label, true), "v1.1 build 158");
    EXPECT_EQ(text(C::theme_button, true), "Light &Mode");
    EXPECT_EQ(text(C::theme_button, false), "Dark &Mode");
    EXPECT_EQ(text(C::save_in_label, true), "Save in  C:\\Users\\\xC3\x85sa\\Desktop");
    EXPECT_EQ(text(C::file_name_edit, true), "untitled");
    EXPECT_EQ(text(C::report_view, true), "No format selected.");
    EXPECT_EQ(text(C::detail_title, true), "Select a clipboard format to inspect its data.");
    EXPECT_EQ(text(C::audio_status, true), "Stopped");
    EXPECT_EQ(text(C::pause_button, true), "Pa&use");
    EXPECT_EQ(text(C::extension_label, true), "");

    EXPECT_EQ(MAIN_CONTROLS[index_of(C::table_tabs)].tab_pages[0], "Table");
    EXPECT_EQ(MAIN_CONTROLS[index_of(C::html_tabs)].tab_pages[1], "Source");
    EXPECT_EQ(MAIN_CONTROLS[index_of(C::rich_view)].tab_pages[0], "");
}

TEST(PanelVisibility, OnePanelAndItsSelectedPage)
{
    struct Case {
        DetailPanel panel;
        int page;
        std::set<C> visible;
        bool webview;
    };
    const Case cases[] = {
        {DetailPanel::text_panel, 0, {C::text_view}, false},
        {DetailPanel::image_panel, 0, {C::image_control}, false},
        {DetailPanel::report_panel, 1, {C::report_view}, false},
        {DetailPanel::rich_text_panel, 0, {C::rich_tabs, C::rich_view}, false},
        {DetailPanel::rich_text_panel, 1, {C::rich_tabs, C::rich_source}, false},
        {DetailPanel::html_panel, 0, {C::html_tabs, C::html_host}, true},
        {DetailPanel::html_panel, 1, {C::html_tabs, C::html_source}, false},
        {DetailPanel::html_panel, -1, {C::html_tabs, C::html_host}, true},
        {DetailPanel::table_panel, 1, {C::table_tabs, C::table_source}, false},
        {DetailPanel::audio_panel,
         0,
         {C::audio_info_label, C::waveform_control, C::audio_progress, C::audio_status, C::play_button, C::pause_button,
          C::stop_button},
         false},
    };
    for (const Case& c : cases) {
        const PanelVisibility v = panel_visibility(c.panel, c.page);
        EXPECT_EQ(v.webview_visible, c.webview);
        for (const ControlSpec& spec : MAIN_CONTROLS) {
            const std::size_t i = index_of(spec.control);
            // Everything below the detail title belongs to some panel; nothing above it does.
            EXPECT_EQ(v.decided[i], i > index_of(C::detail_title)) << i;
            if (v.decided[i]) {
                EXPECT_EQ(v.visible[i], c.visible.count(spec.control) == 1) << i;
            }
        }
    }
}

}  // namespace
}  // namespace cw
