#pragma once
// Text tables: the grid every text-based table preview is built from, and the delimited-text
// (comma or TAB) parser.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "report/report.h"

namespace cw {

// A 4 MiB text can hold millions of one-byte cells, and a list view of that size is useless
// and can exhaust memory, so the preview keeps at most this much and says so in a last row.
inline constexpr std::size_t TABLE_MAX_ROWS = 100'000;
inline constexpr std::size_t TABLE_MAX_COLUMNS = 1'024;
inline constexpr std::size_t TABLE_MAX_CELLS = 1'048'576;
inline constexpr std::string_view TABLE_LIMIT_NOTE =
    "The table preview shows at most 100,000 rows, 1,024 columns and 1,048,576 cells; the Source tab holds the "
    "whole text.";

using TableRows = std::vector<std::vector<std::string>>;

// Spreadsheet captions for the indexes 0 to n - 1: "A" ... "Z", "AA" ... "ZZ", "AAA" ...
std::vector<std::string> column_letters(std::size_t n);

// Drops trailing empty rows and names the columns after the longest remaining row.
PropertyTable make_table_preview(TableRows rows, std::string source);

// Comma- or TAB-separated text, read as spreadsheet programs read it: a double quote opens a
// quoted field only as the field's first character, and a quoted field ends only at a quote
// followed by the delimiter, a line end or the end of the text. `delimiter` must not be a double
// quote, CR or LF. Never fails: odd input only gives fewer rows.
PropertyTable parse_delimited_text(std::string text, char delimiter);

// Collects cells row by row within the limits above. Dropping trailing empty rows is left to
// make_table_preview; empty rows past the row limit are therefore no reason for the note.
class TableRowCollector {
public:
    void add_cell(std::string cell);
    void end_row();
    // True once nothing more can change the result.
    bool done() const { return !accepting_ && truncated_; }
    // The rows, with TABLE_LIMIT_NOTE as a last row when anything was left out.
    TableRows finish() &&;

private:
    TableRows rows_;
    std::vector<std::string> current_;
    std::size_t cells_ = 0;
    bool accepting_ = true;
    bool truncated_ = false;
};

}  // namespace cw
