// The real program with an Explorer-style copy of two files on the clipboard: the advanced view
// explains the copy before any selection, and selecting CF_HDROP lists the items.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <filesystem>
#include <fstream>

#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

constexpr int FORMAT_LIST_ID = 1002;
constexpr int VIEW_TOGGLE_ID = 1007;
constexpr int TABLE_LIST_ID = 1011;
constexpr int DETAIL_TITLE = 15;  // creation order

class ShellTransferE2E : public test::ProgramTest {};

// The text of the first child window whose text begins with `prefix`. GetWindowText does not
// read controls of another process; WM_GETTEXT is carried across.
std::string child_text_starting(HWND window, const std::string& prefix)
{
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring buffer(16384, L'\0');
        const auto n = SendMessageW(child, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
        const std::string text = from_wide(buffer.data(), static_cast<std::size_t>(n));
        if (text.rfind(prefix, 0) == 0) return text;
    }
    return {};
}

int row_named(HWND list, const std::string& name)
{
    for (int row = 0; row < test::list_item_count(list); ++row)
        for (int column = 0; column < 3; ++column)
            if (test::remote_list_text(list, row, column) == name) return row;
    return -1;
}

TEST_F(ShellTransferE2E, ExplorerCopyOfTwoFiles)
{
    const std::wstring source = test::make_temp_folder(L"clipwright-copied");
    std::ofstream(std::filesystem::path(source + L"\\budget.xlsx"), std::ios::binary) << "PK\x03\x04 not really a workbook";
    std::ofstream(std::filesystem::path(source + L"\\notes.txt"), std::ios::binary) << "ten bytes!";
    clipboard.set_flat({
        {CF_HDROP, test::dropfiles_of({source + L"\\budget.xlsx", source + L"\\notes.txt"})},
        {test::register_format(L"Preferred DropEffect"), {1, 0, 0, 0}},
    });

    auto started = start();
    test::RunningProgram& program = *started;
    HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    SendMessageW(GetDlgItem(window, VIEW_TOGGLE_ID), BM_CLICK, 0, 0);
    test::ClipboardFixture::pump(200);
    const std::string overview = child_text_starting(window, "LOGICAL CLIPBOARD OBJECT");
    EXPECT_EQ(overview.rfind("LOGICAL CLIPBOARD OBJECT\r\n========================\r\nType       : Explorer item "
                             "transfer\r\nItems      : 2\r\nFiles      : 2\r\nFolders    : 0\r\nOperation  : Copy\r\n",
                             0),
              0u)
        << overview;
    EXPECT_NE(overview.find(from_wide(source) + "\\notes.txt\r\n  Kind      : File\r\n  Extension : .txt\r\n"),
              std::string::npos);
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\explorer-copy-overview.png");

    HWND list = GetDlgItem(window, FORMAT_LIST_ID);
    const int row = row_named(list, "CF_HDROP");
    ASSERT_GE(row, 0);
    ASSERT_TRUE(test::remote_select_row(list, row));
    test::ClipboardFixture::pump(300);
    EXPECT_EQ(test::window_text(test::nth_child(window, DETAIL_TITLE)).rfind("CF_HDROP | ID 15 (0x000F)", 0), 0u);
    HWND items = GetDlgItem(window, TABLE_LIST_ID);
    ASSERT_EQ(test::list_item_count(items), 2);
    EXPECT_EQ(test::remote_list_text(items, 0, 1), "budget.xlsx");
    EXPECT_EQ(test::remote_list_text(items, 0, 4), "ZIP-based container (signature confirmed)");
    EXPECT_EQ(test::remote_list_text(items, 1, 1), "notes.txt");
    EXPECT_EQ(test::remote_list_text(items, 1, 3), "10 (10 B)");
    EXPECT_EQ(test::remote_list_text(items, 1, 6), "Available");
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\explorer-copy-items.png");

    EXPECT_EQ(program.close(window), 0);
    test::remove_tree(source);
}

}  // namespace
}  // namespace cw
