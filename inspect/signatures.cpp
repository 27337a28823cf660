#include "inspect/signatures.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace cw {

namespace {

bool starts_with(ByteView sample, std::string_view magic)
{
    const auto head = ByteReader(sample).slice(0, magic.size());
    return head && std::equal(head->begin(), head->end(), magic.begin(),
                              [](std::uint8_t b, char c) { return b == static_cast<std::uint8_t>(c); });
}

std::string confirmed(std::string_view kind)
{
    return std::string(kind) + " (signature confirmed)";
}

std::string riff_label(ByteView sample)
{
    const ByteView form = sample.subspan(8, 4);
    if (starts_with(form, "AVI ")) return "AVI video (signature confirmed)";
    if (starts_with(form, "WAVE")) return "WAVE audio (signature confirmed)";
    if (starts_with(form, "WEBP")) return "WebP image (signature confirmed)";
    return "RIFF container (subtype unknown)";
}

// |v| of a signed 32-bit field, as an unsigned number so that INT32_MIN stays representable.
std::uint32_t magnitude(std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    return v < 0 ? 0U - u : u;
}

}  // namespace

std::string describe_payload_signature(ByteView sample)
{
    static constexpr std::string_view JPEG{"\xFF\xD8\xFF", 3};
    static constexpr const char* JPEG_LABEL = "JPEG image (signature confirmed)";
    const std::size_t n = sample.size();
    if (n < 4) return (n == 3 && starts_with(sample, JPEG)) ? JPEG_LABEL : NO_SIGNATURE_LABEL;

    const ByteReader reader(sample);
    if (n >= 6 && starts_with(sample, "8BPS")) {
        const std::uint16_t version = *reader.u16be(4);
        if (version == 1) return "Adobe Photoshop document (PSD, signature confirmed)";
        if (version == 2) return "Adobe Photoshop large document (PSB, signature confirmed)";
        return "Adobe Photoshop-family signature, unknown version " + std::to_string(version);
    }

    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kinds{{
        {{"\x89PNG\r\n\x1A\n", 8}, "PNG image"},
        {"%PDF-", "PDF document"},
        {"GIF87a", "GIF image"},
        {"GIF89a", "GIF image"},
        {"PK\x03\x04", "ZIP-based container"},
        // Only the first half of the compound-file signature is required.
        {"\xD0\xCF\x11\xE0", "OLE compound document"},
    }};
    for (const auto& [magic, kind] : kinds)
        if (starts_with(sample, magic)) return confirmed(kind);
    if (starts_with(sample, JPEG)) return JPEG_LABEL;
    if (n >= 12 && starts_with(sample, "RIFF")) return riff_label(sample);
    return NO_SIGNATURE_LABEL;
}

std::string describe_stream_signature(ByteView sample)
{
    std::string label = describe_payload_signature(sample);
    if (label != NO_SIGNATURE_LABEL) return label;

    const ByteReader reader(sample);
    if (sample.size() >= 16) {
        const std::uint32_t header_size = *reader.u32le(0);
        static constexpr std::array<std::uint32_t, 6> BITMAP_HEADER_SIZES{40, 52, 56, 64, 108, 124};
        if (std::find(BITMAP_HEADER_SIZES.begin(), BITMAP_HEADER_SIZES.end(), header_size) !=
            BITMAP_HEADER_SIZES.end()) {
            return "Device-independent bitmap stream (" + std::to_string(magnitude(*reader.i32le(4))) + " x " +
                   std::to_string(magnitude(*reader.i32le(8))) + " px, " + std::to_string(*reader.u16le(14)) + " bpp)";
        }
    }
    if (starts_with(sample, "8BIM")) return "Adobe Photoshop-native resource stream (8BIM marker)";
    return "Adobe Photoshop-native CONTENTS stream; no portable file signature at stream start";
}

}  // namespace cw
