#pragma once
// Reading a stream out of the OLE container that "Embed Source" and "Native" carry, so that a
// Photoshop document inside can be saved as itself. The report judges the container as the save
// does, so that one read of the object serves both.

#include <optional>
#include <string>
#include <string_view>

#include "base/byte_reader.h"

namespace cw {

// The root stream that holds the document of an embedded object.
inline constexpr std::string_view EMBEDDED_CONTENTS_STREAM = "CONTENTS";

// The whole stream `stream` of the compound file's root storage (names compare as the format
// does, without regard to case); none when the bytes are not a compound file, the root holds no
// such stream, or it cannot be read whole. A RootStreamReader for convert_for_save.
std::optional<std::string> read_compound_root_stream(ByteView file, std::string_view stream);

// Whether the bytes start as a Photoshop document does: its signature and a whole file header.
bool is_photoshop_document(std::string_view bytes);

// Whether the container holds a Photoshop document, whole, in its root CONTENTS stream: what a
// save of the embedded object takes out of it.
bool holds_photoshop_document(ByteView container);

}  // namespace cw
