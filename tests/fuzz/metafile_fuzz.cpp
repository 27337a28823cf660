// Metafile bits from any process: the record walk stays inside them and the placeable header
// always carries its key and a checksum that matches.
#include <cstdlib>

#include "preview/metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cw::ByteView bits(data, size);
    const cw::ByteReader r(bits);
    const cw::MetafilePicture picture{r.i32le(0).value_or(8), r.i32le(4).value_or(0), r.i32le(8).value_or(0), 0};
    const auto header = cw::placeable_metafile_header(picture, bits);
    std::uint16_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= static_cast<std::uint16_t>(header[i] | header[i + 1] << 8);
    if (header[0] != 0xD7 || header[3] != 0x9A || (header[20] | header[21] << 8) != checksum) std::abort();
    const auto canvas = cw::metafile_picture_canvas(picture.x_extent, picture.y_extent);
    if (canvas.width < 1 || canvas.width > 1000 || canvas.height < 1 || canvas.height > 800) std::abort();
    return 0;
}
