#include "preview/audio.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace cw {

namespace {

bool tag_at(const ByteReader& r, std::uint64_t offset, std::string_view tag)
{
    const auto bytes = r.slice(offset, 4);
    return bytes && std::equal(tag.begin(), tag.end(), bytes->begin(),
                               [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// The body of a "fmt " chunk of at least 16 bytes.
WaveFormat read_format(ByteView body)
{
    const ByteReader r(body);
    WaveFormat f;
    f.format_tag = *r.u16le(0);
    f.channels = *r.u16le(2);
    f.samples_per_sec = *r.u32le(4);
    f.avg_bytes_per_sec = *r.u32le(8);
    f.block_align = *r.u16le(12);
    f.bits_per_sample = *r.u16le(14);
    f.cb_size = r.u16le(16).value_or(0);
    const ByteView extension = r.tail(18).first(std::min<std::size_t>(f.cb_size, r.tail(18).size()));
    f.extension.assign(extension.begin(), extension.end());
    return f;
}

std::string format_name(std::uint16_t tag)
{
    switch (tag) {
        case WAVE_TAG_PCM:
            return "PCM integer";
        case WAVE_TAG_IEEE_FLOAT:
            return "IEEE float";
        case WAVE_TAG_EXTENSIBLE:
            return "WAVE extensible";
        default:
            return "compressed or application-defined";
    }
}

std::string describe(const WaveFormat& f, double duration, std::uint64_t payload_size)
{
    const std::string sep = "  |  ";
    return format_name(f.format_tag) + sep + std::to_string(f.channels) + " channel" + (f.channels == 1 ? "" : "s") +
           sep + std::to_string(f.samples_per_sec) + " Hz" + sep + std::to_string(f.bits_per_sample) + "-bit" + sep +
           format_play_time(duration) + sep + std::to_string(payload_size) + " bytes";
}

std::string zero_padded(std::uint64_t v, std::size_t width)
{
    std::string text = std::to_string(v);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}

// a * b / c without overflow for c > 0 (the quotient fits when a <= c).
std::uint64_t mul_div(std::uint64_t a, std::uint64_t b, std::uint64_t c)
{
    const unsigned __int128 q = static_cast<unsigned __int128>(a) * b / c;
    return q > std::numeric_limits<std::uint64_t>::max() ? std::numeric_limits<std::uint64_t>::max()
                                                         : static_cast<std::uint64_t>(q);
}

std::uint64_t frame_size(const WaveAudio& audio)
{
    return audio.format.block_align == 0 ? 1 : audio.format.block_align;
}

// One sample's value in -1..1 (a float may lie outside or be NaN); `p` holds the sample's bytes.
using SampleReader = double (*)(const std::uint8_t* p);

double int8_sample(const std::uint8_t* p)
{
    return (static_cast<int>(p[0]) - 128) / 128.0;
}
double int16_sample(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8))) / 32767.0;
}
double int24_sample(const std::uint8_t* p)
{
    const std::int32_t v =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) << 8) >> 8;
    return v / 8388607.0;
}
std::uint32_t u32_at(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
double int32_sample(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(u32_at(p)) * 0x1p-31;
}
double float32_sample(const std::uint8_t* p)
{
    return std::bit_cast<float>(u32_at(p));
}

// None when every sample of the format draws as silence.
SampleReader sample_reader(const WaveFormat& f)
{
    switch (sample_encoding(f)) {
        case SampleEncoding::integer:
            switch (f.bits_per_sample) {
                case 8:
                    return int8_sample;
                case 16:
                    return int16_sample;
                case 24:
                    return int24_sample;
                case 32:
                    return int32_sample;
                default:
                    return nullptr;
            }
        case SampleEncoding::ieee_float:
            return f.bits_per_sample == 32 ? float32_sample : nullptr;
        case SampleEncoding::silent:
            return nullptr;
    }
    return nullptr;
}

std::string total_text(const WaveAudio& audio)
{
    return format_play_time(audio.duration);
}

}  // namespace

Result<WaveAudio> parse_wave_audio(ByteView bytes)
{
    const ByteReader r(bytes);
    const std::uint64_t length = bytes.size();
    if (length < 12 || !tag_at(r, 0, "RIFF") || !tag_at(r, 8, "WAVE"))
        return Error::invalid_data(std::string(WAVE_NOT_RIFF_MESSAGE));

    std::optional<WaveFormat> format;
    std::optional<ByteView> data;  // copied once at the end, so repeated chunks cost nothing
    std::uint64_t offset = 12;
    while (offset <= length && length - offset >= 8) {
        const std::uint32_t size = *r.u32le(offset + 4);
        const std::uint64_t body = offset + 8;
        // A chunk cut short ends the walk; what came before it still counts.
        if (size > length - body) break;
        if (tag_at(r, offset, "fmt ") && size >= 16)
            format = read_format(*r.slice(body, size));
        else if (tag_at(r, offset, "data"))
            data = *r.slice(body, size);
        offset = body + size + (size & 1);  // cannot overflow: body + size <= length
    }
    if (!format) return Error::invalid_data(std::string(WAVE_FORMAT_MISSING_MESSAGE));
    if (!data) return Error::invalid_data(std::string(WAVE_DATA_MISSING_MESSAGE));
    if (format->channels == 0 || format->avg_bytes_per_sec == 0 || format->block_align == 0)
        return Error::invalid_data(std::string(WAVE_FORMAT_INVALID_MESSAGE));

    WaveAudio audio;
    audio.data.assign(data->begin(), data->end());
    audio.duration = static_cast<double>(audio.data.size()) / format->avg_bytes_per_sec;
    audio.description = describe(*format, audio.duration, length);
    audio.format = std::move(*format);
    return audio;
}

std::string format_play_time(double seconds)
{
    const double ms_real = std::round(std::isnan(seconds) ? 0.0 : std::max(seconds, 0.0) * 1000.0);
    // 2^64 as a double: anything at or above it saturates.
    const std::uint64_t ms = ms_real >= 18446744073709551616.0 ? std::numeric_limits<std::uint64_t>::max()
                                                               : static_cast<std::uint64_t>(ms_real);
    const std::string rest =
        zero_padded(ms / 60000 % 60, 2) + ":" + zero_padded(ms / 1000 % 60, 2) + "." + zero_padded(ms % 1000, 3);
    if (ms > 3599999) return std::to_string(ms / 3600000) + ":" + rest;
    return rest;
}

SampleEncoding sample_encoding(const WaveFormat& format)
{
    std::uint32_t tag = format.format_tag;
    if (tag == WAVE_TAG_EXTENSIBLE) {
        // WAVEFORMATEXTENSIBLE: wValidBitsPerSample, dwChannelMask, then the SubFormat GUID, whose
        // first field is the plain format tag and whose other fields are the fixed base.
        static constexpr std::uint8_t BASE_GUID_TAIL[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                                            0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        const ByteReader ext{ByteView(format.extension)};
        const auto tail = ext.slice(10, 12);
        if (format.cb_size < 22 || !tail || !std::equal(tail->begin(), tail->end(), BASE_GUID_TAIL))
            return SampleEncoding::silent;
        tag = *ext.u32le(6);
    }
    if (tag == WAVE_TAG_PCM) return SampleEncoding::integer;
    if (tag == WAVE_TAG_IEEE_FLOAT) return SampleEncoding::ieee_float;
    return SampleEncoding::silent;
}

WaveformSize waveform_size(int client_width, int client_height)
{
    return {client_width < WAVEFORM_MIN_WIDTH + 1 ? WAVEFORM_MIN_WIDTH : client_width,
            client_height < WAVEFORM_MIN_HEIGHT + 1 ? WAVEFORM_MIN_HEIGHT : client_height};
}

std::vector<float> waveform_column_peaks(const WaveAudio& audio, int width)
{
    std::vector<float> peaks(static_cast<std::size_t>(std::max(width, 0)), 0.0f);
    const SampleReader read = sample_reader(audio.format);
    const std::uint64_t align = audio.format.block_align;
    if (!read || align == 0 || width <= 0) return peaks;
    const std::uint64_t frames = audio.data.size() / align;
    const std::uint64_t sample_bytes = (audio.format.bits_per_sample + 7u) / 8u;
    const std::uint64_t size = audio.data.size();
    // Channels that start beyond a frame overlap the next frames; reading them cannot change a
    // well-formed file's picture, and skipping them keeps a hostile channel count from costing
    // more reads than the data has samples.
    const std::uint64_t channels =
        std::min<std::uint64_t>(audio.format.channels, (align + sample_bytes - 1) / sample_bytes);
    const std::uint8_t* data = audio.data.data();
    const auto w = static_cast<std::uint64_t>(width);
    for (std::uint64_t x = 0; x < w && frames > 0; ++x) {
        const std::uint64_t start = mul_div(x, frames, w);
        const std::uint64_t end = std::min(std::max(mul_div(x + 1, frames, w), start + 1), frames);
        const std::uint64_t step = std::max<std::uint64_t>(1, (end - start) / WAVEFORM_STEP_DIVISOR);
        double peak = 0.0;
        for (std::uint64_t f = start; f < end && peak < 1.0; f += step) {
            const std::uint64_t base = f * align;  // f < frames, so inside the data
            for (std::uint64_t k = 0; k < channels; ++k) {
                const std::uint64_t at = base + k * sample_bytes;
                if (!range_fits(at, sample_bytes, size)) break;  // later channels lie further out
                const double v = read(data + at);
                peak = std::max(peak, std::isnan(v) ? 1.0 : std::min(std::fabs(v), 1.0));
            }
        }
        peaks[x] = static_cast<float>(peak);
    }
    return peaks;
}

void paint_waveform(const WaveAudio& audio, int width, int height, std::span<std::uint32_t> pixels)
{
    if (width <= 0 || height <= 0 || pixels.size() / static_cast<std::size_t>(width) < static_cast<std::size_t>(height))
        return;
    const auto w = static_cast<std::size_t>(width);
    std::fill(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(w * height), WAVEFORM_BACKGROUND);
    const int centre = height / 2;
    std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(w * centre), w, WAVEFORM_CENTRE_LINE);
    if (audio.format.block_align == 0 || audio.data.size() < audio.format.block_align) return;
    const std::vector<float> peaks = waveform_column_peaks(audio, width);
    const double reach = std::max(centre - 4, 0);
    for (std::size_t x = 0; x < w; ++x) {
        const int half = static_cast<int>(std::min(static_cast<double>(peaks[x]), 1.0) * reach);
        const int top = std::max(centre - half, 0);
        const int bottom = std::min(centre + half, height - 1);
        for (int y = top; y <= bottom; ++y) pixels[static_cast<std::size_t>(y) * w + x] = WAVEFORM_BAR;
    }
}

std::uint64_t playback_start_position(std::uint64_t play_position, const WaveAudio& audio)
{
    const std::uint64_t align = frame_size(audio);
    const std::uint64_t length = audio.data.size();
    std::uint64_t p = std::min(play_position, length);
    p -= p % align;
    return length - p < align ? 0 : p;
}

std::uint64_t seek_position(std::int64_t x, std::int64_t width, const WaveAudio& audio)
{
    const std::uint64_t w = width < 2 ? 1 : static_cast<std::uint64_t>(width);
    const std::uint64_t clamped = x < 0 ? 0 : std::min(static_cast<std::uint64_t>(x), w);
    const std::uint64_t align = frame_size(audio);
    const std::uint64_t length = audio.data.size();
    const std::uint64_t byte = mul_div(clamped, length, w);
    const std::uint64_t last_frame = length >= align ? (length / align - 1) * align : 0;
    return std::min(last_frame, byte - byte % align);
}

double seconds_at(std::uint64_t position, const WaveAudio& audio)
{
    const std::uint64_t length = audio.data.size();
    if (length == 0) return 0.0;
    return static_cast<double>(std::min(length, position)) * audio.duration / static_cast<double>(length);
}

int progress_value(std::uint64_t position)
{
    return static_cast<int>(std::min<std::uint64_t>(position, std::numeric_limits<int>::max()));
}

std::vector<std::uint8_t> wave_format_block(const WaveFormat& f)
{
    const std::size_t extra = std::min<std::size_t>(f.extension.size(), 0xFFFF);
    std::vector<std::uint8_t> block;
    block.reserve(18 + extra);
    auto put16 = [&](std::uint32_t v) {
        block.push_back(static_cast<std::uint8_t>(v));
        block.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    put16(f.format_tag);
    put16(f.channels);
    put32(f.samples_per_sec);
    put32(f.avg_bytes_per_sec);
    put16(f.block_align);
    put16(f.bits_per_sample);
    put16(static_cast<std::uint32_t>(extra));
    block.insert(block.end(), f.extension.begin(), f.extension.begin() + static_cast<std::ptrdiff_t>(extra));
    return block;
}

std::string stopped_status(const WaveAudio& audio)
{
    return "Stopped  00:00.000 / " + total_text(audio);
}

std::string progress_status(bool paused, std::uint64_t position, const WaveAudio& audio)
{
    return std::string(paused ? "Paused" : "Playing") + "  " + format_play_time(seconds_at(position, audio)) + " / " +
           total_text(audio);
}

std::string finished_status(const WaveAudio& audio)
{
    return "Finished  " + total_text(audio) + " / " + total_text(audio);
}

std::string ready_status(std::uint64_t position, const WaveAudio& audio)
{
    return "Ready at " + format_play_time(seconds_at(position, audio)) + " / " + total_text(audio);
}

std::string playback_unavailable_status(unsigned code)
{
    return "Playback unavailable (waveOut error " + std::to_string(code) + ")";
}
std::string playback_preparation_failed_status(unsigned code)
{
    return "Playback preparation failed (" + std::to_string(code) + ")";
}
std::string playback_failed_status(unsigned code)
{
    return "Playback failed (" + std::to_string(code) + ")";
}

AudioButtons audio_buttons(bool have_audio, bool playback_open)
{
    return {have_audio, playback_open, playback_open};
}

}  // namespace cw
