#pragma once
// A small read-only spreadsheet reader: open an XLS (BIFF8 or BIFF5 in a compound file), XLSX or
// XLSB workbook from bytes in memory, list its sheets in workbook order and read one sheet's
// cells. It knows nothing of where the bytes came from.
//
// The bytes are borrowed: the caller keeps them alive and unchanged while the Workbook is used.
// Everything the reader builds is bounded: ZIP parts by their inflated size and ratio, cells by
// a limit the caller chooses, cell text by MAX_CELL_TEXT_BYTES and the shared strings by
// MAX_SHARED_STRING_BYTES. Error texts are complete English sentences, meant to be shown to a
// user as they are.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "libs/cfb/cfb.h"

namespace workbook {

using Error = cfb::Error;
template <typename T>
using Result = cfb::Result<T>;

enum class CellKind : std::uint8_t { empty, integer, floating, text, boolean, date_time, iso_text, error };

// Excel's error values; getting_data is the "#GETTING_DATA" placeholder of pending external data.
enum class CellError : std::uint8_t { null, div0, value, ref, name, num, na, getting_data };

struct Cell {
    CellKind kind = CellKind::empty;
    bool boolean = false;
    CellError error = CellError::null;
    std::int64_t integer = 0;
    double number = 0;      // floating, and date_time as its Excel serial number
    // text, and iso_text (an ISO 8601 date-time or duration as stored): a view into the text the
    // Range keeps, so that a shared string is held once however many cells show it.
    std::string_view text;
};

struct SheetCell {
    std::uint32_t row = 0;  // zero-based
    std::uint32_t column = 0;
    Cell cell;
};

struct Range {
    // Every cell that holds a value, in the order the sheet stores them; a later cell at the same
    // place as an earlier one replaces it for the reader's user. Blank (formatted-only) cells are
    // left out, so the used range is the bounding box of these. A deque, so that growing it never
    // holds the cells twice nor copies them.
    std::deque<SheetCell> cells;
    // True when reading stopped at the cell limit, or at the cell-text budget.
    bool truncated = false;
    // True when reading stopped because the next cell's text would pass MAX_CELL_TEXT_BYTES.
    bool text_cut = false;
    // What the cells' text views point into (shared with the Workbook for shared strings).
    std::shared_ptr<const void> text_storage;
    // The bytes this range holds: its cells, and the text only it keeps.
    std::uint64_t held_bytes = 0;
};

// Enough for the 100,000 rows of ten columns that a preview may show, and well below what a
// small machine can hold (about 64 bytes a cell).
inline constexpr std::size_t DEFAULT_CELL_LIMIT = 2'097'152;
// A ZIP part may not inflate past this, nor past MAX_PART_RATIO times its compressed size once
// it is larger than RATIO_CHECK_BYTES: deflate cannot do better than about 1,032 to 1, and real
// sheets stay far below this ratio, so what exceeds it is a bomb.
inline constexpr std::uint64_t MAX_PART_BYTES = 512ull << 20;
inline constexpr std::uint64_t RATIO_CHECK_BYTES = 32ull << 20;
inline constexpr std::uint64_t MAX_PART_RATIO = 400;
// The text of one sheet's cells, counted per cell (a shared string shown by two cells counts
// twice, because a preview turns each into text), stops a read once it would pass this.
inline constexpr std::uint64_t MAX_CELL_TEXT_BYTES = 64ull << 20;
// The shared strings kept, with 8 bytes a string for finding it; strings past this are counted
// but not kept, and a cell that shows one ends its read as the cell-text budget does.
inline constexpr std::uint64_t MAX_SHARED_STRING_BYTES = 256ull << 20;

class Workbook {
public:
    static Result<Workbook> open_xls(std::span<const std::uint8_t> bytes);
    static Result<Workbook> open_xlsx(std::span<const std::uint8_t> bytes);
    static Result<Workbook> open_xlsb(std::span<const std::uint8_t> bytes);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    // Worksheet and macro-sheet names in workbook order; chart sheets and code modules are left out.
    const std::vector<std::string>& sheet_names() const;
    // The cells of the sheet at `index` in sheet_names(), at most `cell_limit` of them.
    Result<Range> read_sheet(std::size_t index, std::size_t cell_limit = DEFAULT_CELL_LIMIT) const;
    // The bytes the workbook holds between reads: its shared strings and what a reader keeps of
    // the workbook's parts.
    std::uint64_t held_bytes() const;

    class Reader;

private:
    explicit Workbook(std::unique_ptr<Reader> reader);
    std::unique_ptr<Reader> reader_;
};

}  // namespace workbook
