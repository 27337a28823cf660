#pragma once
// Writes a small compound file (version 3, 512-byte sectors) whose root storage holds the given
// streams, for tests that need an OLE container such as "Embed Source" carries. Every stream is
// kept in regular sectors, so each must be at least 4096 bytes (the mini-stream cutoff).

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace cw::test {

struct CompoundStream {
    std::u16string name;
    std::string bytes;
};

inline std::string build_compound_file(std::vector<CompoundStream> streams)
{
    constexpr std::uint32_t SECTOR = 512, PER_FAT = SECTOR / 4, NONE = 0xFFFFFFFF, END = 0xFFFFFFFE,
                            FAT_MARK = 0xFFFFFFFD;
    auto sectors_for = [](std::size_t n) { return static_cast<std::uint32_t>((n + SECTOR - 1) / SECTOR); };
    for (const auto& s : streams)
        if (s.bytes.size() < 4096 || s.name.empty() || s.name.size() > 31)
            throw std::invalid_argument("stream too small for regular sectors, or a bad name");
    // Siblings form one right-leaning chain in the format's order: shorter names first, then by
    // upper-cased name.
    auto upper = [](std::u16string n) {
        for (auto& c : n)
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        return n;
    };
    std::sort(streams.begin(), streams.end(), [&](const CompoundStream& a, const CompoundStream& b) {
        if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
        return upper(a.name) < upper(b.name);
    });

    const std::uint32_t dir_sectors = sectors_for((streams.size() + 1) * 128);
    std::uint32_t data_sectors = 0;
    for (const auto& s : streams) data_sectors += sectors_for(s.bytes.size());
    std::uint32_t fat_sectors = 1;
    while (fat_sectors * PER_FAT < fat_sectors + dir_sectors + data_sectors) ++fat_sectors;
    if (fat_sectors > 109) throw std::invalid_argument("too large for a header-only DIFAT");
    const std::uint32_t total = fat_sectors + dir_sectors + data_sectors;

    std::string file((std::size_t{total} + 1) * SECTOR, '\0');
    auto put = [&](std::size_t at, std::uint64_t v, int width) {
        for (int i = 0; i < width; ++i) file[at + i] = static_cast<char>(v >> (8 * i));
    };
    auto sector_at = [&](std::uint32_t s) { return (std::size_t{s} + 1) * SECTOR; };

    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (int i = 0; i < 8; ++i) file[i] = static_cast<char>(signature[i]);
    put(24, 0x003E, 2);
    put(26, 3, 2);
    put(28, 0xFFFE, 2);
    put(30, 9, 2);
    put(32, 6, 2);
    put(44, fat_sectors, 4);
    put(48, fat_sectors, 4);  // the directory follows the FAT
    put(56, 4096, 4);
    put(60, END, 4);
    put(68, END, 4);
    for (std::uint32_t i = 0; i < 109; ++i) put(76 + 4 * i, i < fat_sectors ? i : NONE, 4);

    std::vector<std::uint32_t> fat(std::size_t{fat_sectors} * PER_FAT, NONE);
    for (std::uint32_t i = 0; i < fat_sectors; ++i) fat[i] = FAT_MARK;
    auto chain = [&](std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t k = 0; k < count; ++k) fat[first + k] = k + 1 < count ? first + k + 1 : END;
    };
    chain(fat_sectors, dir_sectors);

    auto dir_entry = [&](std::uint32_t id) { return sector_at(fat_sectors + id / 4) + 128 * (id % 4); };
    auto write_entry = [&](std::uint32_t id, const std::u16string& name, int type, std::uint32_t right,
                           std::uint32_t child, std::uint32_t start, std::uint64_t size) {
        const std::size_t at = dir_entry(id);
        for (std::size_t i = 0; i < name.size(); ++i) put(at + 2 * i, name[i], 2);
        put(at + 64, (name.size() + 1) * 2, 2);
        file[at + 66] = static_cast<char>(type);
        file[at + 67] = 1;  // black
        put(at + 68, NONE, 4);
        put(at + 72, right, 4);
        put(at + 76, child, 4);
        put(at + 116, start, 4);
        put(at + 120, size, 8);
    };
    for (std::uint32_t id = 0; id < dir_sectors * 4; ++id) {
        const std::size_t at = dir_entry(id);
        put(at + 68, NONE, 4);
        put(at + 72, NONE, 4);
        put(at + 76, NONE, 4);
    }
    write_entry(0, u"Root Entry", 5, NONE, streams.empty() ? NONE : 1, END, 0);

    std::uint32_t next = fat_sectors + dir_sectors;
    for (std::uint32_t i = 0; i < streams.size(); ++i) {
        const auto& s = streams[i];
        const std::uint32_t count = sectors_for(s.bytes.size());
        const std::uint32_t id = i + 1;
        write_entry(id, s.name, 2, id < streams.size() ? id + 1 : NONE, NONE, next, s.bytes.size());
        std::copy(s.bytes.begin(), s.bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(sector_at(next)));
        chain(next, count);
        next += count;
    }
    for (std::size_t i = 0; i < fat.size(); ++i)
        put(sector_at(static_cast<std::uint32_t>(i / PER_FAT)) + 4 * (i % PER_FAT), fat[i], 4);
    return file;
}

// The first bytes of a Photoshop document (signature, version 1, 3 channels, 1 x 1 pixels, 8 bits,
// RGB) padded to `size` bytes.
inline std::string photoshop_document(std::size_t size)
{
    std::string psd("8BPS\x00\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x01\x00\x00\x00\x01\x00\x08\x00\x03", 26);
    psd.resize(std::max(size, psd.size()), '\x5A');
    return psd;
}

}  // namespace cw::test
