#pragma once
// Grids whose size comes from positions in the payload (SYLK X and Y, a workbook's used range)
// rather than from its length. Cells are gathered sparsely and placed into a bounded grid, so two
// cells far apart cost no more than two cells side by side.

#include <cstdint>
#include <string>
#include <vector>

#include "preview/table_text.h"

namespace cw {

struct GridCell {
    std::uint64_t row = 0;
    std::uint64_t column = 0;
    std::string text;
};

struct PlacedGrid {
    // Each row runs up to its last placed cell; the list shows the rest of the width as empty.
    // Rows end at the last one that received a cell, followed by TABLE_LIMIT_NOTE (or the note
    // given) when the grid was larger than the limits allow.
    TableRows rows;
    // Columns of the grid as shown: its width, at most TABLE_MAX_COLUMNS.
    std::size_t width = 0;
};

// Places cells (positions relative to the grid's top-left) into a grid of `row_count` by
// `column_count`, in order, a later cell replacing an earlier one at the same place. At most
// TABLE_MAX_ROWS rows, TABLE_MAX_COLUMNS columns and TABLE_MAX_CELLS cells are shown;
// `cut_elsewhere` adds the note for cells the caller already left out. The cells' texts are
// moved into the rows.
PlacedGrid place_cells(std::vector<GridCell> cells, std::uint64_t row_count, std::uint64_t column_count,
                       std::string_view limit_note = TABLE_LIMIT_NOTE, bool cut_elsewhere = false);

}  // namespace cw
