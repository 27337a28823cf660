#pragma once
// The fake WebView2 runtime the test suite builds, and what a test needs around it: the registry
// value that names the installed runtime, private environment variables, the call journal.
// Include only from targets that define FAKE_WEBVIEW2_RUNTIME_DLL and FAKE_WEBVIEW2_LOADER_DLL.

#include <string>
#include <vector>

#include "base/win32.h"
#include "clipboard_fixture.h"
#include "preview/webview_profile.h"
#include "preview/webview_runtime.h"
#include "process_driver.h"

namespace cw::test {

// The versioned folder the registry names (the DLL sits in EBWebView\x64 below it).
inline std::wstring fake_runtime_folder()
{
    const std::wstring dll = windows_path(FAKE_WEBVIEW2_RUNTIME_DLL);
    std::wstring folder = dll;
    for (int i = 0; i < 3; ++i) folder = folder.substr(0, folder.find_last_of(L'\\'));
    return folder;
}
inline std::wstring fake_loader_dll()
{
    return windows_path(FAKE_WEBVIEW2_LOADER_DLL);
}

// Sets or removes the current user's "EBWebView" value for a release channel (0 stable, 1 beta,
// 2 dev, 3 canary), as an installer would; it is removed at the end.
class RegisteredRuntime {
public:
    explicit RegisteredRuntime(const std::wstring& folder, std::size_t channel_index = 0, DWORD value_type = REG_SZ)
        : channel(channel_index), type(value_type)
    {
        set(folder);
    }
    ~RegisteredRuntime() { set(L""); }
    RegisteredRuntime(const RegisteredRuntime&) = delete;
    RegisteredRuntime& operator=(const RegisteredRuntime&) = delete;

    void set(const std::wstring& folder)
    {
        const std::wstring key(RUNTIME_CLIENT_STATE_KEYS[channel].begin(), RUNTIME_CLIENT_STATE_KEYS[channel].end());
        const std::wstring value(RUNTIME_FOLDER_VALUE.begin(), RUNTIME_FOLDER_VALUE.end());
        HKEY h = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &h,
                            nullptr) != ERROR_SUCCESS)
            return;
        if (folder.empty())
            RegDeleteValueW(h, value.c_str());
        else
            RegSetValueExW(h, value.c_str(), 0, type, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(h);
    }
    const std::size_t channel;
    const DWORD type;
};

// An environment variable of this process for the lifetime of the object (empty removes it);
// the earlier value comes back at the end.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        wchar_t buffer[32768];
        const DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
        had_ = n > 0 && n < 32768;
        if (had_) old_.assign(buffer, n);
        SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* name_;
    std::wstring old_;
    bool had_ = false;
};

// The profile folders under a private temporary folder's WebView2 root.
inline std::wstring webview_root_in(const std::wstring& temp)
{
    return temp + L"\\" + std::wstring(WEBVIEW_ROOT_NAME.begin(), WEBVIEW_ROOT_NAME.end());
}

}  // namespace cw::test
