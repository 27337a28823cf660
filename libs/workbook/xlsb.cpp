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
    // Newer Excel writes these short forms: the cell without its column, which is the one after
    // the previous cell of the row.
    B_SHORT_BLANK = 0x0C,
    B_SHORT_RK = 0x0D,
    B_SHORT_ERROR = 0x0E,
    B_SHORT_BOOL = 0x0F,
    B_SHORT_REAL = 0x10,
    B_SHORT_ST = 0x11,
    B_SHORT_ISST = 0x12,
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

struct Header {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::size_t length = 0;  // of the type and size themselves
};

// The record header at the start of `bytes`; none when it is not all there.
std::optional<Header> header_at(Bytes bytes)
{
    Header h;
    std::size_t pos = 0;
    for (int i = 0; i < 2; ++i) {
        if (pos >= bytes.size()) return std::nullopt;
        const std::uint8_t b = bytes[pos++];
        h.type |= static_cast<std::uint32_t>(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) break;
    }
    for (int i = 0; i < 4; ++i) {
        if (pos >= bytes.size()) return std::nullopt;
        const std::uint8_t b = bytes[pos++];
        h.size |= static_cast<std::uint32_t>(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) break;
    }
    h.length = pos;
    return h;
}

class RecordReader {
public:
    explicit RecordReader(Bytes part) : part_(part) {}
    // None at the end, and for a record cut short: what came before it stands.
    std::optional<Record> next()
    {
        const auto h = header_at(part_.subspan(pos_));
        if (!h || part_.size() - pos_ - h->length < h->size) return std::nullopt;
        Record r{h->type, part_.subspan(pos_ + h->length, h->size)};
        pos_ += h->length + h->size;
        return r;
    }

private:
    Bytes part_;
    std::size_t pos_ = 0;
};

// No cell, string or style record comes near this; a longer record is passed over as it
// streams, never held.
constexpr std::uint32_t MAX_RECORD_BYTES = 1u << 20;

// The records of a part as it inflates, each given to `visit` until it returns false. Only the
// record being completed is held. `peak` gets the most bytes held at once.
template <typename Visit>
std::optional<Error> stream_records(const Package& package, const std::string& part, std::uint64_t max_bytes,
                                    Visit&& visit, std::uint64_t* peak = nullptr)
{
    std::string pending;
    std::uint64_t skip = 0;
    bool stopped = false;
    auto error = package.stream(part, max_bytes, [&](std::string_view chunk) -> std::optional<Error> {
        const std::size_t skipped = static_cast<std::size_t>(std::min<std::uint64_t>(skip, chunk.size()));
        skip -= skipped;
        pending.append(chunk.substr(skipped));
        std::size_t pos = 0;
        while (true) {
            const Bytes rest(reinterpret_cast<const std::uint8_t*>(pending.data()) + pos, pending.size() - pos);
            const auto h = header_at(rest);
            if (!h) break;
            if (h->size > MAX_RECORD_BYTES) {
                const std::size_t here = std::min<std::size_t>(h->size, rest.size() - h->length);
                skip = h->size - here;
                pos += h->length + here;
                continue;
            }
            if (rest.size() - h->length < h->size) break;
            if (!visit(Record{h->type, rest.subspan(h->length, h->size)})) {
                stopped = true;
                return fail("");
            }
            pos += h->length + h->size;
        }
        if (peak) *peak = std::max<std::uint64_t>(*peak, pending.capacity());
        pending.erase(0, pos);
        return std::nullopt;
    });
    if (stopped) return std::nullopt;
    return error;
}

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

std::uint32_t long_form(std::uint32_t type)
{
    switch (type) {
        case B_SHORT_BLANK: return B_CELL_BLANK;
        case B_SHORT_RK: return B_CELL_RK;
        case B_SHORT_ERROR: return B_CELL_ERROR;
        case B_SHORT_BOOL: return B_CELL_BOOL;
        case B_SHORT_REAL: return B_CELL_REAL;
        case B_SHORT_ST: return B_CELL_ST;
        case B_SHORT_ISST: return B_CELL_ISST;
        default: return type;
    }
}

bool is_cell_record(std::uint32_t type)
{
    return (type >= B_CELL_BLANK && type <= B_FMLA_ERROR) || type == B_CELL_RSTRING;
}

// The value at `at`, after the Cell structure (column, style and flags; no column in short
// forms), into the sink; a shared string out of range is the read's error.
void read_cell(std::uint32_t type, Bytes d, std::size_t at, std::uint32_t row, std::uint32_t column,
               std::uint32_t style, const DateStyles& dates, CellSink& sink, std::optional<Error>& error)
{
    auto add = [&](Cell cell) {
        dates.mark(cell, style);
        if (cell.kind != CellKind::empty) sink.add(row, column, std::move(cell));
    };
    auto add_text = [&](const std::optional<std::string>& text) {
        if (text) sink.add_copy(row, column, text_cell(*text));
    };
    switch (type) {
        case B_CELL_RK:
            if (auto v = u32_at(d, at)) add(rk_cell(*v));
            break;
        case B_CELL_REAL:
        case B_FMLA_NUM:
            if (auto v = f64_at(d, at)) add(number_cell(*v));
            break;
        case B_CELL_ERROR:
        case B_FMLA_ERROR:
            if (d.size() > at) add(error_cell_from_code(d[at]));
            break;
        case B_CELL_BOOL:
        case B_FMLA_BOOL:
            if (d.size() > at) add(bool_cell(d[at] != 0));
            break;
        case B_CELL_ST:
        case B_FMLA_STRING:
            add_text(wide_string(d, at));
            break;
        case B_CELL_RSTRING:
            add_text(wide_string(d, at + 1));
            break;
        case B_CELL_ISST:
            if (const auto index = u32_at(d, at)) {
                auto cell = sink.shared_string(*index);
                if (!cell) error = cell.error();
                else add(std::move(*cell));
            }
            break;
        default:
            break;
    }
}

std::optional<Error> read_cells(const Package& package, const std::string& part, const DateStyles& dates,
                                CellSink& sink, std::uint64_t& working)
{
    std::uint32_t row = 0;
    std::uint32_t next_short_column = 0;  // the column after the row's previous cell
    std::optional<Error> error;
    auto failed = stream_records(package, part, MAX_PART_BYTES, [&](const Record& rec) {
        if (rec.type == B_ROW_HDR) {
            if (auto r = u32_at(rec.data, 0)) row = *r;
            next_short_column = 0;
            return true;
        }
        const std::uint32_t long_type = long_form(rec.type);
        const bool is_short = long_type != rec.type;
        // The Cell structure: column (long form only), then 24 bits of style and 8 of flags.
        const std::size_t style_at = is_short ? 0 : 4;
        const auto style = u32_at(rec.data, style_at);
        const std::optional<std::uint32_t> column = is_short ? next_short_column : u32_at(rec.data, 0);
        if (!column || !style) return true;
        if (is_cell_record(long_type)) next_short_column = *column + 1;
        read_cell(long_type, rec.data, style_at + 4, row, *column, *style & 0xFFFFFF, dates, sink, error);
        return !error && !sink.full();
    }, &working);
    return failed ? failed : error;
}

Bytes bytes_of(const std::string& s) { return Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }

std::optional<Error> list_sheets(PackageWorkbook& book)
{
    RecordReader records(bytes_of(book.content));
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
        if (auto name = wide_string(rec->data, 8 + used)) book.add_sheet(std::move(*name), id);
    }
    return std::nullopt;
}

std::optional<Error> read_strings(const Package& package, const std::string& part, StringTable& table)
{
    return stream_records(package, part, MAX_PART_BYTES, [&](const Record& rec) {
        // RichStr: a flags byte, then the text; runs and phonetic data after it are not text.
        if (rec.type == B_SST_ITEM) table.add(wide_string(rec.data, 1).value_or(std::string()));
        return true;
    });
}

// Number formats (BrtFmt) and the cell styles between BrtBeginCellXFs and BrtEndCellXFs.
std::optional<Error> read_styles(const Package& package, const std::string& part, DateStyles& dates)
{
    bool in_cell_styles = false;
    return stream_records(package, part, MAX_STYLES_BYTES, [&](const Record& rec) {
        if (rec.type == B_FMT) {
            if (auto id = u16_at(rec.data, 0))
                if (auto code = wide_string(rec.data, 2)) dates.add_format(*id, *code);
        } else if (rec.type == B_BEGIN_CELL_XFS || rec.type == B_END_CELL_XFS) {
            in_cell_styles = rec.type == B_BEGIN_CELL_XFS;
        } else if (rec.type == B_XF && in_cell_styles) {
            dates.add_style(u16_at(rec.data, 2).value_or(0));
        }
        return true;
    });
}

constexpr PackageFormat XLSB{true, list_sheets, read_strings, read_styles, read_cells};

}  // namespace

Result<Workbook> Workbook::open_xlsb(std::span<const std::uint8_t> bytes) { return open_package_workbook(bytes, XLSB); }

}  // namespace workbook
