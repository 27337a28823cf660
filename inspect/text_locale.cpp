#include "inspect/text_locale.h"

#include <algorithm>

#include "base/text.h"
#include "report/report_text.h"

namespace cw {

namespace {
constexpr std::size_t LOCALE_NAME_MAX_UNITS = 84;  // LOCALE_NAME_MAX_LENGTH without the terminator
}

std::string decode_utf16_text(ByteView bytes) { return decode_utf16le_to_first_zero(bytes); }

std::string text_of_bytes(ByteView bytes) { return decode_utf8_to_first_zero(bytes); }

namespace {

// 0 to 3 stand for "the current ANSI/OEM/Mac/thread code page" rather than naming one; a locale
// that uses Unicode only reports 0.
bool names_a_code_page(std::uint32_t code_page) { return code_page > 3; }

}  // namespace

std::optional<CodePageChoice> choose_code_page(CodePageKind kind, const AnsiTextContext& context)
{
    if (!context.system) return std::nullopt;
    const CodePageSystem& system = *context.system;
    // LCID 0 would be read as the user's default locale; it says nothing about the text.
    if (context.locale && *context.locale != 0) {
        const std::uint32_t page = system.locale_code_page(*context.locale, kind);
        if (names_a_code_page(page) && system.has_code_page(page)) return CodePageChoice{page, true};
    }
    const std::uint32_t page = system.system_code_page(kind);
    if (names_a_code_page(page) && system.has_code_page(page)) return CodePageChoice{page, false};
    return std::nullopt;
}

DecodedText decode_ansi_text(ByteView bytes, CodePageKind kind, const AnsiTextContext& context)
{
    const std::string_view text =
        up_to_first_zero(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (is_valid_utf8(text)) return {std::string(text), "UTF-8"};
    if (const auto choice = choose_code_page(kind, context)) {
        if (auto converted = context.system->to_utf8(choice->code_page, text)) {
            const std::string source = choice->from_locale
                                           ? "CF_LOCALE " + std::to_string(*context.locale)
                                           : std::string(kind == CodePageKind::Oem ? "system OEM" : "system ANSI");
            return {std::move(*converted), "code page " + std::to_string(choice->code_page) + " (" + source + ")"};
        }
    }
    return {sanitize_utf8(text), "UTF-8, invalid bytes replaced"};
}

std::string unicode_text_report(const GlobalCopy& copy)
{
    std::string text = decode_utf16_text(copy.bytes);
    append_truncation_note(text, copy.bytes.size(), copy.total_size);
    return text;
}

std::string ansi_text_report(const GlobalCopy& copy)
{
    std::string text = text_of_bytes(copy.bytes);
    append_truncation_note(text, copy.bytes.size(), copy.total_size);
    return text;
}

bool is_tab_table_text(std::string_view text)
{
    if (text.find('\t') == std::string_view::npos) return false;
    const auto breaks = std::count(text.begin(), text.end(), '\n');
    return breaks >= 2 || (breaks == 1 && text.back() != '\n');
}

PropertyTable analyze_locale(ByteView bytes, LocaleNameLookup locale_name)
{
    const std::uint32_t lcid = ByteReader(bytes).u32le(0).value_or(0);
    std::u16string name = locale_name(lcid);
    // The name is ours to bound: never past a zero unit or the system's maximum length.
    name.resize(std::min({name.size(), name.find(u'\0'), LOCALE_NAME_MAX_UNITS}));
    PropertyRows rows{
        {"LCID", decimal_and_hex(lcid)},
        {"Locale name", name.empty() ? "Unknown locale" : utf16_to_utf8(name)},
        {"Purpose", "Text conversion and interpretation hint"},
    };
    return make_property_table(std::move(rows), to_crlf(hex_dump(bytes)));
}

}  // namespace cw
