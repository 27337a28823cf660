// The embedded-object report for any container: a compound file or not, with any entries,
// /CONTENTS and CompObj streams. Runs from real compound files as well as our seeds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "inspect/ole_objects.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

std::string cell(const cw::PropertyTable& table, std::string_view property)
{
    for (const auto& row : table.rows)
        if (row[0] == property) return row[1];
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> block(data, data + size);
    const cw::PropertyTable table = cw::analyze_embedded_object(size % 2 ? "Native" : "Embed Source", block);
    check(table.rows.size() >= 4 && table.table_caption == "Object");
    const bool parsed = cell(table, "Parser").empty();
    check(parsed != cell(table, "Save behavior").empty());
    // A PSD verdict needs the confirmed signature in /CONTENTS.
    if (cell(table, "Save behavior").starts_with("Verified"))
        check(cell(table, "CONTENTS interpretation").find("PSD, signature confirmed") != std::string::npos);
    check(table.raw_text.find("\r\r") == std::string::npos);
    return 0;
}
