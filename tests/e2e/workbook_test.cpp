// Spreadsheet formats in the real program: the simple view previews the grid, and "&Save and
// Close" writes the clipboard bytes unchanged under the format's extension.
#include <gtest/gtest.h>

#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "preview/workbook_preview.h"
#include "process_driver.h"
#include "program_test.h"
#include "zip_builder.h"

#include <commctrl.h>

namespace cw {
namespace {

constexpr int FORMAT_LIST_ID = 1002;
constexpr int SAVE_BUTTON_ID = 1008;
constexpr int TABLE_LIST_ID = 1011;
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

// A first sheet of `rows` rows by 10 columns in a stored (uncompressed) package: a text in
// column A, numbers after it.
std::vector<std::uint8_t> large_xlsx(int rows)
{
    std::string sheet = "<worksheet><sheetData>";
    for (int r = 0; r < rows; ++r) {
        sheet += "<row><c t=\"inlineStr\"><is><t>Item " + std::to_string(r) + "</t></is></c>";
        for (int c = 1; c < 10; ++c) sheet += "<c><v>" + std::to_string(r * 10 + c) + "</v></c>";
        sheet += "</row>";
    }
    const std::string zip = test::build_zip({
        {"xl/workbook.xml", R"(<workbook><sheets><sheet name="Large" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet1.xml"/></Relationships>)"},
        {"xl/sheet1.xml", sheet + "</sheetData></worksheet>"},
    });
    return {zip.begin(), zip.end()};
}

// A sheet larger than the preview shows: another process reads the grid's first, a middle and
// its cut row, and the grid is kept at its top and its end in both themes.
TEST_F(WorkbookE2E, LargeGridAnswersAcrossProcessesInBothThemes)
{
    clipboard.set_flat({{test::register_format(L"Biff8"), large_xlsx(100'005)}});
    constexpr wchar_t KEY[] = L"Software\\Tindrel\\Clipwright";
    for (const std::wstring theme : {L"Dark", L"Light"}) {
        SCOPED_TRACE(from_wide(theme));
        RegSetKeyValueW(HKEY_CURRENT_USER, KEY, L"Theme", REG_SZ, theme.c_str(),
                        static_cast<DWORD>((theme.size() + 1) * sizeof(wchar_t)));
        auto program = start();
        HWND window = program->wait_for_window(MAIN_CLASS);
        ASSERT_NE(window, nullptr);
        HWND grid = GetDlgItem(window, TABLE_LIST_ID);
        ASSERT_EQ(test::list_item_count(grid), 100'001);
        EXPECT_EQ(test::remote_list_text(grid, 0, 0), "Item 0");
        EXPECT_EQ(test::remote_list_text(grid, 50'000, 9), "500009");
        EXPECT_EQ(test::remote_list_text(grid, 100'000, 0), WORKBOOK_LIMIT_NOTE);
        EXPECT_EQ(test::remote_list_text(grid, 100'000, 1), "");
        const std::wstring shot = test::artifacts_folder() + L"\\e2e\\large-grid-" + theme;
        test::save_screenshot(window, shot + L"-top.png");
        SendMessageW(grid, LVM_ENSUREVISIBLE, 100'000, FALSE);
        test::save_screenshot(window, shot + L"-end.png");
        EXPECT_EQ(program->close(window), 0);
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, KEY, L"Theme");
}

}  // namespace
}  // namespace cw
