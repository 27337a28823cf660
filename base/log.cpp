#include "base/log.h"

namespace cw {

std::uint64_t unix_seconds_from_filetime(std::uint64_t filetime)
{
    constexpr std::uint64_t EPOCH_1970 = 116444736000000000ULL;
    if (filetime < EPOCH_1970) return 0;
    return (filetime - EPOCH_1970) / 10000000ULL;
}

std::string format_log_line(std::uint64_t seconds, std::string_view event, std::string_view fields)
{
    std::string line = std::to_string(seconds);
    line += ' ';
    line += event;
    line += ' ';
    line += fields;
    line += '\n';
    return line;
}

}  // namespace cw
