// The real main window under Wine, with clipboard content the tests set themselves.
#include <gtest/gtest.h>

#include "app/format_list.h"
#include "app/main_window_win.h"
#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "main_window_fixture.h"

#include <commctrl.h>

namespace cw {
namespace {

using test::ClipboardFixture;
using test::MainWindowHarness;

std::vector<std::uint8_t> html_bytes()
{
    return test::bytes_of("Version:0.9\r\nStartHTML:0000000071\r\nEndHTML:0000000110\r\n\r\n\r\n\r\n"
                          "<html><body><b>hi</b></body></html>");
}

class MainWindowTest : public ::testing::Test {
protected:
    ClipboardFixture clipboard;
    UINT html = test::register_format(L"HTML Format");
    UINT rtf = test::register_format(L"Rich Text Format");
};

TEST_F(MainWindowTest, CreatesAllControlsInTabOrderWithTheirTexts)
{
    clipboard.clear();
    MainWindowHarness w;
    HWND child = GetWindow(w.window(), GW_CHILD);
    for (std::size_t i = 0; i < MAIN_CONTROL_COUNT; ++i) {
        ASSERT_NE(child, nullptr) << i;
        EXPECT_EQ(child, w.state().controls[i]) << "control " << i << " out of creation order";
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(w.text(MainControl::title_label), "Clipwright");
    EXPECT_EQ(w.text(MainControl::subtitle_label), "Clipboard Utility");
    EXPECT_EQ(w.text(MainControl::version_label), "v1.1 build 158");
    EXPECT_EQ(w.text(MainControl::theme_button), "Light &Mode");
    EXPECT_EQ(w.text(MainControl::refresh_button), "&Refresh");
    EXPECT_EQ(w.text(MainControl::view_toggle_button), "&Advanced details");
    EXPECT_EQ(w.text(MainControl::save_in_label), "Save in  " + from_wide(w.folder()));
    EXPECT_EQ(w.text(MainControl::file_name_label), "File name");
    EXPECT_EQ(w.text(MainControl::file_name_edit), "untitled");
    EXPECT_EQ(w.text(MainControl::cancel_button), "&Cancel");
    EXPECT_EQ(w.text(MainControl::save_button), "&Save and Close");
    // Nothing saveable on an empty clipboard.
    EXPECT_EQ(w.list_count(MainControl::format_list), 0);
    EXPECT_EQ(w.text(MainControl::detail_title), NOTHING_SAVEABLE_TITLE);
    EXPECT_FALSE(IsWindowEnabled(w.control(MainControl::save_button)));
    EXPECT_TRUE(w.visible(MainControl::report_view));
    EXPECT_FALSE(w.visible(MainControl::text_view));

    RECT outer{};
    GetWindowRect(w.window(), &outer);
    EXPECT_EQ(outer.right - outer.left, 1050);
    EXPECT_EQ(outer.bottom - outer.top, 720);
}

TEST_F(MainWindowTest, SimpleViewRanksTheSaveableKindsAndShowsTheFirst)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"h\u00e9llo")},
                        {rtf, test::bytes_of("{\\rtf1\\ansi h\\'e9llo}")},
                        {html, html_bytes()}});
    MainWindowHarness w;
    ASSERT_EQ(w.list_count(MainControl::format_list), 3);
    EXPECT_EQ(w.list_text(MainControl::format_list, 0, 0), "HTML document");
    EXPECT_EQ(w.list_text(MainControl::format_list, 1, 0), "Formatted text");
    EXPECT_EQ(w.list_text(MainControl::format_list, 2, 0), "Plain text");
    EXPECT_EQ(w.selected_row(MainControl::format_list), 0);
    EXPECT_EQ(w.text(MainControl::detail_title), "Preview: HTML document (.html)");
    EXPECT_EQ(w.text(MainControl::file_name_edit), "untitled.html");
    EXPECT_EQ(w.text(MainControl::extension_label), ".html");
    EXPECT_TRUE(IsWindowEnabled(w.control(MainControl::save_button)));
    EXPECT_TRUE(w.visible(MainControl::html_tabs));
    EXPECT_FALSE(w.visible(MainControl::report_view));

    w.select_row(1);
    EXPECT_TRUE(w.visible(MainControl::rich_tabs));
    EXPECT_TRUE(w.visible(MainControl::rich_view));
    EXPECT_NE(w.text(MainControl::rich_source).find("{\\rtf1"), std::string::npos);
    EXPECT_EQ(w.text(MainControl::file_name_edit), "untitled.rtf");

    w.select_row(2);
    EXPECT_TRUE(w.visible(MainControl::text_view));
    EXPECT_EQ(w.text(MainControl::text_view), "h\xC3\xA9llo");
    EXPECT_FALSE(w.visible(MainControl::rich_tabs));
}

TEST_F(MainWindowTest, AdvancedViewListsEveryFormatAndReportsEachKind)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"a\tb\r\nc\td\r\n")},
                        {0x200, test::bytes_of("private bytes")},
                        {test::register_format(L"Clipwright Never Rendered"), {}, true}});
    MainWindowHarness w;
    w.command(ID_VIEW_TOGGLE);
    EXPECT_EQ(w.text(MainControl::view_toggle_button), "Simple &view");
    EXPECT_EQ(static_cast<std::size_t>(w.list_count(MainControl::format_list)), w.state().snapshot.entries.size());
    EXPECT_EQ(w.selected_row(MainControl::format_list), -1);
    EXPECT_EQ(w.text(MainControl::detail_title), OVERVIEW_TITLE);
    EXPECT_NE(w.text(MainControl::report_view).find(NO_LOGICAL_GROUPING_TEXT), std::string::npos);
    EXPECT_NE(w.text(MainControl::heading_label).find(" Win32 format"), std::string::npos);

    auto row_of = [&](std::uint32_t id) {
        for (std::size_t r = 0; r < w.state().row_format_indices.size(); ++r)
            if (w.state().snapshot.entries[w.state().row_format_indices[r]].id == id) return static_cast<int>(r);
        return -1;
    };
    // Two lines with a TAB become a table.
    w.select_row(row_of(CF_UNICODETEXT));
    EXPECT_TRUE(w.visible(MainControl::table_tabs));
    EXPECT_TRUE(w.visible(MainControl::table_list));
    ASSERT_EQ(w.list_count(MainControl::table_list), 2);
    EXPECT_EQ(w.list_text(MainControl::table_list, 1, 1), "d");
    EXPECT_EQ(w.text(MainControl::detail_title).rfind("CF_UNICODETEXT | ID 13 (0x000D) | standard | ", 0), 0u);

    // A private format gets the raw metadata report.
    w.select_row(row_of(0x200));
    EXPECT_TRUE(w.visible(MainControl::report_view));
    EXPECT_FALSE(w.visible(MainControl::table_tabs));
    EXPECT_NE(w.text(MainControl::report_view).find("RAW FORMAT METADATA"), std::string::npos);

    // Advertised but never rendered: the advertisement and the error.
    w.select_row(row_of(test::register_format(L"Clipwright Never Rendered")));
    EXPECT_EQ(w.text(MainControl::report_view)
                  .rfind("The format is advertised, but the flat Win32 clipboard API could not provide its data.", 0),
              0u);

    w.command(ID_VIEW_TOGGLE);
    EXPECT_EQ(w.text(MainControl::view_toggle_button), "&Advanced details");
    EXPECT_EQ(w.selected_row(MainControl::format_list), 0);
}

TEST_F(MainWindowTest, OneLineWithATabStaysText)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"a\tb\r\n")}});
    MainWindowHarness w;
    EXPECT_TRUE(w.visible(MainControl::text_view));
    EXPECT_FALSE(w.visible(MainControl::table_tabs));
}

TEST_F(MainWindowTest, ChangedClipboardIsRecapturedInsteadOfReported)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"first")}});
    MainWindowHarness w;
    w.command(ID_VIEW_TOGGLE);
    const std::uint32_t before = w.state().snapshot.sequence_number;
    clipboard.set_flat({{html, html_bytes()}, {CF_UNICODETEXT, test::utf16_bytes_of(L"second")}});
    w.select_row(0);
    EXPECT_EQ(w.text(MainControl::detail_title), "Clipboard changed - the format list was refreshed");
    EXPECT_NE(w.state().snapshot.sequence_number, before);
    bool has_html = false;
    for (const FormatEntry& e : w.state().snapshot.entries) has_html |= e.id == html;
    EXPECT_TRUE(has_html);
}

TEST_F(MainWindowTest, BusyClipboardShowsWhyAndRefreshRecovers)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}});
    MainWindowHarness w;
    {
        test::HeldClipboard held;
        ASSERT_TRUE(held.holding());
        w.command(ID_REFRESH);
        EXPECT_EQ(w.text(MainControl::heading_label), "Clipboard could not be opened");
        const std::string text = w.text(MainControl::report_view);
        EXPECT_EQ(text.rfind("Clipwright did not change the clipboard.\r\n\r\nWin32 error: ", 0), 0u);
        EXPECT_NE(text.find(" (0x80070005)\r\n\r\nAnother application may have the clipboard open. Click Refresh "
                            "to try again."),
                  std::string::npos);
        EXPECT_EQ(w.list_count(MainControl::format_list), 0);
        EXPECT_FALSE(IsWindowEnabled(w.control(MainControl::save_button)));
    }
    w.command(ID_REFRESH);
    EXPECT_EQ(w.text(MainControl::heading_label), "Choose what to save from the clipboard");
    EXPECT_EQ(w.list_count(MainControl::format_list), 1);
}

TEST_F(MainWindowTest, EnterAndEscDoNothingAndCancelCloses)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}});
    MainWindowHarness w;
    w.command(IDOK);
    w.command(IDCANCEL);
    EXPECT_TRUE(IsWindow(w.window()));
    w.command(ID_CANCEL);
    EXPECT_FALSE(IsWindow(w.window()));
}

std::wstring clipboard_unicode_text()
{
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"(clipboard busy)";
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    if (const auto* units = h ? static_cast<const wchar_t*>(GlobalLock(h)) : nullptr) {
        text = units;
        GlobalUnlock(h);
    }
    CloseClipboard();
    return text;
}

// The table list holds no text: it asks for the cells it shows, finds a row by its first cell as
// the user types, and Ctrl+C copies the selected rows. Another table never shows the old cells,
// and the source page shows the text of the table shown whenever it is opened.
TEST_F(MainWindowTest, TableListAnswersFromTheTableItShows)
{
    const UINT csv = test::register_format(L"Csv");
    const std::wstring text = L"apple\tred\r\nbanana\tyellow\r\ncherry\tdark red\r\n";
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(text)}, {csv, test::bytes_of("x,y\r\n")}});
    MainWindowHarness w;
    w.command(ID_VIEW_TOGGLE);
    HWND list = w.control(MainControl::table_list);
    ASSERT_TRUE(w.select_format(CF_UNICODETEXT));
    ASSERT_EQ(w.list_count(MainControl::table_list), 3);
    SendMessageW(list, WM_CHAR, L'C', 1);  // repeat count 1, as a key press sends
    EXPECT_EQ(w.selected_row(MainControl::table_list), 2);

    ASSERT_TRUE(w.select_format(csv));
    ASSERT_EQ(w.list_count(MainControl::table_list), 1);
    EXPECT_EQ(w.list_text(MainControl::table_list, 0, 1), "y");
    EXPECT_EQ(w.list_text(MainControl::table_list, 2, 1), "");
    EXPECT_EQ(w.selected_row(MainControl::table_list), -1);

    w.select_tab(MainControl::table_tabs, 1);
    EXPECT_EQ(w.text(MainControl::table_source), "x,y\r\n");
    ASSERT_TRUE(w.select_format(CF_UNICODETEXT));
    EXPECT_EQ(to_wide(w.text(MainControl::table_source)), text);
    w.select_tab(MainControl::table_tabs, 0);
    ASSERT_TRUE(w.select_format(csv));
    w.select_tab(MainControl::table_tabs, 1);
    EXPECT_EQ(w.text(MainControl::table_source), "x,y\r\n");

    w.select_tab(MainControl::table_tabs, 0);
    ASSERT_TRUE(w.select_format(CF_UNICODETEXT));
    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    for (int row : {1, 2}) SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&selected));
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(list, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(clipboard_unicode_text(), L"banana\tyellow\r\ncherry\tdark red\r\n");
}

}  // namespace
}  // namespace cw
