#pragma once
// The pure half of image decoding: the size limits with their messages, and straight-alpha pixels
// composited over a background colour.

#include <cstdint>
#include <span>
#include <string_view>

#include "base/error.h"

namespace cw {

// The decoded 32-bit pixel buffer may not exceed this (67,108,864 pixels).
inline constexpr std::uint64_t MAX_DECODED_IMAGE_BYTES = 0x10000000;
// Decoded widths must stay below this, so that a row's byte count fits a 32-bit stride.
inline constexpr std::uint32_t DECODED_IMAGE_WIDTH_LIMIT = 0x40000000;

inline constexpr std::string_view ENCODED_IMAGE_INVALID_TEXT = "The encoded image data is invalid.";
inline constexpr std::string_view IMAGE_STREAM_FAILED_TEXT = "Windows could not create an image decoding stream.";
inline constexpr std::string_view SCALED_SIZE_INVALID_TEXT = "The scaled image dimensions are invalid.";
inline constexpr std::string_view DECODED_WIDTH_TOO_LARGE_TEXT = "The decoded image dimensions are too large.";
inline constexpr std::string_view DECODED_IMAGE_TOO_LARGE_TEXT = "The decoded image is too large to preview.";
inline constexpr std::string_view DECODED_SIZE_INVALID_TEXT = "The decoded image dimensions are invalid.";

struct ImageSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Empty input, or more than a 32-bit count can describe, is refused before any decoder sees it.
Status check_encoded_image_length(std::uint64_t byte_count);
// A scaler cannot produce an image with a side of 0.
Status check_target_size(ImageSize target);
// The decoder's reported size: width limit, then the pixel-buffer cap, then empty or
// negative-as-signed sides, in that order.
Status check_decoded_size(ImageSize size);

// (alpha * value + (255 - alpha) * background + 127) / 255: the nearest integer.
constexpr std::uint8_t composite_channel(std::uint8_t value, std::uint8_t alpha, std::uint8_t background)
{
    return static_cast<std::uint8_t>((unsigned{alpha} * value + (255U - alpha) * background + 127U) / 255U);
}

// B, G, R, A pixels with straight alpha become B, G, R, 0 over `background`, a COLORREF
// (0x00BBGGRR). A trailing partial pixel is left alone.
void composite_over_background(std::span<std::uint8_t> bgra, std::uint32_t background);

}  // namespace cw
