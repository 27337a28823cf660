#include "capture/format_identity.h"

#include <array>
#include <utility>

#include "base/text.h"
#include "capture/clipboard_formats.h"
#include "capture/snapshot.h"

namespace cw {

std::optional<std::string_view> predefined_format_name(std::uint32_t id)
{
    static constexpr std::array<std::pair<std::uint32_t, std::string_view>, 22> names{{
        {CF_TEXT_ID, "CF_TEXT"}, {CF_BITMAP_ID, "CF_BITMAP"}, {CF_METAFILEPICT_ID, "CF_METAFILEPICT"},
        {CF_SYLK_ID, "CF_SYLK"}, {CF_DIF_ID, "CF_DIF"}, {CF_TIFF_ID, "CF_TIFF"}, {CF_OEMTEXT_ID, "CF_OEMTEXT"},
        {CF_DIB_ID, "CF_DIB"}, {CF_PALETTE_ID, "CF_PALETTE"}, {CF_PENDATA_ID, "CF_PENDATA"}, {CF_RIFF_ID, "CF_RIFF"},
        {CF_WAVE_ID, "CF_WAVE"}, {CF_UNICODETEXT_ID, "CF_UNICODETEXT"}, {CF_ENHMETAFILE_ID, "CF_ENHMETAFILE"},
        {CF_HDROP_ID, "CF_HDROP"}, {CF_LOCALE_ID, "CF_LOCALE"}, {CF_DIBV5_ID, "CF_DIBV5"},
        {CF_OWNERDISPLAY_ID, "CF_OWNERDISPLAY"}, {CF_DSPTEXT_ID, "CF_DSPTEXT"}, {CF_DSPBITMAP_ID, "CF_DSPBITMAP"},
        {CF_DSPMETAFILEPICT_ID, "CF_DSPMETAFILEPICT"}, {CF_DSPENHMETAFILE_ID, "CF_DSPENHMETAFILE"},
    }};
    for (const auto& [key, name] : names)
        if (key == id) return name;
    return std::nullopt;
}

std::string_view format_class(std::uint32_t id)
{
    if ((id >= CF_TEXT_ID && id <= CF_DIBV5_ID) || (id >= CF_OWNERDISPLAY_ID && id <= CF_DSPENHMETAFILE_ID))
        return "standard";
    if ((id & 0xFFFFFF00U) == CF_PRIVATEFIRST_ID) return "private";
    if ((id & 0xFFFFFF00U) == CF_GDIOBJFIRST_ID) return "GDI object";
    if ((id & 0xFFFFC000U) == 0xC000) return "registered";
    return "reserved";
}

std::string_view format_role(std::uint32_t id, std::string_view name)
{
    switch (id) {
        case CF_BITMAP_ID: case CF_DIB_ID: case CF_DIBV5_ID: return "Image rendition";
        case CF_METAFILEPICT_ID: case CF_ENHMETAFILE_ID: return "Metafile rendition";
        case CF_PALETTE_ID: return "Color support";
        case CF_HDROP_ID: return "Content reference";
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
