#include "libs/workbook/package.h"

#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace workbook {

struct Package::Impl {
    zip_t* archive = nullptr;
    ~Impl()
    {
        if (archive) zip_discard(archive);
    }
};

Package::Package(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Package::Package(Package&&) noexcept = default;
Package& Package::operator=(Package&&) noexcept = default;
Package::~Package() = default;

namespace {

std::string zip_message(zip_error_t* error)
{
    std::string text = zip_error_strerror(error);
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

std::optional<zip_uint64_t> locate(zip_t* archive, std::string_view part)
{
    const std::string name(part);
    zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
    // Part names compare without regard to case in OPC, and some writers differ from their rels.
    if (index < 0) index = zip_name_locate(archive, name.c_str(), ZIP_FL_NOCASE);
    if (index < 0) return std::nullopt;
    return static_cast<zip_uint64_t>(index);
}

std::string resolve(std::string_view base_dir, std::string_view target)
{
    std::string joined = target.starts_with('/') ? std::string(target.substr(1)) : std::string(base_dir) + std::string(target);
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= joined.size()) {
        std::size_t end = joined.find('/', start);
        if (end == std::string::npos) end = joined.size();
        const std::string segment = joined.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& s : segments) out += (out.empty() ? "" : "/") + s;
    return out;
}

}  // namespace

Result<Package> Package::open(Bytes bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) {
        Error e{"The ZIP package cannot be read: " + zip_message(&error) + "."};
        zip_error_fini(&error);
        return e;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) {
        zip_source_free(source);
        Error e{"The ZIP package cannot be opened: " + zip_message(&error) + "."};
        zip_error_fini(&error);
        return e;
    }
    zip_error_fini(&error);
    auto impl = std::make_unique<Impl>();
    impl->archive = archive;
    return Package(std::move(impl));
}

bool Package::has(std::string_view part) const { return locate(impl_->archive, part).has_value(); }

namespace {

// Reads one member and counts what goes in and what comes out. Deflated members are read raw
// and inflated here, so that the compressed bytes counted are those inflate consumed, whatever
// the directory claims; stored members consume what they give.
class PartReader {
public:
    PartReader(zip_t* archive, std::string name, std::uint64_t max_bytes)
        : archive_(archive), name_(std::move(name)), max_bytes_(max_bytes)
    {
    }
    ~PartReader()
    {
        if (inflating_) inflateEnd(&z_);
        if (file_) zip_fclose(file_);
    }

    std::optional<Error> run(zip_uint64_t index, const Package::ChunkSink& take)
    {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_, index, 0, &st) != 0)
            return fail("The package part " + name_ + " cannot be read: " + zip_strerror(archive_) + ".");
        const bool deflated = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_DEFLATE &&
                              (!(st.valid & ZIP_STAT_ENCRYPTION_METHOD) || st.encryption_method == ZIP_EM_NONE);
        file_ = zip_fopen_index(archive_, index, deflated ? ZIP_FL_COMPRESSED : 0);
        if (!file_) return fail("The package part " + name_ + " cannot be opened: " + zip_strerror(archive_) + ".");
        if (!deflated) return copy(take);
        if (inflateInit2(&z_, -15) != Z_OK) return inflate_error("out of memory");
        inflating_ = true;
        const bool has_crc = (st.valid & ZIP_STAT_CRC) != 0;
        uLong crc = crc32(0, nullptr, 0);
        bool ended = false;
        while (!ended) {
            const zip_int64_t n = zip_fread(file_, in_, sizeof in_);
            if (n < 0) return inflate_error(zip_message(zip_file_get_error(file_)));
            if (n == 0) return inflate_error("the compressed data ends early");
            z_.next_in = reinterpret_cast<Bytef*>(in_);
            z_.avail_in = static_cast<uInt>(n);
            // Until this input is used up and inflate has no output left over from it.
            do {
                z_.next_out = reinterpret_cast<Bytef*>(out_);
                z_.avail_out = sizeof out_;
                const int rc = inflate(&z_, Z_NO_FLUSH);
                if (rc == Z_STREAM_END) ended = true;
                else if (rc != Z_OK && rc != Z_BUF_ERROR) return inflate_error(z_.msg ? z_.msg : "invalid data");
                const std::size_t got = sizeof out_ - z_.avail_out;
                crc = crc32(crc, reinterpret_cast<const Bytef*>(out_), static_cast<uInt>(got));
                if (auto e = give(std::string_view(out_, got), z_.total_in, take)) return e;
                if (rc == Z_BUF_ERROR && got == 0) break;
            } while (!ended && (z_.avail_in > 0 || z_.avail_out == 0));
        }
        if (has_crc && crc != st.crc) return inflate_error("CRC error");
        return std::nullopt;
    }

private:
    Error inflate_error(std::string why)
    {
        if (!why.empty()) why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
        return fail("The package part " + name_ + " cannot be inflated: " + why + ".");
    }

    std::optional<Error> copy(const Package::ChunkSink& take)
    {
        while (true) {
            const zip_int64_t n = zip_fread(file_, out_, sizeof out_);
            if (n < 0) return inflate_error(zip_message(zip_file_get_error(file_)));
            if (n == 0) return std::nullopt;
            if (auto e = give(std::string_view(out_, static_cast<std::size_t>(n)), produced_ + n, take)) return e;
        }
    }

    std::optional<Error> give(std::string_view chunk, std::uint64_t consumed, const Package::ChunkSink& take)
    {
        if (chunk.empty()) return std::nullopt;
        produced_ += chunk.size();
        if (produced_ > max_bytes_ || (produced_ > RATIO_CHECK_BYTES && produced_ / MAX_PART_RATIO > consumed)) {
            if (max_bytes_ < MAX_PART_BYTES)
                return fail("The package part " + name_ + " inflates to more than " + decimal(max_bytes_ >> 20) +
                            " MiB; it is not read.");
            return fail("The package part " + name_ + " inflates to more than " + decimal(MAX_PART_BYTES >> 20) +
                        " MiB or " + decimal(MAX_PART_RATIO) + " times its compressed size; it is not read.");
        }
        return take(chunk);
    }

    zip_t* archive_;
    std::string name_;
    std::uint64_t max_bytes_;
    zip_file_t* file_ = nullptr;
    z_stream z_{};
    bool inflating_ = false;
    std::uint64_t produced_ = 0;
    char in_[65536];
    char out_[65536];
};

}  // namespace

std::optional<Error> Package::stream(std::string_view part, std::uint64_t max_bytes, const ChunkSink& take) const
{
    const auto index = locate(impl_->archive, part);
    if (!index) return fail("The package has no part " + std::string(part) + ".");
    // The buffers are large for a stack that may be a thread's.
    auto reader = std::make_unique<PartReader>(impl_->archive, std::string(part), std::min(max_bytes, MAX_PART_BYTES));
    return reader->run(*index, take);
}

Result<std::string> Package::read(std::string_view part, std::uint64_t max_bytes) const
{
    std::string out;
    if (auto e = stream(part, max_bytes, [&](std::string_view chunk) {
            out.append(chunk);
            return std::optional<Error>{};
        }))
        return std::move(*e);
    return out;
}

Result<std::vector<Relationship>> Package::relationships(std::string_view part) const
{
    const std::size_t slash = part.rfind('/');
    const std::string dir = slash == std::string_view::npos ? "" : std::string(part.substr(0, slash + 1));
    const std::string file = std::string(slash == std::string_view::npos ? part : part.substr(slash + 1));
    const std::string rels_part = dir + "_rels/" + file + ".rels";
    std::vector<Relationship> rels;
    if (!has(rels_part)) return rels;
    auto xml = read(rels_part);
    if (!xml) return xml.error();
    auto doc = parse_part(*xml, rels_part);
    if (!doc) return rels;
    for (pugi::xml_node node : (*doc)->document_element().children()) {
        if (local_name(node) != "Relationship") continue;
        const char* mode = attribute_named(node, "TargetMode");
        if (std::string_view(mode) == "External") continue;
        rels.push_back({attribute_named(node, "Id"), attribute_named(node, "Type"),
                        resolve(dir, attribute_named(node, "Target"))});
    }
    return rels;
}

std::string Package::workbook_part(std::string_view fallback) const
{
    auto rels = relationships("");
    if (rels)
        for (const auto& rel : *rels)
            if (type_name(rel.type) == "officeDocument" && has(rel.target)) return rel.target;
    return std::string(fallback);
}

void PackageWorkbook::add_sheet(std::string name, std::string_view rel_id)
{
    if (rel_index.empty())
        for (std::size_t i = rels.size(); i-- > 0;) rel_index[rels[i].id] = i;  // the first of an id wins
    const auto found = rel_index.find(rel_id);
    if (found == rel_index.end()) return;
    const Relationship& rel = rels[found->second];
    const std::string_view type = type_name(rel.type);
    if (type == "worksheet" || type == "macrosheet") {
        names.push_back(std::move(name));
        sheet_parts.push_back(rel.target);
    }
}

namespace {

// The workbook part of the kind asked for, its relationships and the parts they name.
Result<PackageWorkbook> find_workbook(Bytes bytes, bool binary)
{
    if (is_encrypted_package(bytes)) return encrypted_error();
    auto package = Package::open(bytes);
    if (!package) return package.error();
    const std::string mine = binary ? "xl/workbook.bin" : "xl/workbook.xml";
    const std::string other = binary ? "xl/workbook.xml" : "xl/workbook.bin";
    // Without a package relationship the usual part name decides, whichever of the two is there.
    const bool other_kind = !package->has(mine) && package->has(other);
    std::string part = package->workbook_part(other_kind ? other : mine);
    if (part.ends_with(".bin") != binary)
        return fail(binary ? "The package holds an XML workbook (" + part + "), not a binary one."
                           : "The package holds a binary workbook (" + part + "), not an XML one.");
    auto content = package->read(part);
    if (!content) return content.error();
    auto rels = package->relationships(part);
    if (!rels) return rels.error();
    std::string strings_part, styles_part;
    for (const auto& rel : *rels) {
        if (type_name(rel.type) == "sharedStrings") strings_part = rel.target;
        if (type_name(rel.type) == "styles") styles_part = rel.target;
    }
    const std::string ext = binary ? ".bin" : ".xml";
    if (strings_part.empty() && package->has("xl/sharedStrings" + ext)) strings_part = "xl/sharedStrings" + ext;
    if (styles_part.empty() && package->has("xl/styles" + ext)) styles_part = "xl/styles" + ext;
    return PackageWorkbook{std::move(*package), std::move(part), std::move(*content), std::move(*rels),
                           std::move(strings_part), std::move(styles_part), {}, {}, {}};
}

Result<std::shared_ptr<const StringTable>> read_shared_strings(const PackageWorkbook& book,
                                                                const PackageFormat& format)
{
    auto strings = std::make_shared<StringTable>();
    if (!book.strings_part.empty() && book.package.has(book.strings_part)) {
        if (auto failed = format.read_strings(book.package, book.strings_part, *strings)) return std::move(*failed);
        strings->close();
    }
    return std::shared_ptr<const StringTable>(std::move(strings));
}

// Dates are a refinement of the cell kind, so a styles part that cannot be read leaves every
// number a number.
DateStyles read_date_styles(const PackageWorkbook& book, const PackageFormat& format)
{
    DateStyles dates;
    if (book.styles_part.empty() || format.read_styles(book.package, book.styles_part, dates)) return DateStyles();
    return dates;
}

// What a package workbook keeps between reads: the package, the sheets' parts, the shared
// strings and the date styles.
class PackageReader final : public Workbook::Reader {
public:
    PackageReader(const PackageFormat& format, PackageWorkbook&& book, std::shared_ptr<const StringTable> strings,
                  DateStyles dates)
        : format_(format), package_(std::move(book.package)), parts_(std::move(book.sheet_parts)),
          strings_(std::move(strings)), dates_(std::move(dates))
    {
        names = std::move(book.names);
    }

    Result<Range> read_sheet(std::size_t index, std::size_t cell_limit) const override
    {
        CellSink sink(cell_limit, strings_);
        std::uint64_t working = 0;
        if (auto failed = format_.read_cells(package_, parts_[index], dates_, sink, working)) return std::move(*failed);
        sink.working(working);
        return std::move(sink).take();
    }
    std::uint64_t held_bytes() const override { return strings_->held_bytes(); }

private:
    const PackageFormat& format_;
    Package package_;
    std::vector<std::string> parts_;
    std::shared_ptr<const StringTable> strings_;
    DateStyles dates_;
};

}  // namespace

Result<Workbook> open_package_workbook(Bytes bytes, const PackageFormat& format)
{
    auto book = find_workbook(bytes, format.binary);
    if (!book) return book.error();
    if (auto failed = format.list_sheets(*book)) return std::move(*failed);
    // The workbook part's text is not needed past its sheet list, and is gone before the shared
    // strings are read.
    book->content = std::string();
    auto strings = read_shared_strings(*book, format);
    if (!strings) return strings.error();
    DateStyles dates = read_date_styles(*book, format);
    return Workbook::Reader::workbook(
        std::make_unique<PackageReader>(format, std::move(*book), std::move(*strings), std::move(dates)));
}

std::string_view type_name(std::string_view type)
{
    const std::size_t slash = type.rfind('/');
    return slash == std::string_view::npos ? type : type.substr(slash + 1);
}

std::string_view local_name(const pugi::xml_node& node)
{
    const std::string_view name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node child_named(const pugi::xml_node& node, std::string_view name)
{
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && local_name(child) == name) return child;
    return {};
}

const char* attribute_named(const pugi::xml_node& node, std::string_view name)
{
    for (pugi::xml_attribute a : node.attributes()) {
        const std::string_view full = a.name();
        const std::size_t colon = full.find(':');
        if ((colon == std::string_view::npos ? full : full.substr(colon + 1)) == name) return a.value();
    }
    return "";
}

Result<std::unique_ptr<pugi::xml_document>> parse_part(std::string& xml, std::string_view part, unsigned options)
{
    auto doc = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result parsed =
        doc->load_buffer_inplace(xml.data(), xml.size(), options, pugi::encoding_auto);
    if (!parsed)
        return fail("The package part " + std::string(part) + " is not well-formed XML (" + parsed.description() +
                    " at offset " + decimal(static_cast<std::uint64_t>(parsed.offset)) + ").");
    return doc;
}

}  // namespace workbook
