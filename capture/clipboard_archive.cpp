#include "capture/clipboard_archive.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

#include <nlohmann/json.hpp>

#include "capture/clipboard_formats.h"
#include "capture/format_identity.h"

namespace cw {

namespace {

using json = nlohmann::ordered_json;

constexpr std::array<std::string_view, 5> ENCODING_NAMES{"global", "dib", "enhanced_metafile", "metafile_picture",
                                                         "palette"};
constexpr std::array<std::string_view, 4> CONTENT_NAMES{"stored", "synthesised", "failed", "items"};

Error archive_error(std::string text)
{
    return Error::invalid_data(std::move(text));
}

std::string hex_of(const std::vector<std::uint8_t>& bytes)
{
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        out += DIGITS[b >> 4];
        out += DIGITS[b & 15];
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> bytes_of_hex(std::string_view text)
{
    if (text.size() % 2 != 0) return std::nullopt;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return out;
}

std::string member_name(std::size_t position)
{
    return "formats/" + std::to_string(position) + ".bin";
}

std::string item_member_name(std::size_t position, std::int32_t lindex)
{
    return "formats/" + std::to_string(position) + "-item" + std::to_string(lindex) + ".bin";
}

json optional_text(const std::optional<std::string>& text)
{
    return text ? json(*text) : json(nullptr);
}

json offer_json(const ArchivedOffer& offer)
{
    return {{"tymed", offer.tymed},
            {"aspect", offer.aspect},
            {"lindex", offer.lindex},
            {"target_device", offer.target_device ? json(hex_of(*offer.target_device)) : json(nullptr)}};
}

json manifest_json(const ClipboardArchive& archive)
{
    json formats = json::array();
    for (std::size_t i = 0; i < archive.formats.size(); ++i) {
        const ArchivedFormat& format = archive.formats[i];
        json offers = json::array();
        for (const ArchivedOffer& offer : format.offers) offers.push_back(offer_json(offer));
        json entry = {{"id", format.id},
                      {"name", format.name},
                      {"registered", format.registered},
                      {"listed_by_win32", format.listed_by_win32},
                      {"offers", std::move(offers)},
                      {"content", archive_content_name(format.content)},
                      {"encoding", archive_encoding_name(format.encoding)}};
        if (format.content == ArchiveContent::stored) {
            entry["member"] = member_name(i + 1);
            entry["size"] = format.bytes.size();
        }
        entry["error"] = optional_text(format.error);
        json items = json::array();
        for (const ArchivedItem& item : format.items) {
            json one = {{"lindex", item.lindex}};
            if (item.bytes) {
                one["member"] = item_member_name(i + 1, item.lindex);
                one["size"] = item.bytes->size();
            }
            one["error"] = optional_text(item.error);
            items.push_back(std::move(one));
        }
        entry["items"] = std::move(items);
        formats.push_back(std::move(entry));
    }
    return {{"kind", CLIPBOARD_ARCHIVE_KIND},
            {"version", CLIPBOARD_ARCHIVE_VERSION},
            {"created", archive.created},
            {"sequence_number", archive.sequence_number},
            {"owner_window", archive.owner_window},
            {"enum_end_code", archive.enum_end_code},
            {"ole_error", optional_text(archive.ole_error)},
            {"formats", std::move(formats)}};
}

// ---- writing ----

struct ZipSourceOwner {
    zip_source_t* source = nullptr;
    ~ZipSourceOwner()
    {
        if (source) zip_source_free(source);
    }
};

struct ZipErrorOwner {
    zip_error_t error;
    ZipErrorOwner() { zip_error_init(&error); }
    ~ZipErrorOwner() { zip_error_fini(&error); }
    std::string text() { return zip_error_strerror(&error); }
};

Error write_failed(std::string_view what)
{
    return archive_error("The archive could not be written: " + std::string(what) + ".");
}

// Adds a member that refers to `data` without copying it; `data` must outlive zip_close.
bool add_member(zip_t* zip, const std::string& name, const void* data, std::size_t size)
{
    zip_source_t* source = zip_source_buffer(zip, data, size, 0);
    if (!source) return false;
    const zip_int64_t index = zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    return zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) == 0;
}

Result<std::vector<std::uint8_t>> read_back(zip_source_t* source)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_open(source) != 0) return write_failed(zip_error_strerror(zip_source_error(source)));
    std::vector<std::uint8_t> out;
    if (zip_source_stat(source, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) out.reserve(static_cast<std::size_t>(st.size));
    std::array<std::uint8_t, 1 << 16> buffer;
    for (;;) {
        const zip_int64_t n = zip_source_read(source, buffer.data(), buffer.size());
        if (n < 0) {
            zip_source_close(source);
            return write_failed(zip_error_strerror(zip_source_error(source)));
        }
        if (n == 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
    zip_source_close(source);
    return out;
}

// ---- reading ----

// A member name that could name a place outside a folder it were extracted to. Members are
// only ever read into memory, but such an archive was not written by a dump.
bool unsafe_member_name(std::string_view name)
{
    if (name.empty() || name.front() == '/' || name.front() == '\\') return true;
    if (name.size() >= 2 && name[1] == ':') return true;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        if (name.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

constexpr std::uint64_t MAX_INFLATE_RATIO = 1100;

class ZipReader {
public:
    ~ZipReader()
    {
        if (zip_) zip_discard(zip_);
    }

    Status open(ByteView bytes)
    {
        ZipErrorOwner error;
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error.error);
        if (!source) return archive_error(std::string(ARCHIVE_NOT_ZIP));
        zip_ = zip_open_from_source(source, ZIP_RDONLY, &error.error);
        if (!zip_) {
            zip_source_free(source);
            return archive_error(std::string(ARCHIVE_NOT_ZIP));
        }
        const zip_int64_t count = zip_get_num_entries(zip_, 0);
        if (count < 0 || static_cast<std::uint64_t>(count) > ARCHIVE_ENTRY_LIMIT)
            return archive_error("The archive holds " + std::to_string(count) + " members; at most " +
                                 std::to_string(ARCHIVE_ENTRY_LIMIT) + " are read.");
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* name = zip_get_name(zip_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
            if (!name) return archive_error("The archive's member " + std::to_string(i) + " has no readable name.");
            if (unsafe_member_name(name))
                return archive_error("The archive has a member named \"" + std::string(name) +
                                     "\", outside the archive's own folder; it is not read.");
        }
        return ok_status();
    }

    // The central directory's size of a member; none when there is no such member.
    std::optional<std::uint64_t> size_of(const std::string& name) const
    {
        const zip_int64_t index = zip_name_locate(zip_, name.c_str(), 0);
        zip_stat_t st;
        zip_stat_init(&st);
        if (index < 0 || zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
            !(st.valid & ZIP_STAT_SIZE))
            return std::nullopt;
        return st.size;
    }

    // Exactly `expected` bytes: the manifest's size, the central directory's and the inflated
    // count must agree, so a member that inflates beyond its stated size is never held.
    Result<std::vector<std::uint8_t>> read(const std::string& name, std::uint64_t expected)
    {
        const zip_int64_t index = zip_name_locate(zip_, name.c_str(), 0);
        if (index < 0) return archive_error("The archive has no member " + name + ".");
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
            return archive_error("The archive's member " + name + " cannot be read.");
        if (st.size != expected) return size_mismatch(name, expected, st.size);
        // Deflate cannot expand more than about 1032 to 1, so a larger claim is a bomb or a lie,
        // refused before anything of that size is allocated.
        if (!(st.valid & ZIP_STAT_COMP_SIZE) || st.size > st.comp_size * MAX_INFLATE_RATIO + 4096)
            return archive_error("The archive's member " + name + " claims " + std::to_string(st.size) +
                                 " bytes from " + std::to_string(st.comp_size) + " compressed; it is not read.");
        zip_file_t* file = zip_fopen_index(zip_, static_cast<zip_uint64_t>(index), 0);
        if (!file)
            return archive_error("The archive's member " + name + " cannot be opened: " + zip_strerror(zip_) + ".");
        std::vector<std::uint8_t> out(static_cast<std::size_t>(expected));
        std::uint64_t got = 0;
        std::uint8_t probe = 0;
        zip_int64_t n = 1;
        while (n > 0 && got < expected) {
            n = zip_fread(file, out.data() + got, expected - got);
            if (n > 0) got += static_cast<std::uint64_t>(n);
        }
        if (n >= 0) n = zip_fread(file, &probe, 1);  // also makes libzip check the CRC at the end
        std::string error_text = n < 0 ? zip_error_strerror(zip_file_get_error(file)) : "";
        zip_fclose(file);
        if (n < 0) return archive_error("The archive's member " + name + " is damaged: " + error_text + ".");
        if (n > 0) return archive_error("The archive's member " + name + " holds more than its stated size.");
        if (got != expected) return size_mismatch(name, expected, got);
        return out;
    }

private:
    static Error size_mismatch(const std::string& name, std::uint64_t expected, std::uint64_t actual)
    {
        return archive_error("The archive is inconsistent: member " + name + " holds " + std::to_string(actual) +
                             " bytes where the manifest says " + std::to_string(expected) + ".");
    }

    zip_t* zip_ = nullptr;
};

// Typed access to the manifest; every mismatch names the field.
class ManifestReader {
public:
    explicit ManifestReader(std::string where) : where_(std::move(where)) {}

    template <typename T>
    Result<T> integer(const json& object, const char* key, std::int64_t low, std::uint64_t high) const
    {
        const auto it = object.find(key);
        if (it == object.end() || !it->is_number_integer()) return missing(key, "an integer");
        if (it->is_number_unsigned()) {
            const std::uint64_t v = it->get<std::uint64_t>();
            if (v > high || (low > 0 && v < static_cast<std::uint64_t>(low)))
                return out_of_range(key, std::to_string(v));
            return static_cast<T>(v);
        }
        const std::int64_t v = it->get<std::int64_t>();
        if (v < low || (v >= 0 && static_cast<std::uint64_t>(v) > high)) return out_of_range(key, std::to_string(v));
        return static_cast<T>(v);
    }

    Result<bool> boolean(const json& object, const char* key) const
    {
        const auto it = object.find(key);
        if (it == object.end() || !it->is_boolean()) return missing(key, "true or false");
        return it->get<bool>();
    }

    Result<std::string> text(const json& object, const char* key) const
    {
        const auto it = object.find(key);
        if (it == object.end() || !it->is_string()) return missing(key, "a text");
        return it->get<std::string>();
    }

    Result<std::optional<std::string>> optional_text(const json& object, const char* key) const
    {
        const auto it = object.find(key);
        if (it == object.end() || it->is_null()) return std::optional<std::string>();
        if (!it->is_string()) return missing(key, "a text or null");
        return std::optional<std::string>(it->get<std::string>());
    }

    Result<const json*> array(const json& object, const char* key, std::size_t limit) const
    {
        const auto it = object.find(key);
        if (it == object.end() || !it->is_array()) return missing(key, "a list");
        if (it->size() > limit)
            return archive_error("The archive's manifest lists " + std::to_string(it->size()) + " " + key + where_ +
                                 "; at most " + std::to_string(limit) + " are allowed.");
        return &*it;
    }

    Error missing(const char* key, const char* what) const
    {
        return archive_error("The archive's manifest is invalid: \"" + std::string(key) + "\"" + where_ + " must be " +
                             what + ".");
    }
    Error out_of_range(const char* key, const std::string& value) const
    {
        return archive_error("The archive's manifest is invalid: \"" + std::string(key) + "\"" + where_ + " is " +
                             value + ", outside what it may be.");
    }

private:
    std::string where_;
};

template <typename T, typename... Rest>
bool any_failed(const Result<T>& first, const Rest&... rest)
{
    if (!first) return true;
    if constexpr (sizeof...(rest) > 0) return any_failed(rest...);
    return false;
}

template <typename T, typename... Rest>
Error first_error(const Result<T>& first, const Rest&... rest)
{
    if (!first) return first.error();
    if constexpr (sizeof...(rest) > 0) return first_error(rest...);
    return Error{};
}

template <std::size_t N>
std::optional<std::size_t> index_of(const std::array<std::string_view, N>& names, std::string_view name)
{
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == name) return i;
    return std::nullopt;
}

Result<ArchivedOffer> read_offer(const ManifestReader& m, const json& value)
{
    if (!value.is_object()) return m.missing("offers", "a list of objects");
    const auto tymed = m.integer<std::uint32_t>(value, "tymed", 0, 0xFFFFFFFF);
    const auto aspect = m.integer<std::uint32_t>(value, "aspect", 0, 0xFFFFFFFF);
    const auto lindex = m.integer<std::int32_t>(value, "lindex", INT32_MIN, INT32_MAX);
    if (any_failed(tymed, aspect, lindex)) return first_error(tymed, aspect, lindex);
    ArchivedOffer offer{*tymed, *aspect, *lindex, std::nullopt};
    const auto device = value.find("target_device");
    if (device != value.end() && !device->is_null()) {
        if (!device->is_string() || device->get_ref<const std::string&>().size() > 2 * ARCHIVE_TARGET_DEVICE_LIMIT)
            return m.missing("target_device", "null or the hexadecimal bytes of at most 64 KiB");
        offer.target_device = bytes_of_hex(device->get_ref<const std::string&>());
        if (!offer.target_device) return m.missing("target_device", "hexadecimal digits");
    }
    return offer;
}

// Counts what the members hold against the total cap before reading it.
class MemberBudget {
public:
    Status take(std::uint64_t size)
    {
        if (size > ARCHIVE_MEMBER_LIMIT || size > ARCHIVE_TOTAL_LIMIT - used_)
            return archive_error("The archive's members are larger than the " +
                                 std::to_string(ARCHIVE_MEMBER_LIMIT >> 20) + " MiB allowed for one format or the " +
                                 std::to_string(ARCHIVE_TOTAL_LIMIT >> 20) + " MiB allowed for all; it is not read.");
        used_ += size;
        return ok_status();
    }

private:
    std::uint64_t used_ = 0;
};

Result<std::vector<std::uint8_t>> read_member(const ManifestReader& m, const json& value, ZipReader& zip,
                                              MemberBudget& budget)
{
    const auto member = m.text(value, "member");
    const auto size = m.integer<std::uint64_t>(value, "size", 0, ARCHIVE_MEMBER_LIMIT);
    if (any_failed(member, size)) return first_error(member, size);
    if (Status fits = budget.take(*size); !fits) return fits.error();
    return zip.read(*member, *size);
}

Result<std::vector<ArchivedItem>> read_items(const ManifestReader& m, const json& value, ZipReader& zip,
                                             MemberBudget& budget)
{
    const auto list = m.array(value, "items", ARCHIVE_ITEM_LIMIT);
    if (!list) return list.error();
    std::vector<ArchivedItem> items;
    for (const json& one : **list) {
        if (!one.is_object()) return m.missing("items", "a list of objects");
        const auto lindex = m.integer<std::int32_t>(one, "lindex", INT32_MIN, INT32_MAX);
        const auto error = m.optional_text(one, "error");
        if (any_failed(lindex, error)) return first_error(lindex, error);
        ArchivedItem item{*lindex, std::nullopt, *error};
        if (one.contains("member")) {
            auto bytes = read_member(m, one, zip, budget);
            if (!bytes) return bytes.error();
            item.bytes = std::move(*bytes);
        } else if (!item.error) {
            return m.missing("error", "a text when an item has no member");
        }
        items.push_back(std::move(item));
    }
    return items;
}

Result<ArchivedFormat> read_format(std::size_t position, const json& value, ZipReader& zip, MemberBudget& budget)
{
    const ManifestReader m(" of format " + std::to_string(position));
    if (!value.is_object()) return m.missing("formats", "a list of objects");
    const auto id = m.integer<std::uint32_t>(value, "id", 1, 0xFFFF);
    const auto name = m.text(value, "name");
    const auto registered = m.boolean(value, "registered");
    const auto listed = m.boolean(value, "listed_by_win32");
    const auto content = m.text(value, "content");
    const auto encoding = m.text(value, "encoding");
    const auto error = m.optional_text(value, "error");
    const auto offers = m.array(value, "offers", ARCHIVE_OFFER_LIMIT);
    if (any_failed(id, name, registered, listed, content, encoding, error, offers))
        return first_error(id, name, registered, listed, content, encoding, error, offers);
    const auto characters = std::count_if(name->begin(), name->end(), [](char c) { return (c & 0xC0) != 0x80; });
    if (static_cast<std::size_t>(characters) > ARCHIVE_NAME_LIMIT)
        return archive_error("The archive's manifest is invalid: the name of format " + std::to_string(position) +
                             " is " + std::to_string(characters) + " characters long; at most " +
                             std::to_string(ARCHIVE_NAME_LIMIT) + " are allowed.");
    if (*registered && name->empty()) return m.missing("name", "the registered name");
    const auto content_index = index_of(CONTENT_NAMES, *content);
    const auto encoding_index = index_of(ENCODING_NAMES, *encoding);
    if (!content_index) return m.missing("content", "\"stored\", \"synthesised\", \"failed\" or \"items\"");
    if (!encoding_index) return m.missing("encoding", "one of the encodings of version 1");

    ArchivedFormat format;
    format.id = *id;
    format.name = *name;
    format.registered = *registered;
    format.listed_by_win32 = *listed;
    format.content = static_cast<ArchiveContent>(*content_index);
    format.encoding = static_cast<ArchiveEncoding>(*encoding_index);
    format.error = *error;
    for (const json& one : **offers) {
        auto offer = read_offer(m, one);
        if (!offer) return offer.error();
        format.offers.push_back(std::move(*offer));
    }
    if (!format.listed_by_win32 && format.offers.empty())
        return m.missing("offers", "at least one offer for a format the flat list did not hold");
    if (format.content == ArchiveContent::stored) {
        auto bytes = read_member(m, value, zip, budget);
        if (!bytes) return bytes.error();
        format.bytes = std::move(*bytes);
    } else if (format.content == ArchiveContent::failed && !format.error) {
        return m.missing("error", "a text for a format that could not be read");
    }
    auto items = read_items(m, value, zip, budget);
    if (!items) return items.error();
    format.items = std::move(*items);
    return format;
}

Result<json> parse_manifest(ZipReader& zip)
{
    const std::string name(ARCHIVE_MANIFEST_NAME);
    auto size = zip.size_of(name);
    if (!size) return archive_error(std::string(ARCHIVE_NO_MANIFEST));
    if (*size > ARCHIVE_MANIFEST_LIMIT)
        return archive_error("The archive's manifest is " + std::to_string(*size) + " bytes; at most " +
                             std::to_string(ARCHIVE_MANIFEST_LIMIT >> 20) + " MiB are read.");
    auto text = zip.read(name, *size);
    if (!text) return text.error();
    json manifest = json::parse(text->begin(), text->end(), nullptr, false);
    if (manifest.is_discarded() || !manifest.is_object())
        return archive_error("The archive's manifest is not a JSON object.");
    return manifest;
}

Result<ClipboardArchive> read_header(const json& manifest)
{
    const ManifestReader m("");
    const auto kind = m.text(manifest, "kind");
    if (!kind || *kind != CLIPBOARD_ARCHIVE_KIND) return archive_error("The file is not a clipboard archive.");
    const auto version = m.integer<std::int64_t>(manifest, "version", INT64_MIN, INT64_MAX);
    if (!version) return version.error();
    if (*version != CLIPBOARD_ARCHIVE_VERSION) return archive_error(archive_version_message(*version));
    const auto created = m.text(manifest, "created");
    const auto sequence = m.integer<std::uint32_t>(manifest, "sequence_number", 0, 0xFFFFFFFF);
    const auto owner = m.integer<std::uint64_t>(manifest, "owner_window", 0, UINT64_MAX);
    const auto enum_end = m.integer<std::uint32_t>(manifest, "enum_end_code", 0, 0xFFFFFFFF);
    const auto ole_error = m.optional_text(manifest, "ole_error");
    if (any_failed(created, sequence, owner, enum_end, ole_error))
        return first_error(created, sequence, owner, enum_end, ole_error);
    ClipboardArchive archive;
    archive.created = *created;
    archive.sequence_number = *sequence;
    archive.owner_window = *owner;
    archive.enum_end_code = *enum_end;
    archive.ole_error = *ole_error;
    return archive;
}

}  // namespace

std::string_view archive_encoding_name(ArchiveEncoding encoding)
{
    return ENCODING_NAMES[static_cast<std::size_t>(encoding)];
}

std::string_view archive_content_name(ArchiveContent content)
{
    return CONTENT_NAMES[static_cast<std::size_t>(content)];
}

std::string archive_too_large_message(std::uint64_t size)
{
    return "This representation is " + std::to_string(size) + " bytes and exceeds the 256 MiB limit; it is not stored.";
}

std::string archive_version_message(std::int64_t version)
{
    return "The archive is version " + std::to_string(version) + "; this program reads version " +
           std::to_string(CLIPBOARD_ARCHIVE_VERSION) + ".";
}

Result<std::vector<std::uint8_t>> write_clipboard_archive(const ClipboardArchive& archive)
{
    const std::string manifest = manifest_json(archive).dump(2) + "\n";
    ZipErrorOwner error;
    ZipSourceOwner out{zip_source_buffer_create(nullptr, 0, 0, &error.error)};
    if (!out.source) return write_failed(error.text());
    zip_source_keep(out.source);
    zip_t* zip = zip_open_from_source(out.source, ZIP_TRUNCATE, &error.error);
    if (!zip) return write_failed(error.text());
    bool added = add_member(zip, std::string(ARCHIVE_MANIFEST_NAME), manifest.data(), manifest.size());
    for (std::size_t i = 0; added && i < archive.formats.size(); ++i) {
        const ArchivedFormat& format = archive.formats[i];
        if (format.content == ArchiveContent::stored)
            added = add_member(zip, member_name(i + 1), format.bytes.data(), format.bytes.size());
        for (const ArchivedItem& item : format.items)
            if (added && item.bytes)
                added = add_member(zip, item_member_name(i + 1, item.lindex), item.bytes->data(), item.bytes->size());
    }
    if (!added) {
        const std::string text = zip_strerror(zip);
        zip_discard(zip);
        return write_failed(text);
    }
    if (zip_close(zip) != 0) {
        const std::string text = zip_strerror(zip);
        zip_discard(zip);
        return write_failed(text);
    }
    return read_back(out.source);
}

Result<ClipboardArchive> read_clipboard_archive(ByteView bytes)
{
    ZipReader zip;
    if (Status opened = zip.open(bytes); !opened) return opened.error();
    auto manifest = parse_manifest(zip);
    if (!manifest) return manifest.error();
    auto archive = read_header(*manifest);
    if (!archive) return archive.error();
    const auto formats = ManifestReader("").array(*manifest, "formats", ARCHIVE_FORMAT_LIMIT);
    if (!formats) return formats.error();
    MemberBudget budget;
    std::vector<bool> seen(0x10000);
    for (const json& value : **formats) {
        auto format = read_format(archive->formats.size() + 1, value, zip, budget);
        if (!format) return format.error();
        if (seen[format->id])
            return archive_error("The archive's manifest is invalid: format " + std::to_string(format->id) +
                                 " is listed twice.");
        seen[format->id] = true;
        archive->formats.push_back(std::move(*format));
    }
    return archive;
}

namespace {

// The groups whose members Windows makes from one another.
int synthesis_group(std::uint32_t id)
{
    switch (id) {
        case CF_TEXT_ID:
        case CF_OEMTEXT_ID:
        case CF_UNICODETEXT_ID:
            return 1;
        case CF_BITMAP_ID:
        case CF_DIB_ID:
        case CF_DIBV5_ID:
            return 2;
        case CF_METAFILEPICT_ID:
        case CF_ENHMETAFILE_ID:
            return 3;
        case CF_PALETTE_ID:  // made from a DIB
        case CF_LOCALE_ID:   // made with text
            return 0;
        default:
            return -1;
    }
}

}  // namespace

std::vector<std::optional<std::uint64_t>> archived_global_sizes(const ClipboardArchive& archive)
{
    constexpr std::uint64_t METAFILEPICT_SIZE = 16;  // mm, xExt, yExt and a 64-bit handle
    std::vector<std::optional<std::uint64_t>> sizes;
    for (const ArchivedFormat& format : archive.formats) {
        std::optional<std::uint64_t> size;
        if (format.listed_by_win32 && format.content == ArchiveContent::stored) {
            if (format.encoding == ArchiveEncoding::global) size = format.bytes.size();
            if (format.encoding == ArchiveEncoding::metafile_picture) size = METAFILEPICT_SIZE;
        }
        sizes.push_back(size);
    }
    return sizes;
}

std::vector<bool> synthesised_formats(std::span<const std::uint32_t> flat_ids)
{
    std::vector<bool> synthesised(flat_ids.size());
    std::size_t tail = flat_ids.size();
    while (tail > 0 && synthesis_group(flat_ids[tail - 1]) >= 0) --tail;
    for (std::size_t i = tail; i < flat_ids.size(); ++i) {
        const int group = synthesis_group(flat_ids[i]);
        if (group <= 0) continue;
        for (std::size_t j = 0; j < i && !synthesised[i]; ++j) synthesised[i] = synthesis_group(flat_ids[j]) == group;
    }
    return synthesised;
}

bool is_ole_bookkeeping_format(std::string_view name)
{
    return name == "Ole Private Data" || name == "DataObject" || name == "Wine Marshalled DataObject";
}

std::optional<std::uint32_t> descriptor_item_count(ByteView descriptor)
{
    if (descriptor.size() < 4) return std::nullopt;
    const std::uint32_t count =
        static_cast<std::uint32_t>(descriptor[0]) | static_cast<std::uint32_t>(descriptor[1]) << 8 |
        static_cast<std::uint32_t>(descriptor[2]) << 16 | static_cast<std::uint32_t>(descriptor[3]) << 24;
    return std::min<std::uint32_t>(count, ARCHIVE_ITEM_LIMIT);
}

ClipboardSnapshot archive_snapshot(const ClipboardArchive& archive)
{
    ClipboardSnapshot snapshot;
    snapshot.sequence_number = archive.sequence_number;
    snapshot.owner_window = static_cast<std::uintptr_t>(archive.owner_window);
    snapshot.enum_end_code = archive.enum_end_code;
    snapshot.ole_error = archive.ole_error;
    for (const ArchivedFormat& format : archive.formats) {
        FormatEntry entry;
        entry.ordinal = snapshot.entries.size() + 1;
        entry.id = format.id;
        entry.name = format.name;
        entry.class_label = std::string(format_class(format.id));
        entry.listed_by_win32 = format.listed_by_win32;
        for (const ArchivedOffer& offer : format.offers) {
            const FormatOffer one{offer.tymed, offer.aspect, offer.lindex, offer.target_device.has_value()};
            if (std::find(entry.offers.begin(), entry.offers.end(), one) == entry.offers.end())
                entry.offers.push_back(one);
        }
        if (!archive.ole_error) snapshot.ole_offer_count += entry.offers.size();
        snapshot.entries.push_back(std::move(entry));
    }
    return snapshot;
}

}  // namespace cw
