#pragma once
// Tab controls paint their whole client area, and their pages are siblings placed below them in
// the z-order (creation order is also the Tab order). Without help a tab control that repaints
// covers the page it shows, the WebView2 host's text and control included.

#include "base/win32.h"

namespace cw {

// Makes `tabs` leave out every visible sibling below it that it overlaps when it paints.
void keep_tab_pages_visible(HWND tabs);

}  // namespace cw
