#include "inspect/item_probe.h"

#include <algorithm>
#include <array>

#include "base/error.h"
#include "base/text.h"
#include "inspect/archived_file_probe.h"
#include "inspect/signatures.h"

namespace cw {

namespace {

// Win32 errors that say the server or the network did not answer, rather than that a share
// answered about the item: remote computer not listening, network path not found, unexpected
// network error, network name deleted, semaphore time-out, no network or bad path, no network,
// connection refused, network unreachable, host unreachable.
constexpr std::array<std::uint32_t, 10> HOST_SILENT_ERRORS{51, 53, 59, 64, 121, 1203, 1222, 1225, 1231, 1232};

bool is_separator(char c) { return c == '\\' || c == '/'; }

}  // namespace

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

std::string unc_host(std::string_view path)
{
    if (path.size() < 3 || !is_separator(path[0]) || !is_separator(path[1])) return {};
    std::string_view rest = path.substr(2);
    if ((rest[0] == '?' || rest[0] == '.') && (rest.size() == 1 || is_separator(rest[1]))) {
        // Only the verbatim UNC form reaches a server; the other prefixes are devices or drives.
        rest.remove_prefix(std::min<std::size_t>(2, rest.size()));
        if (rest.size() < 4 || !names_equal(rest.substr(0, 3), "UNC") || !is_separator(rest[3])) return {};
        rest.remove_prefix(4);
    }
    const auto end = std::find_if(rest.begin(), rest.end(), is_separator);
    return ascii_lower(rest.substr(0, static_cast<std::size_t>(end - rest.begin())));
}

const PathMetadata* OncePerHostProbe::silent_host(std::string_view path) const
{
    if (silent_hosts_.empty()) return nullptr;
    const auto it = silent_hosts_.find(unc_host(path));
    return it == silent_hosts_.end() ? nullptr : &it->second;
}

PathMetadata OncePerHostProbe::metadata(std::string_view path, bool follow_links) const
{
    if (const PathMetadata* failed = silent_host(path)) return *failed;
    PathMetadata meta = probe_.metadata(path, follow_links);
    if (!meta.available &&
        std::find(HOST_SILENT_ERRORS.begin(), HOST_SILENT_ERRORS.end(), meta.error_code) != HOST_SILENT_ERRORS.end()) {
        std::string host = unc_host(path);
        if (!host.empty()) silent_hosts_.emplace(std::move(host), meta);
    }
    return meta;
}

std::optional<std::vector<std::uint8_t>> OncePerHostProbe::read_prefix(std::string_view path, std::size_t n) const
{
    if (silent_host(path)) return std::nullopt;
    return probe_.read_prefix(path, n);
}

std::optional<std::uint32_t> OncePerHostProbe::attributes(std::string_view path) const
{
    if (silent_host(path)) return std::nullopt;
    return probe_.attributes(path);
}

}  // namespace cw
