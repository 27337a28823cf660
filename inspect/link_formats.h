#pragma once
// Browser link and provenance formats: the copied link target ("UniformResourceLocatorW",
// "UniformResourceLocator"), the page a copy came from ("Chromium internal source URL") and the
// renderer-frame identity Chromium attaches ("Chromium internal source RFH token").
// Nothing here fetches anything: the address is only split and explained.

#include <string_view>

#include "base/byte_reader.h"
#include "report/report.h"

namespace cw {

// Decodes the address (UTF-16 for "UniformResourceLocatorW", else 8-bit UTF-8) and splits it into
// scheme, host and path, with a hint of what the path names. Tab caption "Link".
PropertyTable analyze_url(std::string_view format_name, ByteView bytes);

// The 24-byte base::Pickle: payload size, child process ID and frame token. Tab caption
// "Chromium provenance".
PropertyTable analyze_rfh_token(ByteView bytes);

}  // namespace cw
