#include "preview/workbook_preview.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/text.h"
#include "libs/cfb/cfb.h"
#include "preview/table_grid.h"

namespace cw {

namespace {

// Shortest round-trip digits from to_chars, re-laid without an exponent: 1e21 becomes
// "1000000000000000000000" and 5e-324 a "0." followed by 323 zeros and "5".
std::string plain_decimal(double value)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    const std::string_view s(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = s.find('e');
    std::string_view mantissa = s.substr(0, e);
    std::string out;
    if (!mantissa.empty() && mantissa.front() == '-') {
        out.push_back('-');
        mantissa.remove_prefix(1);
    }
    std::string digits;
    for (char c : mantissa)
        if (c != '.') digits.push_back(c);
    int exponent = 0;
    std::string_view exp_text = s.substr(e + 1);
    if (!exp_text.empty() && exp_text.front() == '+') exp_text.remove_prefix(1);
    std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exponent);
    // The decimal point sits after `point` digits.
    const int point = exponent + 1;
    const int n = static_cast<int>(digits.size());
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += digits;
    } else if (point >= n) {
        out += digits;
        out.append(static_cast<std::size_t>(point - n), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(point));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(point));
    }
    return out;
}

std::string error_text(workbook::CellError error)
{
    switch (error) {
        case workbook::CellError::null: return "#NULL!";
        case workbook::CellError::div0: return "#DIV/0!";
        case workbook::CellError::value: return "#VALUE!";
        case workbook::CellError::ref: return "#REF!";
        case workbook::CellError::name: return "#NAME?";
        case workbook::CellError::num: return "#NUM!";
        case workbook::CellError::na: return "#N/A";
        case workbook::CellError::getting_data: return "#DATA!";
    }
    return {};
}

bool is_zip(ByteView bytes)
{
    return bytes.size() >= 4 && bytes[0] == 0x50 && bytes[1] == 0x4B && bytes[2] == 0x03 && bytes[3] == 0x04;
}

workbook::Result<workbook::Workbook> open_workbook(std::string_view name, ByteView bytes)
{
    using workbook::Workbook;
    if (names_equal(name, "Biff12")) return Workbook::open_xlsb(bytes);
    if (!is_zip(bytes)) return Workbook::open_xls(bytes);
    auto xlsx = Workbook::open_xlsx(bytes);
    if (xlsx) return xlsx;
    auto xlsb = Workbook::open_xlsb(bytes);
    if (xlsb) return xlsb;
    return workbook::Error{"XLSX parser: " + xlsx.error().message + "; XLSB parser: " + xlsb.error().message};
}

// The used range from its top-left used cell, bounded like every other table preview. The range
// is let go once the shown cells are text, before the rows are laid out.
void fill_grid(PropertyTable& table, workbook::Range range)
{
    std::uint64_t top = UINT64_MAX, left = UINT64_MAX, bottom = 0, right = 0;
    for (const auto& c : range.cells) {
        top = std::min<std::uint64_t>(top, c.row);
        left = std::min<std::uint64_t>(left, c.column);
        bottom = std::max<std::uint64_t>(bottom, c.row);
        right = std::max<std::uint64_t>(right, c.column);
    }
    const std::uint64_t height = range.cells.empty() ? 0 : bottom - top + 1;
    const std::uint64_t width = range.cells.empty() ? 0 : right - left + 1;
    // Only the cells that can be shown are turned into text.
    const std::uint64_t shown_width = std::min<std::uint64_t>(width, TABLE_MAX_COLUMNS);
    const std::uint64_t shown_rows = std::min<std::uint64_t>(TABLE_MAX_ROWS, TABLE_MAX_CELLS / std::max<std::uint64_t>(shown_width, 1));
    std::vector<GridCell> cells;
    cells.reserve(std::min<std::size_t>(range.cells.size(), TABLE_MAX_CELLS));
    for (const auto& c : range.cells) {
        if (c.row - top >= shown_rows || c.column - left >= shown_width) continue;
        cells.push_back({c.row - top, c.column - left, cell_text(c.cell)});
    }
    const std::string_view note = range.text_cut ? WORKBOOK_TEXT_NOTE : WORKBOOK_LIMIT_NOTE;
    const bool truncated = range.truncated;
    range = {};
    PlacedGrid grid = place_cells(std::move(cells), height, width, note, truncated);
    table.columns = column_letters(std::max<std::size_t>(grid.width, 1));
    table.rows = std::move(grid.rows);
}

}  // namespace

std::string cell_text(const workbook::Cell& cell)
{
    switch (cell.kind) {
        case workbook::CellKind::empty: return {};
        case workbook::CellKind::integer: return std::to_string(cell.integer);
        case workbook::CellKind::floating:
        case workbook::CellKind::date_time: return plain_decimal(cell.number);
        case workbook::CellKind::text:
        case workbook::CellKind::iso_text: return std::string(cell.text);
        case workbook::CellKind::boolean: return cell.boolean ? "true" : "false";
        case workbook::CellKind::error: return error_text(cell.error);
    }
    return {};
}

// The grid shows at most TABLE_MAX_CELLS cells; one more tells it that the sheet was cut, and
// reading further would only hold cells that are never shown.
constexpr std::size_t WORKBOOK_READ_CELLS = TABLE_MAX_CELLS + 1;

PropertyTable read_workbook(std::string_view name, ByteView bytes)
{
    PropertyTable table;
    table.table_caption = "Workbook";
    table.text_caption = "Structure";
    std::string parser_error;
    auto book = open_workbook(name, bytes);
    if (!book) {
        parser_error = book.error().message;
        table.columns = {"Status", "Detail"};
        table.rows = {{"Workbook parser", "Could not render cells: " + parser_error}};
    } else if (book->sheet_names().empty()) {
        table.columns = {"Workbook"};
        table.rows = {{"No worksheets"}};
    } else if (auto range = book->read_sheet(0, WORKBOOK_READ_CELLS); !range) {
        table.columns = {"A"};
        table.rows = {{"Unable to read " + book->sheet_names()[0] + ": " + range.error().message}};
    } else {
        fill_grid(table, std::move(*range));
    }
    table.raw_text = describe_workbook_structure(name, bytes, parser_error);
    return table;
}

std::string describe_workbook_structure(std::string_view name, ByteView bytes, std::string_view parser_error)
{
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string signature;
    for (std::size_t i = 0; i < std::min(bytes.size(), WORKBOOK_SIGNATURE_BYTES); ++i) {
        if (i) signature += ' ';
        signature += HEX[bytes[i] >> 4];
        signature += HEX[bytes[i] & 0xF];
    }
    std::string out = "Format: " + std::string(name) + "\nPayload: " + std::to_string(bytes.size()) +
                      " bytes\nSignature: " + signature + "\n";
    if (!parser_error.empty()) out += "Parser: " + std::string(parser_error) + "\n";
    if (auto file = cfb::CompoundFile::open(bytes)) {
        out += "\nOLE compound-file entries:\n";
        for (const cfb::Entry& entry : file->entries()) {
            char line[64];
            std::snprintf(line, sizeof line, "  %-7s %8llu bytes  ", std::string(cfb::kind_name(entry.kind)).c_str(),
                          static_cast<unsigned long long>(entry.size));
            out += line + entry.path + "\n";
        }
    } else if (is_zip(bytes)) {
        out += "\nContainer: ZIP-based Office package (XLSB/BIFF12).\n";
    }
    std::string crlf = to_crlf(out);
    std::string result;
    result.reserve(crlf.size());
    for (std::size_t i = 0; i < crlf.size(); ++i) {
        if (crlf.compare(i, 3, "\r\r\n") == 0) continue;  // a CR already before the LF: keep one
        result += crlf[i];
    }
    return result;
}

}  // namespace cw
