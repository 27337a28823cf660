#include "inspect/dispatcher.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/byte_reader.h"
#include "base/text.h"
#include "capture/clipboard_formats.h"
#include "capture/format_identity.h"
#include "inspect/embedded_object.h"
#include "inspect/link_formats.h"
#include "inspect/ole_objects.h"
#include "inspect/signatures.h"
#include "inspect/text_locale.h"
#include "preview/audio.h"
#include "preview/html_document.h"
#include "preview/sheet_text.h"
#include "preview/table_text.h"
#include "preview/workbook_preview.h"
#include "report/report_text.h"

namespace cw {

namespace {

bool name_is(const FormatEntry& entry, std::initializer_list<std::string_view> names)
{
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return names_equal(entry.name, n); });
}

}  // namespace

bool is_encoded_image_format_name(std::string_view name)
{
    static constexpr std::array<std::string_view, 8> names{"PNG",       "GIF",        "JFIF",       "TIFF",
                                                           "image/png", "image/gif", "image/jpeg", "image/tiff"};
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return names_equal(name, n); });
}

bool is_adobe_advertised_format(std::string_view name)
{
    return names_equal(name, "Photoshop DIB Layer") || names_equal(name, "Photoshop DIB Layer X") ||
           names_equal(name, "Adobe Photoshop Image");
}

DispatchRow classify_dispatch_row(const FormatEntry& entry)
{
    const std::uint32_t id = entry.id;
    if (is_encoded_image_format_name(entry.name)) return DispatchRow::EncodedImage;
    if (id == CF_RIFF_ID || id == CF_WAVE_ID) return DispatchRow::WaveAudio;
    if (id == CF_HDROP_ID) return DispatchRow::DropList;
    if (name_is(entry, {"Shell IDList Array"})) return DispatchRow::ShellIdListArray;
    if (name_is(entry, {"DataObjectAttributes"})) return DispatchRow::ShellAttributes;
    if (name_is(entry, {"DataObjectAttributesRequiringElevation"})) return DispatchRow::ShellAttributesElevation;
    if (name_is(entry, {"Shell Object Offsets"})) return DispatchRow::ShellObjectOffsets;
    if (name_is(entry, {"Preferred DropEffect"})) return DispatchRow::PreferredDropEffect;
    if (name_is(entry, {"AsyncFlag"})) return DispatchRow::AsyncFlag;
    if (name_is(entry, {"FileName", "FileNameW"})) return DispatchRow::PathAlias;
    if (name_is(entry, {"FileGroupDescriptorW", "FileGroupDescriptor"})) return DispatchRow::FileGroupDescriptor;
    if (name_is(entry, {"Photoshop Clip Source"})) return DispatchRow::ClipSource;
    if (name_is(entry, {"Photoshop Paste in Place"})) return DispatchRow::PasteInPlace;
    if (entry.name.size() >= 16 && names_equal(std::string_view(entry.name).substr(0, 16), "rich text format"))
        return DispatchRow::RichText;
    if (name_is(entry, {"UniformResourceLocatorW", "UniformResourceLocator", "Chromium internal source URL"}))
        return DispatchRow::Url;
    if (name_is(entry, {"text/html", "HTML Format"})) return DispatchRow::Html;
    if (name_is(entry, {"Chromium internal source RFH token"})) return DispatchRow::RfhToken;
    if (id == CF_SYLK_ID || id == CF_DIF_ID) return DispatchRow::SylkOrDif;
    if (name_is(entry, {"XML Spreadsheet"})) return DispatchRow::XmlSpreadsheet;
    if (name_is(entry, {"Csv", "text/csv"})) return DispatchRow::Csv;
    if (name_is(entry, {"Embed Source", "Native"})) return DispatchRow::EmbeddedObject;
    if (name_is(entry, {"Biff5", "Biff8", "Biff12"})) return DispatchRow::Workbook;
    if (id == CF_LOCALE_ID) return DispatchRow::Locale;
    if (id == CF_DSPTEXT_ID) return DispatchRow::DisplayText;
    if (name_is(entry, {"OwnerLink", "ObjectLink", "Link", "Link Source", "Object Descriptor",
                        "Link Source Descriptor"}))
        return DispatchRow::OleLink;
    if (id == CF_UNICODETEXT_ID) return DispatchRow::UnicodeText;
    if (id == CF_TEXT_ID || id == CF_OEMTEXT_ID) return DispatchRow::AnsiText;
    return DispatchRow::RawMetadata;
}

std::uint64_t dispatch_read_limit(DispatchRow row)
{
    switch (row) {
        case DispatchRow::EncodedImage:
        case DispatchRow::WaveAudio:
        case DispatchRow::EmbeddedObject:
        case DispatchRow::Workbook:
            return LARGE_PAYLOAD_LIMIT;
        case DispatchRow::Locale:
            return 16;
        case DispatchRow::DropList:
        case DispatchRow::RawMetadata:
            return 0;
        default:
            return RECORD_PAYLOAD_LIMIT;
    }
}

DetailReport text_rule(std::string text, std::uint64_t shown, std::uint64_t total)
{
    append_truncation_note(text, shown, total);
    if (is_tab_table_text(text)) return DetailReport::make_table(parse_delimited_text(text, '\t'));
    return DetailReport::make_text(std::move(text));
}

bool has_byte_interpreter(DispatchRow row)
{
    switch (row) {
        case DispatchRow::WaveAudio:
        case DispatchRow::RichText:
        case DispatchRow::Html:
        case DispatchRow::Csv:
        case DispatchRow::SylkOrDif:
        case DispatchRow::XmlSpreadsheet:
        case DispatchRow::Workbook:
        case DispatchRow::Locale:
        case DispatchRow::DisplayText:
        case DispatchRow::UnicodeText:
        case DispatchRow::AnsiText:
        case DispatchRow::Url:
        case DispatchRow::RfhToken:
        case DispatchRow::EmbeddedObject:
        case DispatchRow::OleLink:
            return true;
        default:
            return false;
    }
}

bool reads_ansi_text(DispatchRow row)
{
    return row == DispatchRow::Csv || row == DispatchRow::SylkOrDif || row == DispatchRow::DisplayText ||
           row == DispatchRow::AnsiText;
}

namespace {

DetailReport eight_bit_text_report(DispatchRow row, const FormatEntry& entry, const GlobalCopy& copy,
                                   const AnsiTextContext& ansi)
{
    DecodedText decoded =
        decode_ansi_text(copy.bytes, entry.id == CF_OEMTEXT_ID ? CodePageKind::Oem : CodePageKind::Ansi, ansi);
    DetailReport report;
    switch (row) {
        case DispatchRow::Csv:
            report = DetailReport::make_table(parse_delimited_text(std::move(decoded.text), ','));
            break;
        case DispatchRow::SylkOrDif:
            report = DetailReport::make_table(entry.id == CF_SYLK_ID ? parse_sylk(std::move(decoded.text))
                                                                    : parse_dif(std::move(decoded.text)));
            break;
        case DispatchRow::DisplayText:
            report = DetailReport::make_text(std::move(decoded.text));
            break;
        default:
            report = text_rule(std::move(decoded.text), copy.bytes.size(), copy.total_size);
            break;
    }
    report.text_encoding = std::move(decoded.encoding);
    return report;
}

}  // namespace

std::optional<DetailReport> interpret_copied_bytes(DispatchRow row, const FormatEntry& entry, const GlobalCopy& copy,
                                                   LocaleNameLookup locale_name, const AnsiTextContext& ansi)
{
    if (reads_ansi_text(row)) return eight_bit_text_report(row, entry, copy, ansi);
    switch (row) {
        case DispatchRow::WaveAudio: {
            // A cut copy would play and describe a different sound.
            if (!copy.complete())
                return DetailReport::make_unavailable(Error::invalid_data(std::string(AUDIO_TOO_LARGE_MESSAGE)));
            Result<WaveAudio> audio = parse_wave_audio(copy.bytes);
            if (!audio) return DetailReport::make_unavailable(audio.error());
            return DetailReport::make_audio(std::make_shared<const WaveAudio>(std::move(audio).value()));
        }
        case DispatchRow::Locale:
            return DetailReport::make_table(analyze_locale(copy.bytes, locale_name));
        case DispatchRow::RichText: {
            const auto end = std::find(copy.bytes.begin(), copy.bytes.end(), std::uint8_t{0});
            return DetailReport::make_rich_text(std::string(copy.bytes.begin(), end), text_of_bytes(copy.bytes));
        }
        case DispatchRow::Html:
            return DetailReport::make_html(make_html_preview(copy.bytes));
        case DispatchRow::XmlSpreadsheet:
            return DetailReport::make_table(parse_xml_spreadsheet(text_of_bytes(copy.bytes)));
        case DispatchRow::Workbook:
            return DetailReport::make_table(read_workbook(entry.name, copy.bytes));
        case DispatchRow::UnicodeText:
            return text_rule(decode_utf16_text(copy.bytes), copy.bytes.size(), copy.total_size);
        case DispatchRow::Url:
            return DetailReport::make_table(analyze_url(entry.name, copy.bytes));
        case DispatchRow::RfhToken:
            return DetailReport::make_table(analyze_rfh_token(copy.bytes));
        case DispatchRow::EmbeddedObject: {
            DetailReport report = DetailReport::make_table(analyze_embedded_object(entry.name, copy.bytes));
            // A whole copy is what a save reads, so the proposed name needs no read of its own.
            if (copy.complete()) report.holds_photoshop_document = holds_photoshop_document(copy.bytes);
            return report;
        }
        case DispatchRow::OleLink:
            return DetailReport::make_table(analyze_ole_link_format(entry.name, copy.bytes));
        default:
            return std::nullopt;
    }
}

namespace {

std::string photoshop_version_text(std::uint16_t version)
{
    if (version == 1) return "1 (PSD)";
    if (version == 2) return "2 (PSB)";
    return std::to_string(version);
}

std::string color_mode_text(std::uint16_t mode)
{
    switch (mode) {
        case 0: return "Bitmap";
        case 1: return "Grayscale";
        case 2: return "Indexed";
        case 3: return "RGB";
        case 4: return "CMYK";
        case 7: return "Multichannel";
        case 8: return "Duotone";
        case 9: return "Lab";
        default: return "Unknown (" + std::to_string(mode) + ")";
    }
}

}  // namespace

PropertyTable stream_table(const FormatEntry& entry, const StreamRead& read)
{
    const std::uint64_t n = read.bytes.size();
    PropertyRows rows{
        {"Transfer medium", "OLE IStream"},
        {"Retrieved bytes", std::to_string(n) + " (" + size_text(n) + ")"},
        {"Stream status", read.complete ? "Complete" : "Preview limited to " + size_text(OLE_STREAM_LIMIT)},
        {"Signature", describe_payload_signature(ByteView(read.bytes).first(std::min<std::size_t>(n, 512)))},
    };
    const ByteReader r{ByteView(read.bytes)};
    if (n >= 26 && read.bytes[0] == '8' && read.bytes[1] == 'B' && read.bytes[2] == 'P' && read.bytes[3] == 'S') {
        const std::uint16_t version = *r.u16be(4);
        rows.emplace_back("Photoshop version", photoshop_version_text(version));
        rows.emplace_back("Dimensions", std::to_string(*r.u32be(18)) + " x " + std::to_string(*r.u32be(14)) + " px");
        rows.emplace_back("Channels", std::to_string(*r.u16be(12)));
        rows.emplace_back("Depth", std::to_string(*r.u16be(22)) + " bits/channel");
        rows.emplace_back("Color mode", color_mode_text(*r.u16be(24)));
        std::string candidate = "Unavailable until the complete stream is retrieved";
        if (read.complete && version == 1) candidate = ".psd (exact IStream bytes)";
        if (read.complete && version == 2) candidate = ".psb (exact IStream bytes)";
        rows.emplace_back("Save candidate", candidate);
    }
    const std::size_t m = static_cast<std::size_t>(std::min<std::uint64_t>(n, RAW_PREVIEW_BYTES));
    std::string raw = "OLE FORMATETC\r\n=============\r\nFormat : " + entry.name + "\r\n" + advertisement_text(entry) +
                      "\r\nThe stream was read through IDataObject::GetData and released with ReleaseStgMedium."
                      "\r\n\r\nFirst " + std::to_string(m) + " bytes:\r\n" +
                      to_crlf(hex_dump(ByteView(read.bytes).first(m)));
    PropertyTable table = make_property_table(std::move(rows), std::move(raw));
    table.table_caption = "Stream";
    table.text_caption = "Evidence";
    return table;
}

PropertyTable file_contents_contract_table()
{
    PropertyTable table = make_property_table(
        {
            {"Meaning", "Indexed file-content stream used with FileGroupDescriptor/FileGroupDescriptorW."},
            {"Retrieval model",
             "Request FORMATETC for FileContents through the OLE IDataObject with lindex set to the descriptor's "
             "zero-based index. The storage medium may be IStream, HGLOBAL, or another advertised TYMED."},
            {"Why raw GetClipboardData is insufficient",
             "The registered format name does not identify which virtual file is requested and does not preserve "
             "the indexed OLE storage-medium contract."},
            {"This specimen",
             "CF_HDROP exposes a normal filesystem path, so Clipwright should read that path instead of forcing the "
             "virtual-file stream. FileContents remains the fallback for remote, virtual, or pathless transfers."},
            {"Save guidance",
             "Materialize each stream using its matching descriptor name, enforce size limits, and never treat the "
             "stream object or handle itself as file bytes."},
        },
        "No raw byte dump: FileContents is an indexed OLE transfer contract, not one self-describing HGLOBAL block.");
    table.table_caption = "Content stream contract";
    table.text_caption = "Raw access note";
    return table;
}

std::string adobe_advertisement_report(const FormatEntry& entry, std::string_view error_display)
{
    std::string explanation;
    if (names_equal(entry.name, "Photoshop DIB Layer"))
        explanation = "Legacy Photoshop layer-transfer contract used between Adobe-aware paste targets.";
    else if (names_equal(entry.name, "Photoshop DIB Layer X"))
        explanation = "Extended Photoshop layer-transfer contract used between Adobe-aware paste targets.";
    else
        explanation = "Native Adobe Photoshop OLE image contract. The actual embedded object is also advertised "
                      "through Embed Source and Native.";
    return "ADVERTISED ADOBE FORMAT\r\n=========================\r\nName   : " + entry.name +
           "\r\nRole   : " + std::string(format_role(entry)) +
           "\r\nStatus : advertised, but no standalone data handle was returned\r\n\r\n" + explanation + "\r\n\r\n" +
           advertisement_text(entry) +
           "\r\n\r\nThis does not mean the image is missing. The same logical copy is available through "
           "CF_DIB/CF_DIBV5/CF_BITMAP, metafile renditions, and the OLE embedded object.\r\n\r\nSave guidance: do "
           "not show this row as a separate output choice. Prefer the decoded image rendition; retain this "
           "advertisement only for compatibility diagnostics.\r\n\r\nWin32 retrieval result: " +
           std::string(error_display);
}

std::string describe_ole_stream_failure(const FormatEntry& entry, const FormatOffer& offer,
                                        std::string_view error_display)
{
    std::string text = "OLE STREAM RETRIEVAL\n====================\n";
    text += "Format : " + entry.name + "\n";
    text += "Medium : " + medium_text(offer.tymed) + "\n";
    text += "Aspect : " + aspect_text(offer.aspect) + "\n";
    text += "Index  : " + index_text(offer.lindex) + "\n";
    text +=
        "Status : IDataObject::GetData was attempted with the exact advertised FORMATETC, but the provider "
        "rejected or could not render it.\n";
    text += "Result : ";
    text += error_display;
    text +=
        "\n\nAn EnumFormatEtc entry is an advertised capability, not proof that delayed rendering will still "
        "succeed. Clipwright keeps the failed offer visible as evidence instead of pretending that an empty "
        "stream was returned.\n";
    if (names_equal(entry.name, "Adobe Photoshop Image")) {
        text +=
            "\nTHIS PHOTOSHOP SPECIMEN\n-----------------------\n"
            "The separate Native/Embed Source OLE container remains available and contains a "
            "signature-confirmed PSD /CONTENTS stream. Use that verified representation for native editable "
            "output; use CF_DIB/CF_DIBV5 for the portable image.\n";
    }
    text += '\n';
    text += advertisement_text(entry);
    return to_crlf_mixed(text);
}

namespace {

// `note` follows the identifier: a long transport part wraps out of the one-line label, and the
// list shows that part in its columns anyway.
std::string heading_with(const FormatEntry& entry, const std::string& note)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%04X", entry.id);
    std::vector<std::string> media;
    for (const FormatOffer& offer : entry.offers) {
        std::string text = medium_text(offer.tymed);
        if (std::find(media.begin(), media.end(), text) == media.end()) media.push_back(std::move(text));
    }
    std::string joined;
    for (const std::string& m : media) {
        if (!joined.empty()) joined += " | ";
        joined += m;
    }
    if (joined.empty()) joined.push_back('-');
    return entry.name + " | ID " + std::to_string(entry.id) + " (0x" + hex + ") | " +
           (note.empty() ? "" : note + " | ") + entry.class_label + " | " + source_text(entry) + " | " + joined;
}

}  // namespace

std::string detail_heading(const FormatEntry& entry) { return heading_with(entry, {}); }

std::string detail_heading(const FormatEntry& entry, const DetailReport& report)
{
    return heading_with(entry, report.text_encoding);
}

std::string unavailable_text(const FormatEntry& entry, std::string_view error_display)
{
    return "The format is advertised, but the flat Win32 clipboard API could not provide its data.\r\n\r\n" +
           advertisement_text(entry) + "\r\n\r\n" + std::string(error_display) +
           "\r\n\r\nAn OLE-only format may require IDataObject::GetData using the advertised storage medium and "
           "index. This can also happen when a source application's delayed renderer is no longer available.";
}

}  // namespace cw
