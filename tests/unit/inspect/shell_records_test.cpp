#include "inspect/shell_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "inspect/report_text.h"

namespace cw {
namespace {

bool starts_with(const std::string& text, const std::string& prefix) { return text.starts_with(prefix); }

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::vector<std::string>>;

void put_u16(Bytes& b, std::uint16_t v) { b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
void put_u32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
}

// A CIDA of the given offsets (cidl = offsets - 1) followed by `tail`.
Bytes cida(const std::vector<std::uint32_t>& offsets, const Bytes& tail)
{
    Bytes b;
    put_u32(b, static_cast<std::uint32_t>(offsets.size() - 1));
    for (std::uint32_t o : offsets) put_u32(b, o);
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

Bytes component(std::uint16_t cb)
{
    Bytes b;
    put_u16(b, cb);
    b.resize(std::max<std::size_t>(cb, 2), 0x41);
    return b;
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Rows property_rows(const PropertyTable& t)
{
    EXPECT_EQ(t.columns, (std::vector<std::string>{"Property", "Value"}));
    return t.rows;
}

TEST(ShellIdListArray, WalksEveryOffsetAndReportsHowItsListEnds)
{
    const Bytes terminator{0, 0};
    struct Case {
        const char* what;
        Bytes block;
        Rows rows;
    };
    const Case cases[] = {
        {"desktop parent only", cida({8}, terminator), {{"Parent", "Parent namespace", "8", "2", "Desktop namespace root (empty PIDL)"}}},
        {"two 20-byte components",
         cida({12, 14}, join({terminator, component(20), component(20), terminator})),
         {{"Parent", "Parent namespace", "12", "2", "Desktop namespace root (empty PIDL)"},
          {"1", "Transferred item", "14", "42", "Valid PIDL with 2 component(s)"}}},
        {"component of length 1, after a good one",
         cida({12, 14}, join({terminator, component(4), component(1), terminator})),
         {{"Parent", "Parent namespace", "12", "2", "Desktop namespace root (empty PIDL)"},
          {"1", "Transferred item", "14", "4", "Invalid ITEMIDLIST component length"}}},
        {"component passing the end", cida({8}, join({component(4), Bytes{0x50, 0x00}})),
         {{"Parent", "Parent namespace", "8", "4", "Invalid ITEMIDLIST component length"}}},
        {"last component ends at the end", cida({8}, join({component(6), component(6)})),
         {{"Parent", "Parent namespace", "8", "12", "Truncated ITEMIDLIST"}}},
        {"offsets in the last byte and far past the end", cida({12, 0xFFFFFFFF}, Bytes{0x00}),
         {{"Parent", "Parent namespace", "12", "0", "Offset is outside the data block"},
          {"1", "Transferred item", "4294967295", "0", "Offset is outside the data block"}}},
    };
    for (const Case& c : cases) {
        const PropertyTable t = analyze_shell_idlist_array(c.block);
        EXPECT_EQ(t.columns, (std::vector<std::string>{"Entry", "Role", "Offset", "PIDL bytes", "Interpretation"}));
        EXPECT_EQ(t.rows, c.rows) << c.what;
    }
}

TEST(ShellIdListArray, ShortBlocksAndCountsBeyondTheBlockGiveStatusRows)
{
    const Bytes seven(7, 0);
    EXPECT_EQ(property_rows(analyze_shell_idlist_array(seven)), (Rows{{"Status", "Invalid or truncated CIDA structure"}}));
    Bytes three(16, 0);
    three[0] = 3;  // 20 bytes would be needed
    EXPECT_EQ(property_rows(analyze_shell_idlist_array(three)),
              (Rows{{"Advertised items", "3"}, {"Status", "Invalid CIDA offset table"}}));
    Bytes huge(12, 0);
    std::memset(huge.data(), 0xFF, 4);
    const PropertyTable t = analyze_shell_idlist_array(huge);
    EXPECT_EQ(t.rows, (Rows{{"Advertised items", "4294967295"}, {"Status", "Invalid CIDA offset table"}}));
    EXPECT_EQ(t.raw_text, to_crlf(hex_dump(huge)));
}

TEST(ShellIdListArray, TextAndCaptions)
{
    const Bytes block = cida({8}, Bytes{0, 0});
    const PropertyTable t = analyze_shell_idlist_array(block);
    EXPECT_EQ(t.table_caption, "Shell identities");
    EXPECT_EQ(t.text_caption, "Structure / bytes");
    EXPECT_EQ(t.raw_text,
              "CIDA item count: 0\r\n\r\nShell PIDLs identify namespace objects, including virtual objects with no "
              "filesystem path. They are Shell identity records, not portable file contents. CF_HDROP/FileNameW is "
              "preferred when a canonical filesystem path is available.\r\n\r\n" +
                  to_crlf(hex_dump(block)));
}

TEST(ShellIdListArray, ManyOffsetsIntoOneLongChainAreWalkedOnce)
{
    // 30,000 items whose offsets all lead into one chain of 100,000 two-byte components: walked
    // per offset this would take billions of steps.
    constexpr std::uint32_t items = 30000, components = 100000;
    std::vector<std::uint32_t> offsets;
    const std::uint32_t chain = 4 * (items + 2);
    for (std::uint32_t i = 0; i <= items; ++i) offsets.push_back(chain + 2 * (i % 1000));
    Bytes tail;
    for (std::uint32_t i = 0; i < components; ++i) put_u16(tail, 2);
    put_u16(tail, 0);
    const PropertyTable t = analyze_shell_idlist_array(cida(offsets, tail));
    ASSERT_EQ(t.rows.size(), items + 1);
    EXPECT_EQ(t.rows[0][4], "Valid PIDL with 100000 component(s)");
    EXPECT_EQ(t.rows[0][3], "200002");
    EXPECT_EQ(t.rows[999][4], "Valid PIDL with 99001 component(s)");
    EXPECT_EQ(t.rows[1999][3], "198004");
}

TEST(ShellAttributes, MaskAndValueWithTheirNames)
{
    Bytes b;
    put_u32(b, 0x20000041);
    put_u32(b, 0);
    put_u32(b, 2);
    b.push_back(0xEE);  // ignored except by the dump
    const PropertyTable plain = analyze_shell_attributes(b, false);
    EXPECT_EQ(property_rows(plain),
              (Rows{{"Meaning", "Shell capability/identity attributes shared by the transferred items. The mask says "
                                "which bits were evaluated; the value says which evaluated attributes are present."},
                    {"Item count", "2"},
                    {"Evaluated mask", "0x20000041  Can copy, Has property sheet, Folder"},
                    {"Attributes present", "0x00000000  None"},
                    {"Content value", "None. This record describes the Shell items; it is not independently saveable."}}));
    EXPECT_EQ(plain.table_caption, "Shell attributes");
    EXPECT_EQ(plain.raw_text, to_crlf(hex_dump(b)));
    const PropertyTable elevated = analyze_shell_attributes(b, true);
    EXPECT_EQ(elevated.table_caption, "Elevation attributes");
    EXPECT_EQ(elevated.rows[0][1], "Attributes from the requested mask that Explorer associates with operations "
                                   "requiring elevation. Zero means none of the requested operations are flagged in "
                                   "this record.");
    EXPECT_EQ(property_rows(analyze_shell_attributes(ByteView(b).first(11), false)),
              (Rows{{"Status", "Invalid 12-byte Shell attribute record"}}));
}

TEST(ShellAttributes, NamesFollowTheTableAndSkipUnnamedBits)
{
    EXPECT_EQ(shell_attribute_names(0xFFFFFFFF),
              "Can copy, Can move, Can link, Storage, Can rename, Can delete, Has property sheet, Drop target, "
              "Read-only, Hidden, Non-enumerated, New content, Stream/storage capability, Storage ancestor, Validate, "
              "Removable, Compressed, Browsable, Filesystem ancestor, Folder, Filesystem object, Has subfolder");
    EXPECT_EQ(shell_attribute_names(0x00010080), "None");
}

TEST(PreferredDropEffect, RawValueAndEffectNames)
{
    const Bytes five{5, 0, 0, 0};
    const PropertyTable t = analyze_preferred_drop_effect(five);
    EXPECT_EQ(property_rows(t),
              (Rows{{"Meaning", "The source's requested/allowed Shell transfer effect. It describes the operation; it "
                                "is not content."},
                    {"Raw value", "5 (0x00000005)"},
                    {"Effect flags", "Copy + Link"},
                    {"Clipwright policy", "Harvest/copy only. This application will not delete or move the source "
                                          "even when Move is advertised."}}));
    EXPECT_EQ(t.table_caption, "Operation");
    const PropertyTable short_block = analyze_preferred_drop_effect(ByteView(five).first(3));
    EXPECT_EQ(short_block.rows[1][1], "Invalid");
    EXPECT_EQ(short_block.rows[2][1], "Invalid");
}

TEST(ShellObjectOffsets, PointsAndSentinels)
{
    Bytes b;
    for (std::int32_t v : {-1920, 0, -1, -1, 40, 0}) put_u32(b, static_cast<std::uint32_t>(v));
    const PropertyTable t = analyze_shell_object_offsets(b);
    EXPECT_EQ(t.columns, (std::vector<std::string>{"Index", "Meaning", "X", "Y", "Note"}));
    EXPECT_EQ(t.rows, (Rows{{"0", "Group screen origin", "-1920", "0", "Position metadata only"},
                            {"1", "Item position relative to group", "-1", "-1",
                             "Contains a Shell sentinel/unpositioned coordinate"},
                            {"2", "Item position relative to group", "40", "0", "Position metadata only"}}));
    EXPECT_EQ(t.table_caption, "Positions");
    EXPECT_PRED2(starts_with, t.raw_text, "These coordinates help Explorer position transferred icons. They contain no "
                                         "file content and should never be offered as output.\r\n\r\n00000000  ");
    for (std::size_t n : {0, 4, 12})
        EXPECT_EQ(property_rows(analyze_shell_object_offsets(ByteView(b).first(n))), (Rows{{"Status", "Invalid POINT array"}}));
}

TEST(PathAlias, DecodesTheFirstPathOfEitherVariant)
{
    const std::string wide("C\0:\0\\\0x\0\xE9\0" "\x3D", 11);  // no terminator, odd last byte
    const PropertyTable w = analyze_path_alias("filenamew", as_bytes_view(wide), true);
    EXPECT_EQ(w.rows[0], (std::vector<std::string>{"Path", "C:\\x\xC3\xA9"}));
    EXPECT_EQ(w.rows[1][1], "Unicode path alias");
    EXPECT_EQ(w.table_caption, "Unicode path");
    const std::string narrow = std::string("C:\\PROGRA~1\\\xFF.txt") + std::string("\0junk", 5);
    const PropertyTable a = analyze_path_alias("FileName", as_bytes_view(narrow), false);
    EXPECT_EQ(property_rows(a),
              (Rows{{"Path", "C:\\PROGRA~1\\\xEF\xBF\xBD.txt"},
                    {"Meaning", "Legacy ANSI path alias; it may contain an 8.3 short name"},
                    {"Relationship", "An alternate spelling of an item already represented by CF_HDROP and Shell "
                                     "IDList Array; not another logical payload."},
                    {"Save guidance", "Use the canonical CF_HDROP/Unicode path for filesystem operations."}}));
    EXPECT_EQ(a.table_caption, "Legacy path");
}

TEST(PasteInPlace, FieldsAppearAsTheBlockAllows)
{
    Bytes b;
    for (std::uint32_t v : {1u, 2u, 3u, 0x3FC00000u /* 1.5 */, 0xC2F6E979u /* -123.456 */, 0u, 0u}) put_u32(b, v);
    const Rows twelve = property_rows(analyze_paste_in_place(ByteView(b).first(12)));
    EXPECT_EQ(twelve, (Rows{{"Meaning", "Paste-position metadata"},
                            {"Payload size", "12 bytes"},
                            {"Header/flags", "1"},
                            {"Undocumented integer fields", "2, 3"},
                            {"Portability", "Adobe-private; useful for Paste in Place, not independently saveable"}}));
    const PropertyTable full = analyze_paste_in_place(b);
    EXPECT_EQ(full.rows[4], (std::vector<std::string>{"Placement field A", "1.500000"}));
    EXPECT_EQ(full.rows[5], (std::vector<std::string>{"Placement field B", "-123.456001"}));
    EXPECT_EQ(full.table_caption, "Placement");
    EXPECT_PRED2(starts_with, full.raw_text, "This 28-byte Adobe-private block accompanies the image so an Adobe-aware "
                                            "target can reproduce its placement.\r\n");
    EXPECT_EQ(property_rows(analyze_paste_in_place(ByteView(b).first(11))).size(), 3u);

    const std::pair<std::uint32_t, const char*> specials[] = {
        {0x7FC00000u, "NaN"}, {0xFFC00001u, "NaN"}, {0x7F800000u, "inf"}, {0xFF800000u, "-inf"}};
    for (const auto& [bits, text] : specials) {
        Bytes s(b.begin(), b.begin() + 16);
        put_u32(s, bits);
        EXPECT_EQ(analyze_paste_in_place(s).rows[5][1], text) << bits;
    }
}

}  // namespace
}  // namespace cw
