#include "app/audio_window_win.h"

#include "app/main_controls.h"

namespace cw {

AudioControls audio_controls(HWND window, const AppState& state)
{
    return {window,
            state.control(MainControl::waveform_control),
            state.control(MainControl::audio_info_label),
            state.control(MainControl::audio_status),
            state.control(MainControl::audio_progress),
            state.control(MainControl::play_button),
            state.control(MainControl::pause_button),
            state.control(MainControl::stop_button)};
}

bool on_audio_command(HWND window, AppState& state, WORD id)
{
    const AudioControls controls = audio_controls(window, state);
    switch (id) {
        case ID_PLAY:
            start_playback(state.audio_preview, controls);
            return true;
        case ID_PAUSE:
            toggle_pause(state.audio_preview, controls);
            return true;
        case ID_STOP:
            stop_playback(state.audio_preview, controls);
            return true;
        case ID_WAVEFORM:
            seek_to_click(state.audio_preview, controls);
            return true;
        default:
            return false;
    }
}

void on_audio_timer(HWND window, AppState& state)
{
    update_playback_progress(state.audio_preview, audio_controls(window, state));
}

void silence_audio(HWND window, AppState& state)
{
    KillTimer(window, AUDIO_PROGRESS_TIMER_ID);
    close_playback(state.audio_preview, audio_controls(window, state));
}

void drop_audio(HWND window, AppState& state)
{
    silence_audio(window, state);
    state.audio_preview.audio.reset();
}

void show_audio(HWND window, AppState& state, std::shared_ptr<const WaveAudio> audio)
{
    install_audio_preview(state.audio_preview, audio_controls(window, state), std::move(audio));
}

void redraw_audio_waveform(HWND window, AppState& state)
{
    redraw_waveform(state.audio_preview, audio_controls(window, state));
}

}  // namespace cw
