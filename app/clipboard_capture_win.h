#pragma once
// A snapshot of the clipboard as the window and the console program take it: captured, logged,
// summarised and grouped.

#include "base/error.h"
#include "base/win32.h"
#include "capture/snapshot.h"

namespace cw {

// Logs the "clipboard_enumeration" event either way. The logical grouping opens the clipboard a
// second time, so a caller that does not show it leaves it out.
Result<ClipboardSnapshot> capture_logged_snapshot(HWND window, bool with_grouping);

}  // namespace cw
