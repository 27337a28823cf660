#include "preview/audio_win.h"

#include <commctrl.h>

#include <limits>

#include "base/error_win.h"
#include "base/text_win.h"

namespace cw {

namespace {

// Failures of these cosmetic calls are ignored.
void set_text(HWND control, std::string_view text)
{
    SetWindowTextW(control, to_wide(text).c_str());
}

void set_progress(const AudioControls& c, std::uint64_t position)
{
    SendMessageW(c.progress, PBM_SETPOS, static_cast<WPARAM>(progress_value(position)), 0);
}

// A button about to be disabled hands the keyboard focus to Play, or the focus would be lost.
void enable(HWND button, bool enabled, HWND fallback)
{
    if (!enabled && GetFocus() == button && fallback && IsWindowEnabled(fallback)) SetFocus(fallback);
    EnableWindow(button, enabled ? TRUE : FALSE);
}

void update_buttons(const AudioPreview& p, const AudioControls& c)
{
    const AudioButtons b = audio_buttons(p.audio != nullptr, p.playback != nullptr);
    EnableWindow(c.play, b.play ? TRUE : FALSE);
    enable(c.pause, b.pause, c.play);
    enable(c.stop, b.stop, c.play);
}

void kill_progress_timer(const AudioControls& c)
{
    KillTimer(c.window, AUDIO_PROGRESS_TIMER_ID);
}

std::unique_ptr<AudioPlayback> open_playback(std::shared_ptr<const WaveAudio> sound, std::uint64_t start, bool paused,
                                             std::string& status)
{
    auto playback = std::make_unique<AudioPlayback>();
    const WaveAudio& audio = *sound;
    playback->audio = std::move(sound);
    playback->start_offset = start;
    playback->length = std::min<std::uint64_t>(audio.data.size() - start, std::numeric_limits<DWORD>::max());
    const std::vector<std::uint8_t> format = wave_format_block(audio.format);
    MMRESULT failure = waveOutOpen(&playback->device, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(format.data()),
                                   0, 0, CALLBACK_NULL);
    if (failure != MMSYSERR_NOERROR) {
        playback->device = nullptr;
        status = playback_unavailable_status(failure);
        return nullptr;
    }
    playback->header = std::make_unique<WAVEHDR>();
    // The device only reads the buffer.
    playback->header->lpData = reinterpret_cast<LPSTR>(const_cast<std::uint8_t*>(audio.data.data() + start));
    playback->header->dwBufferLength = static_cast<DWORD>(playback->length);
    failure = waveOutPrepareHeader(playback->device, playback->header.get(), sizeof(WAVEHDR));
    if (failure != MMSYSERR_NOERROR) {
        status = playback_preparation_failed_status(failure);
        return nullptr;  // the destructor closes the device
    }
    playback->prepared = true;
    // Paused before the first sample is written, so nothing is heard from the new place.
    playback->paused = paused && waveOutPause(playback->device) == MMSYSERR_NOERROR;
    failure = waveOutWrite(playback->device, playback->header.get(), sizeof(WAVEHDR));
    if (failure != MMSYSERR_NOERROR) {
        status = playback_failed_status(failure);
        return nullptr;  // the destructor unprepares the header and closes the device
    }
    return playback;
}

}  // namespace

AudioPlayback::~AudioPlayback()
{
    if (!device) return;
    waveOutReset(device);
    if (prepared) waveOutUnprepareHeader(device, header.get(), sizeof(WAVEHDR));
    waveOutClose(device);
}

Result<UniqueGdiObject> render_waveform(HWND control, const WaveAudio& audio)
{
    RECT client{};
    if (!GetClientRect(control, &client)) return last_error_or_failure();
    const WaveformSize size = waveform_size(client.right - client.left, client.bottom - client.top);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = -size.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return last_error_or_failure();
    const std::size_t count = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    paint_waveform(audio, size.width, size.height, std::span(static_cast<std::uint32_t*>(bits), count));
    GdiFlush();
    return bitmap;
}

void set_waveform_image(AudioPreview& preview, HWND control, Result<UniqueGdiObject> result)
{
    if (!result) return;
    UniqueGdiObject bitmap = std::move(result).value();
    const auto previous = reinterpret_cast<HGDIOBJ>(
        SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get())));
    // A static control may keep a copy of a bitmap it was given; such a copy is ours to delete.
    if (previous && previous != preview.waveform_bitmap.get()) DeleteObject(previous);
    preview.waveform_bitmap = std::move(bitmap);
}

void install_audio_preview(AudioPreview& preview, const AudioControls& controls, std::shared_ptr<const WaveAudio> audio)
{
    close_playback(preview, controls);
    preview.play_position = 0;
    set_waveform_image(preview, controls.waveform, render_waveform(controls.waveform, *audio));
    set_text(controls.info, audio->description);
    set_text(controls.status, stopped_status(*audio));
    set_text(controls.pause, PAUSE_CAPTION);
    SendMessageW(controls.progress, PBM_SETRANGE32, 0, progress_value(audio->data.size()));
    set_progress(controls, 0);
    preview.audio = std::move(audio);
    update_buttons(preview, controls);
}

void redraw_waveform(AudioPreview& preview, const AudioControls& controls)
{
    if (preview.audio)
        set_waveform_image(preview, controls.waveform, render_waveform(controls.waveform, *preview.audio));
}

namespace {

void open_at_play_position(AudioPreview& preview, const AudioControls& controls, bool paused)
{
    close_playback(preview, controls);
    if (!preview.audio) return;
    const WaveAudio& audio = *preview.audio;
    preview.play_position = playback_start_position(preview.play_position, audio);
    std::string status;
    preview.playback = open_playback(preview.audio, preview.play_position, paused, status);
    if (!preview.playback) {
        set_text(controls.status, status);
        update_buttons(preview, controls);
        return;
    }
    set_text(controls.pause, preview.playback->paused ? RESUME_CAPTION : PAUSE_CAPTION);
    update_buttons(preview, controls);
    SetTimer(controls.window, AUDIO_PROGRESS_TIMER_ID, AUDIO_PROGRESS_INTERVAL_MS, nullptr);
    update_playback_progress(preview, controls);
}

}  // namespace

void start_playback(AudioPreview& preview, const AudioControls& controls)
{
    open_at_play_position(preview, controls, false);
}

void toggle_pause(AudioPreview& preview, const AudioControls& controls)
{
    AudioPlayback* playback = preview.playback.get();
    if (!playback) return;
    if (playback->paused) {
        if (waveOutRestart(playback->device) != MMSYSERR_NOERROR) return;
        playback->paused = false;
        set_text(controls.pause, PAUSE_CAPTION);
    } else {
        if (waveOutPause(playback->device) != MMSYSERR_NOERROR) return;
        playback->paused = true;
        set_text(controls.pause, RESUME_CAPTION);
    }
}

void stop_playback(AudioPreview& preview, const AudioControls& controls)
{
    kill_progress_timer(controls);
    close_playback(preview, controls);
    set_progress(controls, 0);
    set_text(controls.pause, PAUSE_CAPTION);
    preview.play_position = 0;
    if (preview.audio) set_text(controls.status, stopped_status(*preview.audio));
}

void close_playback(AudioPreview& preview, const AudioControls& controls)
{
    if (!preview.playback) return;
    preview.playback.reset();
    update_buttons(preview, controls);
}

void update_playback_progress(AudioPreview& preview, const AudioControls& controls)
{
    AudioPlayback* playback = preview.playback.get();
    if (!playback || !preview.audio) return;
    const WaveAudio& audio = *preview.audio;
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(playback->device, &time, sizeof(time)) != MMSYSERR_NOERROR) return;
    // A device may answer in another unit; the display then waits, but the end is still noticed.
    if (time.wType == TIME_BYTES) {
        const std::uint64_t played = std::min<std::uint64_t>(playback->length, time.u.cb);
        const std::uint64_t position = playback->start_offset + played;  // both within the data
        set_progress(controls, position);
        set_text(controls.status, progress_status(playback->paused, position, audio));
    }
    if (playback->header->dwFlags & WHDR_DONE) {
        preview.play_position = audio.data.size();
        kill_progress_timer(controls);
        close_playback(preview, controls);
        set_progress(controls, audio.data.size());
        set_text(controls.status, finished_status(audio));
    }
}

void seek_to_click(AudioPreview& preview, const AudioControls& controls)
{
    if (!preview.audio) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(controls.waveform, &cursor);
    RECT client{};
    GetClientRect(controls.waveform, &client);
    const WaveAudio& audio = *preview.audio;
    const std::uint64_t p = seek_position(cursor.x, client.right - client.left, audio);
    preview.play_position = p;
    set_progress(controls, p);
    set_text(controls.status, ready_status(p, audio));
    if (!preview.playback) return;
    open_at_play_position(preview, controls, preview.playback->paused);
}

}  // namespace cw
