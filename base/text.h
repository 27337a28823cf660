#pragma once
// Text helpers shared by every subsystem. Inside the program text is UTF-8; UTF-16 appears only
// at the Win32 boundary. The conversions never fail: invalid input becomes U+FFFD.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_reader.h"

namespace cw {

std::string utf16_to_utf8(std::u16string_view text);
std::u16string utf8_to_utf16(std::string_view text);

// Replaces invalid UTF-8 sequences with U+FFFD (maximal subparts, as Unicode recommends).
std::string sanitize_utf8(std::string_view bytes);

// A to Z folded to a to z; nothing else changes.
std::string ascii_lower(std::string_view text);
// Whole-name comparison with ASCII case folding: the rule for recognising clipboard formats.
bool names_equal(std::string_view a, std::string_view b);

std::string trim_whitespace(std::string_view text);

// Report builders assemble with LF; edit controls want CR LF.
std::string to_crlf(std::string_view text);

bool is_valid_utf8(std::string_view bytes);

// Clipboard text blocks end at their first terminator; the memory block may be longer than the
// text and hold garbage after it.
std::string_view up_to_first_zero(std::string_view bytes);
// The bytes before the first zero byte (all when there is none), as UTF-8 with U+FFFD.
std::string decode_utf8_to_first_zero(ByteView bytes);
// Little-endian 16-bit units before the first zero unit (an odd last byte is ignored), with
// unpaired surrogates as U+FFFD.
std::string decode_utf16le_to_first_zero(ByteView bytes);

}  // namespace cw
