#include "save/save_messages.h"

#include "capture/clipboard_formats.h"
#include "capture/snapshot.h"

namespace cw {

std::string destination_unavailable_message(std::string_view folder)
{
    return "The destination folder is not available:\r\n" + std::string(folder);
}

std::string ole_stream_failed_message(std::string_view error)
{
    return "The OLE provider could not render this stream:\r\n" + std::string(error);
}

std::string live_gdi_handle_message(std::string_view format_name)
{
    return std::string(format_name) +
           " is a live GDI handle. Its file encoder has not been implemented yet; select CF_DIB, CF_DIBV5, or an "
           "encoded image representation instead.";
}

std::string open_clipboard_failed_message(std::string_view error)
{
    return "Could not open the clipboard:\r\n" + std::string(error);
}

std::string representation_too_large_message(std::uint64_t size)
{
    return "This representation is " + std::to_string(size) + " bytes and exceeds the 256 MiB safe-save limit.";
}

std::optional<std::string> refusal_before_read(const FormatEntry& entry)
{
    switch (entry.id) {
        case CF_PALETTE_ID:  // colours, no picture to write
            return live_gdi_handle_message(entry.name);
        case CF_HDROP_ID:
            return std::string(HDROP_NOT_SAVEABLE);
        default:
            return std::nullopt;
    }
}

std::optional<std::string> check_block_size(std::uint64_t global_size)
{
    if (global_size > SAFE_SAVE_LIMIT_BYTES) return representation_too_large_message(global_size);
    return std::nullopt;
}

}  // namespace cw
