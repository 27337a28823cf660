#include "preview/dib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace cw {
namespace {

struct DibSpec {
    std::uint32_t header_size = 40;
    std::int32_t width = 2;
    std::int32_t height = 2;
    std::uint16_t bit_count = 24;
    std::uint32_t compression = 0;
    std::uint32_t image_size = 0;
    std::uint32_t colours_used = 0;
    std::size_t extra = 0;         // bytes after the header: masks, colour table, pixels
    std::uint32_t alpha_mask = 0;  // written at offset 52 when the header or the masks reach it
};

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    std::memcpy(&b[at], &v, 4);
}

std::vector<std::uint8_t> make_dib(const DibSpec& s)
{
    std::vector<std::uint8_t> b(s.header_size + s.extra);
    put32(b, 0, s.header_size);
    put32(b, 4, static_cast<std::uint32_t>(s.width));
    put32(b, 8, static_cast<std::uint32_t>(s.height));
    b[12] = 1;
    b[14] = static_cast<std::uint8_t>(s.bit_count);
    b[15] = static_cast<std::uint8_t>(s.bit_count >> 8);
    put32(b, 16, s.compression);
    put32(b, 20, s.image_size);
    put32(b, 32, s.colours_used);
    if (b.size() >= 56) put32(b, 52, s.alpha_mask);
    return b;
}

std::vector<std::uint8_t> truncated(std::vector<std::uint8_t> b, std::size_t n)
{
    b.resize(n);
    return b;
}

TEST(DibPreviewGuard, EveryShapeGetsItsMessageOrALayout)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> dib;
        std::optional<std::string_view> message;
    };
    std::vector<std::uint8_t> cut_copy = make_dib({.extra = 16});
    const Case cases[] = {
        {"39 bytes", std::vector<std::uint8_t>(39), DIB_INCOMPLETE_TEXT},
        {"header size 12", make_dib({.header_size = 12, .extra = 40}), DIB_HEADER_INVALID_TEXT},
        {"header beyond the data", truncated(make_dib({.header_size = 124}), 100), DIB_HEADER_INVALID_TEXT},
        {"256 colours, ends after the table", make_dib({.bit_count = 8, .extra = 1024}), DIB_PIXEL_OFFSET_INVALID_TEXT},
        {"pixel array cut short", make_dib({.extra = 15}), DIB_INCOMPLETE_TEXT},
        {"whole 24-bit 2 x 2", make_dib({.extra = 16}), std::nullopt},
        {"top-down", make_dib({.height = -2, .extra = 16}), std::nullopt},
        {"zero width", make_dib({.width = 0, .extra = 16}), DIB_HEADER_INVALID_TEXT},
        {"negative width", make_dib({.width = -2, .extra = 16}), DIB_HEADER_INVALID_TEXT},
        {"zero height", make_dib({.height = 0, .extra = 16}), DIB_HEADER_INVALID_TEXT},
        {"height -2^31", make_dib({.height = std::numeric_limits<std::int32_t>::min(), .extra = 16}),
         DIB_INCOMPLETE_TEXT},
        {"product beyond the cap", make_dib({.width = 0x7FFFFFFF, .height = 0x7FFFFFFF, .bit_count = 1, .extra = 16}),
         DIB_INCOMPLETE_TEXT},
        {"8192 x 8193", make_dib({.width = 8192, .height = 8193, .bit_count = 1, .extra = 16}), DIB_INCOMPLETE_TEXT},
        {"bit count 7", make_dib({.bit_count = 7, .extra = 600}), DIB_HEADER_INVALID_TEXT},
        {"RLE8 size beyond the data", make_dib({.bit_count = 8, .compression = DIB_BI_RLE8, .image_size = 9,
                                                .colours_used = 1, .extra = 12}),
         DIB_INCOMPLETE_TEXT},
        {"RLE8 without a size", make_dib({.bit_count = 8, .compression = DIB_BI_RLE8, .colours_used = 1, .extra = 12}),
         DIB_INCOMPLETE_TEXT},
        {"RLE8 inside", make_dib({.bit_count = 8, .compression = DIB_BI_RLE8, .image_size = 8, .colours_used = 1,
                                  .extra = 12}),
         std::nullopt},
    };
    for (const Case& c : cases) {
        const Result<DibLayout> r = check_dib_for_preview(c.dib, c.dib.size());
        if (!c.message) {
            EXPECT_TRUE(r.ok()) << c.what << ": " << (r.ok() ? "" : r.error().message.value_or(""));
            continue;
        }
        ASSERT_FALSE(r.ok()) << c.what;
        EXPECT_EQ(r.error().ucode(), 0x8007000DU) << c.what;
        EXPECT_EQ(r.error().message.value_or(""), *c.message) << c.what;
    }
    // A copy cut at the read limit is refused even when its own header looks whole.
    EXPECT_EQ(check_dib_for_preview(cut_copy, cut_copy.size() + 1).error().message.value_or(""), DIB_INCOMPLETE_TEXT);
}

TEST(DibPreviewGuard, PixelOffsetAndAlphaMasks)
{
    EXPECT_EQ(dib_pixel_offset(40, 24, DIB_BI_RGB, 0), 40U);
    EXPECT_EQ(dib_pixel_offset(40, 8, DIB_BI_RGB, 0), 40U + 1024U);
    EXPECT_EQ(dib_pixel_offset(40, 32, DIB_BI_BITFIELDS, 0), 52U);
    EXPECT_EQ(dib_pixel_offset(40, 32, DIB_BI_ALPHABITFIELDS, 0), 56U);
    EXPECT_EQ(dib_pixel_offset(124, 32, DIB_BI_BITFIELDS, 0), 124U);
    EXPECT_EQ(dib_pixel_offset(40, 4, DIB_BI_RGB, 3), 52U);

    const auto layout = [](const DibSpec& s) { return *check_dib_for_preview(make_dib(s), make_dib(s).size()); };
    EXPECT_TRUE(layout({.header_size = 124, .bit_count = 32, .compression = DIB_BI_BITFIELDS, .extra = 16,
                        .alpha_mask = 0xFF000000})
                    .has_alpha());
    EXPECT_FALSE(layout({.header_size = 124, .bit_count = 32, .compression = DIB_BI_BITFIELDS, .extra = 16})
                     .has_alpha());
    EXPECT_TRUE(layout({.bit_count = 32, .compression = DIB_BI_ALPHABITFIELDS, .extra = 32,
                        .alpha_mask = 0xFF000000})
                    .has_alpha());
    // Masks after a 40-byte header with plain bit fields are three; offset 52 is pixel data.
    EXPECT_FALSE(layout({.bit_count = 32, .compression = DIB_BI_BITFIELDS, .extra = 28, .alpha_mask = 0xFF000000})
                     .has_alpha());
    EXPECT_FALSE(layout({.header_size = 124, .bit_count = 24, .extra = 16, .alpha_mask = 0xFF000000}).has_alpha());
}

TEST(DibPreviewAlpha, CompositesOverTheBackgroundTopDown)
{
    // A bottom-up 2 x 2 BITMAPV5 DIB: the bottom row is opaque red and transparent, the top row
    // half-transparent black and opaque blue.
    std::vector<std::uint8_t> dib = make_dib(
        {.header_size = 124, .bit_count = 32, .compression = DIB_BI_BITFIELDS, .extra = 16, .alpha_mask = 0xFF000000});
    put32(dib, 40, 0x00FF0000);
    put32(dib, 44, 0x0000FF00);
    put32(dib, 48, 0x000000FF);
    const std::uint32_t pixels[4] = {0xFFFF0000, 0x00123456, 0x80000000, 0xFF0000FF};
    std::memcpy(&dib[124], pixels, 16);
    const DibLayout layout = *check_dib_for_preview(dib, dib.size());
    const std::vector<std::uint8_t> out = composite_dib_alpha(dib, layout, 0xFFFFFF);
    const std::vector<std::uint8_t> expected = {127, 127, 127, 0, 255, 0, 0, 0,   // top row
                                                0, 0, 255, 0, 255, 255, 255, 0};  // bottom row
    EXPECT_EQ(out, expected);

    // Alpha 0 everywhere: the colours are drawn as they are.
    const std::uint32_t unfilled[4] = {0x00FF0000, 0x00000000, 0x0000FF00, 0x000000FF};
    std::memcpy(&dib[124], unfilled, 16);
    const std::vector<std::uint8_t> opaque = composite_dib_alpha(dib, layout, 0xFFFFFF);
    const std::vector<std::uint8_t> expected_opaque = {0, 255, 0, 0, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0};
    EXPECT_EQ(opaque, expected_opaque);
}

}  // namespace
}  // namespace cw
