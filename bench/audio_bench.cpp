// The WAVE parser and the waveform's column peaks on a payload at the 256 MiB read cap, against
// a plain memcpy of the same bytes. The peaks read a few hundred frames per column, so they
// should cost a small fraction of one pass over the data.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/copy_bench.h"
#include "capture/retrieval.h"
#include "preview/audio.h"

namespace {

// A canonical 44-byte header and 16-bit stereo samples up to the cap.
const std::vector<std::uint8_t>& payload()
{
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> b(cw::LARGE_PAYLOAD_LIMIT);
        const std::uint32_t data_size = static_cast<std::uint32_t>(b.size() - 44);
        const std::uint8_t header[36] = {'R',  'I',  'F', 'F', 0,    0,    0, 0, 'W', 'A', 'V', 'E',
                                         'f',  'm',  't', ' ', 16,   0,    0, 0, 1,   0,   2,   0,
                                         0x44, 0xAC, 0,   0,   0x10, 0xB1, 2, 0, 4,   0,   16,  0};
        std::memcpy(b.data(), header, sizeof header);
        std::memcpy(b.data() + 36, "data", 4);
        std::memcpy(b.data() + 40, &data_size, 4);
        for (std::size_t i = 44; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
        return b;
    }();
    return bytes;
}

void BM_WaveMemcpy_256MiB(benchmark::State& state)
{
    copy_bench(state, payload());
}
BENCHMARK(BM_WaveMemcpy_256MiB)->Unit(benchmark::kMillisecond);

void BM_ParseWaveAudio_256MiB(benchmark::State& state)
{
    const auto& source = payload();
    for (auto _ : state) {
        auto audio = cw::parse_wave_audio(source);
        benchmark::DoNotOptimize(audio.ok());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_ParseWaveAudio_256MiB)->Unit(benchmark::kMillisecond);

void BM_WaveformPeaks_256MiB_1000Columns(benchmark::State& state)
{
    const auto audio = cw::parse_wave_audio(payload());
    for (auto _ : state) {
        auto peaks = cw::waveform_column_peaks(*audio, 1000);
        benchmark::DoNotOptimize(peaks.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * audio->data.size()));
}
BENCHMARK(BM_WaveformPeaks_256MiB_1000Columns)->Unit(benchmark::kMillisecond);

}  // namespace
