#pragma once
// Reading a stream out of the OLE container that "Embed Source" and "Native" carry, so that a
// Photoshop document inside can be saved as itself.

#include <optional>
#include <string>
#include <string_view>

#include "base/byte_reader.h"

namespace cw {

// The whole stream `stream` of the compound file's root storage (names compare as the format
// does, without regard to case); none when the bytes are not a compound file, the root holds no
// such stream, or it cannot be read whole. A RootStreamReader for convert_for_save.
std::optional<std::string> read_compound_root_stream(ByteView file, std::string_view stream);

}  // namespace cw
