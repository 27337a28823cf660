#pragma once
// The two ways into one representation: an OLE stream, or a clipboard global memory block.

#include <memory>
#include <optional>

#include "base/error.h"
#include "base/handles_win.h"
#include "capture/retrieval.h"

namespace cw {

class ArchiveSource;

// IDataObject::GetData from the OLE clipboard with the exact advertised FORMATETC, asking for
// an IStream; at most OLE_STREAM_LIMIT bytes are kept. Call it with the clipboard closed.
Result<StreamRead> read_ole_stream(std::uint32_t id, std::uint32_t aspect, std::int32_t lindex);

// The stream of a medium GetData returned, read from its start up to OLE_STREAM_LIMIT; a medium
// that is not a stream, or a null stream, is refused with its message.
Result<StreamRead> read_stream_medium(const STGMEDIUM& medium);

// A bounded copy of a global memory block that GetClipboardData returned; the clipboard's
// handle is never freed or changed. The caller holds the clipboard open.
Result<GlobalCopy> copy_global_memory(HANDLE handle, std::uint64_t limit);

// The clipboard opened for one read, with the handle of one format. The handle is borrowed
// from the clipboard and valid only while this object lives. While an archive is installed
// (archive_source_win.h) the handles come from the archive and the clipboard is not opened.
class ClipboardHandle {
public:
    // Opens the clipboard on behalf of `window`; fails with the last error.
    static Result<std::unique_ptr<ClipboardHandle>> open(HWND window);
    // GetClipboardData; a null or INVALID_HANDLE_VALUE result is the last error.
    Result<HANDLE> get(std::uint32_t id);

private:
    ClipboardSession session_;
    ArchiveSource* archive_ = nullptr;
};

}  // namespace cw
