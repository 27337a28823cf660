#include "base/error.h"
#include "base/text.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

TEST(TextConversion, RoundTripsAndReplacesInvalidSequences)
{
    EXPECT_EQ(utf16_to_utf8(u"h\u00e9llo \U0001F600"), "h\xC3\xA9llo \xF0\x9F\x98\x80");
    EXPECT_EQ(utf8_to_utf16("h\xC3\xA9llo \xF0\x9F\x98\x80"), u"h\u00e9llo \U0001F600");
    // Unpaired surrogates, in either order, become U+FFFD.
    EXPECT_EQ(utf16_to_utf8(std::u16string{u'a', char16_t(0xD800), u'b'}), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(utf16_to_utf8(std::u16string{char16_t(0xDC00), char16_t(0xD800)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    // Truncated, overlong and surrogate-encoding UTF-8.
    EXPECT_EQ(sanitize_utf8("a\xC3"), "a\xEF\xBF\xBD");
    EXPECT_EQ(sanitize_utf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(sanitize_utf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8_to_utf16("\xF4\x90\x80\x80"), std::u16string(4, char16_t(0xFFFD)));
}

TEST(TextConversion, NamesCompareWholeAndFoldOnlyAsciiLetters)
{
    EXPECT_TRUE(names_equal("FileGroupDescriptorW", "filegroupdescriptorw"));
    EXPECT_FALSE(names_equal("PNG ", "png"));
    EXPECT_FALSE(names_equal("PNG", "png2"));
    EXPECT_FALSE(names_equal("\xC3\x89", "\xC3\xA9"));  // É and é differ: no Unicode folding
    EXPECT_EQ(ascii_lower("Preferred DropEffect"), "preferred dropeffect");
    EXPECT_EQ(to_crlf("a\nb\n"), "a\r\nb\r\n");
}

TEST(ErrorModel, HresultFromWin32AndDisplayForms)
{
    EXPECT_EQ(Error::from_win32(0).code, 0);
    EXPECT_EQ(Error::from_win32(5).ucode(), 0x80070005U);
    EXPECT_EQ(Error::from_win32(5).win32_code(), 5U);
    EXPECT_EQ(Error::from_win32(0x80004005U).ucode(), 0x80004005U);

    const Error own = Error::invalid_data("The OLE provider returned a null IStream.");
    EXPECT_EQ(api_error_display(own, "The data is invalid.\r\n"),
              "The OLE provider returned a null IStream. (0x8007000D)");
    EXPECT_EQ(api_error_display(Error::from_win32(5), "Access is denied.\r\n"), "Access is denied. (0x80070005)");
    EXPECT_EQ(api_error_display(Error{static_cast<std::int32_t>(0x8004006AU), std::nullopt}, ""), "0x8004006A");
    EXPECT_EQ(file_error_display("Access is denied.\r\n", 5), "Access is denied. (os error 5)");
}

}  // namespace
}  // namespace cw
