// The real Clipwright.exe under Wine: start with a clipboard the test set, close, read the log.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "clipboard_fixture.h"
#include "process_driver.h"

namespace cw {
namespace {

TEST(Startup, LogsTheEnumerationOfFlatAndOleOnlyFormatsAndShutsDownCleanly)
{
    test::ClipboardFixture clipboard;
    const UINT ole_only = test::register_format(L"Clipwright E2E OLE Only");
    auto* object = test::TestDataObject::create({
        test::TestOffer{CF_UNICODETEXT, TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false, test::utf16_bytes_of(L"hello")},
        test::TestOffer{static_cast<CLIPFORMAT>(ole_only), TYMED_ISTREAM, DVASPECT_CONTENT, -1, false,
                        test::bytes_of("stream")},
    });
    clipboard.set_ole_catalogue(object, {{CF_UNICODETEXT, test::utf16_bytes_of(L"hello")}});
    object->Release();

    // What the flat list holds as the program will see it (the system adds synthesized formats).
    unsigned win32 = 0;
    ASSERT_TRUE(OpenClipboard(nullptr));
    for (UINT f = 0; (f = EnumClipboardFormats(f)) != 0;) ++win32;
    CloseClipboard();

    const std::wstring app_data = test::make_temp_folder(L"clipwright-e2e");
    test::RunningProgram program(test::windows_path(CLIPWRIGHT_EXE), L"", {{L"LOCALAPPDATA", app_data}});
    ASSERT_TRUE(program.started());
    HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    wchar_t title[64];
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Clipwright");
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\startup.png");
    EXPECT_EQ(program.close(window), 0);

    const auto events = test::log_events(app_data);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "startup version=1.1 build=158");
    EXPECT_EQ(events[1], "clipboard_enumeration result=success win32=" + std::to_string(win32) +
                             " ole=2 unique=" + std::to_string(win32 + 1));
    EXPECT_EQ(events[2], "shutdown result=clean");
    test::remove_tree(app_data);
}

TEST(Startup, BusyClipboardIsLoggedAndTheProgramStillRuns)
{
    test::ClipboardFixture clipboard;
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"busy")}});
    const std::wstring app_data = test::make_temp_folder(L"clipwright-e2e");
    {
        test::HeldClipboard held;
        ASSERT_TRUE(held.holding());
        test::RunningProgram program(test::windows_path(CLIPWRIGHT_EXE), L"", {{L"LOCALAPPDATA", app_data}});
        HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(program.close(window), 0);
    }
    const auto events = test::log_events(app_data);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], "clipboard_enumeration result=clipboard_busy_or_unavailable");
    EXPECT_EQ(events[2], "shutdown result=clean");
    test::remove_tree(app_data);
}

}  // namespace
}  // namespace cw
