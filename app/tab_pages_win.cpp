#include "app/tab_pages_win.h"

#include <commctrl.h>

namespace cw {

namespace {

constexpr UINT_PTR TAB_PAGES_SUBCLASS_ID = 3;

void exclude_pages(HWND tabs, HDC dc)
{
    for (HWND sibling = GetWindow(tabs, GW_HWNDNEXT); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT)) {
        if (!IsWindowVisible(sibling)) continue;
        RECT r{};
        GetWindowRect(sibling, &r);
        MapWindowPoints(nullptr, tabs, reinterpret_cast<POINT*>(&r), 2);
        ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
}

LRESULT CALLBACK tab_pages_subclass(HWND tabs, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR)
{
    switch (message) {
        case WM_ERASEBKGND:
            if (wparam) exclude_pages(tabs, reinterpret_cast<HDC>(wparam));
            break;
        case WM_PAINT: {
            if (wparam) {
                exclude_pages(tabs, reinterpret_cast<HDC>(wparam));
                break;
            }
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(tabs, &ps);
            exclude_pages(tabs, dc);
            DefSubclassProc(tabs, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            EndPaint(tabs, &ps);
            return 0;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(tabs, tab_pages_subclass, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(tabs, message, wparam, lparam);
}

}  // namespace

void keep_tab_pages_visible(HWND tabs)
{
    SetWindowSubclass(tabs, tab_pages_subclass, TAB_PAGES_SUBCLASS_ID, 0);
}

}  // namespace cw
