#include "main_window_fixture.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/main_window_win.h"
#include "app/startup_win.h"
#include "base/text_win.h"

namespace cw::test {

MainWindowHarness::MainWindowHarness(bool dark_mode, std::wstring folder) : state_(std::make_unique<AppState>())
{
    static const bool ready = [] {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        return load_ui_libraries().ok() && register_main_window_class(instance).ok();
    }();
    if (!ready) throw std::runtime_error("window class not registered");
    if (folder.empty()) {
        folder = make_temp_folder(L"clipwright-window");
        own_folder_ = true;
    }
    folder_ = folder;
    init_app_state(*state_, {u"Clipwright.exe", std::u16string(folder.begin(), folder.end())});
    state_->dark_mode = dark_mode;
    Result<HWND> created = create_main_window(GetModuleHandleW(nullptr), *state_);
    if (!created) throw std::runtime_error("main window not created");
    window_ = *created;
    ShowWindow(window_, SW_SHOW);
    ClipboardFixture::pump(50);
}

MainWindowHarness::~MainWindowHarness()
{
    if (IsWindow(window_)) DestroyWindow(window_);
    // The window posted WM_QUIT; take it off the queue so the next test's pumps see nothing.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    destroy_state(*state_);
    if (own_folder_) remove_tree(folder_);
}

std::string MainWindowHarness::text(MainControl c) const
{
    HWND h = control(c);
    const int n = GetWindowTextLengthW(h);
    std::wstring buffer(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(h, buffer.data(), n + 1);
    return from_wide(buffer.data(), static_cast<std::size_t>(got));
}

bool MainWindowHarness::visible(MainControl c) const
{
    return (GetWindowLongW(control(c), GWL_STYLE) & WS_VISIBLE) != 0;
}

int MainWindowHarness::list_count(MainControl list) const
{
    return static_cast<int>(SendMessageW(control(list), LVM_GETITEMCOUNT, 0, 0));
}

std::string MainWindowHarness::list_text(MainControl list, int row, int column) const
{
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    const auto n = SendMessageW(control(list), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return from_wide(buffer, static_cast<std::size_t>(n));
}

int MainWindowHarness::selected_row(MainControl list) const
{
    return static_cast<int>(SendMessageW(control(list), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void MainWindowHarness::select_row(int row)
{
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(control(MainControl::format_list), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    ClipboardFixture::pump(20);
}

bool MainWindowHarness::select_format(UINT id)
{
    const auto& entries = state_->snapshot.entries;
    const auto& rows = state_->row_format_indices;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (entries[rows[r]].id == id) {
            select_row(static_cast<int>(r));
            return true;
        }
    }
    return false;
}

void MainWindowHarness::command(WORD id)
{
    SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    ClipboardFixture::pump(20);
}

void MainWindowHarness::select_tab(MainControl tabs, int index)
{
    SendMessageW(control(tabs), TCM_SETCURSEL, index, 0);
    NMHDR header{control(tabs), static_cast<UINT_PTR>(GetDlgCtrlID(control(tabs))), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(window_, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

}  // namespace cw::test
