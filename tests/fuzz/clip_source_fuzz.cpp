// "Photoshop Clip Source" decoding and the evidence for dropped paths, against a file system whose
// answers come from the input too: device paths must never reach the probe, and an online-only
// file must never be read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "inspect/file_lists.h"
#include "inspect/item_probe.h"
#include "inspect/logical_object.h"

namespace {

class FuzzProbe final : public cw::FileProbe {
public:
    FuzzProbe(std::uint8_t mode, std::uint32_t attributes) : mode_(mode), attributes_(attributes) {}

    cw::PathMetadata metadata(std::string_view path, bool) const override
    {
        if (cw::is_device_path(path)) std::abort();
        return cw::PathMetadata{(mode_ & 0x10) == 0, static_cast<cw::PathKind>(mode_ % 4), mode_ * 977ULL,
                                "Fuzzed failure.\r\n", mode_};
    }
    std::optional<std::uint32_t> attributes(std::string_view path) const override
    {
        if (cw::is_device_path(path)) std::abort();
        if (mode_ & 0x20) return std::nullopt;
        return attributes_;
    }
    std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view path, std::size_t n) const override
    {
        if (cw::is_device_path(path)) std::abort();
        if (!(mode_ & 0x20) && (attributes_ & cw::ONLINE_ONLY_ATTRIBUTES)) std::abort();
        return std::vector<std::uint8_t>(n + 7, 0x89);  // more than asked, on purpose
    }

private:
    std::uint8_t mode_;
    std::uint32_t attributes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5) return 0;
    const FuzzProbe probe(data[0], static_cast<std::uint32_t>(data[1]) << 12 | static_cast<std::uint32_t>(data[2]) << 18);
    const cw::ByteView rest(data + 3, size - 3);
    (void)cw::analyze_clip_source(rest, probe);

    // The rest, split at zero bytes, as a drop list.
    std::vector<std::string> paths;
    std::string current;
    for (std::uint8_t b : rest) {
        if (b == 0) {
            paths.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(b));
        }
    }
    paths.push_back(current);
    if (cw::build_path_evidence(paths, probe).rows.size() != paths.size()) std::abort();
    (void)cw::explorer_transfer_object(paths, "Copy", data[0] & 1, probe);
    for (const std::string& p : paths) (void)cw::path_extension(p);
    return 0;
}
