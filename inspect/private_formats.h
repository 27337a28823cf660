#pragma once
// Formats without a public layout (OLE bookkeeping, Windows' private range, application-registered
// names): what they are known to be and what to save instead. The Iceni/Foxit contract names a
// temporary file, which is examined read-only through a FileProbe.

#include <cstdint>
#include <optional>
#include <string>

#include "base/byte_reader.h"
#include "capture/snapshot.h"
#include "inspect/file_probe.h"

namespace cw {

// The interpretation of a format that no analyser claims, or none when nothing is known about it.
// `sample` is the start of the global memory block (at most RAW_PREVIEW_BYTES), absent when the
// handle is not inspectable global memory; `block_size` is the block's GlobalSize.
std::optional<std::string> describe_private_format(const FormatEntry& entry, std::optional<ByteView> sample,
                                                   std::uint64_t block_size, const FileProbe& probe);

}  // namespace cw
