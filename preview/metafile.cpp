#include "preview/metafile.h"

#include <algorithm>
#include <cstdlib>

namespace cw {

namespace {

constexpr std::int32_t MM_ISOTROPIC_MODE = 7;
constexpr std::int32_t MM_ANISOTROPIC_MODE = 8;
constexpr std::uint16_t META_SETWINDOWORG = 0x020B;
constexpr std::uint16_t META_SETWINDOWEXT = 0x020C;
constexpr std::uint32_t PLACEABLE_KEY = 0x9AC6CDD7;
constexpr std::int64_t HIMETRIC_PER_INCH = 2540;

std::uint32_t magnitude(std::int32_t v)
{
    // Unsigned negation: the most negative value becomes 2^31 instead of overflowing.
    return v < 0 ? 0U - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

// Logical units per inch of the fixed mapping modes; MM_TEXT and unknown modes count as pixels.
std::int64_t units_per_inch(std::int32_t mapping_mode)
{
    switch (mapping_mode) {
        case 2: return 254;    // MM_LOMETRIC
        case 3: return 2540;   // MM_HIMETRIC
        case 4: return 100;    // MM_LOENGLISH
        case 5: return 1000;   // MM_HIENGLISH
        case 6: return 1440;   // MM_TWIPS
        default: return 96;
    }
}

std::int16_t to_i16(std::int64_t v)
{
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767));
}

}  // namespace

std::optional<MetafilePicture> read_metafile_picture(ByteView block)
{
    const ByteReader r(block);
    if (block.size() < METAFILE_PICT_SIZE) return std::nullopt;
    return MetafilePicture{*r.i32le(0), *r.i32le(4), *r.i32le(8), *r.u64le(16)};
}

int capped_extent(std::int32_t extent, std::uint32_t cap)
{
    if (extent == 0) return 1;
    return static_cast<int>(std::min(magnitude(extent), cap));
}

CanvasSize metafile_picture_canvas(std::int32_t x_extent, std::int32_t y_extent)
{
    return {capped_extent(x_extent, METAFILE_PICTURE_MAX_WIDTH), capped_extent(y_extent, METAFILE_PICTURE_MAX_HEIGHT)};
}

CanvasSize enhanced_metafile_canvas(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    const auto difference = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
    };
    return {capped_extent(difference(right, left), ENHANCED_METAFILE_MAX_WIDTH),
            capped_extent(difference(bottom, top), ENHANCED_METAFILE_MAX_HEIGHT)};
}

std::optional<MetafileWindow> read_metafile_window(ByteView bits)
{
    const ByteReader r(bits);
    const auto header_words = r.u16le(2);
    if (!header_words) return std::nullopt;
    std::optional<MetafileWindow> window;
    bool have_origin = false;
    MetafileWindow found;
    // Every record is at least 3 words long, so the walk ends within size / 6 steps.
    for (std::uint64_t at = 2ULL * *header_words; r.has(at, 6);) {
        const std::uint64_t words = *r.u32le(at);
        const std::uint16_t function = *r.u16le(at + 4);
        if (words < 3 || !r.has(at, 2 * words) || function == 0) break;
        if ((function == META_SETWINDOWORG || function == META_SETWINDOWEXT) && words >= 5) {
            // Parameters are stored in reverse order: y, then x.
            const std::int16_t y = *r.i16le(at + 6);
            const std::int16_t x = *r.i16le(at + 8);
            if (function == META_SETWINDOWORG && !have_origin) {
                found.x = x;
                found.y = y;
                have_origin = true;
            } else if (function == META_SETWINDOWEXT && !window) {
                found.width = x;
                found.height = y;
                window = found;
            }
        }
        at += 2 * words;
    }
    if (window) {
        window->x = found.x;
        window->y = found.y;
    }
    return window;
}

std::array<std::uint8_t, PLACEABLE_HEADER_SIZE> placeable_metafile_header(const MetafilePicture& picture, ByteView bits)
{
    std::int16_t left = 0, top = 0, right = 0, bottom = 0;
    const std::optional<MetafileWindow> window = read_metafile_window(bits);
    if (window) {
        left = window->x;
        top = window->y;
        right = to_i16(std::int64_t{window->x} + window->width);
        bottom = to_i16(std::int64_t{window->y} + window->height);
    } else {
        right = to_i16(capped_extent(picture.x_extent, 32767));
        bottom = to_i16(capped_extent(picture.y_extent, 32767));
    }
    // Positive extents in the scalable modes are the picture's width in HIMETRIC: units per inch
    // follow from the box's width in logical units.
    std::int64_t inch = units_per_inch(picture.mapping_mode);
    const bool scalable = picture.mapping_mode == MM_ISOTROPIC_MODE || picture.mapping_mode == MM_ANISOTROPIC_MODE;
    const std::int64_t box_width = std::abs(std::int64_t{right} - left);
    if (scalable && picture.x_extent > 0 && box_width > 0)
        inch = box_width * HIMETRIC_PER_INCH / picture.x_extent;
    inch = std::clamp<std::int64_t>(inch, 1, 65535);

    std::array<std::uint8_t, PLACEABLE_HEADER_SIZE> h{};
    put_u16le(&h[0], PLACEABLE_KEY & 0xFFFF);
    put_u16le(&h[2], PLACEABLE_KEY >> 16);
    // h[4..5]: the metafile handle, always 0 in a file.
    put_u16le(&h[6], static_cast<std::uint16_t>(left));
    put_u16le(&h[8], static_cast<std::uint16_t>(top));
    put_u16le(&h[10], static_cast<std::uint16_t>(right));
    put_u16le(&h[12], static_cast<std::uint16_t>(bottom));
    put_u16le(&h[14], static_cast<std::uint16_t>(inch));
    // h[16..19]: reserved.
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= static_cast<std::uint16_t>(h[i] | h[i + 1] << 8);
    put_u16le(&h[20], checksum);
    return h;
}

}  // namespace cw
