#pragma once
// File copies on the clipboard: the CF_HDROP list of file-system paths, with evidence read from
// the file system now; the FILEGROUPDESCRIPTOR manifest of virtual files; and the source document
// of a Photoshop layer copy. Files are only ever asked for metadata or a few leading bytes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "inspect/file_probe.h"
#include "report/report.h"

namespace cw {

// The last component of a Win32 path and what precedes it. `name` is empty for a root, a bare
// prefix or a last component "..": such a path names no item by name.
struct PathParts {
    std::string_view location;  // the path without its last component; empty when there is none
    std::string_view name;
};
PathParts split_item_path(std::string_view path);

// "." and what follows the last dot of the last component; "None" when there is no named last
// component, no dot, or the only dot leads the name (".profile"). "name." gives ".".
std::string path_extension(std::string_view path);

// A FILETIME as "YYYY-MM-DD hh:mm:ss.mmm" (UTC, the year in at least four digits); "Not
// advertised" for eight zero bytes (or fewer than eight bytes), "Invalid FILETIME" for values of
// 2^63 and more, which the system refuses to convert.
std::string format_filetime(ByteView eight_bytes);

// One DragQueryFileW call: (index, buffer, capacity in units) -> what DragQueryFileW returns.
using DropFileQuery = std::function<std::uint32_t(std::uint32_t index, char16_t* buffer, std::uint32_t capacity)>;

// The paths of a drop list in order: the count (index 0xFFFFFFFF), then per index its length,
// a buffer of length + 1 units and the units reported as copied, never more than the buffer holds.
std::vector<std::string> collect_drop_paths(const DropFileQuery& query);

// Whether a DROPFILES block's path list starts inside the block and ends (an empty string)
// before the block does. The system's list walker trusts the terminator; a block without one
// would be read past its end.
bool drop_list_is_terminated(ByteView block);

// Decodes one path of an ANSI drop list (the system's code page on Windows).
using AnsiPathDecoder = std::function<std::string(std::string_view)>;

// The paths of a copied DROPFILES block in list order, in one walk (a list of a million paths is
// read in milliseconds); none when the list does not end inside the block.
std::optional<std::vector<std::string>> drop_block_paths(ByteView block, const AnsiPathDecoder& decode_ansi);

// A copy of a big folder lists tens of thousands of paths, and each costs several file-system
// questions (a slow share far more), so a report examines only the first ones and lists the rest.
inline constexpr std::size_t MAX_EXAMINED_PATHS = 5000;

// "Examined the first {n} of {total} items." with grouped digits (5,000), for a list longer than
// MAX_EXAMINED_PATHS.
std::string examined_items_line(std::size_t total);

// The "Items" table of a CF_HDROP list: one row per path with what the file system says now; a
// path past the first MAX_EXAMINED_PATHS is listed as "Not examined".
PropertyTable build_path_evidence(const std::vector<std::string>& paths, const FileProbe& probe);

// The manifest of a "FileGroupDescriptorW" (592-byte Unicode descriptors) or any other name
// (332-byte ANSI descriptors).
PropertyTable analyze_file_group_descriptor(std::string_view format_name, ByteView bytes);

// "Photoshop Clip Source": the source document's path and what its metadata says; the document
// itself is never opened.
PropertyTable analyze_clip_source(ByteView bytes, const FileProbe& probe);

}  // namespace cw
