#pragma once
// The diagnostic log: one line per event, "{seconds} {event} {fields}" and a line feed, in
// LOCALAPPDATA\Tindrel\Clipwright\Logs\clipwright.log with one previous generation. Logging never
// fails visibly.

#include <cstdint>
#include <string>
#include <string_view>

#include "clipwright_version.h"

namespace cw {

inline constexpr std::uint64_t LOG_ROTATE_BYTES = 262144;
inline constexpr std::string_view STARTUP_LOG_FIELDS =
    "version=" CLIPWRIGHT_RELEASE_TEXT " build=" CLIPWRIGHT_BUILD_TEXT;

// Whole seconds since 1970 from a FILETIME value (100 ns units since 1601); 0 before 1970.
std::uint64_t unix_seconds_from_filetime(std::uint64_t filetime);

// One log line, LF-terminated; fields are written verbatim.
std::string format_log_line(std::uint64_t seconds, std::string_view event, std::string_view fields);

// True when a log of `size` bytes must be moved aside before the next line.
inline bool log_needs_rotation(std::uint64_t size) { return size >= LOG_ROTATE_BYTES; }

// Writes one event (Win32 only). Every failure drops the event silently.
void log_event(std::string_view event, std::string_view fields);

}  // namespace cw
