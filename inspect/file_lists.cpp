#include "inspect/file_lists.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "base/text.h"
#include "inspect/archived_file_probe.h"
#include "inspect/bit_names.h"
#include "inspect/item_probe.h"
#include "report/report_text.h"

namespace cw {

namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

bool is_drive(std::string_view text)
{
    return text.size() >= 2 && text[1] == ':' && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

// The end of the component starting at `from` (the next separator or the end of the text).
std::size_t component_end(std::string_view path, std::size_t from)
{
    while (from < path.size() && !is_separator(path[from])) ++from;
    return from;
}

// Length of the part no component can remove: a drive ("C:" and its separator), a UNC share
// ("\\server\share\"), a verbatim or device prefix with what it addresses ("\\?\C:\",
// "\\?\UNC\server\share\", "\\.\pipe\"), or a leading separator.
std::size_t root_length(std::string_view path)
{
    auto with_separator = [&](std::size_t end) { return end < path.size() ? end + 1 : end; };
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        if (path.size() >= 3 && (path[2] == '?' || path[2] == '.') && (path.size() == 3 || is_separator(path[3]))) {
            const std::size_t start = std::min<std::size_t>(4, path.size());
            const std::string_view rest = path.substr(start);
            if (is_drive(rest)) return with_separator(start + 2);
            std::size_t end = component_end(path, start);
            if (names_equal(path.substr(start, end - start), "UNC") && end < path.size())
                end = component_end(path, component_end(path, end + 1) + 1);
            return with_separator(std::min(end, path.size()));
        }
        const std::size_t server_end = component_end(path, 2);
        if (server_end >= path.size()) return path.size();
        return with_separator(component_end(path, server_end + 1));
    }
    if (is_drive(path)) return path.size() > 2 && is_separator(path[2]) ? 3 : 2;
    return !path.empty() && is_separator(path[0]) ? 1 : 0;
}

struct Component {
    std::size_t begin;
    std::size_t end;
};

// The last two components after the root ("." components do not count).
std::array<std::optional<Component>, 2> last_components(std::string_view path, std::size_t root)
{
    std::array<std::optional<Component>, 2> last;
    std::size_t p = root;
    while (p < path.size()) {
        if (is_separator(path[p])) {
            ++p;
            continue;
        }
        const std::size_t end = component_end(path, p);
        if (path.substr(p, end - p) != ".") {
            last[0] = last[1];
            last[1] = Component{p, end};
        }
        p = end;
    }
    return last;
}

std::string bytes_and_size(std::uint64_t bytes) { return std::to_string(bytes) + " (" + size_text(bytes) + ")"; }

struct Civil {
    std::int64_t year;
    unsigned month, day;
};

// Days since 1970-01-01 to a proleptic Gregorian date.
Civil civil_from_days(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::uint64_t doe = static_cast<std::uint64_t>(z - era * 146097);
    const std::uint64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::uint64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::uint64_t mp = (5 * doy + 2) / 153;
    const unsigned day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    const unsigned month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    return Civil{year, month, day};
}

constexpr std::array<BitName, 14> FILE_ATTRIBUTE_NAMES{{
    {0x0001, "Read-only"},
    {0x0002, "Hidden"},
    {0x0004, "System"},
    {0x0010, "Directory"},
    {0x0020, "Archive"},
    {0x0040, "Device"},
    {0x0080, "Normal"},
    {0x0100, "Temporary"},
    {0x0200, "Sparse"},
    {0x0400, "Reparse point"},
    {0x0800, "Compressed"},
    {0x1000, "Offline"},
    {0x2000, "Not content-indexed"},
    {0x4000, "Encrypted"},
}};

std::string file_attributes_text(std::uint32_t attributes)
{
    const std::string names = set_bit_names(attributes, FILE_ATTRIBUTE_NAMES, ", ");
    return (names.empty() ? "None" : names) + " (0x" + hex8(attributes) + ")";
}

constexpr std::size_t SIGNATURE_SAMPLE_BYTES = 32;

std::vector<std::string> evidence_row(std::size_t number, const std::string& path, const FileProbe& probe)
{
    const PathParts parts = split_item_path(path);
    std::string type, size, detected, status = "Available";
    const PathMetadata meta = probe_item_metadata(probe, path, false);
    if (!meta.available || meta.kind == PathKind::OtherObject) {
        // Pipes, consoles and other devices are not files a copy could refer to.
        type = "Unknown";
        status = meta.error_text == ARCHIVED_PATH_NOT_PROBED ? std::string(ARCHIVED_PATH_NOT_PROBED) : "Unavailable";
    } else if (meta.kind == PathKind::NameSurrogate) {
        type = "Symbolic link/reparse reference";
    } else if (meta.kind == PathKind::Directory) {
        type = "Folder";
    } else {
        type = "File";
        size = bytes_and_size(meta.size);
        detected = item_signature_label(probe, path, SIGNATURE_SAMPLE_BYTES);
    }
    return {std::to_string(number), std::string(parts.name), std::move(type), std::move(size), std::move(detected),
            std::string(parts.location), std::move(status)};
}

// A path past the examined ones: listed by name and location, nothing asked.
std::vector<std::string> unexamined_row(std::size_t number, const std::string& path)
{
    const PathParts parts = split_item_path(path);
    return {std::to_string(number), std::string(parts.name), "", "", "", std::string(parts.location), "Not examined"};
}

}  // namespace

PathParts split_item_path(std::string_view path)
{
    const std::size_t root = root_length(path);
    const auto last = last_components(path, root);
    if (!last[1]) return PathParts{{}, {}};
    const Component c = *last[1];
    const std::string_view name = path.substr(c.begin, c.end - c.begin);
    const std::size_t location_end = last[0] ? last[0]->end : root;
    return PathParts{path.substr(0, location_end), name == ".." ? std::string_view{} : name};
}

std::string path_extension(std::string_view path)
{
    const std::string_view name = split_item_path(path).name;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return "None";
    return std::string(".").append(name.substr(dot + 1));
}

std::string format_filetime(ByteView eight_bytes)
{
    const std::uint64_t value = ByteReader(eight_bytes).u64le(0).value_or(0);
    if (value == 0) return "Not advertised";
    if (value >> 63) return "Invalid FILETIME";
    const std::uint64_t total_ms = value / 10000;
    const std::uint64_t seconds = total_ms / 1000;
    // 1601-01-01 is 134774 days before 1970-01-01.
    const Civil date = civil_from_days(static_cast<std::int64_t>(seconds / 86400) - 134774);
    const std::uint64_t in_day = seconds % 86400;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02u:%02u:%02u.%03u", static_cast<long long>(date.year),
                  date.month, date.day, static_cast<unsigned>(in_day / 3600), static_cast<unsigned>(in_day / 60 % 60),
                  static_cast<unsigned>(in_day % 60), static_cast<unsigned>(total_ms % 1000));
    return buffer;
}

std::vector<std::string> collect_drop_paths(const DropFileQuery& query)
{
    std::vector<std::string> paths;
    const std::uint32_t count = query(0xFFFFFFFFU, nullptr, 0);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t length = query(i, nullptr, 0);
        // A length the list cannot hold (it is bounded by the block) is not allocated for.
        if (length >= 0x7FFFFFFFU) {
            paths.emplace_back();
            continue;
        }
        std::u16string buffer(std::size_t{length} + 1, u'\0');
        const std::uint32_t copied = query(i, buffer.data(), length + 1);
        // The entry may have changed since its length was asked; what fits the buffer is kept,
        // and never a zero unit, which would end the path early at the Win32 boundary.
        buffer.resize(std::min<std::uint32_t>(copied, length));
        buffer.resize(std::min(buffer.size(), buffer.find(u'\0')));
        paths.push_back(utf16_to_utf8(buffer));
    }
    return paths;
}

namespace {

// Walks a DROPFILES list, handing `entry` the bytes of each path; false when the list does not
// end inside the block. Each entry ends with a zero unit; the list ends with an empty entry.
template <typename Entry>
bool walk_drop_list(ByteView block, Entry&& entry)
{
    const ByteReader r(block);
    const auto offset = r.u32le(0);
    const auto wide = r.u32le(16);
    if (!offset || !wide || *offset < 20) return false;
    const std::size_t unit = *wide ? 2 : 1;
    auto is_zero = [&](std::uint64_t p) { return unit == 2 ? *r.u16le(p) == 0 : *r.u8(p) == 0; };
    std::uint64_t p = *offset;
    for (;;) {
        if (!r.has(p, unit)) return false;
        if (is_zero(p)) return true;
        const std::uint64_t start = p;
        while (r.has(p, unit) && !is_zero(p)) p += unit;
        if (!r.has(p, unit)) return false;
        entry(*r.slice(start, p - start), unit == 2);
        p += unit;
    }
}

}  // namespace

bool drop_list_is_terminated(ByteView block)
{
    return walk_drop_list(block, [](ByteView, bool) {});
}

std::optional<std::vector<std::string>> drop_block_paths(ByteView block, const AnsiPathDecoder& decode_ansi)
{
    std::vector<std::string> paths;
    const bool terminated = walk_drop_list(block, [&](ByteView units, bool wide) {
        paths.push_back(wide ? decode_utf16le_to_first_zero(units)
                             : decode_ansi(std::string_view(reinterpret_cast<const char*>(units.data()), units.size())));
    });
    if (!terminated) return std::nullopt;
    return paths;
}

namespace {

// "10,000": the line is read as a sentence, so its numbers are grouped as in prose.
std::string grouped(std::size_t n)
{
    const std::string digits = std::to_string(n);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

}  // namespace

std::string examined_items_line(std::size_t total)
{
    return "Examined the first " + grouped(std::min(total, MAX_EXAMINED_PATHS)) + " of " + grouped(total) +
           " items.";
}

PropertyTable build_path_evidence(const std::vector<std::string>& paths, const FileProbe& probe)
{
    const OncePerHostProbe report_probe(probe);
    PropertyTable table;
    table.columns = {"#", "Name", "Type", "Size", "Detected", "Location", "Status"};
    table.rows.reserve(paths.size());
    std::string listing;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (i < MAX_EXAMINED_PATHS)
            table.rows.push_back(evidence_row(i + 1, paths[i], report_probe));
        else
            table.rows.push_back(unexamined_row(i + 1, paths[i]));
        listing += paths[i] + "\r\n";
    }
    table.raw_text = "CF_HDROP contains filesystem paths, not the contents of those files or folders.\r\nThe "
                     "referenced objects can change or disappear after the clipboard is populated.\r\n\r\n";
    if (paths.size() > MAX_EXAMINED_PATHS) table.raw_text += examined_items_line(paths.size()) + "\r\n\r\n";
    table.raw_text += listing;
    table.table_caption = "Items";
    table.text_caption = "Path evidence";
    return table;
}

PropertyTable analyze_file_group_descriptor(std::string_view format_name, ByteView bytes)
{
    const bool unicode = names_equal(format_name, "FileGroupDescriptorW");
    const std::uint64_t size = unicode ? 592 : 332;
    const ByteReader r(bytes);
    const std::uint32_t count = r.u32le(0).value_or(0);
    PropertyTable table;
    table.columns = {"#", "Advertised name", "Size", "Attributes", "Created (UTC)", "Modified (UTC)"};
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t at = 4 + size * i;
        if (!r.has(at, size)) {
            table.rows.push_back({std::to_string(i + 1), "Truncated descriptor", "", "", "", ""});
            break;
        }
        const ByteView d = *r.slice(at, size);
        const ByteReader dr(d);
        const ByteView name_field = dr.tail(72);
        const std::uint64_t file_size = (std::uint64_t{*dr.u32le(64)} << 32) | *dr.u32le(68);
        table.rows.push_back({
            std::to_string(i + 1),
            unicode ? decode_utf16le_to_first_zero(name_field) : decode_utf8_to_first_zero(name_field),
            (*dr.u32le(0) & 0x40) ? bytes_and_size(file_size) : "Not advertised",
            file_attributes_text(*dr.u32le(36)),
            format_filetime(*dr.slice(40, 8)),
            format_filetime(*dr.slice(56, 8)),
        });
    }
    table.raw_text = "FILEGROUPDESCRIPTOR manifest\r\nDescriptors advertised: " + std::to_string(count) +
                     "\r\nEncoding: " + (unicode ? "Unicode" : "ANSI") +
                     "\r\n\r\nThis is a manifest for one or more transferable files. It carries names, sizes, "
                     "attributes, and timestamps but not file bytes. Each descriptor corresponds by zero-based index "
                     "to a FileContents stream requested through OLE IDataObject::GetData.\r\n\r\n" +
                     to_crlf(hex_dump(bytes));
    table.table_caption = "Virtual file manifest";
    table.text_caption = "Structure / bytes";
    return table;
}

PropertyTable analyze_clip_source(ByteView bytes, const FileProbe& probe)
{
    const std::string path = decode_utf16le_to_first_zero(bytes);
    const PathMetadata meta = probe_item_metadata(probe, path, true);
    std::string status;
    if (!meta.available)
        status = "Unavailable (" + item_error_display(meta) + ")";
    else if (meta.kind == PathKind::NameSurrogate || meta.kind == PathKind::OtherObject)
        status = "Available non-file object";
    else if (meta.kind == PathKind::Directory)
        status = "Available directory";
    else
        status = "Available file, " + std::to_string(meta.size) + " bytes (" + size_text(meta.size) + ")";
    PropertyTable table = make_property_table(
        {
            {"Meaning", "Source document provenance"},
            {"Source path", path},
            {"Path status", std::move(status)},
            {"Extension", path_extension(path)},
            {"Save behavior",
             "Do not copy this whole source document when the requested content is the selected image layer."},
        },
        "Photoshop Clip Source is a null-terminated UTF-16 path naming the document from which the layer was "
        "copied.\r\nIt is provenance, not the copied image bytes.\r\n\r\n" +
            to_crlf(hex_dump(bytes)));
    table.table_caption = "Source document";
    return table;
}

}  // namespace cw
