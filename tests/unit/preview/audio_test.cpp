#include "preview/audio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "corpus.h"
#include "inspect/dispatcher.h"
#include "le_writer.h"

// The cases name only the format fields they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace cw {
namespace {

using test::put_le;

using Bytes = std::vector<std::uint8_t>;

// A chunk with its size field (which may claim more than the body) and the pad byte of an odd size.
Bytes chunk(std::string_view id, const Bytes& body, std::optional<std::uint32_t> claimed = std::nullopt)
{
    Bytes b(id.begin(), id.end());
    put_le(b, claimed.value_or(static_cast<std::uint32_t>(body.size())), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (!claimed && body.size() % 2) b.push_back(0);
    return b;
}

Bytes riff(const std::vector<Bytes>& chunks)
{
    Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) b.insert(b.end(), c.begin(), c.end());
    return b;
}

struct Fmt {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 8000;
    std::uint16_t bits = 16;
    std::optional<std::uint16_t> align;       // channels * bytes per sample unless given
    std::optional<std::uint32_t> average;     // rate * align unless given
    std::optional<std::uint16_t> sub_format;  // adds the 22-byte extensible extension
};

Bytes fmt_body(const Fmt& f)
{
    const std::uint16_t align = f.align.value_or(static_cast<std::uint16_t>(f.channels * ((f.bits + 7) / 8)));
    Bytes b;
    for (auto [v, n] : {std::pair<std::uint32_t, int>{f.tag, 2},
                        {f.channels, 2},
                        {f.rate, 4},
                        {f.average.value_or(f.rate * align), 4},
                        {align, 2},
                        {f.bits, 2}})
        put_le(b, v, n);
    if (f.sub_format) {
        put_le(b, 22, 2);
        put_le(b, f.bits, 2);
        put_le(b, 0, 4);
        put_le(b, *f.sub_format, 4);
        b.insert(b.end(), {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    }
    return b;
}

Bytes wave(const Fmt& f, const Bytes& data)
{
    return riff({chunk("fmt ", fmt_body(f)), chunk("data", data)});
}

WaveAudio parsed(const Bytes& bytes)
{
    Result<WaveAudio> r = parse_wave_audio(bytes);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().message.value_or(""));
    return r.ok() ? std::move(r).value() : WaveAudio{};
}

TEST(WaveParser, RefusesOrAcceptsEachMalformedShape)
{
    const Bytes fmt = chunk("fmt ", fmt_body({}));
    const Bytes data4 = chunk("data", {1, 2, 3, 4});
    const Bytes overlong_data = chunk("data", {1, 2}, 100);
    const Bytes riff_only = riff({});
    Bytes not_wave = riff({fmt, data4});
    not_wave[8] = 'A';
    Bytes nineteen = riff_only;
    nineteen.resize(19, 'x');
    struct Case {
        const char* name;
        Bytes bytes;
        std::string_view error;  // empty: parses, with `data_size` bytes of data
        std::size_t data_size = 0;
    };
    const Case cases[] = {
        {"eleven bytes", Bytes(riff_only.begin(), riff_only.begin() + 11), WAVE_NOT_RIFF_MESSAGE},
        {"not WAVE", not_wave, WAVE_NOT_RIFF_MESSAGE},
        {"nineteen bytes", nineteen, WAVE_FORMAT_MISSING_MESSAGE},
        {"canonical, empty data", riff({fmt, chunk("data", {})}), {}, 0},
        {"data overruns after fmt", riff({fmt, overlong_data}), WAVE_DATA_MISSING_MESSAGE},
        {"data overruns before fmt", riff({overlong_data, fmt}), WAVE_FORMAT_MISSING_MESSAGE},
        {"odd LIST chunk and its pad", riff({chunk("LIST", {7}), fmt, data4}), {}, 4},
        {"fmt of 14 bytes", riff({chunk("fmt ", Bytes(fmt.begin() + 8, fmt.begin() + 22)), data4}),
         WAVE_FORMAT_MISSING_MESSAGE},
        {"later short fmt ignored", riff({fmt, chunk("fmt ", Bytes(4, 0)), data4}), {}, 4},
        {"last data wins", riff({fmt, data4, chunk("data", {9, 9})}), {}, 2},
        {"no data", riff({fmt}), WAVE_DATA_MISSING_MESSAGE},
        {"block align 0", wave({.align = 0}, {}), WAVE_FORMAT_INVALID_MESSAGE},
        {"no channels", wave({.channels = 0, .align = 2}, {}), WAVE_FORMAT_INVALID_MESSAGE},
        {"no byte rate", wave({.average = 0}, {}), WAVE_FORMAT_INVALID_MESSAGE},
    };
    for (const Case& c : cases) {
        Result<WaveAudio> r = parse_wave_audio(c.bytes);
        if (c.error.empty()) {
            ASSERT_TRUE(r.ok()) << c.name << ": " << r.error().message.value_or("");
            EXPECT_EQ(r->data.size(), c.data_size) << c.name;
        } else {
            ASSERT_FALSE(r.ok()) << c.name;
            EXPECT_EQ(r.error().code, E_INVALID_DATA_HR) << c.name;
            EXPECT_EQ(r.error().message.value_or(""), c.error) << c.name;
        }
    }
}

TEST(WaveParser, DescribesFormatChannelsRateDepthDurationAndPayloadSize)
{
    const std::tuple<Fmt, std::size_t, std::string> cases[] = {
        {{.channels = 2, .rate = 44100},
         176400,
         "PCM integer  |  2 channels  |  44100 Hz  |  16-bit  |  00:01.000  |  176444 bytes"},
        {{.rate = 11025, .bits = 8},
         5513,
         "PCM integer  |  1 channel  |  11025 Hz  |  8-bit  |  00:00.500  |  5558 bytes"},
        {{.tag = 3, .channels = 2, .rate = 48000, .bits = 32},
         0,
         "IEEE float  |  2 channels  |  48000 Hz  |  32-bit  |  00:00.000  |  44 bytes"},
        {{.tag = 0xFFFE, .channels = 6, .rate = 96000, .bits = 24, .sub_format = 1},
         0,
         "WAVE extensible  |  6 channels  |  96000 Hz  |  24-bit  |  00:00.000  |  68 bytes"},
        {{.tag = 2, .bits = 4, .align = 256, .average = 4096},
         8192,
         "compressed or application-defined  |  1 channel  |  8000 Hz  |  4-bit  |  00:02.000  |  8236 bytes"},
    };
    for (const auto& [fmt, size, text] : cases) EXPECT_EQ(parsed(wave(fmt, Bytes(size, 0x80))).description, text);
}

// The device reads cbSize bytes after the format block: they must be the chunk's own.
TEST(WaveParser, TheDeviceFormatBlockCarriesOnlyExtensionBytesTheChunkHolds)
{
    Bytes body = fmt_body({.tag = 0xFFFE, .sub_format = 1});
    body.resize(24);  // cbSize says 22, the chunk holds 6
    const WaveAudio cut = parsed(riff({chunk("fmt ", body), chunk("data", {0, 0})}));
    const Bytes block = wave_format_block(cut.format);
    ASSERT_EQ(block.size(), 24u);
    EXPECT_EQ(block[16], 6);
    EXPECT_EQ(sample_encoding(cut.format), SampleEncoding::silent);  // no whole sub-format GUID
    EXPECT_EQ(wave_format_block(parsed(wave({.tag = 0xFFFE, .sub_format = 3}, {})).format).size(), 40u);
    EXPECT_EQ(wave_format_block(parsed(wave({}, {})).format).size(), 18u);
}

TEST(PlayTime, RoundsToMillisecondsAndAddsHoursFromOneHourOn)
{
    const std::pair<double, const char*> cases[] = {
        {0.0, "00:00.000"},         {-5.0, "00:00.000"},        {std::nan(""), "00:00.000"},
        {0.0005, "00:00.001"},      {61.25, "01:01.250"},       {3599.999, "59:59.999"},
        {3599.9996, "1:00:00.000"}, {61 * 60.0, "1:01:00.000"}, {1e300, "5124095576030:25:51.615"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(format_play_time(seconds), text) << seconds;
}

TEST(Waveform, ColumnPeaksForEachSampleEncoding)
{
    auto f32 = [](std::initializer_list<float> values) {
        Bytes b;
        for (float v : values) put_le(b, std::bit_cast<std::uint32_t>(v), 4);
        return b;
    };
    const Bytes int24 = {0xFF, 0xFF, 0x7F, 0, 0, 0x40, 0, 0, 0, 0, 0, 0x80};
    // One frame per column: full scale, about half, silence, full negative (as a magnitude).
    const std::tuple<const char*, Fmt, Bytes, std::array<float, 4>> cases[] = {
        {"8-bit", {.bits = 8}, {255, 192, 128, 0}, {127 / 128.f, 0.5f, 0, 1}},
        {"16-bit", {}, {0xFF, 0x7F, 0x00, 0x40, 0, 0, 0x00, 0x80}, {1, 16384 / 32767.f, 0, 1}},
        {"24-bit", {.bits = 24}, int24, {1, 0.5f, 0, 1}},
        {"32-bit", {.bits = 32}, {0, 0, 0, 0x40, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0x80}, {0.5f, 0.5f, 0, 1}},
        {"float", {.tag = 3, .bits = 32}, f32({0.25f, -2.0f, 0, std::nanf("")}), {0.25f, 1, 0, 1}},
        {"extensible PCM", {.tag = 0xFFFE, .bits = 24, .sub_format = 1}, int24, {1, 0.5f, 0, 1}},
        {"extensible float",
         {.tag = 0xFFFE, .bits = 32, .sub_format = 3},
         f32({0.75f, 0, 0, -0.5f}),
         {0.75f, 0, 0, 0.5f}},
        {"extensible other", {.tag = 0xFFFE, .bits = 8, .sub_format = 2}, {255, 0, 255, 0}, {0, 0, 0, 0}},
        {"compressed", {.tag = 2, .bits = 8}, {255, 0, 255, 0}, {0, 0, 0, 0}},
        {"12-bit", {.bits = 12}, {0xFF, 0x7F, 0, 0x80, 0, 0, 0, 0}, {0, 0, 0, 0}},
        {"stereo", {.channels = 2, .bits = 8}, {128, 0, 128, 128, 192, 128, 128, 255}, {1, 0, 0.5f, 127 / 128.f}},
    };
    for (const auto& [name, fmt, data, expected] : cases) {
        const std::vector<float> peaks = waveform_column_peaks(parsed(wave(fmt, data)), 4);
        for (int x = 0; x < 4; ++x) EXPECT_NEAR(peaks.at(x), expected[x], 1e-4) << name << " column " << x;
    }
}

TEST(Waveform, SamplesAboutFourHundredFramesPerColumn)
{
    Bytes data(1000000, 128);  // 100,000 frames per column of 10: every 250th frame is read
    data[250 * 3] = 255;
    data[250 * 3 + 1] = 0;
    const std::vector<float> peaks = waveform_column_peaks(parsed(wave({.bits = 8}, data)), 10);
    EXPECT_NEAR(peaks[0], 127 / 128.f, 1e-6);
    EXPECT_EQ(std::count(peaks.begin(), peaks.end(), 0.0f), 9);
}

TEST(Waveform, PaintsBarsOverTheGreyCentreLine)
{
    const int w = 100, h = 60;
    std::vector<std::uint32_t> pixels(w * h, 0x12345678);
    paint_waveform(parsed(wave({}, {})), w, h, pixels);  // no frames: white and the grey line
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), WAVEFORM_BACKGROUND), w * (h - 1));
    EXPECT_EQ(std::count(pixels.begin() + 30 * w, pixels.begin() + 31 * w, WAVEFORM_CENTRE_LINE), w);

    Bytes data(100, 128);  // one frame per column: full scale in column 10, silence elsewhere
    data[10] = 0;
    paint_waveform(parsed(wave({.bits = 8}, data)), w, h, pixels);
    auto column = [&](int x) {
        std::string c;
        for (int y = 0; y < h; ++y)
            c += pixels[y * w + x] == WAVEFORM_BAR ? 'b' : pixels[y * w + x] == WAVEFORM_BACKGROUND ? '.' : '?';
        return c;
    };
    EXPECT_EQ(column(10), std::string(4, '.') + std::string(53, 'b') + std::string(3, '.'));
    EXPECT_EQ(column(11), std::string(30, '.') + "b" + std::string(29, '.'));
}

TEST(PlaybackPosition, StartsOnFramesAndSeeksWithinTheData)
{
    const WaveAudio even = parsed(wave({.channels = 2}, Bytes(400, 0)));  // 4-byte frames
    const WaveAudio odd = parsed(wave({.channels = 2}, Bytes(10, 0)));    // two frames and a part
    const WaveAudio empty = parsed(wave({.channels = 2}, {}));
    const std::tuple<const WaveAudio*, std::int64_t, std::int64_t, std::uint64_t> seeks[] = {
        {&even, 0, 100, 0},     {&even, 50, 100, 200},  {&even, 51, 100, 204},
        {&even, 100, 100, 396}, {&even, 500, 100, 396}, {&even, -3, 100, 0},
        {&even, 1, 0, 396},     {&odd, 100, 100, 4},    {&empty, 100, 100, 0},
    };
    for (const auto& [audio, x, width, position] : seeks)
        EXPECT_EQ(seek_position(x, width, *audio), position) << x << "/" << width;
    const std::tuple<const WaveAudio*, std::uint64_t, std::uint64_t> starts[] = {
        {&even, 203, 200}, {&even, 400, 0}, {&even, 9999, 0}, {&odd, 10, 0}, {&odd, 7, 4}, {&empty, 0, 0},
    };
    for (const auto& [audio, stored, start] : starts)
        EXPECT_EQ(playback_start_position(stored, *audio), start) << stored;
}

TEST(WaveDispatch, AWholeCopyPreviewsAndACutOneIsRefused)
{
    FormatEntry entry;
    entry.id = 12;
    GlobalCopy copy{wave({}, {1, 2}), 0};
    copy.total_size = copy.bytes.size();
    const auto whole = interpret_copied_bytes(DispatchRow::WaveAudio, entry, copy, nullptr);
    ASSERT_TRUE(whole && whole->kind() == DetailReportKind::Audio && whole->as<AudioContent>().audio);
    EXPECT_EQ(whole->as<AudioContent>().audio->data, Bytes({1, 2}));
    copy.total_size = LARGE_PAYLOAD_LIMIT + 1;
    const auto cut = interpret_copied_bytes(DispatchRow::WaveAudio, entry, copy, nullptr);
    ASSERT_TRUE(cut && cut->kind() == DetailReportKind::Unavailable);
    EXPECT_EQ(cut->as<UnavailableContent>().error.code, E_INVALID_DATA_HR);
    EXPECT_EQ(cut->as<UnavailableContent>().error.message.value_or(""), AUDIO_TOO_LARGE_MESSAGE);
}

// Real files: every one parses without keeping more than it was given; the tricky ones to the
// result expected of them.
TEST(WaveParser, CorpusFiles)
{
    CW_REQUIRE_CORPUS();
    const std::map<std::string, std::string> expected = {
        {"go-audio-wav/misaligned-chunk.wav",
         "PCM integer  |  2 channels  |  44100 Hz  |  24-bit  |  00:12.800  |  3441572 bytes"},
        {"go-audio-wav/listChunkInHeader.wav",
         "PCM integer  |  2 channels  |  44100 Hz  |  24-bit  |  00:00.347  |  104196 bytes"},
        {"go-audio-wav/bwf.wav", "PCM integer  |  1 channel  |  44100 Hz  |  24-bit  |  00:00.165  |  27074 bytes"},
        {"hound/pop.wav", "WAVE extensible  |  1 channel  |  44100 Hz  |  16-bit  |  00:00.002  |  268 bytes"},
        {"hound/nonstandard-01.wav", "PCM integer  |  2 channels  |  48000 Hz  |  24-bit  |  00:00.000  |  808 bytes"},
        {"hound/waveformatex-ieeefloat-44100Hz-mono.wav",
         "IEEE float  |  1 channel  |  44100 Hz  |  32-bit  |  00:00.000  |  62 bytes"},
        {"hound/fuzz/crash-e5471f5b58397287b509db7d026e95f1724454f5.wav", "The WAVE format values are invalid."},
        {"hound/fuzz/oom-48ae4cd061ff8578ad3f23dc87624bd365cf5216.wav", "The WAVE format chunk is missing."},
        {"scipy/test-8000Hz-le-1ch-1byte-ulaw.wav",
         "compressed or application-defined  |  1 channel  |  8000 Hz  |  8-bit  |  00:00.001  |  70 bytes"},
        {"scipy/test-44100Hz-le-1ch-4bytes.wav",
         "WAVE extensible  |  1 channel  |  44100 Hz  |  32-bit  |  00:00.100  |  17720 bytes"},
        {"scipy/test-8000Hz-le-5ch-9S-5bit.wav",
         "PCM integer  |  5 channels  |  8000 Hz  |  5-bit  |  00:00.001  |  89 bytes"},
        {"scipy/test-8000Hz-le-3ch-5S-24bit-rf64.wav", "The clipboard audio is not a RIFF/WAVE payload."},
        {"scipy/test-8000Hz-be-3ch-5S-24bit.wav", "The clipboard audio is not a RIFF/WAVE payload."},
        {"scipy/test-44100Hz-le-1ch-4bytes-early-eof.wav", "The WAVE data chunk is missing."},
        {"scipy/test-44100Hz-le-1ch-4bytes-incomplete-chunk.wav", "The WAVE format chunk is missing."},
    };
    std::size_t seen = 0, checked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpus_dir() / "audio")) {
        if (entry.path().extension() != ".wav") continue;
        ++seen;
        const Bytes bytes = test::read_file_bytes(entry.path());
        const std::string name = std::filesystem::relative(entry.path(), test::corpus_dir() / "audio").generic_string();
        Result<WaveAudio> r = parse_wave_audio(bytes);
        if (r.ok()) {
            EXPECT_LE(r->data.size() + r->format.extension.size(), bytes.size()) << name;
        }
        const auto it = expected.find(name);
        if (it == expected.end()) continue;
        ++checked;
        EXPECT_EQ(r.ok() ? r->description : r.error().message.value_or(""), it->second) << name;
    }
    EXPECT_GE(seen, 40u);
    EXPECT_EQ(checked, expected.size());
    // Extensible integer samples draw as what they are.
    const std::vector<float> peaks = waveform_column_peaks(
        parsed(test::read_file_bytes(test::corpus_dir() / "audio/scipy/test-44100Hz-le-1ch-4bytes.wav")), 100);
    EXPECT_GT(*std::max_element(peaks.begin(), peaks.end()), 0.01f);
}

}  // namespace
}  // namespace cw
