#include "preview/table_text.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

TEST(TableText, ColumnLettersAreBijectiveBase26)
{
    const auto letters = column_letters(703);
    ASSERT_EQ(letters.size(), 703U);
    const std::pair<std::size_t, const char*> expected[] = {{0, "A"},   {25, "Z"},  {26, "AA"},  {27, "AB"},
                                                            {51, "AZ"}, {52, "BA"}, {701, "ZZ"}, {702, "AAA"}};
    for (const auto& [index, caption] : expected) EXPECT_EQ(letters[index], caption) << index;
    EXPECT_TRUE(column_letters(0).empty());
}

TEST(TableText, DelimitedTextRows)
{
    struct Case {
        const char* what;
        std::string text;
        char delimiter;
        TableRows rows;
        std::size_t columns;
    };
    const Case cases[] = {
        {"CR LF lines with a quoted delimiter", "a,b\r\nc,\"d,e\"\r\n", ',', {{"a", "b"}, {"c", "d,e"}}, 2},
        {"doubled quotes", "\"He said \"\"hi\"\"\"", ',', {{"He said \"hi\""}}, 1},
        {"trailing empty lines dropped", "1,2\n\n\n", ',', {{"1", "2"}}, 2},
        {"middle empty line kept", "1,2\n\n3", ',', {{"1", "2"}, {""}, {"3"}}, 2},
        {"tabs, short last row", "a\tb\nc", '\t', {{"a", "b"}, {"c"}}, 2},
        {"a quote inside a field is text", "a\"b\"c,d\tHe said \"fresh, crisp\"", '\t',
         {{"a\"b\"c,d", "He said \"fresh, crisp\""}}, 2},
        {"a quote not before a delimiter does not close", "\"a\"b\" c\",\"\",x", ',', {{"a\"b\" c", "", "x"}}, 3},
        {"a quoted field never closed runs to the end", "\"a,b\nc", ',', {{"a,b\nc"}}, 1},
        {"quoted line breaks and CR alone", "\"x\r\ny\"\rz", ',', {{"x\r\ny"}, {"z"}}, 1},
        {"quote at the very end", "\"abc", ',', {{"abc"}}, 1},
        {"closing quote then delimiter", "\"a\"\"\",b", ',', {{"a\"", "b"}}, 2},
        {"trailing delimiter keeps an empty cell", "a,\n", ',', {{"a", ""}}, 2},
        {"blanks are kept, comma is text with TAB", " a ,b\tc", '\t', {{" a ,b", "c"}}, 2},
        {"empty quotes alone give nothing", "\"\"", ',', {}, 1},
        {"a wide empty row in the middle widens the table", "a\n,,,\nb", ',', {{"a"}, {"", "", "", ""}, {"b"}}, 4},
        {"nothing", "", ',', {}, 1},
    };
    for (const auto& c : cases) {
        const PropertyTable table = parse_delimited_text(c.text, c.delimiter);
        EXPECT_EQ(table.rows, c.rows) << c.what;
        EXPECT_EQ(table.columns, column_letters(c.columns)) << c.what;
        EXPECT_EQ(table.raw_text, c.text) << c.what;
        EXPECT_EQ(table.table_caption, "Table");
        EXPECT_EQ(table.text_caption, "Source");
    }
}

TEST(TableText, MakeTablePreviewDropsOnlyTrailingEmptyRows)
{
    const PropertyTable table = make_table_preview({{"", "x"}, {}, {"", ""}, {}, {""}}, "src");
    EXPECT_EQ(table.rows, (TableRows{{"", "x"}}));
    EXPECT_EQ(table.columns, column_letters(2));
    EXPECT_EQ(table.raw_text, "src");
}

TEST(TableText, HostileInputIsBoundedAndSaysSo)
{
    const std::string note(TABLE_LIMIT_NOTE);
    struct Case {
        const char* what;
        std::string text;
        std::size_t rows;  // including the note when there is one
        std::size_t columns;
        bool note;
    };
    const Case cases[] = {
        {"one very wide row", std::string(4'000'000, ','), 2, TABLE_MAX_COLUMNS, true},
        {"millions of lines then a cell", std::string(3'000'000, '\n') + "x", TABLE_MAX_ROWS + 1, 1, true},
        {"millions of empty lines after a cell", "x" + std::string(3'000'000, '\n'), 1, 1, false},
        {"cells past the cell limit",
         [] {
             std::string row(TABLE_MAX_COLUMNS - 1, ',');
             std::string text;
             for (std::size_t r = 0; r < TABLE_MAX_CELLS / TABLE_MAX_COLUMNS + 1; ++r) text += "x" + row + "\n";
             return text;
         }(),
         TABLE_MAX_CELLS / TABLE_MAX_COLUMNS + 1, TABLE_MAX_COLUMNS, true},
    };
    for (const auto& c : cases) {
        const PropertyTable table = parse_delimited_text(c.text, ',');
        EXPECT_EQ(table.rows.size(), c.rows) << c.what;
        EXPECT_EQ(table.columns.size(), c.columns) << c.what;
        EXPECT_EQ(!table.rows.empty() && table.rows.back() == std::vector<std::string>{note}, c.note) << c.what;
        EXPECT_EQ(table.raw_text.size(), c.text.size()) << c.what;
    }
}

}  // namespace
}  // namespace cw
