#include "preview/table_list.h"

#include <algorithm>
#include <string>

#include "base/dpi.h"

namespace cw {

namespace {

// Bijective base-26 caption of column k ("A" .. "Z", "AA", ...). The table previews produce the
// same captions in column_letters; this copy only fills in captions a table did not bring.
std::string spreadsheet_column_caption(std::size_t k)
{
    std::string caption;
    for (;;) {
        caption.insert(caption.begin(), static_cast<char>('A' + k % 26));
        if (k < 26) break;
        k = k / 26 - 1;
    }
    return caption;
}

}  // namespace

int table_column_width(std::uint32_t dpi)
{
    return scale(TABLE_COLUMN_WIDTH_96, dpi);
}

TableListModel build_table_list(const PropertyTable& table, std::uint32_t dpi)
{
    std::size_t count = table.columns.size();
    for (const std::vector<std::string>& row : table.rows) count = std::max(count, row.size());

    TableListModel model;
    model.columns.reserve(count);
    const int width = table_column_width(dpi);
    for (std::size_t i = 0; i < count; ++i)
        model.columns.push_back(
            ListColumn{i < table.columns.size() ? table.columns[i] : spreadsheet_column_caption(i), width});
    return model;
}

std::string_view table_cell_text(const PropertyTable& table, std::size_t row, std::size_t column)
{
    if (row >= table.rows.size() || column >= table.rows[row].size()) return {};
    return table.rows[row][column];
}

}  // namespace cw
