#include "inspect/ole_objects.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "compound_file_builder.h"
#include "corpus.h"
#include "le_writer.h"
#include "libs/cfb/cfb.h"
#include "link_source_rows.h"

namespace cw {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::vector<std::string>>;

struct Writer {
    Bytes bytes;
    Writer& raw(std::string_view s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Writer& u16(std::uint16_t v) { return put(v, 2); }
    Writer& u32(std::uint32_t v) { return put(v, 4); }
    Writer& put(std::uint64_t v, int width)
    {
        test::put_le(bytes, v, width);
        return *this;
    }
    // The moniker class {0000030X-0000-0000-C000-000000000046} in stored byte order.
    Writer& moniker(std::uint8_t kind) { return raw(std::string{char(kind), 3, 0, 0, 0, 0, 0, 0, '\xC0', 0, 0, 0, 0, 0, 0, 0x46}); }
    Writer& counted(std::string_view s) { return u32(static_cast<std::uint32_t>(s.size() + 1)).raw(s).raw(std::string(1, '\0')); }
};

Bytes excel_link_source()
{
    Writer w;
    w.moniker(0x09).u32(2);
    w.moniker(0x03).u16(0).counted("C:\\Data\\Budget.xlsx").u32(0xDEADFFFF);
    w.moniker(0x04).counted("!").counted("Sheet1!R1C1:R3C2");
    return w.bytes;
}

TEST(OleLinkFormat, LinkSourceMonikers)
{
    EXPECT_EQ(analyze_ole_link_format("Link Source", excel_link_source()).rows, test::workbook_range_link_rows());

    const Rows status{{"Status", "Unrecognized serialized moniker; no text was guessed from binary data."}};
    EXPECT_EQ(analyze_ole_link_format("link source", Bytes(10, 0x41)).rows, status);
    EXPECT_EQ(analyze_ole_link_format("Link Source", Bytes{}).rows, status);

    Writer item_only;
    item_only.raw("xx").moniker(0x04).counted("\\").counted("A1");
    EXPECT_EQ(analyze_ole_link_format("Link Source", item_only.bytes).rows,
              (Rows{{"Component 2", "Item moniker"}, {"Delimiter", "\\"}, {"Item", "A1"}}));

    // Forged lengths give no row for their string, and nothing is guessed instead.
    struct Case {
        const char* what;
        Bytes bytes;
        Rows rows;
    };
    const Case forged[] = {
        {"composite cut after its class", Writer().moniker(0x09).u16(1).bytes, {{"Moniker type", "Composite moniker"}}},
        {"path length 0", Writer().moniker(0x03).u16(0).u32(0).raw("abc").bytes, {{"Component 1", "File moniker"}}},
        {"path length past the block", Writer().moniker(0x03).u16(0).u32(5).raw("abcd").bytes,
         {{"Component 1", "File moniker"}}},
        {"path length 4 MiB + 1", Writer().moniker(0x03).u16(0).u32(0x400001).raw("abcd").bytes,
         {{"Component 1", "File moniker"}}},
        {"path length field cut", Writer().moniker(0x03).u16(0).u16(1).bytes, {{"Component 1", "File moniker"}}},
        {"class at the very end", Writer().raw("zz").moniker(0x04).bytes, {{"Component 2", "Item moniker"}}},
        {"delimiter too long: no item either", Writer().moniker(0x04).u32(0xFFFFFFFF).counted("A1").bytes,
         {{"Component 2", "Item moniker"}}},
        {"item length past the block", Writer().moniker(0x04).counted("!").u32(9).raw("A1").bytes,
         {{"Component 2", "Item moniker"}, {"Delimiter", "!"}}},
        {"unterminated strings and invalid UTF-8", Writer().moniker(0x04).u32(1).raw("!").u32(3).raw("a\xFF" "b").bytes,
         {{"Component 2", "Item moniker"}, {"Delimiter", "!"}, {"Item", "a\xEF\xBF\xBD" "b"}}},
    };
    for (const Case& c : forged) EXPECT_EQ(analyze_ole_link_format("Link Source", c.bytes).rows, c.rows) << c.what;
}

TEST(OleLinkFormat, CountedTextLimits)
{
    const Bytes block{'a', 'b', 0, 'c'};
    EXPECT_EQ(read_counted_text(block, 0, 3), "ab");
    EXPECT_EQ(read_counted_text(block, 1, 3), std::string("b\0c", 3));  // only a last zero is dropped
    EXPECT_EQ(read_counted_text(block, 2, 1), "");
    EXPECT_FALSE(read_counted_text(block, 0, 0));
    EXPECT_FALSE(read_counted_text(block, 1, 4));
    EXPECT_FALSE(read_counted_text(block, 0xFFFFFFFFFFFFFFFFull, 2));
    const Bytes big(0x400001, 'x');
    EXPECT_EQ(read_counted_text(big, 0, 0x400000)->size(), 0x400000u);
    EXPECT_FALSE(read_counted_text(big, 0, 0x400001));
}

Bytes descriptor(std::uint32_t aspect, std::uint32_t status, std::uint32_t type_offset, std::uint32_t source_offset)
{
    Writer w;
    w.u32(52);
    w.u32(0x00020820).u16(0).u16(0).raw(std::string{'\xC0', 0, 0, 0, 0, 0, 0, 0x46});
    w.u32(aspect).u32(2540).u32(static_cast<std::uint32_t>(-1270)).u32(static_cast<std::uint32_t>(-5)).u32(7);
    w.u32(status).u32(type_offset).u32(source_offset);
    return w.bytes;
}

TEST(OleLinkFormat, ObjectDescriptor)
{
    const Rows fixed{{"Structure size", "52 bytes"},
                     {"Class ID", "{00020820-0000-0000-C000-000000000046}"},
                     {"Draw aspect", "1 (0x1)"},
                     {"Suggested size", "2540 x -1270 HIMETRIC"},
                     {"Drag point", "-5, 7"},
                     {"Status", "131072 (0x20000)"}};
    const PropertyTable bare = analyze_ole_link_format("Object Descriptor", descriptor(1, 0x20000, 0, 0));
    EXPECT_EQ(bare.rows, fixed);
    EXPECT_EQ(bare.columns, (std::vector<std::string>{"Property", "Value"}));

    Writer strings{descriptor(1, 0x20000, 52, 76)};
    for (char16_t u : u"Excel Sheet"s) strings.u16(u);
    strings.u16(0);
    // An unpaired surrogate, no terminator and an odd last byte.
    for (char16_t u : std::u16string{u'B', char16_t(0xDC00), u'k'}) strings.u16(u);
    strings.raw("!");
    const Bytes with_strings = strings.bytes;
    Rows expected = fixed;
    expected.push_back({"Full user type", "Excel Sheet"});
    expected.push_back({"Source of copy", "B\xEF\xBF\xBDk"});
    EXPECT_EQ(analyze_ole_link_format("Link Source Descriptor", with_strings).rows, expected);

    Bytes strange = descriptor(1, 0x20000, 20, 76);  // inside the fixed part, past the end
    expected = fixed;
    expected.push_back({"Full user type", "\x01"});  // the low unit of the draw aspect
    EXPECT_EQ(analyze_ole_link_format("Object Descriptor", strange).rows, expected);
    strange = descriptor(1, 0x20000, 52, 51);  // at the block's end, and on its last (odd) byte
    EXPECT_EQ(analyze_ole_link_format("Object Descriptor", strange).rows, fixed);

    // 51 bytes are not a descriptor: the printable strings instead. "Descriptor" is matched with its case.
    Bytes short_one = descriptor(1, 0x20000, 0, 0);
    short_one.resize(51);
    const PropertyTable fallback = analyze_ole_link_format("Object Descriptor", short_one);
    EXPECT_EQ(fallback.columns, (std::vector<std::string>{"Part", "Decoded value"}));
    EXPECT_TRUE(fallback.rows.empty());
    EXPECT_EQ(analyze_ole_link_format("Object descriptor", descriptor(1, 0, 0, 0)).columns[0], "Part");
}

TEST(OleLinkFormat, LinkStringsAndPrintableStrings)
{
    const std::string owner_link = "Excel.Sheet.12\0C:\\Data\\Budget.xlsx\0 Sheet1!R1C1:R3C2 \0\0"s;
    const PropertyTable owner = analyze_ole_link_format("OWNERLINK", as_bytes_view(owner_link));
    EXPECT_EQ(owner.rows, (Rows{{"1", "Excel.Sheet.12"}, {"2", "C:\\Data\\Budget.xlsx"}, {"3", "Sheet1!R1C1:R3C2"}}));
    EXPECT_EQ(owner.table_caption, "Decoded");
    EXPECT_EQ(owner.text_caption, "Raw bytes");
    EXPECT_EQ(owner.raw_text.rfind("00000000  45 78 63 65", 0), 0u);
    EXPECT_EQ(split_link_parts(as_bytes_view("\0 \0caf\xE9"s)), (std::vector<std::string>{"caf\xEF\xBF\xBD"}));
    EXPECT_TRUE(split_link_parts({}).empty());

    const std::string mixed = "zeta\0ab\0alpha\0zeta\0 pad \0   \0bin\x01" "ary\0\x7F\x7F\x7F\0tail"s;
    EXPECT_EQ(extract_printable_strings(as_bytes_view(mixed)), (std::vector<std::string>{"alpha", "pad", "tail", "zeta"}));
    const PropertyTable other = analyze_ole_link_format("Link Source Descriptorx", as_bytes_view(mixed));
    EXPECT_EQ(other.rows, (Rows{{"1", "alpha"}, {"2", "pad"}, {"3", "tail"}, {"4", "zeta"}}));
}

std::string compobj_stream()
{
    Writer w;
    w.raw("\x01\0\xFE\xFF\x03\x0A\0\0"s).u32(0xFFFFFFFF);
    w.raw(std::string(16, '\0')).counted("Adobe Photoshop Image").counted("Photoshop.Image.13").u32(0);
    std::string s(w.bytes.begin(), w.bytes.end());
    s.resize(4096, '\0');
    return s;
}

std::string cell(const PropertyTable& t, std::string_view property)
{
    for (const auto& row : t.rows)
        if (row[0] == property) return row[1];
    return "<none>";
}

TEST(EmbeddedObjectReport, PhotoshopObjectReportInFull)
{
    const std::string psd = test::photoshop_document(5000);
    const std::string container =
        test::build_compound_file({{u"\x01" u"CompObj", compobj_stream()}, {u"CONTENTS", psd}});
    const PropertyTable t = analyze_embedded_object("Embed Source", as_bytes_view(container));
    const std::string size = std::to_string(container.size());
    EXPECT_EQ(t.rows, (Rows{{"Clipboard role", "Embeddable OLE source object"},
                            {"Container", "OLE Compound File Binary (signature confirmed)"},
                            {"Container size", size + " bytes (10.50 KiB)"},
                            {"Compound entries", "3"},
                            {"Native CONTENTS stream", "5000 bytes"},
                            {"CONTENTS interpretation", "Adobe Photoshop document (PSD, signature confirmed)"},
                            {"Object identity", "Adobe Photoshop Image | Photoshop.Image.13"},
                            {"Save behavior", "Verified .psd candidate: extract the /CONTENTS stream exactly; do not "
                                              "save the outer OLE wrapper as .psd"}}));
    EXPECT_EQ(t.table_caption, "Object");
    EXPECT_EQ(t.text_caption, "Structure");
    EXPECT_EQ(t.raw_text,
              "EMBEDDED OLE OBJECT\r\n===================\r\n"
              "Clipboard format : Embed Source\r\nContainer bytes  : " + size + "\r\n"
              "Signature        : OLE compound document (signature confirmed)\r\n"
              "\r\nCOMPOUND-FILE ENTRIES\r\n---------------------\r\n"
              "root           0 bytes  /\r\n"
              "stream      4096 bytes  /\x01" "CompObj\r\n"
              "stream      5000 bytes  /CONTENTS\r\n"
              "\r\nNATIVE CONTENTS STREAM\r\n----------------------\r\n"
              "Length        : 5000 bytes\r\n"
              "Interpretation: Adobe Photoshop document (PSD, signature confirmed)\r\n"
              "First bytes:\r\n"
              "00000000  38 42 50 53 00 01 00 00  00 00 00 00 00 03 00 00  | 8BPS............\r\n"
              "00000010  00 01 00 00 00 01 00 08  00 03 5A 5A 5A 5A 5A 5A  | ..........ZZZZZZ\r\n"
              "00000020  5A 5A 5A 5A 5A 5A 5A 5A  5A 5A 5A 5A 5A 5A 5A 5A  | ZZZZZZZZZZZZZZZZ\r\n"
              "00000030  5A 5A 5A 5A 5A 5A 5A 5A  5A 5A 5A 5A 5A 5A 5A 5A  | ZZZZZZZZZZZZZZZZ\r\n"
              "\r\nCOMPOBJ TEXT\r\n------------\r\nAdobe Photoshop Image\r\nPhotoshop.Image.13\r\n");
}

TEST(EmbeddedObjectReport, WrappersThatAreNotPhotoshopDocuments)
{
    const std::string evidence =
        "Advanced embedded-object evidence; do not label the container as PSD without an internal PSD signature";
    const std::string native = test::build_compound_file({{u"CONTENTS", std::string(4096, '\x11')}});
    const PropertyTable t = analyze_embedded_object("Native", as_bytes_view(native));
    EXPECT_EQ(cell(t, "Clipboard role"), "Producer-native OLE object");
    EXPECT_EQ(cell(t, "CONTENTS interpretation"),
              "Adobe Photoshop-native CONTENTS stream; no portable file signature at stream start");
    EXPECT_EQ(cell(t, "Object identity"), "<none>");
    EXPECT_EQ(cell(t, "Save behavior"), evidence);

    const std::string psb = test::build_compound_file({{u"Contents", "8BPS\0\x02"s + std::string(5000, 'b')}});
    EXPECT_EQ(cell(analyze_embedded_object("Embed Source", as_bytes_view(psb)), "Save behavior"), evidence);

    const std::string not_compound = test::photoshop_document(100);
    const PropertyTable bad = analyze_embedded_object("Native", as_bytes_view(not_compound));
    ASSERT_EQ(bad.rows.size(), 4u);
    EXPECT_EQ(bad.rows[1][1], "Adobe Photoshop document (PSD, signature confirmed)");
    EXPECT_EQ(bad.rows[2][1], "100 bytes (100 B)");
    EXPECT_EQ(bad.rows[3][1].rfind("Invalid OLE container: ", 0), 0u);
    EXPECT_NE(bad.raw_text.find("\r\nParser error: "), std::string::npos);
    EXPECT_EQ(bad.raw_text.find("\r\r"), std::string::npos);
    EXPECT_EQ(analyze_embedded_object("Native", {}).rows[1][1], "No recognized signature in the 32-byte sample");
}

// A container at the read limit is read where it lies: the listing, CONTENTS and CompObj come
// from the few sectors they use.
TEST(EmbeddedObjectReport, ContainerOf256MiB)
{
    std::string container = test::build_compound_file({{u"CONTENTS", test::photoshop_document(5000)}});
    container.resize(std::size_t{256} << 20, '\0');
    const PropertyTable t = analyze_embedded_object("Native", as_bytes_view(container));
    EXPECT_EQ(cell(t, "Container size"), "268435456 bytes (256.00 MiB)");
    EXPECT_EQ(cell(t, "Compound entries"), "2");
    EXPECT_EQ(cell(t, "CONTENTS interpretation"), "Adobe Photoshop document (PSD, signature confirmed)");
    EXPECT_LT(t.raw_text.size(), 2048u);
}

// Every compound file of the corpus, as "Embed Source": the entries the reader lists, each once,
// or the parser row when the reader refuses the file.
TEST(EmbeddedObjectReport, CorpusCompoundFiles)
{
    CW_REQUIRE_CORPUS();
    int files = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(test::corpus_dir() / "cfb")) {
        if (!item.is_regular_file() || item.path().extension() == ".md") continue;
        ++files;
        const Bytes bytes = test::read_file_bytes(item.path());
        const PropertyTable t = analyze_embedded_object("Embed Source", bytes);
        const std::string name = item.path().filename().string();
        auto file = cfb::CompoundFile::open(std::span<const std::uint8_t>(bytes));
        if (!file) {
            EXPECT_EQ(cell(t, "Parser"), "Invalid OLE container: " + file.error().message) << name;
            EXPECT_EQ(cell(t, "Save behavior"), "<none>") << name;
            continue;
        }
        EXPECT_EQ(cell(t, "Compound entries"), std::to_string(file->entries().size())) << name;
        std::size_t from = 0;
        for (const cfb::Entry& entry : file->entries()) {
            const std::size_t at = t.raw_text.find("bytes  " + entry.path + "\r\n", from);
            ASSERT_NE(at, std::string::npos) << name << " " << entry.path;
            from = at;
        }
        EXPECT_NE(cell(t, "Save behavior"), "<none>") << name;
    }
    EXPECT_GT(files, 40);
}

}  // namespace
}  // namespace cw
