// Times the window's answer to the selection of a table format under Wine or Windows: from the
// selection until every control has painted and no message waits, for comma-separated tables of
// 1 x 1, 20,000 x 10 and 100,000 x 10 cells, as ratios to the 1 x 1 one (the goal is at most 2).
// Reading and parsing the clipboard text is timed alone beside it, since that part grows with the
// table by nature. Then the table list alone on tables at the preview's limits, 100,000 rows under
// 1,024 columns and 1,048,576 one-column rows: filled, scrolled to the end and to the last column,
// with the memory the list added.
// Usage: table_view_timing.exe [RUNS] (default 5).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/startup_win.h"
#include "base/handles_win.h"
#include "inspect/dispatcher_win.h"
#include "preview/table_text.h"
#include "timing_win.h"

#include <commctrl.h>
#include <psapi.h>

namespace {

using namespace cw;

using bench::median;
using bench::median_seconds;
using bench::seconds_since;


// Until the window has painted everything and nothing is left in the queue: the window answers.
void settle(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::string csv_text(int rows, int columns)
{
    std::string text;
    for (int r = 0; r < rows; ++r) {
        text += std::to_string(r);
        for (int c = 1; c < columns; ++c) text.append(",").append(std::to_string(c));
        text += "\r\n";
    }
    return text;
}

struct ClipboardItem {
    UINT format;
    std::string bytes;
};

bool put_on_clipboard(HWND owner, const std::vector<ClipboardItem>& items)
{
    ClipboardSession clipboard;
    if (!clipboard.open(owner) || !EmptyClipboard()) return false;
    for (const ClipboardItem& item : items) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, item.bytes.size() + 1);
        if (!memory) return false;
        std::memcpy(GlobalLock(memory), item.bytes.c_str(), item.bytes.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(item.format, memory)) {
            GlobalFree(memory);
            return false;
        }
    }
    return true;
}

// The advanced view's row of a format.
int row_of(const AppState& state, UINT format)
{
    for (std::size_t r = 0; r < state.row_format_indices.size(); ++r)
        if (state.snapshot.entries[state.row_format_indices[r]].id == format) return static_cast<int>(r);
    return -1;
}

void select_row(HWND list, int row)
{
    LVITEMW item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

double private_mib()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return double(counters.PrivateUsage) / (1024.0 * 1024.0);
}

PropertyTable limit_table(std::size_t rows, std::size_t cells_per_row, std::size_t columns)
{
    PropertyTable table;
    table.columns = column_letters(columns);
    table.rows.resize(rows);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t c = 0; c < cells_per_row; ++c) table.rows[r].push_back(std::to_string(r * 10 + c));
    return table;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
    OleSession ole;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    // The table timed, and a 1 x 1 one selected in between in the advanced view, so that each timed
    // selection replaces a small table; replacing the large one is timed apart.
    const UINT csv = RegisterClipboardFormatW(L"Csv");
    const UINT small_csv = RegisterClipboardFormatW(L"text/csv");
    AppState state;
    const char* failed = FAILED(ole.result())                         ? "OleInitialize"
                         : !owner                                     ? "clipboard owner window"
                         : !load_ui_libraries().ok()                  ? "user-interface libraries"
                         : !register_main_window_class(instance).ok() ? "window class"
                         : !put_on_clipboard(owner, {{csv, "x"}})     ? "clipboard"
                                                                      : nullptr;
    if (failed) {
        std::fprintf(stderr, "table_view_timing: %s failed\n", failed);
        return 1;
    }
    init_app_state(state, {u"Clipwright.exe", u"C:\\"});
    Result<HWND> created = create_main_window(instance, state);
    if (!created) return 1;
    HWND window = *created;
    ShowWindow(window, SW_SHOW);
    settle(window);
    HWND format_list = state.control(MainControl::format_list);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_VIEW_TOGGLE, BN_CLICKED), 0);

    std::printf("selection of a \"Csv\" table until the window has answered, median of %d runs\n", runs);
    struct Size {
        int rows, columns;
    };
    double base = 0, base_fastest = 0, base_rest = 0;
    for (const Size size : {Size{1, 1}, Size{20'000, 10}, Size{100'000, 10}}) {
        put_on_clipboard(owner, {{csv, csv_text(size.rows, size.columns)}, {small_csv, "x"}});
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_REFRESH, BN_CLICKED), 0);
        settle(window);
        const int timed_row = row_of(state, csv), small_row = row_of(state, small_csv);
        std::vector<double> timed, away;
        auto select_and_time = [&](int row, std::vector<double>& times) {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            select_row(format_list, row);
            settle(window);
            times.push_back(seconds_since(start));
        };
        for (int i = 0; i < runs; ++i) {
            select_and_time(small_row, away);
            select_and_time(timed_row, timed);
        }
        const int rows_shown =
            static_cast<int>(SendMessageW(state.control(MainControl::table_list), LVM_GETITEMCOUNT, 0, 0));
        const FormatEntry entry = state.snapshot.entries[state.row_format_indices.at(timed_row)];
        const double report = median_seconds(runs, [&](int) { build_detail_report(window, entry); });
        // Other work on a shared machine only ever adds time, so the fastest run is reported beside the median.
        const double total = median(timed), fastest = *std::min_element(timed.begin(), timed.end());
        const double rest = std::max(total - report, 0.0);
        if (size.rows == 1) base = total, base_fastest = fastest, base_rest = rest;
        std::printf(
            "%7d x %2d (%6d rows shown): median %8.2f ms  ratio %5.2f | fastest %8.2f ms  ratio %5.2f | "
            "reading and parsing %7.2f ms | the rest %7.2f ms  ratio %5.2f | then a 1 x 1 table: %7.2f ms\n",
            size.rows, size.columns, rows_shown, total * 1000, total / base, fastest * 1000, fastest / base_fastest,
            report * 1000, rest * 1000, rest / base_rest, median(away) * 1000);
    }

    std::printf("\nthe table list alone at the limits\n");
    struct Limit {
        const char* what;
        std::size_t rows, cells_per_row, columns;
    };
    HWND table_list = state.control(MainControl::table_list);
    for (const Limit limit : {Limit{"100,000 rows x 1,024 columns", 100'000, 10, 1'024},
                              Limit{"1,048,576 rows x 1 column", 1'048'576, 1, 1}}) {
        PropertyTable table = limit_table(limit.rows, limit.cells_per_row, limit.columns);
        const double before = private_mib();
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        fill_table_list(state, std::move(table));
        show_panel(state, DetailPanel::table_panel);
        show_table_tab(state);
        settle(window);
        const double fill = seconds_since(start);
        QueryPerformanceCounter(&start);
        SendMessageW(table_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(limit.rows - 1), FALSE);
        settle(window);
        const double to_end = seconds_since(start);
        QueryPerformanceCounter(&start);
        SendMessageW(table_list, LVM_SCROLL, 1 << 20, 0);
        settle(window);
        const double to_right = seconds_since(start);
        std::printf(
            "%-30s fill and paint %8.2f ms | to the last row %8.2f ms | to the last column %8.2f ms | "
            "memory added %+.1f MiB\n",
            limit.what, fill * 1000, to_end * 1000, to_right * 1000, private_mib() - before);
    }
    DestroyWindow(window);
    destroy_state(state);
    DestroyWindow(owner);
    return 0;
}
