#include "host_links.h"

#include "base/text_win.h"
#include "base/win32.h"

namespace cw::test {

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

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

}  // namespace

bool running_on_wine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
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
