#pragma once
// A ZIP archive built in memory (libzip), so that it is published like any saved file: complete
// or not at all.

#include <cstdint>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"

namespace cw {

struct ZipEntry {
    std::string name;  // "/"-separated, UTF-8; a folder's name has no trailing "/"
    bool folder = false;
    ByteView data;     // must stay valid until build_zip returns
};

// The archive's bytes. Names are stored as UTF-8 and must be unique; files are deflated.
Result<std::vector<std::uint8_t>> build_zip(const std::vector<ZipEntry>& entries);

}  // namespace cw
