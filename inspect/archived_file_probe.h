#pragma once
// The file probe of a clipboard read from an archive: its paths name files on the machine that
// made the archive, so nothing here is asked about them and every report says so.

#include <string_view>

#include "inspect/file_probe.h"

namespace cw {

inline constexpr std::string_view ARCHIVED_PATH_NOT_PROBED = "not probed: archived clipboard";

class ArchivedFileProbe final : public FileProbe {
public:
    PathMetadata metadata(std::string_view, bool) const override
    {
        return PathMetadata{false, PathKind::OtherObject, 0, std::string(ARCHIVED_PATH_NOT_PROBED), 0};
    }
    std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view, std::size_t) const override
    {
        return std::nullopt;
    }
};

}  // namespace cw
