#include "preview/sheet_text.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/text.h"
#include "corpus.h"
#include "preview/table_text.h"

namespace cw {
namespace {

std::string repeat(std::string_view part, std::size_t n)
{
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += part;
    return out;
}

struct Case {
    const char* what;
    std::string text;
    TableRows rows;
    std::size_t columns;
};

void expect_table(const PropertyTable& table, const Case& c)
{
    EXPECT_EQ(table.rows, c.rows) << c.what;
    EXPECT_EQ(table.columns, column_letters(c.columns)) << c.what;
    EXPECT_EQ(table.raw_text, c.text) << c.what;
    EXPECT_EQ(table.table_caption, "Table") << c.what;
    EXPECT_EQ(table.text_caption, "Source") << c.what;
}

TEST(SheetText, Sylk)
{
    const std::string note(TABLE_LIMIT_NOTE);
    const Case cases[] = {
        {"position by X and Y, quoted K", "ID;P\r\nC;Y2;X3;K\"x\"\r\nE\r\n", {{}, {"", "", "x"}}, 3},
        {"Y stays for the next record", "C;Y1;X1;K1\nC;X2;K2\n", {{"1", "2"}}, 2},
        {"CR alone ends a line", "ID;P\rC;Y1;X2;K2\rE", {{"", "2"}}, 2},
        {"F records move the position too", "F;Y3;X2\nC;K\"a\"\"b\"\n", {{}, {}, {"", "a\"b"}}, 2},
        {"later K wins, later cell overwrites", "C;X1;Y1;K1;K2\nC;X1;Y1;K3\n", {{"3"}}, 1},
        {"bad numbers ignored, plus allowed, X0 is column A", "C;X;Y+2;Xq;K7\nC;X0;Y1;K8\n", {{"8"}, {"7"}}, 1},
        {"no K or not a C record gives nothing", "C;X1;Y1\nP;X2;K5\nC\n", {}, 1},
        {"quoted K values end at their quote; ;; is a semicolon; unquoted values as written",
         "C;Y1;X1;K\"a;;b\"\nC;X2;K\"He said \"\"hi\"\"\";EA1\nC;X3;K\"\"\"\"\nC;X4;K\"\"\"quoted\"\" text\"\n"
         "C;X5;KTRUE\nC;X6;K\"cut\nC;X7;K1;;\n",
         {{"a;b", "He said \"hi\"", "\"", "\"quoted\" text", "TRUE", "cut", "1;"}}, 7},
        {"an empty far cell still widens the grid", "C;X1;Y1;Ka\nC;X4;Y1;K\"\"\n", {{"a", "", "", ""}}, 4},
        {"a far row is cut with the note", "C;X1;Y1;Ka\nC;X1;Y4000000000;Kb\n", {{"a"}, {note}}, 1},
        {"a far column is cut with the note", "C;X1;Y1;Ka\nC;X99999999999;Y1;Kb\n", {{"a"}, {note}}, TABLE_MAX_COLUMNS},
    };
    for (const auto& c : cases) expect_table(parse_sylk(c.text), c);
}

TEST(SheetText, Dif)
{
    const std::string head = "TABLE\n0,1\n\"\"\nVECTORS\n0,2\n\"\"\nDATA\n0,0\n\"\"\n";
    const Case cases[] = {
        {"numbers and a string with a doubled quote", head + "-1,0\nBOT\n0,5\nV\n1,0\n\"a\"\"b\"\n-1,0\nEOD\n",
         {{"5", "a\"b"}}, 2},
        {"empty tuples give no rows; items after EOD are ignored",
         head + "-1,0\nBOT\n-1,0\nBOT\n1,0\nx\n-1,0\nBOT\n1,0\ny\n0,1\nV\n-1,0\nEOD\n1,0\nz\n", {{"x"}, {"y", "1"}}, 2},
        {"CR LF lines, odd items skipped, a dangling type line", "DATA\r\n0,0\r\n\"\"\r\n-1,0\r\nBOT\r\n2,0\r\nq\r\n"
                                                                 "-1,0\r\nXYZ\r\nV\r\n0\r\n1,0\r\n\"s\"\r\n0,9",
         {{"s"}}, 1},
        {"one pair of quotes goes; values give TRUE, FALSE, #N/A and #VALUE!",
         head + "-1,0\nBOT\n1,0\n\"He said \"\"hi\"\"\"\n1,0\n\"\"\"\"\n1,0\n\"cut\n0,1\nTRUE\n0,0\nFALSE\n"
                "0,0\nNA\n0,0\nERROR\n0,2.5\nV\n-1,0\nEOD\n",
         {{"He said \"hi\"", "\"", "cut", "TRUE", "FALSE", "#N/A", "#VALUE!", "2.5"}}, 8},
        {"no DATA line", "TABLE\n0,1\n\"\"\n", {}, 1},
    };
    for (const auto& c : cases) expect_table(parse_dif(c.text), c);
}

TEST(SheetText, XmlSpreadsheet)
{
    const std::string note(TABLE_LIMIT_NOTE);
    auto book = [](const std::string& rows) {
        return "<?xml version=\"1.0\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
               "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet ss:Name=\"S\"><Table>" +
               rows + "</Table></Worksheet></Workbook>";
    };
    const Case cases[] = {
        {"Index skips to column D", book("<Row><Cell><Data>a</Data></Cell><Cell ss:Index=\"4\"><Data>d</Data></Cell></Row>"),
         {{"a", "", "", "d"}}, 4},
        {"an Index not past the count is ignored; empty rows and cells without Data",
         book("<Row><Cell><Data>1</Data></Cell><Cell ss:Index=\"1\"><Data>2</Data></Cell></Row><Row/>"
              "<Row><Cell/><Cell><Data><B>rich</B> <Font>red</Font></Data></Cell><Cell><Data>  </Data></Cell></Row>"),
         {{"1", "2"}, {}, {"", "rich red", "  "}}, 3},
        {"row Index leaves a gap; a smaller one is ignored; a note is not the value",
         book("<Row><Cell><Data>1</Data></Cell></Row><Row ss:Index=\"4\"><Cell><Data>4</Data></Cell></Row>"
              "<Row ss:Index=\"2\"><Cell><Comment><Data>note</Data></Comment></Cell>"
              "<Cell><Comment><Data>n</Data></Comment><Data>v</Data></Cell></Row>"),
         {{"1"}, {}, {}, {"4"}, {"", "v"}}, 2},
        {"a row Index of 2^32 stays bounded",
         book("<Row><Cell><Data>a</Data></Cell></Row><Row ss:Index=\"4294967296\"><Cell><Data>far</Data></Cell></Row>"),
         [] {
             TableRows rows(TABLE_MAX_ROWS);
             rows[0] = {"a"};
             rows.push_back({std::string(TABLE_LIMIT_NOTE)});
             return rows;
         }(),
         1},
        {"Data nested 10,000 deep", book("<Row><Cell><Data>" + repeat("<B>", 10000) + "deep" + repeat("</B>", 10000) +
                                         "</Data></Cell></Row>"),
         {{"deep"}}, 1},
        {"CDATA text and entities", book("<Row><Cell><Data><![CDATA[<x>]]></Data></Cell><Cell><Data>&amp;</Data></Cell></Row>"),
         {{"<x>", "&"}}, 2},
        {"an Index of 2^32 stays bounded", book("<Row><Cell ss:Index=\"4294967296\"><Data>far</Data></Cell></Row>"),
         {std::vector<std::string>(TABLE_MAX_COLUMNS), {note}}, TABLE_MAX_COLUMNS},
        {"not XML", "<Table><Row>", {}, 1},
        {"no Table element", "<Workbook/>", {}, 1},
    };
    for (const auto& c : cases) expect_table(parse_xml_spreadsheet(c.text), c);
}

// LibreOffice's SYLK leaves quotes inside a text undoubled and its DIF doubles them; both must read
// as LibreOffice's own CSV export of the same sheet.
TEST(SheetText, LibreOfficeFiles)
{
    const auto dir = test::fixtures_dir() / "text-sheets";
    auto text_of = [&](const char* name) { return decode_utf8_to_first_zero(test::read_file_bytes(dir / name)); };
    const TableRows expected = parse_delimited_text(text_of("quotes.csv"), ',').rows;
    ASSERT_EQ(expected.size(), 4U);
    EXPECT_EQ(parse_sylk(text_of("quotes.slk")).rows, expected);
    EXPECT_EQ(parse_dif(text_of("quotes.dif")).rows, expected);
}

// Every text-format workbook of the corpus parses as its grid; the sizes pin what the parsers make
// of real producers' files.
TEST(SheetText, CorpusFiles)
{
    CW_REQUIRE_CORPUS();
    struct Expect {
        const char* file;
        std::size_t rows, columns;
        std::string first_cell;
    };
    const Expect expected[] = {
        {"sheetjs-test-files/write.slk", 4, 4, "1"},
        {"sheetjs-test-files/write.dif", 4, 4, "1"},
        {"sheetjs-test-files/artifacts/quattro/write_.dif", 4, 4, "1"},
        {"sheetjs-test-files/text_and_numbers.xml", 4, 3, "English"},
        {"phpspreadsheet/Xml/CorruptedXmlFile.xml", 0, 1, ""},
    };
    const auto dir = test::corpus_dir() / "workbooks";
    for (const auto& e : expected) {
        const auto bytes = test::read_file_bytes(dir / e.file);
        const std::string text = decode_utf8_to_first_zero(bytes);
        const std::string ext = std::filesystem::path(e.file).extension().string();
        const PropertyTable t =
            ext == ".slk" ? parse_sylk(text) : ext == ".dif" ? parse_dif(text) : parse_xml_spreadsheet(text);
        EXPECT_EQ(t.rows.size(), e.rows) << e.file;
        EXPECT_EQ(t.columns.size(), e.columns) << e.file;
        if (!t.rows.empty() && !t.rows[0].empty()) {
            EXPECT_EQ(t.rows[0][0], e.first_cell) << e.file;
        }
    }
    // The rest read without trouble and stay within the bounds.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".slk" && ext != ".dif" && ext != ".xml") continue;
        const std::string text = decode_utf8_to_first_zero(test::read_file_bytes(entry.path()));
        const PropertyTable t =
            ext == ".slk" ? parse_sylk(text) : ext == ".dif" ? parse_dif(text) : parse_xml_spreadsheet(text);
        EXPECT_LE(t.rows.size(), TABLE_MAX_ROWS + 1) << entry.path();
        EXPECT_EQ(t.raw_text, text);
    }
}

}  // namespace
}  // namespace cw
