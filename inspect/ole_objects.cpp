#include "inspect/ole_objects.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/text.h"
#include "inspect/signatures.h"
#include "libs/cfb/cfb.h"
#include "report/report_text.h"

namespace cw {

namespace {

constexpr std::uint64_t COUNTED_TEXT_LIMIT = 0x400000;
constexpr std::size_t DESCRIPTOR_SIZE = 52;
constexpr std::size_t CONTENTS_SAMPLE = 64;

using Clsid = std::array<std::uint8_t, 16>;

// The monikers' class identifiers {0000030X-0000-0000-C000-000000000046} as stored: the first
// three fields little-endian.
constexpr Clsid moniker_clsid(std::uint8_t kind)
{
    return {kind, 0x03, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
}
constexpr Clsid COMPOSITE_MONIKER = moniker_clsid(0x09);
constexpr Clsid FILE_MONIKER = moniker_clsid(0x03);
constexpr Clsid ITEM_MONIKER = moniker_clsid(0x04);

bool clsid_at(ByteView bytes, std::size_t offset, const Clsid& clsid)
{
    return range_fits(offset, clsid.size(), bytes.size()) &&
           std::equal(clsid.begin(), clsid.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::optional<std::size_t> find_clsid(ByteView bytes, const Clsid& clsid)
{
    const auto found = std::search(bytes.begin(), bytes.end(), clsid.begin(), clsid.end());
    if (found == bytes.end()) return std::nullopt;
    return static_cast<std::size_t>(found - bytes.begin());
}

std::string hex_upper(std::uint64_t value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

PropertyRows moniker_rows(ByteView bytes)
{
    const ByteReader r(bytes);
    PropertyRows rows;
    if (clsid_at(bytes, 0, COMPOSITE_MONIKER)) {
        rows.emplace_back("Moniker type", "Composite moniker");
        if (const auto count = r.u32le(16)) rows.emplace_back("Components", std::to_string(*count));
    }
    if (const auto f = find_clsid(bytes, FILE_MONIKER)) {
        rows.emplace_back("Component 1", "File moniker");
        if (const auto length = r.u32le(*f + 18)) {
            if (auto path = read_counted_text(bytes, *f + 22, *length)) rows.emplace_back("Workbook", std::move(*path));
        }
    }
    if (const auto f = find_clsid(bytes, ITEM_MONIKER)) {
        rows.emplace_back("Component 2", "Item moniker");
        const auto delimiter_length = r.u32le(*f + 16);
        auto delimiter = delimiter_length ? read_counted_text(bytes, *f + 20, *delimiter_length) : std::nullopt;
        if (delimiter) {
            rows.emplace_back("Delimiter", std::move(*delimiter));
            const std::uint64_t at = *f + 20 + std::uint64_t{*delimiter_length};
            if (const auto item_length = r.u32le(at)) {
                if (auto item = read_counted_text(bytes, at + 4, *item_length)) rows.emplace_back("Item", std::move(*item));
            }
        }
    }
    if (rows.empty())
        rows.emplace_back("Status", "Unrecognized serialized moniker; no text was guessed from binary data.");
    return rows;
}

// UTF-16 text from `offset` to the first zero unit or the block's end; none for an offset of 0 or
// one outside the block.
std::optional<std::string> descriptor_text(ByteView bytes, std::uint32_t offset)
{
    if (offset == 0 || offset >= bytes.size()) return std::nullopt;
    std::string text = decode_utf16le_to_first_zero(bytes.subspan(offset));
    if (text.empty()) return std::nullopt;
    return text;
}

std::string value_and_hex(std::uint32_t value)
{
    return std::to_string(value) + " (0x" + hex_upper(value, 1) + ")";
}

PropertyRows descriptor_rows(ByteView bytes)
{
    const ByteReader r(bytes);
    std::string clsid = "{" + hex_upper(*r.u32le(4), 8) + "-" + hex_upper(*r.u16le(8), 4) + "-" +
                        hex_upper(*r.u16le(10), 4) + "-";
    for (std::size_t i = 12; i < 20; ++i) {
        if (i == 14) clsid += '-';
        clsid += hex_upper(bytes[i], 2);
    }
    clsid += '}';
    PropertyRows rows{
        {"Structure size", std::to_string(*r.u32le(0)) + " bytes"},
        {"Class ID", std::move(clsid)},
        {"Draw aspect", value_and_hex(*r.u32le(20))},
        {"Suggested size", std::to_string(*r.i32le(24)) + " x " + std::to_string(*r.i32le(28)) + " HIMETRIC"},
        {"Drag point", std::to_string(*r.i32le(32)) + ", " + std::to_string(*r.i32le(36))},
        {"Status", value_and_hex(*r.u32le(40))},
    };
    if (auto type = descriptor_text(bytes, *r.u32le(44))) rows.emplace_back("Full user type", std::move(*type));
    if (auto source = descriptor_text(bytes, *r.u32le(48))) rows.emplace_back("Source of copy", std::move(*source));
    return rows;
}

PropertyTable numbered_parts_table(const std::vector<std::string>& parts, ByteView bytes)
{
    PropertyTable table;
    table.columns = {"Part", "Decoded value"};
    for (std::size_t i = 0; i < parts.size(); ++i) table.rows.push_back({std::to_string(i + 1), parts[i]});
    table.raw_text = to_crlf(hex_dump(bytes));
    return table;
}

// Calls `visit` with every run of bytes between zero bytes, the run after the last one included.
template <typename Visit>
void for_each_zero_separated_run(ByteView bytes, Visit visit)
{
    const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(all.find('\0', start), all.size());
        visit(all.substr(start, end - start));
        if (end == all.size()) return;
        start = end + 1;
    }
}

}  // namespace

std::optional<std::string> read_counted_text(ByteView bytes, std::uint64_t offset, std::uint64_t count)
{
    if (count == 0 || count > COUNTED_TEXT_LIMIT || !range_fits(offset, count, bytes.size())) return std::nullopt;
    ByteView text = bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
    if (text.back() == 0) text = text.first(text.size() - 1);
    return sanitize_utf8(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

std::vector<std::string> split_link_parts(ByteView bytes)
{
    std::vector<std::string> parts;
    for_each_zero_separated_run(bytes, [&](std::string_view run) {
        std::string part = trim_whitespace(sanitize_utf8(run));
        if (!part.empty()) parts.push_back(std::move(part));
    });
    return parts;
}

std::vector<std::string> extract_printable_strings(ByteView bytes)
{
    std::vector<std::string> strings;
    for_each_zero_separated_run(bytes, [&](std::string_view run) {
        if (run.size() < 3 || !std::all_of(run.begin(), run.end(), [](char c) { return c >= 0x20 && c <= 0x7E; }))
            return;
        std::string text = trim_whitespace(run);
        if (!text.empty()) strings.push_back(std::move(text));
    });
    std::sort(strings.begin(), strings.end());
    strings.erase(std::unique(strings.begin(), strings.end()), strings.end());
    return strings;
}

PropertyTable analyze_ole_link_format(std::string_view format_name, ByteView bytes)
{
    if (names_equal(format_name, "Link Source")) return make_property_table(moniker_rows(bytes), to_crlf(hex_dump(bytes)));
    if (format_name.find("Descriptor") != std::string_view::npos && bytes.size() >= DESCRIPTOR_SIZE)
        return make_property_table(descriptor_rows(bytes), to_crlf(hex_dump(bytes)));
    if (names_equal(format_name, "OwnerLink") || names_equal(format_name, "ObjectLink") ||
        names_equal(format_name, "Link"))
        return numbered_parts_table(split_link_parts(bytes), bytes);
    return numbered_parts_table(extract_printable_strings(bytes), bytes);
}

namespace {

struct EmbeddedReport {
    PropertyRows rows;
    std::string text;
};

void add_compound_listing(const cfb::CompoundFile& file, EmbeddedReport& report)
{
    const auto& entries = file.entries();
    report.rows.emplace_back("Compound entries", std::to_string(entries.size()));
    report.text += "\nCOMPOUND-FILE ENTRIES\n" + std::string(21, '-') + "\n";
    for (const cfb::Entry& entry : entries) {
        char line[48];
        std::snprintf(line, sizeof line, "%-7s %8llu bytes  ", std::string(cfb::kind_name(entry.kind)).c_str(),
                      static_cast<unsigned long long>(entry.size));
        report.text += line + entry.path + "\n";
    }
}

// True when /CONTENTS holds a confirmed Photoshop document.
bool add_contents_stream(const cfb::CompoundFile& file, EmbeddedReport& report)
{
    const auto stream = file.open_stream("/CONTENTS");
    if (!stream) return false;
    auto sample = file.read_prefix(*stream, CONTENTS_SAMPLE);
    const std::vector<std::uint8_t> first = sample ? std::move(*sample) : std::vector<std::uint8_t>{};
    const std::string interpretation = describe_stream_signature(first);
    const std::string length = std::to_string(stream->size) + " bytes";
    report.rows.emplace_back("Native CONTENTS stream", length);
    report.rows.emplace_back("CONTENTS interpretation", interpretation);
    report.text += "\nNATIVE CONTENTS STREAM\n" + std::string(22, '-') + "\nLength        : " + length +
                   "\nInterpretation: " + interpretation + "\nFirst bytes:\n" + hex_dump(first);
    return interpretation.find("PSD, signature confirmed") != std::string::npos;
}

void add_compobj_identity(const cfb::CompoundFile& file, EmbeddedReport& report)
{
    auto compobj = file.read_stream("/\x01" "CompObj");
    if (!compobj) return;
    const std::vector<std::string> strings = extract_printable_strings(*compobj);
    if (strings.empty()) return;
    std::string identity;
    report.text += "\nCOMPOBJ TEXT\n" + std::string(12, '-') + "\n";
    for (const std::string& s : strings) {
        if (!identity.empty()) identity += " | ";
        identity += s;
        report.text += s + "\n";
    }
    report.rows.emplace_back("Object identity", std::move(identity));
}

}  // namespace

PropertyTable analyze_embedded_object(std::string_view format_name, ByteView bytes)
{
    const std::uint64_t n = bytes.size();
    const std::string signature = describe_payload_signature(bytes);
    const bool compound_signature = n > 3 && bytes[0] == 0xD0 && bytes[1] == 0xCF && bytes[2] == 0x11 && bytes[3] == 0xE0;

    EmbeddedReport report;
    report.rows = {
        {"Clipboard role",
         names_equal(format_name, "Embed Source") ? "Embeddable OLE source object" : "Producer-native OLE object"},
        {"Container", compound_signature ? "OLE Compound File Binary (signature confirmed)" : signature},
        {"Container size", std::to_string(n) + " bytes (" + size_text(n) + ")"},
    };
    report.text = "EMBEDDED OLE OBJECT\n" + std::string(19, '=') + "\nClipboard format : " + std::string(format_name) +
                  "\nContainer bytes  : " + std::to_string(n) + "\nSignature        : " + signature + "\n";

    // Borrowed, not copied: the container can be as large as the clipboard block.
    auto file = cfb::CompoundFile::open(bytes);
    if (!file) {
        report.rows.emplace_back("Parser", "Invalid OLE container: " + file.error().message);
        report.text += "Parser error: " + file.error().message + "\n";
    } else {
        add_compound_listing(*file, report);
        const bool verified_psd = add_contents_stream(*file, report);
        add_compobj_identity(*file, report);
        report.rows.emplace_back("Save behavior",
                                 verified_psd ? "Verified .psd candidate: extract the /CONTENTS stream exactly; do "
                                                "not save the outer OLE wrapper as .psd"
                                              : "Advanced embedded-object evidence; do not label the container as PSD "
                                                "without an internal PSD signature");
    }
    PropertyTable table = make_property_table(std::move(report.rows), to_crlf_mixed(report.text));
    table.table_caption = "Object";
    table.text_caption = "Structure";
    return table;
}

}  // namespace cw
