#pragma once
// The column arithmetic of the table page's list view. The window applies a TableListModel:
// LVM_DELETEALLITEMS, delete every column, insert `columns` (left aligned, sub-item = index),
// mark each header item owner-drawn, store the captions as the header painter's `table_columns`,
// then insert every row of the table with table_cell_text() for sub-items 0 to columns.size() - 1.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "inspect/report.h"
#include "save/format_list.h"

namespace cw {

inline constexpr int TABLE_COLUMN_WIDTH_96 = 140;

struct TableListModel {
    // As many columns as the table has captions or its longest row has cells, whichever is more;
    // captions the table lacks are spreadsheet letters.
    std::vector<ListColumn> columns;
};

int table_column_width(std::uint32_t dpi);

TableListModel build_table_list(const PropertyTable& table, std::uint32_t dpi);

// The text of one cell; empty for a cell the row lacks (rows may be shorter than the columns).
std::string_view table_cell_text(const PropertyTable& table, std::size_t row, std::size_t column);

}  // namespace cw
