#pragma once
// Names for items that another program hands over (virtual file descriptors, names found in a
// copied folder). They are hostile: whatever they say, the item lands inside the chosen folder
// under a name Windows stores as written, or is refused with its reason.

#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace cw {

// Longest name accepted at all, in UTF-16 units (the Win32 long-path limit).
inline constexpr std::size_t MAX_ITEM_NAME_UNITS = 32767;
// Longest component written. The temporary sibling ".{name}.clipwright-{pid}-{attempt}.tmp" and
// a numbered suffix must still fit the 255 units a file system allows a component.
inline constexpr std::size_t MAX_COMPONENT_UNITS = 200;
// Deepest folder nesting written below the chosen folder.
inline constexpr std::size_t MAX_NAME_DEPTH = 64;

inline constexpr std::string_view ITEM_NAME_TOO_LONG = "The name is longer than 32,767 characters.";
inline constexpr std::string_view ITEM_NAME_TOO_DEEP = "The name nests folders more than 64 deep.";
inline constexpr std::string_view ITEM_NAME_EMPTY = "The name has nothing usable left once unsafe parts are removed.";

struct SafeItemPath {
    std::vector<std::string> components;  // UTF-8, each safe to create on its own
    bool renamed = false;                 // the name differs from what the source gave
};

// The relative path an item is written under:
// - "\\?\", "\\?\UNC\", "\\.\" and "\??\" prefixes and a leading drive ("C:") are dropped, so
//   absolute, UNC and device paths become relative to the folder;
// - "\" and "/" separate components; empty, "." and ".." components are dropped, so nothing climbs;
// - controls (U+0000 to U+001F, U+007F to U+009F) and " * : < > ? | become "_", so no alternate
//   data stream (":") is reached;
// - trailing dots and blanks are removed (Windows would drop them and alias another name);
// - a device name (CON, NUL, COM1, LPT¹, CONIN$, ... with any extension) gets a leading "_";
// - a component over MAX_COMPONENT_UNITS is shortened, keeping an extension of up to 16 units.
// Refused: a name over MAX_ITEM_NAME_UNITS, more than MAX_NAME_DEPTH components, or nothing left.
Result<SafeItemPath> sanitize_item_path(std::string_view name);

// One name by the same rules, with backslash and "/" made "_" as well; empty when nothing is left of it.
std::string sanitize_component(std::string_view name);

}  // namespace cw
