#pragma once
// The questions asked about items that clipboard data names as the subject of a transfer (a
// dropped path, a Photoshop source document). Such paths come from another process: a device,
// pipe or reserved name is never opened or queried and counts as unavailable, and an online-only
// cloud file is never read, because reading it would download it.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/file_probe.h"

namespace cw {

// The reason a device path counts as unavailable (its error code is 0: nothing was asked).
inline constexpr std::string_view DEVICE_PATH_REFUSED =
    "The path names a device, pipe or reserved name rather than a file, so it was not opened.";

// FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS, FILE_ATTRIBUTE_RECALL_ON_OPEN and FILE_ATTRIBUTE_OFFLINE.
inline constexpr std::uint32_t ONLINE_ONLY_ATTRIBUTES = 0x00400000U | 0x00040000U | 0x1000U;

inline constexpr std::string_view ONLINE_ONLY_LABEL = "Not sampled: online-only file";

// The probe's metadata, or an unavailable item carrying DEVICE_PATH_REFUSED for a device path.
PathMetadata probe_item_metadata(const FileProbe& probe, std::string_view path, bool follow_links);

// "{system text} (os error {code})" for a failed query, or the program's own reason when nothing
// was asked.
std::string item_error_display(const PathMetadata& metadata);

// The signature label of a disk file's first `n` bytes: one read through the probe, or the
// empty-sample label when it fails; never read for an online-only file.
std::string item_signature_label(const FileProbe& probe, std::string_view path, std::size_t n);

// The server a UNC path addresses ("\\server\share\..." or "\\?\UNC\server\share\..."),
// ASCII lower-cased; empty for any other path.
std::string unc_host(std::string_view path);

// The probe of one report over many paths. A server that did not answer is not asked again: each
// attempt can cost the network's time-out, so its other paths count as unavailable with the same
// error without being opened. A share that answered "not found" or "denied" is asked as usual.
class OncePerHostProbe final : public FileProbe {
public:
    explicit OncePerHostProbe(const FileProbe& probe) : probe_(probe) {}
    PathMetadata metadata(std::string_view path, bool follow_links) const override;
    std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view path, std::size_t n) const override;
    std::optional<std::uint32_t> attributes(std::string_view path) const override;

private:
    const PathMetadata* silent_host(std::string_view path) const;

    const FileProbe& probe_;
    mutable std::map<std::string, PathMetadata> silent_hosts_;
};

}  // namespace cw
