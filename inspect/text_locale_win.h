#pragma once
// The system's code pages for 8-bit clipboard text, and the clipboard's CF_LOCALE.

#include <cstdint>
#include <optional>

#include "capture/retrieval_win.h"
#include "inspect/text_locale.h"

namespace cw {

class Win32CodePageSystem final : public CodePageSystem {
public:
    std::uint32_t locale_code_page(std::uint32_t lcid, CodePageKind kind) const override;
    std::uint32_t system_code_page(CodePageKind kind) const override;
    bool has_code_page(std::uint32_t code_page) const override;
    std::optional<std::string> to_utf8(std::uint32_t code_page, std::string_view bytes) const override;
};

// The LCID of the open clipboard's CF_LOCALE; none when it has no readable one.
std::optional<std::uint32_t> clipboard_locale(ClipboardHandle& clipboard);

}  // namespace cw
