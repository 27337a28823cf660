#include "preview/table_text.h"

#include <algorithm>
#include <utility>

namespace cw {

std::vector<std::string> column_letters(std::size_t n)
{
    std::vector<std::string> letters;
    letters.reserve(n);
    for (std::size_t index = 0; index < n; ++index) {
        std::string caption;
        std::size_t k = index;
        while (true) {
            caption.insert(caption.begin(), static_cast<char>('A' + k % 26));
            if (k < 26) break;
            k = k / 26 - 1;
        }
        letters.push_back(std::move(caption));
    }
    return letters;
}

namespace {

bool row_is_empty(const std::vector<std::string>& row)
{
    return std::all_of(row.begin(), row.end(), [](const std::string& cell) { return cell.empty(); });
}

}  // namespace

PropertyTable make_table_preview(TableRows rows, std::string source)
{
    while (!rows.empty() && row_is_empty(rows.back())) rows.pop_back();
    std::size_t width = 1;
    for (const auto& row : rows) width = std::max(width, row.size());

    PropertyTable table;
    table.columns = column_letters(width);
    table.rows = std::move(rows);
    table.raw_text = std::move(source);
    table.table_caption = "Table";
    table.text_caption = "Source";
    return table;
}

void TableRowCollector::add_cell(std::string cell)
{
    if (!accepting_) {
        // Rows past the limit matter only when they hold something.
        if (!cell.empty()) truncated_ = true;
        return;
    }
    if (current_.size() >= TABLE_MAX_COLUMNS || cells_ >= TABLE_MAX_CELLS) {
        // Even an empty cell here would have widened the table.
        truncated_ = true;
        return;
    }
    current_.push_back(std::move(cell));
    ++cells_;
}

void TableRowCollector::end_row()
{
    const std::size_t width = current_.size();
    if (accepting_) {
        rows_.push_back(std::move(current_));
        if (rows_.size() >= TABLE_MAX_ROWS || cells_ >= TABLE_MAX_CELLS) accepting_ = false;
    }
    current_.clear();
    // Rows of one table tend to be alike; this spares the growth steps of every row.
    if (accepting_) current_.reserve(width);
}

TableRows TableRowCollector::finish() &&
{
    if (!current_.empty()) end_row();
    if (truncated_) rows_.push_back({std::string(TABLE_LIMIT_NOTE)});
    return std::move(rows_);
}

PropertyTable parse_delimited_text(std::string text, char delimiter)
{
    const std::string_view s = text;
    TableRowCollector rows;
    std::string field;
    bool in_quotes = false;
    bool field_started = false;  // a quote opens quoting only as the first character of a field
    bool row_has_fields = false;
    auto end_field = [&] {
        rows.add_cell(std::move(field));
        field.clear();
        field_started = false;
        row_has_fields = true;
    };
    auto end_row = [&] {
        end_field();
        rows.end_row();
        row_has_fields = false;
    };
    auto ends_field_at = [&](std::size_t at) {
        return at >= s.size() || s[at] == delimiter || s[at] == '\n' || s[at] == '\r';
    };

    std::size_t i = 0;
    while (i < s.size() && !rows.done()) {
        const char c = s[i];
        if (in_quotes) {
            if (c != '"') {
                const std::size_t quote = std::min(s.find('"', i), s.size());
                field.append(s, i, quote - i);
                i = quote;
            } else if (i + 1 < s.size() && s[i + 1] == '"') {
                field += '"';
                i += 2;
            } else if (ends_field_at(i + 1)) {
                in_quotes = false;
                ++i;
            } else {
                // Text that only looks closed (`"a"b"`): the quote is the writer's, and so is the rest.
                field += '"';
                ++i;
            }
        } else if (c == delimiter) {
            end_field();
            ++i;
        } else if (c == '\n' || c == '\r') {
            end_row();
            i += (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
        } else if (c == '"' && !field_started) {
            in_quotes = true;
            field_started = true;
            ++i;
        } else {
            // Plain text that merely holds quotes (He said "hi") keeps them.
            std::size_t stop = i + 1;
            while (!ends_field_at(stop)) ++stop;
            field.append(s, i, stop - i);
            field_started = true;
            i = stop;
        }
    }
    if (!field.empty() || row_has_fields) end_row();
    return make_table_preview(std::move(rows).finish(), std::move(text));
}

}  // namespace cw
