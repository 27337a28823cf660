// Text decoding and hex dumps against a plain memcpy of the same bytes: the ratio shows how far
// each is from what the machine can move.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/copy_bench.h"
#include "capture/retrieval.h"
#include "inspect/dispatcher.h"
#include "inspect/text_locale.h"
#include "report/report_text.h"

namespace {

// 4 MiB of UTF-16LE prose: mostly ASCII with some Latin-1 and CJK, as copied text tends to be.
std::vector<std::uint8_t> utf16_text()
{
    const std::u16string line =
        u"Quarterly r\u00e9sum\u00e9: 42 items\tcaf\u00e9 \u65e5\u672c\u8a9e text, more words here.\r\n";
    std::vector<std::uint8_t> bytes;
    bytes.reserve(cw::RECORD_PAYLOAD_LIMIT);
    while (bytes.size() + 2 * line.size() <= cw::RECORD_PAYLOAD_LIMIT) {
        for (char16_t u : line) {
            bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(u >> 8));
        }
    }
    bytes.resize(cw::RECORD_PAYLOAD_LIMIT, 'x');  // 'x' 'x' is one more non-zero unit, never a terminator
    return bytes;
}

std::vector<std::uint8_t> preview_bytes()
{
    std::vector<std::uint8_t> bytes(cw::RAW_PREVIEW_BYTES);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return bytes;
}

void BM_DecodeUtf16Text_4MiB(benchmark::State& state)
{
    const auto bytes = utf16_text();
    for (auto _ : state) benchmark::DoNotOptimize(cw::decode_utf16_text(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_Memcpy_4MiB(benchmark::State& state)
{
    copy_bench(state, utf16_text());
}

void BM_HexDump_512B(benchmark::State& state)
{
    const auto bytes = preview_bytes();
    for (auto _ : state) benchmark::DoNotOptimize(cw::hex_dump(bytes));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_Memcpy_512B(benchmark::State& state)
{
    copy_bench(state, preview_bytes());
}

}  // namespace

BENCHMARK(BM_DecodeUtf16Text_4MiB)->Unit(benchmark::kMicrosecond);

// The whole CF_UNICODETEXT report: decoding, the text rule (this text holds TABs on many lines,
// so it becomes the tab-separated table) and the table itself.
void BM_UnicodeTextReport_4MiB(benchmark::State& state)
{
    cw::GlobalCopy copy;
    copy.bytes = utf16_text();
    copy.total_size = copy.bytes.size();
    cw::FormatEntry entry;
    entry.id = 13;
    for (auto _ : state) {
        auto report = cw::interpret_copied_bytes(cw::DispatchRow::UnicodeText, entry, copy, nullptr);
        benchmark::DoNotOptimize(report);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * copy.bytes.size()));
}
BENCHMARK(BM_UnicodeTextReport_4MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Memcpy_4MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HexDump_512B);
BENCHMARK(BM_Memcpy_512B);
