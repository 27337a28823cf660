#pragma once
// Binary workbooks on the clipboard ("Biff5", "Biff8", "Biff12"): the first sheet as a grid and
// the payload's structure as text.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_reader.h"
#include "libs/workbook/workbook.h"
#include "report/report.h"

namespace cw {

inline constexpr std::size_t WORKBOOK_SIGNATURE_BYTES = 8;
inline constexpr std::string_view WORKBOOK_LIMIT_NOTE =
    "The workbook preview shows at most 100,000 rows, 1,024 columns and 1,048,576 cells of the first sheet.";
// The last row when the sheet's cell text passed the reader's budget (workbook::MAX_CELL_TEXT_BYTES).
inline constexpr std::string_view WORKBOOK_TEXT_NOTE =
    "The workbook preview shows at most 64 MiB of cell text of the first sheet; the cells after it are not shown.";

// The first sheet of a workbook payload, or the reader's failure, in a table captioned
// "Workbook" / "Structure". Never fails.
PropertyTable read_workbook(std::string_view name, ByteView bytes);

// A cell as the grid shows it; numbers in the shortest form that reads back exactly, never with
// an exponent.
std::string cell_text(const workbook::Cell& cell);

// The Structure tab: format, size, signature, the parser's failure and the container's layout.
std::string describe_workbook_structure(std::string_view name, ByteView bytes, std::string_view parser_error);

}  // namespace cw
