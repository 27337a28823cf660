#pragma once
// The audio panel of the real window: a tone put on the clipboard as CF_WAVE, and the reads and
// waits the audio tests share.

#include <gtest/gtest.h>

#include "base/win32.h"

#include <commctrl.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "app/main_controls.h"
#include "clipboard_fixture.h"
#include "main_window_fixture.h"

namespace cw::test {

// A 440 Hz tone as a canonical 16-bit stereo 44100 Hz WAVE payload.
inline std::vector<std::uint8_t> tone_wave(double seconds)
{
    const auto frames = static_cast<std::uint32_t>(seconds * 44100);
    const std::uint32_t data_size = frames * 4;
    std::vector<std::uint8_t> b(44 + data_size);
    const std::uint32_t fields[] = {0x46464952, 36 + data_size, 0x45564157, 0x20746D66, 16,       0x00020001,
                                    44100,      44100 * 4,      0x00100004, 0x61746164, data_size};
    std::memcpy(b.data(), fields, sizeof fields);
    for (std::uint32_t f = 0; f < frames; ++f) {
        const auto v = static_cast<std::int16_t>(12000 * std::sin(f * 2 * 3.14159265358979 * 440 / 44100));
        std::memcpy(&b[44 + f * 4], &v, 2);
        std::memcpy(&b[46 + f * 4], &v, 2);
    }
    return b;
}

class AudioWindowTest : public ::testing::Test {
protected:
    // The clipboard holds `formats`; the window opens in the simple view, whose first row
    // (the wave audio when there is one) is shown.
    void open(const std::vector<FlatFormat>& formats)
    {
        clipboard.set_flat(formats);
        window = std::make_unique<MainWindowHarness>();
    }
    MainWindowHarness& w() { return *window; }
    AudioPreview& preview() { return window->state().audio_preview; }
    std::string status() { return w().text(MainControl::audio_status); }
    int progress()
    {
        return static_cast<int>(SendMessageW(w().control(MainControl::audio_progress), PBM_GETPOS, 0, 0));
    }
    bool enabled(MainControl c) { return IsWindowEnabled(w().control(c)) != FALSE; }
    // Pumps the window's messages (the progress timer among them) until `condition` holds.
    bool wait_for(const std::function<bool()>& condition, DWORD milliseconds = 15000)
    {
        return ClipboardFixture::pump_until(condition, milliseconds);
    }
    // Puts the cursor at `x` pixels into the waveform and sends the click's command; returns
    // the control's client width.
    int click_waveform(int x)
    {
        HWND waveform = w().control(MainControl::waveform_control);
        RECT client{};
        GetClientRect(waveform, &client);
        POINT at{x, client.bottom / 2};
        ClientToScreen(waveform, &at);
        SetCursorPos(at.x, at.y);
        w().command(ID_WAVEFORM);
        return client.right;
    }

    ClipboardFixture clipboard;
    std::unique_ptr<MainWindowHarness> window;
};

}  // namespace cw::test
