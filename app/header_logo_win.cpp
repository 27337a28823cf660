#include "app/header_logo_win.h"

#include "base/error_win.h"
#include "resources/resource_ids.h"

namespace cw {

Result<ByteView> header_logo_bytes(HMODULE module)
{
    const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(IDR_HEADER_LOGO), RT_RCDATA);
    if (!info) return last_error_or_failure();
    const DWORD size = SizeofResource(module, info);
    if (size == 0) return last_error_or_failure();
    // Resource memory belongs to the module; there is nothing to free or unlock.
    const HGLOBAL loaded = LoadResource(module, info);
    if (!loaded) return last_error_or_failure();
    const void* data = LockResource(loaded);
    if (!data) return last_error_or_failure();
    return ByteView(static_cast<const std::uint8_t*>(data), size);
}

}  // namespace cw
