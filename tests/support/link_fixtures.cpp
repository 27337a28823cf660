#include "link_fixtures.h"

#include "base/text_win.h"
#include "base/win32.h"

namespace cw::test {

namespace {
using UnixFileName = char*(CDECL*)(const wchar_t*);
}  // namespace

std::string unix_path(const std::wstring& path)
{
    const auto convert = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return {};
    char* name = convert(path.c_str());
    if (!name) return {};
    std::string out(name);
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Runs a shell command on the host. Wine starts Unix programs without a handle to wait on, so
// the command leaves a marker file last and the marker is awaited.
bool run_host_command(const std::string& command, const std::wstring& beside)
{
    const std::wstring marker = beside + L".done";
    const std::string marker_unix = unix_path(marker);
    if (marker_unix.empty()) return false;
    std::wstring line = L"/bin/sh -c \"" + to_wide(command) + L" && : > '" + to_wide(marker_unix) + L"'\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
    for (int i = 0; i < 2000; ++i) {
        if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return DeleteFileW(marker.c_str()) != FALSE;
        Sleep(5);
    }
    return false;
}

bool running_on_wine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool write_test_file(const std::wstring& path, const std::string& text, DWORD attributes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == text.size();
}

bool set_written_days_ago(const std::wstring& folder, int days)
{
    HANDLE h = CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{};
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<ULONGLONG>(days) * 864000000000ULL;  // 100 ns units in a day
    const FILETIME then{t.LowPart, t.HighPart};
    const BOOL ok = SetFileTime(h, nullptr, nullptr, &then);
    CloseHandle(h);
    return ok != FALSE;
}

bool make_host_link(const std::wstring& target, const std::wstring& link)
{
    const std::string from = unix_path(target), at = unix_path(link);
    if (from.empty() || at.empty()) return false;
    return run_host_command("ln -s '" + from + "' '" + at + "'", link);
}

bool make_host_fifo(const std::wstring& path)
{
    const std::string at = unix_path(path);
    if (at.empty()) return false;
    return run_host_command("mkfifo '" + at + "'", path);
}

bool remove_host_tree(const std::wstring& path)
{
    const std::string at = unix_path(path);
    if (at.empty()) return false;
    return run_host_command("rm -rf '" + at + "'", path);
}

}  // namespace cw::test
