#include "save/embedded_object.h"

#include "libs/cfb/cfb.h"

namespace cw {

std::optional<std::string> read_compound_root_stream(ByteView file, std::string_view stream)
{
    if (!cfb::has_signature(file)) return std::nullopt;
    // Borrowed, not copied: the container can be as large as the clipboard block.
    auto container = cfb::CompoundFile::open(file);
    if (!container) return std::nullopt;
    std::string path = "/";
    path += stream;
    auto entry = container->open_stream(path);
    if (!entry) return std::nullopt;
    auto bytes = container->read(*entry);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

}  // namespace cw
