#include "app/table_list.h"

#include <algorithm>
#include <string>

#include "base/dpi.h"
#include "base/text.h"

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

bool is_high_surrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}

bool needs_quotes(std::string_view cell)
{
    return cell.find_first_of("\t\r\n\"") != std::string_view::npos;
}

void append_cell(std::string& out, std::string_view cell)
{
    if (!needs_quotes(cell)) {
        out += cell;
        return;
    }
    out += '"';
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
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

std::u16string table_cell_prefix(const PropertyTable& table, std::size_t row, std::size_t column, std::size_t capacity)
{
    if (capacity == 0) return {};
    const std::size_t units = capacity - 1;
    std::string_view cell = table_cell_text(table, row, column);
    // A code point takes at most 4 bytes, so this many bytes give at least `units` units of
    // whole code points ahead of any sequence the cut breaks.
    if (units < cell.size() / 4) cell = cell.substr(0, (units + 1) * 4);
    std::u16string text = utf8_to_utf16(cell);
    if (text.size() > units) {
        text.resize(units);
        if (!text.empty() && is_high_surrogate(text.back())) text.pop_back();
    }
    return text;
}

std::optional<std::size_t> find_table_row(const PropertyTable& table, const RowSearch& search, CaseFold fold)
{
    const std::size_t count = table.rows.size();
    if (count == 0) return std::nullopt;
    std::u16string wanted(search.text);
    fold(wanted);
    // One unit more than the text tells an equal cell from a longer one.
    const std::size_t capacity = wanted.size() + (search.partial ? 1 : 2);
    auto matches = [&](std::size_t row) {
        std::u16string cell = table_cell_prefix(table, row, 0, capacity);
        fold(cell);
        return search.partial ? cell.starts_with(wanted) : cell == wanted;
    };
    const std::size_t start = std::min(search.start, count);
    for (std::size_t row = start; row < count; ++row)
        if (matches(row)) return row;
    if (search.wrap)
        for (std::size_t row = 0; row < start; ++row)
            if (matches(row)) return row;
    return std::nullopt;
}

std::optional<std::string> table_rows_text(const PropertyTable& table, const std::vector<std::size_t>& rows,
                                           std::size_t column_count, std::size_t limit)
{
    std::string out;
    for (std::size_t row : rows) {
        std::size_t width = row < table.rows.size() ? std::min(column_count, table.rows[row].size()) : 0;
        while (width > 0 && table.rows[row][width - 1].empty()) --width;
        for (std::size_t c = 0; c < width; ++c) {
            if (c > 0) out += '\t';
            append_cell(out, table_cell_text(table, row, c));
        }
        out += "\r\n";
        if (out.size() > limit) return std::nullopt;
    }
    return out;
}

}  // namespace cw
