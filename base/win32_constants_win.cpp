// The portable restatements must hold the system's values.
#include "base/win32.h"

#include <commctrl.h>

#include "base/win32_constants.h"

namespace cw {

static_assert(WS_CHILD_STYLE == WS_CHILD);
static_assert(WS_VISIBLE_STYLE == WS_VISIBLE);
static_assert(WS_TABSTOP_STYLE == WS_TABSTOP);
static_assert(WS_BORDER_STYLE == WS_BORDER);
static_assert(WS_HSCROLL_STYLE == WS_HSCROLL);
static_assert(WS_VSCROLL_STYLE == WS_VSCROLL);
static_assert(WS_EX_CLIENTEDGE_STYLE == WS_EX_CLIENTEDGE);
static_assert(SS_BITMAP_STYLE == SS_BITMAP);
static_assert(SS_NOTIFY_STYLE == SS_NOTIFY);
static_assert(SS_CENTERIMAGE_STYLE == SS_CENTERIMAGE);
static_assert(ES_MULTILINE_STYLE == ES_MULTILINE);
static_assert(ES_AUTOVSCROLL_STYLE == ES_AUTOVSCROLL);
static_assert(ES_AUTOHSCROLL_STYLE == ES_AUTOHSCROLL);
static_assert(ES_READONLY_STYLE == ES_READONLY);
static_assert(ES_WANTRETURN_STYLE == ES_WANTRETURN);
static_assert(LVS_REPORT_STYLE == LVS_REPORT);
static_assert(LVS_SINGLESEL_STYLE == LVS_SINGLESEL);
static_assert(LVS_SHOWSELALWAYS_STYLE == LVS_SHOWSELALWAYS);
static_assert(LVS_OWNERDATA_STYLE == LVS_OWNERDATA);
static_assert(LVS_EX_GRIDLINES_STYLE == LVS_EX_GRIDLINES);
static_assert(LVS_EX_FULLROWSELECT_STYLE == LVS_EX_FULLROWSELECT);
static_assert(LVS_EX_DOUBLEBUFFER_STYLE == LVS_EX_DOUBLEBUFFER);
static_assert(WHEEL_NOTCH == WHEEL_DELTA);

}  // namespace cw

