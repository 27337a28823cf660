// The real program shows a corpus PNG fitted, zooms it to 300 % with wheel messages and pans it
// with a drag; the screen is kept at 100 % and 300 % (ImageMagick's import of the X root window,
// beside the program's own window capture) for review.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/main_controls.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

namespace fs = std::filesystem;

constexpr int FORMAT_LIST_ID = 1002;

class ImageViewE2E : public test::ProgramTest {};

bool wait_until(const std::function<bool()>& done, DWORD milliseconds = 10000)
{
    return test::ClipboardFixture::pump_until(done, milliseconds);
}

// The whole X screen, as the display server has it; failing to capture is not the program's fault.
void import_root_window(const std::string& name)
{
    const std::string unix_path = std::string(CLIPWRIGHT_ARTIFACTS_DIR) + "/e2e/" + name;
    std::error_code ignored;
    fs::create_directories(test::artifacts_folder() + L"\\e2e", ignored);
    const std::wstring wide_path(unix_path.begin(), unix_path.end());
    fs::remove(test::windows_path(unix_path), ignored);
    // Wine starts a Unix program as it is, without a Windows exit code to wait for.
    test::run_to_exit(L"import -window root " + wide_path, L"Z:\\usr\\bin\\import");
    const fs::path shot = test::windows_path(unix_path);
    if (!wait_until([&] { return fs::exists(shot, ignored) && fs::file_size(shot, ignored) > 0; }))
        std::printf("import of %s made no file\n", name.c_str());
    test::ClipboardFixture::pump(500);  // let it finish writing
}

// The screen colour at a client point of `control`.
COLORREF screen_pixel(HWND control, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(control, &p);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

// Half-toning may round a pixel differently once the picture has moved.
bool is_close(COLORREF a, COLORREF b)
{
    const auto within = [](int x, int y) { return std::abs(x - y) <= 8; };
    return within(GetRValue(a), GetRValue(b)) && within(GetGValue(a), GetGValue(b)) && within(GetBValue(a), GetBValue(b));
}

bool is_near_white(COLORREF c)
{
    return GetRValue(c) > 235 && GetGValue(c) > 235 && GetBValue(c) > 235;
}

TEST_F(ImageViewE2E, CorpusPngIsFittedZoomedByTheWheelAndPannedByADrag)
{
    const fs::path png = fs::path(test::windows_path(CLIPWRIGHT_CORPUS_DIR)) / "images" / "image-png-regressions" /
                         "animated" / "basic_f20.png";
    if (!fs::exists(png)) GTEST_SKIP() << "shared corpus not found at " << CLIPWRIGHT_CORPUS_DIR;
    clipboard.set_flat({{test::register_format(L"PNG"), test::read_file_bytes(png)}});
    auto started = start();
    HWND window = started->wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    HWND image = test::nth_child(window, static_cast<int>(index_of(MainControl::image_control)));
    ASSERT_TRUE(wait_until([&] { return IsWindowVisible(image) != FALSE; }));
    SetForegroundWindow(window);
    test::ClipboardFixture::pump(500);

    // Fitted: a 100 x 100 picture fills the shorter side, centred; at 100 % there are no bars.
    RECT client{};
    GetClientRect(image, &client);
    const int fit = std::min(client.right, client.bottom);
    EXPECT_EQ(GetWindowLongW(image, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
    // The ball sits a little above the middle of the picture.
    EXPECT_FALSE(is_near_white(screen_pixel(image, client.right / 2, client.bottom * 45 / 100)));
    EXPECT_TRUE(is_near_white(screen_pixel(image, (client.right - fit) / 2 + 3, 3)));
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\image-view-100.png");
    import_root_window("image-view-100-root.png");

    // Eight notches over the picture's centre, sent where the wheel goes: to the focused list.
    RECT rc{};
    GetWindowRect(image, &rc);
    const LPARAM centre = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    for (int i = 0; i < 8; ++i) PostMessageW(GetDlgItem(window, FORMAT_LIST_ID), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), centre);
    ASSERT_TRUE(wait_until([&] {
        return (GetWindowLongW(image, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) == (WS_HSCROLL | WS_VSCROLL);
    }));
    test::ClipboardFixture::pump(500);
    SCROLLINFO info{sizeof info, SIF_ALL};
    // Another process's bars can be read on Windows; where they cannot, the pixels below still tell.
    if (GetScrollInfo(image, SB_HORZ, &info)) {
        GetClientRect(image, &client);
        EXPECT_EQ(info.nMax + 1, 3 * (std::min(client.right, client.bottom)));
    }
    // At 300 % about the centre the ball fills the view's middle; its edge has moved out to the left.
    GetClientRect(image, &client);
    const COLORREF centre_colour = screen_pixel(image, client.right / 2, client.bottom / 2);
    EXPECT_FALSE(is_near_white(centre_colour));
    EXPECT_FALSE(is_near_white(screen_pixel(image, client.right / 2 - client.right / 4, client.bottom / 2)));
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\image-view-300.png");
    import_root_window("image-view-300-root.png");

    // A drag to the right by 200 pixels pulls the picture along: the centre moves 200 to the right.
    const int moved_x = client.right / 2 + 200;
    const COLORREF before = screen_pixel(image, moved_x, client.bottom / 2);
    PostMessageW(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    PostMessageW(image, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 100));
    PostMessageW(image, WM_LBUTTONUP, 0, MAKELPARAM(300, 100));
    ASSERT_TRUE(wait_until([&] { return screen_pixel(image, moved_x, client.bottom / 2) != before; }));
    test::ClipboardFixture::pump(300);
    EXPECT_TRUE(is_close(screen_pixel(image, moved_x, client.bottom / 2), centre_colour));
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\image-view-300-dragged.png");

    EXPECT_EQ(started->close(window), 0);
}

}  // namespace
}  // namespace cw
