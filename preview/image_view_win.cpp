#include "preview/image_view_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "preview/image_view.h"

namespace cw {

namespace {

constexpr UINT_PTR IMAGE_VIEW_SUBCLASS_ID = 10;

struct BitmapSize {
    int width = 0;
    int height = 0;
};

std::optional<BitmapSize> source_size(const ImageViewState& view)
{
    if (!view.preview_bitmap) return std::nullopt;
    BITMAP info{};
    if (!GetObjectW(view.preview_bitmap->native_handle(), sizeof info, &info)) return std::nullopt;
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (info.bmWidth < 1 || height == 0) return std::nullopt;
    return BitmapSize{info.bmWidth, height};
}

std::optional<ViewSize> client_size(HWND control)
{
    RECT rc{};
    if (!GetClientRect(control, &rc) || rc.right < 1 || rc.bottom < 1) return std::nullopt;
    return ViewSize{rc.right, rc.bottom};
}

bool zoomed_in(const ImageViewState& view)
{
    return view.zoom_percent > MIN_ZOOM_PERCENT;
}

// The control hands back the image it showed before; it may be a copy it made of ours, which is
// then ours to delete as well.
void swap_control_image(ImageViewState& view, UniqueGdiObject next)
{
    const auto shown = reinterpret_cast<HGDIOBJ>(
        SendMessageW(view.image_control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(next.get())));
    if (shown && shown != view.display_bitmap.get()) DeleteObject(shown);
    view.display_bitmap = std::move(next);
}

void set_scroll_bar(HWND control, int bar, int zoomed, int client, int position)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    // Disabled rather than hidden when the picture fits one way: above 100 % both bars stay.
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = zoomed - 1;
    info.nPage = static_cast<UINT>(client);
    info.nPos = position;
    SetScrollInfo(control, bar, &info, TRUE);
}

// A client-sized 32-bit top-down bitmap with the visible part of the source stretched into it.
UniqueGdiObject compose(const ImageViewState& view, ViewSize client, BitmapSize source, ViewSize zoomed)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = client.width;
    info.bmiHeader.biHeight = -client.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!target || !bits) return {};
    const std::size_t pixels = static_cast<std::size_t>(client.width) * static_cast<std::size_t>(client.height);
    auto* bgrx = static_cast<std::uint8_t*>(bits);
    const bool dark = view.dark_mode && *view.dark_mode;
    const std::uint8_t background[4] = {static_cast<std::uint8_t>(dark ? 29 : 255),
                                         static_cast<std::uint8_t>(dark ? 28 : 255),
                                         static_cast<std::uint8_t>(dark ? 27 : 255), 0};
    for (std::size_t i = 0; i < pixels; ++i) std::memcpy(bgrx + 4 * i, background, 4);

    HDC source_dc = CreateCompatibleDC(nullptr);
    HDC target_dc = CreateCompatibleDC(nullptr);
    bool drawn = false;
    if (source_dc && target_dc) {
        const HGDIOBJ old_source = SelectObject(source_dc, view.preview_bitmap->native_handle());
        const HGDIOBJ old_target = SelectObject(target_dc, target.get());
        if (old_source && old_source != HGDI_ERROR && old_target && old_target != HGDI_ERROR) {
            SetStretchBltMode(target_dc, HALFTONE);
            SetBrushOrgEx(target_dc, 0, 0, nullptr);  // HALFTONE needs the brush origin set again
            const StretchSpan h = visible_span(client.width, zoomed.width,
                                               image_placement(client.width, zoomed.width, view.scroll_x), source.width);
            const StretchSpan v = visible_span(client.height, zoomed.height,
                                               image_placement(client.height, zoomed.height, view.scroll_y),
                                               source.height);
            drawn = h.source_length > 0 && v.source_length > 0 &&
                    StretchBlt(target_dc, h.dest_start, v.dest_start, h.dest_length, v.dest_length, source_dc,
                               h.source_start, v.source_start, h.source_length, v.source_length, SRCCOPY) != FALSE;
        }
        if (old_source && old_source != HGDI_ERROR) SelectObject(source_dc, old_source);
        if (old_target && old_target != HGDI_ERROR) SelectObject(target_dc, old_target);
    }
    if (source_dc) DeleteDC(source_dc);
    if (target_dc) DeleteDC(target_dc);
    if (!drawn) return {};
    GdiFlush();
    // A fourth byte left non-zero would read as alpha, and the control would keep a copy.
    for (std::size_t i = 0; i < pixels; ++i) bgrx[4 * i + 3] = 0;
    return target;
}

ScrollAction scroll_action(WORD code)
{
    switch (code) {
        case SB_LINEUP: return ScrollAction::LineBack;  // SB_LINELEFT
        case SB_LINEDOWN: return ScrollAction::LineForward;
        case SB_PAGEUP: return ScrollAction::PageBack;
        case SB_PAGEDOWN: return ScrollAction::PageForward;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: return ScrollAction::Track;
        default: return ScrollAction::Other;
    }
}

void on_scroll(ImageViewState& view, HWND control, int bar, WORD code)
{
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(control, bar, &info)) return;
    const unsigned dpi = view.window_dpi ? *view.window_dpi : 96;
    const int line = scroll_line_step(dpi);
    const int page = scroll_page_step(line, info.nPage);
    int& position = bar == SB_HORZ ? view.scroll_x : view.scroll_y;
    const int max = bar == SB_HORZ ? view.max_scroll_x : view.max_scroll_y;
    position = scroll_position_after(scroll_action(code), position, info.nTrackPos, line, page, max);
    refresh_image_view(view);
}

void set_cursor(LPCWSTR id)
{
    SetCursor(LoadCursorW(nullptr, id));
}

LRESULT CALLBACK image_view_subclass_proc(HWND control, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                          DWORD_PTR data)
{
    auto& view = *reinterpret_cast<ImageViewState*>(data);
    const bool active = zoomed_in(view) && view.preview_bitmap;
    switch (message) {
        case WM_SETCURSOR:
            if (!active) break;
            set_cursor(view.is_dragging ? IDC_SIZEALL : IDC_HAND);
            return TRUE;
        case WM_NCHITTEST: {
            // A static control claims its whole window as client area; without this its scroll
            // bars would never see the mouse.
            if (!zoomed_in(view)) break;
            RECT rc{};
            if (!GetWindowRect(control, &rc)) break;
            const ScrollStrip strip =
                scroll_strip_at(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam), rc.left, rc.top, rc.right, rc.bottom,
                                GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
            if (strip == ScrollStrip::Vertical) return HTVSCROLL;
            if (strip == ScrollStrip::Horizontal) return HTHSCROLL;
            break;
        }
        case WM_NCLBUTTONDOWN:
            if (wparam == HTHSCROLL || wparam == HTVSCROLL) return DefWindowProcW(control, message, wparam, lparam);
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            on_scroll(view, control, message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wparam));
            return 0;
        case WM_LBUTTONDOWN:
            if (!active) break;
            view.is_dragging = true;
            view.drag_origin = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            view.drag_scroll_origin = {view.scroll_x, view.scroll_y};
            SetCapture(control);
            set_cursor(IDC_SIZEALL);
            return 0;
        case WM_MOUSEMOVE:
            if (!view.is_dragging) break;
            view.scroll_x = clamp_scroll(view.drag_scroll_origin.x + view.drag_origin.x - GET_X_LPARAM(lparam),
                                         view.max_scroll_x);
            view.scroll_y = clamp_scroll(view.drag_scroll_origin.y + view.drag_origin.y - GET_Y_LPARAM(lparam),
                                         view.max_scroll_y);
            refresh_image_view(view);
            return 0;
        case WM_LBUTTONUP:
            if (!view.is_dragging) break;
            view.is_dragging = false;
            ReleaseCapture();
            set_cursor(IDC_HAND);
            return 0;
        case WM_CAPTURECHANGED:
            // Capture taken away mid-drag (another window, a menu): the drag is over, or the next
            // plain mouse move would still pan.
            view.is_dragging = false;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(control, image_view_subclass_proc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(control, message, wparam, lparam);
}

}  // namespace

void attach_image_view(ImageViewState& view, HWND control, const bool* dark_mode, const unsigned* window_dpi)
{
    view.image_control = control;
    view.dark_mode = dark_mode;
    view.window_dpi = window_dpi;
    SetWindowSubclass(control, image_view_subclass_proc, IMAGE_VIEW_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(&view));
}

void refresh_image_view(ImageViewState& view)
{
    if (!view.preview_bitmap || !view.image_control) return;
    HWND control = view.image_control;
    ShowScrollBar(control, SB_BOTH, zoomed_in(view));
    const std::optional<ViewSize> client = client_size(control);
    const std::optional<BitmapSize> source = source_size(view);
    if (!client || !source) return;
    view.zoom_percent = clamp_zoom(view.zoom_percent);
    const std::optional<ViewSize> zoomed =
        compute_zoomed_size(source->width, source->height, client->width, client->height, view.zoom_percent);
    if (!zoomed) return;
    view.max_scroll_x = max_scroll(zoomed->width, client->width);
    view.max_scroll_y = max_scroll(zoomed->height, client->height);
    view.scroll_x = clamp_scroll(view.scroll_x, view.max_scroll_x);
    view.scroll_y = clamp_scroll(view.scroll_y, view.max_scroll_y);
    set_scroll_bar(control, SB_HORZ, zoomed->width, client->width, view.scroll_x);
    set_scroll_bar(control, SB_VERT, zoomed->height, client->height, view.scroll_y);
    UniqueGdiObject composed = compose(view, *client, *source, *zoomed);
    if (composed) swap_control_image(view, std::move(composed));
}

void set_preview_image(ImageViewState& view, std::shared_ptr<ImageBitmap> bitmap)
{
    swap_control_image(view, UniqueGdiObject());
    view.preview_bitmap = std::move(bitmap);
    view.zoom_percent = MIN_ZOOM_PERCENT;
    view.is_dragging = false;
    view.scroll_x = view.scroll_y = 0;
    ShowScrollBar(view.image_control, SB_BOTH, FALSE);
    refresh_image_view(view);
}

bool apply_wheel_zoom(ImageViewState& view, const MSG& message)
{
    HWND control = view.image_control;
    RECT rc{};
    if (!view.preview_bitmap || !control || !IsWindowVisible(control) || !GetWindowRect(control, &rc)) return false;
    POINT cursor{GET_X_LPARAM(message.lParam), GET_Y_LPARAM(message.lParam)};
    if (cursor.x < rc.left || cursor.x >= rc.right || cursor.y < rc.top || cursor.y >= rc.bottom) return false;

    const int delta = GET_WHEEL_DELTA_WPARAM(message.wParam);
    if (delta == 0 || !ScreenToClient(control, &cursor)) return true;
    const int old_zoom = clamp_zoom(view.zoom_percent);
    const int new_zoom = zoom_after_wheel(old_zoom, delta);
    if (new_zoom == old_zoom) return true;

    const std::optional<BitmapSize> source = source_size(view);
    std::optional<ViewSize> client = client_size(control);
    if (!source || !client) return true;
    const std::optional<ViewSize> before =
        compute_zoomed_size(source->width, source->height, client->width, client->height, old_zoom);
    if (!before) return true;
    const int content_x = content_under_cursor(client->width, before->width, view.scroll_x, cursor.x);
    const int content_y = content_under_cursor(client->height, before->height, view.scroll_y, cursor.y);

    view.zoom_percent = new_zoom;
    if (new_zoom == MIN_ZOOM_PERCENT) {
        view.scroll_x = view.scroll_y = 0;
        ShowScrollBar(control, SB_BOTH, FALSE);
    } else {
        // The bars take their room from the client area before the new size is worked out.
        ShowScrollBar(control, SB_BOTH, TRUE);
        client = client_size(control);
        const std::optional<ViewSize> after =
            client ? compute_zoomed_size(source->width, source->height, client->width, client->height, new_zoom)
                   : std::nullopt;
        if (after) {
            view.scroll_x = anchored_scroll(content_x, before->width, after->width, cursor.x);
            view.scroll_y = anchored_scroll(content_y, before->height, after->height, cursor.y);
        }
    }
    refresh_image_view(view);
    return true;
}

void release_image_view(ImageViewState& view)
{
    if (view.image_control && IsWindow(view.image_control)) swap_control_image(view, UniqueGdiObject());
    view.display_bitmap.reset();
    view.preview_bitmap.reset();
}

}  // namespace cw
