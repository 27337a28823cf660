#pragma once
// The yardstick of every benchmark here: a plain memcpy of the same bytes.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

inline void copy_bench(benchmark::State& state, const std::vector<std::uint8_t>& source)
{
    std::vector<std::uint8_t> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
