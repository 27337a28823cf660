#include "save/paste_items.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "base/text.h"
#include "report/report_text.h"
#include "save/file_name.h"
#include "save/paste_names.h"

namespace cw {

std::vector<VirtualFileDescriptor> parse_file_descriptors(std::string_view format_name, ByteView block, std::size_t cap,
                                                          std::uint32_t* advertised)
{
    constexpr std::uint32_t FD_FILESIZE = 0x40;
    const bool unicode = names_equal(format_name, "FileGroupDescriptorW");
    const std::uint64_t size = unicode ? 592 : 332;
    const ByteReader r(block);
    const std::uint32_t count = r.u32le(0).value_or(0);
    if (advertised) *advertised = count;
    std::vector<VirtualFileDescriptor> descriptors;
    for (std::uint64_t i = 0; i < count && i < cap; ++i) {
        const auto d = r.slice(4 + size * i, size);
        if (!d) break;
        const ByteReader dr(*d);
        VirtualFileDescriptor descriptor;
        const ByteView name_field = dr.tail(72);
        descriptor.name = unicode ? decode_utf16le_to_first_zero(name_field) : decode_utf8_to_first_zero(name_field);
        descriptor.attributes = *dr.u32le(36);
        if (*dr.u32le(0) & FD_FILESIZE) descriptor.size = (std::uint64_t{*dr.u32le(64)} << 32) | *dr.u32le(68);
        descriptors.push_back(std::move(descriptor));
    }
    return descriptors;
}

std::vector<PasteItem> virtual_file_items(const std::vector<VirtualFileDescriptor>& descriptors, std::uint32_t advertised)
{
    constexpr std::uint32_t DIRECTORY = 0x10;
    std::vector<PasteItem> items;
    for (std::size_t i = 0; i < descriptors.size(); ++i) {
        const VirtualFileDescriptor& d = descriptors[i];
        PasteItem item;
        item.given_name = d.name;
        item.kind = (d.attributes & DIRECTORY) ? PasteItemKind::Folder : PasteItemKind::File;
        item.content_index = static_cast<std::int32_t>(i);
        item.size = d.size;
        if (auto safe = sanitize_item_path(d.name))
            item.path = std::move(safe->components);
        else
            item.refusal = *safe.error().message;
        items.push_back(std::move(item));
    }
    if (advertised > descriptors.size() && descriptors.size() == MAX_PASTE_ITEMS) {
        PasteItem rest;
        rest.given_name = "FileContents #" + std::to_string(MAX_PASTE_ITEMS) + " and after";
        rest.refusal = PASTE_TOO_MANY_ITEMS;
        items.push_back(std::move(rest));
    }
    return items;
}

std::optional<std::string_view> check_announced_size(std::vector<std::uint8_t>& bytes, std::optional<std::uint64_t> announced,
                                                     bool global_memory)
{
    if (!announced) return std::nullopt;
    if (bytes.size() < *announced) return PASTE_SHORTER_THAN_ANNOUNCED;
    if (bytes.size() > *announced) {
        if (!global_memory) return PASTE_LONGER_THAN_ANNOUNCED;
        bytes.resize(static_cast<std::size_t>(*announced));
    }
    return std::nullopt;
}

Result<std::vector<std::uint8_t>> hold_content(ItemContent content, std::uint64_t limit, std::string_view too_large)
{
    std::vector<std::uint8_t> bytes = std::move(content.held);
    if (content.read) {
        constexpr std::size_t PIECE = 0x10000;
        for (;;) {
            const std::size_t at = bytes.size();
            if (at > limit) break;
            bytes.resize(at + PIECE);
            Result<std::size_t> got = content.read(std::span<std::uint8_t>(bytes).subspan(at));
            if (!got) return got.error();
            bytes.resize(at + std::min(*got, PIECE));
            if (*got == 0) break;
        }
    }
    if (bytes.size() > limit) return Error::invalid_data(std::string(too_large));
    return bytes;
}

std::string FreeNames::choose(std::string_view folder, std::string_view name, bool folder_item)
{
    FileNameParts parts{std::string(name), ""};
    if (!folder_item) parts = split_file_name(name, "");
    const auto numbered = [&](std::uint64_t n) {
        std::string file = parts.base;
        if (n) file += "_" + std::to_string(n);
        if (!parts.extension.empty()) file += "." + parts.extension;
        return join_path(folder, file);
    };
    const std::string key = ascii_lower(numbered(0));
    std::uint64_t& n = next_[key];
    std::string path = numbered(n);
    while (exists_(path)) path = numbered(++n);
    ++n;  // this one is taken now
    return path;
}

namespace {

std::string error_text(const Error& error)
{
    return error.message.value_or("Error " + hresult_hex(error.code) + ".");
}

// Folders already made in this paste, by their relative path in lower case.
class FolderMap {
public:
    FolderMap(std::string_view root, PasteTarget& target, FreeNames& names) : root_(root), target_(target), names_(names) {}

    // The folder for the first `depth` components of `path`, made when needed.
    Result<std::string> folder(const std::vector<std::string>& path, std::size_t depth)
    {
        std::string parent = root_;
        std::string key;
        for (std::size_t i = 0; i < depth; ++i) {
            key += ascii_lower(path[i]) + "\\";
            if (auto found = made_.find(key); found != made_.end()) {
                parent = found->second;
                continue;
            }
            std::string made = names_.choose(parent, path[i], true);
            if (Status status = target_.make_folder(made); !status) return status.error();
            parent = made_[key] = std::move(made);
        }
        return parent;
    }

private:
    std::string root_;
    PasteTarget& target_;
    FreeNames& names_;
    std::map<std::string, std::string> made_;
};

}  // namespace

PasteReport place_items(const std::vector<PasteItem>& items, std::string_view root, PasteTarget& target,
                        const FetchContent& fetch)
{
    PasteReport report;
    FreeNames names([&target](const std::string& path) { return target.exists(path); });
    FolderMap folders(root, target, names);
    for (const PasteItem& item : items) {
        const auto fail = [&](std::string reason) { report.failures.push_back({item.given_name, std::move(reason)}); };
        if (!item.refusal.empty() || item.path.empty()) {
            fail(item.refusal.empty() ? std::string(ITEM_NAME_EMPTY) : item.refusal);
            continue;
        }
        const bool folder = item.kind == PasteItemKind::Folder;
        Result<std::string> place = folders.folder(item.path, item.path.size() - (folder ? 0 : 1));
        if (!place) {
            fail(error_text(place.error()));
            continue;
        }
        if (!folder) {
            Result<ItemContent> content = fetch(item);
            if (!content) {
                fail(error_text(content.error()));
                continue;
            }
            std::string file = names.choose(*place, item.path.back(), false);
            if (Status written = target.write_file(file, std::move(*content)); !written) {
                fail(error_text(written.error()));
                continue;
            }
            place = std::move(file);
        }
        if (item.top_level) report.written.push_back(std::move(*place));
    }
    return report;
}

std::string_view listing_extension(ListingFormat format)
{
    switch (format) {
        case ListingFormat::Text:
            return "txt";
        case ListingFormat::Csv:
            return "csv";
        case ListingFormat::Json:
            break;
    }
    return "json";
}

namespace {

std::string csv_field(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string size_cell(const std::optional<std::uint64_t>& size)
{
    return size ? std::to_string(*size) + " bytes (" + size_text(*size) + ")" : "";
}

}  // namespace

std::string render_listing(const std::vector<ListingRow>& rows, ListingFormat format)
{
    std::string out;
    if (format == ListingFormat::Json) {
        nlohmann::ordered_json items = nlohmann::ordered_json::array();
        for (const ListingRow& row : rows)
            items.push_back({{"name", row.name},
                             {"kind", row.kind},
                             {"size", row.size ? nlohmann::ordered_json(*row.size) : nullptr},
                             {"location", row.location},
                             {"availability", row.availability}});
        return nlohmann::ordered_json{{"items", items}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\r\n";
    }
    if (format == ListingFormat::Csv) {
        out = "Name,Kind,Size,Location,Availability\r\n";
        for (const ListingRow& row : rows)
            out += csv_field(row.name) + "," + row.kind + "," + (row.size ? std::to_string(*row.size) : "") + "," +
                   csv_field(row.location) + "," + csv_field(row.availability) + "\r\n";
        return out;
    }
    for (const ListingRow& row : rows) {
        out += row.name + "\r\n  Kind        : " + row.kind + "\r\n";
        if (row.size) out += "  Size        : " + size_cell(row.size) + "\r\n";
        out += "  Location    : " + row.location + "\r\n  Availability: " + row.availability + "\r\n\r\n";
    }
    return out;
}

}  // namespace cw
