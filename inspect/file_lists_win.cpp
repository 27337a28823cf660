#include "inspect/file_lists_win.h"

#include <shellapi.h>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "inspect/file_lists.h"

namespace cw {

Result<std::vector<std::string>> query_drop_paths(HANDLE drop)
{
    {
        const SIZE_T size = GlobalSize(drop);
        if (size == 0) return last_error_or_failure();
        GlobalLockGuard lock(drop);
        if (!lock) return last_error_or_failure();
        const ByteView block(static_cast<const std::uint8_t*>(lock.data()), size);
        if (!drop_list_is_terminated(block)) return Error::invalid_data(std::string(DROP_LIST_UNTERMINATED));
    }
    HDROP handle = static_cast<HDROP>(drop);
    return collect_drop_paths([handle](std::uint32_t index, char16_t* buffer, std::uint32_t capacity) {
        return static_cast<std::uint32_t>(DragQueryFileW(handle, index, reinterpret_cast<wchar_t*>(buffer), capacity));
    });
}

Result<std::vector<std::string>> drop_paths_from_copy(const GlobalCopy& copy)
{
    if (!copy.complete()) return Error::invalid_data(std::string(DROP_LIST_TOO_LARGE));
    auto paths = drop_block_paths(copy.bytes, [](std::string_view ansi) {
        if (ansi.empty()) return std::string();
        const int length = static_cast<int>(ansi.size());
        const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
        if (n <= 0) return std::string();
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), n);
        return from_wide(wide);
    });
    if (!paths) return Error::invalid_data(std::string(DROP_LIST_UNTERMINATED));
    return std::move(*paths);
}

}  // namespace cw
