#pragma once
// Finds a WebView2 runtime and asks it for an environment: a WebView2Loader.dll beside the
// executable when there is one, otherwise the installed runtime named in the registry. Every DLL
// is loaded by its full path, never through the search path (the current folder is the user's).

#include <string>

#include "preview/webview2_abi_win.h"

namespace cw {

// The folder of the running executable, without a trailing separator.
std::wstring executable_folder();

// Starts environment creation for `user_data_folder`; the result arrives through `handler`. A
// failure HRESULT means nothing was started: no runtime (0x80070002), a runtime older than the
// minimum (the same), or the code of the load or call that failed.
HRESULT create_webview_environment(const std::wstring& user_data_folder, wv2::ICoreWebView2EnvironmentOptions* options,
                                   wv2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace cw
