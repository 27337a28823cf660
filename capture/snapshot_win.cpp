#include "capture/snapshot_win.h"

#include "base/error_win.h"
#include "base/handles_win.h"
#include "capture/archive_source_win.h"
#include "capture/format_identity_win.h"

namespace cw {

namespace {

// A provider whose enumerator never ends would hang the window; no real catalogue comes near.
constexpr unsigned MAX_CATALOGUE_ELEMENTS = 1u << 20;

std::string name_of(std::uint32_t id) { return format_name(id); }

void fail_catalogue(ClipboardSnapshot& snapshot, const Error& error)
{
    snapshot.ole_error = error_display(error);
    snapshot.ole_offer_count = 0;
}

}  // namespace

void merge_ole_catalogue(IDataObject* data, ClipboardSnapshot& snapshot)
{
    ComPtr<IEnumFORMATETC> formats;
    const HRESULT hr = data->EnumFormatEtc(DATADIR_GET, formats.put());
    if (FAILED(hr)) return fail_catalogue(snapshot, Error{hr, std::nullopt});
    if (!formats) return fail_catalogue(snapshot, Error{});

    std::uint64_t added = 0;
    for (unsigned i = 0;; ++i) {
        if (i == MAX_CATALOGUE_ELEMENTS)
            return fail_catalogue(snapshot, Error::invalid_data("The OLE format enumerator did not end."));
        FORMATETC element{};
        ULONG fetched = 0;
        const HRESULT next = formats->Next(1, &element, &fetched);
        if (fetched == 0) {
            if (FAILED(next)) return fail_catalogue(snapshot, Error{next, std::nullopt});
            break;
        }
        const FormatOffer offer{element.tymed, element.dwAspect, element.lindex, element.ptd != nullptr};
        if (element.ptd) CoTaskMemFree(element.ptd);
        if (merge_ole_offer(snapshot.entries, element.cfFormat, offer, name_of)) ++added;
        if (FAILED(next)) return fail_catalogue(snapshot, Error{next, std::nullopt});
    }
    snapshot.ole_offer_count = added;
}

Result<ClipboardSnapshot> capture_clipboard(HWND window)
{
    if (ArchiveSource* archived = installed_archive_source()) return archive_snapshot(archived->archive());
    ClipboardSnapshot snapshot;
    {
        ClipboardSession clipboard;
        if (!clipboard.open(window)) return last_error_or_failure();
        snapshot.sequence_number = GetClipboardSequenceNumber();
        snapshot.owner_window = reinterpret_cast<std::uintptr_t>(GetClipboardOwner());
        UINT format = 0;
        for (;;) {
            SetLastError(0);
            format = EnumClipboardFormats(format);
            if (format == 0) break;
            add_win32_format(snapshot.entries, format, name_of);
        }
        snapshot.enum_end_code = GetLastError();
    }

    IDataObject* raw = nullptr;
    const HRESULT hr = OleGetClipboard(&raw);
    ComPtr<IDataObject> data = ComPtr<IDataObject>::attach(raw);
    if (FAILED(hr))
        fail_catalogue(snapshot, Error{hr, std::nullopt});
    else if (!data)
        fail_catalogue(snapshot, Error{});
    else
        merge_ole_catalogue(data.get(), snapshot);
    return snapshot;
}

}  // namespace cw
