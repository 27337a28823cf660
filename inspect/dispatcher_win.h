#pragma once
// The format dispatcher: reads one selected format by the shared transport rule and hands it to
// the interpreter its identifier or name calls for.

#include "base/win32.h"
#include "capture/snapshot.h"
#include "report/report.h"

namespace cw {

// Opens and closes the clipboard itself; never leaves it open.
DetailReport build_detail_report(HWND window, const FormatEntry& entry);

}  // namespace cw
