#include "preview/image_decode.h"

#include <string>

namespace cw {

namespace {
Error invalid(std::string_view text)
{
    return Error::invalid_data(std::string(text));
}
}  // namespace

Status check_encoded_image_length(std::uint64_t byte_count)
{
    if (byte_count == 0 || byte_count > 0xFFFFFFFFULL) return invalid(ENCODED_IMAGE_INVALID_TEXT);
    return ok_status();
}

Status check_target_size(ImageSize target)
{
    if (target.width == 0 || target.height == 0) return invalid(SCALED_SIZE_INVALID_TEXT);
    return ok_status();
}

Status check_decoded_size(ImageSize size)
{
    if (size.width >= DECODED_IMAGE_WIDTH_LIMIT) return invalid(DECODED_WIDTH_TOO_LARGE_TEXT);
    // Both factors are below 2^32 and the width below 2^30, so the product fits 64 bits.
    if (4ULL * size.width * size.height > MAX_DECODED_IMAGE_BYTES) return invalid(DECODED_IMAGE_TOO_LARGE_TEXT);
    if (size.width == 0 || size.height == 0 || size.height >= 0x80000000U) return invalid(DECODED_SIZE_INVALID_TEXT);
    return ok_status();
}

void composite_over_background(std::span<std::uint8_t> bgra, std::uint32_t background)
{
    const std::uint8_t red = background & 0xFF;
    const std::uint8_t green = (background >> 8) & 0xFF;
    const std::uint8_t blue = (background >> 16) & 0xFF;
    for (std::size_t i = 0; i + 4 <= bgra.size(); i += 4) {
        const std::uint8_t alpha = bgra[i + 3];
        bgra[i] = composite_channel(bgra[i], alpha, blue);
        bgra[i + 1] = composite_channel(bgra[i + 1], alpha, green);
        bgra[i + 2] = composite_channel(bgra[i + 2], alpha, red);
        bgra[i + 3] = 0;
    }
}

}  // namespace cw
