#include "inspect/shell_records.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "le_writer.h"
#include "report/report_text.h"

namespace cw {
namespace {

using test::put_le;

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::vector<std::string>>;

// A CIDA with these offsets (cidl = offsets - 1), then ITEMIDLIST data made of components of
// the given byte counts (0 is a terminator). Components below 0x1000 are padded to their count;
// larger counts are written alone, so they pass the block's end.
Bytes cida(const std::vector<std::uint32_t>& offsets, const std::vector<std::uint16_t>& counts)
{
    Bytes b;
    put_le(b, static_cast<std::uint32_t>(offsets.size() - 1), 4);
    for (std::uint32_t o : offsets) put_le(b, o, 4);
    for (std::uint16_t cb : counts) {
        put_le(b, cb, 2);
        if (cb > 2 && cb < 0x1000) b.resize(b.size() + cb - 2, 0x41);
    }
    return b;
}

TEST(ShellIdListArray, WalksEveryOffsetAndSaysHowItsListEnds)
{
    struct Case {
        Bytes block;
        Rows rows;
    };
    const Case cases[] = {
        {cida({8}, {0}), {{"Parent", "Parent namespace", "8", "2", "Desktop namespace root (empty PIDL)"}}},
        {cida({12, 14}, {0, 20, 20, 0}), {{"Parent", "Parent namespace", "12", "2", "Desktop namespace root (empty PIDL)"},
                                          {"1", "Transferred item", "14", "42", "Valid PIDL with 2 component(s)"}}},
        {cida({8}, {4, 1, 0}), {{"Parent", "Parent namespace", "8", "4", "Invalid ITEMIDLIST component length"}}},
        {cida({8}, {4, 0x1050}), {{"Parent", "Parent namespace", "8", "4", "Invalid ITEMIDLIST component length"}}},
        {cida({8}, {6, 6}), {{"Parent", "Parent namespace", "8", "12", "Truncated ITEMIDLIST"}}},
        {cida({12, 0xFFFFFFFF}, {0x1000}), {{"Parent", "Parent namespace", "12", "0", "Invalid ITEMIDLIST component length"},
                                            {"1", "Transferred item", "4294967295", "0", "Offset is outside the data block"}}},
        {cida({9}, {0}), {{"Parent", "Parent namespace", "9", "0", "Offset is outside the data block"}}},
    };
    for (const Case& c : cases) EXPECT_EQ(analyze_shell_idlist_array(c.block).rows, c.rows) << c.rows[0][2];

    const Bytes block = cida({8}, {0});
    const PropertyTable t = analyze_shell_idlist_array(block);
    EXPECT_EQ(t.columns, (std::vector<std::string>{"Entry", "Role", "Offset", "PIDL bytes", "Interpretation"}));
    EXPECT_EQ(t.table_caption + "|" + t.text_caption, "Shell identities|Structure / bytes");
    EXPECT_EQ(t.raw_text, "CIDA item count: 0\r\n\r\nShell PIDLs identify namespace objects, including virtual objects "
                          "with no filesystem path. They are Shell identity records, not portable file contents. "
                          "CF_HDROP/FileNameW is preferred when a canonical filesystem path is available.\r\n\r\n" +
                              to_crlf(hex_dump(block)));
}

TEST(ShellIdListArray, ShortBlocksAndCountsBeyondTheBlock)
{
    EXPECT_EQ(analyze_shell_idlist_array(Bytes(7, 0)).rows, (Rows{{"Status", "Invalid or truncated CIDA structure"}}));
    Bytes three(16, 0);
    three[0] = 3;  // 20 bytes would be needed
    EXPECT_EQ(analyze_shell_idlist_array(three).rows, (Rows{{"Advertised items", "3"}, {"Status", "Invalid CIDA offset table"}}));
    const Bytes huge{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(analyze_shell_idlist_array(huge).rows[0][1], "4294967295");
}

TEST(ShellIdListArray, ManyOffsetsIntoOneLongChainAreWalkedOnce)
{
    // 30,001 offsets into one chain of 100,000 two-byte components: billions of steps if each
    // offset were walked on its own.
    constexpr std::uint32_t items = 30000;
    std::vector<std::uint32_t> offsets;
    for (std::uint32_t i = 0; i <= items; ++i) offsets.push_back(4 * (items + 2) + 2 * (i % 1000));
    std::vector<std::uint16_t> chain(100000, 2);
    chain.push_back(0);
    const PropertyTable t = analyze_shell_idlist_array(cida(offsets, chain));
    ASSERT_EQ(t.rows.size(), items + 1);
    EXPECT_EQ(t.rows[0][3] + " " + t.rows[0][4], "200002 Valid PIDL with 100000 component(s)");
    EXPECT_EQ(t.rows[1999][3] + " " + t.rows[1999][4], "198004 Valid PIDL with 99001 component(s)");
}

TEST(ShellAttributes, MaskAndValueWithTheirNames)
{
    Bytes b;
    for (std::uint32_t v : {0x20000041u, 0u, 2u}) put_le(b, v, 4);
    EXPECT_EQ(analyze_shell_attributes(b, false).rows,
              (Rows{{"Meaning", "Shell capability/identity attributes shared by the transferred items. The mask says "
                                "which bits were evaluated; the value says which evaluated attributes are present."},
                    {"Item count", "2"},
                    {"Evaluated mask", "0x20000041  Can copy, Has property sheet, Folder"},
                    {"Attributes present", "0x00000000  None"},
                    {"Content value", "None. This record describes the Shell items; it is not independently saveable."}}));
    EXPECT_EQ(analyze_shell_attributes(b, false).table_caption, "Shell attributes");
    EXPECT_EQ(analyze_shell_attributes(b, true).table_caption, "Elevation attributes");
    EXPECT_EQ(analyze_shell_attributes(ByteView(b).first(11), false).rows,
              (Rows{{"Status", "Invalid 12-byte Shell attribute record"}}));
    EXPECT_EQ(shell_attribute_names(0xFFFFFFFF),
              "Can copy, Can move, Can link, Storage, Can rename, Can delete, Has property sheet, Drop target, "
              "Read-only, Hidden, Non-enumerated, New content, Stream/storage capability, Storage ancestor, Validate, "
              "Removable, Compressed, Browsable, Filesystem ancestor, Folder, Filesystem object, Has subfolder");
    EXPECT_EQ(shell_attribute_names(0x00010080), "None");
}

TEST(SmallShellRecords, DropEffectPointsAndPathAliases)
{
    const Bytes five{5, 0, 0, 0};
    const PropertyTable effect = analyze_preferred_drop_effect(five);
    EXPECT_EQ(effect.rows[1][1] + " | " + effect.rows[2][1] + " | " + effect.table_caption, "5 (0x00000005) | Copy + Link | Operation");
    const PropertyTable invalid = analyze_preferred_drop_effect(ByteView(five).first(3));
    EXPECT_EQ(invalid.rows[1][1] + " " + invalid.rows[2][1], "Invalid Invalid");

    Bytes points;
    for (std::int32_t v : {-1920, 0, -1, -1, 40, 0}) put_le(points, static_cast<std::uint32_t>(v), 4);
    EXPECT_EQ(analyze_shell_object_offsets(points).rows,
              (Rows{{"0", "Group screen origin", "-1920", "0", "Position metadata only"},
                    {"1", "Item position relative to group", "-1", "-1", "Contains a Shell sentinel/unpositioned coordinate"},
                    {"2", "Item position relative to group", "40", "0", "Position metadata only"}}));
    for (std::size_t n : {0, 4, 12})
        EXPECT_EQ(analyze_shell_object_offsets(ByteView(points).first(n)).rows, (Rows{{"Status", "Invalid POINT array"}}));

    const std::string wide("C\0:\0\\\0x\0\xE9\0" "\x3D", 11);  // no terminator, odd last byte
    const PropertyTable w = analyze_path_alias("filenamew", as_bytes_view(wide), true);
    EXPECT_EQ(w.rows[0][1] + " | " + w.rows[1][1] + " | " + w.table_caption, "C:\\x\xC3\xA9 | Unicode path alias | Unicode path");
    const std::string narrow = std::string("C:\\PROGRA~1\\\xFF.txt") + std::string("\0junk", 5);
    const PropertyTable a = analyze_path_alias("FileName", as_bytes_view(narrow), false);
    EXPECT_EQ(a.rows[0][1] + " | " + a.table_caption, "C:\\PROGRA~1\\\xEF\xBF\xBD.txt | Legacy path");
}

TEST(PasteInPlace, FieldsAppearAsTheBlockAllows)
{
    Bytes b;
    for (std::uint32_t v : {1u, 2u, 3u, 0x3FC00000u /* 1.5 */, 0xC2F6E979u /* -123.456 */, 0u, 0u}) put_le(b, v, 4);
    EXPECT_EQ(analyze_paste_in_place(ByteView(b).first(12)).rows,
              (Rows{{"Meaning", "Paste-position metadata"},
                    {"Payload size", "12 bytes"},
                    {"Header/flags", "1"},
                    {"Undocumented integer fields", "2, 3"},
                    {"Portability", "Adobe-private; useful for Paste in Place, not independently saveable"}}));
    const PropertyTable full = analyze_paste_in_place(b);
    EXPECT_EQ(full.rows[4][1] + " " + full.rows[5][1] + " " + full.table_caption, "1.500000 -123.456001 Placement");
    const std::pair<std::uint32_t, const char*> specials[] = {
        {0x7FC00000u, "NaN"}, {0xFFC00001u, "NaN"}, {0x7F800000u, "inf"}, {0xFF800000u, "-inf"}};
    for (const auto& [bits, text] : specials) {
        Bytes s(b.begin(), b.begin() + 16);
        put_le(s, bits, 4);
        EXPECT_EQ(analyze_paste_in_place(s).rows[5][1], text) << bits;
    }
}

}  // namespace
}  // namespace cw
