#pragma once
// The real main window created inside a test, with the clipboard fixture beside it.

#include <memory>
#include <string>
#include <vector>

#include "app/app_state_win.h"
#include "clipboard_fixture.h"

namespace cw::test {

class MainWindowHarness {
public:
    // Creates the window for a fresh state whose target folder is `folder` (a new temporary
    // folder when empty); the window takes its first snapshot of whatever the clipboard holds.
    explicit MainWindowHarness(bool dark_mode = true, std::wstring folder = L"");
    ~MainWindowHarness();

    HWND window() const { return window_; }
    AppState& state() { return *state_; }
    HWND control(MainControl c) const { return state_->control(c); }
    std::string text(MainControl c) const;
    bool visible(MainControl c) const;
    int list_count(MainControl list) const;
    std::string list_text(MainControl list, int row, int column) const;
    int selected_row(MainControl list) const;
    // Selects a row the way a click does (LVN_ITEMCHANGED reaches the window).
    void select_row(int row);
    // Selects the row of the format with this id in the current view; false when none lists it.
    bool select_format(UINT id);
    void command(WORD id);
    // Shows page `index` of a tab control the way a click does (TCN_SELCHANGE reaches the window).
    void select_tab(MainControl tabs, int index);
    const std::wstring& folder() const { return folder_; }

private:
    std::unique_ptr<AppState> state_;
    HWND window_ = nullptr;
    std::wstring folder_;
    bool own_folder_ = false;
};

}  // namespace cw::test
