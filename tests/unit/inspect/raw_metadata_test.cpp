#include "inspect/raw_metadata.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "fake_file_probe.h"
#include "format_entry_builder.h"
#include "report/report_text.h"

namespace cw {
namespace {

using test::format_entry;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(RawFormatMetadata, WholeReportOfARegisteredBlockLargerThanThePreview)
{
    test::FakeFileProbe probe;
    FormatEntry e = format_entry(0xC1A5, "MyAppData").at(3).labelled("registered").listed();
    e.offers = {FormatOffer{TYMED_HGLOBAL_BIT, 1, -1, false}};
    RawHandleFacts facts{0x1A2B0, 700, std::vector<std::uint8_t>(512, 'A'), std::nullopt};

    const std::string expected =
        "RAW FORMAT METADATA\n===================\n"
        "Name       : MyAppData\n"
        "ID         : 49573 (0xC1A5)\n"
        "Class      : registered\n"
        "Order      : 3\n"
        "Transport  : Win32 + OLE\n"
        "Data handle: 0x1A2B0\n"
        "\nOLE FORMATETC OFFERS\n====================\n"
        "1. Medium=HGLOBAL | Aspect=Content | Index=All/default | Target device=no\n"
        "Global size: 700 bytes\n"
        "\nINTERPRETATION\n==============\n"
        "This is an application-registered clipboard format named 'MyAppData'. Registered names identify a "
        "producer-defined contract; they do not guarantee that the HGLOBAL bytes are a portable file.\n"
        "Save guidance: retain the raw evidence, but require a documented format or verified parser before offering "
        "it as output.\n"
        "\nFirst 512 bytes:\n" +
        hex_dump(facts.first_bytes) + "\n... 188 additional bytes not displayed\n";
    EXPECT_EQ(raw_format_metadata(e, facts, probe), to_crlf(expected));
}

TEST(RawFormatMetadata, OpaqueHandlesAndFailedCopies)
{
    test::FakeFileProbe probe;
    const std::string opaque_tail =
        "\r\nThis format uses a typed or opaque handle, or is not safely exposed as an HGLOBAL memory block.\r\n"
        "The inspector will not guess the handle type or dereference unknown memory.\r\n";

    // A private-range format whose handle is a GDI object: no size, no bytes, but still explained.
    const std::string gdi = raw_format_metadata(format_entry(0x0280, "").at(3).labelled("private").listed(),
                                                RawHandleFacts{0xBEEF, 0, {}, {}}, probe);
    EXPECT_TRUE(contains(gdi,
                         "Data handle: 0xBEEF\r\nGlobal size: unavailable\r\n\r\nINTERPRETATION\r\n"
                         "==============\r\nThis format is in Windows' private clipboard range."))
        << gdi;
    EXPECT_TRUE(gdi.ends_with("known.\r\n" + opaque_tail)) << gdi;

    // The Iceni/Foxit contract without inspectable memory gets its own text, and touches no file.
    const std::string iceni = raw_format_metadata(
        format_entry(0xC200, "IceniCopy").at(3).labelled("registered").listed(), RawHandleFacts{1, 0, {}, {}}, probe);
    EXPECT_TRUE(contains(iceni,
                         "but its data block is not available for inspection.\r\nSave guidance: no referenced "
                         "payload can be verified from this handle.\r\n" +
                             opaque_tail));

    const std::string standard = raw_format_metadata(format_entry(9, "CF_PALETTE").at(3).labelled("standard").listed(),
                                                     RawHandleFacts{0x42, 0, {}, {}}, probe);
    EXPECT_TRUE(standard.ends_with("Data handle: 0x42\r\nGlobal size: unavailable\r\n" + opaque_tail)) << standard;

    const std::string locked =
        raw_format_metadata(format_entry(0xC300, "Thing").at(3).labelled("registered").listed(),
                            RawHandleFacts{0x10, 64, {}, "Access is denied. (0x80070005)"}, probe);
    EXPECT_TRUE(
        locked.ends_with("Global size: 64 bytes\r\n\r\nThe memory block could not be locked: Access is denied. "
                         "(0x80070005)\r\n"))
        << locked;
    EXPECT_TRUE(probe.asked.empty());
}

std::vector<std::uint8_t> dib(std::uint32_t header_size, std::int32_t width, std::int32_t height, std::size_t length)
{
    std::vector<std::uint8_t> bytes(length);
    auto put = [&bytes](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, header_size, 4);
    put(4, static_cast<std::uint32_t>(width), 4);
    put(8, static_cast<std::uint32_t>(height), 4);
    put(12, 1, 2);
    put(14, 24, 2);
    return bytes;
}

TEST(RawFormatMetadata, DibHeaderLinesOnlyForSoundDibStarts)
{
    test::FakeFileProbe probe;
    const std::string lines =
        "DIB header : 40 bytes\r\nDimensions : 640 x -480\r\nPlanes/BPP : 1 / 24\r\n\r\nFirst 16 bytes:";
    struct Case {
        std::uint32_t id;
        std::vector<std::uint8_t> bytes;
        bool shown;
    };
    const std::vector<Case> cases{
        {8, dib(40, 640, -480, 16), true},  {17, dib(40, 640, -480, 16), true},
        {8, dib(40, 640, -480, 15), false},  // too short to hold the fields
        {8, dib(12, 640, -480, 16), false},  // the old core header
        {2, dib(40, 640, -480, 16), false},
    };
    for (const auto& c : cases) {
        const std::string text = raw_format_metadata(format_entry(c.id, "CF_DIB").at(3).labelled("standard").listed(),
                                                     RawHandleFacts{1, c.bytes.size(), c.bytes, {}}, probe);
        EXPECT_EQ(contains(text, lines), c.shown) << text;
        EXPECT_EQ(contains(text, "INTERPRETATION"), false);
        EXPECT_EQ(contains(text, "additional bytes"), false);
    }
}

TEST(RawFormatMetadata, ShownBytesNeverExceedAnySizeReported)
{
    test::FakeFileProbe probe;
    const FormatEntry e = format_entry(0x0201, "").at(3).labelled("private").listed();
    const std::string one = raw_format_metadata(e, RawHandleFacts{1, 1, {'Z'}, {}}, probe);
    EXPECT_TRUE(one.ends_with("\r\nFirst 1 byte:\r\n" + to_crlf(hex_dump(std::vector<std::uint8_t>{'Z'})))) << one;

    // A copy longer than the block or the preview is held to the smaller of the two.
    const std::string longer =
        raw_format_metadata(e, RawHandleFacts{1, 20, std::vector<std::uint8_t>(600, 'q'), {}}, probe);
    EXPECT_TRUE(longer.ends_with("First 20 bytes:\r\n" + to_crlf(hex_dump(std::vector<std::uint8_t>(20, 'q')))))
        << longer;
    const std::string capped =
        raw_format_metadata(e, RawHandleFacts{1, 600, std::vector<std::uint8_t>(600, 'q'), {}}, probe);
    EXPECT_TRUE(contains(capped, "First 512 bytes:") && capped.ends_with("... 88 additional bytes not displayed\r\n"));
}

TEST(RawFormatMetadata, IceniBlockIsExaminedFromItsSample)
{
    test::FakeFileProbe probe;
    probe.add_file(R"(C:\T\a.pdf)", "%PDF-1.7\n");
    std::vector<std::uint8_t> block(512, 0);
    const std::string path = R"(C:\T\a.pdf)";
    std::copy(path.begin(), path.end(), block.begin());
    const std::string text =
        raw_format_metadata(format_entry(0xC210, "IceniCopy").at(3).labelled("registered").listed(),
                            RawHandleFacts{7, 700, block, {}}, probe);
    EXPECT_TRUE(contains(
        text, "Global size: 700 bytes\r\n\r\nINTERPRETATION\r\n==============\r\nCLIPBOARD STORAGE MODEL\r\n"));
    EXPECT_TRUE(contains(text, "The 700-byte HGLOBAL contains"));
    EXPECT_TRUE(contains(text, "Detected as: PDF document (%PDF-1.7)\r\n"));
    // The Iceni text ends with its own line break, so a blank line separates it from the dump.
    EXPECT_TRUE(contains(text, "producer exits.\r\n\r\n\r\nFirst 512 bytes:\r\n")) << text;
}

}  // namespace
}  // namespace cw
