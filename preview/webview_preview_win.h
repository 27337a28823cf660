#pragma once
// The rendered HTML page: one WebView2 control per window, created lazily on a throw-away profile
// folder, locked down (no script, no web messages, no dev tools, no context menu).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/handles_win.h"
#include "preview/webview2_abi_win.h"
#include "preview/webview_runtime.h"

namespace cw {

// The handlers that keep the page where it is, as registered on a web view.
struct PageGuards {
    std::shared_ptr<NavigationGate> gate;  // shared with the top-level navigation handler
    std::optional<wv2::EventToken> navigation, frame_navigation, new_window;
};

// Not started (nothing set), Starting (`webview_starting`), Ready (`webview` and
// `webview_controller`), Failed (`webview_failed`, never retried in this process).
struct WebViewPreview {
    ComPtr<wv2::ICoreWebView2Controller> webview_controller;
    ComPtr<wv2::ICoreWebView2> webview;
    PageGuards guards;
    bool webview_starting = false;
    bool webview_failed = false;
    std::optional<std::wstring> webview_profile_path;
};

// What the preview needs of its window. Pending completions keep a copy: the liveness flag tells
// them whether the rest may still be touched. The preview and the document outlive the window.
struct WebViewSite {
    WebViewPreview* preview = nullptr;
    HWND html_host = nullptr;
    HWND html_tabs = nullptr;
    const std::string* html_document = nullptr;
    std::shared_ptr<bool> window_alive;
};

// Creates the control on first use; returns at once when it exists, is starting or has failed.
void start_webview(const WebViewSite& site);
// Shows `document` in the existing control (a no-op without one); E_INVALIDARG for text holding NUL.
HRESULT navigate_webview(WebViewPreview& preview, std::string_view document);
void set_webview_visible(WebViewPreview& preview, bool visible);
// The control fills the client area of `html_host`, its parent.
void set_webview_bounds(WebViewPreview& preview, HWND html_host);
// Teardown after the liveness flag was cleared: removes the page's handlers, closes the controller,
// releases the web view and the controller, then removes this run's profile folder once the
// browser has let go of it.
void close_webview(WebViewPreview& preview);

}  // namespace cw
