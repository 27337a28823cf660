// XLSX: the workbook part and its relationships give the sheets in order, the shared strings
// part gives the strings, and each worksheet part gives its cells. Strict OOXML differs only in
// namespace URIs, which the reader does not look at (elements are matched by local name).

#include <cctype>
#include <charconv>
#include <tuple>

#include "libs/workbook/package.h"

namespace workbook {

namespace {

constexpr unsigned XML_OPTIONS = pugi::parse_default | pugi::parse_ws_pcdata_single;

// Worksheets and string tables are parsed in slices of whole rows or items, so that the tree
// never holds more than a few megabytes of a part at once: a tree takes many times the bytes of
// its text. A single piece (one row, or a part that cannot be sliced) may not exceed
// MAX_PIECE_BYTES.
constexpr std::size_t SLICE_BYTES = 4u << 20;
constexpr std::size_t MAX_PIECE_BYTES = 16u << 20;

enum class Sliced { done, not_applicable, failed, too_large };

bool is_name_char(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}

// Calls `visit` with the parent of each slice's items (the children of `container` named
// `item`, with the container's namespace prefix) until it returns false. Slicing needs the
// container's start and end tags as plain text; anything else is `not_applicable`, and a slice
// that does not parse alone (an item closer inside CDATA, say) is `failed`.
template <typename Visit>
Sliced visit_in_slices(const std::string& xml, std::string_view container, std::string_view item, Visit&& visit)
{
    std::size_t name = xml.find(container);
    std::string prefix;
    for (;; name = xml.find(container, name + 1)) {
        if (name == std::string::npos) return Sliced::not_applicable;
        std::size_t open = name;
        while (open > 0 && (is_name_char(xml[open - 1]) || xml[open - 1] == ':')) --open;
        if (open == 0 || xml[open - 1] != '<') continue;
        prefix = xml.substr(open, name - open);
        const char after = name + container.size() < xml.size() ? xml[name + container.size()] : '\0';
        if ((prefix.empty() || prefix.back() == ':') && (after == '>' || after == '/' || std::isspace(static_cast<unsigned char>(after))))
            break;
    }
    const std::size_t tag_end = xml.find('>', name);
    if (tag_end == std::string::npos) return Sliced::not_applicable;
    if (xml[tag_end - 1] == '/') return Sliced::done;  // an empty container
    const std::size_t end = xml.find("</" + prefix + std::string(container), tag_end);
    if (end == std::string::npos) return Sliced::not_applicable;
    const std::string closer = "</" + prefix + std::string(item) + ">";
    std::size_t pos = tag_end + 1;
    std::string slice;
    while (pos < end) {
        std::size_t stop = end;
        if (end - pos > SLICE_BYTES) {
            const std::size_t close = xml.find(closer, pos + SLICE_BYTES);
            if (close != std::string::npos && close < end) stop = close + closer.size();
        }
        if (stop - pos > MAX_PIECE_BYTES) return Sliced::too_large;
        slice.assign("<d>");
        slice.append(xml, pos, stop - pos);
        slice.append("</d>");
        pugi::xml_document doc;
        if (!doc.load_buffer_inplace(slice.data(), slice.size(), XML_OPTIONS, pugi::encoding_utf8)) return Sliced::failed;
        if (!visit(doc.document_element())) break;
        pos = stop;
    }
    return Sliced::done;
}

Error too_large(std::string_view part)
{
    return fail("The package part " + std::string(part) + " holds more than " + decimal(MAX_PIECE_BYTES >> 20) +
                " MiB of XML that cannot be read in pieces; it is not read.");
}

// Parses and visits a part: in slices where it can, otherwise as one tree of bounded size, after
// `restart` has dropped what the slices before a failed one gave.
template <typename Visit, typename Restart>
std::optional<Error> visit_part(std::string& xml, std::string_view part, std::string_view container,
                                std::string_view item, Visit&& visit, Restart&& restart)
{
    const Sliced sliced = visit_in_slices(xml, container, item, visit);
    if (sliced == Sliced::done) return std::nullopt;
    if (sliced == Sliced::too_large || xml.size() > MAX_PIECE_BYTES) return too_large(part);
    restart();
    auto doc = parse_part(xml, part, XML_OPTIONS);
    if (!doc) return doc.error();
    pugi::xml_node node = (*doc)->document_element();
    if (local_name(node) != container) node = child_named(node, container);
    visit(node);
    return std::nullopt;
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Characters XML cannot carry are written as _xHHHH_ (ST_Xstring); "_x005F_" escapes a literal
// underscore that would otherwise start such a sequence.
void append_unescaped(std::string& out, std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t u = text.find("_x", i);
        if (u == std::string_view::npos || u + 7 > text.size()) break;
        char32_t value = 0;
        bool ok = text[u + 6] == '_';
        for (std::size_t k = u + 2; ok && k < u + 6; ++k) {
            const int h = hex_value(text[k]);
            ok = h >= 0;
            value = value << 4 | static_cast<char32_t>(h < 0 ? 0 : h);
        }
        out.append(text.substr(i, u - i));
        if (ok) {
            append_utf8(out, (value >= 0xD800 && value < 0xE000) ? 0xFFFD : value);
            i = u + 7;
        } else {
            out.append("_x");
            i = u + 2;
        }
    }
    out.append(text.substr(i));
}

void append_node_text(std::string& out, const pugi::xml_node& node)
{
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) append_unescaped(out, child.value());
}

// A string item: its own <t>, or the <t> of each rich-text run; phonetic runs are not text.
std::string string_item_text(const pugi::xml_node& item)
{
    std::string text;
    for (pugi::xml_node child : item.children()) {
        const std::string_view name = local_name(child);
        if (name == "t")
            append_node_text(text, child);
        else if (name == "r")
            append_node_text(text, child_named(child, "t"));
    }
    return text;
}

std::optional<double> parse_double(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '+')) s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return value;
}

template <typename T>
std::optional<T> parse_unsigned(std::string_view s)
{
    T value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return value;
}

// "B12" to (11, 1); none for anything else.
std::optional<std::pair<std::uint32_t, std::uint32_t>> parse_reference(std::string_view ref)
{
    std::uint64_t column = 0;
    std::size_t i = 0;
    for (; i < ref.size() && i < 4; ++i) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(ref[i])));
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + static_cast<std::uint64_t>(c - 'A' + 1);
    }
    if (i == 0) return std::nullopt;
    const auto row = parse_unsigned<std::uint32_t>(ref.substr(i));
    if (!row || *row == 0) return std::nullopt;
    return std::pair{*row - 1, static_cast<std::uint32_t>(column - 1)};
}

Cell error_cell_from_text(std::string_view text)
{
    static constexpr std::pair<std::string_view, CellError> errors[] = {
        {"#NULL!", CellError::null}, {"#DIV/0!", CellError::div0}, {"#VALUE!", CellError::value},
        {"#REF!", CellError::ref},   {"#NAME?", CellError::name},  {"#NUM!", CellError::num},
        {"#N/A", CellError::na},     {"#GETTING_DATA", CellError::getting_data},
    };
    for (const auto& [name, error] : errors) {
        if (text == name) {
            Cell cell;
            cell.kind = CellKind::error;
            cell.error = error;
            return cell;
        }
    }
    // Newer Excel adds error values (#SPILL!, #CALC!, ...); they are shown as written.
    return text_cell(std::string(text));
}

class XlsxReader final : public Workbook::Reader {
public:
    XlsxReader(Package package, std::vector<std::string> parts, std::vector<std::string> strings, DateStyles dates)
        : package_(std::move(package)), parts_(std::move(parts)), strings_(std::move(strings)), dates_(std::move(dates))
    {
    }

    Result<Range> read_sheet(std::size_t index, std::size_t cell_limit) const override
    {
        auto xml = package_.read(parts_[index]);
        if (!xml) return xml.error();
        CellSink sink(cell_limit);
        std::optional<Error> error;
        std::uint32_t next_row = 0;
        std::optional<Error> failed = visit_part(
            *xml, parts_[index], "sheetData", "row",
            [&](const pugi::xml_node& rows) {
                error = read_rows(rows, sink, &next_row);
                return !error && !sink.full();
            },
            [&] {
                sink = CellSink(cell_limit);
                next_row = 0;
            });
        if (failed) return std::move(*failed);
        if (error) return std::move(*error);
        return std::move(sink).take();
    }

private:
    // Rows without an "r" attribute follow the previous row; cells without one follow the
    // previous cell.
    std::optional<Error> read_rows(const pugi::xml_node& data, CellSink& sink, std::uint32_t* next_row) const
    {
        std::uint32_t& row_index = *next_row;
        for (pugi::xml_node row : data.children()) {
            if (local_name(row) != "row") continue;
            if (auto r = parse_unsigned<std::uint32_t>(attribute_named(row, "r")); r && *r > 0) row_index = *r - 1;
            std::uint32_t column = 0;
            for (pugi::xml_node c : row.children()) {
                if (local_name(c) != "c") continue;
                std::uint32_t cell_row = row_index;
                if (auto ref = parse_reference(c.attribute("r").value())) std::tie(cell_row, column) = *ref;
                auto cell = read_cell(c);
                if (!cell) return cell.error();
                dates_.mark(*cell, parse_unsigned<std::uint32_t>(c.attribute("s").value()).value_or(0));
                if (cell->kind != CellKind::empty) sink.add(cell_row, column, std::move(*cell));
                if (sink.full()) return std::nullopt;
                ++column;
            }
            ++row_index;
        }
        return std::nullopt;
    }

    Result<Cell> read_cell(const pugi::xml_node& c) const
    {
        const std::string_view type = c.attribute("t").value();
        const pugi::xml_node v = child_named(c, "v");
        if (type == "inlineStr") return text_cell(string_item_text(child_named(c, "is")));
        if (!v) return Cell{};
        std::string value;
        append_node_text(value, v);
        if (type == "s") {
            const auto index = parse_unsigned<std::uint64_t>(value);
            if (!index) return Cell{};
            return shared_string_cell(strings_, *index);
        }
        if (type == "str") return text_cell(std::move(value));
        if (type == "b") return bool_cell(value == "1" || value == "true");
        if (type == "e") return error_cell_from_text(value);
        if (type == "d") {
            Cell cell = text_cell(std::move(value));
            cell.kind = CellKind::iso_text;
            return cell;
        }
        if (auto number = parse_double(value)) return number_cell(*number);
        return value.empty() ? Cell{} : text_cell(std::move(value));
    }

    Package package_;
    std::vector<std::string> parts_;
    std::vector<std::string> strings_;
    DateStyles dates_;
};

// The number formats and cell styles of the styles part. Dates are a refinement of the cell
// kind, so a styles part that cannot be read leaves every number a number.
DateStyles read_date_styles(const Package& package, const std::string& part)
{
    DateStyles dates;
    if (part.empty()) return dates;
    auto xml = package.read(part);
    if (!xml || xml->size() > MAX_PIECE_BYTES) return dates;
    auto doc = parse_part(*xml, part, XML_OPTIONS);
    if (!doc) return dates;
    const pugi::xml_node sheet = (*doc)->document_element();
    for (pugi::xml_node f : child_named(sheet, "numFmts").children())
        if (auto id = parse_unsigned<std::uint32_t>(attribute_named(f, "numFmtId")))
            dates.add_format(*id, attribute_named(f, "formatCode"));
    for (pugi::xml_node xf : child_named(sheet, "cellXfs").children())
        if (local_name(xf) == "xf") dates.add_style(parse_unsigned<std::uint32_t>(attribute_named(xf, "numFmtId")).value_or(0));
    return dates;
}

Result<std::vector<std::string>> read_shared_strings(const Package& package, const std::string& part)
{
    std::vector<std::string> strings;
    if (part.empty() || !package.has(part)) return strings;
    auto xml = package.read(part);
    if (!xml) return xml.error();
    auto failed = visit_part(*xml, part, "sst", "si", [&](const pugi::xml_node& items) {
        for (pugi::xml_node si : items.children())
            if (local_name(si) == "si") strings.push_back(string_item_text(si));
        return true;
    }, [&] { strings.clear(); });
    if (failed) return std::move(*failed);
    return strings;
}

}  // namespace

Result<Workbook> Workbook::open_xlsx(std::span<const std::uint8_t> bytes)
{
    auto book = open_package_workbook(bytes, false);
    if (!book) return book.error();
    auto doc = parse_part(book->content, book->part, XML_OPTIONS);
    if (!doc) return doc.error();
    const pugi::xml_node root = (*doc)->document_element();
    if (local_name(root) != "workbook") return fail("The part " + book->part + " is not a workbook.");
    for (pugi::xml_node sheet : child_named(root, "sheets").children())
        if (local_name(sheet) == "sheet") book->add_sheet(attribute_named(sheet, "name"), attribute_named(sheet, "id"));
    auto strings = read_shared_strings(book->package, book->strings_part);
    if (!strings) return strings.error();
    DateStyles dates = read_date_styles(book->package, book->styles_part);
    auto reader = std::make_unique<XlsxReader>(std::move(book->package), std::move(book->sheet_parts),
                                               std::move(*strings), std::move(dates));
    reader->names = std::move(book->names);
    return Workbook(std::move(reader));
}

}  // namespace workbook
