#include "report/report_text.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace cw {
namespace {

std::vector<std::uint8_t> iota_bytes(std::size_t n)
{
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), std::uint8_t{0});
    return v;
}

TEST(HexDump, LineShapeMatchesTheFixedLayout)
{
    const std::string hello = std::string("Hello, world!") + '\0' + '\x01' + '\x02';
    EXPECT_EQ(hex_dump(as_bytes_view(hello)),
              "00000000  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 00 01 02  | Hello, world!...\n");
    EXPECT_EQ(hex_dump({}), "");

    // A 17th byte starts a second line: 15 empty cells (45 blanks) plus the blank after the
    // eighth, no padding after the last character and no closing bar.
    const std::string seventeen = hello + "A";
    const std::string dump = hex_dump(as_bytes_view(seventeen));
    const std::string second = dump.substr(79);
    EXPECT_EQ(second, "00000010  41" + std::string(1 + 45 + 1, ' ') + " | A\n");
    EXPECT_EQ(second.size(), 10u + 3 + 45 + 1 + 3 + 1 + 1);

    // Non-printable bytes at both ends of the printable range become dots.
    const std::vector<std::uint8_t> edges{31, 32, 126, 127, 0xFF};
    EXPECT_EQ(hex_dump(edges), "00000000  1F 20 7E 7F FF" + std::string(1 + 11 * 3 + 1, ' ') + " | . ~..\n");
}

TEST(HexDump, CoversAtMostTheRawPreviewAndCountsOffsets)
{
    const auto bytes = iota_bytes(600);
    const std::string dump = hex_dump(bytes);
    EXPECT_EQ(dump.size(), 32u * 79);  // 512 bytes in full lines, nothing beyond
    EXPECT_EQ(dump.substr(31 * 79, 10), "000001F0  ");
    EXPECT_EQ(dump.substr(1 * 79, 37), "00000010  10 11 12 13 14 15 16 17  18");
}

TEST(SizeText, BoundariesOfEachUnit)
{
    const std::vector<std::pair<std::uint64_t, std::string>> cases{
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.00 KiB"},
        {1536, "1.50 KiB"},
        {1048575, "1024.00 KiB"},
        {1048576, "1.00 MiB"},
        {67108864, "64.00 MiB"},
        {1073741823, "1024.00 MiB"},
        {1073741824, "1.00 GiB"},
        {~0ULL, "17179869184.00 GiB"},
    };
    for (const auto& [n, text] : cases) EXPECT_EQ(size_text(n), text) << n;
}

TEST(DisplayTexts, MediaAspectsAndIndexes)
{
    const std::vector<std::pair<std::uint32_t, std::string>> media{
        {0, "None"},    {5, "HGLOBAL + IStream"}, {127, "HGLOBAL + FILE + IStream + IStorage + GDI + MFPICT + ENHMF"},
        {128, "Other"}, {129, "HGLOBAL + Other"}, {0xFFFFFF00, "Other"},
    };
    for (const auto& [tymed, text] : media) EXPECT_EQ(medium_text(tymed), text) << tymed;

    const std::vector<std::pair<std::uint32_t, std::string>> aspects{
        {1, "Content"}, {2, "Thumbnail"}, {4, "Icon"}, {8, "DocPrint"},
        {0, "0x0"},     {16, "0x10"},     {3, "0x3"},  {0xFFFFFFFF, "0xFFFFFFFF"},
    };
    for (const auto& [aspect, text] : aspects) EXPECT_EQ(aspect_text(aspect), text) << aspect;

    EXPECT_EQ(index_text(-1), "All/default");
    EXPECT_EQ(index_text(-2), "-2");
    EXPECT_EQ(index_text(0), "0");
    EXPECT_EQ(index_text(INT32_MIN), "-2147483648");

    EXPECT_EQ(decimal_and_hex(1), "1 (0x0001)");
    EXPECT_EQ(decimal_and_hex(0xC0FE), "49406 (0xC0FE)");
    EXPECT_EQ(decimal_and_hex(0x12345678), "305419896 (0x12345678)");
}

TEST(DisplayTexts, SourceFollowsBothCatalogues)
{
    FormatEntry entry;
    EXPECT_EQ(source_text(entry), "Unspecified");
    entry.listed_by_win32 = true;
    EXPECT_EQ(source_text(entry), "Win32");
    entry.offers.push_back(FormatOffer{});
    EXPECT_EQ(source_text(entry), "Win32 + OLE");
    entry.listed_by_win32 = false;
    EXPECT_EQ(source_text(entry), "OLE only");
}

TEST(AdvertisementText, ListsOffersOrSaysNoneWereEnumerated)
{
    FormatEntry entry;
    entry.listed_by_win32 = true;
    EXPECT_EQ(advertisement_text(entry),
              "ADVERTISEMENT\r\n=============\r\nTransport : Win32\r\nOLE offers: none enumerated");

    entry.offers = {FormatOffer{1, 1, -1, false}, FormatOffer{4, 16, 0, true}};
    EXPECT_EQ(advertisement_text(entry),
              "ADVERTISEMENT\r\n=============\r\nTransport : Win32 + OLE\r\nOLE offers: 2\r\n"
              "  1. Medium=HGLOBAL | Aspect=Content | Index=All/default | Target device=no\r\n"
              "  2. Medium=IStream | Aspect=0x10 | Index=0 | Target device=yes");
}

TEST(ReportHelpers, PropertyTableTruncationNoteAndMixedLineEnds)
{
    const PropertyTable table = make_property_table({{"LCID", "1"}, {"Purpose", "x"}}, "raw");
    EXPECT_EQ(table.columns, (std::vector<std::string>{"Property", "Value"}));
    EXPECT_EQ(table.rows, (std::vector<std::vector<std::string>>{{"LCID", "1"}, {"Purpose", "x"}}));
    EXPECT_EQ(table.raw_text, "raw");
    EXPECT_EQ(table.table_caption, "Decoded");
    EXPECT_EQ(table.text_caption, "Raw bytes");

    std::string text = "abc";
    append_truncation_note(text, 10, 10);
    append_truncation_note(text, 11, 10);
    EXPECT_EQ(text, "abc");
    append_truncation_note(text, 4194304, 5000000);
    EXPECT_EQ(text, "abc\r\n\r\n[Preview truncated: displayed 4194304 of 5000000 bytes]");

    EXPECT_EQ(to_crlf_mixed("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

}  // namespace
}  // namespace cw
