// Recursive removal and the WebView2 clean-ups against real links made on the host: whatever a
// removed tree links to survives with everything in it.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/startup_win.h"
#include "base/remove_tree_win.h"
#include "clipboard_fixture.h"
#include "link_fixtures.h"
#include "preview/webview_profile_win.h"
#include "process_driver.h"

namespace cw {
namespace {

void write_file(const std::wstring& path, const std::string& text, DWORD attributes = FILE_ATTRIBUTE_NORMAL)
{
    ASSERT_TRUE(test::write_test_file(path, text, attributes));
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void make_folder(const std::wstring& path)
{
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
}

// Wine deletes and renames what a Unix link leads to, never the link itself, so there a tree
// that holds a link can only be emptied around it. Windows removes the link as itself.
RemovalResult expected_with_links()
{
    return test::running_on_wine() ? RemovalResult::failed : RemovalResult::removed;
}

class LinkedTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = test::make_temp_folder(L"clipwright-links");
        outside = root + L"\\outside";
        make_folder(outside);
        make_folder(outside + L"\\sub");
        write_file(outside + L"\\keep.txt", "keep");
        write_file(outside + L"\\sub\\deep.txt", "deep");
        write_file(root + L"\\outside.txt", "file");
    }
    void TearDown() override { test::remove_host_tree(root); }

    void link(const std::wstring& target, const std::wstring& at) { ASSERT_TRUE(test::make_host_link(target, at)); }
    void expect_outside_intact(const std::string& context)
    {
        EXPECT_EQ(test::read_text_file(outside + L"\\keep.txt"), "keep") << context;
        EXPECT_EQ(test::read_text_file(outside + L"\\sub\\deep.txt"), "deep") << context;
        EXPECT_EQ(test::read_text_file(root + L"\\outside.txt"), "file") << context;
    }

    std::wstring root, outside;
};

TEST_F(LinkedTree, LinksAreNeverEnteredAndEverythingElseGoes)
{
    struct Case {
        std::string name;
        std::vector<std::wstring> folders;  // made in this order inside the tree
        std::vector<std::wstring> files;    // ordinary files: gone afterwards whatever the outcome
        std::vector<std::pair<std::wstring, std::wstring>> links;  // target in the root, link in the tree
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    };
    const std::vector<Case> cases{
        {"folder link", {}, {L"a.txt"}, {{L"outside", L"l"}}},
        {"file link", {}, {L"a.txt"}, {{L"outside.txt", L"f"}}},
        {"nested folder holding a link", {L"x", L"x\\y"}, {L"x\\y\\z.txt"}, {{L"outside", L"x\\y\\l"}}},
        {"link to a missing target", {}, {L"a.txt"}, {{L"missing", L"l"}}},
        {"read-only files", {L"sub"}, {L"ro.txt", L"sub\\ro.txt"}, {}, FILE_ATTRIBUTE_READONLY},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::wstring tree = root + L"\\tree-" + std::to_wstring(i);
        make_folder(tree);
        for (const auto& folder : c.folders) make_folder(tree + L"\\" + folder);
        for (const auto& file : c.files) write_file(tree + L"\\" + file, "x", c.attributes);
        for (const auto& [target, at] : c.links) link(root + L"\\" + target, tree + L"\\" + at);

        const RemovalResult result = remove_recursively(tree);
        EXPECT_EQ(result, c.links.empty() ? RemovalResult::removed : expected_with_links()) << c.name;
        EXPECT_EQ(exists(tree), result != RemovalResult::removed) << c.name;
        for (const auto& file : c.files) EXPECT_FALSE(exists(tree + L"\\" + file)) << c.name;
        expect_outside_intact(c.name);
    }

    // The tree itself a link: removed as a link, never emptied.
    link(outside, root + L"\\tree-link");
    EXPECT_EQ(remove_recursively(root + L"\\tree-link"), expected_with_links());
    expect_outside_intact("tree is a link");
    EXPECT_EQ(remove_recursively(root + L"\\nothing"), RemovalResult::not_found);
}

TEST_F(LinkedTree, AFileHeldOpenLeavesItsFolderForALaterAttempt)
{
    const std::wstring tree = root + L"\\held";
    make_folder(tree);
    write_file(tree + L"\\held.txt", "h");
    write_file(tree + L"\\other.txt", "o");
    HANDLE held =
        CreateFileW((tree + L"\\held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(remove_recursively(tree), RemovalResult::failed);
    EXPECT_TRUE(exists(tree + L"\\held.txt"));
    EXPECT_FALSE(exists(tree + L"\\other.txt"));
    CloseHandle(held);
    EXPECT_EQ(remove_recursively(tree + L"\\"), RemovalResult::removed);
    EXPECT_FALSE(exists(tree));
}

// The clean-ups of start-up and teardown, with a private temporary folder and log.
class WebViewCleanup : public LinkedTree {
protected:
    void SetUp() override
    {
        LinkedTree::SetUp();
        make_folder(root + L"\\tmp");
        make_folder(root + L"\\appdata");
        save_variable(L"TMP");
        save_variable(L"LOCALAPPDATA");
        SetEnvironmentVariableW(L"TMP", (root + L"\\tmp").c_str());
        SetEnvironmentVariableW(L"LOCALAPPDATA", (root + L"\\appdata").c_str());
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved) SetEnvironmentVariableW(name.c_str(), value.c_str());
        LinkedTree::TearDown();
    }
    void save_variable(const std::wstring& name)
    {
        wchar_t value[32768] = {};
        GetEnvironmentVariableW(name.c_str(), value, 32768);
        saved.emplace_back(name, value);
    }
    std::vector<std::string> events() const { return test::log_events(root + L"\\appdata"); }

    std::vector<std::pair<std::wstring, std::wstring>> saved;
};

TEST_F(WebViewCleanup, SweepAndProfileRemovalLeaveLinkTargetsAlone)
{
    const std::wstring profiles = webview_profile_root();
    ASSERT_EQ(profiles, root + L"\\tmp\\Tindrel-Clipwright-WebView2");
    make_folder(profiles);
    const std::wstring linked = profiles + L"\\profile-1-1", read_only = profiles + L"\\profile-2-2",
                       fresh = profiles + L"\\profile-3-3", foreign = profiles + L"\\other-4";
    for (const auto& folder : {linked, read_only, fresh, foreign}) {
        make_folder(folder);
        write_file(folder + L"\\cache.bin", "c");
    }
    link(outside, linked + L"\\l");
    write_file(read_only + L"\\locked.txt", "r", FILE_ATTRIBUTE_READONLY);
    for (const auto& folder : {linked, read_only, foreign}) ASSERT_TRUE(test::set_written_days_ago(folder, 2));

    sweep_stale_webview_profiles();
    auto logged = events();
    std::sort(logged.begin(), logged.end());
    const std::string linked_result = expected_with_links() == RemovalResult::removed ? "success" : "deferred";
    std::vector<std::string> expected{"webview_cleanup result=" + linked_result, "webview_cleanup result=success"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(logged, expected);
    expect_outside_intact("sweep");
    EXPECT_FALSE(exists(linked + L"\\cache.bin"));
    EXPECT_FALSE(exists(read_only));
    EXPECT_TRUE(exists(fresh + L"\\cache.bin"));    // not a day old yet
    EXPECT_TRUE(exists(foreign + L"\\cache.bin"));  // not ours

    remove_webview_profile(fresh);
    remove_webview_profile(foreign);
    remove_webview_profile(profiles + L"\\profile-5-5");  // already gone: nothing to say
    logged = events();
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged[2], "webview_cleanup result=success");
    EXPECT_EQ(logged[3], "webview_cleanup result=rejected_unowned_path");
    EXPECT_FALSE(exists(fresh));
    EXPECT_TRUE(exists(foreign));
}

TEST_F(WebViewCleanup, LegacyFolderBesideTheProgramIsRemovedWithoutFollowingLinks)
{
    wchar_t exe[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    const std::wstring legacy = std::wstring(exe) + L".WebView2";
    test::remove_host_tree(legacy);

    remove_legacy_webview_folder();  // none there: nothing logged
    make_folder(legacy);
    write_file(legacy + L"\\a.txt", "a");
    link(outside, legacy + L"\\l");
    remove_legacy_webview_folder();
    EXPECT_FALSE(exists(legacy + L"\\a.txt"));
    expect_outside_intact("legacy");

    test::remove_host_tree(legacy);
    make_folder(legacy);
    write_file(legacy + L"\\ro.txt", "r", FILE_ATTRIBUTE_READONLY);
    remove_legacy_webview_folder();
    EXPECT_FALSE(exists(legacy));

    const std::string linked_result = expected_with_links() == RemovalResult::removed ? "success" : "deferred";
    EXPECT_EQ(events(), (std::vector<std::string>{"webview_legacy_cleanup result=" + linked_result,
                                                  "webview_legacy_cleanup result=success"}));
}

}  // namespace
}  // namespace cw
