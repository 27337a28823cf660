// A DIB from any process becomes a BMP whose header agrees with the DIB, or one of the errors.
#include <cstdlib>
#include <cstring>
#include <string>

#include "save/conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto file = cw::dib_to_bmp_file(cw::ByteView(data, size));
    if (!file.ok()) {
        const auto& m = file.error().message;
        if (!m || (*m != cw::DIB_TOO_SHORT && *m != cw::DIB_HEADER_INVALID && *m != cw::DIB_PIXEL_OFFSET_INVALID))
            std::abort();
        return 0;
    }
    const cw::ByteReader bmp(cw::as_bytes_view(*file));
    if (file->size() != size + cw::BMP_FILE_HEADER_SIZE || file->compare(0, 2, "BM") != 0) std::abort();
    if (bmp.u32le(2) != file->size() || *bmp.u32le(10) >= file->size()) std::abort();
    if (std::memcmp(file->data() + cw::BMP_FILE_HEADER_SIZE, data, size) != 0) std::abort();
    return 0;
}
