#include "preview/sheet_text.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "preview/table_grid.h"
#include "preview/table_text.h"

namespace cw {

namespace {

// Lines split at LF, each without a CR before its LF. A CR alone ends a line too: files written
// with classic Mac line ends would otherwise be one line and show nothing.
std::vector<std::string_view> split_lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

// Makes each doubled double quote single.
std::string undouble_quotes(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        out.push_back(value[i]);
        if (value[i] == '"' && i + 1 < value.size() && value[i + 1] == '"') ++i;
    }
    return out;
}

// A DIF string: one pair of enclosing quotes goes (a lone opening quote of a cut value too),
// and doubled quotes become one, so `""""` is a single quote.
std::string dif_string(std::string_view value)
{
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
        if (!value.empty() && value.back() == '"') value.remove_suffix(1);
    }
    return undouble_quotes(value);
}

// The text of a DIF number item: the number, unless the value line says what it stands for.
std::string dif_number(std::string_view number, std::string_view value)
{
    if (value == "TRUE" || value == "FALSE") return std::string(value);
    if (value == "NA") return "#N/A";
    if (value == "ERROR") return "#VALUE!";
    return std::string(number);
}

// The fields of a SYLK record after its record type. Writers double a semicolon that belongs to
// a value, so only a single one separates fields.
std::vector<std::string> sylk_fields(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t at = line.find(';');
    while (at != std::string_view::npos) {
        std::string field;
        ++at;
        while (at < line.size()) {
            const std::size_t semicolon = line.find(';', at);
            const std::size_t stop = semicolon == std::string_view::npos ? line.size() : semicolon;
            field.append(line, at, stop - at);
            at = stop;
            if (at + 1 < line.size() && line[at + 1] == ';') {
                field.push_back(';');
                at += 2;
            } else {
                break;
            }
        }
        fields.push_back(std::move(field));
        if (at >= line.size()) break;
    }
    return fields;
}

// A K value: a quoted text runs to the last quote of its field, because LibreOffice (which marks
// its files "ID;PCALCOOO32") leaves quotes inside a text as they are, while others double them.
// Anything else (numbers, TRUE, #N/A) is shown as written.
std::string sylk_value(std::string_view value, bool doubled_quotes)
{
    if (value.empty() || value.front() != '"') return std::string(value);
    value.remove_prefix(1);
    if (const std::size_t close = value.rfind('"'); close != std::string_view::npos) value = value.substr(0, close);
    return doubled_quotes ? undouble_quotes(value) : std::string(value);
}

std::optional<std::uint64_t> unsigned_decimal(std::string_view s, bool allow_plus)
{
    if (allow_plus && !s.empty() && s.front() == '+') s.remove_prefix(1);
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

}  // namespace

PropertyTable parse_sylk(std::string text)
{
    std::uint64_t x = 1, y = 1;
    std::vector<GridCell> cells;
    std::uint64_t rows = 0, columns = 0;
    bool doubled_quotes = true;
    for (std::string_view line : split_lines(text)) {
        std::optional<std::string> value;
        const std::vector<std::string> fields = sylk_fields(line);
        if (line.starts_with("ID;"))
            doubled_quotes = std::find(fields.begin(), fields.end(), "PCALCOOO32") == fields.end();
        for (const std::string& field : fields) {
            if (field.empty()) continue;
            if (field[0] == 'X' || field[0] == 'Y') {
                if (auto n = unsigned_decimal(std::string_view(field).substr(1), true)) (field[0] == 'X' ? x : y) = *n;
            } else if (field[0] == 'K') {
                value = sylk_value(std::string_view(field).substr(1), doubled_quotes);
            }
        }
        if (line.size() > 1 && line.starts_with("C;") && value) {
            GridCell cell{y > 0 ? y - 1 : 0, x > 0 ? x - 1 : 0, std::move(*value)};
            rows = std::max(rows, cell.row + 1);
            columns = std::max(columns, cell.column + 1);
            cells.push_back(std::move(cell));
        }
    }
    PlacedGrid grid = place_cells(cells, rows, columns);
    PropertyTable table = make_table_preview(std::move(grid.rows), std::move(text));
    // The grid is as wide as its furthest cell, even when that cell's text is empty.
    if (!table.rows.empty() && grid.width > table.columns.size()) table.columns = column_letters(grid.width);
    return table;
}

PropertyTable parse_dif(std::string text)
{
    const std::vector<std::string_view> lines = split_lines(text);
    const auto data = std::find(lines.begin(), lines.end(), std::string_view("DATA"));
    TableRowCollector rows;
    bool row_has_cells = false;
    if (data != lines.end()) {
        // The DATA header item ("DATA", its "0,0" and its empty string) is skipped unread.
        std::size_t i = static_cast<std::size_t>(data - lines.begin()) + 3;
        for (; i + 1 < lines.size() && !rows.done(); i += 2) {
            const std::string_view type = lines[i], value = lines[i + 1];
            if (type == "-1,0") {
                if (value == "EOD") break;
                if (value == "BOT" && row_has_cells) {
                    rows.end_row();
                    row_has_cells = false;
                }
            } else if (type.starts_with("1,")) {
                rows.add_cell(dif_string(value));
                row_has_cells = true;
            } else if (type.starts_with("0,")) {
                rows.add_cell(dif_number(type.substr(2), value));
                row_has_cells = true;
            }
        }
    }
    if (row_has_cells) rows.end_row();
    return make_table_preview(std::move(rows).finish(), std::move(text));
}

namespace {

std::string_view local_name(const char* name)
{
    const std::string_view full = name;
    const std::size_t colon = full.find(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

// Pre-order walk below `root` without recursion (documents may nest deeply). `visit` returns
// whether to go below the node it was given.
template <typename Visit>
void walk_elements(const pugi::xml_node& root, Visit&& visit)
{
    pugi::xml_node node = root.first_child();
    while (node) {
        if (node.type() == pugi::node_element && visit(node) && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != root && !node.next_sibling()) node = node.parent();
        if (node == root) break;
        node = node.next_sibling();
    }
}

pugi::xml_node first_descendant(const pugi::xml_node& root, std::string_view name)
{
    pugi::xml_node found;
    walk_elements(root, [&](const pugi::xml_node& node) {
        if (!found && local_name(node.name()) == name) found = node;
        return !found;
    });
    return found;
}

// The elements named `name` below `root`, in document order, without those nested in one
// another: each is visited once, which keeps the walk linear in the size of the document.
template <typename Visit>
void for_each_outermost(const pugi::xml_node& root, std::string_view name, Visit&& visit)
{
    walk_elements(root, [&](const pugi::xml_node& node) {
        if (local_name(node.name()) != name) return true;
        visit(node);
        return false;
    });
}

std::optional<std::uint64_t> index_attribute(const pugi::xml_node& node)
{
    for (pugi::xml_attribute a : node.attributes())
        if (local_name(a.name()) == "Index") return unsigned_decimal(a.value(), false);
    return std::nullopt;
}

// The cell's first Data element; a note's Data (inside Comment) is never the cell's value.
pugi::xml_node cell_data(const pugi::xml_node& cell)
{
    pugi::xml_node found;
    walk_elements(cell, [&](const pugi::xml_node& node) {
        if (found) return false;
        const std::string_view name = local_name(node.name());
        if (name == "Data") found = node;
        return name != "Comment" && !found;
    });
    return found;
}

// All text inside the Data element in document order, so rich text (<B>Bold</B><Font> red</Font>)
// reads as the cell shows it.
std::string cell_data_text(const pugi::xml_node& cell)
{
    const pugi::xml_node data = cell_data(cell);
    std::string text;
    pugi::xml_node node = data.first_child();
    while (node) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) text += node.value();
        if (node.type() == pugi::node_element && node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != data && !node.next_sibling()) node = node.parent();
        if (node == data) break;
        node = node.next_sibling();
    }
    return text;
}

}  // namespace

PropertyTable parse_xml_spreadsheet(std::string text)
{
    TableRowCollector rows;
    pugi::xml_document doc;
    const unsigned options = pugi::parse_default | pugi::parse_ws_pcdata;
    if (doc.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8)) {
        const pugi::xml_node table = first_descendant(doc, "Table");
        std::uint64_t row_count = 0;  // rows so far, including those past the row limit
        for_each_outermost(table, "Row", [&](const pugi::xml_node& row) {
            if (rows.done()) return;
            if (const auto index = index_attribute(row); index && *index > row_count + 1) {
                // Excel numbers the row after a gap; the skipped rows are empty. Padding stops
                // past the row limit, where empty rows change nothing.
                const std::uint64_t target = *index - 1;
                while (row_count < target && row_count <= TABLE_MAX_ROWS) {
                    rows.end_row();
                    ++row_count;
                }
                // Past the limit every row is cut anyway; the cap keeps the count from overflowing.
                row_count = std::min<std::uint64_t>(target, TABLE_MAX_ROWS + 1);
            }
            std::uint64_t count = 0;  // cells of this row, including those past the column limit
            for_each_outermost(row, "Cell", [&](const pugi::xml_node& cell) {
                if (const auto index = index_attribute(cell); index && *index > count + 1) {
                    // Padding stops at the column limit; one more empty cell there marks the cut.
                    const std::uint64_t target = *index - 1;
                    while (count < target && count <= TABLE_MAX_COLUMNS) {
                        rows.add_cell({});
                        ++count;
                    }
                    count = target;
                }
                rows.add_cell(cell_data_text(cell));
                ++count;
            });
            rows.end_row();
            ++row_count;
        });
    }
    return make_table_preview(std::move(rows).finish(), std::move(text));
}

}  // namespace cw
