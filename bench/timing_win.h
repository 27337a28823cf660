#pragma once
// The clock of the Win32 timing tools.

#include <algorithm>
#include <utility>
#include <vector>

#include "base/win32.h"

namespace cw::bench {

inline double seconds_since(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

inline double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times.empty() ? 0 : times[times.size() / 2];
}

// The median time of `runs` calls of step(run index).
template <typename F>
double median_seconds(int runs, F&& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        step(i);
        times.push_back(seconds_since(start));
    }
    return median(std::move(times));
}

}  // namespace cw::bench
