#pragma once
// UTF-16 text that arrives in pieces, as a large block copied a part at a time does.

#include <string>

#include "base/byte_reader.h"

namespace cw {

// decode_utf16le_to_first_zero for a block that arrives in pieces cut anywhere, inside a unit or
// between the halves of a surrogate pair; the pieces decode to exactly what the whole block does.
class Utf16leToUtf8Stream {
public:
    // Appends the UTF-8 of `piece`; false once the zero unit has been met, after which the rest
    // of the block does not matter.
    bool decode(ByteView piece, std::string& out);
    // The block has ended: a high surrogate still waiting for its pair becomes U+FFFD and an odd
    // last byte is ignored.
    void finish(std::string& out);

private:
    int odd_byte_ = -1;          // the first byte of a unit cut between two pieces
    char16_t pending_high_ = 0;  // a high surrogate whose pair may start the next piece
    bool ended_ = false;
};

}  // namespace cw
