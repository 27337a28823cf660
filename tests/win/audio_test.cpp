// The audio panel without a sound device (as on the test machines): the preview is complete,
// Play reports the device error and can be tried again, and a click only moves the position.
#include "audio_window.h"

#include "app/main_window_win.h"
#include "preview/audio.h"

namespace cw {
namespace {

class AudioPanel : public test::AudioWindowTest {};

TEST_F(AudioPanel, ShowsTheSoundAndReportsAMissingDevice)
{
    const std::vector<std::uint8_t> wave = test::tone_wave(2.0);
    open({{CF_WAVE, wave}});
    ASSERT_TRUE(w().visible(MainControl::waveform_control));
    EXPECT_FALSE(w().visible(MainControl::report_view));
    EXPECT_EQ(w().text(MainControl::audio_info_label),
              "PCM integer  |  2 channels  |  44100 Hz  |  16-bit  |  00:02.000  |  352844 bytes");
    EXPECT_EQ(status(), "Stopped  00:00.000 / 00:02.000");
    EXPECT_EQ(SendMessageW(w().control(MainControl::audio_progress), PBM_GETRANGE, FALSE, 0), 352800);

    // The picture fills the control and is the one the state owns.
    HWND waveform = w().control(MainControl::waveform_control);
    const auto shown = reinterpret_cast<HGDIOBJ>(SendMessageW(waveform, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown, preview().waveform_bitmap.get());
    BITMAP bitmap{};
    ASSERT_TRUE(GetObjectW(shown, sizeof bitmap, &bitmap));
    RECT client{};
    GetClientRect(waveform, &client);
    EXPECT_EQ(bitmap.bmWidth, client.right);
    EXPECT_EQ(bitmap.bmHeight, client.bottom);
    EXPECT_EQ(static_cast<const std::uint32_t*>(bitmap.bmBits)[(client.bottom / 2) * bitmap.bmWidth], WAVEFORM_BAR);

    EXPECT_TRUE(enabled(MainControl::play_button));
    EXPECT_FALSE(enabled(MainControl::pause_button));
    EXPECT_FALSE(enabled(MainControl::stop_button));
    for (int attempt = 0; attempt < 2; ++attempt) {
        w().command(ID_PLAY);
        EXPECT_EQ(status(), "Playback unavailable (waveOut error 2)");
        EXPECT_EQ(preview().playback, nullptr);
        EXPECT_TRUE(enabled(MainControl::play_button));
        EXPECT_FALSE(enabled(MainControl::stop_button));
    }

    // Without a playback a click only moves the position; the far right is the last frame.
    const int width = click_waveform(100000);
    EXPECT_EQ(preview().play_position, 352796u) << width;
    EXPECT_EQ(status(), "Ready at 00:02.000 / 00:02.000");
    EXPECT_EQ(progress(), 352796);
    w().command(ID_STOP);
    EXPECT_EQ(status(), "Stopped  00:00.000 / 00:02.000");
    EXPECT_EQ(preview().play_position, 0u);
    EXPECT_EQ(progress(), 0);
}

TEST_F(AudioPanel, APayloadThatIsNoWaveIsExplained)
{
    open({{CF_WAVE, test::bytes_of("RIFF....AVI LIST")}});
    EXPECT_TRUE(w().visible(MainControl::report_view));
    EXPECT_NE(w().text(MainControl::report_view).find("The clipboard audio is not a RIFF/WAVE payload. (0x8007000D)"),
              std::string::npos)
        << w().text(MainControl::report_view);
}

}  // namespace
}  // namespace cw
