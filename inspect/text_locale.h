#pragma once
// Plain text and CF_LOCALE: decoding clipboard text for display and explaining the locale
// identifier that Windows keeps beside 8-bit text.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_reader.h"
#include "capture/retrieval.h"
#include "inspect/report.h"

namespace cw {

// UTF-16LE units up to the first zero unit (an odd last byte is ignored); unpaired surrogates
// become U+FFFD.
std::string decode_utf16_text(ByteView bytes);

// 8-bit clipboard text: the bytes up to the first zero byte, as UTF-8 with U+FFFD for invalid
// sequences. The process code page is deliberately not used.
std::string text_of_bytes(ByteView bytes);

// The text of a copied CF_UNICODETEXT or CF_TEXT/CF_OEMTEXT block, with the truncation note
// when the copy stopped before the end of the block.
std::string unicode_text_report(const GlobalCopy& copy);
std::string ansi_text_report(const GlobalCopy& copy);

// Whether text is shown as a tab-separated table: it holds a TAB and at least two lines
// (a LF at the very end does not start another line).
bool is_tab_table_text(std::string_view text);

// The system's name for a locale identifier (LCIDToLocaleName with a LOCALE_NAME_MAX_LENGTH
// buffer and no flags): the units without the terminating zero, or empty when it returned less
// than 2.
using LocaleNameLookup = std::u16string (*)(std::uint32_t lcid);

// Property/Value table for a CF_LOCALE block (the u32 LCID at offset 0; 0 when shorter).
PropertyTable analyze_locale(ByteView bytes, LocaleNameLookup locale_name);

}  // namespace cw
