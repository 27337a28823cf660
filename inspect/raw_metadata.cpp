#include "inspect/raw_metadata.h"

#include <algorithm>
#include <cstdio>

#include "base/byte_reader.h"
#include "base/text.h"
#include "capture/clipboard_formats.h"
#include "capture/retrieval.h"
#include "inspect/private_formats.h"
#include "report/report_text.h"

namespace cw {

namespace {


std::string identity_lines(const FormatEntry& entry, std::uintptr_t handle)
{
    char handle_hex[32];
    std::snprintf(handle_hex, sizeof handle_hex, "%llX", static_cast<unsigned long long>(handle));
    std::string text = "RAW FORMAT METADATA\n===================\n";
    text += "Name       : " + entry.name + "\n";
    text += "ID         : " + decimal_and_hex(entry.id) + "\n";
    text += "Class      : " + entry.class_label + "\n";
    text += "Order      : " + std::to_string(entry.ordinal) + "\n";
    text += "Transport  : " + source_text(entry) + "\n";
    text += "Data handle: 0x" + std::string(handle_hex) + "\n";
    if (!entry.offers.empty()) {
        text += "\nOLE FORMATETC OFFERS\n====================\n";
        for (std::size_t i = 0; i < entry.offers.size(); ++i) text += offer_line(i + 1, entry.offers[i]) + "\n";
    }
    return text;
}

void append_interpretation(std::string& text, const FormatEntry& entry, std::optional<ByteView> sample,
                           std::uint64_t block_size, const FileProbe& probe)
{
    if (auto interpretation = describe_private_format(entry, sample, block_size, probe))
        text += "\nINTERPRETATION\n==============\n" + *interpretation + "\n";
}

// The header fields of a DIB block, for the two DIB formats when the copied start holds them and
// claims at least a BITMAPINFOHEADER.
void append_dib_header(std::string& text, std::uint32_t id, ByteView bytes)
{
    const ByteReader reader(bytes);
    if ((id != CF_DIB_ID && id != CF_DIBV5_ID) || bytes.size() < 16) return;
    const std::uint32_t header_size = *reader.u32le(0);
    if (header_size < 40) return;
    text += "DIB header : " + std::to_string(header_size) + " bytes\n";
    text += "Dimensions : " + std::to_string(*reader.i32le(4)) + " x " + std::to_string(*reader.i32le(8)) + "\n";
    text += "Planes/BPP : " + std::to_string(*reader.u16le(12)) + " / " + std::to_string(*reader.u16le(14)) + "\n";
}

}  // namespace

std::string raw_format_metadata(const FormatEntry& entry, const RawHandleFacts& facts, const FileProbe& probe)
{
    std::string text = identity_lines(entry, facts.handle);
    if (facts.global_size == 0) {
        text += "Global size: unavailable\n";
        append_interpretation(text, entry, std::nullopt, 0, probe);
        text +=
            "\nThis format uses a typed or opaque handle, or is not safely exposed as an HGLOBAL memory block.\n"
            "The inspector will not guess the handle type or dereference unknown memory.\n";
        return to_crlf(text);
    }

    text += "Global size: " + std::to_string(facts.global_size) + " bytes\n";
    if (facts.copy_error) {
        text += "\nThe memory block could not be locked: " + *facts.copy_error + "\n";
        return to_crlf(text);
    }
    // The block is no longer than the smallest size anyone reported for it.
    const auto shown = static_cast<std::size_t>(
        std::min<std::uint64_t>({facts.first_bytes.size(), facts.global_size, RAW_PREVIEW_BYTES}));
    const ByteView bytes = ByteView(facts.first_bytes).first(shown);

    append_interpretation(text, entry, bytes, facts.global_size, probe);
    append_dib_header(text, entry.id, bytes);
    text += "\nFirst " + std::to_string(shown) + (shown == 1 ? " byte:\n" : " bytes:\n");
    text += hex_dump(bytes);
    if (shown < facts.global_size)
        text += "\n... " + std::to_string(facts.global_size - shown) + " additional bytes not displayed\n";
    return to_crlf(text);
}

}  // namespace cw
