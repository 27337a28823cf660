#include "base/error.h"

#include <cstdio>

namespace cw {

std::int32_t hresult_from_win32(std::uint32_t last_error)
{
    if (static_cast<std::int32_t>(last_error) <= 0) return static_cast<std::int32_t>(last_error);
    return static_cast<std::int32_t>((last_error & 0x0000FFFFU) | 0x80070000U);
}

Error Error::from_win32(std::uint32_t last_error) { return Error{hresult_from_win32(last_error), std::nullopt}; }

std::uint32_t Error::win32_code() const
{
    const auto u = ucode();
    return (u & 0xFFFF0000U) == 0x80070000U ? (u & 0xFFFFU) : u;
}

std::string hresult_hex(std::int32_t code)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(code));
    return buffer;
}

namespace {
std::string_view trim_trailing_space(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}
}  // namespace

std::string api_error_display(const Error& error, std::string_view system_text)
{
    // System messages end in CR LF; inside our sentences that would break the line.
    std::string_view text = error.message ? std::string_view(*error.message) : trim_trailing_space(system_text);
    if (text.empty()) return hresult_hex(error.code);
    return std::string(text) + " (" + hresult_hex(error.code) + ")";
}

std::string file_error_display(std::string_view system_text, std::uint32_t win32_code)
{
    return std::string(trim_trailing_space(system_text)) + " (os error " + std::to_string(win32_code) + ")";
}

}  // namespace cw
