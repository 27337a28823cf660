#pragma once
// Bounded retrieval of one advertised representation: which transport reads it, the read limits,
// the shapes of what the reads return, and the texts shown when a read fails. The Win32 reads
// themselves (read_ole_stream, copy_global_memory) live in the shell and fill these types.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "capture/snapshot.h"

namespace cw {

// Read limits: each caller names the one that fits what the bytes are for.
inline constexpr std::uint64_t RAW_PREVIEW_BYTES = 512;
inline constexpr std::uint64_t RECORD_PAYLOAD_LIMIT = 0x400000;   // 4 MiB: text and record reports
inline constexpr std::uint64_t LARGE_PAYLOAD_LIMIT = 0x10000000;  // 256 MiB: saving and whole-payload previews
inline constexpr std::uint64_t OLE_STREAM_LIMIT = 0x4000000;      // 64 MiB: largest OLE stream kept
inline constexpr std::size_t OLE_STREAM_CHUNK = 0x10000;          // one IStream::Read request

// Errors read_ole_stream raises itself (with E_INVALID_DATA_HR) when GetData succeeds oddly.
inline constexpr std::string_view OLE_MEDIUM_NOT_STREAM_MESSAGE =
    "The OLE provider returned a medium other than IStream.";
inline constexpr std::string_view OLE_NULL_STREAM_MESSAGE = "The OLE provider returned a null IStream.";

// What an OLE stream read returned: the bytes from position 0, and whether the end of the
// stream was reached before the cap.
struct StreamRead {
    std::vector<std::uint8_t> bytes;
    bool complete = false;
};

// What a copy of a clipboard global memory block returned: the first min(limit, total_size)
// bytes and the block's GlobalSize.
struct GlobalCopy {
    std::vector<std::uint8_t> bytes;
    std::uint64_t total_size = 0;

    bool complete() const { return bytes.size() == total_size; }
};

// The one rule that decides the transport, shared by the report and the save of a format: an
// IStream offer when the format has no global-memory, GDI or metafile offer, and never the
// FileContents contract with lindex -1. Only the first IStream offer is considered.
std::optional<FormatOffer> find_stream_offer(const FormatEntry& entry);

// One IStream::Read: fills at most `count` bytes of `buffer` and returns how many it wrote
// (0 at the end of the stream), or the failing HRESULT.
using StreamChunkReader = std::function<Result<std::size_t>(std::uint8_t* buffer, std::size_t count)>;

// The read loop of read_ole_stream: chunks of OLE_STREAM_CHUNK until the end of the stream or
// one byte past OLE_STREAM_LIMIT, which marks the result incomplete and is cut off. A provider
// claiming to have written more than it was asked for is held to what it was asked for.
Result<StreamRead> read_stream_capped(const StreamChunkReader& read);

// Messages of the save command around the flat Win32 transport.
std::string representation_unavailable_message(std::string_view error_display);  // GetClipboardData gave no handle
std::string representation_unreadable_message(std::string_view error_display);   // copy_global_memory failed

}  // namespace cw
