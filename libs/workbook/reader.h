#pragma once
// What the three readers share: the reader interface behind Workbook, the cell collector with
// its limit, and the number and text helpers of the binary formats.

#include <cstdint>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "libs/workbook/workbook.h"

namespace workbook {

using Bytes = std::span<const std::uint8_t>;

class Workbook::Reader {
public:
    virtual ~Reader() = default;
    virtual Result<Range> read_sheet(std::size_t index, std::size_t cell_limit) const = 0;
    virtual std::uint64_t held_bytes() const = 0;
    std::vector<std::string> names;
    // The workbook that reads through `reader`.
    static Workbook workbook(std::unique_ptr<Reader> reader) { return Workbook(std::move(reader)); }
};

// A workbook's shared strings, one after another in one buffer; a cell views its string. Past
// MAX_SHARED_STRING_BYTES strings are only counted.
class StringTable {
public:
    void add(std::string_view text)
    {
        ++count_;
        const std::uint64_t needed = text_.size() + text.size() + (ends_.size() + 1) * sizeof(std::size_t);
        if (ends_.size() + 1 < count_ || needed > MAX_SHARED_STRING_BYTES) return;
        // Grown by doubling, but never past the budget.
        if (text_.size() + text.size() > text_.capacity())
            text_.reserve(std::max<std::size_t>(text_.size() + text.size(),
                                                std::min<std::uint64_t>(text_.capacity() * 2, MAX_SHARED_STRING_BYTES)));
        text_.append(text);
        ends_.push_back(text_.size());
    }
    // Drops the spare capacity growth left, once every string is in.
    void close()
    {
        text_.shrink_to_fit();
        ends_.shrink_to_fit();
    }
    std::uint64_t size() const { return count_; }
    // None for a string past the budget.
    std::optional<std::string_view> at(std::uint64_t index) const
    {
        if (index >= ends_.size()) return std::nullopt;
        const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(text_).substr(begin, ends_[index] - begin);
    }
    std::uint64_t held_bytes() const { return text_.capacity() + ends_.capacity() * sizeof(std::size_t); }
    // The bytes of text the next string may have and still be kept.
    std::uint64_t room() const
    {
        const std::uint64_t used = text_.size() + (ends_.size() + 1) * sizeof(std::size_t);
        return ends_.size() < count_ || used >= MAX_SHARED_STRING_BYTES ? 0 : MAX_SHARED_STRING_BYTES - used;
    }

private:
    std::string text_;
    std::vector<std::size_t> ends_;
    std::uint64_t count_ = 0;
};

// Text that cells of one read view: copied into blocks that never move.
class TextArena {
public:
    std::string_view keep(std::string_view text);
    std::uint64_t held_bytes() const { return held_; }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
    std::uint64_t held_ = 0;
};

// Collects cells up to a limit and their text up to MAX_CELL_TEXT_BYTES; past either, `full`
// tells the reader to stop. Text cells either view the shared strings (`add`) or have their text
// copied into the range (`add_copy`).
class CellSink {
public:
    CellSink(std::size_t limit, std::shared_ptr<const StringTable> strings);
    void add(std::uint32_t row, std::uint32_t column, Cell cell) { admit(row, column, cell, false); }
    void add_copy(std::uint32_t row, std::uint32_t column, Cell cell) { admit(row, column, cell, true); }
    // The cell of shared string `index`; none when it is out of range, and an empty cell when
    // it is past the kept strings, which ends the read at the text budget.
    Result<Cell> shared_string(std::uint64_t index);
    // The reader's own working bytes at a moment (parser buffers, text being gathered).
    void working(std::uint64_t bytes) { peak_work_ = std::max(peak_work_, bytes); }
    bool full() const { return range_.truncated; }
    // The cell text the budget still allows.
    std::uint64_t text_left() const { return MAX_CELL_TEXT_BYTES - text_bytes_; }
    Range take() &&;

private:
    void admit(std::uint32_t row, std::uint32_t column, Cell& cell, bool copy);
    struct Storage {
        std::shared_ptr<const StringTable> strings;
        TextArena own;
    };
    std::size_t limit_;
    std::uint64_t text_bytes_ = 0;
    std::uint64_t peak_work_ = 0;
    std::shared_ptr<Storage> storage_;
    Range range_;
};

inline Error fail(std::string message) { return Error{std::move(message)}; }

// The little-endian reads and UTF-16 text are the compound-file reader's.
using cfb::append_utf16le;
using cfb::append_utf8;
using cfb::u16_at;
using cfb::u32_at;
std::optional<double> f64_at(Bytes b, std::size_t off);

// One byte a character: Latin-1 when `code_page` is 0 (or 28591), otherwise the Windows code page
// 1250, 1251, 1252 or 1253; bytes above 0x7F of other code pages become U+FFFD.
void append_8bit(std::string& out, Bytes chars, std::uint16_t code_page);

Cell number_cell(double value);
// A text cell viewing `text`, which must outlive it: add it with CellSink::add_copy.
Cell text_cell(std::string_view text);
Cell bool_cell(bool value);
// The BIFF and XLSB error byte; unknown codes give text naming the code.
Cell error_cell_from_code(std::uint8_t code);
// RkNumber: a 30-bit integer or the high 30 bits of a double, optionally divided by 100.
Cell rk_cell(std::uint32_t rk);

std::string decimal(std::uint64_t n);

// Which cell styles show numbers as dates or times, so that such cells read as date_time: the
// built-in date formats, and format codes with date or time letters outside quoted text,
// escapes and bracketed colours, conditions and locales ([h], [m] and [s] count as time).
class DateStyles {
public:
    // A custom format; a later one with the same id replaces it, as it would for the writer.
    void add_format(std::uint32_t id, std::string_view code);
    // The next cell style (XF) in order, with its number format id; formats come before styles.
    void add_style(std::uint32_t format_id);
    // A floating-point or integer cell in a date style becomes date_time with the same serial.
    void mark(Cell& cell, std::size_t style) const;

private:
    std::map<std::uint32_t, bool> formats_;  // custom format id: whether it shows a date
    std::vector<bool> styles_;               // cell style: whether it shows a date
};

// Password-protected workbooks of every kind, XLSX and XLSB included (their package is then
// encrypted inside a compound file), fail with this text.
Error encrypted_error();
// True for a compound file that carries an encrypted OOXML package.
bool is_encrypted_package(Bytes bytes);

}  // namespace workbook
