#pragma once
// The ZIP package of XLSX and XLSB workbooks: bounded reads of its parts and the relationships
// that name them.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "libs/workbook/reader.h"

namespace workbook {

// The workbook part, relationships and styles are read whole and parsed as trees; a tree takes
// many times the bytes of its text, so they are refused past this size.
inline constexpr std::uint64_t MAX_SMALL_PART_BYTES = 4ull << 20;
// Styles parts grow with every cell format a workbook ever had, so they get more room.
inline constexpr std::uint64_t MAX_STYLES_BYTES = 16ull << 20;

struct Relationship {
    std::string id;
    std::string type;    // the full type URI; compare by its last segment, which strict OOXML shares
    std::string target;  // the part name it resolves to, without a leading "/"
};

class Package {
public:
    static Result<Package> open(Bytes bytes);
    Package(Package&&) noexcept;
    Package& operator=(Package&&) noexcept;
    ~Package();

    bool has(std::string_view part) const;
    // Inflates the part a chunk at a time into `take`, which may stop the read with an error.
    // The part is refused once it gives more than `max_bytes`, or more than MAX_PART_RATIO times
    // the compressed bytes actually consumed past RATIO_CHECK_BYTES: the sizes the archive claims
    // are never trusted, and nothing is reserved from them.
    using ChunkSink = std::function<std::optional<Error>(std::string_view chunk)>;
    std::optional<Error> stream(std::string_view part, std::uint64_t max_bytes, const ChunkSink& take) const;
    // The whole part, for parts that are small by nature (at most `max_bytes`).
    Result<std::string> read(std::string_view part, std::uint64_t max_bytes = MAX_SMALL_PART_BYTES) const;
    // The relationships of `part` ("" for the package's own), empty when it has none or they do
    // not parse; an error when the relationships part is refused for its size.
    Result<std::vector<Relationship>> relationships(std::string_view part) const;
    // The workbook part: the package's officeDocument relationship, or `fallback`.
    std::string workbook_part(std::string_view fallback) const;

private:
    struct Impl;
    explicit Package(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// The workbook part of a package with its bytes, its relationships, its shared-strings and
// styles parts ("" when none) and the sheets as they are found.
struct PackageWorkbook {
    Package package;
    std::string part;
    std::string content;
    std::vector<Relationship> rels;
    std::string strings_part;
    std::string styles_part;
    std::vector<std::string> names;
    std::vector<std::string> sheet_parts;
    // Adds the sheet whose relationship id is `rel_id` when it is a worksheet or macro sheet.
    void add_sheet(std::string name, std::string_view rel_id);
    // Relationship ids to their index in `rels`, so that many sheets cost n log n, not n squared.
    std::map<std::string, std::size_t, std::less<>> rel_index;
};

// How XLSX (XML parts) or XLSB (record parts) reads each kind of part; finding the parts, the
// caps, the order of the reads and what a failure of each costs are the same for both.
struct PackageFormat {
    bool binary = false;
    // The sheets the workbook part lists, each given to `book.add_sheet`.
    std::optional<Error> (*list_sheets)(PackageWorkbook& book);
    // Every string item of the shared-strings part, in order, into `table`.
    std::optional<Error> (*read_strings)(const Package& package, const std::string& part, StringTable& table);
    // The number formats and cell styles of the styles part into `dates`.
    std::optional<Error> (*read_styles)(const Package& package, const std::string& part, DateStyles& dates);
    // The cells of a sheet part into `sink`; `working` gets the most bytes the read held at once.
    std::optional<Error> (*read_cells)(const Package& package, const std::string& part, const DateStyles& dates,
                                       CellSink& sink, std::uint64_t& working);
};

// Opens the package, lists the sheets of its workbook part and reads the shared strings and the
// date styles; the workbook reads its sheets with `format` after that.
Result<Workbook> open_package_workbook(Bytes bytes, const PackageFormat& format);

// The text after the last "/" of a relationship type: "worksheet", "sharedStrings", ...
std::string_view type_name(std::string_view type);
// An element's name without its namespace prefix.
std::string_view local_name(const pugi::xml_node& node);
// The first child element with this local name.
pugi::xml_node child_named(const pugi::xml_node& node, std::string_view name);
// The value of the attribute with this local name ("r:id" matches "id").
const char* attribute_named(const pugi::xml_node& node, std::string_view name);
// Parses a part's XML; the error names the part.
Result<std::unique_ptr<pugi::xml_document>> parse_part(std::string& xml, std::string_view part,
                                                       unsigned options = pugi::parse_default);

}  // namespace workbook
