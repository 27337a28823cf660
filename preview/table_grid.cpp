#include "preview/table_grid.h"

#include <algorithm>
#include <utility>

namespace cw {

PlacedGrid place_cells(std::vector<GridCell> cells, std::uint64_t row_count, std::uint64_t column_count,
                       std::string_view limit_note, bool cut_elsewhere)
{
    PlacedGrid grid;
    grid.width = static_cast<std::size_t>(std::min<std::uint64_t>(column_count, TABLE_MAX_COLUMNS));
    const std::uint64_t max_rows = std::min<std::uint64_t>(
        {row_count, TABLE_MAX_ROWS, TABLE_MAX_CELLS / std::max<std::size_t>(grid.width, 1)});
    const bool cut = cut_elsewhere || row_count > max_rows || column_count > grid.width;
    for (GridCell& cell : cells) {
        if (cell.row >= max_rows || cell.column >= grid.width) continue;
        const auto r = static_cast<std::size_t>(cell.row);
        const auto c = static_cast<std::size_t>(cell.column);
        if (grid.rows.size() <= r) grid.rows.resize(r + 1);
        auto& row = grid.rows[r];
        if (row.size() <= c) row.resize(c + 1);
        row[c] = std::move(cell.text);
    }
    if (cut) grid.rows.push_back({std::string(limit_note)});
    return grid;
}

}  // namespace cw
