#pragma once

#include "inspect/file_probe.h"

namespace cw {

// Answers from the real file system; only ordinary disk files are ever opened for reading.
class Win32FileProbe final : public FileProbe {
public:
    PathMetadata metadata(std::string_view path, bool follow_links) const override;
    std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view path, std::size_t n) const override;
    std::optional<std::uint32_t> attributes(std::string_view path) const override;
};

// LCIDToLocaleName, for the CF_LOCALE report.
std::u16string system_locale_name(std::uint32_t lcid);

}  // namespace cw
