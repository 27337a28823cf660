// FILEGROUPDESCRIPTOR manifests in both layouts, with the FILETIMEs and names inside them, and
// DROPFILES blocks read as path lists: counts far beyond the block end in one "Truncated
// descriptor" row.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "inspect/file_lists.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cw::ByteView bytes(data, size);
    for (const char* name : {"FileGroupDescriptorW", "FileGroupDescriptor"}) {
        const cw::PropertyTable t = cw::analyze_file_group_descriptor(name, bytes);
        if (t.rows.size() > size / 332 + 1) std::abort();
        for (const auto& row : t.rows)
            if (row.size() != t.columns.size()) std::abort();
    }
    (void)cw::format_filetime(bytes);
    // The one-walk reader of a copied list agrees with the terminator check.
    const auto paths = cw::drop_block_paths(bytes, [](std::string_view ansi) { return std::string(ansi); });
    if (paths.has_value() != cw::drop_list_is_terminated(bytes)) std::abort();
    return 0;
}
