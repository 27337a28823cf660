#include "app/table_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "preview/table_text.h"

namespace cw {
namespace {

std::vector<std::string> captions(const TableListModel& model)
{
    std::vector<std::string> out;
    for (const ListColumn& c : model.columns) out.push_back(c.caption);
    return out;
}

TEST(TableList, ColumnsCoverTheLongestRowAndMissingCaptionsAreLetters)
{
    struct Case {
        const char* what;
        PropertyTable table;
        std::vector<std::string> captions;
    };
    const Case cases[] = {
        {"property table",
         {{"Property", "Value"}, {{"Size", "3 B"}}, "", "Decoded", "Raw bytes"},
         {"Property", "Value"}},
        {"rows wider than the captions",
         {{"A", "B"}, {{"1"}, {"1", "2", "3", "4"}}, "", "Table", "Source"},
         {"A", "B", "C", "D"}},
        {"workbook status", {{"Status", "Detail"}, {{"x", "y", "z"}}, "", "", ""}, {"Status", "Detail", "C"}},
        {"more captions than cells", {{"Workbook"}, {}, "", "", ""}, {"Workbook"}},
        {"nothing at all", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(captions(build_table_list(c.table, 96)), c.captions) << c.what;
}

TEST(TableList, LetterCaptionsBeyondZ)
{
    PropertyTable table;
    table.rows.push_back(std::vector<std::string>(703));
    const std::vector<std::string> all = captions(build_table_list(table, 96));
    ASSERT_EQ(all.size(), 703U);
    EXPECT_EQ(all[0], "A");
    EXPECT_EQ(all[25], "Z");
    EXPECT_EQ(all[26], "AA");
    EXPECT_EQ(all[27], "AB");
    EXPECT_EQ(all[701], "ZZ");
    EXPECT_EQ(all[702], "AAA");
}

TEST(TableList, WidthAndCells)
{
    PropertyTable table{{"A"}, {{"a", "b"}, {}}, "", "Table", "Source"};
    EXPECT_EQ(table_column_width(96), 140);
    EXPECT_EQ(table_column_width(0), 140);
    EXPECT_EQ(table_column_width(120), 175);
    EXPECT_EQ(table_column_width(144), 210);
    for (const ListColumn& c : build_table_list(table, 144).columns) EXPECT_EQ(c.width, 210);

    EXPECT_EQ(table_cell_text(table, 0, 1), "b");
    EXPECT_EQ(table_cell_text(table, 1, 0), "");
    EXPECT_EQ(table_cell_text(table, 0, 5), "");
    EXPECT_EQ(table_cell_text(table, 9, 0), "");
}

TEST(TableList, CellPrefixFitsTheListsBuffer)
{
    PropertyTable table{{}, {{"h\xC3\xA9llo", "a\xF0\x9F\x98\x80!", std::string(10000, 'x')}}, "", "", ""};
    struct Case {
        std::size_t column, capacity;
        std::u16string text;
    };
    const Case cases[] = {
        {0, 3, u"h\u00E9"},
        {0, 99, u"h\u00E9llo"},
        {0, 0, u""},
        {0, 1, u""},
        {1, 3, u"a"},  // a surrogate pair is never cut in half
        {1, 4, u"a\U0001F600"},
        {2, 260, std::u16string(259, u'x')},
        {7, 50, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table_cell_prefix(table, 0, c.column, c.capacity), c.text) << c.column << " " << c.capacity;
}

void ascii_fold(std::u16string& text)
{
    for (char16_t& u : text)
        if (u >= u'A' && u <= u'Z') u = static_cast<char16_t>(u - u'A' + u'a');
}

TEST(TableList, TypeAheadFindsTheFirstCell)
{
    PropertyTable table{{}, {{"Apple"}, {"banana"}, {"Berry"}, {}, {"bANANA split", "x"}}, "", "", ""};
    struct Case {
        RowSearch search;
        std::optional<std::size_t> row;
    };
    const Case cases[] = {
        {{u"b", 0}, 1},
        {{u"b", 2}, 2},
        {{u"BAN", 2}, 4},
        {{u"ap", 1}, 0},
        {{u"ap", 1, true, false}, std::nullopt},
        {{u"banana", 2, false}, 1},  // whole text: "bANANA split" is no match
        {{u"", 3}, 3},
        {{u"zzz", 0}, std::nullopt},
        {{u"b", 99}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(find_table_row(table, c.search, ascii_fold), c.row)
            << std::string(c.search.text.begin(), c.search.text.end()) << " from " << c.search.start;
}

TEST(TableList, CopiedRowsPasteBackAsTheSameCells)
{
    const TableRows rows = {{"plain", "tab\there", "two\r\nlines"}, {"say \"hi\"", "", ""}, {}, {"", "b"}};
    PropertyTable table{{"A", "B", "C"}, rows, "", "", ""};
    const std::optional<std::string> text = table_rows_text(table, {0, 1, 2, 3}, 3);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "plain\t\"tab\there\"\t\"two\r\nlines\"\r\n\"say \"\"hi\"\"\"\r\n\r\n\tb\r\n");
    // Read back as the tabbed-text preview reads it: an empty row is one empty cell.
    const TableRows expected = {rows[0], {"say \"hi\""}, {""}, rows[3]};
    EXPECT_EQ(parse_delimited_text(*text, '\t').rows, expected);

    // Only the selected rows, only the shown columns, and nothing past the limit.
    EXPECT_EQ(table_rows_text(table, {3, 0}, 1), "\r\nplain\r\n");
    EXPECT_EQ(table_rows_text(table, {0, 1}, 3, 20), std::nullopt);
}

}  // namespace
}  // namespace cw
