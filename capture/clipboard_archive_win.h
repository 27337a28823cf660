#pragma once
// The whole clipboard into an archive and back: every flat format read in one clipboard session,
// GDI objects turned into their portable forms, then every OLE offer with its target device.

#include "base/error.h"
#include "base/win32.h"
#include "capture/clipboard_archive.h"

namespace cw {

// Reads everything the clipboard holds; an error only when the clipboard cannot be opened (the
// error of OpenClipboard). A format that cannot be read is kept in the archive with its error.
// Never changes the clipboard.
Result<ClipboardArchive> dump_clipboard(HWND window);

// A GDI object or global block made from a stored format, as SetClipboardData takes it. The
// caller owns it until the clipboard accepts it.
Result<HANDLE> make_clipboard_handle(const ArchivedFormat& format);
// Frees what make_clipboard_handle returned when the clipboard did not take it.
void free_clipboard_handle(HANDLE handle, ArchiveEncoding encoding);

// Puts every stored format back in one transaction. Formats recorded as synthesised are left to
// Windows. When some formats existed only as OLE offers, everything goes through one data object
// given to OleSetClipboard and then flushed, so the data outlives this process. On failure the
// clipboard is emptied rather than left half-written.
Status restore_clipboard(HWND window, const ClipboardArchive& archive);

}  // namespace cw
