#include "capture/logical_object_win.h"

#include <algorithm>

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

std::optional<LogicalClipboardObject> explorer_transfer(const std::vector<FormatEntry>& entries, const FileProbe& probe)
{
    HANDLE drop = GetClipboardData(CF_HDROP);
    if (!drop || drop == INVALID_HANDLE_VALUE) return std::nullopt;
    Result<std::vector<std::string>> paths = query_drop_paths(drop);
    if (!paths) return std::nullopt;
    std::optional<ByteView> effect;
    const std::optional<GlobalCopy> effect_copy = copy_named(entries, "Preferred DropEffect", 4);
    if (effect_copy) effect = ByteView(effect_copy->bytes);
    return explorer_transfer_object(*paths, drop_operation(effect), find_named_entry(entries, "FileContents") != nullptr,
                                    probe);
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

std::optional<LogicalClipboardObject> group_logical_object(const std::vector<FormatEntry>& entries,
                                                           const FileProbe& probe)
{
    switch (choose_recogniser(entries)) {
        case Recogniser::ExplorerTransfer: return explorer_transfer(entries, probe);
        case Recogniser::ShellNamespace: return shell_namespace_object();
        case Recogniser::Photoshop: return photoshop_object(photoshop_facts(entries));
        case Recogniser::None: break;
    }
    return std::nullopt;
}

std::optional<LogicalClipboardObject> group_logical_object(const std::vector<FormatEntry>& entries)
{
    const Win32FileProbe probe;
    return group_logical_object(entries, probe);
}

}  // namespace cw
