#pragma once
// Taking a snapshot of the real clipboard: the flat Win32 list, then the OLE catalogue.

#include "base/error.h"
#include "base/win32.h"
#include "capture/snapshot.h"

namespace cw {

// Opens the clipboard once on behalf of `window`; an error carries the failed OpenClipboard.
// The summary and logical object text are left for the caller.
Result<ClipboardSnapshot> capture_clipboard(HWND window);

// Merges the FORMATETC catalogue of `data` into the snapshot, setting ole_offer_count and, when
// the catalogue could not be read completely, ole_error (the count then reads 0).
void merge_ole_catalogue(IDataObject* data, ClipboardSnapshot& snapshot);

}  // namespace cw
