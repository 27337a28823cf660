// The dispatcher rows of spreadsheet formats: which parser each gets and what bytes it sees.
#include <gtest/gtest.h>

#include "inspect/dispatcher.h"

namespace cw {
namespace {

TEST(DispatcherTables, SpreadsheetRowsParseTheCopiedBytes)
{
    auto report = [](std::uint32_t id, const char* name, std::string bytes) {
        FormatEntry e;
        e.id = id;
        e.name = name;
        GlobalCopy copy;
        copy.bytes.assign(bytes.begin(), bytes.end());
        copy.total_size = copy.bytes.size();
        const DispatchRow row = classify_dispatch_row(e);
        EXPECT_TRUE(has_byte_interpreter(row)) << name;
        auto r = interpret_copied_bytes(row, e, copy, nullptr);
        EXPECT_TRUE(r && r->kind() == DetailReportKind::Table) << name;
        return r ? r->as<TableContent>().table : PropertyTable{};
    };
    // Text formats stop at the first zero byte; SYLK and DIF share a row and differ by identifier.
    const PropertyTable sylk = report(4, "CF_SYLK", std::string("C;Y1;X2;K\"s\"\n\0C;X1;K9\n", 22));
    EXPECT_EQ(sylk.rows, (std::vector<std::vector<std::string>>{{"", "s"}}));
    EXPECT_EQ(sylk.raw_text, "C;Y1;X2;K\"s\"\n");
    const PropertyTable dif = report(5, "CF_DIF", "DATA\n0,0\n\"\"\n-1,0\nBOT\n0,7\nV\n-1,0\nEOD\n");
    EXPECT_EQ(dif.rows, (std::vector<std::vector<std::string>>{{"7"}}));
    const PropertyTable xml = report(0xC100, "xml spreadsheet", "<Table><Row><Cell><Data>x\xFF</Data></Cell></Row></Table>");
    EXPECT_EQ(xml.rows, (std::vector<std::vector<std::string>>{{"x\xEF\xBF\xBD"}}));
    EXPECT_EQ(xml.table_caption, "Table");
    const PropertyTable book = report(0xC101, "Biff8", "abc");
    EXPECT_EQ(book.table_caption, "Workbook");
    EXPECT_EQ(book.text_caption, "Structure");
    EXPECT_EQ(book.columns, (std::vector<std::string>{"Status", "Detail"}));
    EXPECT_EQ(dispatch_read_limit(DispatchRow::Workbook), LARGE_PAYLOAD_LIMIT);
    EXPECT_EQ(dispatch_read_limit(DispatchRow::SylkOrDif), RECORD_PAYLOAD_LIMIT);
}

}  // namespace
}  // namespace cw
