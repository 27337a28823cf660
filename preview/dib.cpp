#include "preview/dib.h"

#include <bit>
#include <limits>
#include <string>

#include "preview/image_decode.h"

namespace cw {

namespace {

constexpr std::uint32_t INFO_HEADER_SIZE = 40;
// A BITMAPV3INFOHEADER and later carry the alpha mask at this offset; so do the four masks that
// follow a 40-byte header with BI_ALPHABITFIELDS.
constexpr std::uint32_t ALPHA_MASK_OFFSET = 52;

Error invalid(std::string_view text)
{
    return Error::invalid_data(std::string(text));
}

bool is_uncompressed(std::uint32_t compression)
{
    return compression == DIB_BI_RGB || compression == DIB_BI_BITFIELDS || compression == DIB_BI_ALPHABITFIELDS;
}

bool bit_count_fits(std::uint32_t compression, std::uint16_t bits)
{
    if (compression == DIB_BI_RGB) return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return bits == 16 || bits == 32;
}

// The colour masks of a 32-bit DIB that has an alpha mask; all zero when it has none.
void read_alpha_masks(const ByteReader& dib, DibLayout& layout)
{
    if (layout.bit_count != 32) return;
    const bool masks_after_header = layout.header_size == INFO_HEADER_SIZE && layout.compression == DIB_BI_ALPHABITFIELDS;
    const bool masks_in_header = layout.header_size >= ALPHA_MASK_OFFSET + 4 &&
                                 (layout.compression == DIB_BI_RGB || layout.compression == DIB_BI_BITFIELDS);
    if (!masks_after_header && !masks_in_header) return;
    const std::uint32_t alpha = dib.u32le(ALPHA_MASK_OFFSET).value_or(0);
    if (alpha == 0) return;
    if (layout.compression == DIB_BI_RGB) {
        // The colour masks only count with bit fields; BI_RGB is always 8 bits each.
        layout.red_mask = 0x00FF0000;
        layout.green_mask = 0x0000FF00;
        layout.blue_mask = 0x000000FF;
    } else {
        layout.red_mask = dib.u32le(40).value_or(0);
        layout.green_mask = dib.u32le(44).value_or(0);
        layout.blue_mask = dib.u32le(48).value_or(0);
    }
    layout.alpha_mask = alpha;
}

// The masked field scaled to 0..255.
std::uint8_t channel(std::uint32_t pixel, std::uint32_t mask)
{
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const std::uint32_t field_mask = mask >> shift;
    const std::uint32_t value = (pixel & mask) >> shift;
    const int bits = std::bit_width(field_mask);
    if (bits >= 8) return static_cast<std::uint8_t>(value >> (bits - 8));
    return static_cast<std::uint8_t>(value * 255U / field_mask);
}

}  // namespace

std::uint64_t dib_pixel_offset(std::uint32_t header_size, std::uint16_t bit_count, std::uint32_t compression,
                               std::uint32_t colours_used)
{
    // Larger headers carry their colour masks inside.
    std::uint64_t mask_bytes = 0;
    if (header_size == INFO_HEADER_SIZE && compression == DIB_BI_BITFIELDS) mask_bytes = 12;
    if (header_size == INFO_HEADER_SIZE && compression == DIB_BI_ALPHABITFIELDS) mask_bytes = 16;
    std::uint64_t palette_entries = colours_used;
    if (palette_entries == 0 && bit_count >= 1 && bit_count <= 8) palette_entries = std::uint64_t{1} << bit_count;
    // At most 2^32 + 16 + 2^34: no overflow in 64 bits.
    return header_size + mask_bytes + 4 * palette_entries;
}

Result<DibLayout> check_dib_for_preview(ByteView dib, std::uint64_t total_size)
{
    const ByteReader reader(dib);
    if (dib.size() < total_size || dib.size() < INFO_HEADER_SIZE) return invalid(DIB_INCOMPLETE_TEXT);
    DibLayout layout;
    layout.header_size = *reader.u32le(0);
    if (layout.header_size < INFO_HEADER_SIZE || layout.header_size > dib.size()) return invalid(DIB_HEADER_INVALID_TEXT);
    layout.width = *reader.i32le(4);
    layout.height = *reader.i32le(8);
    layout.bit_count = *reader.u16le(14);
    layout.compression = *reader.u32le(16);
    const std::uint32_t image_size = *reader.u32le(20);
    layout.pixel_offset = dib_pixel_offset(layout.header_size, layout.bit_count, layout.compression, *reader.u32le(32));
    if (layout.pixel_offset >= dib.size()) return invalid(DIB_PIXEL_OFFSET_INVALID_TEXT);

    if (layout.width <= 0 || layout.height == 0) return invalid(DIB_HEADER_INVALID_TEXT);
    if (layout.height == std::numeric_limits<std::int32_t>::min()) return invalid(DIB_INCOMPLETE_TEXT);
    // Whatever the source depth, GDI may hold the picture at 32 bits per pixel; both factors are
    // below 2^31, so the product fits 64 bits.
    if (4ULL * static_cast<std::uint64_t>(layout.width) * layout.rows() > MAX_DECODED_IMAGE_BYTES)
        return invalid(DIB_INCOMPLETE_TEXT);

    std::uint64_t pixel_bytes = image_size;
    if (is_uncompressed(layout.compression)) {
        if (!bit_count_fits(layout.compression, layout.bit_count)) return invalid(DIB_HEADER_INVALID_TEXT);
        layout.stride = (static_cast<std::uint64_t>(layout.width) * layout.bit_count + 31) / 32 * 4;
        pixel_bytes = layout.stride * layout.rows();
    } else if (image_size == 0) {
        // Run-length and embedded data end where their own codes say; without a declared size
        // nothing bounds how far GDI would read.
        return invalid(DIB_INCOMPLETE_TEXT);
    }
    if (!range_fits(layout.pixel_offset, pixel_bytes, dib.size())) return invalid(DIB_INCOMPLETE_TEXT);
    read_alpha_masks(reader, layout);
    return layout;
}

std::vector<std::uint8_t> dib_alpha_pixels(ByteView dib, const DibLayout& layout)
{
    const std::size_t width = static_cast<std::size_t>(layout.width);
    const std::size_t rows = layout.rows();
    const std::uint8_t* base = dib.data() + layout.pixel_offset;
    const auto pixel_at = [&](std::size_t row, std::size_t x) {
        const std::size_t source_row = layout.top_down() ? row : rows - 1 - row;
        const std::uint8_t* p = base + source_row * layout.stride + 4 * x;
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    };
    bool any_alpha = false;
    for (std::size_t row = 0; row < rows && !any_alpha; ++row)
        for (std::size_t x = 0; x < width && !any_alpha; ++x) any_alpha = (pixel_at(row, x) & layout.alpha_mask) != 0;

    std::vector<std::uint8_t> out(4 * width * rows);
    std::size_t i = 0;
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t x = 0; x < width; ++x, i += 4) {
            const std::uint32_t pixel = pixel_at(row, x);
            out[i] = channel(pixel, layout.blue_mask);
            out[i + 1] = channel(pixel, layout.green_mask);
            out[i + 2] = channel(pixel, layout.red_mask);
            out[i + 3] = any_alpha ? channel(pixel, layout.alpha_mask) : 255;
        }
    }
    return out;
}

std::vector<std::uint8_t> composite_dib_alpha(ByteView dib, const DibLayout& layout, std::uint32_t background)
{
    std::vector<std::uint8_t> pixels = dib_alpha_pixels(dib, layout);
    composite_over_background(pixels, background);
    return pixels;
}

}  // namespace cw
