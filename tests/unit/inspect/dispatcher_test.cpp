#include "inspect/dispatcher.h"

#include <gtest/gtest.h>

#include "capture/format_identity.h"
#include "format_entry_builder.h"

namespace cw {
namespace {

using test::format_entry;

TEST(Dispatcher, FirstMatchingRowDecides)
{
    struct Case {
        std::uint32_t id;
        const char* name;
        DispatchRow row;
    };
    const Case cases[] = {
        {0xC001, "png", DispatchRow::EncodedImage},
        {0xC001, "image/JPEG", DispatchRow::EncodedImage},
        {12, "CF_WAVE", DispatchRow::WaveAudio},
        {15, "CF_HDROP", DispatchRow::DropList},
        {0xC002, "rich text format", DispatchRow::RichText},
        {0xC002, "Rich Text Format Without Objects", DispatchRow::RichText},
        {0xC002, "Rich Text Forma", DispatchRow::RawMetadata},
        {0xC003, "HTML Format", DispatchRow::Html},
        {0xC003, "text/html", DispatchRow::Html},
        {0xC004, "text/csv", DispatchRow::Csv},
        {4, "CF_SYLK", DispatchRow::SylkOrDif},
        {16, "CF_LOCALE", DispatchRow::Locale},
        {129, "CF_DSPTEXT", DispatchRow::DisplayText},
        {13, "CF_UNICODETEXT", DispatchRow::UnicodeText},
        {7, "CF_OEMTEXT", DispatchRow::AnsiText},
        {0xC005, "Link Source Descriptor", DispatchRow::OleLink},
        {0xC006, "Native", DispatchRow::EmbeddedObject},
        {0xC008, "Chromium internal source URL", DispatchRow::Url},
        {0xC009, "Chromium internal source RFH token", DispatchRow::RfhToken},
        {0xC00A, "OwnerLink", DispatchRow::OleLink},
        {0xC007, "Biff12", DispatchRow::Workbook},
        {8, "CF_DIB", DispatchRow::RawMetadata},
        {0x200, "<unnamed or reserved>", DispatchRow::RawMetadata},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classify_dispatch_row(format_entry(c.id, c.name).listed_at(1)), c.row) << c.name;
    EXPECT_EQ(dispatch_read_limit(DispatchRow::Locale), 16u);
    EXPECT_EQ(dispatch_read_limit(DispatchRow::UnicodeText), RECORD_PAYLOAD_LIMIT);
    EXPECT_EQ(dispatch_read_limit(DispatchRow::EmbeddedObject), LARGE_PAYLOAD_LIMIT);
}

TEST(Dispatcher, TextRuleMakesATableOnlyFromTwoLinesWithATab)
{
    EXPECT_EQ(text_rule("a\tb\n", 4, 4).kind(), DetailReportKind::Text);
    EXPECT_EQ(text_rule("a b\nc d", 7, 7).kind(), DetailReportKind::Text);
    const DetailReport table = text_rule("a\tb\nc\td\n", 8, 8);
    ASSERT_EQ(table.kind(), DetailReportKind::Table);
    ASSERT_EQ(table.as<TableContent>().table.rows.size(), 2u);
    EXPECT_EQ(table.as<TableContent>().table.rows[1][1], "d");
    EXPECT_EQ(table.as<TableContent>().table.table_caption, "Table");
    const DetailReport cut = text_rule("abc", 3, 10);
    EXPECT_EQ(cut.as<TextContent>().text, "abc\r\n\r\n[Preview truncated: displayed 3 of 10 bytes]");
}

TEST(Dispatcher, TextRowsDecodeUpToTheFirstZero)
{
    GlobalCopy copy;
    copy.bytes = {'h', 0xC3, 0xA9, 0, 'x'};
    copy.total_size = 5;
    const auto ansi =
        interpret_copied_bytes(DispatchRow::AnsiText, format_entry(1, "CF_TEXT").listed_at(1), copy, nullptr);
    ASSERT_TRUE(ansi);
    EXPECT_EQ(ansi->as<TextContent>().text, "h\xC3\xA9");
    const auto rtf = interpret_copied_bytes(DispatchRow::RichText,
                                            format_entry(0xC002, "Rich Text Format").listed_at(1), copy, nullptr);
    ASSERT_TRUE(rtf);
    EXPECT_EQ(rtf->kind(), DetailReportKind::RichText);
    EXPECT_EQ(rtf->as<RichTextContent>().rtf_bytes, "h\xC3\xA9");
    EXPECT_FALSE(
        interpret_copied_bytes(DispatchRow::RawMetadata, format_entry(8, "CF_DIB").listed_at(1), copy, nullptr));
}

TEST(Dispatcher, LinkAndOleRowsGiveTheirAnalysersTables)
{
    GlobalCopy copy;
    copy.bytes = {'h', 0xC3, 0xA9, 0, 'x'};
    copy.total_size = 5;
    const std::pair<DispatchRow, const char*> tables[] = {{DispatchRow::Url, "Link"},
                                                          {DispatchRow::RfhToken, "Chromium provenance"},
                                                          {DispatchRow::EmbeddedObject, "Object"},
                                                          {DispatchRow::OleLink, "Decoded"}};
    for (const auto& [row, caption] : tables) {
        const auto report = interpret_copied_bytes(row, format_entry(0xC00B, "Native").listed_at(1), copy, nullptr);
        ASSERT_TRUE(report && report->kind() == DetailReportKind::Table) << caption;
        EXPECT_EQ(report->as<TableContent>().table.table_caption, caption);
    }
}

TEST(Dispatcher, StreamTableDescribesPhotoshopDocuments)
{
    StreamRead read;
    // "8BPS", version 1, 6 reserved bytes, 3 channels, height 2, width 5, depth 8, RGB.
    read.bytes = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 5, 0, 8, 0, 3};
    read.complete = true;
    const FormatEntry e =
        format_entry(0xC010, "Adobe Photoshop Image", {FormatOffer{TYMED_ISTREAM_BIT, 1, -1, false}}).listed_at(1);
    const PropertyTable t = stream_table(e, read);
    ASSERT_EQ(t.rows.size(), 10u);
    EXPECT_EQ(t.rows[1][1], "26 (26 B)");
    EXPECT_EQ(t.rows[4][1], "1 (PSD)");
    EXPECT_EQ(t.rows[5][1], "5 x 2 px");
    EXPECT_EQ(t.rows[6][1], "3");
    EXPECT_EQ(t.rows[7][1], "8 bits/channel");
    EXPECT_EQ(t.rows[8][1], "RGB");
    EXPECT_EQ(t.rows[9][1], ".psd (exact IStream bytes)");
    EXPECT_EQ(t.raw_text.rfind("OLE FORMATETC\r\n=============\r\nFormat : Adobe Photoshop Image\r\nADVERTISEMENT", 0),
              0u);
    EXPECT_NE(t.raw_text.find("ReleaseStgMedium.\r\n\r\nFirst 26 bytes:\r\n"), std::string::npos);

    read.complete = false;
    const PropertyTable cut = stream_table(e, read);
    EXPECT_EQ(cut.rows[2][1], "Preview limited to 64.00 MiB");
    EXPECT_EQ(cut.rows[9][1], "Unavailable until the complete stream is retrieved");
    read.bytes.resize(25);
    EXPECT_EQ(stream_table(e, read).rows.size(), 4u);
}

TEST(Dispatcher, HeadingAndUnavailableText)
{
    const FormatEntry e =
        format_entry(0xC123, "Custom",
                     {FormatOffer{TYMED_HGLOBAL_BIT, 1, -1, false}, FormatOffer{TYMED_HGLOBAL_BIT, 1, -1, true},
                      FormatOffer{TYMED_ISTREAM_BIT, 1, 0, false}})
            .listed_at(1);
    const std::string heading = detail_heading(e);
    EXPECT_EQ(heading.rfind("Custom | ID 49443 (0xC123) | registered | ", 0), 0u);
    EXPECT_EQ(heading.substr(heading.size() - 20), " | HGLOBAL | IStream");
    EXPECT_EQ(detail_heading(format_entry(13, "CF_UNICODETEXT").listed_at(1)).substr(0, 30),
              "CF_UNICODETEXT | ID 13 (0x000D");
    EXPECT_EQ(detail_heading(format_entry(13, "CF_UNICODETEXT").listed_at(1)).back(), '-');

    const std::string text = unavailable_text(e, "Access is denied. (0x80070005)");
    EXPECT_EQ(text.rfind("The format is advertised, but the flat Win32 clipboard API could not provide its data.\r\n\r\n"
                         "ADVERTISEMENT",
                         0),
              0u);
    EXPECT_NE(text.find("\r\n\r\nAccess is denied. (0x80070005)\r\n\r\nAn OLE-only format may require"),
              std::string::npos);

    const std::string adobe =
        adobe_advertisement_report(format_entry(0xC200, "Photoshop DIB Layer X").listed_at(1), "0x80040064");
    EXPECT_NE(adobe.find("Role   : Layer transfer\r\n"), std::string::npos);
    EXPECT_NE(adobe.find("Extended Photoshop layer-transfer contract"), std::string::npos);
    EXPECT_EQ(adobe.substr(adobe.size() - 34), "Win32 retrieval result: 0x80040064");
}

TEST(OleStreamFailure, ExactTextWithAdvertisementAndCleanLineEnds)
{
    FormatEntry stream = format_entry(0xC123, "Custom Stream", {{TYMED_ISTREAM_BIT, 1, 0, false}}).listed_at(1);
    stream.listed_by_win32 = false;
    const std::string text =
        describe_ole_stream_failure(stream, stream.offers[0], "Invalid FORMATETC structure. (0x80040064)");
    EXPECT_EQ(text,
              "OLE STREAM RETRIEVAL\r\n"
              "====================\r\n"
              "Format : Custom Stream\r\n"
              "Medium : IStream\r\n"
              "Aspect : Content\r\n"
              "Index  : 0\r\n"
              "Status : IDataObject::GetData was attempted with the exact advertised FORMATETC, but the provider "
              "rejected or could not render it.\r\n"
              "Result : Invalid FORMATETC structure. (0x80040064)\r\n"
              "\r\n"
              "An EnumFormatEtc entry is an advertised capability, not proof that delayed rendering will still "
              "succeed. Clipwright keeps the failed offer visible as evidence instead of pretending that an empty "
              "stream was returned.\r\n"
              "\r\n"
              "ADVERTISEMENT\r\n"
              "=============\r\n"
              "Transport : OLE only\r\n"
              "OLE offers: 1\r\n"
              "  1. Medium=IStream | Aspect=Content | Index=0 | Target device=no");

    // An error text that carries its own CR LF ends up with single CR LFs, never CR CR LF.
    const std::string multi = describe_ole_stream_failure(stream, stream.offers[0], "first\r\nsecond");
    EXPECT_NE(multi.find("Result : first\r\nsecond\r\n"), std::string::npos);
    EXPECT_EQ(multi.find("\r\r"), std::string::npos);
    EXPECT_EQ(multi.find("THIS PHOTOSHOP SPECIMEN"), std::string::npos);

    stream.name = "ADOBE PHOTOSHOP IMAGE";
    const std::string photoshop = describe_ole_stream_failure(stream, stream.offers[0], "E");
    EXPECT_NE(photoshop.find("stream was returned.\r\n\r\nTHIS PHOTOSHOP SPECIMEN\r\n-----------------------\r\n"
                             "The separate Native/Embed Source OLE container remains available and contains a "
                             "signature-confirmed PSD /CONTENTS stream. Use that verified representation for native "
                             "editable output; use CF_DIB/CF_DIBV5 for the portable image.\r\n\r\nADVERTISEMENT\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace cw
