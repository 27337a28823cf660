#pragma once
// The small records Explorer and other Shell-aware sources place beside a file list: the Shell
// item list (CIDA), the shared Shell attributes, the drop effect, icon positions, path aliases,
// and Photoshop's paste-position block. None of them is content; each is decoded so the user
// sees what it says and why it is not offered for saving.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_reader.h"
#include "report/report.h"

namespace cw {

// Names of the SFGAO bits present in `value`, in a fixed order, joined by ", "; "None" for none.
std::string shell_attribute_names(std::uint32_t value);

PropertyTable analyze_shell_idlist_array(ByteView bytes);
// elevation: the "DataObjectAttributesRequiringElevation" variant.
PropertyTable analyze_shell_attributes(ByteView bytes, bool elevation);
PropertyTable analyze_preferred_drop_effect(ByteView bytes);
PropertyTable analyze_shell_object_offsets(ByteView bytes);
// unicode: "FileNameW" (UTF-16LE); otherwise the 8-bit "FileName", read as UTF-8.
PropertyTable analyze_path_alias(std::string_view format_name, ByteView bytes, bool unicode);
PropertyTable analyze_paste_in_place(ByteView bytes);

// The names of the set DROPEFFECT bits (Copy, Move, Link, Scroll) joined by " + "; "None".
std::string drop_effect_names(std::uint32_t value);

PropertyTable analyze_async_flag(ByteView bytes);

}  // namespace cw
