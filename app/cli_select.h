#pragma once
// What a console command works on: the format a FORMAT argument names, the simple-view row a
// save takes, and which exit status a failed save earns.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "capture/snapshot.h"
#include "save/candidates.h"

namespace cw {

// FORMAT is a number from `list` (all digits), "#ID" (decimal, or hexadecimal after "0x"), or a
// name compared as the dispatcher compares names. Returns the index into `entries`.
std::optional<std::size_t> find_format(std::span<const FormatEntry> entries, std::string_view spec);

// The format a save without FORMAT takes, as an index into `entries`: the simple view's first
// row, or with `extension` (with or without its dot, any letter case) the first saveable format
// whose save gives that extension, the simple view's rows first, then every format in list order.
// A kind's losing format still counts, so "bmp" finds CF_DIB when a PNG wins the image row.
std::optional<std::size_t> find_save_format(std::span<const FormatEntry> entries,
                                            const std::optional<std::string>& extension);

// A --to path (already made absolute) as the folder to save in and the name typed for it. A
// root keeps its separator: "C:\\" is a folder, "C:" is the current folder of drive C.
struct DestinationParts {
    std::u16string folder;
    std::u16string name;
};
DestinationParts split_destination(std::u16string_view path);

// Whether the flat clipboard hands out a global memory block for this identifier, so that
// GlobalSize means something: not for bitmaps, palettes, enhanced metafiles and GDI-object formats.
bool has_global_memory_block(std::uint32_t id);

inline constexpr std::string_view CLI_NO_SUCH_FORMAT = "No advertised clipboard format matches ";
inline constexpr std::string_view CLI_CLIPBOARD_EMPTY = "The clipboard is empty.";
inline constexpr std::string_view CLI_NO_SAVE_ROW = "No directly saveable representation found";
inline constexpr std::string_view CLI_CLIPBOARD_CHANGED = "The clipboard changed while the command ran.";

// The exit status of a save that failed with `message`: a busy or changed clipboard, a
// representation that is gone or cannot be rendered, or any other failure of the save.
int save_failure_status(std::string_view message);

}  // namespace cw
