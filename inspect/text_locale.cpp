#include "inspect/text_locale.h"

#include <algorithm>

#include "app/text.h"
#include "inspect/report_text.h"

namespace cw {

namespace {
constexpr std::size_t LOCALE_NAME_MAX_UNITS = 84;  // LOCALE_NAME_MAX_LENGTH without the terminator
}

std::string decode_utf16_text(ByteView bytes)
{
    // Up to 4 MiB of text per selection: encode straight into a buffer sized for the worst case
    // (three bytes per unit) instead of growing a string byte by byte.
    const std::size_t units = bytes.size() / 2;
    auto unit_at = [&bytes](std::size_t k) -> char32_t { return bytes[2 * k] | (bytes[2 * k + 1] << 8); };
    std::string out(units * 3, '\0');
    char* p = out.data();
    for (std::size_t k = 0; k < units; ++k) {
        char32_t u = unit_at(k);
        if (u < 0x80) {
            if (u == 0) break;
            *p++ = static_cast<char>(u);
        } else if (u < 0x800) {
            *p++ = static_cast<char>(0xC0 | (u >> 6));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else {
            if (u >= 0xD800 && u <= 0xDFFF) {
                const char32_t low = k + 1 < units ? unit_at(k + 1) : 0;
                if (u <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                    const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                    *p++ = static_cast<char>(0xF0 | (cp >> 18));
                    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
                    ++k;  // a pair is two units and at most four bytes: within the worst case
                    continue;
                }
                u = 0xFFFD;
            }
            *p++ = static_cast<char>(0xE0 | (u >> 12));
            *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
    return out;
}

std::string text_of_bytes(ByteView bytes)
{
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return sanitize_utf8(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(end - bytes.begin())));
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
