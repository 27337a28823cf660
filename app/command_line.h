#pragma once
// What this start of the program is for, and the destination folder, from the arguments as
// CommandLineToArgvW returns them (element 0 is the program path and is never looked at).

#include <functional>
#include <optional>
#include <span>
#include <string>

namespace cw {

enum class LaunchMode { normal, install_explorer, uninstall_explorer };

using Arguments = std::span<const std::u16string>;

// The last of "--install-explorer" / "--uninstall-explorer" wins, wherever it stands.
LaunchMode parse_launch_mode(Arguments arguments);

// "--quiet" anywhere; only the Explorer modes read it.
bool is_quiet(Arguments arguments);

// Returns the current directory, or nothing when it cannot be read.
using CurrentDirectory = std::function<std::optional<std::u16string>()>;

// The destination folder, unconverted: the argument after "--target", or the first argument not
// beginning with "-" (the archive after "--open" is never taken for it); else the current
// directory, else ".". Not validated here (saving does).
std::u16string parse_target_folder(Arguments arguments, const CurrentDirectory& current_directory);

// The archive to show instead of the live clipboard: the argument after "--open", verbatim.
std::optional<std::u16string> parse_open_archive(Arguments arguments);

}  // namespace cw
