// The real program with a recorded sound on the clipboard as CF_WAVE: the advanced view's audio
// panel shows its description and waveform (kept as a screenshot).
#include <gtest/gtest.h>

#include "base/win32.h"

#include <commctrl.h>

#include "clipboard_fixture.h"
#include "corpus.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

constexpr int FORMAT_LIST_ID = 1002;
constexpr int WAVEFORM_ID = 1006;
constexpr int VIEW_TOGGLE_ID = 1007;
constexpr int AUDIO_INFO_LABEL = 28;  // creation order
constexpr int AUDIO_STATUS = 31;

class AudioE2E : public test::ProgramTest {};

TEST_F(AudioE2E, AdvancedViewShowsTheAudioPanelOfARecordedSound)
{
    CW_REQUIRE_CORPUS();
    clipboard.set_flat(
        {{CF_WAVE, test::read_file_bytes(test::corpus_dir() / "audio/go-audio-wav/dirty-kick-24b441k.wav")}});
    auto started = start();
    HWND window = started->wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    SendMessageW(GetDlgItem(window, VIEW_TOGGLE_ID), BM_CLICK, 0, 0);
    HWND list = GetDlgItem(window, FORMAT_LIST_ID);
    ASSERT_EQ(test::list_item_count(list), 1);
    ASSERT_TRUE(test::remote_select_row(list, 0));
    test::ClipboardFixture::pump(200);

    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, WAVEFORM_ID)));
    EXPECT_EQ(test::window_text(test::nth_child(window, AUDIO_INFO_LABEL)),
              "PCM integer  |  2 channels  |  44100 Hz  |  24-bit  |  00:00.484  |  132136 bytes");
    EXPECT_EQ(test::window_text(test::nth_child(window, AUDIO_STATUS)), "Stopped  00:00.000 / 00:00.484");
    EXPECT_NE(SendMessageW(GetDlgItem(window, WAVEFORM_ID), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\audio-panel.png");
    EXPECT_EQ(started->close(window), 0);
}

}  // namespace
}  // namespace cw
