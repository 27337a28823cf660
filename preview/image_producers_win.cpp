#include "preview/image_producers_win.h"

#include <string>

#include "base/error_win.h"
#include "preview/dib.h"
#include "preview/image_decode.h"
#include "preview/image_decode_win.h"
#include "preview/metafile.h"

namespace cw {

namespace {

constexpr COLORREF WHITE = 0x00FFFFFF;

}  // namespace

Result<UniqueGdiObject> copy_clipboard_bitmap(HBITMAP bitmap)
{
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof info, &info)) return last_error_or_failure();
    const std::uint64_t height = info.bmHeight < 0 ? 0ULL - info.bmHeight : info.bmHeight;
    if (info.bmWidth > 0 && 4ULL * static_cast<std::uint64_t>(info.bmWidth) * height > MAX_DECODED_IMAGE_BYTES)
        return Error::invalid_data(std::string(DECODED_IMAGE_TOO_LARGE_TEXT));
    UniqueGdiObject copy(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!copy) return last_error_or_failure();
    return copy;
}

Result<UniqueGdiObject> bitmap_from_dib(HWND window, ByteView bytes, std::uint64_t total_size)
{
    Result<DibLayout> layout = check_dib_for_preview(bytes, total_size);
    if (!layout) return layout.error();
    if (layout->has_alpha())
        return create_top_down_bitmap(layout->width, static_cast<int>(layout->rows()),
                                      composite_dib_alpha(bytes, *layout, WHITE));

    HDC dc = GetDC(window);
    if (!dc) return last_error_or_failure();
    // The checks above keep GDI's reads of the header, colour table and pixels inside the copy.
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data());
    UniqueGdiObject bitmap(
        CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, bytes.data() + layout->pixel_offset, info, DIB_RGB_COLORS));
    const Error error = bitmap ? Error{} : last_error_or_failure();
    ReleaseDC(window, dc);
    if (!bitmap) return error;
    return bitmap;
}

Result<UniqueGdiObject> render_metafile_picture(HANDLE picture)
{
    // A block too small for the structure leaves no last error to report.
    if (GlobalSize(picture) < METAFILE_PICT_SIZE) return Error::from_win32(ERROR_INVALID_DATA);
    std::optional<MetafilePicture> fields;
    {
        GlobalLockGuard lock(picture);
        if (!lock) return last_error_or_failure();
        fields = read_metafile_picture(ByteView(static_cast<const std::uint8_t*>(lock.data()), METAFILE_PICT_SIZE));
    }
    const CanvasSize size = metafile_picture_canvas(fields->x_extent, fields->y_extent);
    Result<CanvasBitmap> canvas = create_canvas_bitmap(size.width, size.height);
    if (!canvas) return canvas.error();
    const HDC dc = canvas->dc();
    // Cosmetic for fixed mapping modes, which ignore the extents.
    SetMapMode(dc, fields->mapping_mode);
    SetWindowExtEx(dc, fields->x_extent, fields->y_extent, nullptr);
    SetViewportExtEx(dc, size.width, size.height, nullptr);
    const auto metafile = reinterpret_cast<HMETAFILE>(static_cast<std::uintptr_t>(fields->metafile));
    if (!PlayMetaFile(dc, metafile)) return last_error_or_failure();
    return canvas->finish();
}

Result<UniqueGdiObject> render_enhanced_metafile(HENHMETAFILE metafile)
{
    ENHMETAHEADER header{};
    if (!GetEnhMetaFileHeader(metafile, sizeof header, &header)) return last_error_or_failure();
    const RECTL& b = header.rclBounds;
    const CanvasSize size = enhanced_metafile_canvas(b.left, b.top, b.right, b.bottom);
    Result<CanvasBitmap> canvas = create_canvas_bitmap(size.width, size.height);
    if (!canvas) return canvas.error();
    const RECT whole{0, 0, size.width, size.height};
    if (!PlayEnhMetaFile(canvas->dc(), metafile, &whole)) return last_error_or_failure();
    return canvas->finish();
}

}  // namespace cw
