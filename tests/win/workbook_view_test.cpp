// Spreadsheet formats on the clipboard under Wine: the grid on the table page, with the captions of
// its kind, in the simple view's preview and in the advanced view.
#include <gtest/gtest.h>

#include "app/main_window_win.h"
#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "main_window_fixture.h"

#include <commctrl.h>

namespace cw {
namespace {

std::string tab_caption(HWND tabs, int index)
{
    wchar_t buffer[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 64;
    SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return from_wide(buffer);
}

TEST(WorkbookView, GridsWithTheirCaptionsInBothViews)
{
    CW_REQUIRE_CORPUS();
    const auto dir = test::corpus_dir() / "workbooks";
    struct Case {
        const char* what;
        UINT id;
        std::filesystem::path file;
        const char* row_label;
        const char* captions[2];
        // A cell of the grid: row, column, text.
        int row, column;
        const char* cell;
    };
    const Case cases[] = {
        {"Biff8", test::register_format(L"Biff8"), dir / "xlrd" / "ragged.xls", "Excel workbook",
         {"Workbook", "Structure"}, 3, 3, "j"},
        {"Biff12", test::register_format(L"Biff12"), dir / "sheetjs-test-files" / "text_and_numbers.xlsb",
         "Excel workbook", {"Workbook", "Structure"}, 1, 0, "Hebrew"},
        {"XML Spreadsheet", test::register_format(L"XML Spreadsheet"), dir / "sheetjs-test-files" / "text_and_numbers.xml",
         "XML spreadsheet", {"Table", "Source"}, 0, 2, "World"},
        {"CF_SYLK", CF_SYLK, dir / "sheetjs-test-files" / "write.slk", "SYLK spreadsheet", {"Table", "Source"}, 1, 3,
         "sheetjs"},
        {"CF_DIF", CF_DIF, dir / "sheetjs-test-files" / "write.dif", "DIF spreadsheet", {"Table", "Source"}, 2, 0, "foo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::ClipboardFixture clipboard;
        clipboard.set_flat({{c.id, test::read_file_bytes(c.file)}});
        test::MainWindowHarness w;
        auto check_grid = [&] {
            EXPECT_TRUE(w.visible(MainControl::table_list));
            EXPECT_EQ(tab_caption(w.control(MainControl::table_tabs), 0), c.captions[0]);
            EXPECT_EQ(tab_caption(w.control(MainControl::table_tabs), 1), c.captions[1]);
            EXPECT_EQ(w.list_text(MainControl::table_list, c.row, c.column), c.cell);
        };
        ASSERT_EQ(w.list_count(MainControl::format_list), 1);
        EXPECT_EQ(w.list_text(MainControl::format_list, 0, 0), c.row_label);
        check_grid();

        w.command(ID_VIEW_TOGGLE);
        EXPECT_TRUE(w.select_format(c.id)) << c.what;
        EXPECT_EQ(w.text(MainControl::detail_title).rfind(std::string(c.what) + " | ID ", 0), 0u);
        check_grid();
    }
}

}  // namespace
}  // namespace cw
