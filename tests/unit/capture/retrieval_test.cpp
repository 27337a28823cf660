#include "capture/retrieval.h"

#include <gtest/gtest.h>

#include "format_entry_builder.h"

namespace cw {
namespace {

using test::format_entry;

TEST(FindStreamOffer, ChoosesTheTransport)
{
    const FormatOffer stream{TYMED_ISTREAM_BIT, 1, -1, false};
    const FormatOffer stream0{TYMED_ISTREAM_BIT, 1, 0, false};
    const FormatOffer hglobal{TYMED_HGLOBAL_BIT, 1, -1, false};
    struct Case {
        const char* what;
        FormatEntry entry;
        std::optional<FormatOffer> expected;
    };
    const std::vector<Case> cases{
        {"stream only", format_entry(0xC123, "Stream", {stream}), stream},
        {"stream with further media bits",
         format_entry(0xC123, "Stream", {{TYMED_ISTREAM_BIT | TYMED_ISTORAGE_BIT, 1, -1, false}}),
         FormatOffer{TYMED_ISTREAM_BIT | TYMED_ISTORAGE_BIT, 1, -1, false}},
        {"no offers", format_entry(0xC123, "Stream", {}), std::nullopt},
        {"stream and a later HGLOBAL offer", format_entry(0xC123, "Stream", {stream, hglobal}), std::nullopt},
        {"GDI offer elsewhere", format_entry(0xC123, "Stream", {stream, {TYMED_GDI_BIT, 1, -1, false}}), std::nullopt},
        {"MFPICT offer elsewhere", format_entry(0xC123, "Stream", {{TYMED_MFPICT_BIT, 1, -1, false}, stream}),
         std::nullopt},
        {"ENHMF offer elsewhere", format_entry(0xC123, "Stream", {stream, {TYMED_ENHMF_BIT, 1, -1, false}}),
         std::nullopt},
        {"FILE offer does not count as Win32", format_entry(0xC123, "Stream", {stream, {TYMED_FILE_BIT, 1, -1, false}}),
         stream},
        {"lindex -2 never chosen", format_entry(0xC123, "Stream", {{TYMED_ISTREAM_BIT, 1, -2, false}}), std::nullopt},
        {"FileContents lindex -1", format_entry(0xC123, "filecontents", {stream}), std::nullopt},
        {"FileContents lindex 0", format_entry(0xC123, "FileContents", {stream0}), stream0},
        // Only the first IStream offer counts: FileContents with -1 first is not rescued by a later 0.
        {"only the first stream offer", format_entry(0xC123, "FileContents", {stream, stream0}), std::nullopt},
        {"first stream offer after a skipped -2",
         format_entry(0xC123, "Stream", {{TYMED_ISTREAM_BIT, 1, -2, false}, stream0}), stream0},
    };
    for (const auto& c : cases) EXPECT_EQ(find_stream_offer(c.entry), c.expected) << c.what;
}

// A fake IStream of a given length that hands out at most `step` bytes per read.
struct FakeStream {
    std::uint64_t length;
    std::size_t step = OLE_STREAM_CHUNK;
    std::uint64_t position = 0;
    std::size_t largest_request = 0;

    Result<std::size_t> operator()(std::uint8_t* buffer, std::size_t count)
    {
        largest_request = std::max(largest_request, count);
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>({count, step, length - position}));
        for (std::size_t i = 0; i < n; ++i) buffer[i] = static_cast<std::uint8_t>(position + i);
        position += n;
        return n;
    }
};

TEST(ReadStreamCapped, ExactLimitIsCompleteOneMoreIsCut)
{
    FakeStream exact{OLE_STREAM_LIMIT};
    auto read = read_stream_capped(std::ref(exact));
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(read->complete);
    EXPECT_EQ(read->bytes.size(), OLE_STREAM_LIMIT);
    EXPECT_EQ(exact.largest_request, OLE_STREAM_CHUNK);

    FakeStream longer{OLE_STREAM_LIMIT + 1};
    read = read_stream_capped(std::ref(longer));
    ASSERT_TRUE(read.ok());
    EXPECT_FALSE(read->complete);
    EXPECT_EQ(read->bytes.size(), OLE_STREAM_LIMIT);
    EXPECT_EQ(longer.position, OLE_STREAM_LIMIT + 1);  // only the one probing byte beyond the cap

    FakeStream endless{~0ULL};
    read = read_stream_capped(std::ref(endless));
    ASSERT_TRUE(read.ok());
    EXPECT_FALSE(read->complete);
    EXPECT_EQ(endless.position, OLE_STREAM_LIMIT + 1);
}

TEST(ReadStreamCapped, ShortReadsErrorsAndOverclaimingProviders)
{
    FakeStream trickle{1000, 7};
    auto read = read_stream_capped(std::ref(trickle));
    ASSERT_TRUE(read.ok());
    EXPECT_TRUE(read->complete);
    ASSERT_EQ(read->bytes.size(), 1000u);
    EXPECT_EQ(read->bytes[999], static_cast<std::uint8_t>(999));

    int calls = 0;
    read = read_stream_capped([&calls](std::uint8_t*, std::size_t) -> Result<std::size_t> {
        if (++calls == 2) return Error{static_cast<std::int32_t>(0x80030001U), std::nullopt};
        return std::size_t{0x1000};
    });
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().ucode(), 0x80030001U);

    // A provider that claims more than the buffer holds never makes the result grow past the
    // requests; the cap still applies.
    std::uint64_t claimed = 0;
    read = read_stream_capped([&claimed](std::uint8_t*, std::size_t count) -> Result<std::size_t> {
        claimed += count;
        return count * 4;
    });
    ASSERT_TRUE(read.ok());
    EXPECT_FALSE(read->complete);
    EXPECT_EQ(read->bytes.size(), OLE_STREAM_LIMIT);
    EXPECT_EQ(claimed, OLE_STREAM_LIMIT + 1);
}

TEST(SaveMessages, WrapTheErrorDisplay)
{
    EXPECT_EQ(representation_unavailable_message("Access is denied. (0x80070005)"),
              "The selected representation is unavailable:\r\nAccess is denied. (0x80070005)");
    EXPECT_EQ(representation_unreadable_message("0x80070006"),
              "Could not read the selected representation:\r\n0x80070006");
}

}  // namespace
}  // namespace cw
