#include "base/error_win.h"

#include "base/text_win.h"
#include "base/win32.h"

namespace cw {

Error last_error_or_failure() { return last_error_or_failure(static_cast<std::int32_t>(E_FAIL)); }

Error last_error_or_failure(std::int32_t unset_code)
{
    Error error = Error::from_win32(GetLastError());
    if (error.code == 0) error.code = unset_code;
    return error;
}

std::string system_message(std::uint32_t code)
{
    if (code == 0) return {};
    wchar_t* buffer = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n != 0 && buffer) text = from_wide(buffer, n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string error_display(const Error& error)
{
    return api_error_display(error, error.message ? std::string() : system_message(error.ucode()));
}

std::string file_error_text(std::uint32_t win32_code)
{
    return file_error_display(system_message(win32_code), win32_code);
}

}  // namespace cw
