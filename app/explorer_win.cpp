#include "app/explorer_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "app/command_line.h"
#include "app/explorer.h"
#include "base/error_win.h"
#include "base/log.h"
#include "base/text_win.h"

namespace cw {

namespace {

std::u16string_view u16(std::wstring_view text)
{
    return std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

std::wstring wide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

Result<std::wstring> module_path()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (got == 0) return last_error_or_failure(static_cast<std::int32_t>(E_UNEXPECTED));
        if (got < path.size()) {
            path.resize(got);
            return path;
        }
        if (path.size() >= 0x10000) return Error{static_cast<std::int32_t>(E_UNEXPECTED), std::nullopt};
        path.resize(path.size() * 2);
    }
}

// Opens for metadata only, following links; folders open too so they can be told apart.
UniqueFile open_for_metadata(const std::wstring& path)
{
    return UniqueFile(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool is_regular_file(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool is_regular_file(const std::wstring& path)
{
    const UniqueFile file = open_for_metadata(path);
    return file && is_regular_file(file.get());
}

Result<std::wstring> final_path(HANDLE file)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (got == 0) return Error::invalid_data(unresolved_path_text(file_error_text(GetLastError())));
        if (got < path.size()) {
            path.resize(got);
            return path;
        }
        path.resize(got);  // the size needed, terminator included
    }
}

Status write_verb(const ExplorerVerbBase& base, const ExplorerPaths& paths)
{
    const std::wstring verb_path = wide(verb_key_path(base));
    // Values an earlier version left behind disappear with the old key.
    if (Status removed = delete_user_tree(verb_path); !removed) return removed;
    Result<UniqueRegKey> verb = create_user_key(verb_path);
    if (!verb) return verb.error();
    const std::wstring icon = wide(verb_icon(u16(paths.icon)));
    if (Status s = set_string_value(verb->get(), L"MUIVerb", wide(EXPLORER_VERB_TEXT)); !s) return s;
    if (Status s = set_string_value(verb->get(), L"Icon", icon); !s) return s;
    if (Status s = set_string_value(verb->get(), L"Position", wide(EXPLORER_VERB_POSITION)); !s) return s;

    Result<UniqueRegKey> command = create_user_key(wide(command_key_path(base)));
    if (!command) return command.error();
    return set_string_value(command->get(), nullptr, wide(verb_command(u16(paths.exe), base.folder_argument)));
}

Status write_all_verbs(const std::wstring& executable)
{
    Result<ExplorerPaths> paths = explorer_paths(executable);
    if (!paths) return paths.error();
    for (const ExplorerVerbBase& base : EXPLORER_VERB_BASES)
        if (Status written = write_verb(base, *paths); !written) return written;
    return ok_status();
}

Status delete_all_verbs()
{
    for (const ExplorerVerbBase& base : EXPLORER_VERB_BASES)
        if (Status removed = delete_user_tree(wide(verb_key_path(base))); !removed) return removed;
    return ok_status();
}

void show_information(std::string_view text)
{
    MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(EXPLORER_BOX_CAPTION).c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace

Result<UniqueRegKey> create_user_key(std::wstring_view path)
{
    const std::wstring terminated(path);
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyW(HKEY_CURRENT_USER, terminated.c_str(), &key);
    if (status != ERROR_SUCCESS) return Error::invalid_data(key_create_error_text(u16(path), status));
    return UniqueRegKey(key);
}

Status set_string_value(HKEY key, const wchar_t* name, std::wstring_view text)
{
    const std::wstring terminated(text);
    const DWORD bytes = static_cast<DWORD>((terminated.size() + 1) * sizeof(wchar_t));
    const LSTATUS status =
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(terminated.c_str()), bytes);
    if (status != ERROR_SUCCESS) {
        const std::optional<std::u16string_view> shown =
            name ? std::optional<std::u16string_view>(u16(name)) : std::nullopt;
        return Error::invalid_data(value_write_error_text(shown, status));
    }
    return ok_status();
}

Status delete_user_tree(std::wstring_view path)
{
    const std::wstring terminated(path);
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, terminated.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return Error::invalid_data(key_remove_error_text(u16(path), status));
    return ok_status();
}

Result<ExplorerPaths> explorer_paths(const std::wstring& executable)
{
    // A link to the program is accepted: it is resolved below, and refusing it as "does not
    // exist" would be untrue.
    const UniqueFile file = open_for_metadata(executable);
    if (!file || !is_regular_file(file.get())) return Error::invalid_data(missing_executable_text(u16(executable)));
    Result<std::wstring> resolved = final_path(file.get());
    if (!resolved) return resolved.error();

    ExplorerPaths paths;
    paths.exe = wide(without_extended_prefix(u16(*resolved)));
    const std::optional<std::u16string> icon = sibling_path(u16(*resolved), EXPLORER_ICON_FILE_NAME);
    paths.icon = icon && is_regular_file(wide(*icon)) ? wide(without_extended_prefix(*icon)) : paths.exe;
    return paths;
}

Status install_explorer_integration(bool quiet)
{
    Result<std::wstring> executable = module_path();
    if (!executable) return executable.error();
    if (Status written = write_all_verbs(*executable); !written) {
        log_event("explorer_install", "result=failure");
        return written;
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    log_event("explorer_install", "result=success");
    if (!quiet) show_information(EXPLORER_INSTALLED_TEXT);
    return ok_status();
}

Status uninstall_explorer_integration(bool quiet)
{
    if (Status removed = delete_all_verbs(); !removed) {
        log_event("explorer_uninstall", "result=failure");
        return removed;
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    log_event("explorer_uninstall", "result=success");
    if (!quiet) show_information(EXPLORER_REMOVED_TEXT);
    return ok_status();
}

int run_explorer_mode(LaunchMode mode, bool quiet)
{
    const Status done = mode == LaunchMode::install_explorer ? install_explorer_integration(quiet)
                                                             : uninstall_explorer_integration(quiet);
    if (done) return 0;
    // There is no window to show it in; a caller that captures standard error gets the reason.
    std::fprintf(stderr, "Clipwright: %s\n", error_display(done.error()).c_str());
    std::fflush(stderr);
    return 1;
}

}  // namespace cw
