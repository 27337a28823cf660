// Restoring an archive: stored bytes made into the handles the clipboard takes, and for formats
// that existed only as OLE offers a data object that OLE flushes onto the clipboard.
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "base/com_object_win.h"
#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "capture/clipboard_archive_win.h"

namespace cw {

namespace {

constexpr std::size_t METAFILE_HEADER_SIZE = 12;

Error bad_bytes(const ArchivedFormat& format, std::string_view what)
{
    return Error::invalid_data("The archived " + format.name + " is not a valid " + std::string(what) + ".");
}

Result<HGLOBAL> global_of(std::span<const std::uint8_t> bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::max<std::size_t>(bytes.size(), 1));
    if (!block) return last_error_or_failure();
    GlobalLockGuard lock(block);
    if (!lock) {
        GlobalFree(block);
        return last_error_or_failure();
    }
    if (!bytes.empty()) std::memcpy(lock.data(), bytes.data(), bytes.size());
    return block;
}

std::int32_t get_le32(const std::vector<std::uint8_t>& in, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | in[at + i];
    return static_cast<std::int32_t>(v);
}

// The DIB's pixel offset, after checking that the header, masks and colour table fit.
std::optional<std::size_t> dib_pixel_offset(const std::vector<std::uint8_t>& dib)
{
    if (dib.size() < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof header);
    if (header.biSize < sizeof header || header.biSize > dib.size()) return std::nullopt;
    std::uint64_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) colours = 1ull << header.biBitCount;
    if (colours > 256) return std::nullopt;
    const std::uint64_t masks = header.biSize == sizeof header && header.biCompression == BI_BITFIELDS ? 12 : 0;
    const std::uint64_t offset = header.biSize + masks + 4 * colours;
    if (offset > dib.size()) return std::nullopt;
    return static_cast<std::size_t>(offset);
}

Result<HANDLE> bitmap_of_dib(const ArchivedFormat& format)
{
    const auto offset = dib_pixel_offset(format.bytes);
    if (!offset) return bad_bytes(format, "DIB");
    const auto* info = reinterpret_cast<const BITMAPINFO*>(format.bytes.data());
    const LONG width = info->bmiHeader.biWidth;
    const LONG height = info->bmiHeader.biHeight;
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(std::abs(width)) * info->bmiHeader.biBitCount + 31) / 32 * 4;
    if (info->bmiHeader.biCompression == BI_RGB &&
        stride * static_cast<std::uint64_t>(std::abs(height)) > format.bytes.size() - *offset)
        return bad_bytes(format, "DIB");
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap =
        CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, format.bytes.data() + *offset, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (!bitmap) return last_error_or_failure();
    return static_cast<HANDLE>(bitmap);
}

Result<HANDLE> metafile_picture_of(const ArchivedFormat& format)
{
    if (format.bytes.size() <= METAFILE_HEADER_SIZE) return bad_bytes(format, "metafile picture");
    const UINT size = static_cast<UINT>(format.bytes.size() - METAFILE_HEADER_SIZE);
    HMETAFILE metafile = SetMetaFileBitsEx(size, format.bytes.data() + METAFILE_HEADER_SIZE);
    if (!metafile) return last_error_or_failure();
    const METAFILEPICT picture{get_le32(format.bytes, 0), get_le32(format.bytes, 4), get_le32(format.bytes, 8),
                               metafile};
    auto block = global_of({reinterpret_cast<const std::uint8_t*>(&picture), sizeof picture});
    if (!block) DeleteMetaFile(metafile);
    if (!block) return block.error();
    return static_cast<HANDLE>(*block);
}

Result<HANDLE> palette_of(const ArchivedFormat& format)
{
    const std::vector<std::uint8_t>& bytes = format.bytes;
    if (bytes.size() < 4) return bad_bytes(format, "palette");
    const std::size_t count = bytes[2] | bytes[3] << 8;
    if (count == 0 || bytes.size() != 4 + 4 * count) return bad_bytes(format, "palette");
    HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(bytes.data()));
    if (!palette) return last_error_or_failure();
    return static_cast<HANDLE>(palette);
}

// ---- the data object for formats that existed only as OLE offers ----

struct Offered {
    FORMATETC format{};
    const ArchivedFormat* source = nullptr;
    std::uint32_t clipboard_id = 0;
};

class ArchiveDataObject final : public ComObject<ArchiveDataObject, IDataObject> {
public:
    explicit ArchiveDataObject(std::vector<Offered> offered, std::vector<std::vector<std::uint8_t>> devices)
        : offered_(std::move(offered)), devices_(std::move(devices))
    {
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* wanted, STGMEDIUM* medium) override
    {
        if (!wanted || !medium) return E_INVALIDARG;
        const Offered* offer = find(*wanted);
        if (!offer) return DV_E_FORMATETC;
        return render(*offer, *wanted, *medium);
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* wanted) override
    {
        return wanted && find(*wanted) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override
    {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> formats;
        for (const Offered& o : offered_) formats.push_back(o.format);
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    const Offered* find(const FORMATETC& wanted) const
    {
        for (const Offered& o : offered_)
            if (o.format.cfFormat == wanted.cfFormat && (o.format.tymed & wanted.tymed) != 0 &&
                o.format.dwAspect == wanted.dwAspect &&
                (o.format.lindex == wanted.lindex ||
                 (o.format.lindex == -1 && wanted.lindex != -1 && !o.source->items.empty())))
                return &o;
        return nullptr;
    }

    static const std::vector<std::uint8_t>* bytes_for(const Offered& offer, LONG lindex)
    {
        if (offer.source->content == ArchiveContent::stored) return &offer.source->bytes;
        for (const ArchivedItem& item : offer.source->items)
            if (item.lindex == lindex && item.bytes) return &*item.bytes;
        return nullptr;
    }

    static HRESULT render(const Offered& offer, const FORMATETC& wanted, STGMEDIUM& medium)
    {
        medium = {};
        const DWORD tymed = offer.format.tymed & wanted.tymed;
        if (tymed & (TYMED_GDI | TYMED_ENHMF | TYMED_MFPICT)) {
            auto handle = make_clipboard_handle(*offer.source);
            if (!handle) return handle.error().code ? handle.error().code : E_FAIL;
            medium.tymed = tymed & TYMED_GDI ? TYMED_GDI : tymed & TYMED_ENHMF ? TYMED_ENHMF : TYMED_MFPICT;
            medium.hGlobal = *handle;
            return S_OK;
        }
        const std::vector<std::uint8_t>* bytes = bytes_for(offer, wanted.lindex);
        if (!bytes) return DV_E_LINDEX;
        auto block = global_of(*bytes);
        if (!block) return block.error().code ? block.error().code : E_OUTOFMEMORY;
        if (tymed & TYMED_HGLOBAL) {
            medium.tymed = TYMED_HGLOBAL;
            medium.hGlobal = *block;
            return S_OK;
        }
        if (tymed & TYMED_ISTREAM) {
            IStream* stream = nullptr;
            const HRESULT hr = CreateStreamOnHGlobal(*block, TRUE, &stream);
            if (FAILED(hr)) {
                GlobalFree(*block);
                return hr;
            }
            ULARGE_INTEGER size;
            size.QuadPart = bytes->size();
            stream->SetSize(size);  // the block may be larger than the bytes
            medium.tymed = TYMED_ISTREAM;
            medium.pstm = stream;
            return S_OK;
        }
        GlobalFree(*block);
        return DV_E_TYMED;
    }

    std::vector<Offered> offered_;
    std::vector<std::vector<std::uint8_t>> devices_;  // what the FORMATETCs' ptd point into
};

DWORD flat_tymed(const ArchivedFormat& format)
{
    switch (format.encoding) {
        case ArchiveEncoding::dib:
        case ArchiveEncoding::palette:
            return TYMED_GDI;
        case ArchiveEncoding::enhanced_metafile:
            return TYMED_ENHMF;
        case ArchiveEncoding::metafile_picture:
            return TYMED_MFPICT;
        case ArchiveEncoding::global:
            break;
    }
    return TYMED_HGLOBAL;
}

bool has_content(const ArchivedFormat& format)
{
    return format.content == ArchiveContent::stored ||
           (format.content == ArchiveContent::items && !format.items.empty());
}

struct Placed {
    std::uint32_t id = 0;
    const ArchivedFormat* format = nullptr;
};

// The identifiers on this machine: a registered name gets whatever number it has here.
Result<std::vector<Placed>> placed_formats(const ClipboardArchive& archive)
{
    std::vector<Placed> placed;
    for (const ArchivedFormat& format : archive.formats) {
        if (!has_content(format)) continue;
        std::uint32_t id = format.id;
        if (format.registered) {
            id = RegisterClipboardFormatW(to_wide(format.name).c_str());
            if (id == 0) return last_error_or_failure();
        }
        placed.push_back({id, &format});
    }
    return placed;
}

void empty_clipboard(HWND window)
{
    ClipboardSession clipboard;
    if (clipboard.open(window)) EmptyClipboard();
}

Status restore_flat(HWND window, const std::vector<Placed>& placed)
{
    std::vector<std::pair<const Placed*, HANDLE>> handles;
    auto free_from = [&](std::size_t first) {
        for (std::size_t i = first; i < handles.size(); ++i)
            free_clipboard_handle(handles[i].second, handles[i].first->format->encoding);
    };
    // Everything is made before the clipboard is touched, so a failure here changes nothing.
    for (const Placed& p : placed) {
        auto handle = make_clipboard_handle(*p.format);
        if (!handle) {
            free_from(0);
            return handle.error();
        }
        handles.emplace_back(&p, *handle);
    }
    ClipboardSession clipboard;
    if (!clipboard.open(window)) {
        Error error = last_error_or_failure();
        free_from(0);
        return error;
    }
    if (!EmptyClipboard()) {
        Error error = last_error_or_failure();
        free_from(0);
        return error;
    }
    for (std::size_t i = 0; i < handles.size(); ++i) {
        if (!SetClipboardData(handles[i].first->id, handles[i].second)) {
            Error error = last_error_or_failure();
            free_from(i);
            EmptyClipboard();  // what was set already belongs to the clipboard, which frees it
            return error;
        }
    }
    return ok_status();
}

Status restore_through_ole(HWND window, const std::vector<Placed>& placed)
{
    std::vector<Offered> offered;
    std::vector<std::vector<std::uint8_t>> devices;
    devices.reserve(placed.size() * 4);
    for (const Placed& p : placed) {
        const CLIPFORMAT cf = static_cast<CLIPFORMAT>(p.id);
        if (p.format->listed_by_win32 && p.format->content == ArchiveContent::stored)
            offered.push_back({{cf, nullptr, DVASPECT_CONTENT, -1, flat_tymed(*p.format)}, p.format, p.id});
        for (const ArchivedOffer& offer : p.format->offers) {
            // Flat formats are offered in the medium their handle needs; their other offers add streams.
            const DWORD tymed = offer.tymed & (TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_GDI | TYMED_ENHMF | TYMED_MFPICT);
            if (tymed == 0) continue;
            FORMATETC format{cf, nullptr, offer.aspect, offer.lindex, tymed};
            if (offer.target_device) {
                devices.push_back(*offer.target_device);
                format.ptd = reinterpret_cast<DVTARGETDEVICE*>(devices.back().data());
            }
            offered.push_back({format, p.format, p.id});
        }
    }
    auto* object = new ArchiveDataObject(std::move(offered), std::move(devices));
    HRESULT hr = OleSetClipboard(object);
    object->Release();
    if (SUCCEEDED(hr)) hr = OleFlushClipboard();
    if (FAILED(hr)) {
        OleSetClipboard(nullptr);
        empty_clipboard(window);
        return Error{hr, std::nullopt};
    }
    return ok_status();
}

}  // namespace

Result<HANDLE> make_clipboard_handle(const ArchivedFormat& format)
{
    switch (format.encoding) {
        case ArchiveEncoding::dib:
            return bitmap_of_dib(format);
        case ArchiveEncoding::enhanced_metafile: {
            HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(format.bytes.size()), format.bytes.data());
            if (!metafile) return bad_bytes(format, "enhanced metafile");
            return static_cast<HANDLE>(metafile);
        }
        case ArchiveEncoding::metafile_picture:
            return metafile_picture_of(format);
        case ArchiveEncoding::palette:
            return palette_of(format);
        case ArchiveEncoding::global:
            break;
    }
    auto block = global_of(format.bytes);
    if (!block) return block.error();
    return static_cast<HANDLE>(*block);
}

void free_clipboard_handle(HANDLE handle, ArchiveEncoding encoding)
{
    switch (encoding) {
        case ArchiveEncoding::dib:
        case ArchiveEncoding::palette:
            DeleteObject(handle);
            return;
        case ArchiveEncoding::enhanced_metafile:
            DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle));
            return;
        case ArchiveEncoding::metafile_picture:
            if (GlobalLockGuard lock(handle); lock) DeleteMetaFile(static_cast<METAFILEPICT*>(lock.data())->hMF);
            GlobalFree(handle);
            return;
        case ArchiveEncoding::global:
            GlobalFree(handle);
    }
}

Status restore_clipboard(HWND window, const ClipboardArchive& archive)
{
    auto placed = placed_formats(archive);
    if (!placed) return placed.error();
    const bool ole_only =
        std::any_of(placed->begin(), placed->end(), [](const Placed& p) { return !p.format->listed_by_win32; });
    return ole_only ? restore_through_ole(window, *placed) : restore_flat(window, *placed);
}

}  // namespace cw
