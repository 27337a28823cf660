#include "inspect/text_locale.h"

#include <gtest/gtest.h>

#include <map>

#include "base/text.h"
#include "inspect/dispatcher.h"
#include "le_writer.h"
#include "report/report_text.h"

namespace cw {
namespace {

std::vector<std::uint8_t> utf16le(std::u16string_view units, std::size_t extra_zero_units = 0)
{
    std::vector<std::uint8_t> out;
    for (char16_t u : units) test::put_le(out, u, 2);
    out.insert(out.end(), 2 * extra_zero_units, 0);
    return out;
}

TEST(DecodeUtf16Text, StopsAtZeroAndReplacesBrokenSurrogates)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string text;
    };
    std::vector<std::uint8_t> odd = utf16le(u"ab");
    odd.push_back('c');
    const std::vector<Case> cases{
        {"empty", {}, ""},
        {"terminated inside a larger block", utf16le(u"Hi\u00e9", 5), "Hi\xC3\xA9"},
        {"no zero unit: decoded to the end", utf16le(u"abc"), "abc"},
        {"text after the zero unit is ignored", utf16le(std::u16string(u"a\0b", 3)), "a"},
        {"odd last byte ignored", odd, "ab"},
        {"single byte", {0x41}, ""},
        {"surrogate pair", utf16le(u"\U0001F600"), "\xF0\x9F\x98\x80"},
        {"lone high surrogate then a letter", utf16le(std::u16string{char16_t(0xD83D), u'x'}), "\xEF\xBF\xBDx"},
        {"lone low surrogate", utf16le(std::u16string{char16_t(0xDE00)}), "\xEF\xBF\xBD"},
        {"high surrogate cut by the zero unit", utf16le(std::u16string{char16_t(0xD83D), 0, char16_t(0xDE00)}),
         "\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) EXPECT_EQ(decode_utf16_text(c.bytes), c.text) << c.what;
}

TEST(TextReports, EightBitTextTruncationNoteAndTableShape)
{
    EXPECT_EQ(text_of_bytes(as_bytes_view(std::string("caf\xE9\0tail", 9))), "caf\xEF\xBF\xBD");
    EXPECT_EQ(text_of_bytes(as_bytes_view("no terminator")), "no terminator");

    // The block may be longer than the text: only a copy cut short of the block gets the note.
    EXPECT_EQ(unicode_text_report(GlobalCopy{utf16le(u"x", 3), 8}), "x");
    EXPECT_EQ(unicode_text_report(GlobalCopy{utf16le(u"xy"), 10}),
              "xy\r\n\r\n[Preview truncated: displayed 4 of 10 bytes]");
    EXPECT_EQ(ansi_text_report(GlobalCopy{{'o', 'k'}, 2}), "ok");
    EXPECT_EQ(ansi_text_report(GlobalCopy{{'o', 'k'}, 4194305}),
              "ok\r\n\r\n[Preview truncated: displayed 2 of 4194305 bytes]");

    const std::vector<std::pair<std::string, bool>> shapes{
        {"a\tb", false},     {"a\tb\n", false},  // one line ending in a break stays text
        {"a\tb\r\n", false}, {"a\tb\nc\td", true}, {"a\tb\nc\td\n", true},
        {"a\tb\n\n", true},  // the empty line between the two breaks is a line
        {"a b\nc d", false}, {"", false},          {"\t", false},
    };
    for (const auto& [text, table] : shapes) EXPECT_EQ(is_tab_table_text(text), table) << testing::PrintToString(text);
}

// en-US (1252/437), ru-RU (1251/866), hi-IN (Unicode only), ja-JP (932, not installed); the
// system's pages are 1252 and 850. A conversion shows the page and the byte count it was given,
// and 1251 fails to convert.
class FakeCodePages final : public CodePageSystem {
public:
    std::uint32_t locale_code_page(std::uint32_t lcid, CodePageKind kind) const override
    {
        static const std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> pages{
            {0x0409, {1252, 437}}, {0x0419, {1251, 866}}, {0x0439, {0, 1}}, {0x0411, {932, 932}}};
        const auto it = pages.find(lcid);
        if (it == pages.end()) return 0;
        return kind == CodePageKind::Ansi ? it->second.first : it->second.second;
    }
    std::uint32_t system_code_page(CodePageKind kind) const override { return kind == CodePageKind::Ansi ? 1252 : 850; }
    bool has_code_page(std::uint32_t page) const override { return page != 932; }
    std::optional<std::string> to_utf8(std::uint32_t page, std::string_view bytes) const override
    {
        if (page == 1251) return std::nullopt;
        return std::to_string(page) + ":" + std::to_string(bytes.size());
    }
};

TEST(DecodeAnsiText, ValidUtf8FirstThenTheLocalesCodePageThenTheSystems)
{
    const FakeCodePages system;
    const CodePageKind ansi = CodePageKind::Ansi, oem = CodePageKind::Oem;
    struct Case {
        const char* what;
        std::string bytes;
        CodePageKind kind;
        AnsiTextContext context;
        std::string text, encoding;
    };
    const std::string replaced = "UTF-8, invalid bytes replaced";
    const Case cases[] = {
        {"valid UTF-8", "caf\xC3\xA9", ansi, {0x0409, &system}, "caf\xC3\xA9", "UTF-8"},
        {"ANSI of the locale, to the first zero", std::string("caf\xE9\0tail", 9), ansi, {0x0409, &system}, "1252:4",
         "code page 1252 (CF_LOCALE 1033)"},
        {"OEM of the locale", "\x8F\xE0", oem, {0x0419, &system}, "866:2", "code page 866 (CF_LOCALE 1049)"},
        {"no CF_LOCALE", "\xE9", oem, {std::nullopt, &system}, "850:1", "code page 850 (system OEM)"},
        {"CF_LOCALE 0", "\xE9", ansi, {0, &system}, "1252:1", "code page 1252 (system ANSI)"},
        {"unknown locale", "\xE9", ansi, {0x12345678, &system}, "1252:1", "code page 1252 (system ANSI)"},
        {"Unicode-only locale", "\xE9", ansi, {0x0439, &system}, "1252:1", "code page 1252 (system ANSI)"},
        {"locale page not installed", "\xE9", ansi, {0x0411, &system}, "1252:1", "code page 1252 (system ANSI)"},
        {"conversion fails", "\xE9", ansi, {0x0419, &system}, "\xEF\xBF\xBD", replaced},
        {"no system", "\xE9", ansi, {0x0409, nullptr}, "\xEF\xBF\xBD", replaced},
    };
    for (const auto& c : cases) {
        const DecodedText decoded = decode_ansi_text(as_bytes_view(c.bytes), c.kind, c.context);
        EXPECT_EQ(decoded.text, c.text) << c.what;
        EXPECT_EQ(decoded.encoding, c.encoding) << c.what;
    }
}

// Every 8-bit text row reads its bytes in the clipboard's code page and says which.
TEST(DecodeAnsiText, DispatcherRowsUseTheCodePage)
{
    const FakeCodePages system;
    const GlobalCopy copy{{0xE9, 0x2C, 0xE9}, 3};
    const std::tuple<DispatchRow, std::uint32_t, const char*, const char*> rows[] = {
        {DispatchRow::AnsiText, 1, "CF_TEXT", "1252:3"},   {DispatchRow::AnsiText, 7, "CF_OEMTEXT", "437:3"},
        {DispatchRow::DisplayText, 129, "CF_DSPTEXT", "1252:3"}, {DispatchRow::Csv, 0xC100, "Csv", "1252:3"},
        {DispatchRow::SylkOrDif, 4, "CF_SYLK", "1252:3"},   {DispatchRow::SylkOrDif, 5, "CF_DIF", "1252:3"},
    };
    for (const auto& [row, id, name, text] : rows) {
        FormatEntry entry;
        entry.id = id;
        entry.name = name;
        const auto report = interpret_copied_bytes(row, entry, copy, nullptr, {0x0409, &system});
        ASSERT_TRUE(report) << name;
        EXPECT_EQ(report->kind() == DetailReportKind::Table ? report->as<TableContent>().table.raw_text
                                                            : report->as<TextContent>().text,
                  text)
            << name;
        const std::string page = std::string(text).substr(0, std::string(text).find(':'));
        const std::string id = detail_heading(entry).substr(0, detail_heading(entry).find(") | ") + 4);
        EXPECT_EQ(detail_heading(entry, *report), id + "code page " + page + " (CF_LOCALE 1033) | " +
                                                      detail_heading(entry).substr(id.size()))
            << name;
    }
}

std::u16string fake_locale_name(std::uint32_t lcid)
{
    switch (lcid) {
        case 0x0409:
            return u"en-US";
        case 0x0407:
            return u"de-DE";
        case 0x0C0C:
            return std::u16string(u"fr-CA\0junk", 10);
        case 0x0001:
            return std::u16string(200, u'x');
        default:
            return u"";
    }
}

TEST(AnalyzeLocale, RowsForKnownUnknownAndShortBlocks)
{
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::string lcid;
        std::string name;
    };
    const std::vector<Case> cases{
        {{0x09, 0x04, 0, 0}, "1033 (0x0409)", "en-US"},
        {{0x07, 0x04, 0, 0, 0xAA, 0xBB}, "1031 (0x0407)", "de-DE"},
        {{0x78, 0x56, 0x34, 0x12}, "305419896 (0x12345678)", "Unknown locale"},
        {{0x09, 0x04}, "0 (0x0000)", "Unknown locale"},  // shorter than an LCID reads as 0
        {{}, "0 (0x0000)", "Unknown locale"},
        {{0x0C, 0x0C, 0, 0}, "3084 (0x0C0C)", "fr-CA"},
        {{0x01, 0, 0, 0}, "1 (0x0001)", std::string(84, 'x')},
    };
    for (const auto& c : cases) {
        const PropertyTable table = analyze_locale(c.bytes, fake_locale_name);
        const std::vector<std::vector<std::string>> rows{
            {"LCID", c.lcid}, {"Locale name", c.name}, {"Purpose", "Text conversion and interpretation hint"}};
        EXPECT_EQ(table.rows, rows) << c.lcid;
        EXPECT_EQ(table.columns, (std::vector<std::string>{"Property", "Value"}));
        EXPECT_EQ(table.raw_text, to_crlf(hex_dump(c.bytes)));
    }
    EXPECT_EQ(analyze_locale(std::vector<std::uint8_t>{9, 4, 0, 0}, fake_locale_name).raw_text,
              "00000000  09 04 00 00" + std::string(1 + 12 * 3 + 1, ' ') + " | ....\r\n");
}

}  // namespace
}  // namespace cw
