#include <string>

#include "base/handles_win.h"
#include "base/log.h"
#include "base/text_win.h"

namespace cw {

namespace {

std::wstring local_app_data()
{
    const DWORD need = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (need == 0) return {};
    std::wstring value(need, L'\0');
    const DWORD got = GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), need);
    if (got == 0 || got >= need) return {};
    value.resize(got);
    return value;
}

bool create_folders(const std::wstring& base, std::initializer_list<const wchar_t*> parts, std::wstring& out)
{
    out = base;
    for (const wchar_t* part : parts) {
        if (!out.empty() && out.back() != L'\\' && out.back() != L'/') out += L'\\';
        out += part;
        if (!CreateDirectoryW(out.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return true;
}

}  // namespace

void log_event(std::string_view event, std::string_view fields)
{
    // An empty LOCALAPPDATA would make a relative path and scatter logs into whatever folder is
    // current (often the user's save folder), so it counts as unset.
    const std::wstring base = local_app_data();
    if (base.empty()) return;
    std::wstring folder;
    if (!create_folders(base, {L"Tindrel", L"Clipwright", L"Logs"}, folder)) return;
    const std::wstring log_path = folder + L"\\clipwright.log";
    const std::wstring old_path = folder + L"\\clipwright.log.1";

    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (GetFileAttributesExW(log_path.c_str(), GetFileExInfoStandard, &info)) {
        const std::uint64_t size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        if (log_needs_rotation(size)) {
            DeleteFileW(old_path.c_str());                  // errors ignored: rotation is best effort
            MoveFileW(log_path.c_str(), old_path.c_str());
        }
    }

    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::uint64_t ft = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const std::string line = format_log_line(unix_seconds_from_filetime(ft), event, fields);

    UniqueFile file(CreateFileW(log_path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace cw
