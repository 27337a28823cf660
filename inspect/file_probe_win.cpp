#include "inspect/file_probe_win.h"

#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"

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

}  // namespace

PathMetadata Win32FileProbe::metadata(std::string_view path, bool follow_links) const
{
    const std::wstring wide = to_wide(path);
    // Attribute-only open: no data access, and for a link either the link or its target.
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (!follow_links) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    UniqueFile file(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!file) return failure(GetLastError());
    PathMetadata m;
    m.available = true;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) return failure(GetLastError());
    if (!follow_links && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
            (tag.ReparseTag & 0x20000000U)) {
            m.kind = PathKind::NameSurrogate;
            return m;
        }
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        m.kind = PathKind::Directory;
    } else if (GetFileType(file.get()) == FILE_TYPE_DISK) {
        m.kind = PathKind::DiskFile;
        m.size = (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    } else {
        m.kind = PathKind::OtherObject;
    }
    return m;
}

std::optional<std::vector<std::uint8_t>> Win32FileProbe::read_prefix(std::string_view path, std::size_t n) const
{
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
