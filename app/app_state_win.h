#pragma once
// The main window's state, owned by start-up and stored in the window's user data.

#include <memory>
#include <string>

#include "app/win32.h"
#include "capture/snapshot.h"

namespace cw {

struct AppState {
    // Start-up
    std::wstring target_folder;
    unsigned window_dpi = 96;
    bool dark_mode = true;
    int zoom_percent = 100;
    int scroll_x = 0;
    int scroll_y = 0;
    // Shared with pending asynchronous completions, which do nothing once it is false.
    std::shared_ptr<bool> window_alive = std::make_shared<bool>(true);

    // Window
    HWND main_window = nullptr;

    // Clipboard snapshot
    ClipboardSnapshot snapshot;
    std::string heading;
    std::string detail_text;
};

}  // namespace cw
