// The image view on the real main window: wheel zoom over and outside the picture, scroll bars,
// scroll messages, a drag, the cursor, and the display bitmap replaced without leaking.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "clipboard_fixture.h"
#include "main_window_fixture.h"
#include "preview/image_view.h"

namespace cw {
namespace {

using test::MainWindowHarness;

// A 64 x 32 24-bit DIB, a horizontal gradient.
std::vector<std::uint8_t> gradient_dib()
{
    const int width = 64, height = 32, stride = width * 3;
    std::vector<std::uint8_t> dib(40 + stride * height, 0);
    const std::int32_t head[] = {40, width, height};
    std::memcpy(dib.data(), head, sizeof head);
    dib[12] = 1;
    dib[14] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) std::memset(&dib[40 + y * stride + x * 3], x * 4, 3);
    return dib;
}

class ImageViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clipboard.set_flat({{CF_DIB, gradient_dib()}});
        window = std::make_unique<MainWindowHarness>(false);
        view = &window->state().image_view;
        control = window->control(MainControl::image_control);
    }
    // A wheel message as the message loop receives it: at a screen point, to the focused window.
    bool wheel(int delta, POINT screen)
    {
        MSG msg{};
        msg.hwnd = GetFocus();
        msg.message = WM_MOUSEWHEEL;
        msg.wParam = MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta)));
        msg.lParam = MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y));
        return apply_wheel_zoom(*view, msg);
    }
    POINT screen_of(int x, int y) const
    {
        POINT p{x, y};
        ClientToScreen(control, &p);
        return p;
    }
    bool bars_shown() const
    {
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        return (style & WS_HSCROLL) && (style & WS_VSCROLL);
    }
    SIZE client() const
    {
        RECT rc{};
        GetClientRect(control, &rc);
        return {rc.right, rc.bottom};
    }

    test::ClipboardFixture clipboard;
    std::unique_ptr<MainWindowHarness> window;
    ImageViewState* view = nullptr;
    HWND control = nullptr;
};

TEST_F(ImageViewTest, ShowsTheDibFittedInAClientSizedBitmap)
{
    ASSERT_TRUE(window->visible(MainControl::image_control));
    ASSERT_TRUE(view->preview_bitmap);
    EXPECT_EQ(view->zoom_percent, 100);
    EXPECT_FALSE(bars_shown());
    const HGDIOBJ shown = reinterpret_cast<HGDIOBJ>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_EQ(shown, view->display_bitmap.get());
    BITMAP info{};
    ASSERT_TRUE(GetObjectW(shown, sizeof info, &info));
    EXPECT_EQ(info.bmWidth, client().cx);
    EXPECT_EQ(std::abs(info.bmHeight), client().cy);
}

TEST_F(ImageViewTest, WheelZoomsOverThePictureOnlyAndBarsFollowTheZoom)
{
    RECT rc{};
    GetWindowRect(control, &rc);
    EXPECT_FALSE(wheel(120, {rc.left - 5, rc.top + 10}));
    EXPECT_FALSE(wheel(120, {rc.right, rc.top + 10}));  // the right edge is outside
    EXPECT_EQ(view->zoom_percent, 100);

    const POINT centre = screen_of(client().cx / 2, client().cy / 2);
    EXPECT_TRUE(wheel(0, centre));
    EXPECT_EQ(view->zoom_percent, 100);
    EXPECT_TRUE(wheel(30, centre));  // a high-resolution wheel's small delta is one notch
    EXPECT_EQ(view->zoom_percent, 125);
    EXPECT_TRUE(bars_shown());
    for (int i = 0; i < 7; ++i) wheel(120, centre);
    EXPECT_EQ(view->zoom_percent, 300);
    EXPECT_GT(view->max_scroll_x, 0);
    EXPECT_GT(view->scroll_x, 0);  // anchored at the centre, not at the left edge
    for (int i = 0; i < 30; ++i) wheel(120, centre);
    EXPECT_EQ(view->zoom_percent, 800);
    EXPECT_TRUE(wheel(-960, centre));
    EXPECT_EQ(view->zoom_percent, 600);
    EXPECT_TRUE(wheel(-32768, centre));
    EXPECT_EQ(view->zoom_percent, 100);
    EXPECT_FALSE(bars_shown());
    EXPECT_EQ(view->scroll_x, 0);
    EXPECT_EQ(view->scroll_y, 0);

    // A hidden picture lets the wheel reach the focused control.
    ShowWindow(control, SW_HIDE);
    EXPECT_FALSE(wheel(120, centre));
}

TEST_F(ImageViewTest, ScrollMessagesDragAndCursor)
{
    // At 100 % a click does nothing and the cursor is left to the control.
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    EXPECT_FALSE(view->is_dragging);
    EXPECT_FALSE(SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, 0)));

    const POINT corner = screen_of(1, 1);
    for (int i = 0; i < 8; ++i) wheel(120, corner);
    ASSERT_EQ(view->zoom_percent, 300);
    EXPECT_EQ(view->scroll_x, 0);  // anchored at the top-left corner

    SendMessageW(control, WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_EQ(view->scroll_x, scroll_line_step(window->state().window_dpi));
    SendMessageW(control, WM_HSCROLL, SB_LINELEFT, 0);
    EXPECT_EQ(view->scroll_x, 0);
    SendMessageW(control, WM_VSCROLL, SB_PAGEDOWN, 0);
    const int page = scroll_page_step(scroll_line_step(window->state().window_dpi), client().cy);
    EXPECT_EQ(view->scroll_y, std::min(page, view->max_scroll_y));
    SCROLLINFO info{sizeof info, SIF_POS};
    GetScrollInfo(control, SB_VERT, &info);
    EXPECT_EQ(info.nPos, view->scroll_y);
    for (int i = 0; i < 100; ++i) SendMessageW(control, WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_EQ(view->scroll_x, view->max_scroll_x);

    // The scroll-bar strips answer as scroll bars.
    RECT rc{};
    GetWindowRect(control, &rc);
    EXPECT_EQ(SendMessageW(control, WM_NCHITTEST, 0, MAKELPARAM(rc.right - 3, rc.top + 40)), HTVSCROLL);
    EXPECT_EQ(SendMessageW(control, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 40, rc.bottom - 3)), HTHSCROLL);

    // Dragging left and up by (40, 30) moves the view right and down by as much.
    SendMessageW(control, WM_HSCROLL, SB_LINELEFT, 0);
    SendMessageW(control, WM_HSCROLL, SB_LINELEFT, 0);
    const int x0 = view->scroll_x, y0 = view->scroll_y;
    SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, 0));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    EXPECT_TRUE(view->is_dragging);
    EXPECT_EQ(GetCapture(), control);
    EXPECT_TRUE(SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, 0)));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_SIZEALL));
    SendMessageW(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 70));
    EXPECT_EQ(view->scroll_x, std::min(x0 + 40, view->max_scroll_x));
    EXPECT_EQ(view->scroll_y, std::min(y0 + 30, view->max_scroll_y));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(60, 70));
    EXPECT_FALSE(view->is_dragging);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(ImageViewTest, EveryRedrawReplacesTheDisplayBitmapAndLeaksNothing)
{
    const HGDIOBJ first = view->display_bitmap.get();
    refresh_image_view(*view);
    EXPECT_NE(view->display_bitmap.get(), first);
    EXPECT_EQ(GetObjectType(first), 0U);  // deleted

    const POINT centre = screen_of(client().cx / 3, client().cy / 3);
    wheel(120, centre);
    wheel(-120, centre);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 100; ++i) {
        const HGDIOBJ shown = view->display_bitmap.get();
        wheel(i % 16 < 8 ? 120 : -120, centre);
        // Each step composes one new bitmap and deletes the one it replaced.
        ASSERT_NE(view->display_bitmap.get(), shown) << i;
        ASSERT_EQ(GetObjectType(shown), 0U) << i;
        ASSERT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                  view->display_bitmap.get());
    }
    // Wine counts no GDI objects here; Windows does, and then nothing may be left behind.
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace cw
