#pragma once
// paste-files: the files of an Explorer copy or the virtual files of a mail or archive program,
// written into a folder, one ZIP archive, shortcuts or an item listing. The clipboard is only
// read; the source items are never moved or deleted, whatever drop effect is advertised.

#include <string>
#include <vector>

#include "save/paste_items.h"

namespace cw {

// Runs one paste. OLE must be initialised on this thread.
PasteResult paste_files(const PasteRequest& request);

}  // namespace cw
