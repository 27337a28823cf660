#pragma once
// Packed DIBs from the clipboard, checked before GDI sees them: GDI trusts the header and reads as
// many pixel bytes as it describes, so a short or lying block must be refused here. A 32-bit DIB
// that carries alpha is composited over a background here too, since a device-dependent bitmap
// would drop the alpha and show transparent areas black.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"

namespace cw {

inline constexpr std::string_view DIB_INCOMPLETE_TEXT = "The DIB is incomplete or too large to preview.";
inline constexpr std::string_view DIB_HEADER_INVALID_TEXT = "The DIB header is invalid.";
inline constexpr std::string_view DIB_PIXEL_OFFSET_INVALID_TEXT = "The DIB pixel offset is invalid.";

inline constexpr std::uint32_t DIB_BI_RGB = 0;
inline constexpr std::uint32_t DIB_BI_RLE8 = 1;
inline constexpr std::uint32_t DIB_BI_RLE4 = 2;
inline constexpr std::uint32_t DIB_BI_BITFIELDS = 3;
inline constexpr std::uint32_t DIB_BI_ALPHABITFIELDS = 6;

// What of a DIB header the preview needs, after every check passed.
struct DibLayout {
    std::uint32_t header_size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: top-down
    std::uint16_t bit_count = 0;
    std::uint32_t compression = 0;
    std::uint64_t pixel_offset = 0;
    std::uint64_t stride = 0;  // 0 for compressed pixel data
    // Masks of a 32-bit DIB whose alpha the preview composites; alpha_mask is 0 otherwise.
    std::uint32_t red_mask = 0;
    std::uint32_t green_mask = 0;
    std::uint32_t blue_mask = 0;
    std::uint32_t alpha_mask = 0;

    std::uint32_t rows() const { return height < 0 ? 0U - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height); }
    bool top_down() const { return height < 0; }
    bool has_alpha() const { return alpha_mask != 0; }
};

// header size + colour masks after a 40-byte header + 4 x colour-table entries. A bit count of 0
// (JPEG or PNG pixel data) has no colour table.
std::uint64_t dib_pixel_offset(std::uint32_t header_size, std::uint16_t bit_count, std::uint32_t compression,
                               std::uint32_t colours_used);

// The checks, in order: the copy is whole and at least a header long; the header size; the pixel
// offset; the dimensions (no zero width, no height of -2^31, a decoded size within the preview
// cap); the pixel array (stride x rows for uncompressed data, the declared image size for
// compressed data) lies inside the copy after the pixel offset.
Result<DibLayout> check_dib_for_preview(ByteView dib, std::uint64_t total_size);

// The pixels of a DIB with alpha as B, G, R, A with straight alpha, top-down. A DIB whose alpha
// is 0 everywhere is opaque: programs that never fill the alpha channel leave it so, and their
// pictures would otherwise vanish.
std::vector<std::uint8_t> dib_alpha_pixels(ByteView dib, const DibLayout& layout);

// The same pixels as B, G, R, 0, each composited over `background` (a COLORREF).
std::vector<std::uint8_t> composite_dib_alpha(ByteView dib, const DibLayout& layout, std::uint32_t background);

}  // namespace cw
