#include "base/text.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

using namespace std::string_literals;

TEST(ZeroTerminatedText, Utf8ValidityMatchesSanitizing)
{
    // A genuine U+FFFD is valid; everything sanitize_utf8 would replace is not.
    const std::string samples[] = {
        "",      "plain",    "caf\xC3\xA9",  "\xEF\xBF\xBD",     "\xF0\x9F\x98\x80",    "\xFF",
        "a\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF"};
    for (const auto& s : samples) EXPECT_EQ(is_valid_utf8(s), sanitize_utf8(s) == s) << testing::PrintToString(s);
}

TEST(ZeroTerminatedText, DecodingStopsAtTheTerminator)
{
    EXPECT_EQ(up_to_first_zero("ab\0cd"s), "ab");
    EXPECT_EQ(up_to_first_zero("abc"), "abc");
    EXPECT_EQ(decode_utf8_to_first_zero(as_bytes_view("\xC3\xA9\xFF\0\xFF"s)), "\xC3\xA9\xEF\xBF\xBD");
    // A zero byte inside a unit does not end UTF-16 text; a zero unit does.
    EXPECT_EQ(decode_utf16le_to_first_zero(as_bytes_view("\x00\x01"
                                                         "a\0\0\0b\0"s)),
              "\xC4\x80"
              "a");
    // A high surrogate at the very end, and a low one on its own.
    EXPECT_EQ(decode_utf16le_to_first_zero(as_bytes_view("\x00\xDC"
                                                         "a\0\x00\xD8"s)),
              "\xEF\xBF\xBD"
              "a\xEF\xBF\xBD");
}

}  // namespace
}  // namespace cw
