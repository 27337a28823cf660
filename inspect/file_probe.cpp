#include "inspect/file_probe.h"

#include <array>

#include "base/text.h"

namespace cw {

namespace {

// Win32 path parsing takes both slashes as separators.
bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

bool starts_with_name(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && names_equal(text.substr(0, prefix.size()), prefix);
}

bool is_ascii_letter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// `rest` follows the two leading separators of a UNC path: "server\share\...".
bool is_server_device(std::string_view rest)
{
    std::size_t start = 0;
    while (start < rest.size() && !is_separator(rest[start])) ++start;
    if (start == rest.size()) return false;
    std::size_t end = ++start;
    while (end < rest.size() && !is_separator(rest[end])) ++end;
    const std::string_view share = rest.substr(start, end - start);
    return names_equal(share, "pipe") || names_equal(share, "mailslot");
}

// `rest` follows "\\?\" or "\??\": only a drive path, a UNC path or a volume path reaches a file
// system; everything else (GLOBALROOT, pipe, CONIN$, a bare volume "C:") is an object-manager name.
bool is_verbatim_file_path(std::string_view rest)
{
    if (rest.size() >= 3 && is_ascii_letter(rest[0]) && rest[1] == ':' && is_separator(rest[2])) return true;
    if (rest.size() > 3 && starts_with_name(rest, "UNC") && is_separator(rest[3]))
        return !is_server_device(rest.substr(4));
    if (starts_with_name(rest, "Volume{")) {
        const std::size_t close = rest.find('}');
        return close != std::string_view::npos && close + 1 < rest.size() && is_separator(rest[close + 1]);
    }
    return false;
}

// Names that Win32 maps to a device in the last component of an ordinary path, whatever the
// folder and extension ("C:\temp\nul.txt" is the NUL device).
bool is_reserved_dos_name(std::string_view path)
{
    std::size_t start = path.size();
    while (start > 0 && !is_separator(path[start - 1])) --start;
    std::string_view name = path.substr(start);
    if (start == 0 && name.size() >= 2 && is_ascii_letter(name[0]) && name[1] == ':') name.remove_prefix(2);
    name = name.substr(0, name.find_first_of(".:"));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);

    static constexpr std::array<std::string_view, 6> fixed{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view reserved : fixed)
        if (names_equal(name, reserved)) return true;
    if (!starts_with_name(name, "COM") && !starts_with_name(name, "LPT")) return false;
    const std::string_view digit = name.substr(3);
    if (digit.size() == 1) return digit[0] >= '0' && digit[0] <= '9';
    return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";  // superscript 1, 2, 3
}

}  // namespace

bool is_device_path(std::string_view path)
{
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        const std::string_view rest = path.substr(2);
        if (!rest.empty() && (rest[0] == '.' || rest[0] == '?') && (rest.size() == 1 || is_separator(rest[1]))) {
            // \\.\ always addresses the device namespace, even where a drive follows.
            return rest[0] == '.' || !is_verbatim_file_path(rest.substr(rest.size() == 1 ? 1 : 2));
        }
        return is_server_device(rest) || is_reserved_dos_name(path);
    }
    if (path.size() >= 4 && is_separator(path[0]) && path[1] == '?' && path[2] == '?' && is_separator(path[3]))
        return !is_verbatim_file_path(path.substr(4));
    return is_reserved_dos_name(path);
}

PathMetadata metadata_from_directory_entry(const DirectoryEntryFacts& entry)
{
    constexpr std::uint32_t DIRECTORY = 0x10;
    constexpr std::uint32_t REPARSE_POINT = 0x400;
    constexpr std::uint32_t NAME_SURROGATE = 0x20000000U;
    PathMetadata m;
    m.available = true;
    if ((entry.attributes & REPARSE_POINT) && (entry.reparse_tag & NAME_SURROGATE))
        m.kind = PathKind::NameSurrogate;
    else if (entry.attributes & DIRECTORY)
        m.kind = PathKind::Directory;
    else {
        m.kind = PathKind::DiskFile;
        m.size = entry.size;
    }
    return m;
}

bool may_read_directory_entry(std::string_view path, std::uint32_t open_error)
{
    constexpr std::uint32_t ACCESS_DENIED = 5;
    constexpr std::uint32_t SHARING_VIOLATION = 32;
    if (open_error != ACCESS_DENIED && open_error != SHARING_VIOLATION) return false;
    return path.find_first_of("*?<>\"") == std::string_view::npos;
}

PathMetadata probe_metadata(const FileProbe& probe, std::string_view path, bool follow_links)
{
    if (is_device_path(path)) return PathMetadata{true, PathKind::OtherObject, 0, {}, 0};
    return probe.metadata(path, follow_links);
}

std::optional<std::vector<std::uint8_t>> probe_prefix(const FileProbe& probe, std::string_view path, std::size_t n)
{
    if (is_device_path(path)) return std::nullopt;
    auto bytes = probe.read_prefix(path, n);
    if (bytes && bytes->size() > n) bytes->resize(n);
    return bytes;
}

}  // namespace cw
