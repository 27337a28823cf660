#include "app/layout.h"
#include "base/dpi.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

namespace cw {
namespace {

using C = MainControl;

TEST(DpiScale, RoundsHalfUpAndCaps)
{
    struct Case {
        int v;
        std::uint32_t dpi;
        int expected;
    };
    const Case cases[] = {
        {16, 96, 16},
        {16, 0, 16},
        {16, 144, 24},
        {12, 120, 15},
        {1050, 144, 1575},
        {1050, 120, 1313},
        {720, 120, 900},
        {1, 47, 0},
        {1, 48, 1},
        {0, 500, 0},
        {140, 144, 210},
        {INT_MAX, 192, INT_MAX},
        {INT_MAX, UINT32_MAX, INT_MAX},
        {-16, 96, -15},
    };
    for (const Case& c : cases) EXPECT_EQ(scale(c.v, c.dpi), c.expected) << c.v << " at " << c.dpi;
    static_assert(scale(149, 144) == 224);
}

TEST(WindowSize, InitialAndMinimumFollowTheDpi)
{
    EXPECT_EQ(initial_window_size(96), (Size{1050, 720}));
    EXPECT_EQ(initial_window_size(0), (Size{1050, 720}));
    EXPECT_EQ(initial_window_size(120), (Size{1313, 900}));
    EXPECT_EQ(initial_window_size(144), (Size{1575, 1080}));
    EXPECT_EQ(minimum_track_size(96), (Size{820, 600}));
    EXPECT_EQ(minimum_track_size(0), (Size{820, 600}));
    EXPECT_EQ(minimum_track_size(120), (Size{1025, 750}));
    EXPECT_EQ(minimum_track_size(144), (Size{1230, 900}));
}

TEST(MainLayout, ListWidthClampsInBothViews)
{
    struct Case {
        bool advanced;
        int width;
        std::uint32_t dpi;
        int list_width;
    };
    const Case cases[] = {
        {false, 1034, 96, 310},  {false, 700, 96, 310},  {false, 560, 96, 220},  {false, 0, 96, 220},
        {false, 600, 96, 256},   {true, 1000, 96, 480},  {true, 900, 96, 460},   {true, 1400, 96, 620},
        {false, 1500, 144, 465}, {false, 700, 144, 330}, {true, 1250, 120, 600}, {true, 4000, 144, 930},
    };
    for (const Case& c : cases) {
        const MainLayout layout = compute_main_layout(c.width, 700, c.advanced, c.dpi);
        EXPECT_EQ(layout[C::format_list].width, c.list_width) << c.width << " at " << c.dpi;
        EXPECT_EQ(layout[C::detail_title].x, scale(16, c.dpi) + c.list_width + scale(12, c.dpi));
    }
}

void expect_rects(const MainLayout& layout, const std::vector<std::pair<C, Rect>>& expected)
{
    for (const auto& [control, rect] : expected) {
        const Rect& actual = layout[control];
        EXPECT_EQ(actual, rect) << "control " << index_of(control) << ": got " << actual.x << "," << actual.y << " "
                                << actual.width << "x" << actual.height;
    }
}

TEST(MainLayout, EveryRectangleAt96Dpi)
{
    const MainLayout layout = compute_main_layout(1034, 681, false, 96);
    expect_rects(layout, {
                             {C::logo_control, {16, 16, 149, 48}},        {C::title_label, {181, 18, 238, 38}},
                             {C::subtitle_label, {423, 33, 112, 22}},     {C::version_label, {539, 33, 120, 22}},
                             {C::theme_button, {910, 23, 108, 34}},       {C::heading_label, {16, 79, 766, 24}},
                             {C::view_toggle_button, {794, 74, 128, 30}}, {C::refresh_button, {930, 74, 88, 30}},
                             {C::save_in_label, {16, 110, 1002, 22}},     {C::format_list, {16, 140, 310, 459}},
                             {C::file_name_label, {16, 618, 72, 20}},     {C::file_name_edit, {92, 613, 642, 30}},
                             {C::extension_label, {740, 619, 52, 22}},    {C::cancel_button, {800, 613, 82, 30}},
                             {C::save_button, {890, 613, 128, 30}},       {C::detail_title, {338, 145, 680, 22}},
                             {C::text_view, {338, 170, 680, 429}},        {C::report_view, {338, 170, 680, 429}},
                             {C::image_control, {338, 170, 680, 429}},    {C::rich_tabs, {338, 170, 680, 429}},
                             {C::html_tabs, {338, 170, 680, 429}},        {C::table_tabs, {338, 170, 680, 429}},
                             {C::rich_view, {343, 201, 670, 393}},        {C::rich_source, {343, 201, 670, 393}},
                             {C::html_host, {343, 201, 670, 393}},        {C::html_source, {343, 201, 670, 393}},
                             {C::table_list, {343, 201, 670, 393}},       {C::table_source, {343, 201, 670, 393}},
                             {C::audio_info_label, {344, 176, 668, 38}},  {C::waveform_control, {344, 218, 668, 293}},
                             {C::audio_progress, {344, 523, 668, 18}},    {C::audio_status, {344, 547, 386, 26}},
                             {C::play_button, {736, 545, 88, 28}},        {C::pause_button, {830, 545, 88, 28}},
                             {C::stop_button, {924, 545, 88, 28}},
                         });
    EXPECT_EQ(layout.webview_bounds, (Rect{0, 0, 670, 393}));
}

TEST(MainLayout, EveryRectangleAt144Dpi)
{
    const MainLayout layout = compute_main_layout(1500, 1000, false, 144);
    expect_rects(layout, {
                             {C::logo_control, {24, 24, 224, 72}},          {C::title_label, {272, 27, 357, 57}},
                             {C::subtitle_label, {635, 50, 168, 33}},       {C::version_label, {809, 50, 180, 33}},
                             {C::theme_button, {1314, 35, 162, 51}},        {C::heading_label, {24, 119, 1098, 36}},
                             {C::view_toggle_button, {1140, 111, 192, 45}}, {C::refresh_button, {1344, 111, 132, 45}},
                             {C::save_in_label, {24, 165, 1452, 33}},       {C::format_list, {24, 210, 465, 667}},
                             {C::file_name_label, {24, 906, 108, 30}},      {C::file_name_edit, {138, 898, 912, 45}},
                             {C::extension_label, {1059, 907, 78, 33}},     {C::cancel_button, {1149, 898, 123, 45}},
                             {C::save_button, {1284, 898, 192, 45}},        {C::detail_title, {507, 218, 969, 33}},
                             {C::report_view, {507, 255, 969, 622}},        {C::table_list, {515, 302, 954, 568}},
                             {C::audio_info_label, {516, 264, 951, 57}},    {C::waveform_control, {516, 327, 951, 418}},
                             {C::audio_progress, {516, 763, 951, 27}},      {C::audio_status, {516, 799, 528, 39}},
                             {C::play_button, {1053, 796, 132, 42}},        {C::pause_button, {1194, 796, 132, 42}},
                             {C::stop_button, {1335, 796, 132, 42}},
                         });
}

TEST(MainLayout, AdvancedViewAt120Dpi)
{
    const MainLayout layout = compute_main_layout(1250, 850, true, 120);
    expect_rects(layout, {
                             {C::logo_control, {20, 20, 186, 60}},
                             {C::format_list, {20, 176, 600, 571}},
                             {C::detail_title, {635, 182, 595, 28}},
                             {C::html_tabs, {635, 214, 595, 533}},
                             {C::html_host, {641, 253, 582, 488}},
                             {C::save_button, {1070, 765, 160, 38}},
                         });
    EXPECT_EQ(layout.webview_bounds, (Rect{0, 0, 582, 488}));
}

// At the smallest window Windows allows, the header and the bottom row must still not collide.
TEST(MainLayout, MinimumWindowKeepsRowsApart)
{
    for (std::uint32_t dpi : {96u, 120u, 144u}) {
        const Size minimum = minimum_track_size(dpi);
        // The client area of a standard frame: 8 px borders and a 31 px caption at 96 DPI.
        const int width = minimum.width - scale(16, dpi);
        const int height = minimum.height - scale(39, dpi);
        for (bool advanced : {false, true}) {
            const MainLayout l = compute_main_layout(width, height, advanced, dpi);
            const auto right = [](const Rect& r) { return r.x + r.width; };
            EXPECT_LE(right(l[C::version_label]), l[C::theme_button].x) << dpi;
            EXPECT_LE(right(l[C::heading_label]), l[C::view_toggle_button].x) << dpi;
            EXPECT_LE(right(l[C::view_toggle_button]), l[C::refresh_button].x) << dpi;
            EXPECT_LE(right(l[C::extension_label]), l[C::cancel_button].x) << dpi;
            EXPECT_LE(right(l[C::cancel_button]), l[C::save_button].x) << dpi;
            EXPECT_LE(right(l[C::format_list]), l[C::detail_title].x) << dpi;
            EXPECT_EQ(right(l[C::save_button]), width - scale(16, dpi)) << dpi;
            EXPECT_GT(l[C::report_view].height, 0) << dpi;
            EXPECT_LE(right(l[C::stop_button]), right(l[C::report_view])) << dpi;
        }
    }
}

TEST(MainLayout, TinyOrNegativeClientNeverGivesNegativeSizes)
{
    for (int size : {-50, 0, 100}) {
        const MainLayout layout = compute_main_layout(size, size, false, 96);
        for (const Rect& r : layout.rects) {
            EXPECT_GE(r.width, 0);
            EXPECT_GE(r.height, 0);
        }
        // The name box keeps its minimum width even where it then runs under the buttons.
        EXPECT_EQ(layout[C::file_name_edit].width, 100);
        EXPECT_EQ(layout[C::audio_progress].y, layout[C::report_view].y + 70);
    }
    // Absurd sizes and DPIs saturate instead of overflowing.
    const MainLayout huge = compute_main_layout(INT_MAX, INT_MAX, true, UINT32_MAX);
    EXPECT_EQ(huge[C::format_list].y, INT_MAX);
    EXPECT_EQ(huge[C::format_list].width, INT_MAX);
}

}  // namespace
}  // namespace cw
