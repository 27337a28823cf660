#include "app/format_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format_entry_builder.h"

namespace cw {
namespace {

using test::format_entry;

// Stand-ins for the report model's shared texts: distinct, recognisable, cheap.
OfferTextFunctions fake_texts()
{
    OfferTextFunctions texts;
    texts.medium = [](std::uint32_t tymed) { return "m" + std::to_string(tymed); };
    texts.aspect = [](std::uint32_t aspect) { return "a" + std::to_string(aspect); };
    texts.index = [](std::int32_t lindex) { return "i" + std::to_string(lindex); };
    texts.source = [](const FormatEntry& e) { return std::string(e.listed_by_win32 ? "W" : "O"); };
    return texts;
}

std::vector<std::pair<std::string, int>> captions_and_widths(const std::vector<ListColumn>& columns)
{
    std::vector<std::pair<std::string, int>> out;
    for (const ListColumn& c : columns) out.emplace_back(c.caption, c.width);
    return out;
}

TEST(FormatListColumns, ScaledWidthsOfBothViews)
{
    using V = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(captions_and_widths(format_list_columns(false, 96)), (V{{"Available file types", 210}, {"Output", 80}}));
    EXPECT_EQ(captions_and_widths(format_list_columns(false, 0)), (V{{"Available file types", 210}, {"Output", 80}}));
    EXPECT_EQ(captions_and_widths(format_list_columns(false, 144)),
              (V{{"Available file types", 315}, {"Output", 120}}));
    EXPECT_EQ(captions_and_widths(format_list_columns(false, 120)),
              (V{{"Available file types", 263}, {"Output", 100}}));
    EXPECT_EQ(captions_and_widths(format_list_columns(true, 144)), (V{{"#", 54},
                                                                      {"Raw format name", 308},
                                                                      {"Role", 177},
                                                                      {"Advertised through", 177},
                                                                      {"OLE medium", 218},
                                                                      {"Aspect", 120},
                                                                      {"Index", 90},
                                                                      {"Decimal", 99},
                                                                      {"Hex", 108},
                                                                      {"Class", 123}}));
    EXPECT_EQ(format_list_columns(true, 96)[1].width, 205);

    EXPECT_EQ(format_list_column_caption(true, 9), "Class");
    EXPECT_EQ(format_list_column_caption(true, 10), "");
    EXPECT_EQ(format_list_column_caption(false, 1), "Output");
    EXPECT_EQ(format_list_column_caption(false, 2), "");
}

TEST(SimpleFormatList, RowsFromCandidatesAndFirstRowSelected)
{
    const std::vector<FormatEntry> entries{format_entry(13, "CF_UNICODETEXT").at(1).labelled("standard").listed(),
                                           format_entry(16, "CF_LOCALE").at(2).labelled("standard").listed(),
                                           format_entry(0xC0A0, "HTML Format").at(3).labelled("registered").listed(),
                                           format_entry(1, "CF_TEXT").at(4).labelled("standard").listed()};
    const FormatListModel model = build_simple_format_list(entries, 144);

    ASSERT_EQ(model.rows.size(), 2U);
    EXPECT_EQ(model.rows[0].cells, (std::vector<std::string>{"HTML document", ".html"}));
    EXPECT_EQ(model.rows[1].cells, (std::vector<std::string>{"Plain text", ".txt"}));
    EXPECT_EQ(model.row_format_indices(), (std::vector<std::size_t>{2, 0}));
    EXPECT_EQ(model.columns[0].width, 315);
    EXPECT_EQ(model.heading, "Choose what to save from the clipboard");
    EXPECT_EQ(model.toggle_caption, "&Advanced details");
    EXPECT_EQ(model.first_row, std::optional<std::size_t>(0));
    EXPECT_FALSE(model.overview);
    EXPECT_FALSE(model.stop_audio);
    EXPECT_EQ(model.ex_style_mask, 0x00010021U);
    EXPECT_EQ(model.ex_style, 0x00010020U);
}

TEST(SimpleFormatList, NothingSaveableExplainsWhy)
{
    const std::vector<FormatEntry> entries{
        format_entry(0x210, "").at(1).labelled("standard").listed(),
        format_entry(0xC0B0, "Preferred DropEffect").at(2).labelled("registered").listed()};
    const FormatListModel model = build_simple_format_list(entries, 96);
    EXPECT_TRUE(model.rows.empty());
    EXPECT_FALSE(model.first_row);
    ASSERT_TRUE(model.overview);
    EXPECT_EQ(model.overview->title, "No directly saveable representation found");
    EXPECT_EQ(model.overview->text,
              "This clipboard does not expose a representation that Clipwright can safely save yet. Open Advanced "
              "details to inspect every advertised format.");
    EXPECT_EQ(model.heading, "Choose what to save from the clipboard");
}

TEST(AdvancedFormatList, OneRowPerEntryWithDistinctOfferTexts)
{
    ClipboardSnapshot snapshot;
    snapshot.summary = "2 Win32 formats | 3 OLE offers";
    snapshot.entries = {
        format_entry(13, "CF_UNICODETEXT").at(1).labelled("standard").listed(),
        format_entry(0xC1F4, "FileContents", {{4, 1, 0, false}, {4, 1, 1, false}, {1, 1, 0, true}})
            .at(2)
            .labelled("registered"),
        format_entry(8, "CF_DIB").at(3).labelled("standard").listed(),
    };
    const FormatListModel model = build_advanced_format_list(snapshot, 96, fake_texts());

    ASSERT_EQ(model.rows.size(), 3U);
    EXPECT_EQ(model.row_format_indices(), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(model.rows[0].cells, (std::vector<std::string>{"1", "CF_UNICODETEXT", "Raw representation", "W", "-", "-",
                                                             "-", "13", "0x000D", "standard"}));
    EXPECT_EQ(model.rows[1].cells, (std::vector<std::string>{"2", "FileContents", "Content stream", "O", "m4 | m1",
                                                             "a1", "i0 | i1", "49652", "0xC1F4", "registered"}));
    EXPECT_EQ(model.rows[2].cells[2], "Image rendition");
    EXPECT_EQ(model.columns.size(), 10U);
    EXPECT_EQ(model.heading, snapshot.summary);
    EXPECT_EQ(model.toggle_caption, "Simple &view");
    EXPECT_TRUE(model.stop_audio);
    EXPECT_FALSE(model.first_row);
    EXPECT_EQ(model.ex_style, 0x00010021U);
    ASSERT_TRUE(model.overview);
    EXPECT_EQ(model.overview->title, "Clipboard overview");
    EXPECT_EQ(model.overview->text, "No logical clipboard grouping has been recognized for this specimen.");

    snapshot.logical_object_text = "EXPLORER FILE COPY\r\n==================\r\n";
    EXPECT_EQ(build_advanced_format_list(snapshot, 96, fake_texts()).overview->text, snapshot.logical_object_text);
}

TEST(AdvancedFormatList, HexIdKeepsAllDigitsOfLargeIds)
{
    EXPECT_EQ(advanced_row_cells(format_entry(0x1, "CF_TEXT").at(1).labelled("standard").listed(), fake_texts())[8],
              "0x0001");
    EXPECT_EQ(advanced_row_cells(format_entry(0x12345, "odd").at(1).labelled("registered").listed(), fake_texts())[8],
              "0x12345");
    EXPECT_EQ(
        advanced_row_cells(format_entry(0xFFFFFFFF, "odd").at(7).labelled("registered").listed(), fake_texts())[7],
        "4294967295");
}

}  // namespace
}  // namespace cw
