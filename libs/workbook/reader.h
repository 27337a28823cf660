#pragma once
// What the three readers share: the reader interface behind Workbook, the cell collector with
// its limit, and the little-endian and text helpers of the binary formats.

#include <cstdint>
#include <map>
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
    std::vector<std::string> names;
};

// Collects cells up to a limit; past it, `full` tells the reader to stop.
class CellSink {
public:
    explicit CellSink(std::size_t limit) : limit_(limit) {}
    void add(std::uint32_t row, std::uint32_t column, Cell cell)
    {
        if (range_.cells.size() >= limit_) {
            range_.truncated = true;
            return;
        }
        range_.cells.push_back({row, column, std::move(cell)});
    }
    bool full() const { return range_.truncated; }
    Range take() && { return std::move(range_); }

private:
    std::size_t limit_;
    Range range_;
};

inline Error fail(std::string message) { return Error{std::move(message)}; }

inline std::optional<std::uint16_t> u16_at(Bytes b, std::size_t off)
{
    if (off > b.size() || b.size() - off < 2) return std::nullopt;
    return static_cast<std::uint16_t>(b[off] | b[off + 1] << 8);
}
inline std::optional<std::uint32_t> u32_at(Bytes b, std::size_t off)
{
    if (off > b.size() || b.size() - off < 4) return std::nullopt;
    return static_cast<std::uint32_t>(b[off]) | static_cast<std::uint32_t>(b[off + 1]) << 8 |
           static_cast<std::uint32_t>(b[off + 2]) << 16 | static_cast<std::uint32_t>(b[off + 3]) << 24;
}
std::optional<double> f64_at(Bytes b, std::size_t off);

void append_utf8(std::string& out, char32_t c);
// UTF-16LE code units (2 bytes each) to UTF-8; unpaired surrogates become U+FFFD.
void append_utf16le(std::string& out, Bytes units);
// One byte a character: Latin-1 when `code_page` is 0 (or 28591), otherwise the Windows code page
// 1250, 1251, 1252 or 1253; bytes above 0x7F of other code pages become U+FFFD.
void append_8bit(std::string& out, Bytes chars, std::uint16_t code_page);

Cell number_cell(double value);
Cell text_cell(std::string text);
Cell bool_cell(bool value);
// The BIFF and XLSB error byte; unknown codes give text naming the code.
Cell error_cell_from_code(std::uint8_t code);
// The text of shared string `index`, or the error that names it out of range.
Result<Cell> shared_string_cell(const std::vector<std::string>& strings, std::uint64_t index);
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
