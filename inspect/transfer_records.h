#pragma once
// The dispatcher rows whose analysers read one copied record: the Shell transfer records, the
// virtual-file manifest, the Photoshop clip source and paste position, and AsyncFlag.

#include <string_view>

#include "base/byte_reader.h"
#include "inspect/dispatcher.h"
#include "inspect/file_probe.h"
#include "report/report.h"

namespace cw {

bool is_transfer_record_row(DispatchRow row);

// The table for the bytes copied for such a row; `name` is the format's name.
PropertyTable analyze_transfer_record(DispatchRow row, std::string_view name, ByteView bytes, const FileProbe& probe);

}  // namespace cw
