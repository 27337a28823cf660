#pragma once
// The rules for the name a file is saved under: what Windows refuses, which extension wins, and
// a numbered name when the name is taken.

#include <functional>
#include <string>
#include <string_view>

#include "base/error.h"

namespace cw {

inline constexpr std::string_view FILE_NAME_UNUSABLE = "The filename contains characters Windows cannot use.";
inline constexpr std::string_view FILE_NAME_EMPTY = "Enter a filename.";

// Trims the typed name (UTF-8) and checks it; returns the trimmed name or the message to show.
Result<std::string> validate_file_name(std::string_view typed);

// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, judged on the part before the first ".".
bool is_reserved_device_name(std::string_view name);

struct FileNameParts {
    std::string base;
    std::string extension;  // without the dot
};

// A typed extension always wins; a name whose only "." is its first character has none, and
// then `default_extension` is used.
FileNameParts split_file_name(std::string_view name, std::string_view default_extension);

// Asks whether the file system returns metadata for a path (normally: whether it exists).
using PathExists = std::function<bool(const std::string& path)>;

// `folder` and `name` joined with a backslash unless the folder already ends in a separator.
std::string join_path(std::string_view folder, std::string_view name);

// "{base}.{extension}" in the folder, else the first free "{base}_{n}.{extension}", n = 1, 2, ...
std::string first_free_path(std::string_view folder, const FileNameParts& parts, const PathExists& exists);

// The whole file-name step of a save: validation, extension and a free name.
Result<std::string> choose_save_path(std::string_view typed, std::string_view default_extension,
                                     std::string_view folder, const PathExists& exists);

}  // namespace cw
