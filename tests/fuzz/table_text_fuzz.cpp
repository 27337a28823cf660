// Delimited text with either delimiter: bounded tables whose captions cover every row.
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "preview/table_text.h"

namespace {

void check(const cw::PropertyTable& table, const std::string& text)
{
    if (table.raw_text != text || table.columns.empty()) std::abort();
    if (table.rows.size() > cw::TABLE_MAX_ROWS + 1 || table.columns.size() > cw::TABLE_MAX_COLUMNS) std::abort();
    for (const auto& row : table.rows)
        if (row.size() > table.columns.size()) std::abort();
    if (table.columns != cw::column_letters(table.columns.size())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = cw::decode_utf8_to_first_zero(cw::ByteView(data, size));
    for (char delimiter : {',', '\t'}) check(cw::parse_delimited_text(text, delimiter), text);
    return 0;
}
