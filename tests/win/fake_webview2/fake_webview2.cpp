// A stand-in for the WebView2 runtime, built twice by the test suite: as the installed runtime's
// EmbeddedBrowserWebView.dll and as a WebView2Loader.dll. It implements the interfaces the program
// uses, writes every call to the journal file named by FAKE_WEBVIEW2_JOURNAL, and fails the steps
// FAKE_WEBVIEW2_FAIL names ("step:hex,step:hex"): a call by its method name, a completion as
// environment_completed or controller_completed. Completions arrive later through the caller's
// message loop, as the real runtime delivers them; NavigateToString raises the navigations its page starts.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/com_object_win.h"
#include "base/handles_win.h"
#include "preview/webview2_abi_win.h"

namespace {

using namespace cw::wv2;
using cw::ComObject;
using cw::ComPtr;

std::wstring environment(const wchar_t* name)
{
    wchar_t buffer[2048];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 2048);
    return n > 0 && n < 2048 ? std::wstring(buffer, n) : std::wstring();
}

std::string utf8(const wchar_t* text)
{
    if (!text) return "(null)";
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

std::string hex(HRESULT hr)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(hr));
    return buffer;
}

// One line per call; line breaks inside a value are written as \n so a line stays a call.
void journal(std::string line)
{
    const std::wstring path = environment(L"FAKE_WEBVIEW2_JOURNAL");
    if (path.empty()) return;
    std::string escaped;
    for (char c : line) escaped += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    escaped += '\n';
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, escaped.data(), static_cast<DWORD>(escaped.size()), &written, nullptr);
    CloseHandle(file);
}

HRESULT injected(const std::string& step)
{
    const std::string spec = utf8(environment(L"FAKE_WEBVIEW2_FAIL").c_str());
    for (std::size_t at = spec.find(step + ":"); at != std::string::npos; at = spec.find(step + ":", at + 1))
        if (at == 0 || spec[at - 1] == ',')
            return static_cast<HRESULT>(std::strtoul(spec.c_str() + at + step.size() + 1, nullptr, 16));
    return S_OK;
}

HRESULT call(const std::string& step, const std::string& arguments = {})
{
    journal(arguments.empty() ? step : step + " " + arguments);
    return injected(step);
}

// Completions wait in the caller's message queue.
struct Pending {
    virtual ~Pending() = default;
    virtual void run() = 0;
};

LRESULT CALLBACK pump_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_APP) {
        auto* pending = reinterpret_cast<Pending*>(lparam);
        pending->run();
        delete pending;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void post(Pending* pending)
{
    static HWND pump = [] {
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&pump_proc), &self);
        WNDCLASSW wc{};
        wc.lpfnWndProc = pump_proc;
        wc.hInstance = self;
        wc.lpszClassName = L"FakeWebView2Completions";
        RegisterClassW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, self, nullptr);
    }();
    PostMessageW(pump, WM_APP, 0, reinterpret_cast<LPARAM>(pending));
}

template <typename Handler, typename Result>
struct Completion final : Pending {
    Completion(const char* n, Handler* h, HRESULT r, Result* o) : name(n), handler(h), result(r), object(o)
    {
        handler->AddRef();
    }
    void run() override
    {
        journal(std::string(name) + " " + hex(result));
        handler->Invoke(result, object);
        handler->Release();
        if (object) object->Release();
    }
    const char* name;
    Handler* handler;
    HRESULT result;
    Result* object;
};

#define FAKE_PUT(name)                                  \
    HRESULT STDMETHODCALLTYPE name(BOOL value) override \
    {                                                   \
        return call(#name, std::to_string(value));      \
    }
#define FAKE_GET(name, type)                       \
    HRESULT STDMETHODCALLTYPE name(type*) override \
    {                                              \
        return E_NOTIMPL;                          \
    }

class Settings final : public ComObject<Settings, ICoreWebView2Settings> {
public:
    FAKE_GET(get_IsScriptEnabled, BOOL)
    FAKE_PUT(put_IsScriptEnabled)
    FAKE_GET(get_IsWebMessageEnabled, BOOL)
    FAKE_PUT(put_IsWebMessageEnabled)
    FAKE_GET(get_AreDefaultScriptDialogsEnabled, BOOL)
    FAKE_PUT(put_AreDefaultScriptDialogsEnabled)
    FAKE_GET(get_IsStatusBarEnabled, BOOL)
    FAKE_PUT(put_IsStatusBarEnabled)
    FAKE_GET(get_AreDevToolsEnabled, BOOL)
    FAKE_PUT(put_AreDevToolsEnabled)
    FAKE_GET(get_AreDefaultContextMenusEnabled, BOOL)
    FAKE_PUT(put_AreDefaultContextMenusEnabled)
    FAKE_GET(get_AreHostObjectsAllowed, BOOL)
    FAKE_PUT(put_AreHostObjectsAllowed)
    FAKE_GET(get_IsZoomControlEnabled, BOOL)
    FAKE_PUT(put_IsZoomControlEnabled)
    FAKE_GET(get_IsBuiltInErrorPageEnabled, BOOL)
    FAKE_PUT(put_IsBuiltInErrorPageEnabled)
};

#define FAKE_EVENT(name)                                                \
    HRESULT STDMETHODCALLTYPE add_##name(Unused*, EventToken*) override \
    {                                                                   \
        return call("add_" #name);                                      \
    }                                                                   \
    HRESULT STDMETHODCALLTYPE remove_##name(EventToken) override        \
    {                                                                   \
        return call("remove_" #name);                                   \
    }

class NavigationArgs final : public ComObject<NavigationArgs, ICoreWebView2NavigationStartingEventArgs> {
public:
    FAKE_GET(get_Uri, LPWSTR)
    FAKE_GET(get_IsUserInitiated, BOOL)
    FAKE_GET(get_IsRedirected, BOOL)
    FAKE_GET(get_RequestHeaders, Unused*)
    FAKE_GET(get_Cancel, BOOL)
    FAKE_PUT(put_Cancel)
    FAKE_GET(get_NavigationId, UINT64)
};

class NewWindowArgs final : public ComObject<NewWindowArgs, ICoreWebView2NewWindowRequestedEventArgs> {
public:
    FAKE_GET(get_Uri, LPWSTR)
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2*) override { return call("put_NewWindow"); }
    FAKE_GET(get_NewWindow, ICoreWebView2*)
    FAKE_PUT(put_Handled)
    FAKE_GET(get_Handled, BOOL)
    FAKE_GET(get_IsUserInitiated, BOOL)
    FAKE_GET(GetDeferral, Unused*)
    FAKE_GET(get_WindowFeatures, Unused*)
};

using NavigationHandler = ICoreWebView2NavigationStartingEventHandler;
using NewWindowHandler = ICoreWebView2NewWindowRequestedEventHandler;
enum Slot { NAVIGATION, FRAME, NEW_WINDOW, SLOTS };
const char* const SLOT_EVENTS[SLOTS] = {"NavigationStarting", "FrameNavigationStarting", "NewWindowRequested"};

// A handler the program registered, held as the runtime holds it: until removed or closed.
#define FAKE_HELD_EVENT(name, Handler, slot)                                                               \
    HRESULT STDMETHODCALLTYPE add_##name(Handler* handler, EventToken* token) override                     \
    {                                                                                                      \
        token->value = hold(slot, handler);                                                                \
        return call("add_" #name);                                                                         \
    }                                                                                                      \
    HRESULT STDMETHODCALLTYPE remove_##name(EventToken token) override                                     \
    {                                                                                                      \
        call(std::string("remove_" #name) + (held_[slot] && token.value == slot + 100 ? "" : " unknown")); \
        hold(slot, nullptr);                                                                               \
        return S_OK;                                                                                       \
    }

class WebView final : public ComObject<WebView, ICoreWebView2> {
public:
    explicit WebView(HWND page) : page_(page) {}
    void release_handlers()
    {
        for (auto& handler : held_) handler.reset();
    }
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override
    {
        const HRESULT hr = call("get_Settings");
        *settings = SUCCEEDED(hr) ? new Settings() : nullptr;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override { return call("Navigate", utf8(uri)); }
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR html) override
    {
        const HRESULT hr = call("NavigateToString", utf8(html));
        if (SUCCEEDED(hr) && IsWindow(page_)) SetWindowTextW(page_, html);
        if (FAILED(hr)) return hr;
        static const std::pair<std::string_view, int> followed[] = {{"content=\"0;url=", NAVIGATION},
                                                                    {"<a href=\"", NAVIGATION},
                                                                    {"target=\"_blank\" href=\"", NEW_WINDOW},
                                                                    {"<iframe src=\"", FRAME}};
        const std::string text = utf8(html);
        raise(NAVIGATION, "about:blank");
        for (const auto& [marker, slot] : followed) {
            const auto at = text.find(marker);
            const auto from = at + marker.size();
            if (at != std::string::npos) raise(slot, text.substr(from, text.find('"', from) - from));
        }
        return hr;
    }
    FAKE_HELD_EVENT(NavigationStarting, NavigationHandler, NAVIGATION)
    FAKE_EVENT(ContentLoading)
    FAKE_EVENT(SourceChanged)
    FAKE_EVENT(HistoryChanged)
    FAKE_EVENT(NavigationCompleted)
    FAKE_HELD_EVENT(FrameNavigationStarting, NavigationHandler, FRAME)
    FAKE_EVENT(FrameNavigationCompleted)
    FAKE_EVENT(ScriptDialogOpening)
    FAKE_EVENT(PermissionRequested)
    FAKE_EVENT(ProcessFailed)
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(LPCWSTR, Unused*) override
    {
        return call("AddScriptToExecuteOnDocumentCreated");
    }
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR, Unused*) override { return call("ExecuteScript"); }
    HRESULT STDMETHODCALLTYPE CapturePreview(std::int32_t, IStream*, Unused*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reload() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR) override { return call("PostWebMessageAsJson"); }
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR) override { return call("PostWebMessageAsString"); }
    FAKE_EVENT(WebMessageReceived)
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR, Unused*) override { return E_NOTIMPL; }
    FAKE_GET(get_BrowserProcessId, UINT32)
    FAKE_GET(get_CanGoBack, BOOL)
    FAKE_GET(get_CanGoForward, BOOL)
    HRESULT STDMETHODCALLTYPE GoBack() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GoForward() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(LPCWSTR, Unused**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stop() override { return E_NOTIMPL; }
    FAKE_HELD_EVENT(NewWindowRequested, NewWindowHandler, NEW_WINDOW)
    FAKE_EVENT(DocumentTitleChanged)
    FAKE_GET(get_DocumentTitle, LPWSTR)
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT*) override
    {
        return call("AddHostObjectToScript");
    }
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override { return call("OpenDevToolsWindow"); }
    FAKE_EVENT(ContainsFullScreenElementChanged)
    FAKE_GET(get_ContainsFullScreenElement, BOOL)
    FAKE_EVENT(WebResourceRequested)
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(LPCWSTR, std::int32_t) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(LPCWSTR, std::int32_t) override { return E_NOTIMPL; }
    FAKE_EVENT(WindowCloseRequested)

private:
    int hold(int slot, IUnknown* handler)
    {
        if (handler) handler->AddRef();
        held_[slot].reset(handler);
        return slot + 100;
    }
    template <typename Handler, typename Args>
    void invoke(Handler* handler, Args* args)
    {
        if (handler) handler->Invoke(this, args);
        args->Release();
    }
    void raise(int slot, const std::string& uri)
    {
        journal(std::string(SLOT_EVENTS[slot]) + " " + uri);
        if (slot == NEW_WINDOW) return invoke(static_cast<NewWindowHandler*>(held_[slot].get()), new NewWindowArgs());
        invoke(static_cast<NavigationHandler*>(held_[slot].get()), new NavigationArgs());
    }
    HWND page_;
    ComPtr<IUnknown> held_[SLOTS];
};

// The browser's page is a child window of the parent, as the real runtime adds one before the
// controller completes.
class Controller final : public ComObject<Controller, ICoreWebView2Controller> {
public:
    explicit Controller(HWND parent)
        : page_(
              CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr))
    {
    }
    ~Controller()
    {
        journal("controller closed");
        if (webview_) webview_->Release();
        if (IsWindow(page_)) DestroyWindow(page_);
    }
    FAKE_GET(get_IsVisible, BOOL)
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL visible) override
    {
        const HRESULT hr = call("put_IsVisible", std::to_string(visible));
        if (SUCCEEDED(hr)) ShowWindow(page_, visible ? SW_SHOW : SW_HIDE);
        return hr;
    }
    FAKE_GET(get_Bounds, RECT)
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT r) override
    {
        const HRESULT hr = call("put_Bounds", std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                                                  std::to_string(r.right) + " " + std::to_string(r.bottom));
        if (SUCCEEDED(hr)) MoveWindow(page_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        return hr;
    }
    FAKE_GET(get_ZoomFactor, double)
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double) override { return E_NOTIMPL; }
    FAKE_EVENT(ZoomFactorChanged)
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT, double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE MoveFocus(std::int32_t) override { return E_NOTIMPL; }
    FAKE_EVENT(MoveFocusRequested)
    FAKE_EVENT(GotFocus)
    FAKE_EVENT(LostFocus)
    FAKE_EVENT(AcceleratorKeyPressed)
    FAKE_GET(get_ParentWindow, HWND)
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Close() override
    {
        if (webview_) webview_->release_handlers();  // as the browser instance ends
        return call("Close");
    }
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** webview) override
    {
        const HRESULT hr = call("get_CoreWebView2");
        if (FAILED(hr)) return hr;
        if (!webview_) webview_ = new WebView(page_);
        webview_->AddRef();
        *webview = webview_;
        return hr;
    }

private:
    HWND page_;
    WebView* webview_ = nullptr;
};

class Environment final : public ComObject<Environment, ICoreWebView2Environment> {
public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parent, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override
    {
        const HRESULT hr = call("CreateCoreWebView2Controller", IsWindow(parent) ? "parent=window" : "parent=none");
        if (FAILED(hr)) return hr;
        const HRESULT result = injected("controller_completed");
        post(new Completion<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, ICoreWebView2Controller>(
            "controller_completed", handler, result, SUCCEEDED(result) ? new Controller(parent) : nullptr));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream*, int, LPCWSTR, LPCWSTR, Unused**) override
    {
        return E_NOTIMPL;
    }
    FAKE_GET(get_BrowserVersionString, LPWSTR)
    FAKE_EVENT(NewBrowserVersionAvailable)
};

std::string option_text(ICoreWebView2EnvironmentOptions* options,
                        HRESULT (STDMETHODCALLTYPE ICoreWebView2EnvironmentOptions::*getter)(LPWSTR*))
{
    LPWSTR value = nullptr;
    const HRESULT hr = (options->*getter)(&value);
    std::string text = FAILED(hr) ? hex(hr) : utf8(value);
    CoTaskMemFree(value);
    return text;
}

// What a runtime reads of the options object.
void journal_options(IUnknown* unknown)
{
    ICoreWebView2EnvironmentOptions* options = nullptr;
    if (!unknown ||
        FAILED(unknown->QueryInterface(IID_ICoreWebView2EnvironmentOptions, reinterpret_cast<void**>(&options)))) {
        journal("options none");
        return;
    }
    BOOL sso = TRUE;
    options->get_AllowSingleSignOnUsingOSPrimaryAccount(&sso);
    IUnknown* second = nullptr;
    const HRESULT v2 = options->QueryInterface(IID_ICoreWebView2EnvironmentOptions2, reinterpret_cast<void**>(&second));
    if (second) second->Release();
    journal(
        "options arguments=" + option_text(options, &ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments) +
        " language=" + option_text(options, &ICoreWebView2EnvironmentOptions::get_Language) +
        " target=" + option_text(options, &ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion) +
        " sso=" + std::to_string(sso) + " options2=" + hex(v2));
    options->Release();
}

HRESULT start_environment(const std::string& step, const std::string& arguments, PCWSTR user_data_folder,
                          IUnknown* options, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)
{
    const HRESULT hr = call(step, arguments + " user_data=" + utf8(user_data_folder));
    journal_options(options);
    if (FAILED(hr)) return hr;
    const HRESULT result = injected("environment_completed");
    post(new Completion<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, ICoreWebView2Environment>(
        "environment_completed", handler, result, SUCCEEDED(result) ? new Environment() : nullptr));
    return S_OK;
}

}  // namespace

#ifdef FAKE_WEBVIEW2_LOADER
extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE
    CreateCoreWebView2EnvironmentWithOptions(PCWSTR browser_folder, PCWSTR user_data_folder,
                                             ICoreWebView2EnvironmentOptions* options,
                                             ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)
{
    return start_environment("CreateCoreWebView2EnvironmentWithOptions", "browser=" + utf8(browser_folder),
                             user_data_folder, options, handler);
}
#else
extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE
    CreateWebViewEnvironmentWithOptionsInternal(bool check_running_instance, int runtime_type, PCWSTR user_data_folder,
                                                IUnknown* options,
                                                ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler)
{
    return start_environment(
        "CreateWebViewEnvironmentWithOptionsInternal",
        "check=" + std::to_string(check_running_instance) + " type=" + std::to_string(runtime_type), user_data_folder,
        options, handler);
}
#endif
