#pragma once
// Flag words shown as the names of their set bits, in the order of a fixed table.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace cw {

using BitName = std::pair<std::uint32_t, const char*>;

// The names of the table's bits set in `value`, in table order, joined by `separator`; empty
// when none is set. Bits outside the table give no name.
inline std::string set_bit_names(std::uint32_t value, std::span<const BitName> table, std::string_view separator)
{
    std::string names;
    for (const auto& [bit, name] : table) {
        if (!(value & bit)) continue;
        if (!names.empty()) names += separator;
        names += name;
    }
    return names;
}

// Eight uppercase hexadecimal digits: how flag words are shown beside their names.
inline std::string hex8(std::uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08X", static_cast<unsigned>(value));
    return buffer;
}

}  // namespace cw
