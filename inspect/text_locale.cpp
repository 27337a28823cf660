#include "inspect/text_locale.h"

#include <algorithm>

#include "base/text.h"
#include "inspect/report_text.h"

namespace cw {

namespace {
constexpr std::size_t LOCALE_NAME_MAX_UNITS = 84;  // LOCALE_NAME_MAX_LENGTH without the terminator
}

std::string decode_utf16_text(ByteView bytes) { return decode_utf16le_to_first_zero(bytes); }

std::string text_of_bytes(ByteView bytes) { return decode_utf8_to_first_zero(bytes); }

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
