#include "app/clipboard_capture_win.h"

#include <string_view>

#include "base/log.h"
#include "capture/snapshot_win.h"
#include "inspect/logical_object_win.h"

namespace cw {

namespace {

constexpr std::string_view ENUMERATION_LOG_EVENT = "clipboard_enumeration";

}  // namespace

Result<ClipboardSnapshot> capture_logged_snapshot(HWND window, bool with_grouping)
{
    Result<ClipboardSnapshot> captured = capture_clipboard(window);
    if (!captured) {
        log_event(ENUMERATION_LOG_EVENT, CLIPBOARD_BUSY_LOG_FIELDS);
        return captured;
    }
    log_event(ENUMERATION_LOG_EVENT, enumeration_log_fields(*captured));
    captured->summary = snapshot_summary(*captured);
    if (with_grouping) captured->logical_object_text = logical_grouping_text(window, *captured);
    return captured;
}

}  // namespace cw
