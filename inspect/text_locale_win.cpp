#include "inspect/text_locale_win.h"

#include <climits>
#include <string>

#include "base/byte_reader.h"
#include "base/text_win.h"

namespace cw {

std::uint32_t Win32CodePageSystem::locale_code_page(std::uint32_t lcid, CodePageKind kind) const
{
    // GetLocaleInfo answers for some identifiers it does not support (falling back to a default).
    if (!IsValidLocale(lcid, LCID_SUPPORTED)) return 0;
    const LCTYPE type = kind == CodePageKind::Oem ? LOCALE_IDEFAULTCODEPAGE : LOCALE_IDEFAULTANSICODEPAGE;
    DWORD page = 0;
    const int n = GetLocaleInfoW(lcid, type | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&page),
                                 sizeof page / sizeof(wchar_t));
    return n == 0 ? 0 : page;
}

std::uint32_t Win32CodePageSystem::system_code_page(CodePageKind kind) const
{
    return kind == CodePageKind::Oem ? GetOEMCP() : GetACP();
}

bool Win32CodePageSystem::has_code_page(std::uint32_t code_page) const { return IsValidCodePage(code_page) != 0; }

std::optional<std::string> Win32CodePageSystem::to_utf8(std::uint32_t code_page, std::string_view bytes) const
{
    if (bytes.empty()) return std::string();
    if (bytes.size() > INT_MAX) return std::nullopt;
    const int length = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(code_page, 0, bytes.data(), length, wide.data(), units) != units) return std::nullopt;
    return from_wide(wide);
}

std::optional<std::uint32_t> clipboard_locale(ClipboardHandle& clipboard)
{
    Result<HANDLE> handle = clipboard.get(CF_LOCALE);
    if (!handle) return std::nullopt;
    Result<GlobalCopy> copy = copy_global_memory(*handle, 16);
    if (!copy) return std::nullopt;
    return ByteReader(ByteView(copy->bytes)).u32le(0);
}

}  // namespace cw
