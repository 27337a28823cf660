#include "app/theme_setting.h"

#include "base/text.h"

namespace cw {

bool dark_mode_from_setting(std::optional<std::u16string_view> stored)
{
    if (!stored) return true;
    std::u16string_view value = *stored;
    // The registry may hand back data with an embedded terminator; only what precedes it counts.
    if (const std::size_t end = value.find(u'\0'); end != std::u16string_view::npos) value = value.substr(0, end);
    return ascii_lower(trim_whitespace(utf16_to_utf8(value))) != "light";
}

std::string_view theme_setting_value(bool dark_mode)
{
    return dark_mode ? "Dark" : "Light";
}

std::string_view theme_button_caption(bool dark_mode)
{
    return dark_mode ? "Light &Mode" : "Dark &Mode";
}

}  // namespace cw
