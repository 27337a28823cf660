#include "preview/audio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <set>

#include "corpus.h"
#include "inspect/dispatcher.h"

// The cases name only the format fields they change.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace cw {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A chunk with its size field (which may claim more than the body) and the pad byte of an odd size.
Bytes chunk(std::string_view id, const Bytes& body, std::optional<std::uint32_t> claimed = std::nullopt)
{
    Bytes b(id.begin(), id.end());
    put32(b, claimed.value_or(static_cast<std::uint32_t>(body.size())));
    b.insert(b.end(), body.begin(), body.end());
    if (!claimed && body.size() % 2) b.push_back(0);
    return b;
}

Bytes riff(const std::vector<Bytes>& chunks)
{
    Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) b.insert(b.end(), c.begin(), c.end());
    const auto size = static_cast<std::uint32_t>(b.size() - 8);
    std::memcpy(b.data() + 4, &size, 4);
    return b;
}

struct Fmt {
    std::uint16_t tag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 8000;
    std::uint16_t bits = 16;
    std::optional<std::uint16_t> align;    // channels * bytes per sample unless given
    std::optional<std::uint32_t> average;  // rate * align unless given
    std::optional<std::uint16_t> sub_format;  // makes an extensible extension of 22 bytes
};

Bytes fmt_body(const Fmt& f)
{
    const std::uint16_t align = f.align.value_or(static_cast<std::uint16_t>(f.channels * ((f.bits + 7) / 8)));
    Bytes b;
    put16(b, f.tag);
    put16(b, f.channels);
    put32(b, f.rate);
    put32(b, f.average.value_or(f.rate * align));
    put16(b, align);
    put16(b, f.bits);
    if (f.sub_format) {
        put16(b, 22);
        put16(b, f.bits);
        put32(b, 0);
        put16(b, *f.sub_format);
        for (std::uint8_t v : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
            b.push_back(v);
    }
    return b;
}

Bytes wave(const Fmt& f, const Bytes& data) { return riff({chunk("fmt ", fmt_body(f)), chunk("data", data)}); }

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
    Bytes riff_only = riff({});
    const Bytes short_fmt(fmt.begin() + 8, fmt.begin() + 22);
    Bytes not_wave = riff({fmt, data4});
    not_wave[8] = 'A';
    struct Case {
        const char* name;
        Bytes bytes;
        std::string_view error;  // empty: parses, with `data_size` bytes of data
        std::size_t data_size = 0;
    };
    const Case cases[] = {
        {"eleven bytes", Bytes(riff_only.begin(), riff_only.begin() + 11), WAVE_NOT_RIFF_MESSAGE},
        {"not WAVE", not_wave, WAVE_NOT_RIFF_MESSAGE},
        {"header only", riff_only, WAVE_FORMAT_MISSING_MESSAGE},
        {"nineteen bytes", [&] { Bytes b = riff_only; b.resize(19, 'x'); return b; }(), WAVE_FORMAT_MISSING_MESSAGE},
        {"canonical, empty data", riff({fmt, chunk("data", {})}), {}, 0},
        {"data overruns after fmt", riff({fmt, overlong_data}), WAVE_DATA_MISSING_MESSAGE},
        {"data overruns before fmt", riff({overlong_data, fmt}), WAVE_FORMAT_MISSING_MESSAGE},
        {"odd LIST chunk and its pad", riff({chunk("LIST", {7}), fmt, data4}), {}, 4},
        {"fmt of 14 bytes", riff({chunk("fmt ", short_fmt), data4}), WAVE_FORMAT_MISSING_MESSAGE},
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
    struct Case {
        Fmt fmt;
        std::size_t data_size;
        std::string description;
    };
    const Case cases[] = {
        {{.channels = 2, .rate = 44100}, 176400,
         "PCM integer  |  2 channels  |  44100 Hz  |  16-bit  |  00:01.000  |  176444 bytes"},
        {{.rate = 11025, .bits = 8}, 5513,
         "PCM integer  |  1 channel  |  11025 Hz  |  8-bit  |  00:00.500  |  5558 bytes"},
        {{.tag = 3, .channels = 2, .rate = 48000, .bits = 32}, 0,
         "IEEE float  |  2 channels  |  48000 Hz  |  32-bit  |  00:00.000  |  44 bytes"},
        {{.tag = 0xFFFE, .channels = 6, .rate = 96000, .bits = 24, .sub_format = 1}, 0,
         "WAVE extensible  |  6 channels  |  96000 Hz  |  24-bit  |  00:00.000  |  68 bytes"},
        {{.tag = 2, .bits = 4, .align = 256, .average = 4096}, 8192,
         "compressed or application-defined  |  1 channel  |  8000 Hz  |  4-bit  |  00:02.000  |  8236 bytes"},
    };
    for (const Case& c : cases) EXPECT_EQ(parsed(wave(c.fmt, Bytes(c.data_size, 0x80))).description, c.description);
}

TEST(WaveParser, KeepsTheFormatExtensionWithinTheChunk)
{
    // cbSize claims 22 bytes but the chunk holds only 6 of them.
    Bytes body = fmt_body({.tag = 0xFFFE, .sub_format = 1});
    body.resize(24);
    const WaveAudio audio = parsed(riff({chunk("fmt ", body), chunk("data", {0, 0})}));
    EXPECT_EQ(audio.format.cb_size, 22);
    EXPECT_EQ(audio.format.extension.size(), 6u);
    const Bytes block = wave_format_block(audio.format);
    ASSERT_EQ(block.size(), 24u);
    EXPECT_EQ(block[16], 6);  // cbSize says what follows, not what the chunk claimed
    EXPECT_EQ(block[17], 0);
    EXPECT_EQ(sample_encoding(audio.format), SampleEncoding::silent);

    const WaveAudio full = parsed(wave({.tag = 0xFFFE, .bits = 24, .sub_format = 3}, {}));
    EXPECT_EQ(wave_format_block(full.format).size(), 40u);
    EXPECT_EQ(wave_format_block(parsed(wave({}, {})).format).size(), 18u);
}

TEST(PlayTime, RoundsToMillisecondsAndAddsHoursFromOneHourOn)
{
    const std::pair<double, const char*> cases[] = {
        {0.0, "00:00.000"},         {-5.0, "00:00.000"},         {std::nan(""), "00:00.000"},
        {0.0005, "00:00.001"},      {61.25, "01:01.250"},        {3599.999, "59:59.999"},
        {3599.9996, "1:00:00.000"}, {61 * 60.0, "1:01:00.000"}, {100 * 3600.0 + 1, "100:00:01.000"},
        {1e300, "5124095576030:25:51.615"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(format_play_time(seconds), text) << seconds;
}

TEST(Waveform, ColumnPeaksForEachSampleEncoding)
{
    // One frame per column: full scale, about half, silence, full negative.
    struct Case {
        const char* name;
        Fmt fmt;
        Bytes data;
        std::array<float, 4> peaks;
    };
    auto f32 = [](std::initializer_list<float> values) {
        Bytes b;
        for (float v : values) {
            std::uint32_t u;
            std::memcpy(&u, &v, 4);
            put32(b, u);
        }
        return b;
    };
    const Case cases[] = {
        {"8-bit", {.bits = 8}, {255, 192, 128, 0}, {127 / 128.f, 0.5f, 0, 1}},
        {"16-bit", {}, {0xFF, 0x7F, 0x00, 0x40, 0, 0, 0x00, 0x80}, {1, 16384 / 32767.f, 0, 1}},
        {"24-bit", {.bits = 24}, {0xFF, 0xFF, 0x7F, 0, 0, 0x40, 0, 0, 0, 0, 0, 0x80}, {1, 0.5f, 0, 1}},
        {"32-bit", {.bits = 32}, {0, 0, 0, 0x40, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0x80}, {0.5f, 0.5f, 0, 1}},
        {"float", {.tag = 3, .bits = 32}, f32({0.25f, -2.0f, 0, std::nanf("")}), {0.25f, 1, 0, 1}},
        {"extensible PCM", {.tag = 0xFFFE, .bits = 24, .sub_format = 1},
         {0xFF, 0xFF, 0x7F, 0, 0, 0x40, 0, 0, 0, 0, 0, 0x80}, {1, 0.5f, 0, 1}},
        {"extensible float", {.tag = 0xFFFE, .bits = 32, .sub_format = 3}, f32({0.75f, 0, 0, -0.5f}),
         {0.75f, 0, 0, 0.5f}},
        {"extensible other", {.tag = 0xFFFE, .bits = 8, .sub_format = 2}, {255, 0, 255, 0}, {0, 0, 0, 0}},
        {"compressed", {.tag = 2, .bits = 8}, {255, 0, 255, 0}, {0, 0, 0, 0}},
        {"12-bit", {.bits = 12}, {0xFF, 0x7F, 0, 0x80, 0, 0, 0, 0}, {0, 0, 0, 0}},
        {"stereo, louder right", {.channels = 2, .bits = 8}, {128, 0, 128, 128, 192, 128, 128, 255},
         {1, 0, 0.5f, 127 / 128.f}},
    };
    for (const Case& c : cases) {
        const std::vector<float> peaks = waveform_column_peaks(parsed(wave(c.fmt, c.data)), 4);
        ASSERT_EQ(peaks.size(), 4u);
        for (int x = 0; x < 4; ++x) EXPECT_NEAR(peaks[x], c.peaks[x], 1e-4) << c.name << " column " << x;
    }
}

TEST(Waveform, ReadsAFewHundredFramesPerColumnAndNothingPastTheData)
{
    // 1,000,000 frames over 10 columns: 100,000 frames per column, step 250.
    Bytes data(1000000, 128);
    data[250 * 3] = 255;  // sampled in column 0
    data[250 * 3 + 1] = 0;  // not sampled
    data[999999] = 0;     // in the last column, but between samples
    const std::vector<float> peaks = waveform_column_peaks(parsed(wave({.bits = 8}, data)), 10);
    EXPECT_NEAR(peaks[0], 127 / 128.f, 1e-6);
    for (int x = 1; x < 10; ++x) EXPECT_EQ(peaks[x], 0) << x;

    // A channel count far beyond the block: only what a frame spans is read, and a sample that
    // would end past the data counts as silence.
    const std::vector<float> hostile =
        waveform_column_peaks(parsed(wave({.channels = 65535, .bits = 16, .align = 3}, {0, 0x80, 0, 0, 0, 0xFF})), 2);
    EXPECT_NEAR(hostile[0], 1.0f, 1e-6);
    EXPECT_NEAR(hostile[1], 0.0f, 1e-6);
}

TEST(Waveform, PaintsBarsOverTheGreyCentreLine)
{
    const int w = 100, h = 60;
    std::vector<std::uint32_t> pixels(w * h, 0x12345678);
    const WaveAudio empty = parsed(wave({}, {}));
    paint_waveform(empty, w, h, pixels);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), WAVEFORM_CENTRE_LINE), w);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), WAVEFORM_BACKGROUND), w * (h - 1));
    for (int x = 0; x < w; ++x) EXPECT_EQ(pixels[30 * w + x], WAVEFORM_CENTRE_LINE);

    // 100 frames, one per column: full scale in column 10, silence elsewhere.
    Bytes data(100, 128);
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

    EXPECT_EQ(waveform_size(50, 20).width, 100);
    EXPECT_EQ(waveform_size(101, 61).height, 61);
}

TEST(PlaybackPosition, StartsOnFramesAndSeeksWithinTheData)
{
    // 10 bytes of 4-byte frames: two whole frames and a partial one.
    const WaveAudio odd = parsed(wave({.channels = 2}, Bytes(10, 0)));
    const WaveAudio even = parsed(wave({.channels = 2}, Bytes(400, 0)));
    const WaveAudio empty = parsed(wave({.channels = 2}, {}));
    struct Seek {
        const WaveAudio* audio;
        std::int64_t x, width;
        std::uint64_t position;
    };
    const Seek seeks[] = {
        {&even, 0, 100, 0},   {&even, 50, 100, 200},  {&even, 51, 100, 204}, {&even, 100, 100, 396},
        {&even, 500, 100, 396}, {&even, -3, 100, 0},  {&even, 1, 0, 396},    {&odd, 100, 100, 4},
        {&odd, 60, 100, 4},   {&empty, 100, 100, 0},
    };
    for (const Seek& s : seeks)
        EXPECT_EQ(seek_position(s.x, s.width, *s.audio), s.position) << s.x << "/" << s.width;

    const std::tuple<const WaveAudio*, std::uint64_t, std::uint64_t> starts[] = {
        {&even, 0, 0}, {&even, 203, 200}, {&even, 400, 0}, {&even, 9999, 0}, {&odd, 10, 0}, {&odd, 7, 4}, {&empty, 0, 0},
    };
    for (const auto& [audio, stored, start] : starts) EXPECT_EQ(playback_start_position(stored, *audio), start) << stored;

    EXPECT_EQ(progress_value(std::uint64_t{1} << 40), std::numeric_limits<int>::max());
}

TEST(PlaybackStatus, TextsOfEachState)
{
    const WaveAudio audio = parsed(wave({.rate = 1000}, Bytes(5000, 0)));  // 2.5 s
    EXPECT_EQ(stopped_status(audio), "Stopped  00:00.000 / 00:02.500");
    EXPECT_EQ(progress_status(false, 2000, audio), "Playing  00:01.000 / 00:02.500");
    EXPECT_EQ(progress_status(true, 99999, audio), "Paused  00:02.500 / 00:02.500");
    EXPECT_EQ(finished_status(audio), "Finished  00:02.500 / 00:02.500");
    EXPECT_EQ(ready_status(1000, audio), "Ready at 00:00.500 / 00:02.500");
    EXPECT_EQ(playback_unavailable_status(2), "Playback unavailable (waveOut error 2)");
    EXPECT_EQ(playback_preparation_failed_status(11), "Playback preparation failed (11)");
    EXPECT_EQ(playback_failed_status(5), "Playback failed (5)");
    EXPECT_EQ(seconds_at(1, parsed(wave({}, {}))), 0.0);
}

TEST(WaveDispatch, AWholeCopyPreviewsAndACutOneIsRefused)
{
    FormatEntry entry;
    entry.id = 12;
    entry.name = "CF_WAVE";
    GlobalCopy copy;
    copy.bytes = wave({}, {1, 2});
    copy.total_size = copy.bytes.size();
    const auto whole = interpret_copied_bytes(DispatchRow::WaveAudio, entry, copy, nullptr);
    ASSERT_TRUE(whole && whole->kind == DetailReportKind::Audio && whole->audio);
    EXPECT_EQ(whole->audio->data, Bytes({1, 2}));

    copy.total_size = LARGE_PAYLOAD_LIMIT + 1;
    const auto cut = interpret_copied_bytes(DispatchRow::WaveAudio, entry, copy, nullptr);
    ASSERT_TRUE(cut && cut->kind == DetailReportKind::Unavailable);
    EXPECT_EQ(cut->error.code, E_INVALID_DATA_HR);
    EXPECT_EQ(cut->error.message.value_or(""), AUDIO_TOO_LARGE_MESSAGE);

    copy.bytes = {'R', 'I', 'F', 'F'};
    copy.total_size = 4;
    EXPECT_EQ(interpret_copied_bytes(DispatchRow::WaveAudio, entry, copy, nullptr)->error.message.value_or(""),
              WAVE_NOT_RIFF_MESSAGE);
}

// Every real file parses to its expected result, keeps no more than it was given, and draws.
TEST(WaveParser, CorpusFiles)
{
    CW_REQUIRE_CORPUS();
    const std::map<std::string, std::string> expected = {
        {"hound/pcmwaveformat-16bit-44100Hz-mono-extra.wav", "PCM integer  |  1 channel  |  44100 Hz  |  16-bit  |  00:00.000  |  86 bytes"},
        {"hound/pcmwaveformat-16bit-44100Hz-mono.wav", "PCM integer  |  1 channel  |  44100 Hz  |  16-bit  |  00:00.000  |  52 bytes"},
        {"hound/pcmwaveformat-8bit-44100Hz-mono.wav", "PCM integer  |  1 channel  |  44100 Hz  |  8-bit  |  00:00.000  |  48 bytes"},
        {"hound/nonstandard-02.wav", "WAVE extensible  |  2 channels  |  48000 Hz  |  32-bit  |  00:00.000  |  84 bytes"},
        {"hound/pcmwaveformat-24bit-4byte-48kHz-stereo.wav", "PCM integer  |  2 channels  |  48000 Hz  |  24-bit  |  00:00.000  |  60 bytes"},
        {"hound/waveformatextensible-24bit-192kHz-mono.wav", "WAVE extensible  |  1 channel  |  192000 Hz  |  24-bit  |  00:00.000  |  80 bytes"},
        {"hound/waveformatex-16bit-44100Hz-stereo.wav", "PCM integer  |  2 channels  |  44100 Hz  |  16-bit  |  00:00.000  |  62 bytes"},
        {"hound/fuzz/crash-cbd757427cea12bd8a21f86cd8cf74d98ce56bee.wav", "error: The WAVE format chunk is missing."},
        {"hound/fuzz/crash-b8447179832529c48f9c6bf17feab6337bbc78ea.wav", "error: The WAVE format chunk is missing."},
        {"hound/fuzz/crash-e5471f5b58397287b509db7d026e95f1724454f5.wav", "error: The WAVE format values are invalid."},
        {"hound/fuzz/crash-24728523ef4be15c838293b676f6853e73723bf4.wav", "error: The WAVE format chunk is missing."},
        {"hound/fuzz/crash-e879de4eb4d206c59e21f0e01def16457af80fdc.wav", "error: The WAVE format chunk is missing."},
        {"hound/fuzz/oom-48ae4cd061ff8578ad3f23dc87624bd365cf5216.wav", "error: The WAVE format chunk is missing."},
        {"hound/waveformatex-ieeefloat-44100Hz-mono.wav", "IEEE float  |  1 channel  |  44100 Hz  |  32-bit  |  00:00.000  |  62 bytes"},
        {"hound/waveformatextensible-ieeefloat-44100Hz-mono.wav", "WAVE extensible  |  1 channel  |  44100 Hz  |  32-bit  |  00:00.000  |  236 bytes"},
        {"hound/waveformatex-16bit-44100Hz-mono-extra.wav", "PCM integer  |  1 channel  |  44100 Hz  |  16-bit  |  00:00.000  |  88 bytes"},
        {"hound/pop.wav", "WAVE extensible  |  1 channel  |  44100 Hz  |  16-bit  |  00:00.002  |  268 bytes"},
        {"hound/waveformatex-8bit-11025Hz-mono.wav", "PCM integer  |  1 channel  |  11025 Hz  |  8-bit  |  00:00.000  |  50 bytes"},
        {"hound/waveformatextensible-32bit-48kHz-stereo.wav", "WAVE extensible  |  2 channels  |  48000 Hz  |  32-bit  |  00:00.000  |  84 bytes"},
        {"hound/waveformatex-16bit-44100Hz-mono.wav", "PCM integer  |  1 channel  |  44100 Hz  |  16-bit  |  00:00.000  |  54 bytes"},
        {"hound/waveformatextensible-24bit-4byte-48kHz-stereo.wav", "WAVE extensible  |  2 channels  |  48000 Hz  |  32-bit  |  00:00.000  |  84 bytes"},
        {"hound/nonstandard-01.wav", "PCM integer  |  2 channels  |  48000 Hz  |  24-bit  |  00:00.000  |  808 bytes"},
        {"scipy/test-44100Hz-2ch-32bit-float-be.wav", "error: The clipboard audio is not a RIFF/WAVE payload."},
        {"scipy/test-8000Hz-le-1ch-1byte-ulaw.wav", "compressed or application-defined  |  1 channel  |  8000 Hz  |  8-bit  |  00:00.001  |  70 bytes"},
        {"scipy/test-8000Hz-le-3ch-5S-24bit-rf64.wav", "error: The clipboard audio is not a RIFF/WAVE payload."},
        {"scipy/test-48000Hz-2ch-64bit-float-le-wavex.wav", "WAVE extensible  |  2 channels  |  48000 Hz  |  64-bit  |  00:00.010  |  7792 bytes"},
        {"scipy/test-44100Hz-2ch-32bit-float-le.wav", "IEEE float  |  2 channels  |  44100 Hz  |  32-bit  |  00:00.010  |  3586 bytes"},
        {"scipy/test-1234Hz-le-1ch-10S-20bit-extra.wav", "PCM integer  |  1 channel  |  1234 Hz  |  20-bit  |  00:00.008  |  74 bytes"},
        {"scipy/test-44100Hz-le-1ch-4bytes-early-eof-no-data.wav", "error: The WAVE data chunk is missing."},
        {"scipy/test-8000Hz-le-5ch-9S-5bit.wav", "PCM integer  |  5 channels  |  8000 Hz  |  5-bit  |  00:00.001  |  89 bytes"},
        {"scipy/test-44100Hz-le-1ch-4bytes-early-eof.wav", "error: The WAVE data chunk is missing."},
        {"scipy/test-8000Hz-le-2ch-1byteu.wav", "PCM integer  |  2 channels  |  8000 Hz  |  8-bit  |  00:00.100  |  1644 bytes"},
        {"scipy/test-44100Hz-le-1ch-4bytes.wav", "WAVE extensible  |  1 channel  |  44100 Hz  |  32-bit  |  00:00.100  |  17720 bytes"},
        {"scipy/test-8000Hz-le-3ch-5S-24bit.wav", "PCM integer  |  3 channels  |  8000 Hz  |  24-bit  |  00:00.001  |  90 bytes"},
        {"scipy/test-8000Hz-be-3ch-5S-24bit.wav", "error: The clipboard audio is not a RIFF/WAVE payload."},
        {"scipy/test-8000Hz-le-4ch-9S-12bit.wav", "PCM integer  |  4 channels  |  8000 Hz  |  12-bit  |  00:00.001  |  116 bytes"},
        {"scipy/test-8000Hz-le-3ch-5S-24bit-inconsistent.wav", "PCM integer  |  3 channels  |  8000 Hz  |  24-bit  |  00:00.001  |  90 bytes"},
        {"scipy/test-44100Hz-le-1ch-4bytes-incomplete-chunk.wav", "error: The WAVE format chunk is missing."},
        {"go-audio-wav/bwf.wav", "PCM integer  |  1 channel  |  44100 Hz  |  24-bit  |  00:00.165  |  27074 bytes"},
        {"go-audio-wav/listChunkInHeader.wav", "PCM integer  |  2 channels  |  44100 Hz  |  24-bit  |  00:00.347  |  104196 bytes"},
        {"go-audio-wav/kick.wav", "PCM integer  |  1 channel  |  22050 Hz  |  16-bit  |  00:00.203  |  9012 bytes"},
        {"go-audio-wav/dirty-kick-24b441k.wav", "PCM integer  |  2 channels  |  44100 Hz  |  24-bit  |  00:00.484  |  132136 bytes"},
        {"go-audio-wav/padded24b.wav", "PCM integer  |  1 channel  |  44100 Hz  |  24-bit  |  00:00.084  |  24908 bytes"},
        {"go-audio-wav/kick-16b441k.wav", "PCM integer  |  2 channels  |  44100 Hz  |  16-bit  |  00:00.176  |  31692 bytes"},
        {"go-audio-wav/misaligned-chunk.wav", "PCM integer  |  2 channels  |  44100 Hz  |  24-bit  |  00:12.800  |  3441572 bytes"},
        {"go-audio-wav/listinfo.wav", "PCM integer  |  1 channel  |  44100 Hz  |  16-bit  |  00:02.000  |  176720 bytes"}
    };
    // Extensible files of integer or float samples draw their samples.
    const std::set<std::string> drawn = {"hound/pop.wav", "scipy/test-44100Hz-le-1ch-4bytes.wav"};
    std::size_t seen = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpus_dir() / "audio")) {
        if (entry.path().extension() != ".wav") continue;
        ++seen;
        const Bytes bytes = test::read_file_bytes(entry.path());
        const std::string name = std::filesystem::relative(entry.path(), test::corpus_dir() / "audio").generic_string();
        Result<WaveAudio> r = parse_wave_audio(bytes);
        const std::string outcome = r.ok() ? r->description : "error: " + r.error().message.value_or("");
        const auto it = expected.find(name);
        ASSERT_NE(it, expected.end()) << name;
        EXPECT_EQ(outcome, it->second) << name;
        if (!r.ok()) continue;
        EXPECT_LE(r->data.size() + r->format.extension.size(), bytes.size()) << name;
        const std::vector<float> peaks = waveform_column_peaks(*r, 1000);
        if (drawn.count(name)) {
            EXPECT_GT(*std::max_element(peaks.begin(), peaks.end()), 0.01f) << name;
        }
    }
    EXPECT_EQ(seen, expected.size());
}

}  // namespace
}  // namespace cw
