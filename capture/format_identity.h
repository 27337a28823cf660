#pragma once
// Format identity: display name, class label and role label of a clipboard format identifier.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cw {

struct FormatEntry;

inline constexpr unsigned FORMAT_NAME_BUFFER_CHARS = 512;
inline constexpr std::string_view UNNAMED_FORMAT_NAME = "<unnamed or reserved>";

// The fixed CF_* name of a predefined format, or none for every other identifier.
std::optional<std::string_view> predefined_format_name(std::uint32_t id);

// "standard", "private", "GDI object", "registered" or "reserved".
std::string_view format_class(std::uint32_t id);

// What the representation is for in a transfer, from the identifier and the name.
std::string_view format_role(std::uint32_t id, std::string_view name);
std::string_view format_role(const FormatEntry& entry);

}  // namespace cw
