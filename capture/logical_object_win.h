#pragma once
// Recognises what the formats amount to together (an Explorer file copy, a Photoshop layer
// copy, ...). Called with the clipboard open.

#include <string>
#include <vector>

#include "capture/snapshot.h"

namespace cw {

// The LOGICAL CLIPBOARD OBJECT report, or empty when nothing is recognised.
std::string group_logical_object(const std::vector<FormatEntry>& entries);

}  // namespace cw
