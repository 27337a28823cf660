// Times the image view's redraw under Wine or Windows on an 8192 x 8192 source: at 100 %, 400 %
// and 800 %, as ratios to 100 % (the goal is about 1: the cost follows the client size, not the
// zoom), and one wheel notch (the zoom with its redraw).
// Usage: image_view_timing.exe [RUNS] (default 10).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "preview/image_bitmap_win.h"
#include "preview/image_decode_win.h"
#include "preview/image_view_win.h"
#include "timing_win.h"

namespace {

using namespace cw;

using bench::median_seconds;

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10;
    HWND frame = CreateWindowExW(0, L"STATIC", L"image view timing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 750,
                                 nullptr, nullptr, nullptr, nullptr);
    HWND control = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"",
                                   WS_CHILD | WS_VISIBLE | WS_BORDER | SS_BITMAP | SS_NOTIFY | SS_CENTERIMAGE, 10, 10,
                                   900, 640, frame, nullptr, nullptr, nullptr);
    Result<CanvasBitmap> canvas = create_canvas_bitmap(8192, 8192);
    if (!frame || !control || !canvas) {
        std::fprintf(stderr, "image_view_timing: setup failed\n");
        return 1;
    }
    // Something other than flat white to stretch: a diagonal band.
    const HGDIOBJ pen = SelectObject(canvas->dc(), GetStockObject(BLACK_PEN));
    for (int i = 0; i < 8192; i += 64) {
        MoveToEx(canvas->dc(), i, 0, nullptr);
        LineTo(canvas->dc(), 0, i);
    }
    SelectObject(canvas->dc(), pen);
    ImageViewState view;
    const bool light = false;
    const unsigned dpi = 96;
    attach_image_view(view, control, &light, &dpi);
    set_preview_image(view, std::make_shared<GdiImageBitmap>(canvas->finish()));

    RECT client{};
    GetClientRect(control, &client);
    std::printf("source 8192 x 8192, client %ld x %ld, median of %d runs\n", client.right, client.bottom, runs);
    double base = 0;
    for (const int zoom : {100, 400, 800}) {
        view.zoom_percent = zoom;
        view.scroll_x = view.scroll_y = 1 << 20;  // clamped to the far corner by the first redraw
        refresh_image_view(view);
        const double t = median_seconds(runs, [&](int) { refresh_image_view(view); });
        if (zoom == 100) base = t;
        std::printf("refresh at %3d %%: %8.2f ms  ratio to 100 %%: %.2f\n", zoom, t * 1000, t / base);
    }
    view.zoom_percent = 100;
    view.scroll_x = view.scroll_y = 0;
    refresh_image_view(view);
    RECT rc{};
    GetWindowRect(control, &rc);
    MSG msg{};
    msg.message = WM_MOUSEWHEEL;
    msg.lParam = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    // Up to 800 % and back down again, one notch each.
    const double notch = median_seconds(runs * 2, [&](int i) {
        msg.wParam = MAKEWPARAM(0, static_cast<WORD>((i / 28) % 2 == 0 ? 120 : -120));
        apply_wheel_zoom(view, msg);
    });
    std::printf("wheel notch (zoom and refresh): %8.2f ms  ratio to a refresh at 100 %%: %.2f\n", notch * 1000,
                notch / base);
    release_image_view(view);
    DestroyWindow(frame);
    return 0;
}
