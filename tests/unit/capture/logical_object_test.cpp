#include "capture/logical_object.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "base/text.h"
#include "compound_file_builder.h"
#include "inspect/file_probe.h"
#include "inspect/report_text.h"
#include "unit/inspect/fake_file_probe.h"

namespace cw {
namespace {

FormatEntry named(std::uint32_t id, std::string name)
{
    FormatEntry e;
    e.id = id;
    e.name = std::move(name);
    return e;
}

TEST(DropEffect, NamesInTableOrder)
{
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "None"},          {1, "Copy"}, {2, "Move"}, {5, "Copy + Link"}, {0x80000000U, "Scroll"},
        {0x80000007U, "Copy + Move + Link + Scroll"}, {0x7FFFFFF8U, "None"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(drop_effect_names(value), text) << value;
    const std::uint8_t five[] = {5, 0, 0, 0};
    EXPECT_EQ(drop_operation(ByteView(five)), "Copy + Link");
    EXPECT_EQ(drop_operation(ByteView(five).first(3)), "Not advertised");
    EXPECT_EQ(drop_operation(std::nullopt), "Not advertised");
}

TEST(AsyncFlag, EnabledValueAndCaptions)
{
    const std::uint8_t block[] = {1, 0, 0, 0, 9};
    const PropertyTable t = analyze_async_flag(block);
    EXPECT_EQ(t.rows, (std::vector<std::vector<std::string>>{
                          {"Enabled", "Yes"},
                          {"Meaning", "Explorer's data object supports asynchronous or delayed Shell transfer "
                                      "behavior. Some representations may be produced only when requested."},
                          {"Content value", "None. This is transfer capability metadata and is never a save candidate."}}));
    EXPECT_EQ(t.table_caption, "Transfer behavior");
    EXPECT_EQ(t.text_caption, "Raw bytes");
    EXPECT_EQ(t.raw_text, to_crlf(hex_dump(block)));
    const std::uint8_t zero[] = {0, 0, 0, 0};
    EXPECT_EQ(analyze_async_flag(zero).rows[0][1], "No");
    EXPECT_EQ(analyze_async_flag(ByteView(zero).first(2)).rows[0][1], "Invalid");
}

TEST(Recogniser, FirstApplicableWins)
{
    const FormatEntry hdrop = named(15, "CF_HDROP"), cida = named(0xC001, "shell idlist array"),
                      layer = named(0xC002, "Photoshop DIB Layer X"), source = named(0xC003, "PHOTOSHOP CLIP SOURCE"),
                      text = named(13, "CF_UNICODETEXT"), lookalike = named(0xC004, "CF_HDROP");
    EXPECT_EQ(choose_recogniser({text, layer, cida, hdrop}), Recogniser::ExplorerTransfer);
    EXPECT_EQ(choose_recogniser({layer, cida}), Recogniser::ShellNamespace);
    EXPECT_EQ(choose_recogniser({text, source}), Recogniser::Photoshop);
    EXPECT_EQ(choose_recogniser({text, lookalike, named(0xC005, "Photoshop DIB Layer XX")}), Recogniser::None);
    EXPECT_EQ(choose_recogniser({}), Recogniser::None);
}

class ExplorerTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe.add_file(R"(C:\Users\me\report.tar.gz)", std::string(1536, 'x'));
        probe.add_file(R"(C:\Users\me\.profile)", "abc");
        probe.add(R"(C:\Users\me\Pictures)", PathKind::Directory);
        probe.add(R"(C:\Users\me\shortcut)", PathKind::NameSurrogate);
    }
    LogicalClipboardObject run(const std::vector<std::string>& paths, const std::string& operation = "Copy + Link",
                               bool file_contents = false)
    {
        return explorer_transfer_object(paths, operation, file_contents, probe);
    }
    test::FakeFileProbe probe;
};

TEST_F(ExplorerTransfer, OneFileReport)
{
    const LogicalClipboardObject object = run({R"(C:\Users\me\report.tar.gz)"});
    EXPECT_EQ(object.kind, "Explorer file copy");
    EXPECT_EQ(object.report_text,
              "LOGICAL CLIPBOARD OBJECT\r\n========================\r\n"
              "Type       : Explorer file copy\r\nItems      : 1\r\nFiles      : 1\r\nFolders    : 0\r\n"
              "Operation  : Copy + Link\r\nStorage    : External filesystem reference\r\n"
              "Content bytes: No file or folder contents advertised\r\n\r\n"
              "REFERENCED ITEMS\r\n----------------\r\nC:\\Users\\me\\report.tar.gz\r\n  Kind      : File\r\n"
              "  Extension : .gz\r\n  Size      : 1536 bytes (1.50 KiB)\r\n\r\n"
              "AVAILABLE INTERPRETATIONS\r\n-------------------------\r\nCopy file here\r\nCopy file with a new "
              "name\r\nCreate shortcut (.lnk)\r\nSave file metadata (.txt/.json)\r\n\r\n"
              "Safety: contents are not scanned automatically. Network paths, cloud placeholders, reparse points, and "
              "large directory trees are inspected only on request. Clipwright will harvest/copy and will not delete "
              "a source item even if a future clipboard specimen represents Cut.\r\n");
}

TEST_F(ExplorerTransfer, KindsCountsAndListing)
{
    const LogicalClipboardObject folder = run({R"(C:\Users\me\Pictures)"}, "Move");
    EXPECT_EQ(folder.kind, "Explorer folder copy");
    EXPECT_NE(folder.report_text.find("C:\\Users\\me\\Pictures\r\n  Kind      : Folder (contents not scanned)\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(folder.report_text.find("-------------------------\r\nCopy items here\r\nCreate ZIP archive for folders\r\n"
                                      "Create shortcut (.lnk)\r\nSave item listing (.txt/.csv/.json)\r\n"),
              std::string::npos);

    // A link counts as a file but lists nothing more; a missing item and a device are unavailable.
    const LogicalClipboardObject mixed =
        run({R"(C:\Users\me\.profile)", R"(C:\Users\me\shortcut)", R"(C:\Users\me\gone.txt)", R"(\\.\PhysicalDrive0)",
             R"(C:\Users\me\Pictures)"},
            "Not advertised", true);
    EXPECT_EQ(mixed.kind, "Explorer item transfer");
    EXPECT_NE(mixed.report_text.find("Items      : 5\r\nFiles      : 2\r\nFolders    : 1\r\nUnavailable: 2\r\n"
                                     "Operation  : Not advertised\r\n"),
              std::string::npos);
    EXPECT_NE(mixed.report_text.find("Content bytes: Not self-contained; producer advertises indexed FileContents "
                                     "stream(s) on demand\r\n"),
              std::string::npos);
    EXPECT_NE(mixed.report_text.find("C:\\Users\\me\\.profile\r\n  Kind      : File\r\n  Extension : None\r\n  Size      "
                                     ": 3 bytes (3 B)\r\nC:\\Users\\me\\shortcut\r\nC:\\Users\\me\\gone.txt\r\n"
                                     "\\\\.\\PhysicalDrive0\r\nC:\\Users\\me\\Pictures\r\n"),
              std::string::npos);
    for (const std::string& q : probe.asked) EXPECT_EQ(q.find("PhysicalDrive"), std::string::npos) << q;

    EXPECT_EQ(run({R"(C:\Users\me\.profile)", R"(C:\Users\me\report.tar.gz)"}).kind, "Explorer item transfer");
    EXPECT_EQ(run({R"(C:\Users\me\gone.txt)"}).kind, "Explorer item transfer");
    const LogicalClipboardObject empty = run({});
    EXPECT_EQ(empty.kind, "Explorer item transfer");
    EXPECT_EQ(empty.report_text.find("Unavailable:"), std::string::npos);
}

TEST(ShellNamespace, FixedReport)
{
    const LogicalClipboardObject object = shell_namespace_object();
    EXPECT_EQ(object.kind, "Shell namespace transfer");
    EXPECT_TRUE(object.report_text.ends_with("before deciding how it can be materialized."));
}

std::string dib_header(std::uint32_t size, std::int32_t width, std::int32_t height, std::uint16_t bits)
{
    std::string h(size, '\0');
    std::memcpy(h.data(), &size, 4);
    std::memcpy(h.data() + 4, &width, 4);
    std::memcpy(h.data() + 8, &height, 4);
    std::memcpy(h.data() + 14, &bits, 2);
    return h;
}

TEST(Photoshop, FactsFromTheHeaderAndTheNativeObject)
{
    const std::string v5 = dib_header(124, 640, -480, 32);
    const auto header = decode_dib_header(as_bytes_view(v5), 1228924);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 640u);
    EXPECT_EQ(header->height, 480u);
    EXPECT_EQ(header->bits, 32u);
    EXPECT_FALSE(decode_dib_header(as_bytes_view(dib_header(12, 1, 1, 24)), 40));
    EXPECT_FALSE(decode_dib_header(as_bytes_view(v5.substr(0, 15)), 40));
    EXPECT_EQ(decode_dib_header(as_bytes_view(dib_header(40, 1, INT32_MIN, 8)), 40)->height, 2147483648u);

    const std::string object = test::build_compound_file({{u"CONTENTS", test::photoshop_document(5000)}});
    const auto stream = native_contents_facts(as_bytes_view(object));
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->size, 5000u);
    EXPECT_EQ(stream->label, "Adobe Photoshop document (PSD, signature confirmed)");
    EXPECT_FALSE(native_contents_facts(as_bytes_view(test::build_compound_file({{u"Other", std::string(4096, 'a')}}))));
    EXPECT_FALSE(native_contents_facts(as_bytes_view(std::string("not a compound file"))));
}

TEST(Photoshop, FullAndBareReports)
{
    PhotoshopFacts facts;
    facts.header = DibHeaderFacts{640, 480, 32, 1228924};
    facts.source_file = R"(D:\art\poster.psd)";
    facts.native_size = 70144;
    facts.native_stream = NativeStreamFacts{5000, "Adobe Photoshop document (PSD, signature confirmed)"};
    const LogicalClipboardObject full = photoshop_object(facts);
    EXPECT_EQ(full.kind, "Photoshop image/layer copy");
    EXPECT_EQ(full.report_text,
              "LOGICAL CLIPBOARD OBJECT\r\n========================\r\n"
              "Type          : Photoshop image/layer copy\r\nLogical items : 1 image\r\n"
              "Dimensions    : 640 x 480 px\r\nPixel depth   : 32 bits\r\nDIB payload   : 1228924 bytes (1.17 MiB)\r\n"
              "Source file   : D:\\art\\poster.psd\r\nNative object : 70144 bytes (68.50 KiB) OLE compound object\r\n"
              "Native stream : 5000 bytes; Adobe Photoshop document (PSD, signature confirmed)\r\n\r\n"
              "REPRESENTATION GROUPS\r\n---------------------\r\n"
              "Portable image : CF_DIB, CF_DIBV5 and CF_BITMAP\r\nMetafile views : CF_METAFILEPICT and CF_ENHMETAFILE\r\n"
              "Adobe transfer : layer, placement and source-document metadata\r\n"
              "OLE object     : Embed Source/Native plus descriptor and transport bookkeeping\r\n\r\n"
              "SAVE INTERPRETATION\r\n-------------------\r\n"
              "Recommended image output: PNG derived from the best decoded DIB rendition.\r\n"
              "Native editable output: PSD by extracting the signature-confirmed /CONTENTS stream from the OLE "
              "object.\r\n"
              "Alternative image output: BMP; EMF/WMF only when the corresponding metafile can be preserved "
              "correctly.\r\nThe Adobe and OLE rows are fidelity/provenance contracts, not eighteen separate files.\r\n"
              "The embedded object should remain available for advanced extraction, but must not be mislabeled as a "
              "PSD unless its internal payload has a verified PSD signature.\r\n");

    PhotoshopFacts bare;
    bare.native_stream = NativeStreamFacts{64, "Adobe Photoshop-native CONTENTS stream; no portable file signature at "
                                               "stream start"};
    const std::string text = photoshop_object(bare).report_text;
    EXPECT_NE(text.find("Logical items : 1 image\r\nDimensions    : Not decoded\r\nNative stream : 64 bytes; "),
              std::string::npos);
    EXPECT_EQ(text.find("Native editable output"), std::string::npos);
    EXPECT_EQ(text.find("Pixel depth"), std::string::npos);
}

}  // namespace
}  // namespace cw
