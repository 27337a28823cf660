#pragma once
// The clock of the Win32 timing tools.

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
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

// The process's private memory (under Wine its anonymous resident pages), in bytes.
inline std::int64_t private_bytes()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<std::int64_t>(counters.PagefileUsage);
}

// The most private memory above what the process held when sampling began, polled every
// millisecond on a thread of its own until stop().
class PeakMemory {
public:
    PeakMemory()
        : base_(private_bytes()), thread_([this] {
              while (!stop_) {
                  peak_ = std::max<std::int64_t>(peak_, private_bytes() - base_);
                  Sleep(1);
              }
          })
    {
    }
    ~PeakMemory() { stop(); }
    std::int64_t stop()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return peak_;
    }

private:
    std::int64_t base_;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> peak_{0};
    std::thread thread_;
};

// How long the clipboard is open while it runs: from the first to the last sample that found it
// open, each a millisecond apart.
class ClipboardHeld {
public:
    ClipboardHeld()
        : thread_([this] {
              LARGE_INTEGER first{}, last{};
              bool seen = false;
              while (!stop_) {
                  if (GetOpenClipboardWindow()) {
                      QueryPerformanceCounter(&last);
                      if (!seen) first = last;
                      seen = true;
                  }
                  Sleep(1);
              }
              LARGE_INTEGER frequency;
              QueryPerformanceFrequency(&frequency);
              held_ = seen ? double(last.QuadPart - first.QuadPart) / double(frequency.QuadPart) : 0.0;
          })
    {
    }
    ~ClipboardHeld() { stop(); }
    double stop()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return held_;
    }

private:
    std::atomic<bool> stop_{false};
    double held_ = 0;
    std::thread thread_;
};

}  // namespace cw::bench
