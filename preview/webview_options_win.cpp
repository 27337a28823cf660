#include "preview/webview_options_win.h"

#include <new>
#include <optional>
#include <string>

#include "base/com_object_win.h"
#include "preview/webview_runtime.h"

namespace cw {

namespace {

HRESULT copy_out(const std::optional<std::wstring>& value, LPWSTR* out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!value) return S_OK;
    const std::size_t bytes = (value->size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (!copy) return E_OUTOFMEMORY;
    std::char_traits<wchar_t>::copy(copy, value->c_str(), value->size() + 1);
    *out = copy;
    return S_OK;
}

HRESULT store(std::optional<std::wstring>& field, LPCWSTR value) noexcept
{
    try {
        if (value)
            field = std::wstring(value);
        else
            field.reset();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

class EnvironmentOptions final : public ComObject<EnvironmentOptions, wv2::ICoreWebView2EnvironmentOptions> {
public:
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override
    {
        return copy_out(arguments_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override
    {
        return store(arguments_, value);
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override { return copy_out(language_, value); }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override { return store(language_, value); }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override
    {
        return copy_out(target_, value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override
    {
        return store(target_, value);
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override
    {
        if (!allow) return E_POINTER;
        *allow = single_sign_on_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override
    {
        single_sign_on_ = allow;
        return S_OK;
    }

private:
    std::optional<std::wstring> arguments_ = std::wstring(BROWSER_ARGUMENTS.begin(), BROWSER_ARGUMENTS.end());
    std::optional<std::wstring> language_;
    std::optional<std::wstring> target_ =
        std::wstring(TARGET_COMPATIBLE_VERSION.begin(), TARGET_COMPATIBLE_VERSION.end());
    BOOL single_sign_on_ = FALSE;
};

}  // namespace

wv2::ICoreWebView2EnvironmentOptions* make_webview_options()
{
    try {
        return new EnvironmentOptions();
    } catch (...) {
        return nullptr;
    }
}

}  // namespace cw
