// The OLE link formats under each of their names: monikers, object descriptors, link strings and
// printable strings. The first byte picks the name; the rest is the block.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/text.h"
#include "inspect/ole_objects.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

const char* const NAMES[] = {"OwnerLink",         "ObjectLink", "Link", "Link Source", "Object Descriptor",
                             "Link Source Descriptor"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::vector<std::uint8_t> block(data + 1, data + size);
    const cw::PropertyTable table = cw::analyze_ole_link_format(NAMES[data[0] % 6], block);
    check(table.columns.size() == 2);
    for (const auto& row : table.rows) check(row.size() == 2 && cw::is_valid_utf8(row[1]));

    const std::vector<std::string> strings = cw::extract_printable_strings(block);
    check(std::is_sorted(strings.begin(), strings.end()));
    check(std::adjacent_find(strings.begin(), strings.end()) == strings.end());
    for (const std::string& s : cw::split_link_parts(block)) check(!s.empty() && s == cw::trim_whitespace(s));
    return 0;
}
