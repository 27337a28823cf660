#include "inspect/file_lists_win.h"

#include <shellapi.h>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "inspect/file_lists.h"

namespace cw {

Result<std::vector<std::string>> query_drop_paths(HANDLE drop)
{
    {
        const SIZE_T size = GlobalSize(drop);
        if (size == 0) return last_error();
        GlobalLockGuard lock(drop);
        if (!lock) return last_error();
        const ByteView block(static_cast<const std::uint8_t*>(lock.data()), size);
        if (!drop_list_is_terminated(block)) return Error::invalid_data(std::string(DROP_LIST_UNTERMINATED));
    }
    HDROP handle = static_cast<HDROP>(drop);
    return collect_drop_paths([handle](std::uint32_t index, char16_t* buffer, std::uint32_t capacity) {
        return static_cast<std::uint32_t>(DragQueryFileW(handle, index, reinterpret_cast<wchar_t*>(buffer), capacity));
    });
}

}  // namespace cw
