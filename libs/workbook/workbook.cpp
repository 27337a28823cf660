#include "libs/workbook/workbook.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "libs/workbook/reader.h"

namespace workbook {

Workbook::Workbook(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

const std::vector<std::string>& Workbook::sheet_names() const { return reader_->names; }

Result<Range> Workbook::read_sheet(std::size_t index, std::size_t cell_limit) const
{
    if (index >= reader_->names.size())
        return fail("The workbook has no sheet number " + decimal(index + 1) + ".");
    return reader_->read_sheet(index, cell_limit);
}

std::optional<double> f64_at(Bytes b, std::size_t off)
{
    if (off > b.size() || b.size() - off < 8) return std::nullopt;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | b[off + static_cast<std::size_t>(i)];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void append_utf16le(std::string& out, Bytes units)
{
    const std::size_t n = units.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t u = units[2 * i] | units[2 * i + 1] << 8;
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < n) {
            const char32_t low = units[2 * i + 2] | units[2 * i + 3] << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        append_utf8(out, (u >= 0xD800 && u < 0xE000) ? 0xFFFD : u);
    }
}

Cell number_cell(double value)
{
    Cell cell;
    cell.kind = CellKind::floating;
    cell.number = value;
    return cell;
}

Cell text_cell(std::string text)
{
    Cell cell;
    cell.kind = CellKind::text;
    cell.text = std::move(text);
    return cell;
}

Result<Cell> shared_string_cell(const std::vector<std::string>& strings, std::uint64_t index)
{
    if (index >= strings.size())
        return fail("Shared string " + decimal(index) + " is out of range: the workbook has " +
                    decimal(strings.size()) + " shared strings.");
    return text_cell(strings[index]);
}

Cell bool_cell(bool value)
{
    Cell cell;
    cell.kind = CellKind::boolean;
    cell.boolean = value;
    return cell;
}

Cell error_cell_from_code(std::uint8_t code)
{
    Cell cell;
    cell.kind = CellKind::error;
    switch (code) {
        case 0x00: cell.error = CellError::null; break;
        case 0x07: cell.error = CellError::div0; break;
        case 0x0F: cell.error = CellError::value; break;
        case 0x17: cell.error = CellError::ref; break;
        case 0x1D: cell.error = CellError::name; break;
        case 0x24: cell.error = CellError::num; break;
        case 0x2A: cell.error = CellError::na; break;
        case 0x2B: cell.error = CellError::getting_data; break;
        default: return text_cell("#ERROR " + decimal(code));
    }
    return cell;
}

Cell rk_cell(std::uint32_t rk)
{
    const bool times_100 = (rk & 1) != 0;
    if ((rk & 2) != 0) {
        const auto value = static_cast<std::int32_t>(rk) >> 2;
        if (!times_100) {
            Cell cell;
            cell.kind = CellKind::integer;
            cell.integer = value;
            return cell;
        }
        return number_cell(value / 100.0);
    }
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return number_cell(times_100 ? value / 100.0 : value);
}

std::string decimal(std::uint64_t n) { return std::to_string(n); }

namespace {

bool is_builtin_date_format(std::uint32_t id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

bool is_date_code(std::string_view code)
{
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            const std::size_t close = code.find('"', i + 1);
            if (close == std::string_view::npos) return false;
            i = close;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;  // the next character is literal, or padding
        } else if (c == '[') {
            const std::size_t close = code.find(']', i + 1);
            if (close == std::string_view::npos) return false;
            const char inner = static_cast<char>(std::tolower(static_cast<unsigned char>(code[std::min(i + 1, close)])));
            if (inner == 'h' || inner == 'm' || inner == 's') return true;  // elapsed time
            i = close;
        } else if (c != '\0' && std::strchr("dDmMyYhHsS", c)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void DateStyles::add_format(std::uint32_t id, std::string_view code) { formats_[id] = is_date_code(code); }

void DateStyles::add_style(std::uint32_t format_id)
{
    const auto custom = formats_.find(format_id);
    styles_.push_back(custom != formats_.end() ? custom->second : is_builtin_date_format(format_id));
}

void DateStyles::mark(Cell& cell, std::size_t style) const
{
    if ((cell.kind != CellKind::floating && cell.kind != CellKind::integer) || style >= styles_.size() ||
        !styles_[style])
        return;
    if (cell.kind == CellKind::integer) cell.number = static_cast<double>(cell.integer);
    cell.kind = CellKind::date_time;
}

}  // namespace workbook
