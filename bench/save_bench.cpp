// The save conversions of a 64 MiB block against a plain copy: a DIB gains a file header with
// one copy, an unconverted block is passed on without one.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>

#include "save/conversion.h"

namespace {

constexpr std::size_t BLOCK_BYTES = 64 * 1024 * 1024;

const std::string& dib_block()
{
    static const std::string dib = [] {
        std::string d(BLOCK_BYTES, '\x5A');
        const unsigned char header[40] = {40, 0, 0, 0, 0, 16, 0, 0, 0, 16, 0, 0, 1, 0, 32, 0};
        std::memcpy(d.data(), header, sizeof header);
        std::memset(d.data() + 16, 0, 24);
        return d;
    }();
    return dib;
}

void BM_DibToBmp64MiB(benchmark::State& state)
{
    const std::string& dib = dib_block();
    for (auto _ : state) {
        auto file = cw::dib_to_bmp_file(cw::as_bytes_view(dib));
        if (!file.ok()) state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(file->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dib.size()));
}
BENCHMARK(BM_DibToBmp64MiB)->Unit(benchmark::kMillisecond);

void BM_Passthrough64MiB(benchmark::State& state)
{
    const std::string& block = dib_block();
    for (auto _ : state) {
        std::string copied = block;
        // Only the conversion is timed, not the copy that stands for the clipboard read.
        const auto start = std::chrono::steady_clock::now();
        auto data = cw::convert_for_save(cw::SaveConversion::Unchanged, std::move(copied), "bin");
        benchmark::DoNotOptimize(data->bytes.data());
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_Passthrough64MiB)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);

// What any conversion that needs a new buffer pays: fresh pages, then the copy.
void BM_AllocateAndCopy64MiB(benchmark::State& state)
{
    const std::string& block = dib_block();
    for (auto _ : state) {
        std::string copied = block;
        benchmark::DoNotOptimize(copied.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_AllocateAndCopy64MiB)->Unit(benchmark::kMillisecond);

void BM_Memcpy64MiB(benchmark::State& state)
{
    const std::string& block = dib_block();
    std::string target(block.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), block.data(), block.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_Memcpy64MiB)->Unit(benchmark::kMillisecond);

}  // namespace
