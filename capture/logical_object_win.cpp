#include "capture/logical_object_win.h"

namespace cw {

std::string group_logical_object(const std::vector<FormatEntry>&)
{
    // No grouping is recognised yet; the recognisers arrive with the Shell and Photoshop readers.
    return {};
}

}  // namespace cw
