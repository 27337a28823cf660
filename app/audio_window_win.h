#pragma once
// The window's side of the audio preview: commands 1003 to 1006, the progress timer, and
// silencing the sound whenever the detail pane changes.

#include <memory>

#include "app/app_state_win.h"

namespace cw {

AudioControls audio_controls(HWND window, const AppState& state);
// Play, Pause/Resume, Stop and a click on the waveform; false for every other command.
bool on_audio_command(HWND window, AppState& state, WORD id);
void on_audio_timer(HWND window, AppState& state);
// Kills the progress timer and closes any playback; the shown sound stays ready.
void silence_audio(HWND window, AppState& state);
// As silence_audio, and forgets the sound (a new snapshot).
void drop_audio(HWND window, AppState& state);
void show_audio(HWND window, AppState& state, std::shared_ptr<const WaveAudio> audio);
void redraw_audio_waveform(HWND window, AppState& state);

}  // namespace cw
