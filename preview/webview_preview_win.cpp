#include "preview/webview_preview_win.h"

#include <commctrl.h>

#include <new>

#include "base/com_object_win.h"
#include "base/log.h"
#include "base/text_win.h"
#include "preview/webview_options_win.h"
#include "preview/webview_profile_win.h"
#include "preview/webview_runtime.h"
#include "preview/webview_runtime_win.h"

namespace cw {

namespace {

// A completion handler that keeps the site (and so a reference to the liveness flag) until the
// runtime lets go of it.
template <typename Interface, typename Object>
class Completion final : public ComObject<Completion<Interface, Object>, Interface> {
public:
    using Callback = void (*)(const WebViewSite&, HRESULT, Object*);
    Completion(WebViewSite site, Callback callback) : site_(std::move(site)), callback_(callback) {}

    HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, Object* object) override
    {
        try {
            callback_(site_, result, object);
        } catch (...) {
            // Nothing may unwind into the runtime; a half-done setup is left as it stands.
        }
        return S_OK;
    }

private:
    WebViewSite site_;
    Callback callback_;
};

using EnvironmentCompletion =
    Completion<wv2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, wv2::ICoreWebView2Environment>;
using ControllerCompletion =
    Completion<wv2::ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, wv2::ICoreWebView2Controller>;

// Lets through the navigations our NavigateToString calls start and cancels every other: a
// refresh element, a link the user follows, a form, any frame (no gate: frames never pass).
class NavigationGuard final : public ComObject<NavigationGuard, wv2::ICoreWebView2NavigationStartingEventHandler> {
public:
    explicit NavigationGuard(std::shared_ptr<NavigationGate> gate) : gate_(std::move(gate)) {}
    HRESULT STDMETHODCALLTYPE Invoke(wv2::ICoreWebView2*, wv2::ICoreWebView2NavigationStartingEventArgs* args) override
    {
        if (!args) return E_POINTER;
        if (gate_ && gate_->admit()) return S_OK;
        return args->put_Cancel(TRUE);
    }

private:
    std::shared_ptr<NavigationGate> gate_;
};

// Handled with no window given: the page gets no new window and none opens.
class NewWindowRefusal final : public ComObject<NewWindowRefusal, wv2::ICoreWebView2NewWindowRequestedEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(wv2::ICoreWebView2*, wv2::ICoreWebView2NewWindowRequestedEventArgs* args) override
    {
        return args ? args->put_Handled(TRUE) : E_POINTER;
    }
};

// Registers the three handlers on a new web view, before its first navigation.
HRESULT add_guards(wv2::ICoreWebView2* webview, PageGuards& guards)
{
    guards.gate = std::make_shared<NavigationGate>();
    auto top = ComPtr<wv2::ICoreWebView2NavigationStartingEventHandler>::attach(new (std::nothrow)
                                                                                    NavigationGuard(guards.gate));
    auto frames =
        ComPtr<wv2::ICoreWebView2NavigationStartingEventHandler>::attach(new (std::nothrow) NavigationGuard(nullptr));
    auto windows =
        ComPtr<wv2::ICoreWebView2NewWindowRequestedEventHandler>::attach(new (std::nothrow) NewWindowRefusal());
    if (!top || !frames || !windows) return E_OUTOFMEMORY;
    wv2::EventToken token{};
    HRESULT hr = webview->add_NavigationStarting(top.get(), &token);
    if (FAILED(hr)) return hr;
    guards.navigation = token;
    if (FAILED(hr = webview->add_FrameNavigationStarting(frames.get(), &token))) return hr;
    guards.frame_navigation = token;
    if (FAILED(hr = webview->add_NewWindowRequested(windows.get(), &token))) return hr;
    guards.new_window = token;
    return S_OK;
}

// Removes what add_guards registered, closes the browser instance and lets go of both objects. A
// controller released without Close() leaves its browser processes to notice on their own.
void shut_down(ComPtr<wv2::ICoreWebView2Controller>& controller, ComPtr<wv2::ICoreWebView2>& webview,
               PageGuards& guards)
{
    if (webview) {
        if (guards.navigation) webview->remove_NavigationStarting(*guards.navigation);
        if (guards.frame_navigation) webview->remove_FrameNavigationStarting(*guards.frame_navigation);
        if (guards.new_window) webview->remove_NewWindowRequested(*guards.new_window);
    }
    guards = {};
    if (controller) controller->Close();
    webview.reset();
    controller.reset();
}

void set_host_text(HWND host, std::string_view text)
{
    SetWindowTextW(host, to_wide(text).c_str());
}

// `fields` is the log text before the error ("result=runtime_error error=").
void fail(const WebViewSite& site, std::string_view fields, HRESULT error)
{
    site.preview->webview_starting = false;
    site.preview->webview_failed = true;
    set_host_text(site.html_host, WEBVIEW_RUNTIME_MESSAGE);
    log_event("webview_init", std::string(fields) + webview_error_text(error));
}

bool rendered_tab_selected(HWND tabs)
{
    return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == 0;
}

// The gate learns of the navigation before the call, in case the runtime reports it from within.
HRESULT navigate(wv2::ICoreWebView2* webview, NavigationGate& gate, std::string_view document)
{
    if (document.find('\0') != std::string_view::npos) return E_INVALIDARG;
    const std::u16string text = navigation_text(document);
    gate.expect();
    const HRESULT hr = webview->NavigateToString(reinterpret_cast<const wchar_t*>(text.c_str()));
    if (FAILED(hr)) gate.withdraw();
    return hr;
}

// Steps 2 to 5 of a ready controller; any failure leaves everything to be shut down unstored.
HRESULT set_up_controller(const WebViewSite& site, wv2::ICoreWebView2Controller* controller,
                          ComPtr<wv2::ICoreWebView2>& webview, PageGuards& guards)
{
    RECT client{};
    GetClientRect(site.html_host, &client);
    HRESULT hr = controller->put_Bounds(client);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = controller->get_CoreWebView2(webview.put()))) return hr;
    if (!webview) return E_POINTER;
    ComPtr<wv2::ICoreWebView2Settings> settings;
    if (FAILED(hr = webview->get_Settings(settings.put()))) return hr;
    if (!settings) return E_POINTER;
    if (FAILED(hr = settings->put_IsScriptEnabled(FALSE))) return hr;
    if (FAILED(hr = settings->put_IsWebMessageEnabled(FALSE))) return hr;
    if (FAILED(hr = settings->put_AreDevToolsEnabled(FALSE))) return hr;
    if (FAILED(hr = settings->put_AreDefaultContextMenusEnabled(FALSE))) return hr;
    if (FAILED(hr = add_guards(webview.get(), guards))) return hr;
    if (!site.html_document->empty() && FAILED(hr = navigate(webview.get(), *guards.gate, *site.html_document)))
        return hr;
    return controller->put_IsVisible(rendered_tab_selected(site.html_tabs) ? TRUE : FALSE);
}

void on_controller_created(const WebViewSite& site, HRESULT result, wv2::ICoreWebView2Controller* created)
{
    // Once the window is gone nobody shows the page: end its browser at once.
    if (!*site.window_alive) {
        if (SUCCEEDED(result) && created) created->Close();
        return;
    }
    WebViewPreview& preview = *site.preview;
    if (FAILED(result) || !created) {
        fail(site, "result=controller_error error=", FAILED(result) ? result : E_POINTER);
        return;
    }
    preview.webview_starting = false;
    created->AddRef();
    auto controller = ComPtr<wv2::ICoreWebView2Controller>::attach(created);
    ComPtr<wv2::ICoreWebView2> webview;
    PageGuards guards;
    // A failed setup goes back to Not started: the next preview tries again on a new folder,
    // and this one is left to the start-up sweep. Until then the host says the page cannot show.
    if (FAILED(set_up_controller(site, controller.get(), webview, guards))) {
        shut_down(controller, webview, guards);
        set_host_text(site.html_host, WEBVIEW_RUNTIME_MESSAGE);
        return;
    }
    preview.webview_controller = std::move(controller);
    preview.webview = std::move(webview);
    preview.guards = std::move(guards);
    log_event("webview_init", WEBVIEW_READY_LOG_FIELDS);
}

void on_environment_created(const WebViewSite& site, HRESULT result, wv2::ICoreWebView2Environment* created)
{
    if (!*site.window_alive) return;
    if (FAILED(result) || !created) {
        fail(site, "result=runtime_error error=", FAILED(result) ? result : E_POINTER);
        return;
    }
    ComPtr<wv2::ICoreWebView2Environment> environment;
    HRESULT hr =
        created->QueryInterface(wv2::IID_ICoreWebView2Environment, reinterpret_cast<void**>(environment.put()));
    if (FAILED(hr) || !environment) {
        fail(site, "result=runtime_error error=", FAILED(hr) ? hr : E_NOINTERFACE);
        return;
    }
    auto* handler = new (std::nothrow) ControllerCompletion(site, on_controller_created);
    hr = handler ? environment->CreateCoreWebView2Controller(site.html_host, handler) : E_OUTOFMEMORY;
    if (handler) handler->Release();
    // A refused call is a failure like a failed completion, unless that completion already came.
    if (FAILED(hr) && *site.window_alive && site.preview->webview_starting)
        fail(site, "result=controller_error error=", hr);
}

// "{temp}\Tindrel-Clipwright-WebView2\profile-{pid}-{nanos}", made with any missing parents.
DWORD create_folder_tree(const std::wstring& path)
{
    if (CreateDirectoryW(path.c_str(), nullptr)) return ERROR_SUCCESS;
    DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS
                                                                                                : ERROR_DIRECTORY;
    }
    if (error != ERROR_PATH_NOT_FOUND) return error;
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return error;
    if (const DWORD parent = create_folder_tree(path.substr(0, slash)); parent != ERROR_SUCCESS) return parent;
    return CreateDirectoryW(path.c_str(), nullptr) ? ERROR_SUCCESS : GetLastError();
}

std::wstring new_profile_path(const std::wstring& root)
{
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::uint64_t filetime = (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const std::u16string name = profile_folder_name(GetCurrentProcessId(), filetime);
    return root + L"\\" + std::wstring(name.begin(), name.end());
}

}  // namespace

void start_webview(const WebViewSite& site)
{
    WebViewPreview& preview = *site.preview;
    if (preview.webview || preview.webview_starting || preview.webview_failed) return;

    const std::wstring root = webview_profile_root();
    const std::wstring path = root.empty() ? std::wstring() : new_profile_path(root);
    const DWORD made = path.empty() ? ERROR_PATH_NOT_FOUND : create_folder_tree(path);
    if (made != ERROR_SUCCESS) {
        preview.webview_failed = true;
        set_host_text(site.html_host, WEBVIEW_RUNTIME_MESSAGE);
        log_event("webview_init", "result=profile_error kind=" + std::string(file_error_kind(made)));
        return;
    }
    preview.webview_starting = true;
    preview.webview_profile_path = path;
    set_host_text(site.html_host, WEBVIEW_STARTING_TEXT);

    ComPtr<wv2::ICoreWebView2EnvironmentOptions> options =
        ComPtr<wv2::ICoreWebView2EnvironmentOptions>::attach(make_webview_options());
    auto* handler = new (std::nothrow) EnvironmentCompletion(site, on_environment_created);
    HRESULT hr = E_OUTOFMEMORY;
    if (options && handler) hr = create_webview_environment(path, options.get(), handler);
    if (handler) handler->Release();
    if (FAILED(hr) && preview.webview_starting) fail(site, "result=runtime_missing error=", hr);
}

HRESULT navigate_webview(WebViewPreview& preview, std::string_view document)
{
    if (!preview.webview || !preview.guards.gate) return S_OK;
    return navigate(preview.webview.get(), *preview.guards.gate, document);
}

void set_webview_visible(WebViewPreview& preview, bool visible)
{
    if (preview.webview_controller) preview.webview_controller->put_IsVisible(visible ? TRUE : FALSE);
}

void set_webview_bounds(WebViewPreview& preview, HWND html_host)
{
    if (!preview.webview_controller) return;
    RECT client{};
    GetClientRect(html_host, &client);
    preview.webview_controller->put_Bounds(client);
}

void close_webview(WebViewPreview& preview)
{
    shut_down(preview.webview_controller, preview.webview, preview.guards);
    if (preview.webview_profile_path) {
        remove_closed_webview_profile(*preview.webview_profile_path);
        preview.webview_profile_path.reset();
    }
}

}  // namespace cw
