#pragma once
// What the formats of one copy amount to together: an Explorer file or folder copy, a Shell
// namespace transfer, or a Photoshop image/layer copy. The recognisers choose from the snapshot
// and write the LOGICAL CLIPBOARD OBJECT report from facts the Win32 side read; the Explorer
// vocabulary shared with the Shell record reports (drop effects, AsyncFlag) lives here too.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "capture/snapshot.h"
#include "inspect/file_probe.h"
#include "report/report.h"

namespace cw {

struct LogicalClipboardObject {
    std::string kind;
    std::string report_text;  // CR LF line ends
};

enum class Recogniser { None, ExplorerTransfer, ShellNamespace, Photoshop };

// The first recogniser that applies: CF_HDROP, then "Shell IDList Array", then a Photoshop name.
Recogniser choose_recogniser(const std::vector<FormatEntry>& entries);

// The first entry with this name (ASCII case-insensitive), or null.
const FormatEntry* find_named_entry(const std::vector<FormatEntry>& entries, std::string_view name);

// The Operation line from the first bytes of "Preferred DropEffect"; "Not advertised" when the
// format is missing, unreadable or shorter than 4 bytes.
std::string drop_operation(const std::optional<ByteView>& preferred_drop_effect);

// The Explorer transfer: each path is classified by its own metadata (links are not followed;
// device paths are never asked and count as unavailable).
LogicalClipboardObject explorer_transfer_object(const std::vector<std::string>& paths, const std::string& operation,
                                                bool has_file_contents, const FileProbe& probe);

LogicalClipboardObject shell_namespace_object();

struct DibHeaderFacts {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bits = 0;
    std::uint64_t payload = 0;  // the block's total size
};

// Decodes the first bytes of a CF_DIBV5/CF_DIB block whose total size is `total`; none unless
// the header size is one of 40, 52, 56, 64, 108, 124 and 16 bytes are present.
std::optional<DibHeaderFacts> decode_dib_header(ByteView first_bytes, std::uint64_t total);

struct NativeStreamFacts {
    std::uint64_t size = 0;
    std::string label;  // describe_stream_signature of its first 64 bytes
};

// The "/CONTENTS" stream of an OLE compound object, when the bytes open as one and hold it.
std::optional<NativeStreamFacts> native_contents_facts(ByteView compound_bytes);

struct PhotoshopFacts {
    std::optional<DibHeaderFacts> header;
    std::optional<std::string> source_file;
    std::optional<std::uint64_t> native_size;
    std::optional<NativeStreamFacts> native_stream;
};

LogicalClipboardObject photoshop_object(const PhotoshopFacts& facts);

}  // namespace cw
