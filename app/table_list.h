#pragma once
// The table page's list view holds no text of its own (LVS_OWNERDATA): inserting every cell of a
// large table froze the window for as long as the list view took. The window applies a
// TableListModel: LVM_DELETEALLITEMS, then takes the new table, deletes every column, inserts
// `columns` (left aligned, sub-item = index), marks each header item owner-drawn, stores the
// captions as the header painter's `table_columns` and sets only the item count. The list then
// asks for the cells it draws or is asked for, and the window answers from the table it keeps.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/format_list.h"
#include "report/report.h"

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

// A cell as UTF-16 for a buffer of `capacity` units with its terminating NUL: at most
// capacity - 1 units, never half of a surrogate pair. Only the start of a long cell is converted.
std::u16string table_cell_prefix(const PropertyTable& table, std::size_t row, std::size_t column, std::size_t capacity);

// Type-ahead and LVM_FINDITEM: the first row from `start` whose first cell begins with `text`
// (`partial`) or equals it, compared after `fold` (the platform's case folding) has been applied
// to both; with `wrap` the search continues from row 0 up to `start`.
struct RowSearch {
    std::u16string_view text;
    std::size_t start = 0;
    bool partial = true;
    bool wrap = true;
};
using CaseFold = void (*)(std::u16string& text);
std::optional<std::size_t> find_table_row(const PropertyTable& table, const RowSearch& search, CaseFold fold);

// Copying from the table list: beyond this much text the copy is refused rather than exhausting
// memory for a clipboard nobody could paste from.
inline constexpr std::size_t TABLE_COPY_LIMIT = 64 * 1024 * 1024;

// The rows as spreadsheets paste them: cells separated by TAB, every row ended by CR LF, up to
// the row's last non-empty cell within `column_count`. A cell holding a TAB, CR, LF or double
// quote is enclosed in double quotes with its double quotes doubled, so that it stays one cell.
// Nothing when the text would exceed `limit` bytes.
std::optional<std::string> table_rows_text(const PropertyTable& table, const std::vector<std::size_t>& rows,
                                           std::size_t column_count, std::size_t limit = TABLE_COPY_LIMIT);

}  // namespace cw
