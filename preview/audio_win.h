#pragma once
// The audio preview's Win32 side: the waveform bitmap, the waveOut playback with its single
// buffer, and what Play, Pause/Resume, Stop, a click on the waveform and the progress timer do.

#include <cstdint>
#include <memory>
#include <vector>

#include "base/error.h"
#include "base/handles_win.h"
#include "base/win32.h"
#include "preview/audio.h"

#include <mmsystem.h>

namespace cw {

// The audio panel's controls and the window that owns the progress timer.
struct AudioControls {
    HWND window = nullptr;
    HWND waveform = nullptr;
    HWND info = nullptr;
    HWND status = nullptr;
    HWND progress = nullptr;
    HWND play = nullptr;
    HWND pause = nullptr;
    HWND stop = nullptr;
};

// One open waveOut playback of the data from `start_offset` on, played where it lies: the
// playback shares the sound, so the bytes outlive the device. Destroying it resets the device,
// unprepares the header when it was prepared, and closes the device.
struct AudioPlayback {
    AudioPlayback() = default;
    AudioPlayback(const AudioPlayback&) = delete;
    AudioPlayback& operator=(const AudioPlayback&) = delete;
    ~AudioPlayback();

    HWAVEOUT device = nullptr;
    std::unique_ptr<WAVEHDR> header;
    std::shared_ptr<const WaveAudio> audio;
    std::uint64_t start_offset = 0;
    std::uint64_t length = 0;  // bytes handed to the device
    bool paused = false;
    bool prepared = false;
};

// What the window keeps of the audio preview.
struct AudioPreview {
    std::shared_ptr<const WaveAudio> audio;
    std::unique_ptr<AudioPlayback> playback;
    std::uint64_t play_position = 0;
    UniqueGdiObject waveform_bitmap;
};

// The waveform as a 32-bit DIB section of the control's client size (at least 100 x 60).
Result<UniqueGdiObject> render_waveform(HWND control, const WaveAudio& audio);
// A bitmap goes into the control and replaces the previous one; an error keeps the old picture.
void set_waveform_image(AudioPreview& preview, HWND control, Result<UniqueGdiObject> result);

// Shows `audio` in the panel, ready to play from the start.
void install_audio_preview(AudioPreview& preview, const AudioControls& controls,
                           std::shared_ptr<const WaveAudio> audio);
// The waveform again at the control's current size (after a layout change).
void redraw_waveform(AudioPreview& preview, const AudioControls& controls);

void start_playback(AudioPreview& preview, const AudioControls& controls);
void toggle_pause(AudioPreview& preview, const AudioControls& controls);
void stop_playback(AudioPreview& preview, const AudioControls& controls);
void close_playback(AudioPreview& preview, const AudioControls& controls);
void update_playback_progress(AudioPreview& preview, const AudioControls& controls);
void seek_to_click(AudioPreview& preview, const AudioControls& controls);

}  // namespace cw
