#pragma once
// What every table preview must hold, whatever the input: bounded rows and columns, captions that
// cover every row, and the two tab captions of its kind.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "base/text.h"
#include "libs/workbook/workbook.h"
#include "preview/table_text.h"
#include "preview/workbook_preview.h"
#include "report/report.h"

namespace cw::fuzz {

inline void require(bool condition)
{
    if (!condition) std::abort();
}

inline void check_table(const PropertyTable& table, std::string_view table_caption, std::string_view text_caption)
{
    require(!table.columns.empty() && table.columns.size() <= TABLE_MAX_COLUMNS);
    require(table.rows.size() <= TABLE_MAX_ROWS + 1);
    std::size_t cells = 0;
    for (const auto& row : table.rows) {
        require(row.size() <= table.columns.size());
        cells += row.size();
    }
    require(cells <= TABLE_MAX_CELLS + 1);
    require(table.table_caption == table_caption && table.text_caption == text_caption);
}

// A text parser on the decoded input: bounded, and the whole text kept as its source.
template <typename Parse>
void check_text_parser(const std::uint8_t* data, std::size_t size, Parse parse)
{
    const std::string text = decode_utf8_to_first_zero(ByteView(data, size));
    const PropertyTable table = parse(text);
    check_table(table, "Table", "Source");
    require(table.raw_text == text);
}

// A workbook reader on the input: the library opens and reads every sheet within a cell limit or
// says why not, and the preview under `name` gives a bounded grid or its failure, with a
// structure text in CR LF.
template <typename Open>
void check_workbook_reader(const std::uint8_t* data, std::size_t size, Open open, std::string_view name)
{
    const std::span<const std::uint8_t> bytes(data, size);
    if (auto book = open(bytes)) {
        for (std::size_t i = 0; i < book->sheet_names().size(); ++i) {
            auto range = book->read_sheet(i, 4096);
            require(range ? range->cells.size() <= 4096 : !range.error().message.empty());
        }
    } else {
        require(!book.error().message.empty());
    }
    const PropertyTable table = read_workbook(name, bytes);
    check_table(table, "Workbook", "Structure");
    require(table.raw_text.starts_with("Format: " + std::string(name) + "\r\n"));
    for (std::size_t i = 0; i < table.raw_text.size(); ++i)
        if (table.raw_text[i] == '\n') require(i > 0 && table.raw_text[i - 1] == '\r');
}

}  // namespace cw::fuzz
