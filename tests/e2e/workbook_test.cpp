// Spreadsheet formats in the real program: the simple view previews the grid, and "&Save and
// Close" writes the clipboard bytes unchanged under the format's extension.
#include <gtest/gtest.h>

#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

constexpr int FORMAT_LIST_ID = 1002;
constexpr int SAVE_BUTTON_ID = 1008;
constexpr wchar_t MAIN_CLASS[] = L"ClipwrightClipboardViewer";

class WorkbookE2E : public test::ProgramTest {};

TEST_F(WorkbookE2E, PreviewedAndSavedByteForByte)
{
    CW_REQUIRE_CORPUS();
    const auto dir = test::corpus_dir() / "workbooks";
    struct Case {
        const char* what;
        UINT id;
        std::filesystem::path file;
        const char* saved_as;
        const wchar_t* screenshot;
    };
    const Case cases[] = {
        {"Biff8", test::register_format(L"Biff8"), dir / "apache-poi" / "spreadsheet" / "testEXCEL_95.xls", "untitled.xls",
         L"workbook-grid.png"},
        {"Biff12", test::register_format(L"Biff12"), dir / "sheetjs-test-files" / "text_and_numbers.xlsb",
         "untitled.xlsb", nullptr},
        {"XML Spreadsheet", test::register_format(L"XML Spreadsheet"),
         dir / "sheetjs-test-files" / "text_and_numbers.xml", "untitled.xml", nullptr},
        {"CF_SYLK", CF_SYLK, dir / "sheetjs-test-files" / "write.slk", "untitled.slk", L"sylk-grid.png"},
        {"CF_DIF", CF_DIF, dir / "sheetjs-test-files" / "write.dif", "untitled.dif", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto bytes = test::read_file_bytes(c.file);
        clipboard.set_flat({{c.id, bytes}});
        auto program = start();
        HWND window = program->wait_for_window(MAIN_CLASS);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(test::list_item_count(GetDlgItem(window, FORMAT_LIST_ID)), 1);
        if (c.screenshot) test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\" + c.screenshot);
        PostMessageW(GetDlgItem(window, SAVE_BUTTON_ID), BM_CLICK, 0, 0);
        EXPECT_EQ(program->wait_for_exit(), 0);
        EXPECT_EQ(test::folder_names(target), std::vector<std::string>{c.saved_as});
        EXPECT_TRUE(test::read_text_file(target + L"\\" + to_wide(c.saved_as)) == std::string(bytes.begin(), bytes.end()));
        test::remove_tree(target);
        CreateDirectoryW(target.c_str(), nullptr);
    }
}

}  // namespace
}  // namespace cw
