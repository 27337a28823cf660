// XLSB: the XLSX package layout with binary record parts. A record is a 1- or 2-byte type and a
// 1- to 4-byte size, each byte carrying seven bits and a continuation flag.

#include "libs/workbook/package.h"

namespace workbook {

namespace {

enum : std::uint32_t {
    B_ROW_HDR = 0x00,
    B_CELL_BLANK = 0x01,
    B_CELL_RK = 0x02,
    B_CELL_ERROR = 0x03,
    B_CELL_BOOL = 0x04,
    B_CELL_REAL = 0x05,
    B_CELL_ST = 0x06,
    B_CELL_ISST = 0x07,
    B_FMLA_STRING = 0x08,
    B_FMLA_NUM = 0x09,
    B_FMLA_BOOL = 0x0A,
    B_FMLA_ERROR = 0x0B,
    B_SST_ITEM = 0x13,
    B_FMT = 0x2C,
    B_XF = 0x2F,
    B_BEGIN_CELL_XFS = 0x269,
    B_END_CELL_XFS = 0x26A,
    B_CELL_RSTRING = 0x3E,
    B_BUNDLE_SH = 0x9C,
};

struct Record {
    std::uint32_t type = 0;
    Bytes data;
};

class RecordReader {
public:
    explicit RecordReader(Bytes part) : part_(part) {}
    // None at the end, and for a record cut short: what came before it stands.
    std::optional<Record> next()
    {
        std::uint32_t type = 0;
        for (int i = 0; i < 2; ++i) {
            if (pos_ >= part_.size()) return std::nullopt;
            const std::uint8_t b = part_[pos_++];
            type |= static_cast<std::uint32_t>(b & 0x7F) << (7 * i);
            if (!(b & 0x80)) break;
        }
        std::uint32_t size = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ >= part_.size()) return std::nullopt;
            const std::uint8_t b = part_[pos_++];
            size |= static_cast<std::uint32_t>(b & 0x7F) << (7 * i);
            if (!(b & 0x80)) break;
        }
        if (part_.size() - pos_ < size) return std::nullopt;
        Record r{type, part_.subspan(pos_, size)};
        pos_ += size;
        return r;
    }

private:
    Bytes part_;
    std::size_t pos_ = 0;
};

// XLWideString: a count of UTF-16 units and the units. `consumed` gets the bytes it took.
std::optional<std::string> wide_string(Bytes data, std::size_t off, std::size_t* consumed = nullptr)
{
    const auto count = u32_at(data, off);
    if (!count || (data.size() - off - 4) / 2 < *count) return std::nullopt;
    std::string text;
    append_utf16le(text, data.subspan(off + 4, std::size_t{*count} * 2));
    if (consumed) *consumed = 4 + std::size_t{*count} * 2;
    return text;
}

class XlsbReader final : public Workbook::Reader {
public:
    XlsbReader(Package package, std::vector<std::string> parts, std::vector<std::string> strings, DateStyles dates)
        : package_(std::move(package)), parts_(std::move(parts)), strings_(std::move(strings)), dates_(std::move(dates))
    {
    }

    Result<Range> read_sheet(std::size_t index, std::size_t cell_limit) const override
    {
        auto part = package_.read(parts_[index]);
        if (!part) return part.error();
        RecordReader records{Bytes(reinterpret_cast<const std::uint8_t*>(part->data()), part->size())};
        CellSink sink(cell_limit);
        std::uint32_t row = 0;
        while (!sink.full()) {
            const auto rec = records.next();
            if (!rec) break;
            if (rec->type == B_ROW_HDR) {
                if (auto r = u32_at(rec->data, 0)) row = *r;
                continue;
            }
            const auto column = u32_at(rec->data, 0);
            if (!column || rec->data.size() < 8) continue;
            auto cell = read_cell(*rec);
            if (!cell) return cell.error();
            dates_.mark(*cell, *u32_at(rec->data, 4) & 0xFFFFFF);
            if (cell->kind != CellKind::empty) sink.add(row, *column, std::move(*cell));
        }
        return std::move(sink).take();
    }

private:
    // The value after the 8-byte Cell structure (column, style and flags).
    Result<Cell> read_cell(const Record& rec) const
    {
        const Bytes d = rec.data;
        switch (rec.type) {
            case B_CELL_RK:
                if (auto v = u32_at(d, 8)) return rk_cell(*v);
                break;
            case B_CELL_REAL:
            case B_FMLA_NUM:
                if (auto v = f64_at(d, 8)) return number_cell(*v);
                break;
            case B_CELL_ERROR:
            case B_FMLA_ERROR:
                if (d.size() > 8) return error_cell_from_code(d[8]);
                break;
            case B_CELL_BOOL:
            case B_FMLA_BOOL:
                if (d.size() > 8) return bool_cell(d[8] != 0);
                break;
            case B_CELL_ST:
            case B_FMLA_STRING:
                if (auto text = wide_string(d, 8)) return text_cell(std::move(*text));
                break;
            case B_CELL_RSTRING:
                if (auto text = wide_string(d, 9)) return text_cell(std::move(*text));
                break;
            case B_CELL_ISST: {
                const auto index = u32_at(d, 8);
                if (!index) break;
                if (*index >= strings_.size())
                    return fail("Shared string " + decimal(*index) + " is out of range: the workbook has " +
                                decimal(strings_.size()) + " shared strings.");
                return text_cell(strings_[*index]);
            }
            default:
                break;
        }
        return Cell{};
    }

    Package package_;
    std::vector<std::string> parts_;
    std::vector<std::string> strings_;
    DateStyles dates_;
};

Bytes bytes_of(const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }

Result<std::vector<std::string>> read_shared_strings(const Package& package, const std::string& part)
{
    std::vector<std::string> strings;
    if (part.empty() || !package.has(part)) return strings;
    auto data = package.read(part);
    if (!data) return data.error();
    RecordReader records(bytes_of(*data));
    while (auto rec = records.next()) {
        // RichStr: a flags byte, then the text; runs and phonetic data after it are not text.
        if (rec->type != B_SST_ITEM) continue;
        auto text = wide_string(rec->data, 1);
        strings.push_back(text ? std::move(*text) : std::string());
    }
    return strings;
}

// Number formats (BrtFmt) and the cell styles between BrtBeginCellXFs and BrtEndCellXFs; an
// unreadable styles part leaves every number a number.
DateStyles read_date_styles(const Package& package, const std::string& part)
{
    DateStyles dates;
    if (part.empty()) return dates;
    auto data = package.read(part);
    if (!data) return dates;
    RecordReader records(bytes_of(*data));
    bool in_cell_styles = false;
    while (auto rec = records.next()) {
        if (rec->type == B_FMT) {
            if (auto id = u16_at(rec->data, 0))
                if (auto code = wide_string(rec->data, 2)) dates.add_format(*id, *code);
        } else if (rec->type == B_BEGIN_CELL_XFS || rec->type == B_END_CELL_XFS) {
            in_cell_styles = rec->type == B_BEGIN_CELL_XFS;
        } else if (rec->type == B_XF && in_cell_styles) {
            dates.add_style(u16_at(rec->data, 2).value_or(0));
        }
    }
    return dates;
}

}  // namespace

Result<Workbook> Workbook::open_xlsb(std::span<const std::uint8_t> bytes)
{
    auto book = open_package_workbook(bytes, true);
    if (!book) return book.error();
    RecordReader records(bytes_of(book->content));
    while (auto rec = records.next()) {
        if (rec->type != B_BUNDLE_SH) continue;
        // hsState, iTabID, then the relationship id (null when 0xFFFFFFFF) and the name.
        std::size_t used = 4;
        std::string id;
        if (u32_at(rec->data, 8) != 0xFFFFFFFFu) {
            auto text = wide_string(rec->data, 8, &used);
            if (!text) continue;
            id = std::move(*text);
        }
        if (auto name = wide_string(rec->data, 8 + used)) book->add_sheet(std::move(*name), id);
    }
    auto strings = read_shared_strings(book->package, book->strings_part);
    if (!strings) return strings.error();
    DateStyles dates = read_date_styles(book->package, book->styles_part);
    auto reader = std::make_unique<XlsbReader>(std::move(book->package), std::move(book->sheet_parts),
                                               std::move(*strings), std::move(dates));
    reader->names = std::move(book->names);
    return Workbook(std::move(reader));
}

}  // namespace workbook
