#pragma once
// The portable half of publishing a saved file: the temporary sibling's name, the split of the
// destination, and the messages. The file calls themselves are Win32.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/byte_reader.h"
#include "base/error.h"

namespace cw {

inline constexpr unsigned MAX_TEMP_ATTEMPTS = 128;

inline constexpr std::string_view DESTINATION_HAS_NO_PARENT = "The destination path has no parent folder.";
inline constexpr std::string_view DESTINATION_NAME_INVALID = "The destination filename is not valid Unicode.";
inline constexpr std::string_view TEMP_NAMES_EXHAUSTED =
    "Could not reserve a temporary file in the destination folder.";
inline constexpr std::string_view DESTINATION_TAKEN =
    "Another process created the selected filename before the save completed. Nothing was overwritten; save again "
    "to use the next numbered name.";
// The error of a WriteFile call that wrote nothing.
inline constexpr std::string_view WRITE_ZERO_BYTES = "failed to write whole buffer";

// ".{name}.clipwright-{pid}-{attempt}.tmp"
std::string temporary_file_name(std::string_view final_name, std::uint32_t process_id, unsigned attempt);

struct DestinationParts {
    std::string folder;  // keeps a root separator ("C:\")
    std::string name;
};

// Splits at the last "\" or "/". No separator: no parent folder; an empty, "." or ".." final
// component: no usable file name.
Result<DestinationParts> split_destination(std::string_view path);

// The destination's final component (UTF-8) after the checks of split_destination; a final
// component with an unpaired surrogate is not valid Unicode either.
Result<std::string> destination_file_name(std::u16string_view destination);

// The temporary sibling of `destination`: its folder part exactly as given, then the temporary
// name for `final_name`.
std::u16string temporary_sibling_path(std::u16string_view destination, std::string_view final_name,
                                      std::uint32_t process_id, unsigned attempt);

// Network redirectors refuse single writes of many megabytes (ERROR_NO_SYSTEM_RESOURCES), so one
// request never asks for more than this.
inline constexpr std::size_t MAX_WRITE_REQUEST = 16 * 1024 * 1024;

// What one WriteFile call did: the bytes it wrote, or the Win32 error it failed with.
struct WriteCall {
    std::size_t written = 0;
    std::uint32_t error = 0;  // 0: the call succeeded
};
using ChunkWriter = std::function<WriteCall(const std::uint8_t* data, std::size_t count)>;

// Why writing stopped: the failing call's Win32 error, or 0 when a call wrote nothing.
struct WriteFailure {
    std::uint32_t win32_code = 0;
};

// Hands the whole buffer to `write` in requests of at most MAX_WRITE_REQUEST bytes until none
// remain; an interrupted call is repeated.
std::optional<WriteFailure> write_whole_buffer(ByteView data, const ChunkWriter& write);

// {error}: file_error_display of the failed call, or WRITE_ZERO_BYTES.
std::string temp_create_failed_message(std::string_view error);
std::string temp_write_failed_message(std::string_view error);
// {error}: api_error_display of the failed rename.
std::string publish_failed_message(std::string_view error);

}  // namespace cw
