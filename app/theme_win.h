#pragma once
// Light and dark theme: brushes, fonts, logo, frame, control colours and the list headers.

#include "app/app_state_win.h"

namespace cw {

struct ThemeColours {
    COLORREF text, muted, window, input, separator, progress;
};
const ThemeColours& theme_colours(bool dark_mode);

// (Re)creates brushes, fonts and the logo for the state's theme and DPI and applies them.
void apply_theme(HWND window, AppState& state);
void toggle_theme(HWND window, AppState& state);
// Writes the choice to HKCU; failures are returned and ignored by the caller.
Status save_theme_setting(bool dark_mode);
// The WM_CTLCOLOR* handler: sets the DC's colours and returns the brush to paint with.
HBRUSH control_colours(AppState& state, UINT message, HDC dc, HWND control);
// Paints one owner-drawn header item of either list view; false when it is not one of ours.
bool paint_header_item(AppState& state, const DRAWITEMSTRUCT* item);

}  // namespace cw
