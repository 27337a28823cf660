#pragma once
// The image producers for the clipboard's GDI and DIB formats. Each returns a bitmap the caller
// owns; the clipboard's own handles are only read, never freed or selected into a DC.

#include "base/byte_reader.h"
#include "base/error.h"
#include "base/handles_win.h"

namespace cw {

// CF_BITMAP: a DIB-section copy. Bitmaps beyond the decoded-image cap are refused.
Result<UniqueGdiObject> copy_clipboard_bitmap(HBITMAP bitmap);

// CF_DIB and CF_DIBV5: `bytes` is the copy, `total_size` the block's size. Checked first, then a
// device-dependent bitmap for `window`'s screen, or, for a 32-bit DIB with alpha, a DIB section
// composited over white.
Result<UniqueGdiObject> bitmap_from_dib(HWND window, ByteView bytes, std::uint64_t total_size);

// CF_METAFILEPICT: the picture played into a canvas of its extents (at most 1000 x 800).
Result<UniqueGdiObject> render_metafile_picture(HANDLE picture);

// CF_ENHMETAFILE: the picture stretched into a canvas of its bounds (at most 1600 x 1200).
Result<UniqueGdiObject> render_enhanced_metafile(HENHMETAFILE metafile);

}  // namespace cw
