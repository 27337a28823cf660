#include "inspect/embedded_object.h"

#include <cstddef>

#include "libs/cfb/cfb.h"

namespace cw {

namespace {

constexpr std::string_view PSD_SIGNATURE = "8BPS";
// A Photoshop file header alone is 26 bytes.
constexpr std::size_t PSD_MIN_SIZE = 26;

}  // namespace

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

bool is_photoshop_document(std::string_view bytes)
{
    return bytes.size() >= PSD_MIN_SIZE && bytes.starts_with(PSD_SIGNATURE);
}

bool holds_photoshop_document(ByteView container)
{
    const auto contents = read_compound_root_stream(container, EMBEDDED_CONTENTS_STREAM);
    return contents && is_photoshop_document(*contents);
}

}  // namespace cw
