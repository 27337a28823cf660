#include "app/startup_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <filesystem>

#include "app/command_line.h"
#include "app/theme_setting.h"
#include "base/dpi.h"
#include "base/error_win.h"
#include "base/log.h"
#include "base/remove_tree_win.h"

namespace cw {

Status load_ui_libraries()
{
    if (!LoadLibraryW(L"Msftedit.dll")) return last_error_or_failure();  // stays loaded for the process
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS;
    if (!InitCommonControlsEx(&icc)) return last_error_or_failure();
    return ok_status();
}

bool read_dark_mode_setting()
{
    wchar_t buffer[32] = {};
    DWORD size = sizeof buffer;
    const LONG status = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright", L"Theme", RRF_RT_REG_SZ,
                                     nullptr, buffer, &size);
    if (status != ERROR_SUCCESS) return dark_mode_from_setting(std::nullopt);
    const std::size_t units = wcsnlen(buffer, 32);
    return dark_mode_from_setting(std::u16string_view(reinterpret_cast<const char16_t*>(buffer), units));
}

std::vector<std::u16string> command_line_arguments()
{
    std::vector<std::u16string> arguments;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return arguments;
    for (int i = 0; i < count; ++i) {
        const std::wstring_view a(argv[i]);
        arguments.emplace_back(a.begin(), a.end());
    }
    LocalFree(argv);
    return arguments;
}

void init_app_state(AppState& state, const std::vector<std::u16string>& arguments)
{
    state.window_dpi = effective_dpi(GetDpiForSystem());
    state.dark_mode = read_dark_mode_setting();
    *state.window_alive = true;
    state.target_folder = parse_target_folder(arguments, []() -> std::optional<std::u16string> {
        const DWORD need = GetCurrentDirectoryW(0, nullptr);
        if (need == 0) return std::nullopt;
        std::wstring dir(need, L'\0');
        const DWORD got = GetCurrentDirectoryW(need, dir.data());
        if (got == 0 || got >= need) return std::nullopt;
        return std::u16string(dir.begin(), dir.begin() + got);
    });
}

void remove_legacy_webview_folder()
{
    namespace fs = std::filesystem;
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return;
    path.resize(n);
    const fs::path exe(path);
    if (!exe.has_filename()) return;
    fs::path candidate = exe;
    candidate.replace_filename(exe.filename().wstring() + L".WebView2");
    // Only the folder WebView2 itself would have made beside this executable.
    if (candidate.parent_path() != exe.parent_path()) return;
    const std::wstring name = candidate.filename().wstring();
    const std::wstring suffix = L".exe.WebView2";
    if (name.size() < 13 || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return;
    switch (remove_recursively(candidate.wstring())) {
        case RemovalResult::removed:
            log_event("webview_legacy_cleanup", "result=success");
            break;
        case RemovalResult::not_found:
            break;
        case RemovalResult::failed:
            log_event("webview_legacy_cleanup", "result=deferred");  // the next start tries again
            break;
    }
}

}  // namespace cw
