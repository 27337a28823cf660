#pragma once
// The environment options object handed to the runtime. It answers only the version-1 interface,
// as objects from the first SDKs did; runtimes fall back to defaults for the rest.

#include "preview/webview2_abi_win.h"

namespace cw {

// A new object holding one reference for the caller: the switches that keep the browser off the
// network as additional arguments, no language (S_OK with a null string), our target-compatible
// version, single sign-on off. Null when memory runs out.
wv2::ICoreWebView2EnvironmentOptions* make_webview_options();

}  // namespace cw
