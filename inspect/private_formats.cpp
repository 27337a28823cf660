#include "inspect/private_formats.h"

#include <algorithm>
#include <string_view>

#include "base/error.h"
#include "base/text.h"
#include "inspect/text_locale.h"

namespace cw {

namespace {

constexpr std::string_view OLE_PRIVATE_DATA_TEXT =
    "This is internal OLE clipboard bookkeeping used to preserve data-object and storage-medium behavior. Its byte "
    "layout is not a public interchange contract.\n"
    "Meaning here: it supports rich OLE paste behavior but is not independently useful content.\n"
    "Save guidance: keep it visible for diagnostics; never offer it as a file and never infer pointers or structures "
    "from its bytes.";

constexpr std::string_view WAVEPAD_TEXT =
    "This is a WavePad-private clipboard representation. The handle is not exposed as an ordinary HGLOBAL block, so "
    "its storage type and lifetime are controlled by WavePad.\n"
    "Meaning here: the standard CF_WAVE representation contains the portable audio.\n"
    "Save guidance: use CF_WAVE; keep this row for compatibility research only.";

constexpr std::string_view DATAOBJECT_TEXT =
    "This is process/OLE data-object bookkeeping rather than a document representation. Small pointer- or token-like "
    "values are meaningful only to the producer and OLE while that data object is alive.\n"
    "Save guidance: diagnostic only. Do not dereference, persist, or expose it as a file choice.";

constexpr std::string_view PRIVATE_RANGE_TEXT =
    "This format is in Windows' private clipboard range. Only the producing application is expected to understand "
    "its handle and lifetime.\n"
    "Save guidance: diagnostic only unless the producer's contract is known.";

std::string hyperlink_text(std::optional<ByteView> sample)
{
    static constexpr std::string_view STRM = "STRM";
    const bool has_strm =
        sample && std::search(sample->begin(), sample->end(), STRM.begin(), STRM.end(), [](std::uint8_t b, char c) {
                      return b == static_cast<std::uint8_t>(c);
                  }) != sample->end();
    const std::string_view marker =
        has_strm ? "This block contains a STRM marker, which indicates stream-backed OLE transport. Pointer-looking "
                   "values around it are process-specific bookkeeping, not a URL.\n"
                 : "No portable URL or standard serialized hyperlink signature is visible in this block.\n";
    std::string text =
        "This is Word/OLE's registered hyperlink-transfer format. It advertises that an OLE-aware paste target may ask "
        "the IDataObject for an IHlink object; the raw HGLOBAL is not necessarily the hyperlink itself.\n";
    text += marker;
    text +=
        "Meaning here: the format can be present even when the selected content is not one standalone hyperlink. "
        "Actual links normally remain available in HTML, RTF, or the embedded Office package.\n"
        "Save guidance: never offer this transport block as a file. Query the OLE IDataObject/IStream before "
        "claiming that a target exists.";
    return text;
}

std::string registered_text(std::string_view name)
{
    return "This is an application-registered clipboard format named '" + std::string(name) +
           "'. Registered names identify a producer-defined contract; they do not guarantee that the HGLOBAL bytes "
           "are a portable file.\n"
           "Save guidance: retain the raw evidence, but require a documented format or verified parser before "
           "offering it as output.";
}

constexpr std::size_t PDF_HEADER_READ = 8;

// "Detected as" and "Save choice" for an ordinary file: only a verified %PDF- header makes it a
// .pdf candidate, never the format name.
std::string detected_lines(const FileProbe& probe, std::string_view path)
{
    const auto head = probe_prefix(probe, path, PDF_HEADER_READ);
    if (head && head->size() >= 5 && std::equal(head->begin(), head->begin() + 5, "%PDF-")) {
        const auto line_end =
            std::find_if(head->begin(), head->end(), [](std::uint8_t b) { return b == '\r' || b == '\n'; });
        const std::string header = sanitize_utf8(std::string_view(reinterpret_cast<const char*>(head->data()),
                                                                  static_cast<std::size_t>(line_end - head->begin())));
        return "Detected as: PDF document (" + header + ")\nSave choice : verified candidate for .pdf\n";
    }
    return "Detected as: unknown; no recognized PDF signature\nSave choice : do not infer a file type from the format "
           "name alone\n";
}

std::string payload_status_lines(const FileProbe& probe, std::string_view path)
{
    const PathMetadata meta = probe_metadata(probe, path, true);
    if (!meta.available) {
        return "Status     : unavailable now (" + file_error_display(meta.error_text, meta.error_code) +
               ")\nMeaning    : the temporary payload may have expired, moved, or become inaccessible\n"
               "Save choice : unavailable\n";
    }
    switch (meta.kind) {
        case PathKind::Directory:
            return "Status     : path exists, but it is a directory\nSave choice : unavailable\n";
        case PathKind::DiskFile:
            return "Status     : available now\nObject     : regular file\nFile size  : " + std::to_string(meta.size) +
                   " bytes\n" + detected_lines(probe, path);
        case PathKind::NameSurrogate:
        case PathKind::OtherObject:
            break;
    }
    // Links, pipes and devices are never opened: reading a device can block forever.
    return "Status     : path exists, but it is not a regular file\nSave choice : unavailable\n";
}

std::string iceni_text(std::optional<ByteView> sample, std::uint64_t block_size, const FileProbe& probe)
{
    if (!sample) {
        return "This is an Iceni/Foxit private clipboard contract, but its data block is not available for "
               "inspection.\nSave guidance: no referenced payload can be verified from this handle.";
    }
    // A path that runs on past the inspected sample has been cut, and a cut path may name
    // another file: it is no more usable than an empty one.
    const bool cut =
        std::find(sample->begin(), sample->end(), std::uint8_t{0}) == sample->end() && sample->size() < block_size;
    const std::string path = cut ? std::string() : text_of_bytes(*sample);
    if (path.empty()) {
        return "This is an Iceni/Foxit private clipboard contract. Its data block does not contain a usable path.\n"
               "Save guidance: retain the raw evidence; no external payload can be verified.";
    }
    std::string text =
        "CLIPBOARD STORAGE MODEL\n-----------------------\n"
        "Indirect external-file reference. The clipboard does NOT contain the copied document bytes.\n";
    text += "The " + std::to_string(block_size) +
            "-byte HGLOBAL contains a null-terminated path written by the Iceni/Foxit application family:\n";
    text += "  " + path + "\n";
    text +=
        "The producing application expects a paste target to open that path while the temporary file still "
        "exists.\n\n"
        "REFERENCED PAYLOAD\n------------------\n";
    text += payload_status_lines(probe, path);
    text +=
        "\nLIFETIME AND SAFETY\n-------------------\n"
        "This is borrowed clipboard content, not self-contained clipboard data. Treat the path as untrusted "
        "input.\n"
        "For saving: open the file read-only, verify its signature and size, copy it immediately to the chosen "
        "destination, then close it. The producer may replace or delete the temporary file after the clipboard "
        "changes or the producer exits.\n";
    return text;
}

}  // namespace

std::optional<std::string> describe_private_format(const FormatEntry& entry, std::optional<ByteView> sample,
                                                   std::uint64_t block_size, const FileProbe& probe)
{
    const std::string_view name = entry.name;
    if (names_equal(name, "ole private data")) return std::string(OLE_PRIVATE_DATA_TEXT);
    if (names_equal(name, "wavepad internal")) return std::string(WAVEPAD_TEXT);
    if (names_equal(name, "dataobject")) return std::string(DATAOBJECT_TEXT);
    if (names_equal(name, "hyperlink")) return hyperlink_text(sample);
    if (names_equal(name, "icenicopy")) return iceni_text(sample, block_size, probe);
    if (entry.class_label == "private") return std::string(PRIVATE_RANGE_TEXT);
    if (entry.class_label == "registered") return registered_text(name);
    return std::nullopt;
}

}  // namespace cw
