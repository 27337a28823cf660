// A plain start of the real program over a stale WebView2 profile that holds a link, as a user's
// temporary folder may: the folder the link points to survives with everything in it.
#include <gtest/gtest.h>

#include <algorithm>

#include "clipboard_fixture.h"
#include "link_fixtures.h"
#include "process_driver.h"

namespace cw {
namespace {

TEST(Cleanup, StartUpSweepNeverDeletesWhatAStaleProfileLinksTo)
{
    test::ClipboardFixture clipboard;
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}});
    const std::wstring root = test::make_temp_folder(L"clipwright-e2e-cleanup");
    const std::wstring outside = root + L"\\Documents", temp = root + L"\\tmp", app_data = root + L"\\appdata";
    const std::wstring profile = temp + L"\\Tindrel-Clipwright-WebView2\\profile-7-7";
    for (const auto& folder : {outside, temp, app_data, temp + L"\\Tindrel-Clipwright-WebView2", profile})
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(test::write_test_file(outside + L"\\thesis.txt", "years of work"));
    ASSERT_TRUE(test::write_test_file(profile + L"\\cache.bin", "c"));
    ASSERT_TRUE(test::make_host_link(outside, profile + L"\\linked"));
    ASSERT_TRUE(test::set_written_days_ago(profile, 2));

    {
        test::RunningProgram program(test::windows_path(CLIPWRIGHT_EXE), L"",
                                     {{L"LOCALAPPDATA", app_data}, {L"TMP", temp}, {L"TEMP", temp}});
        HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(program.close(window), 0);
    }

    EXPECT_EQ(test::read_text_file(outside + L"\\thesis.txt"), "years of work");
    EXPECT_EQ(GetFileAttributesW((profile + L"\\cache.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    // Wine cannot remove a link as itself, so there the profile stays for a later start.
    const std::string result = test::running_on_wine() ? "deferred" : "success";
    const auto events = test::log_events(app_data);
    EXPECT_EQ(std::count(events.begin(), events.end(), "webview_cleanup result=" + result), 1) << events.size();
    test::remove_host_tree(root);
}

}  // namespace
}  // namespace cw
