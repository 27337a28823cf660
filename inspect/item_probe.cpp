#include "inspect/item_probe.h"

#include "base/error.h"
#include "inspect/archived_file_probe.h"
#include "inspect/signatures.h"

namespace cw {

PathMetadata probe_item_metadata(const FileProbe& probe, std::string_view path, bool follow_links)
{
    if (is_device_path(path)) return PathMetadata{false, PathKind::OtherObject, 0, std::string(DEVICE_PATH_REFUSED), 0};
    return probe.metadata(path, follow_links);
}

std::string item_error_display(const PathMetadata& metadata)
{
    if (metadata.error_code == 0 &&
        (metadata.error_text == DEVICE_PATH_REFUSED || metadata.error_text == ARCHIVED_PATH_NOT_PROBED))
        return metadata.error_text;
    return file_error_display(metadata.error_text, metadata.error_code);
}

std::string item_signature_label(const FileProbe& probe, std::string_view path, std::size_t n)
{
    const auto attributes = probe.attributes(path);
    if (attributes && (*attributes & ONLINE_ONLY_ATTRIBUTES)) return std::string(ONLINE_ONLY_LABEL);
    const auto sample = probe_prefix(probe, path, n);
    return describe_payload_signature(sample ? ByteView(*sample) : ByteView{});
}

}  // namespace cw
