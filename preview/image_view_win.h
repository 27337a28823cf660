#pragma once
// The image view: the preview bitmap shown in a static control, fitted, zoomed from 100 % to
// 800 % about the cursor, scrolled and dragged. Only a client-sized bitmap is ever composed, so
// zooming costs no more memory than fitting.

#include <memory>

#include "base/handles_win.h"
#include "report/report.h"

namespace cw {

struct ImageViewState {
    HWND image_control = nullptr;
    std::shared_ptr<ImageBitmap> preview_bitmap;  // the source; shared with the report that made it
    UniqueGdiObject display_bitmap;               // the composed bitmap set into the control
    int zoom_percent = 100;
    int scroll_x = 0;
    int scroll_y = 0;
    int max_scroll_x = 0;
    int max_scroll_y = 0;
    bool is_dragging = false;
    POINT drag_origin{};
    POINT drag_scroll_origin{};
    // The window's theme and DPI, owned by the window state.
    const bool* dark_mode = nullptr;
    const unsigned* window_dpi = nullptr;
};

// Binds the view to its control and installs the subclass that scrolls and drags.
void attach_image_view(ImageViewState& view, HWND control, const bool* dark_mode, const unsigned* window_dpi);

// Takes the new source picture and shows it fitted, unscrolled.
void set_preview_image(ImageViewState& view, std::shared_ptr<ImageBitmap> bitmap);

// Composes the visible part into a new client-sized bitmap and shows it; on any failure the
// shown image stays.
void refresh_image_view(ImageViewState& view);

// For every WM_MOUSEWHEEL of the message loop: zooms about the cursor when it is over the shown
// picture, and answers whether the message was consumed.
bool apply_wheel_zoom(ImageViewState& view, const MSG& message);

// Deletes both bitmaps; the control keeps no image.
void release_image_view(ImageViewState& view);

}  // namespace cw
