#include "app/command_line.h"

#include <utility>

namespace cw {

LaunchMode parse_launch_mode(Arguments arguments)
{
    LaunchMode mode = LaunchMode::normal;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == u"--install-explorer") mode = LaunchMode::install_explorer;
        if (arguments[i] == u"--uninstall-explorer") mode = LaunchMode::uninstall_explorer;
    }
    return mode;
}

bool is_quiet(Arguments arguments)
{
    for (std::size_t i = 1; i < arguments.size(); ++i)
        if (arguments[i] == u"--quiet") return true;
    return false;
}

namespace {

// The Explorer verb passes --target "%V". For a drive root that is "C:\", and the standard
// argument rules read the closing \" as an escaped quote, so the program receives C:". A Windows
// path never contains '"', so a trailing one can only be that backslash.
std::u16string restore_escaped_backslash(std::u16string folder)
{
    if (!folder.empty() && folder.back() == u'"') folder.back() = u'\\';
    return folder;
}

}  // namespace

std::u16string parse_target_folder(Arguments arguments, const CurrentDirectory& current_directory)
{
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& argument = arguments[i];
        if (argument == u"--target") {
            if (i + 1 < arguments.size()) return restore_escaped_backslash(arguments[i + 1]);
            break;
        }
        if (argument == u"--open") {
            ++i;
            continue;
        }
        // A lone surrogate would decode to U+FFFD, never '-', so the first unit decides.
        if (argument.empty() || argument.front() != u'-') return restore_escaped_backslash(argument);
    }
    if (current_directory) {
        if (std::optional<std::u16string> directory = current_directory()) return std::move(*directory);
    }
    return u".";
}

std::optional<std::u16string> parse_open_archive(Arguments arguments)
{
    for (std::size_t i = 1; i + 1 < arguments.size(); ++i)
        if (arguments[i] == u"--open") return arguments[i + 1];
    return std::nullopt;
}

}  // namespace cw
