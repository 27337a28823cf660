#pragma once
// Sizes of the canvases metafiles are played into, and the placeable header that turns a
// Windows metafile's bits into a .wmf file other programs open.

#include <array>
#include <cstdint>
#include <optional>

#include "base/byte_reader.h"

namespace cw {

inline constexpr std::uint32_t METAFILE_PICTURE_MAX_WIDTH = 1000;
inline constexpr std::uint32_t METAFILE_PICTURE_MAX_HEIGHT = 800;
inline constexpr std::uint32_t ENHANCED_METAFILE_MAX_WIDTH = 1600;
inline constexpr std::uint32_t ENHANCED_METAFILE_MAX_HEIGHT = 1200;
// mm, xExt, yExt and the 64-bit metafile handle at offset 16.
inline constexpr std::size_t METAFILE_PICT_SIZE = 24;

struct CanvasSize {
    int width = 1;
    int height = 1;
    bool operator==(const CanvasSize&) const = default;
};

// The fields of a METAFILEPICT block that the preview uses; none when it is under 24 bytes.
struct MetafilePicture {
    std::int32_t mapping_mode = 0;
    std::int32_t x_extent = 0;
    std::int32_t y_extent = 0;
    std::uint64_t metafile = 0;
};
std::optional<MetafilePicture> read_metafile_picture(ByteView block);

// 1 for an extent of 0, else its magnitude (the most negative value counts as large) up to the cap.
int capped_extent(std::int32_t extent, std::uint32_t cap);

CanvasSize metafile_picture_canvas(std::int32_t x_extent, std::int32_t y_extent);

// From rclBounds; the differences wrap around in 32 bits as the bounds are taken as pixels.
CanvasSize enhanced_metafile_canvas(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

inline constexpr std::size_t PLACEABLE_HEADER_SIZE = 22;

// The logical window a metafile's records set up (its first SetWindowOrg and SetWindowExt), if
// it sets an extent; the record walk stops at the first malformed record.
struct MetafileWindow {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
};
std::optional<MetafileWindow> read_metafile_window(ByteView bits);

// The 22-byte header a .wmf file starts with: key 0x9AC6CDD7, the bounding box in the records'
// logical units (their window when they set one, else the picture's extents), the logical units
// per inch that keep the picture's physical size, and the checksum of the first ten 16-bit words.
std::array<std::uint8_t, PLACEABLE_HEADER_SIZE> placeable_metafile_header(const MetafilePicture& picture,
                                                                          ByteView bits);

}  // namespace cw
