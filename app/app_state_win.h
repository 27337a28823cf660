#pragma once
// The main window's state, created by start-up, stored in the window's user data and torn down
// after the message loop. It owns every GDI object and COM reference it holds.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_controls.h"
#include "base/handles_win.h"
#include "capture/snapshot.h"
#include "preview/audio_win.h"
#include "preview/image_view_win.h"
#include "preview/webview_preview_win.h"
#include "report/report.h"

namespace cw {

struct AppState {
    // Settings
    std::u16string target_folder;
    bool advanced_view = false;
    bool dark_mode = true;
    unsigned window_dpi = 96;

    // Snapshot and selection
    ClipboardSnapshot snapshot;
    std::vector<std::size_t> row_format_indices;
    std::optional<std::size_t> selected_format;

    // Controls, indexed by MainControl
    HWND main_window = nullptr;
    std::array<HWND, MAIN_CONTROL_COUNT> controls{};
    HWND control(MainControl c) const { return controls[index_of(c)]; }

    // Theme resources
    UniqueGdiObject window_brush;
    UniqueGdiObject input_brush;
    UniqueGdiObject separator_brush;
    UniqueGdiObject normal_font;
    UniqueGdiObject title_font;
    UniqueGdiObject small_font;
    UniqueGdiObject logo_bitmap;

    // Image preview
    ImageViewState image_view;

    // Audio preview: the sound, its open playback, the next start position and the waveform bitmap
    AudioPreview audio_preview;

    // HTML preview
    std::string html_document;
    // Shared with pending asynchronous completions, which do nothing once it is false.
    std::shared_ptr<bool> window_alive = std::make_shared<bool>(true);
    WebViewPreview web_preview;

    // Table preview: the captions the header painter draws, and the table the list shows (the
    // list holds only the row count and asks for the cells it needs).
    std::vector<std::string> table_columns;
    PropertyTable table_shown;
    // The source page gets the table's text when it is first shown.
    bool table_source_pending = false;
};

}  // namespace cw
