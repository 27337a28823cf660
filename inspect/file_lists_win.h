#pragma once
// The CF_HDROP list: through the Shell's own reader with the clipboard open, or from a copy of
// its block after the clipboard is closed.

#include <string>
#include <vector>

#include "base/error.h"
#include "base/win32.h"
#include "capture/retrieval.h"

namespace cw {

inline constexpr std::string_view DROP_LIST_UNTERMINATED =
    "The file list does not end inside its memory block, so it was not read.";
inline constexpr std::string_view DROP_LIST_TOO_LARGE =
    "The file list is larger than 256 MiB, so it was not read.";

// The most of a CF_HDROP block copied: a quarter of a gigabyte lists over a million paths.
inline constexpr std::uint64_t DROP_LIST_COPY_LIMIT = LARGE_PAYLOAD_LIMIT;

// The paths of a drop handle in list order (DragQueryFileW). A block whose list would run past
// its end is refused with DROP_LIST_UNTERMINATED before the Shell walks it.
Result<std::vector<std::string>> query_drop_paths(HANDLE drop);

// The paths of a CF_HDROP block copied with copy_global_memory(handle, DROP_LIST_COPY_LIMIT), read
// as DragQueryFileW reads them (ANSI lists in the system code page) but in one walk. A list cut
// by the limit is refused with DROP_LIST_TOO_LARGE, an open-ended one with DROP_LIST_UNTERMINATED.
Result<std::vector<std::string>> drop_paths_from_copy(const GlobalCopy& copy);

}  // namespace cw
