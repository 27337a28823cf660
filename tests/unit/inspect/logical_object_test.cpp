#include "inspect/logical_object.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "base/text.h"
#include "compound_file_builder.h"
#include "inspect/file_lists.h"
#include "inspect/shell_records.h"
#include "report/report_text.h"
#include "unit/inspect/fake_file_probe.h"

namespace cw {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(TransferVocabulary, DropEffectsAsyncFlagAndTheRecogniserOrder)
{
    const std::pair<std::uint32_t, const char*> effects[] = {
        {0, "None"}, {5, "Copy + Link"}, {0x80000000U, "Scroll"}, {0x80000007U, "Copy + Move + Link + Scroll"}, {0x7FFFFFF8U, "None"}};
    for (const auto& [value, text] : effects) EXPECT_EQ(drop_effect_names(value), text) << value;
    const std::uint8_t five[] = {5, 0, 0, 0};
    EXPECT_EQ(drop_operation(ByteView(five).first(3)), "Not advertised");
    EXPECT_EQ(drop_operation(std::nullopt), "Not advertised");

    const PropertyTable flag = analyze_async_flag(five);
    EXPECT_EQ(flag.rows[0][1] + "|" + flag.table_caption + "|" + flag.text_caption, "Yes|Transfer behavior|Raw bytes");
    EXPECT_EQ(flag.raw_text, to_crlf(hex_dump(five)));
    EXPECT_EQ(analyze_async_flag(ByteView(five).first(2)).rows[0][1], "Invalid");

    auto e = [](std::uint32_t id, const char* name) { return FormatEntry{1, id, name, "", true, {}}; };
    const FormatEntry hdrop = e(15, "CF_HDROP"), cida = e(0xC001, "shell idlist array"), layer = e(0xC002, "Photoshop DIB Layer X"),
                      text = e(13, "CF_UNICODETEXT");
    EXPECT_EQ(choose_recogniser({text, layer, cida, hdrop}), Recogniser::ExplorerTransfer);
    EXPECT_EQ(choose_recogniser({layer, cida}), Recogniser::ShellNamespace);
    EXPECT_EQ(choose_recogniser({text, e(0xC003, "PHOTOSHOP CLIP SOURCE")}), Recogniser::Photoshop);
    EXPECT_EQ(choose_recogniser({text, e(0xC004, "CF_HDROP"), e(0xC005, "Photoshop DIB Layer XX")}), Recogniser::None);
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
    test::FakeFileProbe probe;
};

TEST_F(ExplorerTransfer, OneFileReport)
{
    const LogicalClipboardObject object = explorer_transfer_object({R"(C:\Users\me\report.tar.gz)"}, "Copy + Link", false, probe);
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
    const std::string folder = explorer_transfer_object({R"(C:\Users\me\Pictures)"}, "Move", false, probe).report_text;
    EXPECT_TRUE(contains(folder, "Type       : Explorer folder copy\r\n"));
    EXPECT_TRUE(contains(folder, "C:\\Users\\me\\Pictures\r\n  Kind      : Folder (contents not scanned)\r\n\r\n"
                                 "AVAILABLE INTERPRETATIONS\r\n-------------------------\r\nCopy items here\r\nCreate ZIP "
                                 "archive for folders\r\nCreate shortcut (.lnk)\r\nSave item listing (.txt/.csv/.json)\r\n"));

    // A link counts as a file and lists nothing more; a missing item and a device are unavailable.
    const LogicalClipboardObject mixed = explorer_transfer_object(
        {R"(C:\Users\me\.profile)", R"(C:\Users\me\shortcut)", R"(C:\Users\me\gone.txt)", R"(\\.\PhysicalDrive0)",
         R"(C:\Users\me\Pictures)"},
        "Not advertised", true, probe);
    EXPECT_EQ(mixed.kind, "Explorer item transfer");
    EXPECT_TRUE(contains(mixed.report_text, "Items      : 5\r\nFiles      : 2\r\nFolders    : 1\r\nUnavailable: 2\r\n"
                                            "Operation  : Not advertised\r\nStorage    : External filesystem reference\r\n"
                                            "Content bytes: Not self-contained; producer advertises indexed "
                                            "FileContents stream(s) on demand\r\n"));
    EXPECT_TRUE(contains(mixed.report_text, "C:\\Users\\me\\.profile\r\n  Kind      : File\r\n  Extension : None\r\n  "
                                            "Size      : 3 bytes (3 B)\r\nC:\\Users\\me\\shortcut\r\nC:\\Users\\me\\gone."
                                            "txt\r\n\\\\.\\PhysicalDrive0\r\nC:\\Users\\me\\Pictures\r\n"));
    for (const std::string& q : probe.asked) EXPECT_FALSE(contains(q, "PhysicalDrive")) << q;

    EXPECT_EQ(explorer_transfer_object({R"(C:\Users\me\.profile)", R"(C:\Users\me\report.tar.gz)"}, "", false, probe).kind,
              "Explorer item transfer");
    EXPECT_EQ(explorer_transfer_object({R"(C:\Users\me\gone.txt)"}, "", false, probe).kind, "Explorer item transfer");
    EXPECT_FALSE(contains(explorer_transfer_object({}, "", false, probe).report_text, "Unavailable:"));
}

TEST_F(ExplorerTransfer, ABigCopyIsExaminedOnlyInPartAndSaysSo)
{
    std::vector<std::string> paths(MAX_EXAMINED_PATHS - 2, R"(C:\Users\me\.profile)");
    for (const char* p : {R"(C:\Users\me\Pictures)", R"(C:\Users\me\gone.txt)", R"(C:\Users\me\report.tar.gz)"})
        paths.push_back(p);
    const LogicalClipboardObject big = explorer_transfer_object(paths, "Copy", false, probe);
    EXPECT_EQ(big.kind, "Explorer item transfer");
    EXPECT_TRUE(contains(big.report_text, "Items      : 5001\r\nExamined the first 5,000 of 5,001 items.\r\n"
                                          "Files      : 4998 (examined items only)\r\nFolders    : 1 (examined items "
                                          "only)\r\nUnavailable: 1 (examined items only)\r\nNot examined: 1\r\n"
                                          "Operation  : Copy\r\n"))
        << big.report_text.substr(0, 600);
    // The path past the bound is counted, never asked about, and left to the Items table.
    EXPECT_TRUE(contains(big.report_text, "C:\\Users\\me\\gone.txt\r\n(1 not examined; the CF_HDROP Items table "
                                          "lists every path)\r\n\r\nAVAILABLE"));
    for (const std::string& q : probe.asked) EXPECT_FALSE(contains(q, "report.tar.gz")) << q;
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

TEST(Photoshop, FactsAndReport)
{
    const auto header = decode_dib_header(as_bytes_view(dib_header(124, 640, -480, 32)), 1228924);
    ASSERT_TRUE(header);
    EXPECT_EQ(std::to_string(header->width) + "x" + std::to_string(header->height) + "x" + std::to_string(header->bits),
              "640x480x32");
    EXPECT_FALSE(decode_dib_header(as_bytes_view(dib_header(12, 1, 1, 24)), 40));
    EXPECT_EQ(decode_dib_header(as_bytes_view(dib_header(40, 1, INT32_MIN, 8)), 40)->height, 2147483648u);
    const std::string object = test::build_compound_file({{u"CONTENTS", test::photoshop_document(5000)}});
    const auto stream = native_contents_facts(as_bytes_view(object));
    ASSERT_TRUE(stream);
    EXPECT_EQ(std::to_string(stream->size) + " " + stream->label, "5000 Adobe Photoshop document (PSD, signature confirmed)");
    EXPECT_FALSE(native_contents_facts(as_bytes_view(std::string("not a compound file"))));

    const PhotoshopFacts facts{header, R"(D:\art\poster.psd)", 70144, stream};
    EXPECT_EQ(photoshop_object(facts).report_text,
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
    const std::string bare = photoshop_object(PhotoshopFacts{}).report_text;
    EXPECT_TRUE(contains(bare, "Logical items : 1 image\r\nDimensions    : Not decoded\r\n\r\nREPRESENTATION GROUPS"));
    EXPECT_FALSE(contains(bare, "Native editable output"));
}

}  // namespace
}  // namespace cw
