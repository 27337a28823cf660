// A DIB from any process is either refused with one of the preview's messages or laid out so
// that its whole pixel array lies inside the block; the alpha path reads only that array.
#include <cstdlib>

#include "preview/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cw::ByteView dib(data, size);
    const auto layout = cw::check_dib_for_preview(dib, size);
    if (!layout) {
        const auto& m = layout.error().message;
        if (!m || (*m != cw::DIB_INCOMPLETE_TEXT && *m != cw::DIB_HEADER_INVALID_TEXT &&
                   *m != cw::DIB_PIXEL_OFFSET_INVALID_TEXT))
            std::abort();
        return 0;
    }
    if (layout->pixel_offset >= size || layout->width <= 0 || layout->rows() == 0) std::abort();
    if (layout->stride != 0 && !cw::range_fits(layout->pixel_offset, layout->stride * layout->rows(), size)) std::abort();
    if (layout->has_alpha()) {
        const auto pixels = cw::composite_dib_alpha(dib, *layout, 0xFFFFFF);
        if (pixels.size() != 4ULL * static_cast<std::uint64_t>(layout->width) * layout->rows()) std::abort();
    }
    return 0;
}
