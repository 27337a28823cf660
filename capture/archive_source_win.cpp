#include "capture/archive_source_win.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "capture/clipboard_archive_win.h"

namespace cw {

namespace {

thread_local ArchiveSource* installed = nullptr;

}  // namespace

ArchiveSource::ArchiveSource(ClipboardArchive archive) : archive_(std::move(archive)) {}

ArchiveSource::~ArchiveSource()
{
    for (const auto& entry : handles_) free_clipboard_handle(entry.second.first, entry.second.second);
}

const ArchivedFormat* ArchiveSource::find(std::uint32_t id) const
{
    const auto it = std::find_if(archive_.formats.begin(), archive_.formats.end(),
                                 [id](const ArchivedFormat& f) { return f.id == id; });
    return it == archive_.formats.end() ? nullptr : &*it;
}

std::string archived_format_unavailable_message(const ArchivedFormat& format)
{
    switch (format.content) {
        case ArchiveContent::synthesised:
            return format.name + " was made by Windows from another format and is not stored in the archive.";
        case ArchiveContent::failed:
            return format.name + " could not be read when the archive was made: " + format.error.value_or("");
        case ArchiveContent::items:
            return format.name + " is stored one item at a time.";
        case ArchiveContent::stored:
            break;
    }
    return format.name + " is stored in the archive.";
}

const ArchivedFormat* ArchiveSource::stored(std::uint32_t id) const
{
    const ArchivedFormat* format = find(id);
    return format && format->content == ArchiveContent::stored ? format : nullptr;
}

// What Windows would make of the stored format a synthesised one was made from, as it makes it:
// text through the code pages of this machine, a bitmap from the DIB and a DIB from the bitmap.
std::optional<ArchivedFormat> ArchiveSource::synthesise(const ArchivedFormat& format) const
{
    ArchivedFormat made = format;
    made.content = ArchiveContent::stored;
    made.encoding = ArchiveEncoding::global;
    auto text_from_unicode = [&](UINT code_page) -> bool {
        const ArchivedFormat* unicode = stored(CF_UNICODETEXT);
        if (!unicode) return false;
        std::wstring wide(unicode->bytes.size() / 2, L'\0');
        std::memcpy(wide.data(), unicode->bytes.data(), wide.size() * 2);
        wide.resize(wcsnlen(wide.c_str(), wide.size()));
        const int n = WideCharToMultiByte(code_page, 0, wide.c_str(), static_cast<int>(wide.size()) + 1, nullptr, 0,
                                          nullptr, nullptr);
        made.bytes.resize(static_cast<std::size_t>(std::max(n, 0)));
        return n > 0 && WideCharToMultiByte(code_page, 0, wide.c_str(), static_cast<int>(wide.size()) + 1,
                                            reinterpret_cast<char*>(made.bytes.data()), n, nullptr, nullptr) == n;
    };
    switch (format.id) {
        case CF_TEXT:
            if (text_from_unicode(CP_ACP)) return made;
            break;
        case CF_OEMTEXT:
            if (text_from_unicode(CP_OEMCP)) return made;
            break;
        case CF_DIB:
            if (const ArchivedFormat* bitmap = stored(CF_BITMAP)) {
                made.bytes = bitmap->bytes;
                return made;
            }
            break;
        case CF_BITMAP:
            for (const std::uint32_t dib : {CF_DIB, CF_DIBV5})
                if (const ArchivedFormat* source = stored(dib)) {
                    made.bytes = source->bytes;
                    made.encoding = ArchiveEncoding::dib;
                    return made;
                }
            break;
        default:
            break;
    }
    return std::nullopt;
}

Result<HANDLE> ArchiveSource::handle(std::uint32_t id)
{
    if (const auto it = handles_.find(id); it != handles_.end()) return it->second.first;
    const ArchivedFormat* format = find(id);
    if (!format || !format->listed_by_win32) return Error::from_win32(ERROR_NOT_FOUND);
    std::optional<ArchivedFormat> synthesised;
    if (format->content == ArchiveContent::synthesised) synthesised = synthesise(*format);
    if (synthesised) format = &*synthesised;
    if (format->content != ArchiveContent::stored)
        return Error::invalid_data(archived_format_unavailable_message(*format));
    auto made = make_clipboard_handle(*format);
    if (!made) return made.error();
    handles_.emplace(id, std::pair{*made, format->encoding});
    return *made;
}

Result<StreamRead> ArchiveSource::stream(std::uint32_t id, std::int32_t lindex) const
{
    const ArchivedFormat* format = find(id);
    if (!format) return Error{static_cast<std::int32_t>(DV_E_FORMATETC), std::nullopt};
    const std::vector<std::uint8_t>* bytes = nullptr;
    if (format->content == ArchiveContent::stored) bytes = &format->bytes;
    for (const ArchivedItem& item : format->items)
        if (item.lindex == lindex) {
            if (!item.bytes)
                return Error::invalid_data(format->name + " item " + std::to_string(lindex) +
                                           " could not be read when the archive was made: " + item.error.value_or(""));
            bytes = &*item.bytes;
        }
    if (!bytes) return Error::invalid_data(archived_format_unavailable_message(*format));
    StreamRead read;
    read.complete = bytes->size() <= OLE_STREAM_LIMIT;
    read.bytes.assign(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(
                                                           std::min<std::size_t>(bytes->size(), OLE_STREAM_LIMIT)));
    return read;
}

ArchiveSourceScope::ArchiveSourceScope(ArchiveSource& source) : previous_(installed)
{
    installed = &source;
}

ArchiveSourceScope::~ArchiveSourceScope()
{
    installed = previous_;
}

ArchiveSource* installed_archive_source()
{
    return installed;
}

std::uint32_t clipboard_sequence_number()
{
    if (installed) return installed->archive().sequence_number;
    return GetClipboardSequenceNumber();
}

Result<ClipboardArchive> load_clipboard_archive(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return last_error_or_failure();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return last_error_or_failure();
    // The members' own caps bound what is kept; the file may hold a little more than they do.
    if (static_cast<std::uint64_t>(size.QuadPart) > ARCHIVE_TOTAL_LIMIT + ARCHIVE_MANIFEST_LIMIT + (16u << 20))
        return Error::invalid_data("The archive is " + std::to_string(size.QuadPart) +
                                   " bytes, larger than any archive this program writes.");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 16u << 20));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) return last_error_or_failure();
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return read_clipboard_archive(bytes);
}

}  // namespace cw
