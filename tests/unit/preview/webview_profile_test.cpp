#include "preview/webview_profile.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

TEST(WebViewProfile, OnlyDirectProfileChildrenOfTheRootAreOwned)
{
    const std::u16string root = u"C:\\Users\\u\\AppData\\Local\\Temp\\Tindrel-Clipwright-WebView2";
    EXPECT_TRUE(is_owned_webview_profile(root + u"\\profile-12-345", root));
    EXPECT_TRUE(is_owned_webview_profile(root + u"\\profile-", root));
    EXPECT_FALSE(is_owned_webview_profile(root + u"\\profile", root));
    EXPECT_FALSE(is_owned_webview_profile(root + u"\\Profile-1", root));
    EXPECT_FALSE(is_owned_webview_profile(root + u"\\other-1", root));
    EXPECT_FALSE(is_owned_webview_profile(root + u"\\profile-1\\profile-2", root));
    EXPECT_FALSE(is_owned_webview_profile(root, root));
    EXPECT_FALSE(is_owned_webview_profile(u"C:\\Temp\\profile-1", root));
    EXPECT_FALSE(is_owned_webview_profile(root + u"\\profile-\xD800", root));  // not valid text
    EXPECT_TRUE(is_owned_webview_profile(root + u"/profile-9", root));         // either separator
}

}  // namespace
}  // namespace cw
