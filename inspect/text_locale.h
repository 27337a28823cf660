#pragma once
// Plain text and CF_LOCALE: decoding clipboard text for display and explaining the locale
// identifier that Windows keeps beside 8-bit text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/byte_reader.h"
#include "capture/retrieval.h"
#include "report/report.h"

namespace cw {

// UTF-16LE units up to the first zero unit (an odd last byte is ignored); unpaired surrogates
// become U+FFFD.
std::string decode_utf16_text(ByteView bytes);

// 8-bit clipboard text: the bytes up to the first zero byte, as UTF-8 with U+FFFD for invalid
// sequences. The process code page is deliberately not used.
std::string text_of_bytes(ByteView bytes);

// Which of a locale's two 8-bit code pages a format holds: OEM for CF_OEMTEXT, ANSI otherwise.
enum class CodePageKind { Ansi, Oem };

// What the system knows about 8-bit code pages (GetLocaleInfo, GetACP/GetOEMCP, IsValidCodePage,
// MultiByteToWideChar); the Win32 layer implements it and unit tests fake it.
class CodePageSystem {
public:
    virtual ~CodePageSystem() = default;
    // The locale's ANSI or OEM code page; 0 when the locale does not exist or has none.
    virtual std::uint32_t locale_code_page(std::uint32_t lcid, CodePageKind kind) const = 0;
    virtual std::uint32_t system_code_page(CodePageKind kind) const = 0;
    virtual bool has_code_page(std::uint32_t code_page) const = 0;
    // The bytes in that code page as UTF-8; none when the conversion fails.
    virtual std::optional<std::string> to_utf8(std::uint32_t code_page, std::string_view bytes) const = 0;
};

// How the 8-bit text of the clipboard is read: its CF_LOCALE when it has one, and the system's
// code pages (none in portable code: the text is then read as UTF-8 only).
struct AnsiTextContext {
    std::optional<std::uint32_t> locale;
    const CodePageSystem* system = nullptr;
};

struct CodePageChoice {
    std::uint32_t code_page = 0;
    bool from_locale = false;  // the CF_LOCALE's code page, rather than the system's
};

// The code page that 8-bit text of this kind is in: the CF_LOCALE's ANSI or OEM code page when
// the locale exists, has one and the system has it installed, else the system's. None when not
// even the system's can be used.
std::optional<CodePageChoice> choose_code_page(CodePageKind kind, const AnsiTextContext& context);

struct DecodedText {
    std::string text;
    std::string encoding;  // which code page was used, for the report's heading
};

// 8-bit clipboard text (CF_TEXT, CF_OEMTEXT, CF_DSPTEXT, CF_SYLK, CF_DIF, "Csv"): the bytes up
// to the first zero byte. Valid UTF-8 is read as UTF-8 (programs running with the UTF-8 code
// page write it), anything else in the chosen code page; without one, as UTF-8 with U+FFFD.
DecodedText decode_ansi_text(ByteView bytes, CodePageKind kind, const AnsiTextContext& context);

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
