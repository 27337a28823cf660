#pragma once
// The portable half of publishing a saved file: the temporary sibling's name, the split of the
// destination, and the messages. The file calls themselves are Win32.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/error.h"

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

// {error}: file_error_display of the failed call.
std::string temp_create_failed_message(std::string_view error);
std::string temp_write_failed_message(std::string_view error);
// {error}: api_error_display of the failed rename.
std::string publish_failed_message(std::string_view error);

}  // namespace cw
