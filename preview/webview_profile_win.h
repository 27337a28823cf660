#pragma once

#include <string>

namespace cw {

// "{temporary folder}\Tindrel-Clipwright-WebView2".
std::wstring webview_profile_root();
// Deletes an owned profile folder (up to four attempts) and logs "webview_cleanup".
void remove_webview_profile(const std::wstring& path);
// The same for the folder of a browser just closed: its processes exit on their own after Close()
// and hold the folder until then, so removal is retried for up to about a second, the thread's
// messages dispatched meanwhile, before the folder is left to a later sweep.
void remove_closed_webview_profile(const std::wstring& path);
// Removes profile folders of earlier runs that were last written more than a day ago.
void sweep_stale_webview_profiles();

}  // namespace cw
