#include "capture/format_identity.h"

#include <array>
#include <utility>

#include "base/text.h"
#include "capture/snapshot.h"

namespace cw {

std::optional<std::string_view> predefined_format_name(std::uint32_t id)
{
    static constexpr std::array<std::pair<std::uint32_t, std::string_view>, 22> names{{
        {1, "CF_TEXT"},           {2, "CF_BITMAP"},          {3, "CF_METAFILEPICT"},   {4, "CF_SYLK"},
        {5, "CF_DIF"},            {6, "CF_TIFF"},            {7, "CF_OEMTEXT"},        {8, "CF_DIB"},
        {9, "CF_PALETTE"},        {10, "CF_PENDATA"},        {11, "CF_RIFF"},          {12, "CF_WAVE"},
        {13, "CF_UNICODETEXT"},   {14, "CF_ENHMETAFILE"},    {15, "CF_HDROP"},         {16, "CF_LOCALE"},
        {17, "CF_DIBV5"},         {0x80, "CF_OWNERDISPLAY"}, {0x81, "CF_DSPTEXT"},     {0x82, "CF_DSPBITMAP"},
        {0x83, "CF_DSPMETAFILEPICT"}, {0x8E, "CF_DSPENHMETAFILE"},
    }};
    for (const auto& [key, name] : names)
        if (key == id) return name;
    return std::nullopt;
}

std::string_view format_class(std::uint32_t id)
{
    if ((id >= 1 && id <= 17) || (id >= 0x80 && id <= 0x8E)) return "standard";
    if ((id & 0xFFFFFF00U) == 0x200) return "private";
    if ((id & 0xFFFFFF00U) == 0x300) return "GDI object";
    if ((id & 0xFFFFC000U) == 0xC000) return "registered";
    return "reserved";
}

std::string_view format_role(std::uint32_t id, std::string_view name)
{
    switch (id) {
        case 2: case 8: case 17: return "Image rendition";
        case 3: case 14: return "Metafile rendition";
        case 9: return "Color support";
        case 15: return "Content reference";
        default: break;
    }
    if (name.empty()) return "Raw representation";
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 35> roles{{
        {"png", "Content"},
        {"gif", "Content"},
        {"jfif", "Content"},
        {"tiff", "Content"},
        {"image/png", "Content"},
        {"image/gif", "Content"},
        {"image/jpeg", "Content"},
        {"image/tiff", "Content"},
        {"native", "Native object"},
        {"filename", "Legacy path alias"},
        {"filenamew", "Unicode path alias"},
        {"ownerlink", "OLE identity"},
        {"asyncflag", "Transfer behavior"},
        {"dataobject", "OLE transport"},
        {"embed source", "Embedded object"},
        {"filecontents", "Content stream"},
        {"ole private data", "OLE bookkeeping"},
        {"object descriptor", "Object identity"},
        {"shell idlist array", "Shell identity"},
        {"photoshop dib layer", "Layer transfer"},
        {"photoshop dib layer x", "Layer transfer"},
        {"filegroupdescriptor", "Virtual file manifest"},
        {"filegroupdescriptorw", "Virtual file manifest"},
        {"dataobjectattributes", "Capabilities"},
        {"dataobjectattributesrequiringelevation", "Security"},
        {"shell object offsets", "Position"},
        {"preferred dropeffect", "Operation"},
        {"photoshop clip source", "Source document"},
        {"adobe photoshop image", "Native image object"},
        {"photoshop paste in place", "Placement metadata"},
        {"uniformresourcelocator", "Link"},
        {"uniformresourcelocatorw", "Link"},
        {"chromium internal source url", "Provenance"},
        {"chromium internal source rfh token", "Provenance"},
        {"chromium web custom mime data format", "Unavailable app data"},
    }};
    const std::string lower = ascii_lower(name);
    for (const auto& [key, role] : roles)
        if (key == lower) return role;
    return "Raw representation";
}

std::string_view format_role(const FormatEntry& entry) { return format_role(entry.id, entry.name); }

}  // namespace cw
