#include "preview/webview_profile_win.h"

#include <optional>

#include "base/log.h"
#include "base/remove_tree_win.h"
#include "base/win32.h"
#include "preview/webview_profile.h"

namespace cw {

namespace {

std::u16string u16(const std::wstring& s)
{
    return std::u16string(s.begin(), s.end());
}

// Waits while dispatching the thread's messages. A quit request is kept for the loop it belongs to.
void wait_dispatching(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    std::optional<WPARAM> quit;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
    if (quit) PostQuitMessage(static_cast<int>(*quit));
}

void remove_profile(const std::wstring& path, int attempts, DWORD interval, void (*wait)(DWORD))
{
    if (!is_owned_webview_profile(u16(path), u16(webview_profile_root()))) {
        log_event("webview_cleanup", "result=rejected_unowned_path");
        return;
    }
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        switch (remove_recursively(path)) {
            case RemovalResult::removed:
                log_event("webview_cleanup", "result=success");
                return;
            case RemovalResult::not_found:
                return;
            case RemovalResult::failed:
                break;
        }
        if (attempt < attempts) wait(interval);
    }
    log_event("webview_cleanup", "result=deferred");
}

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
    remove_profile(path, 4, 50, [](DWORD milliseconds) { Sleep(milliseconds); });
}

void remove_closed_webview_profile(const std::wstring& path)
{
    remove_profile(path, 10, 100, wait_dispatching);
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
