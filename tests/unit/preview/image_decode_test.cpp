#include "preview/image_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace cw {
namespace {

void expect_error(const Status& status, std::optional<std::string_view> message)
{
    if (!message) {
        EXPECT_TRUE(status.ok());
        return;
    }
    ASSERT_FALSE(status.ok()) << *message;
    EXPECT_EQ(status.error().ucode(), 0x8007000DU);
    EXPECT_EQ(status.error().message.value_or(""), *message);
}

TEST(ImageDecodeLimits, EncodedLengthAndTargetSize)
{
    expect_error(check_encoded_image_length(0), ENCODED_IMAGE_INVALID_TEXT);
    expect_error(check_encoded_image_length(1), std::nullopt);
    expect_error(check_encoded_image_length(0xFFFFFFFFULL), std::nullopt);
    expect_error(check_encoded_image_length(0x100000000ULL), ENCODED_IMAGE_INVALID_TEXT);

    expect_error(check_target_size({149, 48}), std::nullopt);
    expect_error(check_target_size({0, 48}), SCALED_SIZE_INVALID_TEXT);
    expect_error(check_target_size({149, 0}), SCALED_SIZE_INVALID_TEXT);
}

TEST(ImageDecodeLimits, DecodedSizeChecksRunInTheirOrder)
{
    struct Case {
        ImageSize size;
        std::optional<std::string_view> message;
    };
    const Case cases[] = {
        {{8192, 8192}, std::nullopt},  // exactly 268,435,456 bytes
        {{8192, 8193}, DECODED_IMAGE_TOO_LARGE_TEXT},
        {{67108864, 1}, std::nullopt},
        {{67108865, 1}, DECODED_IMAGE_TOO_LARGE_TEXT},
        {{1, 67108864}, std::nullopt},
        {{1, 1}, std::nullopt},
        // The width limit comes first, even when the height is 0.
        {{0x40000000, 0}, DECODED_WIDTH_TOO_LARGE_TEXT},
        {{0xFFFFFFFF, 1}, DECODED_WIDTH_TOO_LARGE_TEXT},
        {{0x3FFFFFFF, 1}, DECODED_IMAGE_TOO_LARGE_TEXT},
        // A huge height with a real width overflows the cap before it counts as negative.
        {{1, 0x80000000}, DECODED_IMAGE_TOO_LARGE_TEXT},
        {{0x3FFFFFFF, 0xFFFFFFFF}, DECODED_IMAGE_TOO_LARGE_TEXT},
        {{0, 0x80000000}, DECODED_SIZE_INVALID_TEXT},
        {{0, 5}, DECODED_SIZE_INVALID_TEXT},
        {{5, 0}, DECODED_SIZE_INVALID_TEXT},
        {{0, 0}, DECODED_SIZE_INVALID_TEXT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size.width << " x " << c.size.height);
        expect_error(check_decoded_size(c.size), c.message);
    }
}

TEST(ImageCompositing, EveryChannelRoundsToTheNearestValue)
{
    // 255 is odd, so a blend never lies exactly halfway and nearest rounding is unambiguous.
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned v = 0; v < 256; ++v)
            for (unsigned k = 0; k < 256; k += 17) {
                const auto expected = std::lround((a * v + (255.0 - a) * k) / 255.0);
                ASSERT_EQ(composite_channel(v, a, k), expected) << "a=" << a << " v=" << v << " k=" << k;
            }
}

TEST(ImageCompositing, PixelsTakeTheBackgroundPerChannelAndLoseTheirAlpha)
{
    // COLORREF 0x00BBGGRR: red 0x11, green 0x22, blue 0x33.
    const std::uint32_t background = 0x00332211;
    std::vector<std::uint8_t> pixels = {
        0,   0,   0,   128,  // black at half coverage
        10,  20,  30,  255,  // opaque keeps its colour
        200, 150, 100, 0,    // transparent becomes the background
        255, 255, 255, 1,    // almost transparent
        7,   7,              // a partial pixel is left as it is
    };
    composite_over_background(pixels, background);
    const std::vector<std::uint8_t> expected = {
        0x19, 0x11, 0x08, 0,  //
        10,   20,   30,   0,  //
        0x33, 0x22, 0x11, 0,  //
        0x34, 0x23, 0x12, 0,  //
        7,    7,
    };
    EXPECT_EQ(pixels, expected);

    std::vector<std::uint8_t> over_white = {0, 0, 0, 128};
    composite_over_background(over_white, 0xFFFFFF);
    EXPECT_EQ(over_white, (std::vector<std::uint8_t>{127, 127, 127, 0}));
}

}  // namespace
}  // namespace cw
