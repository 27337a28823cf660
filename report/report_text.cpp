#include "report/report_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "base/text.h"
#include "capture/retrieval.h"

namespace cw {

PropertyTable make_property_table(PropertyRows rows, std::string raw_text)
{
    PropertyTable table;
    table.columns = {"Property", "Value"};
    table.rows.reserve(rows.size());
    for (auto& [property, value] : rows) table.rows.push_back({std::move(property), std::move(value)});
    table.raw_text = std::move(raw_text);
    return table;
}

namespace {
// Both hex digits of every byte value, and its character in the text column.
struct HexTables {
    char pairs[256][2];
    char shown[256];
    constexpr HexTables() : pairs{}, shown{}
    {
        constexpr char digits[] = "0123456789ABCDEF";
        for (int b = 0; b < 256; ++b) {
            pairs[b][0] = digits[b >> 4];
            pairs[b][1] = digits[b & 0xF];
            shown[b] = (b >= 32 && b <= 126) ? static_cast<char>(b) : '.';
        }
    }
};
constexpr HexTables HEX;
}  // namespace

std::string hex_dump(ByteView bytes)
{
    constexpr std::size_t LINE = 79;  // 78 characters and LF for a full line
    if (bytes.size() > RAW_PREVIEW_BYTES) bytes = bytes.first(RAW_PREVIEW_BYTES);

    std::string out((bytes.size() + 15) / 16 * LINE, ' ');
    char* p = out.data();
    for (std::size_t offset = 0; offset < bytes.size(); offset += 16) {
        const std::size_t count = std::min<std::size_t>(16, bytes.size() - offset);
        for (int i = 0; i < 4; ++i) std::memcpy(p + 2 * i, HEX.pairs[(offset >> (24 - 8 * i)) & 0xFF], 2);
        // Blanks are already in place; only digits, the bar and the characters are written.
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t b = bytes[offset + i];
            std::memcpy(p + 10 + 3 * i + (i >= 8 ? 1 : 0), HEX.pairs[b], 2);
            p[62 + i] = HEX.shown[b];
        }
        p[60] = '|';
        p[62 + count] = '\n';
        p += 63 + count;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
    return out;
}

std::string size_text(std::uint64_t n)
{
    if (n < 1024) return std::to_string(n) + " B";
    static constexpr std::array<std::pair<std::uint64_t, const char*>, 3> units{{
        {1ULL << 30, " GiB"},
        {1ULL << 20, " MiB"},
        {1ULL << 10, " KiB"},
    }};
    for (const auto& [unit, suffix] : units) {
        if (n < unit) continue;
        char buffer[64];
        // to_chars is locale-independent: the decimal point is always ".".
        const auto res = std::to_chars(buffer, buffer + sizeof buffer,
                                       static_cast<double>(n) / static_cast<double>(unit), std::chars_format::fixed, 2);
        return std::string(buffer, res.ptr) + suffix;
    }
    return {};
}

std::string medium_text(std::uint32_t tymed)
{
    static constexpr std::array<const char*, 7> names{"HGLOBAL", "FILE",   "IStream", "IStorage",
                                                      "GDI",     "MFPICT", "ENHMF"};
    std::string out;
    auto add = [&out](std::string_view name) {
        if (!out.empty()) out += " + ";
        out += name;
    };
    for (std::size_t bit = 0; bit < names.size(); ++bit)
        if (tymed & (1U << bit)) add(names[bit]);
    if (tymed > 127) add("Other");
    return out.empty() ? "None" : out;
}

std::string aspect_text(std::uint32_t aspect)
{
    switch (aspect) {
        case 1:
            return "Content";
        case 2:
            return "Thumbnail";
        case 4:
            return "Icon";
        case 8:
            return "DocPrint";
        default:
            break;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(aspect));
    return buffer;
}

std::string index_text(std::int32_t lindex)
{
    return lindex == -1 ? "All/default" : std::to_string(lindex);
}

std::string source_text(const FormatEntry& entry)
{
    const bool ole = !entry.offers.empty();
    if (entry.listed_by_win32) return ole ? "Win32 + OLE" : "Win32";
    return ole ? "OLE only" : "Unspecified";
}

std::string decimal_and_hex(std::uint32_t value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u (0x%04X)", static_cast<unsigned>(value), static_cast<unsigned>(value));
    return buffer;
}

std::string offer_line(std::size_t number, const FormatOffer& offer)
{
    return std::to_string(number) + ". Medium=" + medium_text(offer.tymed) + " | Aspect=" + aspect_text(offer.aspect) +
           " | Index=" + index_text(offer.lindex) + " | Target device=" + (offer.has_target_device ? "yes" : "no");
}

std::string advertisement_text(const FormatEntry& entry)
{
    std::string text = "ADVERTISEMENT\n=============\nTransport : " + source_text(entry) + "\n";
    if (entry.offers.empty()) {
        text += "OLE offers: none enumerated";
    } else {
        text += "OLE offers: " + std::to_string(entry.offers.size());
        for (std::size_t i = 0; i < entry.offers.size(); ++i) text += "\n  " + offer_line(i + 1, entry.offers[i]);
    }
    return to_crlf(text);
}

void append_truncation_note(std::string& text, std::uint64_t shown, std::uint64_t total)
{
    if (shown >= total) return;
    text +=
        "\r\n\r\n[Preview truncated: displayed " + std::to_string(shown) + " of " + std::to_string(total) + " bytes]";
}

std::string to_crlf_mixed(std::string_view text)
{
    const std::string doubled = to_crlf(text);
    std::string out;
    out.reserve(doubled.size());
    for (std::size_t i = 0; i < doubled.size(); ++i) {
        if (doubled.compare(i, 3, "\r\r\n") == 0) continue;  // the first CR of CR CR LF goes
        out += doubled[i];
    }
    return out;
}

}  // namespace cw
