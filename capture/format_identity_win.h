#pragma once

#include <cstdint>
#include <string>

namespace cw {

// Display name of a clipboard format: the CF_* name, the registered name, or
// "<unnamed or reserved>". Never fails.
std::string format_name(std::uint32_t id);

}  // namespace cw
