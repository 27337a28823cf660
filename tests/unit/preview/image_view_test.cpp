#include "preview/image_view.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

TEST(ImageViewFit, FitsWithAspectRatioAndZooms)
{
    struct Case {
        int bw, bh, cw, ch, zoom;
        std::optional<ViewSize> expected;
    };
    const Case cases[] = {
        {10, 10, 400, 300, 100, ViewSize{300, 300}},     // small picture stretched up to the height
        {10, 10, 400, 300, 400, ViewSize{1200, 1200}},
        {1000, 10, 400, 300, 100, ViewSize{400, 4}},     // wide picture fits the width
        {100000, 1, 400, 300, 100, ViewSize{400, 1}},    // never thinner than a pixel
        {1, 100000, 400, 300, 800, ViewSize{8, 2400}},
        {8192, 8192, 2147483647, 2147483647, 800, ViewSize{2147483647, 2147483647}},  // capped, no overflow
        {0, 10, 400, 300, 100, std::nullopt},
        {10, 10, 400, -1, 100, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compute_zoomed_size(c.bw, c.bh, c.cw, c.ch, c.zoom), c.expected) << c.bw << "x" << c.bh;
    EXPECT_EQ(image_placement(400, 300, 0), 50);  // centred
    EXPECT_EQ(image_placement(400, 1200, 70), -70);
}

TEST(ImageViewFit, OnlyTheVisibleSourceIsStretchedWhereTheWholePictureWouldPutIt)
{
    struct Case {
        int client, zoomed, placement, bitmap;
        StretchSpan expected;
    };
    const Case cases[] = {
        {400, 300, 50, 10, {0, 10, 50, 300}},         // centred: the whole picture
        {400, 1200, -100, 10, {0, 5, -100, 600}},     // source pixels 0..4 cover client 0..400
        {400, 1200, -800, 10, {6, 4, -80, 480}},      // scrolled to the far end
        {634, 5072, -2219, 8192, {3584, 1024, 0, 634}},  // 800 % of 8192 x 8192: a 1024-pixel slice
        {400, 300, 500, 10, {}},                      // nothing inside
    };
    for (const Case& c : cases)
        EXPECT_EQ(visible_span(c.client, c.zoomed, c.placement, c.bitmap), c.expected) << c.placement;
}

TEST(ImageViewFit, WheelNotchesStepByQuarterWithinTheRange)
{
    struct Case {
        int zoom, delta, expected;
    };
    const Case cases[] = {
        {100, 120, 125}, {100, 30, 125}, {100, 1, 125}, {125, -120, 100}, {125, -30, 100},
        {100, 240, 150}, {100, 359, 150}, {100, -120, 100}, {775, 120, 800}, {800, 960, 800},
        {100, 32767, 800}, {800, -32768, 100}, {100, 0, 100}, {5000, 0, 800}, {-7, 120, 125},
    };
    for (const Case& c : cases) EXPECT_EQ(zoom_after_wheel(c.zoom, c.delta), c.expected) << c.zoom << " " << c.delta;
    int zoom = 100;
    for (int notch = 0; notch < 8; ++notch) zoom = zoom_after_wheel(zoom, 120);
    EXPECT_EQ(zoom, 300);
}

TEST(ImageViewFit, ZoomKeepsThePointUnderTheCursor)
{
    // A 400 x 300 control showing a square picture 300 x 300 at 100 %, centred at x = 50.
    const ViewSize before = *compute_zoomed_size(10, 10, 400, 300, 100);
    const ViewSize after = *compute_zoomed_size(10, 10, 400, 300, 200);
    const int cursor_x = 200, cursor_y = 100;
    const int content_x = content_under_cursor(400, before.width, 0, cursor_x);
    const int content_y = content_under_cursor(300, before.height, 0, cursor_y);
    EXPECT_EQ(content_x, 150);
    EXPECT_EQ(content_y, 100);
    const int scroll_x = anchored_scroll(content_x, before.width, after.width, cursor_x);
    const int scroll_y = anchored_scroll(content_y, before.height, after.height, cursor_y);
    // The same content point is under the cursor after the zoom.
    EXPECT_EQ(content_under_cursor(400, after.width, scroll_x, cursor_x) * before.width / after.width, content_x);
    EXPECT_EQ(content_under_cursor(300, after.height, scroll_y, cursor_y) * before.height / after.height, content_y);
    EXPECT_EQ(scroll_x, 100);
    EXPECT_EQ(scroll_y, 100);

    // Near an edge the offset is clamped: the cursor left of the picture anchors its left edge.
    EXPECT_EQ(content_under_cursor(400, 300, 0, 10), 0);
    EXPECT_EQ(anchored_scroll(0, 300, 600, 10), 0);
    EXPECT_EQ(content_under_cursor(400, 300, 0, 399), 300);
    EXPECT_EQ(clamp_scroll(anchored_scroll(300, 300, 600, 399), max_scroll(600, 400)), 200);
}

TEST(ImageViewScroll, StepsAndStrips)
{
    EXPECT_EQ(scroll_line_step(96), 40);
    EXPECT_EQ(scroll_line_step(144), 60);
    EXPECT_EQ(scroll_line_step(0), 40);
    EXPECT_EQ(scroll_page_step(40, 300), 270);
    EXPECT_EQ(scroll_page_step(40, 10), 40);

    struct Case {
        ScrollAction action;
        int position, expected;
    };
    const Case cases[] = {
        {ScrollAction::LineBack, 100, 60}, {ScrollAction::LineBack, 10, 0},     {ScrollAction::LineForward, 100, 140},
        {ScrollAction::PageForward, 100, 370}, {ScrollAction::PageForward, 800, 900}, {ScrollAction::PageBack, 100, 0},
        {ScrollAction::Track, 100, 555}, {ScrollAction::Other, 100, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scroll_position_after(c.action, c.position, 555, 40, 270, 900), c.expected)
            << static_cast<int>(c.action);

    // A 100 x 80 window at (10, 20) with 17-pixel bars.
    const auto strip = [](int x, int y) { return scroll_strip_at(x, y, 10, 20, 110, 100, 17, 17); };
    EXPECT_EQ(strip(100, 30), ScrollStrip::Vertical);
    EXPECT_EQ(strip(30, 90), ScrollStrip::Horizontal);
    EXPECT_EQ(strip(100, 90), ScrollStrip::None);  // the corner
    EXPECT_EQ(strip(50, 50), ScrollStrip::None);
    EXPECT_EQ(strip(110, 30), ScrollStrip::None);  // outside
}

}  // namespace
}  // namespace cw
