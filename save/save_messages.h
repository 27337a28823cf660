#pragma once
// What the save command tells the user when it fails, and the checks that need no clipboard
// access. {error} parts arrive as finished display texts (api_error_display).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "capture/retrieval.h"  // the two messages around the flat transport

namespace cw {

struct FormatEntry;

inline constexpr std::uint64_t SAFE_SAVE_LIMIT_BYTES = 268'435'456;
inline constexpr std::uint64_t STREAM_SAFE_SAVE_LIMIT_BYTES = 67'108'864;

inline constexpr std::string_view SAVE_FAILED_TITLE = "Clipwright - Save failed";
inline constexpr std::string_view SAVE_LOG_EVENT = "save";
inline constexpr std::string_view SAVE_SUCCESS_LOG_FIELDS = "result=success";
inline constexpr std::string_view SAVE_FAILURE_LOG_FIELDS = "result=failure";

inline constexpr std::string_view NOTHING_SELECTED = "Select a clipboard representation first.";
inline constexpr std::string_view SELECTION_GONE = "The selected clipboard representation is no longer available.";
inline constexpr std::string_view CLIPBOARD_CHANGED_BEFORE_SAVE =
    "The clipboard changed. Refresh the list and select the representation again.";
inline constexpr std::string_view OLE_STREAM_TOO_LARGE = "The OLE stream exceeds the 64 MiB safe-save limit.";
inline constexpr std::string_view HDROP_NOT_SAVEABLE =
    "CF_HDROP describes existing files and folders rather than one new file. Direct filesystem-item copying will be "
    "handled separately.";

std::string destination_unavailable_message(std::string_view folder);
std::string ole_stream_failed_message(std::string_view error);
std::string live_gdi_handle_message(std::string_view format_name);
std::string open_clipboard_failed_message(std::string_view error);
std::string representation_too_large_message(std::uint64_t size);

// Formats that are refused before the clipboard is opened: live GDI handles and CF_HDROP.
std::optional<std::string> refusal_before_read(const FormatEntry& entry);

// A global-memory block larger than SAFE_SAVE_LIMIT_BYTES is refused, not cut.
std::optional<std::string> check_block_size(std::uint64_t global_size);

}  // namespace cw
