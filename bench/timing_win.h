#pragma once
// The clock of the Win32 timing tools.

#include "base/win32.h"

namespace cw::bench {

inline double seconds_since(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

}  // namespace cw::bench
