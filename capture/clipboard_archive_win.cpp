#include "capture/clipboard_archive_win.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text.h"
#include "capture/format_identity.h"
#include "capture/format_identity_win.h"
#include "capture/retrieval_win.h"

namespace cw {

namespace {

constexpr unsigned MAX_CATALOGUE_ELEMENTS = 1u << 20;
constexpr std::size_t METAFILE_HEADER_SIZE = 12;

void mark_failed(ArchivedFormat& format, std::string error)
{
    format.content = ArchiveContent::failed;
    format.bytes.clear();
    format.error = std::move(error);
}

void mark_stored(ArchivedFormat& format, std::vector<std::uint8_t> bytes, ArchiveEncoding encoding)
{
    format.content = ArchiveContent::stored;
    format.encoding = encoding;
    format.bytes = std::move(bytes);
}

void put_le(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int width)
{
    for (int i = 0; i < width; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// ---- GDI objects into their portable forms ----

Result<std::vector<std::uint8_t>> dib_of_bitmap(HBITMAP bitmap)
{
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof info, &info)) return last_error_or_failure();
    const int depth = info.bmBitsPixel * info.bmPlanes;
    const WORD bits = depth <= 1 ? 1 : depth <= 4 ? 4 : depth <= 8 ? 8 : depth <= 24 ? 24 : 32;
    const std::uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const std::uint64_t stride = (static_cast<std::uint64_t>(info.bmWidth) * bits + 31) / 32 * 4;
    const std::uint64_t height = static_cast<std::uint64_t>(std::abs(info.bmHeight));
    const std::uint64_t header = sizeof(BITMAPINFOHEADER) + 4ull * colours;
    if (stride * height > LARGE_PAYLOAD_LIMIT - header)
        return Error::invalid_data(archive_too_large_message(header + stride * height));
    std::vector<std::uint8_t> dib(static_cast<std::size_t>(header + stride * height));
    auto* bi = reinterpret_cast<BITMAPINFO*>(dib.data());
    bi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi->bmiHeader.biWidth = info.bmWidth;
    bi->bmiHeader.biHeight = static_cast<LONG>(height);
    bi->bmiHeader.biPlanes = 1;
    bi->bmiHeader.biBitCount = bits;
    bi->bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), dib.data() + header, bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines == 0 && height != 0) return last_error_or_failure();
    bi->bmiHeader.biClrUsed = colours;  // the table is always whole
    return dib;
}

Result<std::vector<std::uint8_t>> bits_of_enhanced_metafile(HENHMETAFILE metafile)
{
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    if (size == 0) return last_error_or_failure();
    if (size > LARGE_PAYLOAD_LIMIT) return Error::invalid_data(archive_too_large_message(size));
    std::vector<std::uint8_t> bits(size);
    if (GetEnhMetaFileBits(metafile, size, bits.data()) != size) return last_error_or_failure();
    return bits;
}

Result<std::vector<std::uint8_t>> bits_of_metafile_picture(HANDLE handle)
{
    GlobalLockGuard lock(handle);
    if (!lock || GlobalSize(handle) < sizeof(METAFILEPICT)) return last_error_or_failure();
    METAFILEPICT picture;
    std::memcpy(&picture, lock.data(), sizeof picture);
    const UINT size = GetMetaFileBitsEx(picture.hMF, 0, nullptr);
    if (size == 0) return last_error_or_failure();
    if (size > LARGE_PAYLOAD_LIMIT) return Error::invalid_data(archive_too_large_message(size));
    std::vector<std::uint8_t> out(METAFILE_HEADER_SIZE + size);
    put_le(out, 0, static_cast<std::uint32_t>(picture.mm), 4);
    put_le(out, 4, static_cast<std::uint32_t>(picture.xExt), 4);
    put_le(out, 8, static_cast<std::uint32_t>(picture.yExt), 4);
    if (GetMetaFileBitsEx(picture.hMF, size, out.data() + METAFILE_HEADER_SIZE) != size) return last_error_or_failure();
    return out;
}

Result<std::vector<std::uint8_t>> entries_of_palette(HPALETTE palette)
{
    const UINT count = GetPaletteEntries(palette, 0, 0, nullptr);
    if (count == 0 || count > 0xFFFF) return last_error_or_failure();
    std::vector<std::uint8_t> out(4 + 4 * count);
    put_le(out, 0, 0x300, 2);
    put_le(out, 2, count, 2);
    if (GetPaletteEntries(palette, 0, count, reinterpret_cast<PALETTEENTRY*>(out.data() + 4)) != count)
        return last_error_or_failure();
    return out;
}

// One flat format, with the clipboard open.
void read_flat_format(ArchivedFormat& format)
{
    HANDLE handle = GetClipboardData(format.id);
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return mark_failed(format, representation_unavailable_message(error_display(last_error_or_failure())));
    auto keep = [&](Result<std::vector<std::uint8_t>> bytes, ArchiveEncoding encoding) {
        if (bytes)
            mark_stored(format, std::move(*bytes), encoding);
        else
            mark_failed(format, representation_unreadable_message(error_display(bytes.error())));
    };
    switch (format.id) {
        case CF_BITMAP:
        case CF_DSPBITMAP:
            return keep(dib_of_bitmap(static_cast<HBITMAP>(handle)), ArchiveEncoding::dib);
        case CF_ENHMETAFILE:
        case CF_DSPENHMETAFILE:
            return keep(bits_of_enhanced_metafile(static_cast<HENHMETAFILE>(handle)),
                        ArchiveEncoding::enhanced_metafile);
        case CF_METAFILEPICT:
        case CF_DSPMETAFILEPICT:
            return keep(bits_of_metafile_picture(handle), ArchiveEncoding::metafile_picture);
        case CF_PALETTE:
            return keep(entries_of_palette(static_cast<HPALETTE>(handle)), ArchiveEncoding::palette);
        default:
            break;
    }
    if (format.id >= CF_GDIOBJFIRST && format.id <= CF_GDIOBJLAST)
        return mark_failed(format, std::string(GDI_OBJECT_NOT_PORTABLE));
    Result<GlobalCopy> copy = copy_global_memory(handle, LARGE_PAYLOAD_LIMIT);
    if (!copy) return mark_failed(format, representation_unreadable_message(error_display(copy.error())));
    if (!copy->complete()) return mark_failed(format, archive_too_large_message(copy->total_size));
    mark_stored(format, std::move(copy->bytes), ArchiveEncoding::global);
}

ArchivedFormat new_format(std::uint32_t id, bool listed)
{
    ArchivedFormat format;
    format.id = id;
    format.name = format_name(id);
    format.registered = format_class(id) == "registered";
    format.listed_by_win32 = listed;
    return format;
}

// The flat list, read in one session so the archive is one consistent picture.
Status read_flat_list(HWND window, ClipboardArchive& archive)
{
    ClipboardSession clipboard;
    if (!clipboard.open(window)) return last_error_or_failure();
    archive.sequence_number = GetClipboardSequenceNumber();
    archive.owner_window = reinterpret_cast<std::uintptr_t>(GetClipboardOwner());
    std::vector<std::uint32_t> ids;
    for (UINT id = 0;;) {
        SetLastError(0);
        id = EnumClipboardFormats(id);
        if (id == 0) break;
        ids.push_back(id);
    }
    archive.enum_end_code = GetLastError();
    const std::vector<bool> synthesised = synthesised_formats(ids);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ArchivedFormat format = new_format(ids[i], true);
        if (synthesised[i] || is_ole_bookkeeping_format(format.name))
            format.content = ArchiveContent::synthesised;
        else
            read_flat_format(format);
        archive.formats.push_back(std::move(format));
    }
    return ok_status();
}

std::optional<std::vector<std::uint8_t>> target_device_bytes(const DVTARGETDEVICE* device)
{
    if (!device) return std::nullopt;
    const std::size_t size =
        std::clamp<std::size_t>(device->tdSize, sizeof(DVTARGETDEVICE), ARCHIVE_TARGET_DEVICE_LIMIT);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(device);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

bool same_offer(const ArchivedOffer& a, const ArchivedOffer& b)
{
    return a.tymed == b.tymed && a.aspect == b.aspect && a.lindex == b.lindex && a.target_device == b.target_device;
}

Status read_catalogue(IDataObject* data, ClipboardArchive& archive)
{
    ComPtr<IEnumFORMATETC> formats;
    const HRESULT hr = data->EnumFormatEtc(DATADIR_GET, formats.put());
    if (FAILED(hr)) return Error{hr, std::nullopt};
    if (!formats) return Error{};
    for (unsigned i = 0; i < MAX_CATALOGUE_ELEMENTS; ++i) {
        FORMATETC element{};
        ULONG fetched = 0;
        const HRESULT next = formats->Next(1, &element, &fetched);
        if (fetched == 0) return FAILED(next) ? Status(Error{next, std::nullopt}) : ok_status();
        ArchivedOffer offer;
        offer.tymed = element.tymed;
        offer.aspect = element.dwAspect;
        offer.lindex = element.lindex;
        if (element.ptd) {
            offer.target_device = target_device_bytes(element.ptd);
            CoTaskMemFree(element.ptd);
        }
        auto found = std::find_if(archive.formats.begin(), archive.formats.end(),
                                  [&](const ArchivedFormat& f) { return f.id == element.cfFormat; });
        if (found == archive.formats.end()) {
            archive.formats.push_back(new_format(element.cfFormat, false));
            found = archive.formats.end() - 1;
        }
        if (std::none_of(found->offers.begin(), found->offers.end(),
                         [&](const ArchivedOffer& o) { return same_offer(o, offer); }))
            found->offers.push_back(std::move(offer));
        if (FAILED(next)) return Error{next, std::nullopt};
    }
    return Error::invalid_data("The OLE format enumerator did not end.");
}

struct MediumGuard {
    STGMEDIUM medium{};
    bool held = false;
    ~MediumGuard()
    {
        if (held) ReleaseStgMedium(&medium);
    }
};

// GetData with a stream or a global block, read as the program reads either: streams up to
// their cap, blocks up to the large-payload limit.
Result<std::vector<std::uint8_t>> read_offered(IDataObject* data, std::uint32_t id, std::uint32_t aspect,
                                               std::int32_t lindex, DWORD tymed)
{
    FORMATETC format{static_cast<CLIPFORMAT>(id), nullptr, aspect, lindex, tymed};
    MediumGuard guard;
    const HRESULT hr = data->GetData(&format, &guard.medium);
    if (FAILED(hr)) return Error{hr, std::nullopt};
    guard.held = true;
    if (guard.medium.tymed == TYMED_HGLOBAL) {
        Result<GlobalCopy> copy = copy_global_memory(guard.medium.hGlobal, LARGE_PAYLOAD_LIMIT);
        if (!copy) return copy.error();
        if (!copy->complete()) return Error::invalid_data(archive_too_large_message(copy->total_size));
        return std::move(copy->bytes);
    }
    auto read = read_stream_medium(guard.medium);
    if (!read) return read.error();
    if (!read->complete) return Error::invalid_data(std::string(STREAM_TOO_LARGE_TO_STORE));
    return std::move(read->bytes);
}

FormatEntry entry_of(const ArchivedFormat& format)
{
    FormatEntry entry;
    entry.id = format.id;
    entry.name = format.name;
    entry.listed_by_win32 = format.listed_by_win32;
    for (const ArchivedOffer& offer : format.offers)
        entry.offers.push_back({offer.tymed, offer.aspect, offer.lindex, offer.target_device.has_value()});
    return entry;
}

std::uint32_t listed_item_count(const ClipboardArchive& archive)
{
    for (const char* name : {"FileGroupDescriptorW", "FileGroupDescriptor"})
        for (const ArchivedFormat& format : archive.formats)
            if (format.content == ArchiveContent::stored && names_equal(format.name, name))
                if (auto count = descriptor_item_count(format.bytes)) return *count;
    return 0;
}

void read_file_contents(IDataObject* data, ArchivedFormat& format, std::uint32_t items)
{
    format.content = ArchiveContent::items;
    format.bytes.clear();
    for (std::uint32_t i = 0; i < items; ++i) {
        auto bytes = read_offered(data, format.id, DVASPECT_CONTENT, static_cast<std::int32_t>(i),
                                  TYMED_ISTREAM | TYMED_HGLOBAL);
        if (bytes)
            format.items.push_back({static_cast<std::int32_t>(i), std::move(*bytes), std::nullopt});
        else
            format.items.push_back({static_cast<std::int32_t>(i), std::nullopt, error_display(bytes.error())});
    }
}

// Formats only the OLE catalogue advertises, read by the same transport rule as everywhere else.
void read_ole_only_format(IDataObject* data, ArchivedFormat& format)
{
    const FormatEntry entry = entry_of(format);
    Result<std::vector<std::uint8_t>> bytes = Error::invalid_data(std::string(NO_STORABLE_MEDIUM));
    if (const auto offer = find_stream_offer(entry)) {
        bytes = read_offered(data, format.id, offer->aspect, offer->lindex, TYMED_ISTREAM);
    } else {
        const auto global = std::find_if(format.offers.begin(), format.offers.end(),
                                         [](const ArchivedOffer& o) { return (o.tymed & TYMED_HGLOBAL) != 0; });
        if (global != format.offers.end())
            bytes = read_offered(data, format.id, global->aspect, global->lindex, TYMED_HGLOBAL);
    }
    if (bytes)
        mark_stored(format, std::move(*bytes), ArchiveEncoding::global);
    else
        mark_failed(format, error_display(bytes.error()));
}

void read_ole_side(ClipboardArchive& archive)
{
    IDataObject* raw = nullptr;
    const HRESULT got = OleGetClipboard(&raw);
    ComPtr<IDataObject> data = ComPtr<IDataObject>::attach(raw);
    if (FAILED(got) || !data) {
        archive.ole_error = error_display(FAILED(got) ? Error{got, std::nullopt} : Error{});
        return;
    }
    if (Status listed = read_catalogue(data.get(), archive); !listed) archive.ole_error = error_display(listed.error());
    const std::uint32_t items = listed_item_count(archive);
    for (ArchivedFormat& format : archive.formats) {
        if (names_equal(format.name, "FileContents"))
            read_file_contents(data.get(), format, items);
        else if (!format.listed_by_win32)
            read_ole_only_format(data.get(), format);
    }
}

std::string utc_now()
{
    SYSTEMTIME t;
    GetSystemTime(&t);
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond);
    return text;
}

}  // namespace

Result<ClipboardArchive> dump_clipboard(HWND window)
{
    ClipboardArchive archive;
    archive.created = utc_now();
    if (Status flat = read_flat_list(window, archive); !flat) return flat.error();
    read_ole_side(archive);
    return archive;
}

}  // namespace cw
