#pragma once
// Appends numbers as the binary formats under test store them: `width` bytes, least significant
// first, to a std::string or a byte vector.

#include <cstdint>
#include <string>

namespace cw::test {

template <typename Bytes>
void put_le(Bytes& out, std::uint64_t v, int width)
{
    for (int i = 0; i < width; ++i) out.push_back(static_cast<typename Bytes::value_type>(v >> (8 * i)));
}

inline std::string le(std::uint64_t v, int width)
{
    std::string s;
    put_le(s, v, width);
    return s;
}

}  // namespace cw::test
