#pragma once
// Recognises what the formats amount to together (an Explorer file copy, a Photoshop layer
// copy, ...). Called with the clipboard open.

#include <optional>
#include <vector>

#include "capture/logical_object.h"
#include "capture/snapshot.h"
#include "inspect/file_probe.h"

namespace cw {

// Reads the few formats the first applicable recogniser needs; none when nothing is recognised.
std::optional<LogicalClipboardObject> group_logical_object(const std::vector<FormatEntry>& entries,
                                                           const FileProbe& probe);
std::optional<LogicalClipboardObject> group_logical_object(const std::vector<FormatEntry>& entries);

}  // namespace cw
