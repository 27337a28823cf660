#pragma once
// The stored theme ("Theme" under the program's key in HKEY_CURRENT_USER) and the texts that
// follow from it. Dark is the default: only a value that reads "light" selects the light theme.

#include <optional>
#include <string_view>

namespace cw {

// `stored` is the REG_SZ data as read (up to its terminator), or nothing when the read failed:
// value missing, not a string, or too long for the buffer.
bool dark_mode_from_setting(std::optional<std::u16string_view> stored);

// The data written back: "Dark" or "Light".
std::string_view theme_setting_value(bool dark_mode);

// The theme button offers the other theme.
std::string_view theme_button_caption(bool dark_mode);

}  // namespace cw
