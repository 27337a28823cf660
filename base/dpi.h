#pragma once
// Every pixel constant is written at 96 DPI and passes through scale() for the window's DPI.

#include <cstdint>
#include <limits>

namespace cw {

inline constexpr std::uint32_t DEFAULT_DPI = 96;

// Windows reports 0 when it cannot tell; the window then lays out as at 96 DPI.
constexpr std::uint32_t effective_dpi(std::uint32_t dpi)
{
    return dpi == 0 ? DEFAULT_DPI : dpi;
}

// (dpi * v + 48) / 96 with integer division, capped to the int range. The product cannot overflow:
// |v| < 2^31 and dpi < 2^32 keep it inside a signed 64-bit value.
constexpr int scale(int v, std::uint32_t dpi)
{
    const std::int64_t scaled = (static_cast<std::int64_t>(effective_dpi(dpi)) * v + 48) / 96;
    if (scaled > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (scaled < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(scaled);
}

}  // namespace cw
