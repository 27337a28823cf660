// Parsing 4 MiB of tab-separated text, the largest text a table preview reads, against a plain
// copy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "preview/table_text.h"

namespace {

constexpr std::size_t TEXT_BYTES = 4 * 1024 * 1024;

const std::string& tab_separated_text()
{
    static const std::string text = [] {
        std::string t;
        t.reserve(TEXT_BYTES + 256);
        for (std::size_t row = 0; t.size() < TEXT_BYTES; ++row) {
            t += "item " + std::to_string(row) + "\t" + std::to_string(row * 37 % 1000) + ".25\tWarehouse \"North\"\t";
            t += (row % 7 == 0) ? "\"multi\nline\"" : "plain";
            t += "\t\tlast column\r\n";
        }
        t.resize(TEXT_BYTES);
        return t;
    }();
    return text;
}

void BM_ParseTabSeparated4MiB(benchmark::State& state)
{
    const std::string& text = tab_separated_text();
    for (auto _ : state) {
        auto table = cw::parse_delimited_text(text, '\t');
        benchmark::DoNotOptimize(table.rows.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseTabSeparated4MiB)->Unit(benchmark::kMillisecond);

void BM_Memcpy4MiB(benchmark::State& state)
{
    const std::string& text = tab_separated_text();
    std::string target(text.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), text.data(), text.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Memcpy4MiB)->Unit(benchmark::kMillisecond);

}  // namespace
