#pragma once
// UTF-8 inside, UTF-16 at Win32 calls; wchar_t is UTF-16 on Windows.

#include <string>
#include <string_view>

#include "base/text.h"

namespace cw {

inline std::wstring to_wide(std::string_view text)
{
    const std::u16string u = utf8_to_utf16(text);
    return std::wstring(u.begin(), u.end());
}

inline std::string from_wide(std::wstring_view text)
{
    return utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

inline std::string from_wide(const wchar_t* text, std::size_t count) { return from_wide(std::wstring_view(text, count)); }

}  // namespace cw
