#include "libs/workbook/workbook.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "compound_file_builder.h"
#include "corpus.h"
#include "le_writer.h"
#include "libs/workbook/reader.h"
#include "zip_builder.h"

namespace workbook {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<std::uint8_t>;
using cw::test::le;

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A cell as a short comparable text: "i:5", "f:0.5", "t:abc", "b:1", "e:7" (CellError), "d:...".
std::string describe(const Cell& c)
{
    switch (c.kind) {
        case CellKind::integer: return "i:" + std::to_string(c.integer);
        case CellKind::floating: {
            char buf[32];
            std::snprintf(buf, sizeof buf, "f:%g", c.number);
            return buf;
        }
        case CellKind::text: return "t:" + std::string(c.text);
        case CellKind::iso_text: return "d:" + std::string(c.text);
        case CellKind::boolean: return c.boolean ? "b:1" : "b:0";
        case CellKind::error: return "e:" + std::to_string(static_cast<int>(c.error));
        default: return "?";
    }
}

// "A1" style keys of the cells read, for compact expectations.
std::map<std::string, std::string> cells_of(const Range& range)
{
    std::map<std::string, std::string> out;
    for (const auto& c : range.cells) {
        std::string key(1, static_cast<char>('A' + c.column % 26));
        out[key + std::to_string(c.row + 1)] = describe(c.cell);
    }
    return out;
}

std::string record(std::uint16_t id, const std::string& data) { return le(id, 2) + le(data.size(), 2) + data; }
std::string cell_head(int row, int col) { return le(row, 2) + le(col, 2) + le(15, 2); }
std::string f64(double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return le(bits, 8);
}

// A workbook stream: globals (BOF, extra records, BOUNDSHEETs) and one sheet substream.
std::string biff_stream(int version, const std::string& globals_extra, const std::vector<std::string>& sheet_names,
                        const std::string& sheet_records)
{
    const std::string bof = record(0x0809, le(version, 2) + le(5, 2) + std::string(12, '\0'));
    const std::string eof = record(0x000A, "");
    std::string sheets;
    auto sheet_name = [&](const std::string& n) {
        return version == 0x0600 ? le(n.size(), 1) + std::string(1, '\0') + n : le(n.size(), 1) + n;
    };
    for (const auto& n : sheet_names) sheets += record(0x0085, le(0, 4) + le(0, 2) + sheet_name(n));
    const std::size_t globals_size = bof.size() + globals_extra.size() + sheets.size() + eof.size();
    // Every sheet points at the one substream after the globals.
    std::string patched;
    for (const auto& n : sheet_names) patched += record(0x0085, le(globals_size, 4) + le(0, 2) + sheet_name(n));
    const std::string sheet_bof = record(0x0809, le(version, 2) + le(0x10, 2) + std::string(12, '\0'));
    return bof + globals_extra + patched + eof + sheet_bof + sheet_records + eof;
}

Bytes xls_file(const std::string& stream, const std::u16string& name = u"Workbook")
{
    std::string padded = stream;
    if (padded.size() < 4096) padded.resize(4096, '\0');
    return bytes_of(cw::test::build_compound_file({{name, padded}}));
}

TEST(WorkbookXls, Biff8ReadsEveryValueRecord)
{
    // Shared strings: "alpha", then "bé" whose characters are split by a CONTINUE that switches
    // to two-byte characters, then a rich string with one run.
    const std::string sst = record(0x00FC, le(3, 4) + le(3, 4) + le(5, 2) + "\x00"s + "alpha" + le(2, 2) + "\x00"s + "b") +
                            record(0x003C, "\x01"s + le(0xE9, 2) + le(3, 2) + "\x08"s + le(1, 2) + "xyz" + le(0, 4));
    std::string cells;
    cells += record(0x00FD, cell_head(0, 0) + le(0, 4));                               // A1 LABELSST
    cells += record(0x00FD, cell_head(0, 1) + le(1, 4));                               // B1
    cells += record(0x00FD, cell_head(0, 2) + le(2, 4));                               // C1
    cells += record(0x0204, cell_head(1, 0) + le(3, 2) + "\x01"s + le('x', 2) + le(0x263A, 2) + le('y', 2));  // A2
    cells += record(0x0203, cell_head(1, 1) + f64(0.5));                               // B2 NUMBER
    cells += record(0x027E, cell_head(1, 2) + le(42u << 2 | 2, 4));                    // C2 RK integer
    cells += record(0x027E, cell_head(1, 3) + le(1200455u << 2 | 3, 4));               // D2 RK integer / 100
    cells += record(0x00BD, le(2, 2) + le(0, 2) + le(15, 2) + le(7u << 2 | 2, 4) + le(15, 2) + le(8u << 2 | 2, 4) + le(1, 2));
    cells += record(0x0205, cell_head(3, 0) + "\x01\x00"s);                            // A4 TRUE
    cells += record(0x0205, cell_head(3, 1) + "\x07\x01"s);                            // B4 #DIV/0!
    cells += record(0x0201, cell_head(3, 2));                                          // C4 BLANK: nothing
    cells += record(0x0006, cell_head(4, 0) + f64(3.25) + le(0, 2) + le(0, 4) + le(0, 2));  // A5 formula number
    cells += record(0x0006, cell_head(4, 1) + "\x00\x00\x00\x00\x00\x00\xFF\xFF"s + le(0, 8));  // B5 string result
    cells += record(0x04BC, std::string(8, '\0'));                                     // SHRFMLA in between
    cells += record(0x0207, le(3, 2) + "\x00"s + "res");
    cells += record(0x0006, cell_head(4, 2) + "\x01\x00\x01\x00\x00\x00\xFF\xFF"s + le(0, 8));  // C5 TRUE
    cells += record(0x0006, cell_head(4, 3) + "\x02\x00\x2A\x00\x00\x00\xFF\xFF"s + le(0, 8));  // D5 #N/A
    cells += record(0x0006, cell_head(4, 4) + "\x03\x00\x00\x00\x00\x00\xFF\xFF"s + le(0, 8));  // E5 ""
    // A chart substream inside the sheet: its records are not cells of the sheet.
    cells += record(0x0809, le(0x0600, 2) + le(0x20, 2) + std::string(12, '\0')) + record(0x0203, cell_head(9, 9) + f64(1)) +
             record(0x000A, "");
    auto book = Workbook::open_xls(xls_file(biff_stream(0x0600, sst, {"Data"}, cells)));
    ASSERT_TRUE(book) << book.error().message;
    EXPECT_EQ(book->sheet_names(), std::vector<std::string>{"Data"});
    auto range = book->read_sheet(0);
    ASSERT_TRUE(range) << range.error().message;
    const std::map<std::string, std::string> expected{
        {"A1", "t:alpha"}, {"B1", "t:b\xC3\xA9"}, {"C1", "t:xyz"}, {"A2", "t:x\xE2\x98\xBAy"}, {"B2", "f:0.5"},
        {"C2", "i:42"},    {"D2", "f:12004.5"},  {"A3", "i:7"},   {"B3", "i:8"},                {"A4", "b:1"},
        {"B4", "e:1"},     {"A5", "f:3.25"},     {"B5", "t:res"}, {"C5", "b:1"},                {"D5", "e:6"},
        {"E5", "t:"},
    };
    EXPECT_EQ(cells_of(*range), expected);
}

TEST(WorkbookXls, DamagedSheetsKeepTheCellsBeforeTheDamage)
{
    const std::string good = record(0x0203, cell_head(0, 0) + f64(1));
    struct Case {
        const char* what;
        std::string tail;
        std::size_t cells;
    };
    const Case cases[] = {
        // A MULRK cut inside its second pair keeps the first.
        {"MULRK cut short", record(0x00BD, le(1, 2) + le(0, 2) + le(15, 2) + le(4u << 2 | 2, 4) + le(15, 2) + "\x01"s), 2},
        {"RK cut short", record(0x027E, cell_head(1, 0) + "\x01\x02"s), 1},
        {"record longer than the stream", le(0x0203, 2) + le(60000, 2) + "abc", 1},
    };
    for (const auto& c : cases) {
        std::string stream = biff_stream(0x0600, "", {"S"}, good + c.tail);
        auto book = Workbook::open_xls(xls_file(stream));
        ASSERT_TRUE(book) << c.what;
        auto range = book->read_sheet(0);
        ASSERT_TRUE(range) << c.what;
        EXPECT_EQ(range->cells.size(), c.cells) << c.what;
    }
}

TEST(WorkbookXls, FailuresHaveTheirTexts)
{
    const std::string sst = record(0x00FC, le(1, 4) + le(1, 4) + le(1, 2) + "\x00"s + "a");
    const std::string out_of_range = biff_stream(0x0600, sst, {"S"}, record(0x00FD, cell_head(0, 0) + le(5, 4)));
    auto book = Workbook::open_xls(xls_file(out_of_range));
    ASSERT_TRUE(book);
    auto range = book->read_sheet(0);
    ASSERT_FALSE(range);
    EXPECT_EQ(range.error().message, "Shared string 5 is out of range: the workbook has 1 shared strings.");

    struct Case {
        const char* what;
        Bytes bytes;
        std::string message;
    };
    const Case cases[] = {
        {"encrypted", xls_file(biff_stream(0x0600, record(0x002F, le(0, 2)), {"S"}, "")),
         "The workbook is encrypted with a password; its cells cannot be read."},
        {"BIFF4 bytes without a container", bytes_of(record(0x0409, le(0, 2) + le(0x10, 2))),
         "The workbook is in the BIFF4 format of Excel 4.0 or earlier; only BIFF5 and BIFF8 workbooks can be read."},
        {"BIFF3 in a compound file", xls_file(record(0x0209, le(0, 2) + le(0x10, 2)), u"Book"),
         "The workbook is in the BIFF3 format of Excel 4.0 or earlier; only BIFF5 and BIFF8 workbooks can be read."},
        {"no workbook stream", xls_file("x", u"Other"), "The compound file holds no Workbook or Book stream."},
        {"encrypted XLSX or XLSB package", xls_file("x", u"EncryptedPackage"),
         "The workbook is encrypted with a password; its cells cannot be read."},
    };
    for (const auto& c : cases) {
        auto failed = Workbook::open_xls(c.bytes);
        ASSERT_FALSE(failed) << c.what;
        EXPECT_EQ(failed.error().message, c.message) << c.what;
    }
    EXPECT_FALSE(Workbook::open_xls(Bytes{1, 2, 3}));
    const Bytes encrypted = xls_file("x", u"EncryptedPackage");
    for (auto open : {&Workbook::open_xlsx, &Workbook::open_xlsb}) {
        auto failed = open(encrypted);
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().message, "The workbook is encrypted with a password; its cells cannot be read.");
    }
}

TEST(WorkbookXls, Biff5StringsUseTheCodePage)
{
    // "Book" stream, 8-bit sheet name and LABEL text in the workbook's code page.
    struct Case {
        std::uint16_t code_page;
        std::string name_utf8, text_utf8;
    };
    const Case cases[] = {
        {1252, "F\xC3\xBC", "\xE2\x82\xAC\xC3\xA9"},  // 0x80 is the euro sign
        {1253, "F\xCF\x8C", "\xE2\x82\xAC\xCE\xB9"},  // 0xFC is omicron with tonos, 0xE9 iota
        {1251, "F\xD1\x8C", "\xD0\x82\xD0\xB9"},
        {932, "F\xEF\xBF\xBD", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // no table: unknown bytes say so
    };
    for (const auto& c : cases) {
        const std::string cells = record(0x0204, cell_head(0, 0) + le(2, 2) + "\x80\xE9"s);
        auto book = Workbook::open_xls(
            xls_file(biff_stream(0x0500, record(0x0042, le(c.code_page, 2)), {"F\xFC"}, cells), u"Book"));
        ASSERT_TRUE(book) << book.error().message;
        EXPECT_EQ(book->sheet_names(), std::vector<std::string>{c.name_utf8}) << c.code_page;
        auto range = book->read_sheet(0);
        ASSERT_TRUE(range);
        EXPECT_EQ(cells_of(*range), (std::map<std::string, std::string>{{"A1", "t:" + c.text_utf8}})) << c.code_page;
    }
}

const std::string RELS_ROOT =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument" Target="/xl/book.xml"/>)"
    R"(</Relationships>)";

std::vector<cw::test::ZipMember> xlsx_members(const std::string& sheet)
{
    return {
        {"_rels/.rels", RELS_ROOT},
        // Strict namespaces, prefixed elements, sheets listed in an order unlike their part names.
        {"xl/book.xml",
         R"(<x:workbook xmlns:x="http://purl.oclc.org/ooxml/spreadsheetml/main" xmlns:r="http://purl.oclc.org/ooxml/officeDocument/relationships">)"
         R"(<x:sheets><x:sheet name="First" sheetId="2" r:id="rId7"/><x:sheet name="Chart" sheetId="3" r:id="rId8"/>)"
         R"(<x:sheet name="Second" sheetId="1" r:id="rId6"/></x:sheets></x:workbook>)"},
        {"xl/_rels/book.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId6" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet" Target="sheets/one.xml"/>)"
         R"(<Relationship Id="rId7" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet" Target="sheets/../sheets/two.xml"/>)"
         R"(<Relationship Id="rId8" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/chartsheet" Target="charts/c.xml"/>)"
         R"(<Relationship Id="rId9" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/sharedStrings" Target="strings.xml"/>)"
         R"(</Relationships>)"},
        {"xl/strings.xml",
         R"(<sst xmlns="http://purl.oclc.org/ooxml/spreadsheetml/main"><si><t>plain</t></si>)"
         R"(<si><r><t>ri</t></r><r><rPr/><t xml:space="preserve">ch </t></r><rPh><t>phonetic</t></rPh></si>)"
         R"(<si><t>a_x000D_b_x005F_x0041_</t></si></sst>)",
         true},
        {"xl/sheets/one.xml", "<worksheet><sheetData/></worksheet>"},
        {"xl/sheets/two.xml", sheet, true},
    };
}

TEST(WorkbookXlsx, ReadsEveryCellType)
{
    const std::string sheet =
        R"(<worksheet xmlns="http://purl.oclc.org/ooxml/spreadsheetml/main"><dimension ref="A1"/><sheetData>)"
        R"(<row r="2"><c r="B2" t="s"><v>0</v></c><c r="C2" t="s"><v>1</v></c><c t="s"><v>2</v></c></row>)"
        R"(<row><c r="A3"><v>1.5</v></c><c r="B3" t="b"><v>1</v></c><c r="C3" t="e"><v>#REF!</v></c>)"
        R"(<c r="D3" t="str"><v>formula text</v></c><c r="E3" t="inlineStr"><is><t><![CDATA[in]]></t><r><t>line</t></r></is></c>)"
        R"(<c r="F3" t="d"><v>2024-02-29T12:00:00</v></c><c r="G3" s="1"/><c r="H3" t="e"><v>#SPILL!</v></c></row>)"
        R"(</sheetData></worksheet>)";
    const Bytes zip = bytes_of(cw::test::build_zip(xlsx_members(sheet)));
    auto book = Workbook::open_xlsx(zip);
    ASSERT_TRUE(book) << book.error().message;
    EXPECT_EQ(book->sheet_names(), (std::vector<std::string>{"First", "Second"}));
    auto range = book->read_sheet(0);
    ASSERT_TRUE(range) << range.error().message;
    const std::map<std::string, std::string> expected{
        {"B2", "t:plain"}, {"C2", "t:rich "},        {"D2", "t:a\rb_x0041_"},
        {"A3", "f:1.5"},   {"B3", "b:1"},            {"C3", "e:3"},
        {"D3", "t:formula text"}, {"E3", "t:inline"}, {"F3", "d:2024-02-29T12:00:00"},
        {"H3", "t:#SPILL!"},
    };
    EXPECT_EQ(cells_of(*range), expected);
    auto empty = book->read_sheet(1);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->cells.empty());
    // The binary reader says why this package is not its kind.
    auto as_xlsb = Workbook::open_xlsb(zip);
    ASSERT_FALSE(as_xlsb);
    EXPECT_EQ(as_xlsb.error().message, "The package holds an XML workbook (xl/book.xml), not a binary one.");
}

TEST(WorkbookXlsx, BadPackagesGiveTheirErrors)
{
    const std::string out_of_range = R"(<worksheet><sheetData><row><c t="s"><v>3</v></c></row></sheetData></worksheet>)";
    const Bytes book_bytes = bytes_of(cw::test::build_zip(xlsx_members(out_of_range)));
    auto book = Workbook::open_xlsx(book_bytes);
    ASSERT_TRUE(book);
    auto range = book->read_sheet(0);
    ASSERT_FALSE(range);
    EXPECT_EQ(range.error().message, "Shared string 3 is out of range: the workbook has 3 shared strings.");

    // A sheet part of zeros that deflates a thousandfold.
    auto bomb_members = xlsx_members("");
    bomb_members.back().bytes = std::string(std::size_t{40} << 20, ' ');
    const Bytes bomb_bytes = bytes_of(cw::test::build_zip(bomb_members));
    auto bomb = Workbook::open_xlsx(bomb_bytes);
    ASSERT_TRUE(bomb);
    auto refused = bomb->read_sheet(0);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message,
              "The package part xl/sheets/two.xml inflates to more than 512 MiB or 400 times its compressed size; it "
              "is not read.");

    const std::string zip = cw::test::build_zip(xlsx_members("<worksheet/>"));
    const Bytes truncated_bytes = bytes_of(zip.substr(0, zip.size() / 2));
    auto truncated = Workbook::open_xlsx(truncated_bytes);
    ASSERT_FALSE(truncated);
    EXPECT_EQ(truncated.error().message, "The ZIP package cannot be opened: Not a zip archive.");

    const Bytes malformed_bytes = bytes_of(cw::test::build_zip(xlsx_members("<worksheet><sheetData><row>")));
    auto malformed = Workbook::open_xlsx(malformed_bytes);
    ASSERT_TRUE(malformed);
    auto bad_xml = malformed->read_sheet(0);
    ASSERT_FALSE(bad_xml);
    EXPECT_EQ(bad_xml.error().message,
              "The package part xl/sheets/two.xml is not well-formed XML (No element found at offset 27).");
}

TEST(WorkbookXlsx, LargeSheetsAreReadAsTheyInflateAndCappedAtTheCellLimit)
{
    std::string sheet = "<worksheet><x:sheetData xmlns:x=\"urn:x\">";
    for (int r = 1; r <= 60000; ++r)
        sheet += "<x:row r=\"" + std::to_string(r) + "\"><x:c><x:v>" + std::to_string(r) +
                 "</x:v></x:c><x:c t=\"inlineStr\"><x:is><x:t>row text " + std::to_string(r) + "</x:t></x:is></x:c></x:row>";
    sheet += "</x:sheetData></worksheet>";
    ASSERT_GT(sheet.size(), std::size_t{4} << 20);  // many chunks
    const Bytes book_bytes = bytes_of(cw::test::build_zip(xlsx_members(sheet)));
    auto book = Workbook::open_xlsx(book_bytes);
    ASSERT_TRUE(book);
    auto all = book->read_sheet(0);
    ASSERT_TRUE(all) << all.error().message;
    ASSERT_EQ(all->cells.size(), 120000u);
    EXPECT_FALSE(all->truncated);
    EXPECT_EQ(all->cells.back().row, 59999u);
    EXPECT_EQ(all->cells.back().column, 1u);
    EXPECT_EQ(all->cells.back().cell.text, "row text 60000");
    auto capped = book->read_sheet(0, 1000);
    ASSERT_TRUE(capped);
    EXPECT_EQ(capped->cells.size(), 1000u);
    EXPECT_TRUE(capped->truncated);

    // A row closer inside CDATA is text.
    std::string tricky = "<worksheet><sheetData>";
    int rows = 0;
    while (tricky.size() < (std::size_t{4} << 20) - 50'000)
        tricky += "<row><c><v>" + std::to_string(++rows) + "</v></c></row>";
    tricky += "<row><c t=\"inlineStr\"><is><t><![CDATA[" + std::string(100'000, 'p') + "</row>]]></t></is></c></row>";
    tricky += "<row><c><v>-1</v></c></row></sheetData></worksheet>";
    const Bytes tricky_bytes = bytes_of(cw::test::build_zip(xlsx_members(tricky)));
    auto tricky_book = Workbook::open_xlsx(tricky_bytes);
    ASSERT_TRUE(tricky_book);
    auto whole = tricky_book->read_sheet(0);
    ASSERT_TRUE(whole) << whole.error().message;
    ASSERT_EQ(whole->cells.size(), static_cast<std::size_t>(rows) + 2);
    EXPECT_EQ(whole->cells.back().row, static_cast<std::uint32_t>(rows) + 1);
    EXPECT_EQ(whole->cells.back().cell.number, -1);

    // One row of more than 16 MiB is read like any other, up to the cell limit.
    std::string wide = "<worksheet><sheetData><row>";
    while (wide.size() < (std::size_t{17} << 20)) wide += "<c><v>1</v></c>";
    wide += "</row></sheetData></worksheet>";
    const Bytes wide_bytes = bytes_of(cw::test::build_zip(xlsx_members(wide)));
    auto wide_book = Workbook::open_xlsx(wide_bytes);
    ASSERT_TRUE(wide_book);
    auto first = wide_book->read_sheet(0, 1000);
    ASSERT_TRUE(first) << first.error().message;
    EXPECT_TRUE(first->truncated);
    EXPECT_EQ(first->cells.back().column, 999u);
}

std::string repeat(std::string_view piece, std::size_t times)
{
    std::string out;
    out.reserve(piece.size() * times);
    while (times-- > 0) out += piece;
    return out;
}

// Within these bounds whatever the parts say; CTest's timeout guards against a stall.
constexpr std::uint64_t HOSTILE_HELD_BYTES = 8u << 20;

// What a read held, and where it stopped: "error: ..." or "cells N" with " cut" at the text budget.
std::string bounded_read(const Workbook& book, std::size_t sheet = 0)
{
    auto range = book.read_sheet(sheet);
    if (!range) return "error: " + range.error().message;
    EXPECT_LT(range->held_bytes + book.held_bytes(), HOSTILE_HELD_BYTES);
    return "cells " + std::to_string(range->cells.size()) + (range->text_cut ? " cut" : "");
}

TEST(WorkbookXlsx, HostilePartsReadWithinBoundsOrGiveTheirErrors)
{
    const std::string sheet_of = "<worksheet><sheetData>";
    std::string sheets, rels;
    for (int i = 0; sheets.size() < (1u << 20); ++i) {
        sheets += "<sheet name=\"s\" r:id=\"rId" + std::to_string(i % 20'000) + "\"/>";
        if (i < 20'000)
            rels += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"x/worksheet\" Target=\"sheets/one.xml\"/>";
    }
    auto with = [](std::vector<std::pair<std::size_t, std::string>> parts, std::uint32_t claimed = 0) {
        auto members = xlsx_members("");
        for (auto& [index, bytes] : parts) members[index].bytes = std::move(bytes);
        members.back().directory_compressed_size = claimed;
        return members;
    };
    const std::string spaces(std::size_t{40} << 20, ' ');
    const std::string refused = "error: The package part xl/sheets/two.xml inflates to more than 512 MiB or 400 times "
                                "its compressed size; it is not read.";
    const struct {
        const char* what;
        std::vector<cw::test::ZipMember> members;
        std::string outcome;  // of opening, or of reading the first sheet
    } cases[] = {
        {"element names repeated 200,000 times as text",
         with({{3, "<sst>" + repeat("sst", 200'000) + "</sst>"},
               {5, sheet_of + repeat("sheetData", 200'000) + "</sheetData></worksheet>"}}),
         "cells 0"},
        {"one 1 MiB shared string shown by 100,000 cells",
         with({{3, "<sst><si><t>" + std::string(1u << 20, 's') + "</t></si></sst>"},
               {5, sheet_of + "<row>" + repeat(R"(<c t="s"><v>0</v></c>)", 100'000) + "</row></sheetData></worksheet>"}}),
         "cells 64 cut"},
        {"a workbook part and relationships of 1 MiB each",
         with({{1, "<workbook><sheets>" + sheets + "</sheets></workbook>"}, {2, "<Relationships>" + rels + "</Relationships>"}}),
         "cells 0"},
        {"relationships past the small-part cap",
         with({{2, "<Relationships>" + repeat(" ", 5u << 20) + "</Relationships>"}}),
         "error: The package part xl/_rels/book.xml.rels inflates to more than 4 MiB; it is not read."},
        {"a bomb whose directory claims 0x7FFFFFFF compressed bytes", with({{5, spaces}}, 0x7FFFFFFF), refused},
        {"a directory that understates the compressed size", with({{5, sheet_of + "</sheetData></worksheet>"}}, 8),
         "error: The package part xl/sheets/two.xml cannot be inflated: The compressed data ends early."},
    };
    for (const auto& c : cases) {
        const Bytes zip = bytes_of(cw::test::build_zip(c.members));
        auto book = Workbook::open_xlsx(zip);
        EXPECT_EQ(book ? bounded_read(*book) : "error: " + book.error().message, c.outcome) << c.what;
    }
}

std::string varint(std::uint32_t v)
{
    std::string s;
    do {
        std::uint8_t b = v & 0x7F;
        v >>= 7;
        if (v) b |= 0x80;
        s.push_back(static_cast<char>(b));
    } while (v);
    return s;
}

std::string brt(std::uint32_t type, const std::string& data)
{
    std::string id = type < 0x80 ? std::string(1, static_cast<char>(type))
                                 : std::string{static_cast<char>((type & 0x7F) | 0x80), static_cast<char>(type >> 7)};
    return id + varint(static_cast<std::uint32_t>(data.size())) + data;
}

std::string wide(const std::u16string& s)
{
    std::string out = le(s.size(), 4);
    for (char16_t c : s) out += le(c, 2);
    return out;
}

TEST(WorkbookXlsb, ReadsSheetsStringsAndCells)
{
    const std::string book_bin = brt(0x83, "") + brt(0x8F, "") + brt(0x9C, le(0, 4) + le(1, 4) + wide(u"rId2") + wide(u"Tabelle")) +
                                 brt(0x9C, le(0, 4) + le(2, 4) + wide(u"rId1") + wide(u"Other")) + brt(0x90, "") + brt(0x84, "");
    const std::string strings = brt(0x9F, le(2, 4) + le(2, 4)) + brt(0x13, "\x00"s + wide(u"shared")) +
                                brt(0x13, "\x01"s + wide(u"rich") + le(0, 4));
    auto cell = [](int col) { return le(col, 4) + le(0, 4); };
    const std::string sheet =
        brt(0x91, "") + brt(0x00, le(4, 4) + std::string(13, '\0')) + brt(0x07, cell(0) + le(1, 4)) +
        brt(0x02, cell(1) + le(5u << 2 | 2, 4)) + brt(0x05, cell(2) + f64(2.5)) + brt(0x04, cell(3) + "\x01"s) +
        brt(0x03, cell(4) + "\x24"s) + brt(0x06, cell(5) + wide(u"inline")) + brt(0x01, cell(6)) +
        brt(0x00, le(5, 4) + std::string(13, '\0')) + brt(0x08, cell(0) + wide(u"f") + le(0, 2)) +
        brt(0x09, cell(1) + f64(-1) + le(0, 2)) + brt(0x0A, cell(2) + "\x00"s) + brt(0x0B, cell(3) + "\x07"s) +
        brt(0x3E, cell(4) + "\x00"s + wide(u"rs")) +
        // Short forms carry no column: each is the cell after the previous one of its row.
        brt(0x00, le(6, 4) + std::string(13, '\0')) + brt(0x12, le(0, 4) + le(1, 4)) + brt(0x0C, le(0, 4)) +
        brt(0x0D, le(0, 4) + le(7u << 2 | 2, 4)) + brt(0x10, le(0, 4) + f64(0.5)) + brt(0x0F, le(0, 4) + "\x01"s) +
        brt(0x0E, le(0, 4) + "\x07"s) + brt(0x11, le(0, 4) + wide(u"short")) + brt(0x02, cell(9) + le(3u << 2 | 2, 4)) +
        brt(0x0D, le(0, 4) + le(4u << 2 | 2, 4)) + brt(0x07, cell(5) + le(9, 4)).substr(0, 5) + brt(0x92, "");
    const std::string rels =
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.bin"/>)"
        R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.bin"/>)"
        R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.bin"/>)"
        R"(</Relationships>)";
    const Bytes zip = bytes_of(cw::test::build_zip({
        {"xl/workbook.bin", book_bin},
        {"xl/_rels/workbook.bin.rels", rels},
        {"xl/sharedStrings.bin", strings},
        {"xl/worksheets/sheet1.bin", sheet, true},
        {"xl/worksheets/sheet2.bin", ""},
    }));
    auto book = Workbook::open_xlsb(zip);
    ASSERT_TRUE(book) << book.error().message;
    EXPECT_EQ(book->sheet_names(), (std::vector<std::string>{"Tabelle", "Other"}));
    auto range = book->read_sheet(0);
    ASSERT_TRUE(range) << range.error().message;
    // The cut last record ends the part; what came before stands.
    const std::map<std::string, std::string> expected{
        {"A5", "t:rich"}, {"B5", "i:5"},  {"C5", "f:2.5"}, {"D5", "b:1"}, {"E5", "e:5"}, {"F5", "t:inline"},
        {"A6", "t:f"},    {"B6", "f:-1"}, {"C6", "b:0"},   {"D6", "e:1"}, {"E6", "t:rs"},
        {"A7", "t:rich"}, {"C7", "i:7"},  {"D7", "f:0.5"}, {"E7", "b:1"}, {"F7", "e:1"}, {"G7", "t:short"},
        {"J7", "i:3"},    {"K7", "i:4"},
    };
    EXPECT_EQ(cells_of(*range), expected);
    auto as_xlsx = Workbook::open_xlsx(zip);
    ASSERT_FALSE(as_xlsx);
    EXPECT_EQ(as_xlsx.error().message, "The package holds a binary workbook (xl/workbook.bin), not an XML one.");
}

TEST(WorkbookBinary, ASharedStringShownByManyCellsIsHeldOnceAndCutAtTheTextBudget)
{
    // XLS: one string of 60,000 one-byte characters, split over CONTINUE records, in 20,000 cells.
    const std::string text(60'000, 'x');
    std::string sst = record(0x00FC, le(1, 4) + le(1, 4) + le(text.size(), 2) + "\x00"s + text.substr(0, 8000));
    for (std::size_t at = 8000; at < text.size(); at += 8000) sst += record(0x003C, "\x00"s + text.substr(at, 8000));
    std::string cells;
    for (int i = 0; i < 20'000; ++i) cells += record(0x00FD, cell_head(i, 0) + le(0, 4));
    auto xls = Workbook::open_xls(xls_file(biff_stream(0x0600, sst, {"Data"}, cells)));
    ASSERT_TRUE(xls) << xls.error().message;
    EXPECT_EQ(bounded_read(*xls), "cells 1118 cut");

    // XLSB: one string of 500,000 two-byte characters in 1,000 cells.
    const std::string book_bin = brt(0x9C, le(0, 4) + le(1, 4) + wide(u"rId1") + wide(u"S"));
    const std::string rels =
        R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="worksheets/sheet1.bin"/></Relationships>)";
    const Bytes xlsb_zip = bytes_of(cw::test::build_zip({
        {"xl/workbook.bin", book_bin},
        {"xl/_rels/workbook.bin.rels", rels},
        {"xl/sharedStrings.bin", brt(0x13, "\x00"s + wide(std::u16string(500'000, u'w'))), true},
        {"xl/worksheets/sheet1.bin", repeat(brt(0x07, le(0, 4) + le(0, 4) + le(0, 4)), 1000), true},
    }));
    auto xlsb = Workbook::open_xlsb(xlsb_zip);
    ASSERT_TRUE(xlsb) << xlsb.error().message;
    EXPECT_EQ(bounded_read(*xlsb), "cells 134 cut");
}

TEST(WorkbookDates, NumberFormatsDecideTheDateKind)
{
    const std::pair<const char*, bool> codes[] = {
        {"yyyy-mm-dd", true},  {"[h]:mm:ss", true},        {"mmm d", true},      {"0.00", false},
        {"General", false},    {"\"day\" 0", false},       {"[Red]0.0", false},  {"#,##0_);[Red](#,##0)", false},
        {"\\d0", false},       {"[$-409]h:mm AM/PM", true}, {"0.0E+00", false}, {"@", false},
    };
    DateStyles dates;
    for (std::size_t i = 0; i < std::size(codes); ++i) dates.add_format(static_cast<std::uint32_t>(164 + i), codes[i].first);
    for (std::size_t i = 0; i < std::size(codes); ++i) dates.add_style(static_cast<std::uint32_t>(164 + i));
    dates.add_style(14);  // built-in m/d/yyyy
    dates.add_style(2);   // built-in 0.00
    for (std::size_t i = 0; i < std::size(codes) + 2; ++i) {
        Cell cell;
        cell.kind = CellKind::integer;
        cell.integer = 44197;
        dates.mark(cell, i);
        const bool expected = i < std::size(codes) ? codes[i].second : i == std::size(codes);
        EXPECT_EQ(cell.kind == CellKind::date_time, expected) << i;
        if (expected) {
            EXPECT_EQ(cell.number, 44197.0);
        }
    }
}

TEST(WorkbookDates, CorpusDatesReadAsDateTimeInEveryFormat)
{
    CW_REQUIRE_CORPUS();
    const auto dir = cw::test::corpus_dir() / "workbooks" / "calamine";
    for (const char* file : {"date.xls", "date.xlsx", "date.xlsb"}) {
        const auto bytes = cw::test::read_file_bytes(dir / file);
        const std::string name = file;
        auto book = name.ends_with(".xls") ? Workbook::open_xls(bytes)
                    : name.ends_with(".xlsx") ? Workbook::open_xlsx(bytes) : Workbook::open_xlsb(bytes);
        ASSERT_TRUE(book) << file;
        auto range = book->read_sheet(0);
        ASSERT_TRUE(range) << file;
        // Column A holds two dates and a duration, column B plain numbers.
        for (const auto& c : range->cells) {
            EXPECT_EQ(c.cell.kind == CellKind::date_time, c.column == 0) << file << " row " << c.row;
            if (c.column == 0 && c.row == 0) {
                EXPECT_EQ(c.cell.number, 44197.0) << file;
            }
        }
        EXPECT_EQ(range->cells.size(), 6u) << file;
    }
}

}  // namespace
}  // namespace workbook
