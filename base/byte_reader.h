#pragma once
// The one way parsers read untrusted bytes: every read is bounds-checked and a short read is
// "absent", never a read past the end.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string_view>

namespace cw {

using ByteView = std::span<const std::uint8_t>;

inline ByteView as_bytes_view(std::string_view s)
{
    return ByteView(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

// Overflow-checked arithmetic for offsets, counts and sizes.
inline std::optional<std::size_t> checked_add(std::size_t a, std::size_t b)
{
    if (a > std::numeric_limits<std::size_t>::max() - b) return std::nullopt;
    return a + b;
}
inline std::optional<std::size_t> checked_mul(std::size_t a, std::size_t b)
{
    if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a) return std::nullopt;
    return a * b;
}
// True when [offset, offset + count) lies inside a block of `length` bytes.
inline bool range_fits(std::uint64_t offset, std::uint64_t count, std::uint64_t length)
{
    return count <= length && offset <= length - count;
}

// Little-endian stores into a buffer the caller sized.
inline void put_u16le(std::uint8_t* at, std::uint16_t v)
{
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put_u32le(std::uint8_t* at, std::uint32_t v)
{
    put_u16le(at, static_cast<std::uint16_t>(v));
    put_u16le(at + 2, static_cast<std::uint16_t>(v >> 16));
}

class ByteReader {
public:
    explicit ByteReader(ByteView data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    ByteView data() const { return data_; }
    bool has(std::uint64_t offset, std::uint64_t count) const { return range_fits(offset, count, data_.size()); }

    std::optional<std::uint8_t> u8(std::uint64_t off) const
    {
        if (!has(off, 1)) return std::nullopt;
        return data_[off];
    }
    std::optional<std::uint16_t> u16le(std::uint64_t off) const { return le<std::uint16_t>(off); }
    std::optional<std::uint32_t> u32le(std::uint64_t off) const { return le<std::uint32_t>(off); }
    std::optional<std::uint64_t> u64le(std::uint64_t off) const { return le<std::uint64_t>(off); }
    std::optional<std::int16_t> i16le(std::uint64_t off) const { return signed_of<std::int16_t>(u16le(off)); }
    std::optional<std::int32_t> i32le(std::uint64_t off) const { return signed_of<std::int32_t>(u32le(off)); }
    std::optional<std::int64_t> i64le(std::uint64_t off) const { return signed_of<std::int64_t>(u64le(off)); }
    std::optional<std::uint16_t> u16be(std::uint64_t off) const { return be<std::uint16_t>(off); }
    std::optional<std::uint32_t> u32be(std::uint64_t off) const { return be<std::uint32_t>(off); }

    std::optional<ByteView> slice(std::uint64_t off, std::uint64_t count) const
    {
        if (!has(off, count)) return std::nullopt;
        return data_.subspan(static_cast<std::size_t>(off), static_cast<std::size_t>(count));
    }
    // The bytes from `off` to the end (empty when `off` is past the end).
    ByteView tail(std::uint64_t off) const
    {
        if (off >= data_.size()) return {};
        return data_.subspan(static_cast<std::size_t>(off));
    }

private:
    template <typename T>
    std::optional<T> le(std::uint64_t off) const
    {
        if (!has(off, sizeof(T))) return std::nullopt;
        T v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(static_cast<T>(data_[off + i]) << (8 * i));
        return v;
    }
    template <typename T>
    std::optional<T> be(std::uint64_t off) const
    {
        if (!has(off, sizeof(T))) return std::nullopt;
        T v = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>((v << 8) | data_[off + i]);
        return v;
    }
    template <typename S, typename U>
    static std::optional<S> signed_of(std::optional<U> v)
    {
        if (!v) return std::nullopt;
        return static_cast<S>(*v);
    }

    ByteView data_;
};

}  // namespace cw
