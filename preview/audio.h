#pragma once
// RIFF/WAVE payloads as the audio preview sees them: the parser, the description and time
// texts, the waveform picture's pixels, and the position arithmetic of playing and seeking.
// The waveOut device and the controls are the Win32 side's (audio_win.h).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"

namespace cw {

inline constexpr unsigned AUDIO_PROGRESS_TIMER_ID = 2001;
inline constexpr unsigned AUDIO_PROGRESS_INTERVAL_MS = 100;
inline constexpr std::uint64_t WAVEFORM_STEP_DIVISOR = 400;
inline constexpr int WAVEFORM_MIN_WIDTH = 100;
inline constexpr int WAVEFORM_MIN_HEIGHT = 60;
// Pixels of a 32-bit DIB (0x00RRGGBB).
inline constexpr std::uint32_t WAVEFORM_BACKGROUND = 0x00FFFFFF;
inline constexpr std::uint32_t WAVEFORM_CENTRE_LINE = 0x00D8D8D8;  // RGB(216, 216, 216)
inline constexpr std::uint32_t WAVEFORM_BAR = 0x002F80D0;          // RGB(47, 128, 208)

inline constexpr std::uint16_t WAVE_TAG_PCM = 1;
inline constexpr std::uint16_t WAVE_TAG_IEEE_FLOAT = 3;
inline constexpr std::uint16_t WAVE_TAG_EXTENSIBLE = 0xFFFE;

inline constexpr std::string_view WAVE_NOT_RIFF_MESSAGE = "The clipboard audio is not a RIFF/WAVE payload.";
inline constexpr std::string_view WAVE_FORMAT_MISSING_MESSAGE = "The WAVE format chunk is missing.";
inline constexpr std::string_view WAVE_DATA_MISSING_MESSAGE = "The WAVE data chunk is missing.";
inline constexpr std::string_view WAVE_FORMAT_INVALID_MESSAGE = "The WAVE format values are invalid.";
inline constexpr std::string_view AUDIO_TOO_LARGE_MESSAGE = "The audio payload is too large to preview.";

inline constexpr std::string_view PLAY_CAPTION = "&Play";
inline constexpr std::string_view PAUSE_CAPTION = "Pa&use";
inline constexpr std::string_view RESUME_CAPTION = "Res&ume";

// The fields of a "fmt " chunk. `extension` holds the bytes that follow cbSize, as many as cbSize
// announces and the chunk really holds.
struct WaveFormat {
    std::uint16_t format_tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samples_per_sec = 0;
    std::uint32_t avg_bytes_per_sec = 0;
    std::uint16_t block_align = 0;
    std::uint16_t bits_per_sample = 0;
    std::uint16_t cb_size = 0;
    std::vector<std::uint8_t> extension;
};

struct WaveAudio {
    std::vector<std::uint8_t> data;  // the last complete "data" chunk body
    std::string description;
    double duration = 0.0;  // seconds
    WaveFormat format;
};

Result<WaveAudio> parse_wave_audio(ByteView bytes);

// "{mm}:{ss}.{mmm}", or "{h}:{mm}:{ss}.{mmm}" from one hour on; negative and NaN read as 0.
std::string format_play_time(double seconds);

// How the waveform reads samples. An extensible format draws as the sub-format it names.
enum class SampleEncoding { silent, integer, ieee_float };
SampleEncoding sample_encoding(const WaveFormat& format);

// The picture's size for a control's client size: at least 100 x 60.
struct WaveformSize {
    int width = 0;
    int height = 0;
};
WaveformSize waveform_size(int client_width, int client_height);

// The largest magnitude (0 to 1) of the samples read for each of `width` columns; about
// 2 x WAVEFORM_STEP_DIVISOR frames per column at most, whatever the length.
std::vector<float> waveform_column_peaks(const WaveAudio& audio, int width);

// Paints the whole picture into a top-down 32-bit pixel buffer of width x height.
void paint_waveform(const WaveAudio& audio, int width, int height, std::span<std::uint32_t> pixels);

// Where Play starts from the stored position: on a frame boundary, and at 0 when no whole
// frame is left.
std::uint64_t playback_start_position(std::uint64_t play_position, const WaveAudio& audio);

// The byte position of a click at x in a control `width` pixels wide; the far right is the
// start of the last whole frame.
std::uint64_t seek_position(std::int64_t x, std::int64_t width, const WaveAudio& audio);

// Seconds at a byte position of the data (0 for empty data).
double seconds_at(std::uint64_t position, const WaveAudio& audio);

// The position a progress bar in bytes can show.
int progress_value(std::uint64_t position);

// The format block for waveOutOpen: the 18-byte WAVEFORMATEX, then the chunk's own extension
// bytes, with cbSize saying exactly how many follow.
std::vector<std::uint8_t> wave_format_block(const WaveFormat& format);

// The texts of the status line.
std::string stopped_status(const WaveAudio& audio);
std::string progress_status(bool paused, std::uint64_t position, const WaveAudio& audio);
std::string finished_status(const WaveAudio& audio);
std::string ready_status(std::uint64_t position, const WaveAudio& audio);
std::string playback_unavailable_status(unsigned code);
std::string playback_preparation_failed_status(unsigned code);
std::string playback_failed_status(unsigned code);

// Play works whenever there is a sound; Pause and Stop only while a playback is open.
struct AudioButtons {
    bool play = false;
    bool pause = false;
    bool stop = false;
};
AudioButtons audio_buttons(bool have_audio, bool playback_open);

}  // namespace cw
