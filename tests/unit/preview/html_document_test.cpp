#include "preview/html_document.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

std::string plain(std::string_view escaped)
{
    return "<!doctype html><meta charset=utf-8><pre>" + std::string(escaped) + "</pre>";
}

TEST(HtmlDocument, ChoosesWhereTheDocumentStarts)
{
    const std::string header = "Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000200\r\n";
    const std::string clip = header + std::string(105 - header.size(), 'x') + "<html><body><!--StartFragment-->hi";
    struct Case {
        const char* what;
        std::string text;
        std::string document;
    };
    const Case cases[] = {
        {"StartHTML offset", clip, "<html><body><!--StartFragment-->hi"},
        {"offset 0 keeps everything", "StartHTML:0\n<p>x", "StartHTML:0\n<p>x"},
        {"plus sign and blanks", "StartHTML: +17 \r\n<p>x</p>", "<p>x</p>"},
        {"negative falls back to <html", "StartHTML:-1\nab<html>x", "<html>x"},
        {"offset past the end falls back", "StartHTML:999\n<!DOCTYPE html><p>", "<!DOCTYPE html><p>"},
        {"offset equal to the length falls back", "StartHTML:20\nx<html>", "<html>"},
        {"offset inside a character falls back", "StartHTML:14\n\xC3\xA9\xC3\xA9<html>", "<html>"},
        {"offset on a character boundary", "StartHTML:15\n\xC3\xA9\xC3\xA9<html>", "\xC3\xA9<html>"},
        {"overflowing number falls back", "StartHTML:99999999999999999999999\n<html>", "<html>"},
        {"only the first StartHTML line counts", "StartHTML:x\nStartHTML:0\n<html>", "<html>"},
        {"not at the start of a line", " StartHTML:0\n<html>", "<html>"},
        {"case-sensitive key", "starthtml:0\n<html>", "<html>"},
        {"doctype before <html is dropped", "<!DOCTYPE html>\n<html><body>x</body></html>",
         "<html><body>x</body></html>"},
        {"doctype alone", "junk<!DOCTYPE html><p>x", "<!DOCTYPE html><p>x"},
        {"plain text is escaped", "a<b & c>d", plain("a&lt;b &amp; c&gt;d")},
        {"upper-case markup is not recognised", "<HTML><B>x</B></HTML>",
         plain("&lt;HTML&gt;&lt;B&gt;x&lt;/B&gt;&lt;/HTML&gt;")},
        {"entities are escaped once", "&amp;", plain("&amp;amp;")},
        {"empty text", "", plain("")},
    };
    for (const auto& c : cases) EXPECT_EQ(build_html_document(c.text), c.document) << c.what;
}

TEST(HtmlDocument, PreviewDecodesUpToTheFirstZeroByte)
{
    const std::string bytes("<html>caf\xC3\xA9 \xFF\0<script>", 20);
    const HtmlPreview preview = make_html_preview(as_bytes_view(bytes));
    EXPECT_EQ(preview.source, "<html>caf\xC3\xA9 \xEF\xBF\xBD");
    EXPECT_EQ(preview.document, preview.source);
}

}  // namespace
}  // namespace cw
