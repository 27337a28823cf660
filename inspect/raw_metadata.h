#pragma once
// The report of a format that no analyser claims: its identity, its offers, what its handle
// yields, the interpretation of private and vendor formats, and its first bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/snapshot.h"
#include "inspect/file_probe.h"

namespace cw {

// What the Win32 layer learns from the handle GetClipboardData returned, while the clipboard is
// open; the handle itself is never dereferenced here.
struct RawHandleFacts {
    std::uintptr_t handle = 0;
    std::uint64_t global_size = 0;  // GlobalSize(handle); 0 when it is not a global memory block
    // Only when global_size is not 0: copy_global_memory(handle, RAW_PREVIEW_BYTES) gave either
    // these bytes or, when it failed, the API display text of its error.
    std::vector<std::uint8_t> first_bytes;
    std::optional<std::string> copy_error;
};

// "RAW FORMAT METADATA" report, CR LF line ends.
std::string raw_format_metadata(const FormatEntry& entry, const RawHandleFacts& facts, const FileProbe& probe);

}  // namespace cw
