#include "preview/metafile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

namespace cw {
namespace {

constexpr std::int32_t MOST_NEGATIVE = std::numeric_limits<std::int32_t>::min();

TEST(MetafileCanvas, ExtentsAndBoundsGiveCappedSizes)
{
    struct Case {
        std::int32_t x, y;
        CanvasSize expected;
    };
    const Case pictures[] = {
        {0, 0, {1, 1}},         {-5000, 3000, {1000, 800}}, {MOST_NEGATIVE, MOST_NEGATIVE, {1000, 800}},
        {640, -480, {640, 480}}, {1, 799, {1, 799}},
    };
    for (const Case& c : pictures) EXPECT_EQ(metafile_picture_canvas(c.x, c.y), c.expected) << c.x << "," << c.y;

    struct Bounds {
        std::int32_t left, top, right, bottom;
        CanvasSize expected;
    };
    const Bounds enhanced[] = {
        {0, 0, 3000, 100, {1600, 100}},
        {3000, 100, 0, 0, {1600, 100}},  // inverted
        {5, 5, 5, 5, {1, 1}},
        {MOST_NEGATIVE, 0, 0, 0, {1600, 1}},
        {-2147483647, -10, 2147483647, 10, {2, 20}},  // the difference wraps around in 32 bits
    };
    for (const Bounds& b : enhanced)
        EXPECT_EQ(enhanced_metafile_canvas(b.left, b.top, b.right, b.bottom), b.expected) << b.left << "," << b.right;
}

TEST(MetafileCanvas, PictureBlockNeeds24Bytes)
{
    std::vector<std::uint8_t> block(24);
    const std::int32_t fields[3] = {8, -5000, 3000};
    std::memcpy(block.data(), fields, sizeof fields);
    block[16] = 0x34;
    const auto picture = read_metafile_picture(block);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->mapping_mode, 8);
    EXPECT_EQ(picture->x_extent, -5000);
    EXPECT_EQ(picture->y_extent, 3000);
    EXPECT_EQ(picture->metafile, 0x34U);
    EXPECT_FALSE(read_metafile_picture(ByteView(block).first(23)));
}

std::vector<std::uint8_t> metafile_bits(std::initializer_list<std::vector<std::int16_t>> records)
{
    // An 18-byte header (9 words), then each record: size in words, function, parameters.
    std::vector<std::uint8_t> bits(18);
    bits[2] = 9;
    for (const auto& r : records) {
        const std::uint32_t words = 2 + static_cast<std::uint32_t>(r.size());
        const std::size_t at = bits.size();
        bits.resize(at + 2 * words);
        std::memcpy(&bits[at], &words, 4);
        std::memcpy(&bits[at + 4], r.data(), 2 * r.size());
    }
    return bits;
}

std::uint16_t u16_at(const std::array<std::uint8_t, PLACEABLE_HEADER_SIZE>& h, std::size_t at)
{
    return static_cast<std::uint16_t>(h[at] | h[at + 1] << 8);
}

TEST(MetafileFile, PlaceableHeaderTakesTheRecordsWindowAndKeepsThePhysicalSize)
{
    // SetWindowOrg(0, 0), SetWindowExt(400, 200), then the end record.
    const auto bits = metafile_bits({{0x020B, 0, 0}, {0x020C, 200, 400}, {0x0000}});
    const auto window = read_metafile_window(bits);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->width, 400);
    EXPECT_EQ(window->height, 200);

    // 10 cm wide in HIMETRIC: 400 units over 3.937 inches.
    const auto h = placeable_metafile_header({8, 10000, 5000, 0}, bits);
    EXPECT_EQ(u16_at(h, 0), 0xCDD7);
    EXPECT_EQ(u16_at(h, 2), 0x9AC6);
    EXPECT_EQ(u16_at(h, 10), 400);
    EXPECT_EQ(u16_at(h, 12), 200);
    EXPECT_EQ(u16_at(h, 14), 101);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= u16_at(h, i);
    EXPECT_EQ(u16_at(h, 20), checksum);

    // No window in the records: the extents, in the mapping mode's units.
    const auto plain = placeable_metafile_header({3, -5000, 3000, 0}, metafile_bits({{0x0000}}));
    EXPECT_EQ(u16_at(plain, 10), 5000);
    EXPECT_EQ(u16_at(plain, 12), 3000);
    EXPECT_EQ(u16_at(plain, 14), 2540);

    // Records that lie about their size stop the walk instead of being read past.
    auto broken = metafile_bits({{0x020C, 200, 400}});
    broken[18] = 0xFF;
    EXPECT_FALSE(read_metafile_window(broken));
    EXPECT_FALSE(read_metafile_window(std::vector<std::uint8_t>(3)));
}

}  // namespace
}  // namespace cw
