#pragma once
// The CF_HDROP list through the Shell's own reader. Call with the clipboard open.

#include <string>
#include <vector>

#include "base/error.h"
#include "base/win32.h"

namespace cw {

inline constexpr std::string_view DROP_LIST_UNTERMINATED =
    "The file list does not end inside its memory block, so it was not read.";

// The paths of a drop handle in list order (DragQueryFileW). A block whose list would run past
// its end is refused with DROP_LIST_UNTERMINATED before the Shell walks it.
Result<std::vector<std::string>> query_drop_paths(HANDLE drop);

}  // namespace cw
