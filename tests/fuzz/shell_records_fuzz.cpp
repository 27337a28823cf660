// The Shell transfer records (CIDA walk, attributes, drop effect, icon positions, path aliases,
// Photoshop placement, AsyncFlag): any bytes become a table, never a read past the block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "inspect/shell_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cw::ByteView bytes(data, size);
    const cw::PropertyTable cida = cw::analyze_shell_idlist_array(bytes);
    // Rows come only from an offset table that fits the block.
    if (cida.rows.size() > size / 4 + 1) std::abort();
    (void)cw::analyze_shell_attributes(bytes, size & 1);
    (void)cw::analyze_preferred_drop_effect(bytes);
    if (cw::analyze_shell_object_offsets(bytes).rows.size() > size / 8 + 1) std::abort();
    (void)cw::analyze_path_alias("FileNameW", bytes, true);
    (void)cw::analyze_path_alias("FileName", bytes, false);
    (void)cw::analyze_paste_in_place(bytes);
    (void)cw::analyze_async_flag(bytes);
    return 0;
}
