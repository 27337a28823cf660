#include "preview/table_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace cw
