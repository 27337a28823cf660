#pragma once
// Read-only questions about paths that clipboard data names (referenced temporary files, dropped
// paths). The Win32 shell implements FileProbe; tests use a fake. Paths come from other processes
// and are untrusted: only ordinary files on a disk are ever opened for their bytes, because a
// pipe, console or other device named by a path can block a read forever or react to being opened.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cw {

enum class PathKind {
    DiskFile,  // an ordinary file on a disk: not a directory, and its handle is FILE_TYPE_DISK
    Directory,
    NameSurrogate,  // a reparse point whose tag has bit 0x20000000 (symbolic link, junction); wins over Directory
    OtherObject,    // anything else: pipes, mailslots, consoles, character devices, volumes
};

struct PathMetadata {
    bool available = false;  // false when the query failed; error_text and error_code say why
    PathKind kind = PathKind::OtherObject;
    std::uint64_t size = 0;        // DiskFile only
    std::string error_text;        // the system's message for error_code (trailing line breaks allowed)
    std::uint32_t error_code = 0;  // the Win32 error code of the failed query
};

class FileProbe {
public:
    // follow_links: describe what a final link or junction points to, rather than the link itself.
    virtual PathMetadata metadata(std::string_view path, bool follow_links) const = 0;
    // One read of at most n bytes from the start of the file, opened read-only and shared for
    // reading, writing and deleting, then closed. None when the open or the read fails, or when
    // the opened handle is not FILE_TYPE_DISK (the path may have changed since metadata).
    virtual std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view path, std::size_t n) const = 0;
    // The FILE_ATTRIBUTE_* bits of the item itself (a final link is not followed); none when they
    // cannot be read or the probe does not know them.
    virtual std::optional<std::uint32_t> attributes(std::string_view path) const
    {
        (void)path;
        return std::nullopt;
    }

protected:
    ~FileProbe() = default;
};

// What a folder listing says of an entry (FindFirstFileExW), for an item that cannot be opened
// because another program holds it without sharing, or access is denied.
struct DirectoryEntryFacts {
    std::uint32_t attributes = 0;   // FILE_ATTRIBUTE_*
    std::uint32_t reparse_tag = 0;  // meaningful only with FILE_ATTRIBUTE_REPARSE_POINT
    std::uint64_t size = 0;
};
PathMetadata metadata_from_directory_entry(const DirectoryEntryFacts& entry);

// Whether a failed open of the item itself may be answered from its folder listing instead:
// sharing violations and access denied, and only for a path without wildcards, which a listing
// would match against other names.
bool may_read_directory_entry(std::string_view path, std::uint32_t open_error);

// True for a path that names a device rather than a file on a disk: the \\.\ and \??\ device
// namespaces, \\?\ paths other than a drive, UNC or volume path (\\?\GLOBALROOT, \\?\pipe, ...),
// pipes and mailslots on a server, and the reserved DOS device names (NUL, CON, COM1, ...).
bool is_device_path(std::string_view path);

// The probe's metadata, except that a device path is reported as an OtherObject without being
// touched at all.
PathMetadata probe_metadata(const FileProbe& probe, std::string_view path, bool follow_links);

// At most n leading bytes of an ordinary disk file; none for a device path, and never more than
// n bytes whatever the probe returns.
std::optional<std::vector<std::uint8_t>> probe_prefix(const FileProbe& probe, std::string_view path, std::size_t n);

}  // namespace cw
