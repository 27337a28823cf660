#pragma once
// Encoded images (PNG, GIF, JPEG, TIFF, ...) decoded by the Windows Imaging Component into a
// 32-bit top-down DIB section, and the white canvas the metafile producers draw on.

#include <optional>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"
#include "base/handles_win.h"
#include "preview/image_decode.h"

namespace cw {

// A decoded picture as B, G, R, A with straight alpha, rows top first.
struct DecodedPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgra;
};

// The first frame of `bytes`, scaled to `target_size` when given, within the decoded-image cap.
// Needs COM initialised on this thread.
Result<DecodedPixels> decode_image_pixels(ByteView bytes, std::optional<ImageSize> target_size);

// The first frame of `bytes`, scaled to `target_size` when given, composited over `background`
// (a COLORREF). The caller owns the returned HBITMAP. Needs COM initialised on this thread.
Result<UniqueGdiObject> decode_image(ByteView bytes, std::optional<ImageSize> target_size, COLORREF background);

// A 32-bit top-down DIB section holding `bgrx` (B, G, R, 0 per pixel, rows top first).
Result<UniqueGdiObject> create_top_down_bitmap(int width, int height, const std::vector<std::uint8_t>& bgrx);

// A white 32-bit top-down DIB section selected into a memory DC of its own. Destroying the canvas
// restores the DC's previous object, deletes the DC and deletes the bitmap unless finish() handed
// it over.
class CanvasBitmap {
public:
    CanvasBitmap(UniqueGdiObject bitmap, HDC dc, HGDIOBJ previous);
    CanvasBitmap(CanvasBitmap&& other) noexcept;
    CanvasBitmap& operator=(CanvasBitmap&&) = delete;
    CanvasBitmap(const CanvasBitmap&) = delete;
    CanvasBitmap& operator=(const CanvasBitmap&) = delete;
    ~CanvasBitmap();

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return static_cast<HBITMAP>(bitmap_.get()); }
    HGDIOBJ previous() const { return previous_; }
    // Restores the previous object, deletes the DC and returns the bitmap, ready to be shown.
    UniqueGdiObject finish();

private:
    void release_dc();

    UniqueGdiObject bitmap_;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

Result<CanvasBitmap> create_canvas_bitmap(int width, int height);

}  // namespace cw
