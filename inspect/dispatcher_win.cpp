#include "inspect/dispatcher_win.h"

#include "base/error_win.h"
#include "base/text.h"
#include "capture/archive_source_win.h"
#include "capture/retrieval_win.h"
#include "inspect/archived_file_probe.h"
#include "inspect/dispatcher.h"
#include "inspect/embedded_object.h"
#include "inspect/file_lists.h"
#include "inspect/file_lists_win.h"
#include "inspect/file_probe_win.h"
#include "inspect/raw_metadata.h"
#include "inspect/text_locale_win.h"
#include "inspect/transfer_records.h"
#include "preview/image_bitmap_win.h"
#include "preview/image_decode_win.h"
#include "preview/image_producers_win.h"

namespace cw {

namespace {

// An archived clipboard names paths of another machine: they are described, never probed.
const FileProbe& file_probe()
{
    static const Win32FileProbe live;
    static const ArchivedFileProbe archived;
    if (installed_archive_source()) return archived;
    return live;
}

DetailReport raw_metadata_report(HANDLE handle, const FormatEntry& entry)
{
    RawHandleFacts facts;
    facts.handle = reinterpret_cast<std::uintptr_t>(handle);
    facts.global_size = GlobalSize(handle);
    if (facts.global_size != 0) {
        Result<GlobalCopy> copy = copy_global_memory(handle, RAW_PREVIEW_BYTES);
        if (copy)
            facts.first_bytes = std::move(copy->bytes);
        else
            facts.copy_error = error_display(copy.error());
    }
    return DetailReport::make_report(raw_format_metadata(entry, facts, file_probe()));
}

DetailReport image_result(Result<UniqueGdiObject> bitmap)
{
    if (!bitmap) return DetailReport::make_unavailable(bitmap.error());
    return DetailReport::make_image(std::make_shared<GdiImageBitmap>(std::move(*bitmap)));
}

DetailReport image_report(ByteView bytes)
{
    return image_result(decode_image(bytes, std::nullopt, RGB(255, 255, 255)));
}

// The image producers of the GDI and DIB formats, while the clipboard is open; none for other ids.
std::optional<DetailReport> gdi_image_report(HWND window, std::uint32_t id, HANDLE handle)
{
    switch (id) {
        case CF_BITMAP:
            return image_result(copy_clipboard_bitmap(static_cast<HBITMAP>(handle)));
        case CF_METAFILEPICT:
            return image_result(render_metafile_picture(handle));
        case CF_DIB:
        case CF_DIBV5: {
            Result<GlobalCopy> copy = copy_global_memory(handle, LARGE_PAYLOAD_LIMIT);
            if (!copy) return DetailReport::make_unavailable(copy.error());
            return image_result(bitmap_from_dib(window, copy->bytes, copy->total_size));
        }
        case CF_ENHMETAFILE:
            return image_result(render_enhanced_metafile(static_cast<HENHMETAFILE>(handle)));
        default:
            return std::nullopt;
    }
}

}  // namespace

DetailReport build_detail_report(HWND window, const FormatEntry& entry)
{
    if (const auto offer = find_stream_offer(entry)) {
        Result<StreamRead> read = read_ole_stream(entry.id, offer->aspect, offer->lindex);
        if (!read) return DetailReport::make_report(describe_ole_stream_failure(entry, *offer, error_display(read.error())));
        if (read->complete && is_encoded_image_format_name(entry.name)) return image_report(read->bytes);
        DetailReport report = DetailReport::make_table(stream_table(entry, *read));
        if (read->complete && classify_dispatch_row(entry) == DispatchRow::EmbeddedObject)
            report.holds_photoshop_document = holds_photoshop_document(read->bytes);
        return report;
    }

    auto clipboard = ClipboardHandle::open(window);
    if (!clipboard) return DetailReport::make_unavailable(clipboard.error());
    if (names_equal(entry.name, "FileContents")) return DetailReport::make_table(file_contents_contract_table());

    Result<HANDLE> handle = (*clipboard)->get(entry.id);
    if (!handle) {
        if (is_adobe_advertised_format(entry.name))
            return DetailReport::make_report(adobe_advertisement_report(entry, error_display(handle.error())));
        return DetailReport::make_unavailable(handle.error());
    }

    if (auto image = gdi_image_report(window, entry.id, *handle)) return std::move(*image);
    const DispatchRow row = classify_dispatch_row(entry);
    if (row == DispatchRow::EncodedImage) {
        Result<GlobalCopy> copy = copy_global_memory(*handle, LARGE_PAYLOAD_LIMIT);
        if (!copy) return DetailReport::make_unavailable(copy.error());
        if (!copy->complete()) return DetailReport::make_unavailable(Error::invalid_data(std::string(ENCODED_IMAGE_TOO_LARGE)));
        return image_report(copy->bytes);
    }
    // The file list and the clip source name paths; they are examined once the clipboard is closed,
    // since other programs cannot copy or paste meanwhile and a big list takes seconds.
    if (row == DispatchRow::DropList) {
        Result<GlobalCopy> copy = copy_global_memory(*handle, DROP_LIST_COPY_LIMIT);
        clipboard->reset();
        if (!copy) return DetailReport::make_unavailable(copy.error());
        Result<std::vector<std::string>> paths = drop_paths_from_copy(*copy);
        if (!paths) return DetailReport::make_unavailable(paths.error());
        return DetailReport::make_table(build_path_evidence(*paths, file_probe()));
    }
    if (is_transfer_record_row(row)) {
        Result<GlobalCopy> copy = copy_global_memory(*handle, dispatch_read_limit(row));
        clipboard->reset();
        if (!copy) return DetailReport::make_unavailable(copy.error());
        return DetailReport::make_table(analyze_transfer_record(row, entry.name, copy->bytes, file_probe()));
    }
    if (!has_byte_interpreter(row)) return raw_metadata_report(*handle, entry);
    Result<GlobalCopy> copy = copy_global_memory(*handle, dispatch_read_limit(row));
    if (!copy) return DetailReport::make_unavailable(copy.error());
    static const Win32CodePageSystem code_pages;
    AnsiTextContext ansi;
    if (reads_ansi_text(row)) ansi = {clipboard_locale(**clipboard), &code_pages};
    return *interpret_copied_bytes(row, entry, *copy, system_locale_name, ansi);
}

}  // namespace cw
