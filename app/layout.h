#pragma once
// The main window's pixel layout as a pure function of the client size, the view and the DPI.
// Every control gets a rectangle, hidden ones too, so that showing a panel never needs a layout.

#include <array>
#include <cstdint>

#include "app/main_controls.h"

namespace cw {

// MoveWindow's arguments: position and size in client pixels.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct MainLayout {
    std::array<Rect, MAIN_CONTROL_COUNT> rects{};
    // The WebView2 controller's bounds inside html_host (0, 0, page width, page height).
    Rect webview_bounds;

    const Rect& operator[](MainControl control) const { return rects[index_of(control)]; }
};

// Negative client sizes count as 0; dpi 0 counts as 96.
MainLayout compute_main_layout(int client_width, int client_height, bool advanced_view, std::uint32_t dpi);

// WM_GETMINMAXINFO's ptMinTrackSize: 820 x 600 at 96 DPI.
Size minimum_track_size(std::uint32_t dpi);

// The outer size the main window is created with: 1050 x 720 at 96 DPI.
Size initial_window_size(std::uint32_t dpi);

}  // namespace cw
