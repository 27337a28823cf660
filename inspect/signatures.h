#pragma once
// What a block of bytes is, judged by its first bytes only: reports never trust a format name,
// an extension or a stream name alone. The labels are shown verbatim and matched by other code.

#include <string>

#include "base/byte_reader.h"

namespace cw {

inline constexpr const char* NO_SIGNATURE_LABEL = "No recognized signature in the 32-byte sample";

// Portable file signatures: Photoshop, PNG, PDF, GIF, ZIP, compound file, JPEG, RIFF family.
std::string describe_payload_signature(ByteView sample);

// For streams inside OLE objects and Photoshop transfers, where no portable signature is normal:
// falls back to a bitmap header, the 8BIM resource marker, then the native CONTENTS label.
std::string describe_stream_signature(ByteView sample);

}  // namespace cw
