#pragma once
// OLE object formats: object descriptors, serialized link monikers, the OwnerLink family and the
// embedded object itself ("Embed Source", "Native"). The reports keep an OLE wrapper apart from
// the file inside it: a Photoshop object counts as a PSD only when its /CONTENTS stream says so.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "report/report.h"

namespace cw {

// "Link Source" monikers, "...Descriptor" OBJECTDESCRIPTORs, OwnerLink/ObjectLink/Link strings,
// and printable strings for anything else.
PropertyTable analyze_ole_link_format(std::string_view format_name, ByteView bytes);

// The compound-file container: its entries, the /CONTENTS stream's signature and the CompObj
// identity. Tab captions "Object" and "Structure".
PropertyTable analyze_embedded_object(std::string_view format_name, ByteView bytes);

// `count` bytes at `offset`, less a final zero byte, as UTF-8 with U+FFFD; none when count is 0,
// above 4 MiB or runs past the block.
std::optional<std::string> read_counted_text(ByteView bytes, std::uint64_t offset, std::uint64_t count);

// The non-empty, trimmed texts between zero bytes, in block order.
std::vector<std::string> split_link_parts(ByteView bytes);

// Runs of at least 3 printable ASCII bytes between zero bytes, trimmed, sorted and unique.
std::vector<std::string> extract_printable_strings(ByteView bytes);

}  // namespace cw
