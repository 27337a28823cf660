#include "libs/workbook/workbook.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstring>

#include "libs/workbook/reader.h"

namespace workbook {

Workbook::Workbook(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

const std::vector<std::string>& Workbook::sheet_names() const { return reader_->names; }

std::uint64_t Workbook::held_bytes() const { return reader_->held_bytes(); }

Result<Range> Workbook::read_sheet(std::size_t index, std::size_t cell_limit) const
{
    if (index >= reader_->names.size())
        return fail("The workbook has no sheet number " + decimal(index + 1) + ".");
    return reader_->read_sheet(index, cell_limit);
}

std::optional<double> f64_at(Bytes b, std::size_t off)
{
    const auto bits = cfb::read_le(b, off, 8);
    if (!bits) return std::nullopt;
    return std::bit_cast<double>(*bits);
}

Cell number_cell(double value)
{
    Cell cell;
    cell.kind = CellKind::floating;
    cell.number = value;
    return cell;
}

Cell text_cell(std::string_view text)
{
    Cell cell;
    cell.kind = CellKind::text;
    cell.text = text;
    return cell;
}

std::string_view TextArena::keep(std::string_view text)
{
    constexpr std::size_t BLOCK = 64 * 1024;
    if (text.empty()) return {};
    if (text.size() > left_) {
        // A long text gets a block of its own, so that the current block's rest stays usable.
        const std::size_t size = text.size() > BLOCK / 4 ? text.size() : BLOCK;
        blocks_.push_back(std::make_unique<char[]>(size));
        held_ += size;
        if (size != text.size()) {
            next_ = blocks_.back().get();
            left_ = size;
        } else {
            std::memcpy(blocks_.back().get(), text.data(), text.size());
            return {blocks_.back().get(), text.size()};
        }
    }
    std::memcpy(next_, text.data(), text.size());
    const std::string_view kept(next_, text.size());
    next_ += text.size();
    left_ -= text.size();
    return kept;
}

CellSink::CellSink(std::size_t limit, std::shared_ptr<const StringTable> strings)
    : limit_(limit), storage_(std::make_shared<Storage>())
{
    storage_->strings = std::move(strings);
}

void CellSink::admit(std::uint32_t row, std::uint32_t column, Cell& cell, bool copy)
{
    if (range_.truncated) return;
    if (range_.cells.size() >= limit_) {
        range_.truncated = true;
        return;
    }
    if (cell.kind == CellKind::text || cell.kind == CellKind::iso_text) {
        if (cell.text.size() > MAX_CELL_TEXT_BYTES - text_bytes_) {
            range_.truncated = range_.text_cut = true;
            return;
        }
        text_bytes_ += cell.text.size();
        if (copy) cell.text = storage_->own.keep(cell.text);
    }
    range_.cells.push_back({row, column, std::move(cell)});
}

Result<Cell> CellSink::shared_string(std::uint64_t index)
{
    const StringTable* strings = storage_->strings.get();
    const std::uint64_t count = strings ? strings->size() : 0;
    if (index >= count)
        return fail("Shared string " + decimal(index) + " is out of range: the workbook has " + decimal(count) +
                    " shared strings.");
    const auto text = strings->at(index);
    if (!text) {
        range_.truncated = range_.text_cut = true;
        return Cell{};
    }
    return text_cell(*text);
}

Range CellSink::take() &&
{
    range_.held_bytes = range_.cells.size() * sizeof(SheetCell) + storage_->own.held_bytes() + peak_work_;
    range_.text_storage = std::move(storage_);
    return std::move(range_);
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
        default: {
            // The cell views its text, so the texts of unknown codes live as long as the program.
            static const auto names = [] {
                std::array<std::string, 256> all;
                for (std::size_t i = 0; i < all.size(); ++i) all[i] = "#ERROR " + decimal(i);
                return all;
            }();
            return text_cell(names[code]);
        }
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
