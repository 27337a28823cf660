#include "inspect/link_formats.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "le_writer.h"

namespace cw {
namespace {

std::string cell(const PropertyTable& table, std::string_view property)
{
    for (const auto& row : table.rows)
        if (row.at(0) == property) return row.at(1);
    return "<no row " + std::string(property) + ">";
}

std::vector<std::uint8_t> utf16z(std::u16string_view text)
{
    std::vector<std::uint8_t> out;
    for (char16_t u : text) test::put_le(out, u, 2);
    out.insert(out.end(), {0, 0, 'x', 'y'});  // garbage after the terminator
    return out;
}

std::vector<std::uint8_t> narrowz(std::string_view text)
{
    std::vector<std::uint8_t> out(text.begin(), text.end());
    out.insert(out.end(), {0, 'x'});
    return out;
}

TEST(AnalyzeUrl, SplitsTheAddressAndHintsAtWhatThePathNames)
{
    struct Case {
        std::string address;
        std::string scheme, host, path, hint;
    };
    const Case cases[] = {
        {"HTTPS://user:pw@files.example.com:8080/docs/report.PDF?x=1#p2", "HTTPS", "files.example.com",
         "/docs/report.PDF?x=1#p2", "Address points to a PDF; this row is still a link, not PDF bytes."},
        {"http://[::1]:8080/img/a.webp", "http", "[::1]", "/img/a.webp",
         "Address points to a WebP image; this row is still a link, not WebP bytes."},
        {"http://[::1", "http", "[::1", "", "No reliable file type can be inferred from the URL path."},
        {"mailto:someone@example.org", "mailto", "", "someone@example.org",
         "Address ends in .org; the actual remote media type is not verified."},
        {"no scheme here", "Unknown", "", "no scheme here", "No reliable file type can be inferred from the URL path."},
        {"https://example.com/tools.old/download", "https", "example.com", "/tools.old/download",
         "Address ends in .old/download; the actual remote media type is not verified."},
        {"https://example.com/", "https", "example.com", "/", "No reliable file type can be inferred from the URL path."},
        {"https://example.com/file.", "https", "example.com", "/file.",
         "No reliable file type can be inferred from the URL path."},
        {"https://a.example/p.png?v=1.2", "https", "a.example", "/p.png?v=1.2",
         "Address points to a PNG image; this row is still a link, not PNG bytes."},
        {"https://a.example/p.JPEG#x.gif", "https", "a.example", "/p.JPEG#x.gif",
         "Address points to a JPEG image; this row is still a link, not JPEG bytes."},
        {"ftp://a@b@host.example:21?q", "ftp", "host.example", "?q",
         "No reliable file type can be inferred from the URL path."},
    };
    for (const Case& c : cases) {
        const PropertyTable t = analyze_url("UniformResourceLocator", narrowz(c.address));
        EXPECT_EQ(cell(t, "URL"), c.address);
        EXPECT_EQ(cell(t, "Scheme"), c.scheme) << c.address;
        EXPECT_EQ(cell(t, "Host"), c.host) << c.address;
        EXPECT_EQ(cell(t, "Path"), c.path) << c.address;
        EXPECT_EQ(cell(t, "Resource hint"), c.hint) << c.address;
    }
}

TEST(AnalyzeUrl, WideLinkTargetReportInFull)
{
    const std::vector<std::uint8_t> bytes = utf16z(u"https://ex\u00e4mple.com/a\xD800");
    const PropertyTable t = analyze_url("uniformresourcelocatorW", bytes);
    const std::vector<std::vector<std::string>> rows{
        {"Clipboard format", "uniformresourcelocatorW"},
        {"Meaning", "Transferable URL target: paste targets can treat this representation as a link. It is not the "
                    "remote resource's bytes."},
        {"URL", "https://ex\xC3\xA4mple.com/a\xEF\xBF\xBD"},
        {"Scheme", "https"},
        {"Host", "ex\xC3\xA4mple.com"},
        {"Path", "/a\xEF\xBF\xBD"},
        {"Resource hint", "No reliable file type can be inferred from the URL path."},
        {"Save guidance", "Offer an Internet shortcut (.url) or plain URL text (.txt). Downloading the target would "
                          "be a separate, explicit network action."},
    };
    EXPECT_EQ(t.rows, rows);
    EXPECT_EQ(t.columns, (std::vector<std::string>{"Property", "Value"}));
    EXPECT_EQ(t.table_caption, "Link");
    EXPECT_EQ(t.text_caption, "Raw bytes");
    EXPECT_EQ(t.raw_text.substr(0, 12), "00000000  68");
    EXPECT_EQ(t.raw_text.substr(t.raw_text.size() - 2), "\r\n");
}

TEST(AnalyzeUrl, SourceUrlIsAlwaysProvenance)
{
    for (std::string address : {"https://example.com/a.pdf", "", "\xFF\xFE"}) {
        const PropertyTable t = analyze_url("Chromium Internal Source URL", narrowz(address));
        EXPECT_EQ(cell(t, "Meaning"), "Browser provenance: the page/origin the copied content came from. This is not "
                                      "necessarily the copied link target.");
        EXPECT_EQ(cell(t, "Save guidance"),
                  "Keep as explanatory source metadata; do not offer it as the primary file merely because it is a "
                  "URL.");
    }
    // 8-bit names decode UTF-8 with replacement, and an odd last byte of a wide name is ignored.
    EXPECT_EQ(cell(analyze_url("UniformResourceLocator", narrowz("a\xFFz")), "URL"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(cell(analyze_url("UniformResourceLocatorW", std::vector<std::uint8_t>{'h', 0, 'i'}), "URL"), "h");
}

std::vector<std::uint8_t> token(std::size_t size, std::uint32_t payload = 20, std::uint32_t child = 0x1234)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(0xA0 + i);
    for (int i = 0; i < 4 && i < static_cast<int>(size); ++i) bytes[i] = static_cast<std::uint8_t>(payload >> (8 * i));
    for (int i = 0; i < 4 && 4 + i < static_cast<int>(size); ++i)
        bytes[4 + i] = static_cast<std::uint8_t>(child >> (8 * i));
    return bytes;
}

TEST(AnalyzeRfhToken, RecognisedLayoutInFull)
{
    const PropertyTable t = analyze_rfh_token(token(24));
    const std::vector<std::vector<std::string>> rows{
        {"Meaning", "Chromium-only identity for the renderer frame that originated this clipboard write. Chromium "
                    "uses it internally for source ownership and policy decisions."},
        {"Serialization", "Recognized Chromium base::Pickle containing a GlobalRenderFrameHostToken"},
        {"Pickle payload", "20 bytes"},
        {"Child process ID", "4660 (Chromium internal ID, not a Windows PID)"},
        {"Local frame token", "A8A9AAABACADAEAFB0B1B2B3B4B5B6B7"},
        {"External usefulness", "None as content. Only the originating live Chromium browser process can resolve "
                                "this identity back to a RenderFrameHost. It does not encode a URL, tab title, "
                                "image, or file."},
        {"Related evidence", "Use Chromium internal source URL, HTML source metadata, and the actual PNG/text "
                             "formats for human-meaningful provenance and content."},
        {"Save guidance", "Diagnostic provenance only. Never offer this token as a file, dereference it, or treat "
                          "either identifier as an operating-system process handle."},
    };
    EXPECT_EQ(t.rows, rows);
    EXPECT_EQ(t.table_caption, "Chromium provenance");
}

TEST(AnalyzeRfhToken, OtherLayoutsShowWhatTheyHoldAndTheCaution)
{
    const std::string caution =
        "Chromium's private serialization may change; retain the raw bytes when the expected structure does not "
        "validate.";
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string payload, child, frame;
    };
    const Case cases[] = {
        {"one byte more", token(25), "20 bytes", "4660 (Chromium internal ID, not a Windows PID)",
         "A8A9AAABACADAEAFB0B1B2B3B4B5B6B7"},
        {"24 bytes, payload 21", token(24, 21), "21 bytes", "4660 (Chromium internal ID, not a Windows PID)",
         "A8A9AAABACADAEAFB0B1B2B3B4B5B6B7"},
        {"six bytes", token(6), "20 bytes", "Unavailable", "Unavailable"},
        {"23 bytes, child -1", token(23, 20, 0xFFFFFFFF), "20 bytes", "-1 (Chromium internal ID, not a Windows PID)",
         "Unavailable"},
        {"three bytes", token(3), "Unavailable", "Unavailable", "Unavailable"},
    };
    for (const Case& c : cases) {
        const PropertyTable t = analyze_rfh_token(c.bytes);
        EXPECT_EQ(cell(t, "Serialization"), "Does not match the currently recognized 24-byte Chromium token layout")
            << c.what;
        EXPECT_EQ(cell(t, "Pickle payload"), c.payload) << c.what;
        EXPECT_EQ(cell(t, "Child process ID"), c.child) << c.what;
        EXPECT_EQ(cell(t, "Local frame token"), c.frame) << c.what;
        ASSERT_EQ(t.rows.size(), 9u) << c.what;
        EXPECT_EQ(t.rows.back(), (std::vector<std::string>{"Caution", caution})) << c.what;
    }
}

}  // namespace
}  // namespace cw
