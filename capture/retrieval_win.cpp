#include "capture/retrieval_win.h"

#include "base/error_win.h"
#include "capture/archive_source_win.h"

namespace cw {

namespace {

// Releases the medium on every path once GetData succeeded.
struct MediumGuard {
    STGMEDIUM medium{};
    ~MediumGuard() { ReleaseStgMedium(&medium); }
};

}  // namespace

Result<StreamRead> read_ole_stream(std::uint32_t id, std::uint32_t aspect, std::int32_t lindex)
{
    if (ArchiveSource* archive = installed_archive_source()) return archive->stream(id, lindex);
    IDataObject* raw = nullptr;
    const HRESULT got = OleGetClipboard(&raw);
    ComPtr<IDataObject> data = ComPtr<IDataObject>::attach(raw);
    if (FAILED(got)) return Error{got, std::nullopt};
    if (!data) return Error{};

    FORMATETC format{};
    format.cfFormat = static_cast<CLIPFORMAT>(id & 0xFFFF);
    format.ptd = nullptr;
    format.dwAspect = aspect;
    format.lindex = lindex;
    format.tymed = TYMED_ISTREAM;
    MediumGuard guard;
    const HRESULT hr = data->GetData(&format, &guard.medium);
    if (FAILED(hr)) {
        guard.medium = {};  // nothing to release
        return Error{hr, std::nullopt};
    }
    return read_stream_medium(guard.medium);
}

Result<StreamRead> read_stream_medium(const STGMEDIUM& medium)
{
    if (medium.tymed != TYMED_ISTREAM) return Error::invalid_data(std::string(OLE_MEDIUM_NOT_STREAM_MESSAGE));
    IStream* stream = medium.pstm;
    if (!stream) return Error::invalid_data(std::string(OLE_NULL_STREAM_MESSAGE));
    LARGE_INTEGER zero{};
    if (const HRESULT seek = stream->Seek(zero, STREAM_SEEK_SET, nullptr); FAILED(seek))
        return Error{seek, std::nullopt};
    return read_stream_capped([stream](std::uint8_t* buffer, std::size_t count) -> Result<std::size_t> {
        ULONG read = 0;
        const HRESULT r = stream->Read(buffer, static_cast<ULONG>(count), &read);
        if (FAILED(r)) return Error{r, std::nullopt};
        return static_cast<std::size_t>(read);
    });
}

Result<GlobalCopy> copy_global_memory(HANDLE handle, std::uint64_t limit)
{
    const SIZE_T size = GlobalSize(handle);
    if (size == 0) return last_error_or_failure();
    GlobalLockGuard lock(handle);
    if (!lock) return last_error_or_failure();
    GlobalCopy copy;
    copy.total_size = size;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(limit, size));
    // One pass over the block (no zero-filling first): the clipboard stays open meanwhile.
    const auto* bytes = static_cast<const std::uint8_t*>(lock.data());
    copy.bytes.assign(bytes, bytes + n);
    return copy;
}

Result<std::unique_ptr<ClipboardHandle>> ClipboardHandle::open(HWND window)
{
    auto opened = std::unique_ptr<ClipboardHandle>(new ClipboardHandle());
    opened->archive_ = installed_archive_source();
    if (!opened->archive_ && !opened->session_.open(window)) return last_error_or_failure();
    return opened;
}

Result<HANDLE> ClipboardHandle::get(std::uint32_t id)
{
    if (archive_) return archive_->handle(id);
    HANDLE handle = GetClipboardData(id);
    if (!handle || handle == INVALID_HANDLE_VALUE) return last_error_or_failure();
    return handle;
}

}  // namespace cw
