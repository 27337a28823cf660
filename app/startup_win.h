#pragma once
// Start-up pieces shared by the process entry and the Wine tests.

#include <string>
#include <vector>

#include "app/app_state_win.h"
#include "base/error.h"

namespace cw {

// Msftedit.dll (RICHEDIT50W) and the list-view and progress classes; the last error on failure.
Status load_ui_libraries();
// The stored theme: true (dark) unless HKCU\Software\Tindrel\Clipwright "Theme" reads light.
bool read_dark_mode_setting();
// The process's arguments as CommandLineToArgvW splits them.
std::vector<std::u16string> command_line_arguments();
// Fills the start-up fields of a new state from the arguments and the system.
void init_app_state(AppState& state, const std::vector<std::u16string>& arguments);
// Removes "{exe}.WebView2" beside the executable, which WebView2 leaves when given no folder.
void remove_legacy_webview_folder();

}  // namespace cw
