#include "preview/webview_runtime_win.h"

#include <optional>
#include <vector>

#include "base/error.h"
#include "preview/webview_runtime.h"

namespace cw {

namespace {

constexpr DWORD REGISTRY_VALUE_CAP = 32768;  // bytes; a folder path, nothing near this long

std::wstring wide(std::u16string_view s)
{
    return std::wstring(s.begin(), s.end());
}
std::u16string narrow16(std::wstring_view s)
{
    return std::u16string(s.begin(), s.end());
}

bool is_file(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Dependencies come from the DLL's own folder and System32 only. Loaded modules stay loaded for
// the whole run: the runtime's objects live in them.
HMODULE load_by_full_path(const std::wstring& path)
{
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

template <typename Fn>
std::optional<Fn> load_export(const std::wstring& path, const char* name, HRESULT& failure)
{
    HMODULE module = load_by_full_path(path);
    if (!module) {
        failure = hresult_from_win32(GetLastError());
        return std::nullopt;
    }
    if (FARPROC proc = GetProcAddress(module, name)) return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    failure = hresult_from_win32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    return std::nullopt;
}

std::optional<std::wstring> expanded(const std::wstring& text)
{
    const DWORD n = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (n == 0 || n > REGISTRY_VALUE_CAP) return std::nullopt;
    std::wstring out(n, L'\0');
    if (ExpandEnvironmentStringsW(text.c_str(), out.data(), n) != n) return std::nullopt;
    out.resize(n - 1);
    return out;
}

class InstalledRuntimes final : public RuntimeRegistry {
public:
    std::optional<std::u16string> runtime_folder(RegistryHive hive, std::u16string_view key_name) const override
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(hive == RegistryHive::machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                          wide(key_name).c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
            return std::nullopt;
        std::vector<wchar_t> buffer(REGISTRY_VALUE_CAP / sizeof(wchar_t) + 1, L'\0');
        DWORD type = 0;
        DWORD size = REGISTRY_VALUE_CAP;
        const LSTATUS status = RegQueryValueExW(key, wide(RUNTIME_FOLDER_VALUE).c_str(), nullptr, &type,
                                                reinterpret_cast<BYTE*>(buffer.data()), &size);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
        // The stored string need not end in a terminator; the buffer has one beyond the cap.
        std::wstring folder(buffer.data(), size / sizeof(wchar_t));
        folder.resize(wcsnlen(folder.c_str(), folder.size()));
        if (type == REG_EXPAND_SZ) {
            std::optional<std::wstring> full = expanded(folder);
            if (!full) return std::nullopt;
            folder = std::move(*full);
        }
        return narrow16(folder);
    }
    bool is_file(std::u16string_view path) const override { return cw::is_file(wide(path)); }
};

}  // namespace

std::wstring executable_folder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

HRESULT create_webview_environment(const std::wstring& user_data_folder, wv2::ICoreWebView2EnvironmentOptions* options,
                                   wv2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)
{
    HRESULT failure = hresult_from_win32(ERROR_FILE_NOT_FOUND);
    const std::wstring exe_folder = executable_folder();
    if (is_fully_qualified_path(narrow16(exe_folder))) {
        const std::wstring loader = exe_folder + L"\\WebView2Loader.dll";
        if (is_file(loader)) {
            if (auto create = load_export<wv2::CreateEnvironmentWithOptionsFn>(loader, wv2::LOADER_EXPORT, failure))
                return (*create)(nullptr, user_data_folder.c_str(), options, handler);
        }
    }
    for (const std::u16string& client : runtime_client_candidates(InstalledRuntimes{})) {
        if (auto create = load_export<wv2::CreateEnvironmentInternalFn>(wide(client), wv2::RUNTIME_EXPORT, failure))
            return (*create)(true, 0, user_data_folder.c_str(), options, handler);
    }
    return failure;
}

}  // namespace cw
