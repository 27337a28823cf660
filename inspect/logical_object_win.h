#pragma once
// Recognises what the formats amount to together (an Explorer file copy, a Photoshop layer
// copy, ...) in two steps: copy the few blocks a recogniser needs while the clipboard is open,
// then examine them (and the paths they name) after it is closed.

#include <optional>
#include <string>
#include <vector>

#include "base/win32.h"
#include "capture/retrieval.h"
#include "capture/snapshot.h"
#include "inspect/file_probe.h"
#include "inspect/logical_object.h"

namespace cw {

// What the first applicable recogniser needs, taken from the clipboard.
struct LogicalObjectCopy {
    Recogniser recogniser = Recogniser::None;
    std::optional<GlobalCopy> drop_list;    // CF_HDROP
    std::optional<GlobalCopy> drop_effect;  // the first 4 bytes of "Preferred DropEffect"
    bool has_file_contents = false;
    PhotoshopFacts photoshop;
};

// Call with the clipboard open; reads nothing from the file system.
LogicalObjectCopy copy_logical_object_inputs(const std::vector<FormatEntry>& entries);

// Call with the clipboard closed: the copied paths are examined here, which for a big copy takes
// seconds. None when nothing is recognised or the file list cannot be read.
std::optional<LogicalClipboardObject> describe_logical_object(const LogicalObjectCopy& copy, const FileProbe& probe);

// Opens the clipboard a second time for the logical grouping, only to copy what the recogniser
// needs; the paths are examined after it is closed. Empty text when the open fails, the clipboard
// changed since the capture, or nothing is recognised.
std::string logical_grouping_text(HWND window, const ClipboardSnapshot& snapshot, const FileProbe& probe);
std::string logical_grouping_text(HWND window, const ClipboardSnapshot& snapshot);

}  // namespace cw
