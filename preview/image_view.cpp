#include "preview/image_view.h"

#include <algorithm>
#include <limits>

#include "base/dpi.h"

namespace cw {

namespace {

constexpr std::int64_t INT_MAX64 = std::numeric_limits<int>::max();

int zoom_side(std::int64_t fit, int zoom)
{
    return static_cast<int>(std::clamp<std::int64_t>(fit * zoom / 100, 1, INT_MAX64));
}

}  // namespace

int clamp_zoom(int zoom_percent)
{
    return std::clamp(zoom_percent, MIN_ZOOM_PERCENT, MAX_ZOOM_PERCENT);
}

std::optional<ViewSize> compute_zoomed_size(int bitmap_w, int bitmap_h, int client_w, int client_h, int zoom_percent)
{
    if (bitmap_w <= 0 || bitmap_h <= 0 || client_w <= 0 || client_h <= 0) return std::nullopt;
    const std::int64_t bw = bitmap_w, bh = bitmap_h, cw_ = client_w, ch = client_h;
    std::int64_t fit_w = cw_, fit_h = ch;
    if (bw * ch < bh * cw_)
        fit_w = std::max<std::int64_t>(1, bw * ch / bh);
    else
        fit_h = std::max<std::int64_t>(1, bh * cw_ / bw);
    return ViewSize{zoom_side(fit_w, zoom_percent), zoom_side(fit_h, zoom_percent)};
}

int wheel_steps(int delta)
{
    if (delta > -WHEEL_NOTCH && delta < WHEEL_NOTCH) return (delta > 0) - (delta < 0);
    return delta / WHEEL_NOTCH;
}

int zoom_after_wheel(int zoom_percent, int delta)
{
    // The delta is a 16-bit value, so the product stays far inside int.
    return clamp_zoom(clamp_zoom(zoom_percent) + ZOOM_STEP_PERCENT * wheel_steps(delta));
}

int image_placement(int client, int zoomed, int scroll)
{
    return client < zoomed ? -scroll : (client - zoomed) / 2;
}

StretchSpan visible_span(int client, int zoomed, int placement, int bitmap)
{
    if (client <= 0 || zoomed <= 0 || bitmap <= 0) return {};
    const std::int64_t z = zoomed, b = bitmap, at = placement;
    const std::int64_t first = std::max<std::int64_t>(0, -at);
    const std::int64_t last = std::min<std::int64_t>(z, client - at);
    if (last <= first) return {};
    const std::int64_t s0 = std::clamp<std::int64_t>(first * b / z, 0, b - 1);
    const std::int64_t s1 = std::clamp<std::int64_t>((last * b + z - 1) / z, s0 + 1, b);
    const std::int64_t d0 = at + s0 * z / b;
    const std::int64_t d1 = at + (s1 * z + b - 1) / b;
    return {static_cast<int>(s0), static_cast<int>(s1 - s0), static_cast<int>(d0), static_cast<int>(d1 - d0)};
}

int content_under_cursor(int client, int zoomed, int scroll, int cursor)
{
    const std::int64_t offset = client < zoomed ? scroll : -((client - zoomed) / 2);
    return static_cast<int>(std::clamp<std::int64_t>(offset + cursor, 0, zoomed));
}

int anchored_scroll(int content, int old_zoomed, int new_zoomed, int cursor)
{
    if (old_zoomed <= 0) return 0;
    const std::int64_t scaled = std::int64_t{content} * new_zoomed / old_zoomed - cursor;
    return static_cast<int>(std::clamp<std::int64_t>(scaled, 0, INT_MAX64));
}

int max_scroll(int zoomed, int client)
{
    return std::max(0, zoomed - client);
}

int clamp_scroll(int scroll, int max)
{
    return std::clamp(scroll, 0, std::max(0, max));
}

int scroll_line_step(std::uint32_t dpi)
{
    return std::max(1, scale(SCROLL_LINE_96, dpi));
}

int scroll_page_step(int line_step, unsigned page)
{
    const std::int64_t nine_tenths = std::int64_t{page} * 9 / 10;
    return static_cast<int>(std::clamp<std::int64_t>(nine_tenths, line_step, INT_MAX64));
}

int scroll_position_after(ScrollAction action, int position, int track_position, int line_step, int page_step,
                          int max)
{
    std::int64_t next = position;
    switch (action) {
        case ScrollAction::LineBack: next -= line_step; break;
        case ScrollAction::LineForward: next += line_step; break;
        case ScrollAction::PageBack: next -= page_step; break;
        case ScrollAction::PageForward: next += page_step; break;
        case ScrollAction::Track: next = track_position; break;
        case ScrollAction::Other: break;
    }
    return static_cast<int>(std::clamp<std::int64_t>(next, 0, std::max(0, max)));
}

ScrollStrip scroll_strip_at(int x, int y, int left, int top, int right, int bottom, int bar_width, int bar_height)
{
    if (x < left || x >= right || y < top || y >= bottom) return ScrollStrip::None;
    const bool in_right = x >= right - bar_width;
    const bool in_bottom = y >= bottom - bar_height;
    if (in_right && !in_bottom) return ScrollStrip::Vertical;
    if (in_bottom && !in_right) return ScrollStrip::Horizontal;
    return ScrollStrip::None;
}

}  // namespace cw
