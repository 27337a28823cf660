// XLSX: the workbook part and its relationships give the sheets in order, the shared strings
// part gives the strings, and each worksheet part gives its cells. The two large kinds of part,
// worksheets and shared strings, are parsed with expat as they inflate, so that neither is held
// whole and the work is linear in its size; the small parts are pugixml trees. Strict OOXML
// differs only in namespace URIs, which the reader does not look at (elements are matched by
// local name).

#include <expat.h>

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

#include "libs/workbook/package.h"

namespace workbook {

namespace {

constexpr unsigned XML_OPTIONS = pugi::parse_default | pugi::parse_ws_pcdata_single;

// What expat may allocate for one part: its buffer holds at most one unfinished token (a tag with
// its attributes, or a name) besides the chunk being parsed, so only a hostile part comes near.
constexpr std::uint64_t MAX_PARSER_BYTES = 8u << 20;

// Expat's allocations for the parser being driven on this thread, counted against
// MAX_PARSER_BYTES. Expat's allocator hooks take no context, hence the thread-local pointer.
struct ParserMemory {
    std::uint64_t held = 0;
    std::uint64_t peak = 0;
    bool refused = false;
};
thread_local ParserMemory* t_parser_memory = nullptr;
constexpr std::size_t HEADER = alignof(std::max_align_t);

void* counted_realloc(void* old, std::size_t size)
{
    ParserMemory* m = t_parser_memory;
    char* base = old ? static_cast<char*>(old) - HEADER : nullptr;
    std::size_t old_size = 0;
    if (base) std::memcpy(&old_size, base, sizeof old_size);
    if (m && m->held - old_size + size > MAX_PARSER_BYTES) {
        m->refused = true;
        return nullptr;
    }
    char* grown = static_cast<char*>(std::realloc(base, size + HEADER));
    if (!grown) return nullptr;
    std::memcpy(grown, &size, sizeof size);
    if (m) {
        m->held = m->held - old_size + size;
        m->peak = std::max(m->peak, m->held);
    }
    return grown + HEADER;
}
void* counted_malloc(std::size_t size) { return counted_realloc(nullptr, size); }
void counted_free(void* block)
{
    if (!block) return;
    char* base = static_cast<char*>(block) - HEADER;
    std::size_t size = 0;
    std::memcpy(&size, base, sizeof size);
    if (t_parser_memory) t_parser_memory->held -= size;
    std::free(base);
}

std::string_view local_part(const XML_Char* name)
{
    const std::string_view full(name);
    const std::size_t colon = full.find(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

// The value of the attribute named `name` (exactly, or by local name when `local`), or "".
std::string_view attribute(const XML_Char** attributes, std::string_view name, bool local = false)
{
    for (; attributes[0]; attributes += 2)
        if ((local ? local_part(attributes[0]) : std::string_view(attributes[0])) == name) return attributes[1];
    return {};
}

// Parses one part as it inflates, with expat, calling the handler's start(name, attributes),
// end(name) and text(chars) where name is the element's local name. The handler stops the
// parse by returning false from any of them. Document type declarations are refused: no
// workbook part has one, and entity expansion is then no concern.
class StreamParser {
public:
    template <typename Handler>
    static std::optional<Error> run(const Package& package, const std::string& part, Handler& handler,
                                    std::uint64_t* peak_bytes)
    {
        ParserMemory memory;
        ParserMemory* outer = std::exchange(t_parser_memory, &memory);
        const XML_Memory_Handling_Suite suite{counted_malloc, counted_realloc, counted_free};
        XML_Parser parser = XML_ParserCreate_MM(nullptr, &suite, nullptr);
        std::optional<Error> result;
        if (!parser) {
            result = fail("The package part " + part + " cannot be parsed: out of memory.");
        } else {
            StreamParser self{parser, &handler};
            XML_SetUserData(parser, &self);
            XML_SetElementHandler(parser, &StreamParser::on_start<Handler>, &StreamParser::on_end<Handler>);
            XML_SetCharacterDataHandler(parser, &StreamParser::on_text<Handler>);
            XML_SetStartDoctypeDeclHandler(parser, &StreamParser::on_doctype);
            // A handler that has all it wants stops the parse, and with it the inflating.
            auto feed = [&](std::string_view chunk, bool last) -> std::optional<Error> {
                if (XML_Parse(parser, chunk.data(), static_cast<int>(chunk.size()), last) == XML_STATUS_OK)
                    return std::nullopt;
                if (self.doctype)
                    return fail("The package part " + part + " has a document type declaration; it is not read.");
                if (self.stopped) return fail("");
                if (memory.refused)
                    return fail("The package part " + part + " holds an XML tag or name longer than " +
                                decimal(MAX_PARSER_BYTES >> 20) + " MiB; it is not read.");
                std::string what = XML_ErrorString(XML_GetErrorCode(parser));
                if (!what.empty()) what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
                return fail("The package part " + part + " is not well-formed XML (" + what + " at offset " +
                            decimal(static_cast<std::uint64_t>(XML_GetCurrentByteIndex(parser))) + ").");
            };
            result = package.stream(part, MAX_PART_BYTES, [&](std::string_view chunk) { return feed(chunk, false); });
            if (!result) result = feed({}, true);
            if (self.stopped && !self.doctype) result.reset();
            XML_ParserFree(parser);
        }
        t_parser_memory = outer;
        if (peak_bytes) *peak_bytes = memory.peak;
        return result;
    }

private:
    StreamParser(XML_Parser parser, void* handler) : parser_(parser), handler_(handler) {}

    void stop()
    {
        if (!stopped) XML_StopParser(parser_, XML_FALSE);
        stopped = true;
    }
    template <typename Handler>
    static void on_start(void* data, const XML_Char* name, const XML_Char** attributes)
    {
        auto* self = static_cast<StreamParser*>(data);
        if (!static_cast<Handler*>(self->handler_)->start(local_part(name), attributes)) self->stop();
    }
    template <typename Handler>
    static void on_end(void* data, const XML_Char* name)
    {
        auto* self = static_cast<StreamParser*>(data);
        if (!static_cast<Handler*>(self->handler_)->end(local_part(name))) self->stop();
    }
    template <typename Handler>
    static void on_text(void* data, const XML_Char* chars, int length)
    {
        auto* self = static_cast<StreamParser*>(data);
        if (!static_cast<Handler*>(self->handler_)->text(std::string_view(chars, static_cast<std::size_t>(length))))
            self->stop();
    }
    static void on_doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        auto* self = static_cast<StreamParser*>(data);
        self->doctype = true;
        self->stop();
    }

    XML_Parser parser_;
    void* handler_;
    bool stopped = false;
    bool doctype = false;
};

// Which element the handlers are in, by local name, as far down as the reader looks.
enum class Element : std::uint8_t { other, sheet_data, row, c, v, is, r, t, sst, si };

Element element_of(std::string_view name)
{
    static constexpr std::pair<std::string_view, Element> known[] = {
        {"sheetData", Element::sheet_data}, {"row", Element::row}, {"c", Element::c}, {"v", Element::v},
        {"is", Element::is}, {"r", Element::r}, {"t", Element::t}, {"sst", Element::sst}, {"si", Element::si},
    };
    for (const auto& [n, e] : known)
        if (name == n) return e;
    return Element::other;
}

// The open elements, their kinds kept for the first levels only: deeper ones never matter.
class ElementStack {
public:
    void push(Element e)
    {
        if (depth_ < MAX_KEPT) kinds_[depth_] = e;
        ++depth_;
    }
    void pop()
    {
        if (depth_ > 0) --depth_;
    }
    // The kind `up` levels above the current element (0 is the current one).
    Element at(std::size_t up) const
    {
        if (up >= depth_ || depth_ - 1 - up >= MAX_KEPT) return Element::other;
        return kinds_[depth_ - 1 - up];
    }
    std::size_t depth() const { return depth_; }

private:
    static constexpr std::size_t MAX_KEPT = 16;
    Element kinds_[MAX_KEPT]{};
    std::size_t depth_ = 0;
};

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

// A string item's text as it streams: its own <t>, or the first <t> of each rich-text run;
// phonetic runs are not text. Gathers at most `limit` bytes; `over` says more were there.
class ItemText {
public:
    // Whether the current element, just opened, is a <t> whose text counts.
    void start(const ElementStack& stack, Element item)
    {
        if (stack.at(0) == Element::r && stack.at(1) == item) first_t_in_run_ = true;
        if (stack.at(0) != Element::t) return;
        if (stack.at(1) == item || (stack.at(1) == Element::r && stack.at(2) == item && first_t_in_run_)) {
            gathering_ = true;
            if (stack.at(1) == Element::r) first_t_in_run_ = false;
            piece_.clear();
        }
    }
    void text(std::string_view chars, std::size_t limit)
    {
        if (!gathering_) return;
        if (piece_.size() + chars.size() > limit) {
            over_ = true;
            chars = chars.substr(0, limit - std::min(limit, piece_.size()));
        }
        piece_.append(chars);
    }
    // At the end of an element: a gathered <t> joins the item's text, unescaped.
    void end(std::size_t limit)
    {
        if (!gathering_) return;
        gathering_ = false;
        std::string unescaped;
        append_unescaped(unescaped, piece_);
        if (text_.size() + unescaped.size() > limit) {
            over_ = true;
            unescaped.resize(limit - std::min(limit, text_.size()));
        }
        text_.append(unescaped);
        piece_.clear();
    }
    void clear()
    {
        text_.clear();
        piece_.clear();
        gathering_ = over_ = false;
    }
    bool gathering() const { return gathering_; }
    bool over() const { return over_; }
    const std::string& value() const { return text_; }
    std::uint64_t held_bytes() const { return text_.capacity() + piece_.capacity(); }

private:
    std::string text_;
    std::string piece_;
    bool gathering_ = false;
    bool first_t_in_run_ = false;
    bool over_ = false;
};

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
    return text_cell(text);
}

// The cells of a worksheet part as it streams: sheetData > row > c, with the cell's first <v>
// or its first <is> (inline string). Rows without an "r" attribute follow the previous row;
// cells without one follow the previous cell.
class SheetHandler {
public:
    SheetHandler(CellSink& sink, const DateStyles& dates) : sink_(sink), dates_(dates) {}

    bool start(std::string_view name, const XML_Char** attributes)
    {
        const Element parent = stack_.at(0);
        const Element e = element_of(name);
        stack_.push(e);
        if (e == Element::row && parent == Element::sheet_data) {
            if (auto r = parse_unsigned<std::uint32_t>(attribute(attributes, "r", true)); r && *r > 0) row_ = *r - 1;
            column_ = 0;
        } else if (e == Element::c && parent == Element::row && stack_.at(2) == Element::sheet_data) {
            in_cell_ = true;
            cell_row_ = row_;
            if (auto ref = parse_reference(attribute(attributes, "r"))) std::tie(cell_row_, column_) = *ref;
            type_ = attribute(attributes, "t");
            style_ = parse_unsigned<std::uint32_t>(attribute(attributes, "s")).value_or(0);
            has_v_ = has_is_ = false;
            value_.clear();
            item_.clear();
        } else if (in_cell_ && parent == Element::c && e == Element::v && !has_v_) {
            has_v_ = gathering_v_ = true;
        } else if (in_cell_ && parent == Element::c && e == Element::is && !has_is_) {
            has_is_ = in_is_ = true;
        }
        if (in_is_) item_.start(stack_, Element::is);
        return true;
    }

    bool text(std::string_view chars)
    {
        const std::size_t limit = text_limit();
        if (gathering_v_ && stack_.at(0) == Element::v) {
            // A number or a string index is short whatever text budget is left.
            const std::size_t v_limit = std::max<std::size_t>(limit, 4096);
            if (value_.size() + chars.size() > v_limit) chars = chars.substr(0, v_limit - std::min(v_limit, value_.size()));
            value_.append(chars);
        }
        if (item_.gathering() && stack_.at(0) == Element::t) item_.text(chars, limit);
        peak_ = std::max<std::uint64_t>(peak_, value_.capacity() + item_.held_bytes());
        return true;
    }

    bool end(std::string_view)
    {
        const Element e = stack_.at(0);
        if (e == Element::t) item_.end(text_limit());
        if (e == Element::v && gathering_v_ && stack_.at(1) == Element::c) gathering_v_ = false;
        if (e == Element::is && in_is_ && stack_.at(1) == Element::c) in_is_ = false;
        if (e == Element::c && in_cell_ && stack_.at(1) == Element::row) {
            in_cell_ = false;
            finish_cell();
            ++column_;
        }
        if (e == Element::row && stack_.at(1) == Element::sheet_data) ++row_;
        stack_.pop();
        return !error && !sink_.full();
    }

    std::optional<Error> error;
    std::uint64_t peak_bytes() const { return peak_; }

private:
    // Text past what the budget leaves cannot be shown; one byte more lets the sink see the cut.
    std::size_t text_limit() const { return static_cast<std::size_t>(sink_.text_left()) + 1; }

    void finish_cell()
    {
        if (type_ == "inlineStr") {
            sink_.add_copy(cell_row_, column_, text_cell(item_.value()));
            return;
        }
        if (!has_v_) return;
        std::string value;
        append_unescaped(value, value_);
        Cell cell;
        bool shared = false;
        if (type_ == "s") {
            const auto index = parse_unsigned<std::uint64_t>(value);
            if (!index) return;
            auto found = sink_.shared_string(*index);
            if (!found) {
                error = found.error();
                return;
            }
            cell = *found;
            shared = true;
        } else if (type_ == "str") {
            cell = text_cell(value);
        } else if (type_ == "b") {
            cell = bool_cell(value == "1" || value == "true");
        } else if (type_ == "e") {
            cell = error_cell_from_text(value);
        } else if (type_ == "d") {
            cell = text_cell(value);
            cell.kind = CellKind::iso_text;
        } else if (auto number = parse_double(value)) {
            cell = number_cell(*number);
        } else if (!value.empty()) {
            cell = text_cell(value);
        }
        dates_.mark(cell, style_);
        if (cell.kind == CellKind::empty) return;
        if (shared)
            sink_.add(cell_row_, column_, std::move(cell));
        else
            sink_.add_copy(cell_row_, column_, std::move(cell));
    }

    CellSink& sink_;
    const DateStyles& dates_;
    ElementStack stack_;
    std::uint32_t row_ = 0, column_ = 0, cell_row_ = 0;
    bool in_cell_ = false, has_v_ = false, has_is_ = false, gathering_v_ = false, in_is_ = false;
    std::string type_;
    std::uint32_t style_ = 0;
    std::string value_;
    ItemText item_;
    std::uint64_t peak_ = 0;
};

// The string items of a shared-strings part as it streams, each into the table.
class StringsHandler {
public:
    explicit StringsHandler(StringTable& table) : table_(table) {}

    bool start(std::string_view name, const XML_Char**)
    {
        const Element parent = stack_.at(0);
        const Element e = element_of(name);
        stack_.push(e);
        if (e == Element::si && parent == Element::sst) {
            in_item_ = true;
            item_.clear();
        }
        if (in_item_) item_.start(stack_, Element::si);
        return true;
    }
    bool text(std::string_view chars)
    {
        if (item_.gathering() && stack_.at(0) == Element::t) item_.text(chars, limit());
        peak_ = std::max(peak_, item_.held_bytes());
        return true;
    }
    bool end(std::string_view)
    {
        const Element e = stack_.at(0);
        if (e == Element::t) item_.end(limit());
        if (e == Element::si && in_item_ && stack_.at(1) == Element::sst) {
            in_item_ = false;
            table_.add(item_.value());
        }
        stack_.pop();
        return true;
    }
    std::uint64_t peak_bytes() const { return peak_; }

private:
    // A string longer than the table has room for is not kept; one byte more makes that plain.
    std::size_t limit() const { return static_cast<std::size_t>(table_.room()) + 1; }

    StringTable& table_;
    ElementStack stack_;
    ItemText item_;
    bool in_item_ = false;
    std::uint64_t peak_ = 0;
};

std::optional<Error> list_sheets(PackageWorkbook& book)
{
    auto doc = parse_part(book.content, book.part, XML_OPTIONS);
    if (!doc) return doc.error();
    const pugi::xml_node root = (*doc)->document_element();
    if (local_name(root) != "workbook") return fail("The part " + book.part + " is not a workbook.");
    for (pugi::xml_node sheet : child_named(root, "sheets").children())
        if (local_name(sheet) == "sheet") book.add_sheet(attribute_named(sheet, "name"), attribute_named(sheet, "id"));
    return std::nullopt;
}

std::optional<Error> read_strings(const Package& package, const std::string& part, StringTable& table)
{
    StringsHandler handler(table);
    return StreamParser::run(package, part, handler, nullptr);
}

std::optional<Error> read_styles(const Package& package, const std::string& part, DateStyles& dates)
{
    auto xml = package.read(part, MAX_STYLES_BYTES);
    if (!xml) return xml.error();
    auto doc = parse_part(*xml, part, XML_OPTIONS);
    if (!doc) return doc.error();
    const pugi::xml_node sheet = (*doc)->document_element();
    for (pugi::xml_node f : child_named(sheet, "numFmts").children())
        if (auto id = parse_unsigned<std::uint32_t>(attribute_named(f, "numFmtId")))
            dates.add_format(*id, attribute_named(f, "formatCode"));
    for (pugi::xml_node xf : child_named(sheet, "cellXfs").children())
        if (local_name(xf) == "xf") dates.add_style(parse_unsigned<std::uint32_t>(attribute_named(xf, "numFmtId")).value_or(0));
    return std::nullopt;
}

std::optional<Error> read_cells(const Package& package, const std::string& part, const DateStyles& dates,
                                CellSink& sink, std::uint64_t& working)
{
    SheetHandler handler(sink, dates);
    std::uint64_t parser_bytes = 0;
    if (auto failed = StreamParser::run(package, part, handler, &parser_bytes)) return failed;
    if (handler.error) return handler.error;
    working = parser_bytes + handler.peak_bytes();
    return std::nullopt;
}

constexpr PackageFormat XLSX{false, list_sheets, read_strings, read_styles, read_cells};

}  // namespace

Result<Workbook> Workbook::open_xlsx(std::span<const std::uint8_t> bytes) { return open_package_workbook(bytes, XLSX); }

}  // namespace workbook
