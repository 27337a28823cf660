#include "save/candidates.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "format_entry_builder.h"

namespace cw {
namespace {

using test::format_entry;

// Registered formats get ids from 0xC000 up; predefined ones carry their CF_* names.
std::vector<FormatEntry> clipboard(std::initializer_list<std::pair<std::uint32_t, const char*>> formats)
{
    std::vector<FormatEntry> entries;
    for (const auto& [id, name] : formats) entries.push_back(format_entry(id, name));
    return entries;
}

constexpr std::uint32_t REG = 0xC100;

struct Row {
    std::string label;
    std::string extension;
    std::size_t format_index;
    friend bool operator==(const Row&, const Row&) = default;
};

std::vector<Row> rows_of(const std::vector<FormatEntry>& entries)
{
    std::vector<Row> rows;
    for (const SaveCandidate& c : build_save_candidates(entries))
        rows.push_back({c.label, c.extension, c.format_index});
    return rows;
}

TEST(SaveCandidates, OneRowPerKindBestScoreFirstMetOrder)
{
    struct Case {
        const char* what;
        std::vector<FormatEntry> entries;
        std::vector<Row> rows;
    };
    const Case cases[] = {
        {"png beats both bitmaps",
         clipboard({{REG, "PNG"}, {17, "CF_DIBV5"}, {8, "CF_DIB"}}),
         {{"PNG image", ".png", 0}}},
        {"dibv5 beats dib", clipboard({{8, "CF_DIB"}, {17, "CF_DIBV5"}}), {{"Bitmap image", ".bmp", 1}}},
        {"equal scores: first listed wins", clipboard({{REG, "JFIF"}, {REG + 1, "GIF"}}), {{"JPEG image", ".jpg", 0}}},
        {"unicode text beats ansi text",
         clipboard({{13, "CF_UNICODETEXT"}, {16, "CF_LOCALE"}, {1, "CF_TEXT"}, {7, "CF_OEMTEXT"}}),
         {{"Plain text", ".txt", 0}}},
        {"kind order",
         clipboard({{13, "CF_UNICODETEXT"}, {REG, "Rich Text Format"}, {REG + 1, "HTML Format"}}),
         {{"HTML document", ".html", 2}, {"Formatted text", ".rtf", 1}, {"Plain text", ".txt", 0}}},
        {"equal order: text met first",
         clipboard({{13, "CF_UNICODETEXT"}, {12, "CF_WAVE"}}),
         {{"Plain text", ".txt", 0}, {"Wave audio", ".wav", 1}}},
        {"equal order: audio met first",
         clipboard({{11, "CF_RIFF"}, {13, "CF_UNICODETEXT"}}),
         {{"Wave audio", ".wav", 0}, {"Plain text", ".txt", 1}}},
        // A later, better format of a kind takes over that kind's place, not a new one.
        {"upgrade keeps the place",
         clipboard({{1, "CF_TEXT"}, {12, "CF_WAVE"}, {13, "CF_UNICODETEXT"}}),
         {{"Plain text", ".txt", 2}, {"Wave audio", ".wav", 1}}},
        {"spreadsheet copy",
         clipboard({{REG, "Biff12"},
                    {REG + 1, "Biff8"},
                    {REG + 2, "XML Spreadsheet"},
                    {REG + 3, "HTML Format"},
                    {4, "CF_SYLK"},
                    {5, "CF_DIF"},
                    {REG + 4, "Csv"},
                    {13, "CF_UNICODETEXT"}}),
         {{"HTML document", ".html", 3},
          {"Plain text", ".txt", 7},
          {"Excel workbook", ".xlsb", 0},
          {"XML spreadsheet", ".xml", 2}}},
        {"link and image kinds",
         clipboard({{REG, "UniformResourceLocatorW"}, {REG + 1, "image/tiff"}, {6, "CF_TIFF"}, {REG + 2, "text/html"}}),
         {{"HTML document", ".html", 3}, {"TIFF image", ".tiff", 1}, {"Internet shortcut", ".url", 0}}},
        {"names fold ASCII case but compare whole",
         clipboard({{REG, "hTmL fOrMaT"}, {REG + 1, "HTML Format "}, {REG + 2, "PNG2"}}),
         {{"HTML document", ".html", 0}}},
        {"rich text may be followed by more",
         clipboard({{REG, "Rich Text Format Without Objects"}, {REG + 1, "Rich Text"}}),
         {{"Formatted text", ".rtf", 0}}},
        {"sylk and dif are tables", clipboard({{5, "CF_DIF"}, {4, "CF_SYLK"}}), {{"DIF spreadsheet", ".dif", 0}}},
        {"biff5 is an xls workbook", clipboard({{REG, "Biff5"}}), {{"Excel workbook", ".xls", 0}}},
        {"nothing saveable",
         clipboard({{REG, "Preferred DropEffect"}, {0x200, ""}, {15, "CF_HDROP"}, {2, "CF_BITMAP"}}),
         {}},
        {"empty clipboard", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(rows_of(c.entries), c.rows) << c.what;
}

TEST(SaveCandidates, ClassificationCarriesOrderAndScore)
{
    const std::optional<SaveableFormat> png = classify_saveable_format(format_entry(REG, "image/png"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->kind, "image");
    EXPECT_EQ(png->order, 12);
    EXPECT_EQ(png->score, 8);
    const std::optional<SaveableFormat> dsp = classify_saveable_format(format_entry(129, "CF_DSPTEXT"));
    ASSERT_TRUE(dsp);
    EXPECT_EQ(dsp->score, 2);
    EXPECT_FALSE(classify_saveable_format(format_entry(14, "CF_ENHMETAFILE")));
}

TEST(DefaultExtension, ByIdThenByName)
{
    struct Case {
        std::uint32_t id;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {1, "CF_TEXT", "txt"},
        {7, "CF_OEMTEXT", "txt"},
        {13, "CF_UNICODETEXT", "txt"},
        {129, "CF_DSPTEXT", "txt"},
        {4, "CF_SYLK", "slk"},
        {5, "CF_DIF", "dif"},
        {6, "CF_TIFF", "tiff"},
        {8, "CF_DIB", "bmp"},
        {17, "CF_DIBV5", "bmp"},
        {11, "CF_RIFF", "wav"},
        {12, "CF_WAVE", "wav"},
        {15, "CF_HDROP", "bin"},
        {2, "CF_BITMAP", "png"},
        {3, "CF_METAFILEPICT", "wmf"},
        {14, "CF_ENHMETAFILE", "emf"},
        {9, "CF_PALETTE", "bin"},
        {REG, "HTML Format", "html"},
        {REG, "text/html", "html"},
        {REG, "PNG", "png"},
        {REG, "image/gif", "gif"},
        {REG, "JFIF", "jpg"},
        {REG, "image/jpeg", "jpg"},
        {REG, "TIFF", "tiff"},
        {REG, "Rich Text Format", "rtf"},
        {REG, "Rich Text Format Without Objects", "rtf"},
        {REG, "Csv", "csv"},
        {REG, "Biff8", "xls"},
        {REG, "Biff12", "xlsb"},
        {REG, "Native", "ole"},
        {REG, "Embed Source", "ole"},
        {REG, "Adobe Photoshop Image", "psd"},
        {REG, "XML Spreadsheet", "xml"},
        {REG, "UniformResourceLocator", "url"},
        {REG, "UniformResourceLocatorW", "url"},
        {0x200, "", "bin"},
        {REG, "Shell IDList Array", "bin"},
        {REG, "Rich Text", "bin"},
    };
    for (const Case& c : cases) EXPECT_EQ(default_extension(format_entry(c.id, c.name)), c.extension) << c.name;
}

TEST(FileNameSuggestion, FirstFreeNameInTheFolder)
{
    struct Case {
        std::set<std::u16string> existing;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "untitled.png"},
        {{u"C:\\Out\\untitled.png"}, "untitled_1.png"},
        {{u"C:\\Out\\untitled.png", u"C:\\Out\\untitled_1.png"}, "untitled_2.png"},
        {{u"C:\\Out\\untitled_1.png"}, "untitled.png"},
        {{u"C:\\Other\\untitled.png", u"C:\\Out\\untitled.txt"}, "untitled.png"},
    };
    for (const Case& c : cases) {
        const PathProbe exists = [&](std::u16string_view path) { return c.existing.count(std::u16string(path)) > 0; };
        EXPECT_EQ(suggest_file_name(u"C:\\Out", "png", exists), c.expected);
    }

    std::vector<std::u16string> asked;
    const PathProbe record = [&](std::u16string_view path) {
        asked.emplace_back(path);
        return asked.size() < 12;
    };
    EXPECT_EQ(suggest_file_name(u"D:\\", "bin", record), "untitled_11.bin");
    EXPECT_EQ(asked.front(), u"D:\\untitled.bin");
    EXPECT_EQ(asked.back(), u"D:\\untitled_11.bin");
}

TEST(FileNameSuggestion, JoinsLikeWindowsPaths)
{
    struct Case {
        std::u16string folder;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"C:\\Out", u"C:\\Out\\a.txt"},
        {u"C:\\Out\\", u"C:\\Out\\a.txt"},
        {u"C:/Out/", u"C:/Out/a.txt"},
        {u"C:\\", u"C:\\a.txt"},
        {u"C:", u"C:a.txt"},
        {u"z:", u"z:a.txt"},
        {u"1:", u"1:\\a.txt"},
        {u".", u".\\a.txt"},
        {u"", u"a.txt"},
        {u"\\\\server\\share", u"\\\\server\\share\\a.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(join_folder_and_name(c.folder, u"a.txt"), c.expected);
}

TEST(SimpleViewDetailTitle, LabelAndExtensionOrName)
{
    EXPECT_EQ(simple_view_detail_title(format_entry(REG, "PNG")), "Preview: PNG image (.png)");
    EXPECT_EQ(simple_view_detail_title(format_entry(13, "CF_UNICODETEXT")), "Preview: Plain text (.txt)");
    EXPECT_EQ(simple_view_detail_title(format_entry(REG, "Shell IDList Array")), "Preview: Shell IDList Array");
}

}  // namespace
}  // namespace cw
