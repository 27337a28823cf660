#pragma once
// Ownership of WebView2 profile folders: only folders this program made under its own root are
// ever deleted.

#include <string>
#include <string_view>

namespace cw {

inline constexpr std::u16string_view PROFILE_FOLDER_PREFIX = u"profile-";
inline constexpr std::u16string_view WEBVIEW_ROOT_NAME = u"Tindrel-Clipwright-WebView2";

// True when `path`'s parent is `root` (compared component by component) and its last component
// is valid text of at least 8 characters beginning with "profile-".
bool is_owned_webview_profile(std::u16string_view path, std::u16string_view root);

}  // namespace cw
