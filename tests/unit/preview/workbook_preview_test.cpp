#include "preview/workbook_preview.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "base/text.h"
#include "compound_file_builder.h"
#include "corpus.h"
#include "preview/table_text.h"
#include "zip_builder.h"

namespace cw {
namespace {

using workbook::Cell;
using workbook::CellError;
using workbook::CellKind;

Cell number(double v)
{
    Cell c;
    c.kind = CellKind::floating;
    c.number = v;
    return c;
}

TEST(WorkbookPreview, CellText)
{
    auto make = [](CellKind kind, auto setup) {
        Cell c;
        c.kind = kind;
        setup(c);
        return c;
    };
    const std::pair<Cell, std::string> cases[] = {
        {make(CellKind::integer, [](Cell& c) { c.integer = -9007199254740993; }), "-9007199254740993"},
        {number(3.0), "3"},
        {number(0.1), "0.1"},
        {number(1e21), "1000000000000000000000"},
        {number(-0.0), "-0"},
        {number(5e-324), "0." + std::string(323, '0') + "5"},
        {number(123456.789), "123456.789"},
        {number(-1.5e-7), "-0.00000015"},
        {number(std::numeric_limits<double>::quiet_NaN()), "NaN"},
        {make(CellKind::date_time, [](Cell& c) { c.number = 45351.5; }), "45351.5"},
        {make(CellKind::boolean, [](Cell& c) { c.boolean = true; }), "true"},
        {make(CellKind::boolean, [](Cell& c) { c.boolean = false; }), "false"},
        {make(CellKind::text, [](Cell& c) { c.text = "t"; }), "t"},
        {make(CellKind::iso_text, [](Cell& c) { c.text = "PT1H"; }), "PT1H"},
        {Cell{}, ""},
    };
    for (const auto& [cell, text] : cases) EXPECT_EQ(cell_text(cell), text);
    const std::pair<CellError, const char*> errors[] = {
        {CellError::div0, "#DIV/0!"}, {CellError::na, "#N/A"},   {CellError::name, "#NAME?"},
        {CellError::null, "#NULL!"},  {CellError::num, "#NUM!"}, {CellError::ref, "#REF!"},
        {CellError::value, "#VALUE!"}, {CellError::getting_data, "#DATA!"},
    };
    for (const auto& [error, text] : errors) {
        Cell c;
        c.kind = CellKind::error;
        c.error = error;
        EXPECT_EQ(cell_text(c), text);
    }
}

TEST(WorkbookPreview, FailuresStayInTheTable)
{
    const std::vector<std::uint8_t> three{0x01, 0x02, 0x03};
    const PropertyTable tiny = read_workbook("Biff8", three);
    EXPECT_EQ(tiny.columns, (std::vector<std::string>{"Status", "Detail"}));
    ASSERT_EQ(tiny.rows.size(), 1u);
    EXPECT_EQ(tiny.rows[0][0], "Workbook parser");
    EXPECT_TRUE(tiny.rows[0][1].starts_with("Could not render cells: ")) << tiny.rows[0][1];
    EXPECT_EQ(tiny.raw_text, "Format: Biff8\r\nPayload: 3 bytes\r\nSignature: 01 02 03\r\nParser: " +
                                 tiny.rows[0][1].substr(24) + "\r\n");
    EXPECT_EQ(tiny.table_caption, "Workbook");
    EXPECT_EQ(tiny.text_caption, "Structure");

    // A compound file offered as Biff12: the XLSB reader refuses it, the structure still lists it.
    std::string stream(4096, 'x');
    const std::string file = test::build_compound_file({{u"Workbook", stream}});
    const std::vector<std::uint8_t> cfb(file.begin(), file.end());
    const PropertyTable wrong = read_workbook("Biff12", cfb);
    EXPECT_EQ(wrong.columns, (std::vector<std::string>{"Status", "Detail"}));
    EXPECT_EQ(wrong.rows[0][1], "Could not render cells: The ZIP package cannot be opened: Not a zip archive.");
    EXPECT_EQ(wrong.raw_text,
              "Format: Biff12\r\nPayload: 5632 bytes\r\nSignature: D0 CF 11 E0 A1 B1 1A E1\r\n"
              "Parser: The ZIP package cannot be opened: Not a zip archive.\r\n\r\nOLE compound-file entries:\r\n"
              "  root           0 bytes  /\r\n  stream      4096 bytes  /Workbook\r\n");

    // Both ZIP readers fail on a ZIP that is neither.
    const std::vector<std::uint8_t> zip_head{0x50, 0x4B, 0x03, 0x04, 0, 0};
    const PropertyTable neither = read_workbook("Biff8", zip_head);
    EXPECT_EQ(neither.rows[0][1],
              "Could not render cells: XLSX parser: The ZIP package cannot be opened: Not a zip archive.; XLSB "
              "parser: The ZIP package cannot be opened: Not a zip archive.");
    EXPECT_TRUE(neither.raw_text.ends_with("\r\n\r\nContainer: ZIP-based Office package (XLSB/BIFF12).\r\n"));
}

std::vector<std::uint8_t> one_sheet_xlsx(const std::string& sheet_data)
{
    const std::string zip = test::build_zip({
        {"xl/workbook.xml", R"(<workbook><sheets><sheet name="Only" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="sheet1.xml"/></Relationships>)"},
        {"xl/sheet1.xml", "<worksheet><sheetData>" + sheet_data + "</sheetData></worksheet>"},
    });
    return {zip.begin(), zip.end()};
}

TEST(WorkbookPreview, UsedRangeIsBoundedAndStartsAtItsFirstCell)
{
    const std::string note(WORKBOOK_LIMIT_NOTE);
    const std::string half_budget(std::size_t{33} << 20, 'y');
    const std::string inline_cell = R"(<c t="inlineStr"><is><t>)" + half_budget + "</t></is></c>";
    struct Case {
        const char* what;
        std::string sheet;
        TableRows rows;
        std::size_t columns;
    };
    const Case cases[] = {
        {"empty first sheet", "", {}, 1},
        {"range from C2, trailing empty row kept",
         R"(<row r="2"><c r="C2"><v>1</v></c></row><row r="4"><c r="D4" t="inlineStr"><is><t></t></is></c></row>)",
         {{"1"}, {}, {"", ""}}, 2},
        {"A1 and XFD1048576", R"(<row r="1"><c r="A1"><v>1</v></c></row><row r="1048576"><c r="XFD1048576"><v>2</v></c></row>)",
         {{"1"}, {note}}, TABLE_MAX_COLUMNS},
        {"cell text past the reader's budget", "<row>" + inline_cell + inline_cell + "</row>",
         {{half_budget}, {std::string(WORKBOOK_TEXT_NOTE)}}, 1},
    };
    for (const auto& c : cases) {
        const PropertyTable t = read_workbook("Biff8", one_sheet_xlsx(c.sheet));
        EXPECT_EQ(t.rows, c.rows) << c.what;
        EXPECT_EQ(t.columns, column_letters(c.columns)) << c.what;
        EXPECT_EQ(t.raw_text.substr(0, 14), "Format: Biff8\r") << c.what;
    }
}

TEST(WorkbookPreview, NoSheetsAndUnreadableSheets)
{
    const std::string no_sheets = test::build_zip({{"xl/workbook.xml", "<workbook><sheets/></workbook>"}});
    const PropertyTable none = read_workbook("Biff8", std::vector<std::uint8_t>(no_sheets.begin(), no_sheets.end()));
    EXPECT_EQ(none.columns, std::vector<std::string>{"Workbook"});
    EXPECT_EQ(none.rows, (TableRows{{"No worksheets"}}));

    const std::string missing = test::build_zip({
        {"xl/workbook.xml", R"(<workbook><sheets><sheet name="Lost" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships><Relationship Id="rId1" Type="x/worksheet" Target="gone.xml"/></Relationships>)"},
    });
    const PropertyTable lost = read_workbook("Biff8", std::vector<std::uint8_t>(missing.begin(), missing.end()));
    EXPECT_EQ(lost.columns, std::vector<std::string>{"A"});
    EXPECT_EQ(lost.rows, (TableRows{{"Unable to read Lost: The package has no part xl/gone.xml."}}));
    EXPECT_EQ(lost.raw_text, "Format: Biff8\r\nPayload: " + std::to_string(missing.size()) +
                                 " bytes\r\nSignature: 50 4B 03 04 14 00 00 00\r\n\r\nContainer: ZIP-based Office "
                                 "package (XLSB/BIFF12).\r\n");
}

// --- LibreOffice's first-sheet CSV against ours -------------------------------------------------

std::optional<double> as_number(std::string_view s)
{
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

// Days from 1899-12-30 (Excel's serial 0 in the 1900 system) for a proleptic Gregorian date.
double serial_of(int y, int m, int d)
{
    const int a = (14 - m) / 12, yy = y + 4800 - a, mm = m + 12 * a - 3;
    const long jdn = d + (153 * mm + 2) / 5 + 365L * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
    return static_cast<double>(jdn - 2415019);
}

// LibreOffice writes date and time cells as shown even when asked for stored values:
// "MM/DD/YYYY", "MM/DD/YYYY HH:MM:SS", "YYYY-MM-DD" and durations "[H]H:MM:SS".
std::optional<double> date_serial(const std::string& s)
{
    int y = 0, m = 0, d = 0, h = 0, mi = 0, sec = 0;
    char tail = 0;
    if (std::sscanf(s.c_str(), "%2d/%2d/%4d %d:%2d:%2d%c", &m, &d, &y, &h, &mi, &sec, &tail) == 6 ||
        std::sscanf(s.c_str(), "%2d/%2d/%4d%c", &m, &d, &y, &tail) == 3 ||
        std::sscanf(s.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3)
        return serial_of(y, m, d) + (h * 3600 + mi * 60 + sec) / 86400.0;
    if (std::sscanf(s.c_str(), "%d:%2d:%2d%c", &h, &mi, &sec, &tail) == 3) return (h * 3600 + mi * 60 + sec) / 86400.0;
    return std::nullopt;
}

bool same_cell(std::string ours, const std::string& theirs)
{
    // LibreOffice writes a CR LF inside a cell as LF.
    for (std::size_t at = ours.find("\r\n"); at != std::string::npos; at = ours.find("\r\n", at)) ours.erase(at, 1);
    if (ours == theirs) return true;
    const auto a = as_number(ours), b = as_number(theirs);
    if (a && b) return std::fabs(*a - *b) <= 1e-9 * std::max(1.0, std::fabs(*b));
    if (ours == "true") return theirs == "TRUE" || theirs == "1";
    if (ours == "false") return theirs == "FALSE" || theirs == "0";
    if (a) {
        if (auto serial = date_serial(theirs)) return std::fabs(*a - *serial) < 1.0 / 86400;
    }
    // LibreOffice recalculates some formulas it cannot evaluate into "Err:5xx"; the file's cached
    // result is an Excel error value.
    return theirs.starts_with("Err:") && ours.starts_with("#");
}

TableRows trimmed(TableRows rows)
{
    for (auto& row : rows)
        while (!row.empty() && row.back().empty()) row.pop_back();
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

// LibreOffice's grid begins at A1; ours at the used range's top-left cell.
TableRows from_first_used(TableRows rows)
{
    rows = trimmed(std::move(rows));
    while (!rows.empty() && rows.front().empty()) rows.erase(rows.begin());
    std::size_t left = SIZE_MAX;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i)
            if (!row[i].empty()) {
                left = std::min(left, i);
                break;
            }
    if (left != SIZE_MAX)
        for (auto& row : rows) row.erase(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(std::min(left, row.size())));
    return rows;
}

// The manifest's third field lists cells (relative to the used range) whose formulas LibreOffice
// recalculates to another result than the one the file holds.
bool is_listed(const std::string& list, const std::string& cell)
{
    return ("," + list + ",").find("," + cell + ",") != std::string::npos;
}

TEST(WorkbookPreview, FirstSheetsMatchLibreOffice)
{
    CW_REQUIRE_CORPUS();
    std::ifstream manifest(test::fixtures_dir() / "workbooks" / "manifest");
    std::string line;
    int compared = 0;
    while (std::getline(manifest, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string fixture, source, recalculated;
        fields >> fixture >> source >> recalculated;
        const auto bytes = test::read_file_bytes(test::corpus_dir() / "workbooks" / source);
        const std::string name = source.ends_with(".xlsb") ? "Biff12" : "Biff8";
        const PropertyTable ours = read_workbook(name, bytes);
        ASSERT_NE(ours.columns, (std::vector<std::string>{"Status", "Detail"})) << source << ": " << ours.rows[0][1];
        const auto csv = test::read_file_bytes(test::fixtures_dir() / "workbooks" / (fixture + ".csv"));
        const TableRows theirs = from_first_used(parse_delimited_text(std::string(csv.begin(), csv.end()), ',').rows);
        const TableRows mine = trimmed(ours.rows);
        ASSERT_EQ(mine.size(), theirs.size()) << source;
        for (std::size_t r = 0; r < mine.size(); ++r) {
            ASSERT_EQ(mine[r].size(), theirs[r].size()) << source << " row " << r + 1;
            for (std::size_t c = 0; c < mine[r].size(); ++c) {
                if (!is_listed(recalculated, column_letters(c + 1).back() + std::to_string(r + 1))) {
                    EXPECT_PRED2(same_cell, mine[r][c], theirs[r][c]) << source << " row " << r + 1 << " column " << c + 1;
                }
            }
        }
        ++compared;
    }
    EXPECT_GE(compared, 12);
}

// Every workbook of the corpus shows its first sheet or says why not, within the bounds.
TEST(WorkbookPreview, EveryCorpusWorkbookReadsOrFailsCleanly)
{
    CW_REQUIRE_CORPUS();
    int read = 0, failed = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpus_dir() / "workbooks")) {
        std::string ext = ascii_lower(entry.path().extension().string());
        if (ext != ".xls" && ext != ".xlsx" && ext != ".xlsb") continue;
        const auto bytes = test::read_file_bytes(entry.path());
        const PropertyTable t = read_workbook(ext == ".xlsb" ? "Biff12" : "Biff8", bytes);
        ASSERT_FALSE(t.columns.empty()) << entry.path();
        EXPECT_LE(t.rows.size(), TABLE_MAX_ROWS + 1) << entry.path();
        EXPECT_TRUE(t.raw_text.starts_with("Format: ")) << entry.path();
        if (t.columns == std::vector<std::string>{"Status", "Detail"})
            ++failed;
        else
            ++read;
    }
    EXPECT_GT(read, 60);
    EXPECT_LT(failed, 15);
}

}  // namespace
}  // namespace cw
