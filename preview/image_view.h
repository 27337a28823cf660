#pragma once
// The arithmetic of the image view: the picture fitted to the control with its aspect ratio, the
// zoom in wheel notches, the zoom anchored at the cursor, and scroll-bar steps. The window side
// only gathers sizes and applies the results.

#include <cstdint>
#include <optional>

#include "base/win32_constants.h"

namespace cw {

inline constexpr int MIN_ZOOM_PERCENT = 100;
inline constexpr int MAX_ZOOM_PERCENT = 800;
inline constexpr int ZOOM_STEP_PERCENT = 25;
inline constexpr int SCROLL_LINE_96 = 40;

struct ViewSize {
    int width = 0;
    int height = 0;
    bool operator==(const ViewSize&) const = default;
};

int clamp_zoom(int zoom_percent);

// The picture fitted into the client keeping its aspect ratio (a small picture is stretched up),
// then scaled by `zoom_percent`; none when any size is not positive.
std::optional<ViewSize> compute_zoomed_size(int bitmap_w, int bitmap_h, int client_w, int client_h, int zoom_percent);

// Notches of a wheel delta: any movement below a whole notch counts as one, so high-resolution
// wheels zoom too.
int wheel_steps(int delta);
int zoom_after_wheel(int zoom_percent, int delta);

// Where the zoomed picture's left (or top) edge lies in the client: scrolled when it is larger,
// centred when it is not.
int image_placement(int client, int zoomed, int scroll);

// Along one axis: the source pixels that land inside the client and the destination they are
// stretched to, which lies where the whole picture would put them (rounded outward to whole
// source pixels). Stretching only these keeps a redraw's cost with the client, not the zoom.
struct StretchSpan {
    int source_start = 0;
    int source_length = 0;  // 0: nothing of the picture is inside the client
    int dest_start = 0;
    int dest_length = 0;
    bool operator==(const StretchSpan&) const = default;
};
StretchSpan visible_span(int client, int zoomed, int placement, int bitmap);

// The point of the zoomed picture under the cursor, 0..zoomed, along one axis.
int content_under_cursor(int client, int zoomed, int scroll, int cursor);

// The scroll offset that keeps that point under the cursor at the new zoomed size, not negative;
// the view clamps it to its range when it redraws.
int anchored_scroll(int content, int old_zoomed, int new_zoomed, int cursor);

int max_scroll(int zoomed, int client);
int clamp_scroll(int scroll, int max);

// Scroll-bar steps at the window's DPI: 40 pixels a line at 96 DPI; nine tenths of the page, at
// least a line.
int scroll_line_step(std::uint32_t dpi);
int scroll_page_step(int line_step, unsigned page);

enum class ScrollAction { LineBack, LineForward, PageBack, PageForward, Track, Other };

// The new position for one scroll-bar action, clamped to 0..max.
int scroll_position_after(ScrollAction action, int position, int track_position, int line_step, int page_step,
                          int max);

enum class ScrollStrip { None, Vertical, Horizontal };

// Which scroll-bar strip of the control's window rectangle a screen point falls in: the right
// strip above the bottom one is the vertical bar, the bottom strip left of the right one the
// horizontal bar; the corner belongs to neither.
ScrollStrip scroll_strip_at(int x, int y, int left, int top, int right, int bottom, int bar_width, int bar_height);

}  // namespace cw
