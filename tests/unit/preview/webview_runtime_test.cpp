#include "preview/webview_runtime.h"

#include <gtest/gtest.h>

#include <map>

#include "base/text.h"

namespace cw {
namespace {

TEST(WebViewRuntime, ErrorTextIsUnpaddedUpperCaseHex)
{
    EXPECT_EQ(webview_error_text(static_cast<std::int32_t>(0x80070002U)), "webview2 error, HRESULT 0x80070002");
    EXPECT_EQ(webview_error_text(0x1A), "webview2 error, HRESULT 0x1A");
    EXPECT_EQ(webview_error_text(0), "webview2 error, HRESULT 0x0");
}

TEST(WebViewRuntime, TheNavigatedStringStartsWithThePolicyThatBlocksEveryFetch)
{
    EXPECT_EQ(navigation_document("<html><img src=http://x/t.gif></html>"),
              "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
              "img-src data:; font-src data:\"><html><img src=http://x/t.gif></html>");
}

TEST(WebViewRuntime, ADocumentTheControlWouldRefuseBecomesANotice)
{
    const std::size_t room = NAVIGATE_TO_STRING_LIMIT / 2 - 1 - CONTENT_POLICY_ELEMENT.size();
    const std::string largest(room, 'x');
    EXPECT_EQ(navigation_text(largest), utf8_to_utf16(navigation_document(largest)));
    EXPECT_EQ(navigation_text(largest + "x"), utf8_to_utf16(navigation_document(DOCUMENT_TOO_LARGE_PAGE)));
}

TEST(WebViewRuntime, RuntimeFolderVersionIsTheLastComponent)
{
    struct Case {
        std::u16string folder;
        bool parses;
        std::uint32_t build;
        bool supported;
    };
    const Case cases[] = {
        {u"C:\\Program Files (x86)\\Microsoft\\EdgeWebView\\Application\\120.0.2210.91", true, 2210, true},
        {u"C:\\EdgeWebView\\99.0.1150.38\\", true, 1150, true},
        {u"C:\\EdgeWebView\\98.0.1149.99", true, 1149, false},
        {u"120.0.2210.91", true, 2210, true},
        {u"C:\\EdgeWebView\\120.0.2210", false, 0, false},
        {u"C:\\EdgeWebView\\120.0.2210.91.1", false, 0, false},
        {u"C:\\EdgeWebView\\120.0..91", false, 0, false},
        {u"C:\\EdgeWebView\\120.0.x.91", false, 0, false},
        {u"C:\\EdgeWebView\\1.0.9999999999.0", false, 0, false},
        {u"C:\\EdgeWebView\\Application", false, 0, false},
        {u"", false, 0, false},
    };
    for (const Case& c : cases) {
        const auto version = runtime_folder_version(c.folder);
        ASSERT_EQ(version.has_value(), c.parses) << std::string(c.folder.begin(), c.folder.end());
        if (!version) continue;
        EXPECT_EQ(version->build, c.build);
        EXPECT_EQ(runtime_version_supported(*version), c.supported);
    }
    EXPECT_EQ(runtime_client_path(u"D:\\rt\\120.0.2210.91"),
              u"D:\\rt\\120.0.2210.91\\EBWebView\\x64\\EmbeddedBrowserWebView.dll");
}

struct FakeRegistry final : RuntimeRegistry {
    std::map<std::pair<RegistryHive, std::u16string_view>, std::u16string> folders;
    std::u16string missing;  // the folder whose client file is absent
    std::optional<std::u16string> runtime_folder(RegistryHive hive, std::u16string_view key) const override
    {
        const auto found = folders.find({hive, key});
        return found == folders.end() ? std::nullopt : std::optional(found->second);
    }
    bool is_file(std::u16string_view path) const override { return path != runtime_client_path(missing); }
};

TEST(WebViewRuntime, ChannelsAreTriedStableFirstEachPerMachineThenPerUser)
{
    const auto [stable, beta, dev, canary] = RUNTIME_CLIENT_STATE_KEYS;
    constexpr auto machine = RegistryHive::machine, user = RegistryHive::user;
    FakeRegistry registry;
    registry.folders = {{{user, canary}, u"C:\\c\\1.0.1150.0"},    {{machine, dev}, u"C:\\d\\120.0.2210.91"},
                        {{user, dev}, u"C:\\du\\1.0.1150.0"},      {{user, beta}, u"C:\\bu\\1.0.1150.0"},
                        {{machine, beta}, u"C:\\bm\\1.0.1150.0"},  {{user, stable}, u"rt\\120.0.2210.91"},
                        {{machine, stable}, u"C:\\s\\98.0.1149.0"}};
    registry.missing = u"C:\\du\\1.0.1150.0";  // too old, relative or without a client file: passed over
    EXPECT_EQ(runtime_client_candidates(registry),
              (std::vector<std::u16string>{
                  runtime_client_path(u"C:\\bm\\1.0.1150.0"), runtime_client_path(u"C:\\bu\\1.0.1150.0"),
                  runtime_client_path(u"C:\\d\\120.0.2210.91"), runtime_client_path(u"C:\\c\\1.0.1150.0")}));
}

TEST(WebViewRuntime, OnlyPathsNamingTheirDriveOrShareAreFullyQualified)
{
    EXPECT_TRUE(is_fully_qualified_path(u"C:\\rt"));
    EXPECT_TRUE(is_fully_qualified_path(u"z:/rt"));
    EXPECT_TRUE(is_fully_qualified_path(u"\\\\server\\share\\rt"));
    EXPECT_TRUE(is_fully_qualified_path(u"\\\\?\\C:\\rt"));
    EXPECT_FALSE(is_fully_qualified_path(u"C:rt"));
    EXPECT_FALSE(is_fully_qualified_path(u"\\rt"));
    EXPECT_FALSE(is_fully_qualified_path(u"rt\\120.0.2210.91"));
    EXPECT_FALSE(is_fully_qualified_path(u"1:\\rt"));
    EXPECT_FALSE(is_fully_qualified_path(u""));
}

TEST(WebViewRuntime, ProfileFolderNamesCountNanosecondsSince1970Without64BitOverflow)
{
    constexpr std::uint64_t EPOCH_1970 = 116444736000000000ULL;
    EXPECT_EQ(nanos_since_1970_text(0), "0");
    EXPECT_EQ(nanos_since_1970_text(EPOCH_1970), "0");
    EXPECT_EQ(nanos_since_1970_text(EPOCH_1970 + 1), "100");
    EXPECT_EQ(nanos_since_1970_text(~0ULL), "1833029933770955161500");
    EXPECT_EQ(profile_folder_name(4242, EPOCH_1970 + 17000000000000000ULL), u"profile-4242-1700000000000000000");
}

TEST(WebViewRuntime, FileErrorKindsAreShortTexts)
{
    EXPECT_EQ(file_error_kind(3), "not found");
    EXPECT_EQ(file_error_kind(5), "permission denied");
    EXPECT_EQ(file_error_kind(267), "not a directory");
    EXPECT_EQ(file_error_kind(206), "invalid filename");
    EXPECT_EQ(file_error_kind(1234), "other");
}

}  // namespace
}  // namespace cw
