#include "preview/webview_profile_win.h"

#include "base/log.h"
#include "base/remove_tree_win.h"
#include "base/win32.h"
#include "preview/webview_profile.h"

namespace cw {

namespace {

std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

std::wstring webview_profile_root()
{
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return {};
    std::wstring root(temp, n);
    if (!root.empty() && root.back() != L'\\') root += L'\\';
    return root + std::wstring(WEBVIEW_ROOT_NAME.begin(), WEBVIEW_ROOT_NAME.end());
}

void remove_webview_profile(const std::wstring& path)
{
    if (!is_owned_webview_profile(u16(path), u16(webview_profile_root()))) {
        log_event("webview_cleanup", "result=rejected_unowned_path");
        return;
    }
    for (int attempt = 1; attempt <= 4; ++attempt) {
        switch (remove_recursively(path)) {
            case RemovalResult::removed:
                log_event("webview_cleanup", "result=success");
                return;
            case RemovalResult::not_found:
                return;
            case RemovalResult::failed:
                break;
        }
        if (attempt < 4) Sleep(50);  // the browser's processes may still be letting go of the folder
    }
    log_event("webview_cleanup", "result=deferred");
}

void sweep_stale_webview_profiles()
{
    const std::wstring root = webview_profile_root();
    if (root.empty()) return;
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    constexpr std::uint64_t DAY = 864000000000ULL;
    constexpr std::uint64_t EPOCH_1970 = 116444736000000000ULL;
    std::uint64_t limit = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    limit = limit > EPOCH_1970 + DAY ? limit - DAY : EPOCH_1970;

    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = root + L"\\" + name;
        const std::uint64_t written =
            (std::uint64_t(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime;
        if (is_owned_webview_profile(u16(path), u16(root)) && written < limit) remove_webview_profile(path);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace cw
