#pragma once
// The header logo's PNG bytes, carried in the executable's resources (IDR_HEADER_LOGO, RCDATA).

#include "base/byte_reader.h"
#include "base/error.h"
#include "base/win32.h"

namespace cw {

// The bytes stay valid while `module` stays loaded: for the program's own module, always.
Result<ByteView> header_logo_bytes(HMODULE module);

}  // namespace cw
