// Real playback of the audio panel through Wine's silent ALSA output (the test runs with the
// null device the Wine scripts provide): play, pause, seek, resume, stop, the end, and the sound
// closed whenever the detail pane changes.
#include "audio_window.h"

#include "app/main_window_win.h"
#include "preview/audio.h"

namespace cw {
namespace {

class AudioPlayback : public test::AudioWindowTest {
protected:
    bool playing_past(int position)
    {
        return wait_for([&] { return progress() > position && status().rfind("Playing  ", 0) == 0; });
    }
    // The handle of the open device, to prove later that it was closed.
    HWAVEOUT device() { return preview().playback ? preview().playback->device : nullptr; }
    static bool closed(HWAVEOUT device)
    {
        MMTIME time{};
        time.wType = TIME_BYTES;
        return waveOutGetPosition(device, &time, sizeof time) == MMSYSERR_INVALHANDLE;
    }
};

TEST_F(AudioPlayback, PlayPauseSeekResumeStop)
{
    open({{CF_WAVE, test::tone_wave(20.0)}});  // 3,528,000 bytes of data
    ASSERT_EQ(status(), "Stopped  00:00.000 / 00:20.000");
    w().command(ID_PLAY);
    ASSERT_NE(preview().playback, nullptr) << status();
    EXPECT_TRUE(enabled(MainControl::pause_button));
    EXPECT_TRUE(enabled(MainControl::stop_button));
    ASSERT_TRUE(playing_past(0)) << status();

    w().command(ID_PAUSE);
    EXPECT_EQ(w().text(MainControl::pause_button), "Res&ume");
    ASSERT_TRUE(wait_for([&] { return status().rfind("Paused  ", 0) == 0; })) << status();
    const int held = progress();
    const std::string held_status = status();
    test::ClipboardFixture::pump(350);  // a few timer ticks
    EXPECT_EQ(progress(), held);
    EXPECT_EQ(status(), held_status);

    // A click while paused moves the position and stays paused.
    const int width = click_waveform(0);
    ASSERT_GT(width, 0);
    const int x = width / 2;
    click_waveform(x);
    const std::uint64_t target = seek_position(x, width, *preview().audio);
    ASSERT_NE(preview().playback, nullptr);
    EXPECT_TRUE(preview().playback->paused);
    EXPECT_EQ(preview().playback->start_offset, target);
    EXPECT_EQ(w().text(MainControl::pause_button), "Res&ume");
    EXPECT_EQ(progress(), static_cast<int>(target));
    EXPECT_EQ(status(), progress_status(true, target, *preview().audio));

    w().command(ID_PAUSE);
    EXPECT_EQ(w().text(MainControl::pause_button), "Pa&use");
    ASSERT_TRUE(playing_past(static_cast<int>(target))) << status();

    const HWAVEOUT open_device = device();
    w().command(ID_STOP);
    EXPECT_EQ(status(), "Stopped  00:00.000 / 00:20.000");
    EXPECT_EQ(progress(), 0);
    EXPECT_EQ(preview().playback, nullptr);
    EXPECT_TRUE(closed(open_device));
    EXPECT_FALSE(enabled(MainControl::pause_button));
    EXPECT_FALSE(enabled(MainControl::stop_button));
}

TEST_F(AudioPlayback, TheEndFinishesAndPlayStartsOver)
{
    open({{CF_WAVE, test::tone_wave(0.5)}});
    w().command(ID_PLAY);
    ASSERT_TRUE(wait_for([&] { return status() == "Finished  00:00.500 / 00:00.500"; })) << status();
    EXPECT_EQ(progress(), 88200);
    EXPECT_EQ(preview().playback, nullptr);
    EXPECT_EQ(preview().play_position, 88200u);

    w().command(ID_PLAY);
    ASSERT_NE(preview().playback, nullptr) << status();
    EXPECT_EQ(preview().playback->start_offset, 0u);
    EXPECT_EQ(status().rfind("Playing  00:00.", 0), 0u) << status();
}

TEST_F(AudioPlayback, ANewSelectionRefreshOrViewSwitchClosesTheDevice)
{
    open({{CF_WAVE, test::tone_wave(20.0)}, {CF_UNICODETEXT, test::utf16_bytes_of(L"text")}});
    ASSERT_EQ(w().list_text(MainControl::format_list, 0, 0), "Wave audio");
    const auto play = [&] {
        w().command(ID_PLAY);
        return device();
    };

    HWAVEOUT open_device = play();
    ASSERT_NE(open_device, nullptr) << status();
    w().select_row(1);
    EXPECT_TRUE(closed(open_device));
    EXPECT_EQ(preview().playback, nullptr);
    EXPECT_NE(preview().audio, nullptr);  // the sound stays until another replaces it

    w().select_row(0);
    open_device = play();
    ASSERT_NE(open_device, nullptr);
    w().command(ID_VIEW_TOGGLE);
    EXPECT_TRUE(closed(open_device));

    w().command(ID_VIEW_TOGGLE);
    open_device = play();
    ASSERT_NE(open_device, nullptr);
    w().command(ID_REFRESH);
    EXPECT_TRUE(closed(open_device));
    EXPECT_EQ(preview().playback, nullptr);
}

}  // namespace
}  // namespace cw
