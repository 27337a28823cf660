#include "inspect/logical_object_win.h"

#include <algorithm>

#include "base/handles_win.h"
#include "capture/archive_source_win.h"
#include "capture/retrieval_win.h"
#include "inspect/file_lists_win.h"
#include "inspect/file_probe_win.h"
#include "inspect/text_locale.h"

namespace cw {

namespace {

constexpr std::uint64_t DIB_HEADER_READ = 128;
constexpr std::uint64_t CLIP_SOURCE_READ = 4ULL << 20;

// GetClipboardData of the first entry with this name, copied up to `limit` bytes.
std::optional<GlobalCopy> copy_named(const std::vector<FormatEntry>& entries, std::string_view name, std::uint64_t limit)
{
    const FormatEntry* entry = find_named_entry(entries, name);
    if (!entry) return std::nullopt;
    HANDLE handle = GetClipboardData(entry->id);
    if (!handle || handle == INVALID_HANDLE_VALUE) return std::nullopt;
    Result<GlobalCopy> copy = copy_global_memory(handle, limit);
    if (!copy) return std::nullopt;
    return std::move(copy).value();
}

bool has_id(const std::vector<FormatEntry>& entries, std::uint32_t id)
{
    return std::any_of(entries.begin(), entries.end(), [id](const FormatEntry& e) { return e.id == id; });
}

PhotoshopFacts photoshop_facts(const std::vector<FormatEntry>& entries)
{
    PhotoshopFacts facts;
    const UINT dib = has_id(entries, CF_DIBV5) ? CF_DIBV5 : has_id(entries, CF_DIB) ? CF_DIB : 0;
    if (dib != 0) {
        HANDLE handle = GetClipboardData(dib);
        if (handle && handle != INVALID_HANDLE_VALUE) {
            if (Result<GlobalCopy> copy = copy_global_memory(handle, DIB_HEADER_READ))
                facts.header = decode_dib_header(copy->bytes, copy->total_size);
        }
    }
    if (const auto source = copy_named(entries, "Photoshop Clip Source", CLIP_SOURCE_READ)) {
        std::string path = decode_utf16_text(source->bytes);
        if (!path.empty()) facts.source_file = std::move(path);
    }
    const std::string_view native_name = find_named_entry(entries, "Embed Source") ? "Embed Source" : "Native";
    if (const FormatEntry* native = find_named_entry(entries, native_name)) {
        // Read in place: the container can be 256 MiB, and the clipboard is held open meanwhile.
        HANDLE handle = GetClipboardData(native->id);
        const SIZE_T size = handle && handle != INVALID_HANDLE_VALUE ? GlobalSize(handle) : 0;
        GlobalLockGuard lock(size ? handle : nullptr);
        if (lock) {
            facts.native_size = size;
            const auto* bytes = static_cast<const std::uint8_t*>(lock.data());
            facts.native_stream = native_contents_facts(ByteView(bytes, std::min<std::uint64_t>(size, LARGE_PAYLOAD_LIMIT)));
        }
    }
    return facts;
}

}  // namespace

LogicalObjectCopy copy_logical_object_inputs(const std::vector<FormatEntry>& entries)
{
    LogicalObjectCopy copy;
    copy.recogniser = choose_recogniser(entries);
    switch (copy.recogniser) {
        case Recogniser::ExplorerTransfer: {
            HANDLE drop = GetClipboardData(CF_HDROP);
            if (!drop || drop == INVALID_HANDLE_VALUE) break;
            if (Result<GlobalCopy> list = copy_global_memory(drop, DROP_LIST_COPY_LIMIT)) copy.drop_list = std::move(*list);
            copy.drop_effect = copy_named(entries, "Preferred DropEffect", 4);
            copy.has_file_contents = find_named_entry(entries, "FileContents") != nullptr;
            break;
        }
        case Recogniser::Photoshop: copy.photoshop = photoshop_facts(entries); break;
        case Recogniser::ShellNamespace:
        case Recogniser::None: break;
    }
    return copy;
}

std::optional<LogicalClipboardObject> describe_logical_object(const LogicalObjectCopy& copy, const FileProbe& probe)
{
    switch (copy.recogniser) {
        case Recogniser::ExplorerTransfer: {
            // No handle, an unreadable block or an open-ended list: nothing is recognised.
            if (!copy.drop_list) return std::nullopt;
            Result<std::vector<std::string>> paths = drop_paths_from_copy(*copy.drop_list);
            if (!paths) return std::nullopt;
            std::optional<ByteView> effect;
            if (copy.drop_effect) effect = ByteView(copy.drop_effect->bytes);
            return explorer_transfer_object(*paths, drop_operation(effect), copy.has_file_contents, probe);
        }
        case Recogniser::ShellNamespace: return shell_namespace_object();
        case Recogniser::Photoshop: return photoshop_object(copy.photoshop);
        case Recogniser::None: break;
    }
    return std::nullopt;
}

std::string logical_grouping_text(HWND window, const ClipboardSnapshot& snapshot, const FileProbe& probe)
{
    // The grouping reads the live clipboard; an archive's clipboard is shown without it.
    if (installed_archive_source()) return {};
    LogicalObjectCopy copy;
    {
        ClipboardSession clipboard;
        if (!clipboard.open(window)) return {};
        // A changed clipboard would describe data the list does not show.
        if (GetClipboardSequenceNumber() != snapshot.sequence_number) return {};
        copy = copy_logical_object_inputs(snapshot.entries);
    }
    // Other programs cannot copy or paste while the clipboard is open, and examining the paths of
    // a big file copy takes seconds.
    const auto object = describe_logical_object(copy, probe);
    return object ? object->report_text : std::string();
}

std::string logical_grouping_text(HWND window, const ClipboardSnapshot& snapshot)
{
    return logical_grouping_text(window, snapshot, Win32FileProbe());
}

}  // namespace cw
