// The real program's window: the simple and advanced views of a clipboard the test set.
#include <gtest/gtest.h>

#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

constexpr int FORMAT_LIST_ID = 1002;
constexpr int VIEW_TOGGLE_ID = 1007;
constexpr int SAVE_IN_LABEL = 9;  // creation order

class WindowE2E : public test::ProgramTest {};

TEST_F(WindowE2E, SimpleRowsInKindOrderThenEveryFormatInTheAdvancedView)
{
    clipboard.set_flat({
        {CF_UNICODETEXT, test::utf16_bytes_of(L"h\u00e9llo")},
        {test::register_format(L"Rich Text Format"), test::bytes_of("{\\rtf1\\ansi h\\'e9llo}")},
        {test::register_format(L"HTML Format"), test::bytes_of("<html><body>h&eacute;llo</body></html>")},
    });
    auto started = start();
    test::RunningProgram& program = *started;
    HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, FORMAT_LIST_ID);
    ASSERT_EQ(test::list_item_count(list), 3);
    EXPECT_EQ(test::remote_list_text(list, 0, 0), "HTML document");
    EXPECT_EQ(test::remote_list_text(list, 1, 0), "Formatted text");
    EXPECT_EQ(test::remote_list_text(list, 2, 0), "Plain text");
    EXPECT_EQ(test::window_text(test::nth_child(window, SAVE_IN_LABEL)), "Save in  " + from_wide(target));
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\simple-view.png");

    SendMessageW(GetDlgItem(window, VIEW_TOGGLE_ID), BM_CLICK, 0, 0);
    test::ClipboardFixture::pump(200);
    EXPECT_EQ(test::window_text(GetDlgItem(window, VIEW_TOGGLE_ID)), "Simple &view");
    EXPECT_GE(test::list_item_count(list), 3);
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\advanced-view.png");

    EXPECT_EQ(program.close(window), 0);
    const auto events = logged_events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "shutdown result=clean");
}

TEST_F(WindowE2E, HighDpiScalesTheWindow)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"dpi")}});
    const DWORD previous = test::set_prefix_dpi(144);
    auto started = start();
    test::RunningProgram& program = *started;
    HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
    test::set_prefix_dpi(previous);
    ASSERT_NE(window, nullptr);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 1575);
    EXPECT_EQ(outer.bottom - outer.top, 1080);
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\simple-view-144dpi.png");
    EXPECT_EQ(program.close(window), 0);
}

}  // namespace
}  // namespace cw

namespace cw {
namespace {

// Both themes at 96 and 144 DPI, kept for review: nothing clipped, overlapping or unreadable.
TEST(ThemeScreens, BothThemesAtTwoDpis)
{
    test::ClipboardFixture clipboard;
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"a\tb\r\nc\td\r\n")},
                        {test::register_format(L"HTML Format"), test::bytes_of("<html><body>x</body></html>")}});
    const std::wstring app_data = test::make_temp_folder(L"clipwright-e2e");
    struct Case {
        const wchar_t* theme;
        DWORD dpi;
        const wchar_t* file;
        const char* button;
    };
    for (const Case& c : {Case{L"Dark", 96, L"dark-96.png", "Light &Mode"}, Case{L"Light", 96, L"light-96.png", "Dark &Mode"},
                          Case{L"Dark", 144, L"dark-144.png", "Light &Mode"},
                          Case{L"Light", 144, L"light-144.png", "Dark &Mode"}}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright", &key), ERROR_SUCCESS);
        RegSetValueExW(key, L"Theme", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.theme),
                       static_cast<DWORD>((wcslen(c.theme) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        const DWORD previous = test::set_prefix_dpi(c.dpi);
        test::RunningProgram program(test::windows_path(CLIPWRIGHT_EXE), L"", {{L"LOCALAPPDATA", app_data}});
        HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
        test::set_prefix_dpi(previous);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(test::window_text(GetDlgItem(window, 1010)), c.button);
        // The table page of the first row's preview, then the advanced view.
        test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\theme-" + c.file);
        SendMessageW(GetDlgItem(window, 1007), BM_CLICK, 0, 0);
        test::ClipboardFixture::pump(200);
        test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\theme-advanced-" + c.file);
        EXPECT_EQ(program.close(window), 0);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright");
    test::remove_tree(app_data);
}

}  // namespace
}  // namespace cw
