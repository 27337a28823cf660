#pragma once
// "&Save and Close": saves the selected representation under the typed name into the target
// folder and closes the window; any failure shows one message box instead.

#include <functional>
#include <string_view>

#include "app/app_state_win.h"

namespace cw {

// Never changes the clipboard; on success the window is destroyed, on failure it stays as it was.
void save_selected(HWND window, AppState& state);

// Shows a failure to the user. The program shows a message box; Wine tests put a recorder here,
// since a message box would block them.
using SaveFailureBox = std::function<void(HWND owner, std::string_view caption, std::string_view text)>;
// Returns the one it replaces; an empty one restores the message box.
SaveFailureBox set_save_failure_box(SaveFailureBox box);

}  // namespace cw
