#pragma once
// The ZIP package of XLSX and XLSB workbooks: bounded reads of its parts and the relationships
// that name them.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "libs/workbook/reader.h"

namespace workbook {

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
    // The part's bytes, refused when it would inflate past MAX_PART_BYTES or past the ratio cap.
    Result<std::string> read(std::string_view part) const;
    // The relationships of `part` ("" for the package's own), empty when it has none.
    std::vector<Relationship> relationships(std::string_view part) const;
    // The workbook part: the package's officeDocument relationship, or `fallback`.
    std::string workbook_part(std::string_view fallback) const;

private:
    struct Impl;
    explicit Package(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// What both package readers start from: the workbook part of their kind with its bytes, its
// relationships, its shared-strings part ("" when none) and the sheets as they are found.
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
};
Result<PackageWorkbook> open_package_workbook(Bytes bytes, bool binary);

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
