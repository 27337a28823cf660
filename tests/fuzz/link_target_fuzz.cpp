// Reparse data as a link's maker wrote it: parse it and decide where a probe of a clipboard-named
// path would go next. A followed target must never be a device path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "inspect/file_probe.h"
#include "inspect/link_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto target = cw::parse_link_target(cw::ByteView(data, size));
    if (!target) return 0;
    for (std::string_view link : {R"(C:\Temp\foxit.pdf)", "foxit.pdf", R"(\\?\C:\Temp\x)"}) {
        const auto next = cw::followable_link_target(link, *target);
        if (next && cw::is_device_path(*next)) std::abort();
    }
    return 0;
}
