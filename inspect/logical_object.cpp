#include "inspect/logical_object.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "base/text.h"
#include "capture/clipboard_formats.h"
#include "inspect/bit_names.h"
#include "inspect/file_lists.h"
#include "inspect/item_probe.h"
#include "inspect/shell_records.h"
#include "inspect/signatures.h"
#include "libs/cfb/cfb.h"
#include "report/report_text.h"

namespace cw {

namespace {

constexpr std::array<std::string_view, 5> PHOTOSHOP_NAMES{
    "Photoshop DIB Layer", "Photoshop DIB Layer X", "Photoshop Clip Source", "Adobe Photoshop Image",
    "Photoshop Paste in Place"};

const char* const OBJECT_HEADING = "LOGICAL CLIPBOARD OBJECT\n========================\n";

enum class ItemClass { File, Folder, Unavailable };

// Pipes and other devices are no item a copy could refer to; links and junctions count as files.
ItemClass classify(const PathMetadata& meta)
{
    if (!meta.available || meta.kind == PathKind::OtherObject) return ItemClass::Unavailable;
    if (meta.kind == PathKind::Directory) return ItemClass::Folder;
    return ItemClass::File;
}

std::string item_lines(const std::string& path, const PathMetadata& meta)
{
    std::string text = path + "\n";
    if (!meta.available) return text;
    if (meta.kind == PathKind::Directory) return text + "  Kind      : Folder (contents not scanned)\n";
    if (meta.kind != PathKind::DiskFile) return text;
    return text + "  Kind      : File\n  Extension : " + path_extension(path) + "\n  Size      : " +
           std::to_string(meta.size) + " bytes (" + size_text(meta.size) + ")\n";
}

}  // namespace

const FormatEntry* find_named_entry(const std::vector<FormatEntry>& entries, std::string_view name)
{
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const FormatEntry& e) { return names_equal(e.name, name); });
    return it == entries.end() ? nullptr : &*it;
}

Recogniser choose_recogniser(const std::vector<FormatEntry>& entries)
{
    if (std::any_of(entries.begin(), entries.end(), [](const FormatEntry& e) { return e.id == CF_HDROP_ID; }))
        return Recogniser::ExplorerTransfer;
    if (find_named_entry(entries, "Shell IDList Array")) return Recogniser::ShellNamespace;
    for (std::string_view name : PHOTOSHOP_NAMES)
        if (find_named_entry(entries, name)) return Recogniser::Photoshop;
    return Recogniser::None;
}

std::string drop_operation(const std::optional<ByteView>& preferred_drop_effect)
{
    if (!preferred_drop_effect) return "Not advertised";
    const auto value = ByteReader(*preferred_drop_effect).u32le(0);
    return value ? drop_effect_names(*value) : "Not advertised";
}

LogicalClipboardObject explorer_transfer_object(const std::vector<std::string>& paths, const std::string& operation,
                                                bool has_file_contents, const FileProbe& probe)
{
    // One metadata read per path serves both the counts and the listing, so they always agree.
    // Only the first MAX_EXAMINED_PATHS are read and listed: the edit control that shows this text
    // takes seconds per ten thousand lines, and the CF_HDROP Items table lists every path.
    const OncePerHostProbe report_probe(probe);
    const std::size_t examined = std::min(paths.size(), MAX_EXAMINED_PATHS);
    std::size_t files = 0, folders = 0, unavailable = 0;
    std::string listing;
    for (std::size_t i = 0; i < examined; ++i) {
        const PathMetadata meta = probe_item_metadata(report_probe, paths[i], false);
        switch (classify(meta)) {
            case ItemClass::File: ++files; break;
            case ItemClass::Folder: ++folders; break;
            case ItemClass::Unavailable: ++unavailable; break;
        }
        listing += item_lines(paths[i], meta);
    }
    const std::size_t not_examined = paths.size() - examined;
    if (not_examined != 0)
        listing += "(" + std::to_string(not_examined) + " not examined; the CF_HDROP Items table lists every path)\n";
    const bool single_file = files == 1 && folders == 0 && unavailable == 0 && not_examined == 0;
    std::string kind = "Explorer item transfer";
    if (single_file) kind = "Explorer file copy";
    if (folders == 1 && files == 0 && unavailable == 0 && not_examined == 0) kind = "Explorer folder copy";

    // Counts that leave out the paths not examined say so.
    const std::string partial = not_examined != 0 ? " (examined items only)" : "";
    std::string text = OBJECT_HEADING;
    text += "Type       : " + kind + "\nItems      : " + std::to_string(paths.size()) + "\n";
    if (not_examined != 0) text += examined_items_line(paths.size()) + "\n";
    text += "Files      : " + std::to_string(files) + partial + "\nFolders    : " + std::to_string(folders) + partial +
            "\n";
    if (unavailable != 0) text += "Unavailable: " + std::to_string(unavailable) + partial + "\n";
    if (not_examined != 0) text += "Not examined: " + std::to_string(not_examined) + "\n";
    text += "Operation  : " + operation + "\nStorage    : External filesystem reference\n";
    text += has_file_contents
                ? "Content bytes: Not self-contained; producer advertises indexed FileContents stream(s) on demand\n"
                : "Content bytes: No file or folder contents advertised\n";
    text += "\nREFERENCED ITEMS\n----------------\n" + listing;
    text += "\nAVAILABLE INTERPRETATIONS\n-------------------------\n";
    text += single_file ? "Copy file here\nCopy file with a new name\nCreate shortcut (.lnk)\nSave file metadata "
                          "(.txt/.json)\n"
                        : "Copy items here\nCreate ZIP archive for folders\nCreate shortcut (.lnk)\nSave item listing "
                          "(.txt/.csv/.json)\n";
    text += "\nSafety: contents are not scanned automatically. Network paths, cloud placeholders, reparse points, "
            "and large directory trees are inspected only on request. Clipwright will harvest/copy and will not "
            "delete a source item even if a future clipboard specimen represents Cut.\n";
    return LogicalClipboardObject{std::move(kind), to_crlf(text)};
}

LogicalClipboardObject shell_namespace_object()
{
    return LogicalClipboardObject{
        "Shell namespace transfer",
        "LOGICAL CLIPBOARD OBJECT\r\n========================\r\nType       : Shell namespace transfer\r\nStorage    : "
        "Shell PIDL identity\r\nFilesystem path: Not advertised\r\n\r\nThis may be a virtual Shell item. Inspect "
        "Shell IDList Array and any FileContents representations before deciding how it can be materialized."};
}

std::optional<DibHeaderFacts> decode_dib_header(ByteView first_bytes, std::uint64_t total)
{
    const ByteReader r(first_bytes);
    if (first_bytes.size() < 16) return std::nullopt;
    static constexpr std::array<std::uint32_t, 6> sizes{40, 52, 56, 64, 108, 124};
    if (std::find(sizes.begin(), sizes.end(), *r.u32le(0)) == sizes.end()) return std::nullopt;
    // The magnitude is taken unsigned, so the most negative height shows as 2147483648.
    auto magnitude = [](std::int32_t v) { return v < 0 ? 0U - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v); };
    return DibHeaderFacts{magnitude(*r.i32le(4)), magnitude(*r.i32le(8)), *r.u16le(14), total};
}

std::optional<NativeStreamFacts> native_contents_facts(ByteView compound_bytes)
{
    auto file = cfb::CompoundFile::open(compound_bytes);
    if (!file) return std::nullopt;
    auto stream = file->open_stream("/CONTENTS");
    if (!stream) return std::nullopt;
    auto head = file->read_prefix(*stream, 64);
    if (!head) return std::nullopt;
    return NativeStreamFacts{stream->size, describe_stream_signature(*head)};
}

LogicalClipboardObject photoshop_object(const PhotoshopFacts& facts)
{
    std::string text = OBJECT_HEADING;
    text += "Type          : Photoshop image/layer copy\nLogical items : 1 image\n";
    if (const auto& h = facts.header) {
        text += "Dimensions    : " + std::to_string(h->width) + " x " + std::to_string(h->height) + " px\n";
        text += "Pixel depth   : " + std::to_string(h->bits) + " bits\nDIB payload   : " + std::to_string(h->payload) +
                " bytes (" + size_text(h->payload) + ")\n";
    } else {
        text += "Dimensions    : Not decoded\n";
    }
    if (facts.source_file) text += "Source file   : " + *facts.source_file + "\n";
    if (facts.native_size)
        text += "Native object : " + std::to_string(*facts.native_size) + " bytes (" + size_text(*facts.native_size) +
                ") OLE compound object\n";
    if (const auto& s = facts.native_stream)
        text += "Native stream : " + std::to_string(s->size) + " bytes; " + s->label + "\n";
    text += "\nREPRESENTATION GROUPS\n---------------------\n"
            "Portable image : CF_DIB, CF_DIBV5 and CF_BITMAP\n"
            "Metafile views : CF_METAFILEPICT and CF_ENHMETAFILE\n"
            "Adobe transfer : layer, placement and source-document metadata\n"
            "OLE object     : Embed Source/Native plus descriptor and transport bookkeeping\n";
    text += "\nSAVE INTERPRETATION\n-------------------\n"
            "Recommended image output: PNG derived from the best decoded DIB rendition.\n";
    if (facts.native_stream && facts.native_stream->label.find("PSD, signature confirmed") != std::string::npos)
        text += "Native editable output: PSD by extracting the signature-confirmed /CONTENTS stream from the OLE "
                "object.\n";
    text += "Alternative image output: BMP; EMF/WMF only when the corresponding metafile can be preserved correctly.\n"
            "The Adobe and OLE rows are fidelity/provenance contracts, not eighteen separate files.\n"
            "The embedded object should remain available for advanced extraction, but must not be mislabeled as a "
            "PSD unless its internal payload has a verified PSD signature.\n";
    return LogicalClipboardObject{"Photoshop image/layer copy", to_crlf(text)};
}

}  // namespace cw
