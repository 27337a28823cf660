// XLS: a BIFF8 or BIFF5 workbook stream ("Workbook" or "Book") inside a compound file. The
// globals substream gives the sheet list, the code page and the shared strings; each sheet's
// substream gives its cells.

#include <algorithm>
#include <memory>
#include <optional>

#include "libs/workbook/reader.h"

namespace workbook {

namespace {

enum : std::uint16_t {
    R_FORMULA = 0x0006,
    R_EOF = 0x000A,
    R_FILEPASS = 0x002F,
    R_CONTINUE = 0x003C,
    R_CODEPAGE = 0x0042,
    R_BOUNDSHEET = 0x0085,
    R_MULRK = 0x00BD,
    R_RSTRING = 0x00D6,
    R_SST = 0x00FC,
    R_XF = 0x00E0,
    R_FORMAT = 0x041E,
    R_LABELSST = 0x00FD,
    R_NUMBER = 0x0203,
    R_LABEL = 0x0204,
    R_BOOLERR = 0x0205,
    R_STRING = 0x0207,
    R_RK = 0x027E,
    R_BOF = 0x0809,
};

struct Record {
    std::uint16_t id = 0;
    Bytes data;
};

// Walks the records of a stream. A record that claims more bytes than remain ends the walk, so a
// cut stream gives the records before the damage.
class RecordReader {
public:
    RecordReader(Bytes stream, std::size_t pos) : stream_(stream), pos_(pos) {}
    std::optional<Record> next()
    {
        const auto id = u16_at(stream_, pos_);
        const auto len = u16_at(stream_, pos_ + 2);
        if (!id || !len || stream_.size() - (pos_ + 4) < *len) return std::nullopt;
        Record r{*id, stream_.subspan(pos_ + 4, *len)};
        pos_ += 4 + *len;
        return r;
    }
    std::optional<std::uint16_t> peek_id() const { return u16_at(stream_, pos_); }

private:
    Bytes stream_;
    std::size_t pos_;
};

// A record followed by its CONTINUE records, read as one stream of bytes except for character
// data: a string split across records restarts with a flag byte that says whether the
// characters that follow take one byte or two.
class ContinuedReader {
public:
    explicit ContinuedReader(std::vector<Bytes> parts) : parts_(std::move(parts)) {}

    bool read(std::size_t n, std::vector<std::uint8_t>* out)
    {
        while (n > 0) {
            if (!settle()) return false;
            const std::size_t take = std::min(n, parts_[part_].size() - pos_);
            if (out) out->insert(out->end(), parts_[part_].begin() + pos_, parts_[part_].begin() + pos_ + take);
            pos_ += take;
            n -= take;
        }
        return true;
    }
    std::optional<std::uint32_t> uint(std::size_t width)
    {
        std::vector<std::uint8_t> b;
        if (!read(width, &b)) return std::nullopt;
        return static_cast<std::uint32_t>(*cfb::read_le(b, 0, width));
    }
    // `count` characters, two bytes each when `wide`, switching width at record boundaries.
    bool chars(std::size_t count, bool wide, std::uint16_t code_page, std::string& out)
    {
        while (count > 0) {
            if (pos_ >= parts_[part_].size()) {
                if (part_ + 1 >= parts_.size() || parts_[part_ + 1].empty()) return false;
                ++part_;
                wide = (parts_[part_][0] & 1) != 0;
                pos_ = 1;
                continue;
            }
            const std::size_t unit = wide ? 2 : 1;
            const std::size_t take = std::min(count, (parts_[part_].size() - pos_) / unit);
            if (take == 0) return false;  // half a character before the boundary
            const Bytes slice = parts_[part_].subspan(pos_, take * unit);
            if (wide)
                append_utf16le(out, slice);
            else
                append_8bit(out, slice, code_page);
            pos_ += take * unit;
            count -= take;
        }
        return true;
    }

private:
    bool settle()
    {
        while (pos_ >= parts_[part_].size()) {
            if (part_ + 1 >= parts_.size()) return false;
            ++part_;
            pos_ = 0;
        }
        return true;
    }
    std::vector<Bytes> parts_;
    std::size_t part_ = 0;
    std::size_t pos_ = 0;
};

// BIFF8's XLUnicodeRichExtendedString (shared strings), or with `rich_ext` false the plain
// XLUnicodeString of LABEL and STRING records.
std::optional<std::string> read_biff8_string(ContinuedReader& r, bool rich_ext)
{
    const auto cch = r.uint(2);
    const auto flags = r.uint(1);
    if (!cch || !flags) return std::nullopt;
    std::uint32_t runs = 0, ext = 0;
    if (rich_ext && (*flags & 0x08)) {
        const auto n = r.uint(2);
        if (!n) return std::nullopt;
        runs = *n;
    }
    if (rich_ext && (*flags & 0x04)) {
        const auto n = r.uint(4);
        if (!n) return std::nullopt;
        ext = *n;
    }
    std::string text;
    // Latin-1 is what a compressed BIFF8 character is: the low byte of its UTF-16 unit.
    if (!r.chars(*cch, (*flags & 1) != 0, 0, text)) return std::nullopt;
    if (!r.read(std::size_t{runs} * 4, nullptr) || !r.read(ext, nullptr)) return std::nullopt;
    return text;
}

struct Globals {
    int biff = 8;
    std::uint16_t code_page = 1252;
    std::shared_ptr<StringTable> strings = std::make_shared<StringTable>();
    struct Sheet {
        std::string name;
        std::uint32_t offset = 0;
    };
    std::vector<Sheet> sheets;
    DateStyles dates;
};

std::vector<Bytes> with_continues(Bytes first, RecordReader& records)
{
    std::vector<Bytes> parts{first};
    while (records.peek_id() == R_CONTINUE) {
        const auto next = records.next();
        if (!next) break;
        parts.push_back(next->data);
    }
    return parts;
}

void read_sst(ContinuedReader r, StringTable& strings)
{
    if (!r.uint(4)) return;
    const auto unique = r.uint(4);
    if (!unique) return;
    for (std::uint32_t i = 0; i < *unique; ++i) {
        auto s = read_biff8_string(r, true);
        if (!s) break;
        strings.add(*s);
    }
}

std::string biff5_string(Bytes data, std::size_t off, std::size_t len_width, std::uint16_t code_page)
{
    std::size_t n = data.size() > off ? data[off] : 0;
    if (len_width == 2) n = u16_at(data, off).value_or(0);
    std::string out;
    const std::size_t start = std::min(data.size(), off + len_width);
    append_8bit(out, data.subspan(start, std::min(n, data.size() - start)), code_page);
    return out;
}

Result<Globals> read_globals(Bytes stream)
{
    RecordReader records(stream, 0);
    const auto bof = records.next();
    if (!bof || bof->id != R_BOF || bof->data.size() < 4)
        return fail("The workbook stream does not begin with a BIFF5 or BIFF8 BOF record.");
    Globals g;
    const std::uint16_t version = *u16_at(bof->data, 0);
    if (version == 0x0600)
        g.biff = 8;
    else if (version == 0x0500)
        g.biff = 5;
    else
        return fail("The workbook stream has the unknown BIFF version 0x" + [&] {
            static const char* hex = "0123456789ABCDEF";
            std::string s;
            for (int shift = 12; shift >= 0; shift -= 4) s.push_back(hex[version >> shift & 0xF]);
            return s;
        }() + ".");
    while (auto rec = records.next()) {
        if (rec->id == R_EOF) break;
        switch (rec->id) {
            case R_FILEPASS:
                return encrypted_error();
            case R_CODEPAGE:
                if (auto cp = u16_at(rec->data, 0)) g.code_page = *cp;
                break;
            case R_BOUNDSHEET: {
                const auto offset = u32_at(rec->data, 0);
                if (!offset || rec->data.size() < 8) break;
                const std::uint8_t type = rec->data[5];
                if (type != 0 && type != 1) break;  // charts and code modules hold no cells
                std::string name;
                if (g.biff == 8) {
                    ContinuedReader r({rec->data.subspan(6)});
                    const auto cch = r.uint(1);
                    const auto flags = r.uint(1);
                    if (!cch || !flags || !r.chars(*cch, (*flags & 1) != 0, 0, name)) name.clear();
                } else {
                    name = biff5_string(rec->data, 6, 1, g.code_page);
                }
                g.sheets.push_back({std::move(name), *offset});
                break;
            }
            case R_FORMAT: {
                const auto id = u16_at(rec->data, 0);
                if (!id) break;
                std::string code;
                if (g.biff == 8) {
                    ContinuedReader r({rec->data.subspan(2)});
                    code = read_biff8_string(r, false).value_or("");
                } else {
                    code = biff5_string(rec->data, 2, 1, g.code_page);
                }
                g.dates.add_format(*id, code);
                break;
            }
            case R_XF:
                if (auto format = u16_at(rec->data, 2)) g.dates.add_style(*format);
                break;
            case R_SST:
                read_sst(ContinuedReader(with_continues(rec->data, records)), *g.strings);
                break;
            default:
                break;
        }
    }
    if (g.biff == 5 && g.code_page == 1200) g.code_page = 1252;  // a BIFF5 writer that said UTF-16 meant ANSI
    g.strings->close();
    return g;
}

class XlsReader final : public Workbook::Reader {
public:
    XlsReader(std::vector<std::uint8_t> stream, Globals globals) : stream_(std::move(stream)), g_(std::move(globals))
    {
        for (const auto& s : g_.sheets) names.push_back(s.name);
    }

    Result<Range> read_sheet(std::size_t index, std::size_t cell_limit) const override
    {
        const Bytes stream(stream_);
        const std::uint32_t offset = g_.sheets[index].offset;
        RecordReader records(stream, offset);
        const auto bof = records.next();
        if (!bof || bof->id != R_BOF) return fail("The sheet's records do not begin with a BOF record.");
        CellSink sink(cell_limit, g_.strings);
        int depth = 1;
        // A formula whose cached result is a string gets it from the STRING record after it.
        std::optional<std::pair<std::uint16_t, std::uint16_t>> pending_string;
        while (depth > 0 && !sink.full()) {
            auto rec = records.next();
            if (!rec) break;
            if (rec->id == R_BOF) ++depth;
            if (rec->id == R_EOF) --depth;
            if (depth != 1) continue;  // the substream of an embedded chart
            if (rec->id == R_STRING) {
                if (pending_string) {
                    auto parts = with_continues(rec->data, records);
                    if (auto text = formula_string(std::move(parts))) {
                        sink.add_copy(pending_string->first, pending_string->second, text_cell(*text));
                    }
                }
                pending_string.reset();
                continue;
            }
            const auto row = u16_at(rec->data, 0);
            const auto col = u16_at(rec->data, 2);
            if (!row || !col) continue;
            if (is_cell_record(rec->id)) pending_string.reset();
            if (auto error = cell(*rec, *row, *col, sink, pending_string)) return std::move(*error);
        }
        return std::move(sink).take();
    }

private:
    static bool is_cell_record(std::uint16_t id)
    {
        return id == R_FORMULA || id == R_NUMBER || id == R_LABEL || id == R_LABELSST || id == R_RK ||
               id == R_MULRK || id == R_BOOLERR || id == R_RSTRING;
    }

    // The cell with the date kind when the XF index at `xf_offset` of the record names a date style.
    Cell dated(Cell cell, Bytes record, std::size_t xf_offset) const
    {
        g_.dates.mark(cell, u16_at(record, xf_offset).value_or(0xFFFF));
        return cell;
    }

    std::optional<std::string> formula_string(std::vector<Bytes> parts) const
    {
        if (g_.biff == 5) return biff5_string(parts[0], 0, 2, g_.code_page);
        ContinuedReader r(std::move(parts));
        return read_biff8_string(r, false);
    }

    std::optional<std::string> label(const Record& rec) const
    {
        if (g_.biff == 5) return biff5_string(rec.data, 6, 2, g_.code_page);
        ContinuedReader r({rec.data.subspan(std::min<std::size_t>(6, rec.data.size()))});
        return read_biff8_string(r, false);
    }

    std::optional<Error> cell(const Record& rec, std::uint16_t row, std::uint16_t col, CellSink& sink,
                              std::optional<std::pair<std::uint16_t, std::uint16_t>>& pending_string) const
    {
        const Bytes d = rec.data;
        switch (rec.id) {
            case R_NUMBER:
                if (auto v = f64_at(d, 6)) sink.add(row, col, dated(number_cell(*v), d, 4));
                break;
            case R_RK:
                if (auto v = u32_at(d, 6)) sink.add(row, col, dated(rk_cell(*v), d, 4));
                break;
            case R_MULRK: {
                // Pairs of (XF index, RK) from the first column on, then the last column; a cut
                // record keeps the pairs it holds completely.
                std::size_t off = 4;
                for (std::uint32_t c = col; off + 6 <= d.size() && c <= 0xFFFF; ++c, off += 6)
                    sink.add(row, c, dated(rk_cell(*u32_at(d, off + 2)), d, off));
                break;
            }
            case R_LABELSST: {
                const auto index = u32_at(d, 6);
                if (!index) break;
                auto cell = sink.shared_string(*index);
                if (!cell) return cell.error();
                sink.add(row, col, std::move(*cell));
                break;
            }
            case R_LABEL:
            case R_RSTRING:
                if (auto text = label(rec)) sink.add_copy(row, col, text_cell(*text));
                break;
            case R_BOOLERR:
                if (d.size() >= 8) sink.add(row, col, d[7] ? error_cell_from_code(d[6]) : bool_cell(d[6] != 0));
                break;
            case R_FORMULA: {
                if (d.size() < 14) break;
                if (d[12] != 0xFF || d[13] != 0xFF) {
                    sink.add(row, col, dated(number_cell(*f64_at(d, 6)), d, 4));
                    break;
                }
                switch (d[6]) {
                    case 0: pending_string = std::pair{row, col}; break;
                    case 1: sink.add(row, col, bool_cell(d[8] != 0)); break;
                    case 2: sink.add(row, col, error_cell_from_code(d[8])); break;
                    case 3: sink.add(row, col, text_cell({})); break;
                    default: break;
                }
                break;
            }
            default:
                break;
        }
        return std::nullopt;
    }

    std::vector<std::uint8_t> stream_;
    Globals g_;

public:
    std::uint64_t held_bytes() const override { return stream_.capacity() + g_.strings->held_bytes(); }
};

std::optional<std::string> old_biff_name(Bytes stream)
{
    const auto id = u16_at(stream, 0);
    if (id == 0x0009) return "BIFF2";
    if (id == 0x0209) return "BIFF3";
    if (id == 0x0409) return "BIFF4";
    return std::nullopt;
}

Error old_biff_error(const std::string& name)
{
    return fail("The workbook is in the " + name +
                " format of Excel 4.0 or earlier; only BIFF5 and BIFF8 workbooks can be read.");
}

}  // namespace

Error encrypted_error() { return fail("The workbook is encrypted with a password; its cells cannot be read."); }

bool is_encrypted_package(Bytes bytes)
{
    if (!cfb::has_signature(bytes)) return false;
    auto file = cfb::CompoundFile::open(bytes);
    return file && file->open_stream("/EncryptedPackage");
}

Result<Workbook> Workbook::open_xls(std::span<const std::uint8_t> bytes)
{
    if (auto old = old_biff_name(bytes)) return old_biff_error(*old);
    auto file = cfb::CompoundFile::open(bytes);
    if (!file) return file.error();
    auto entry = file->open_stream("/Workbook");
    if (!entry) entry = file->open_stream("/Book");
    if (!entry) {
        if (file->open_stream("/EncryptedPackage")) return encrypted_error();
        return fail("The compound file holds no Workbook or Book stream.");
    }
    auto stream = file->read(*entry);
    if (!stream) return stream.error();
    if (auto old = old_biff_name(*stream)) return old_biff_error(*old);
    auto globals = read_globals(*stream);
    if (!globals) return globals.error();
    return Workbook(std::make_unique<XlsReader>(std::move(*stream), std::move(*globals)));
}

}  // namespace workbook
