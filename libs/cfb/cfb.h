#pragma once
// A small read-only reader for compound files (OLE structured storage): open one from bytes in
// memory, walk its entries, read a stream. It knows nothing of where the bytes came from.
//
// `CompoundFile::open` either borrows the bytes (a span: it keeps a view, never a copy, and the
// caller keeps them alive and unchanged while the CompoundFile is used) or takes them over (a
// vector moved in, a temporary included: no copy either). Everything else the reader builds (allocation tables,
// directory, entry list) is bounded by the size of those bytes, whatever their header claims.
//
// Error texts are complete English sentences, meant to be shown to a user as they are.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace cfb {

struct Error {
    std::string message;
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

enum class EntryKind { root, storage, stream };

// "root", "storage" or "stream".
std::string_view kind_name(EntryKind kind);

struct Entry {
    EntryKind kind = EntryKind::stream;
    // The name as UTF-8 (invalid UTF-16 becomes U+FFFD); control characters such as the 0x01 of
    // "\x01CompObj" are kept. The root's name is whatever the file stores, usually "Root Entry".
    std::string name;
    // "/" for the root, otherwise the names from the root joined by "/", e.g. "/ObjectPool/_1/Ole".
    // An entry without a name shows as "(unnamed)" in paths; path lookup never matches that text.
    std::string path;
    // Streams: their length in bytes. Storages: 0. Root: the length of the mini stream it holds.
    // Files with 512-byte sectors keep only the low 32 bits: old writers left the high half
    // uninitialised, and the format tells readers to ignore it there.
    std::uint64_t size = 0;
    // The entry's index in the file's directory; `read` uses it to find the entry again.
    std::uint32_t id = 0;
};

// True when the bytes begin with the 8-byte compound-file signature D0 CF 11 E0 A1 B1 1A E1.
bool has_signature(std::span<const std::uint8_t> bytes);

// The reads the format is built from, for readers of the streams inside it as well.

// The unsigned little-endian integer of `width` bytes (at most 8) at `offset`; none when the bytes
// end first.
inline std::optional<std::uint64_t> read_le(std::span<const std::uint8_t> bytes, std::uint64_t offset,
                                            std::size_t width)
{
    if (width > bytes.size() || offset > bytes.size() - width) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= std::uint64_t{bytes[offset + i]} << (8 * i);
    return value;
}
inline std::optional<std::uint16_t> u16_at(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    const auto value = read_le(bytes, offset, 2);
    return value ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*value)) : std::nullopt;
}
inline std::optional<std::uint32_t> u32_at(std::span<const std::uint8_t> bytes, std::uint64_t offset)
{
    const auto value = read_le(bytes, offset, 4);
    return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
}

// One code point as UTF-8.
void append_utf8(std::string& out, char32_t c);
// UTF-16LE code units (2 bytes each; an odd last byte is ignored) as UTF-8; unpaired surrogates
// become U+FFFD.
void append_utf16le(std::string& out, std::span<const std::uint8_t> units);

class CompoundFile {
public:
    // Checks the header, loads the allocation tables and the directory, and walks the directory
    // tree. Damage confined to one part does not stop the open (see `warnings`): reads that need
    // the damaged part fail with the reason instead.
    static Result<CompoundFile> open(std::span<const std::uint8_t> bytes);
    static Result<CompoundFile> open(std::vector<std::uint8_t>&& bytes);

    CompoundFile(CompoundFile&&) noexcept;
    CompoundFile& operator=(CompoundFile&&) noexcept;
    ~CompoundFile();

    // Major version from the header (3 or 4) and the sector size actually used (512 or 4096);
    // a few writers pair version 3 with 4096-byte sectors, which is accepted.
    int major_version() const;
    std::uint32_t sector_size() const;

    // Every entry reachable from the root, in pre-order: the root first, then each storage followed
    // by its contents. Siblings keep the directory's tree order (the format's name order: shorter
    // names first, then by upper-cased name).
    const std::vector<Entry>& entries() const;

    // What the reader had to leave out while opening, one sentence each (at most 33): directory
    // links it skipped because they led nowhere valid or back into the tree, FAT sectors missing
    // from a truncated file, a mini stream that cannot be used. Empty for a sound file.
    const std::vector<std::string>& warnings() const;

    // The entry at an absolute path such as "/ObjectPool/_1234/Ole10Native". Names compare
    // without regard to case, as the format does (an exact match wins over a folded one).
    Result<Entry> find(std::string_view path) const;
    // As `find`, but only a stream is accepted.
    Result<Entry> open_stream(std::string_view path) const;

    // The whole stream. Fails when the stream's size cannot fit the file or its chain is broken.
    Result<std::vector<std::uint8_t>> read(const Entry& stream) const;
    // At most the first `max_bytes` bytes; only the sectors that hold them are visited.
    Result<std::vector<std::uint8_t>> read_prefix(const Entry& stream, std::uint64_t max_bytes) const;
    // `open_stream` followed by `read`.
    Result<std::vector<std::uint8_t>> read_stream(std::string_view path) const;

private:
    struct Impl;
    explicit CompoundFile(std::unique_ptr<Impl> impl);
    static Result<CompoundFile> open_impl(std::unique_ptr<Impl> impl, std::span<const std::uint8_t> bytes);
    std::unique_ptr<Impl> impl_;
};

}  // namespace cfb
