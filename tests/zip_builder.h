#pragma once
// Writes a ZIP archive in memory for tests of package readers: stored or deflated members, with
// sizes in the headers that may be made to lie.

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "le_writer.h"

namespace cw::test {

struct ZipMember {
    std::string name;
    std::string bytes;
    bool deflate = false;
    std::uint32_t directory_compressed_size = 0;  // what the central directory claims, when not 0
};

inline std::string deflate_raw(const std::string& data)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline std::string build_zip(const std::vector<ZipMember>& members)
{
    std::string zip, directory;
    for (const ZipMember& m : members) {
        const std::string data = m.deflate ? deflate_raw(m.bytes) : m.bytes;
        const auto crc = crc32(0, reinterpret_cast<const Bytef*>(m.bytes.data()), static_cast<uInt>(m.bytes.size()));
        const std::size_t offset = zip.size();
        auto common = [&](std::string& s, bool directory) {
            put_le(s, 20, 2);                 // version needed
            put_le(s, 0, 2);                  // flags
            put_le(s, m.deflate ? 8 : 0, 2);  // method
            put_le(s, 0, 4);                  // time and date
            put_le(s, crc, 4);
            put_le(s, directory && m.directory_compressed_size ? m.directory_compressed_size : data.size(), 4);
            put_le(s, m.bytes.size(), 4);
            put_le(s, m.name.size(), 2);
            put_le(s, 0, 2);  // extra
        };
        put_le(zip, 0x04034B50, 4);
        common(zip, false);
        zip += m.name + data;
        put_le(directory, 0x02014B50, 4);
        put_le(directory, 20, 2);  // version made by
        common(directory, true);
        put_le(directory, 0, 2);  // comment
        put_le(directory, 0, 2);  // disk
        put_le(directory, 0, 2);  // internal attributes
        put_le(directory, 0, 4);  // external attributes
        put_le(directory, offset, 4);
        directory += m.name;
    }
    const std::size_t dir_offset = zip.size();
    zip += directory;
    put_le(zip, 0x06054B50, 4);
    put_le(zip, 0, 4);
    put_le(zip, members.size(), 2);
    put_le(zip, members.size(), 2);
    put_le(zip, directory.size(), 4);
    put_le(zip, dir_offset, 4);
    put_le(zip, 0, 2);
    return zip;
}

}  // namespace cw::test
