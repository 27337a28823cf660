#include "inspect/file_probe_win.h"

#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "inspect/link_target.h"

#include <winioctl.h>  // after <windows.h>, which it needs

namespace cw {

namespace {

PathMetadata failure(DWORD code)
{
    PathMetadata m;
    m.available = false;
    m.error_code = code;
    m.error_text = system_message(code);
    return m;
}

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD NAME_SURROGATE = 0x20000000U;
// Windows itself gives up after 63 links; a chain of clipboard-named links needs far fewer.
constexpr int MAX_LINK_HOPS = 8;

// An attribute-only open of the path itself: for a link, the link and never what it leads to, so
// no pipe gets a client and no device is touched.
UniqueFile open_itself(const std::wstring& path)
{
    return UniqueFile(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// True when the handle opened by open_itself is a symbolic link, junction or other name surrogate.
// A file system that followed the link anyway (Wine's) is caught by the path's own attributes
// disagreeing with the handle's; such a link cannot be judged and counts as one.
bool is_name_surrogate(HANDLE file, const std::wstring& path)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag)) {
        if (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return (tag.ReparseTag & NAME_SURROGATE) != 0;
    } else {
        // A reparse point whose tag cannot be read cannot be judged either.
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileInformationByHandle(file, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
    }
    const DWORD own = GetFileAttributesW(path.c_str());
    return own != INVALID_FILE_ATTRIBUTES && (own & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::optional<std::string> next_hop(HANDLE link, std::string_view link_path)
{
    std::vector<std::uint8_t> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD got = 0;
    if (!DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()), &got,
                         nullptr))
        return std::nullopt;
    const auto target = parse_link_target(ByteView(data.data(), got));
    if (!target) return std::nullopt;
    return followable_link_target(link_path, *target);
}

// Whether opening `path` following links can only reach a file-system object: every link at the
// end of the chain is read and its target put through the device-path guard before anything is
// opened through it. A target that cannot be read fails the check.
bool links_stay_on_file_systems(std::string path)
{
    for (int hop = 0; hop <= MAX_LINK_HOPS; ++hop) {
        const std::wstring wide = to_wide(path);
        UniqueFile file = open_itself(wide);
        if (!file) return true;  // nothing there to follow; the caller's own open reports why
        if (!is_name_surrogate(file.get(), wide)) return true;
        const auto next = next_hop(file.get(), path);
        if (!next) return false;
        path = *next;
    }
    return false;
}

PathMetadata describe(HANDLE file)
{
    // Pipes, FIFOs and devices first: some refuse the file-information query altogether.
    if (GetFileType(file) != FILE_TYPE_DISK) return PathMetadata{true, PathKind::OtherObject, 0, {}, 0};
    // Not GetFileInformationByHandle: it also asks for the volume's serial number, which costs
    // milliseconds per file under Wine, and a copy of a big folder names thousands of files.
    FILE_STANDARD_INFO info{};
    if (!GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info)) return failure(GetLastError());
    PathMetadata m;
    m.available = true;
    if (info.Directory) {
        m.kind = PathKind::Directory;
    } else {
        m.kind = PathKind::DiskFile;
        m.size = static_cast<std::uint64_t>(info.EndOfFile.QuadPart);
    }
    return m;
}

// An item held open without sharing, or one whose own security refuses us, is still listed by
// its folder; the listing opens nothing.
PathMetadata describe_from_listing(std::string_view path, const std::wstring& wide, DWORD open_error)
{
    if (!may_read_directory_entry(path, open_error)) return failure(open_error);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(wide.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return failure(open_error);
    FindClose(search);
    const std::uint64_t size = (std::uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return metadata_from_directory_entry({found.dwFileAttributes, found.dwReserved0, size});
}

}  // namespace

PathMetadata Win32FileProbe::metadata(std::string_view path, bool follow_links) const
{
    const std::wstring wide = to_wide(path);
    UniqueFile itself = open_itself(wide);
    if (!itself) return describe_from_listing(path, wide, GetLastError());
    if (!is_name_surrogate(itself.get(), wide)) return describe(itself.get());
    if (!follow_links || !links_stay_on_file_systems(std::string(path)))
        return PathMetadata{true, PathKind::NameSurrogate, 0, {}, 0};
    UniqueFile target(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!target) return failure(GetLastError());
    return describe(target.get());
}

std::optional<std::vector<std::uint8_t>> Win32FileProbe::read_prefix(std::string_view path, std::size_t n) const
{
    if (!links_stay_on_file_systems(std::string(path))) return std::nullopt;
    const std::wstring wide = to_wide(path);
    UniqueFile file(CreateFileW(wide.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file) return std::nullopt;
    // The path may have been swapped for a device since the metadata was read.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    std::vector<std::uint8_t> bytes(n);
    DWORD read = 0;
    if (n && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(n), &read, nullptr)) return std::nullopt;
    bytes.resize(read);
    return bytes;
}

std::optional<std::uint32_t> Win32FileProbe::attributes(std::string_view path) const
{
    // GetFileAttributesW reports a link's own attributes and opens nothing, so it cannot start
    // the download of an online-only file.
    const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

std::u16string system_locale_name(std::uint32_t lcid)
{
    wchar_t buffer[LOCALE_NAME_MAX_LENGTH] = {};
    const int n = LCIDToLocaleName(lcid, buffer, LOCALE_NAME_MAX_LENGTH, 0);
    if (n < 2) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(n - 1));
}

}  // namespace cw
