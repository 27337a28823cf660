#pragma once
// Win32 side of the error model: last-error capture and the system's message texts.

#include <cstdint>
#include <string>

#include "base/error.h"

namespace cw {

// The thread's last-error code as an Error, for a call that has just failed. It never reads as
// success: when the call left no last-error value (GlobalSize, GlobalLock and GDI calls may), the
// code is E_FAIL, or `unset_code` where the caller names its own.
Error last_error_or_failure();
Error last_error_or_failure(std::int32_t unset_code);

// The system's text for an HRESULT or Win32 code, without its trailing line break; empty when
// the system has none.
std::string system_message(std::uint32_t code);

// "{message} (0x%08X)", or the code alone when nothing describes it.
std::string error_display(const Error& error);

// "{system text} (os error N)" for a Win32 error code.
std::string file_error_text(std::uint32_t win32_code);

}  // namespace cw
