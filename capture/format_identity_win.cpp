#include "capture/format_identity_win.h"

#include "base/text_win.h"
#include "base/win32.h"
#include "capture/format_identity.h"

namespace cw {

std::string format_name(std::uint32_t id)
{
    if (auto fixed = predefined_format_name(id)) return std::string(*fixed);
    wchar_t buffer[FORMAT_NAME_BUFFER_CHARS] = {};
    const int n = GetClipboardFormatNameW(id, buffer, FORMAT_NAME_BUFFER_CHARS);
    if (n <= 0) return std::string(UNNAMED_FORMAT_NAME);
    return from_wide(buffer, static_cast<std::size_t>(n));
}

}  // namespace cw
