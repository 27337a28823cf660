#pragma once
// Small texts every report shares: the Property/Value table, the hex dump, byte sizes, the
// display names of OLE media, aspects and indexes, and the advertisement block of a format.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/byte_reader.h"
#include "capture/snapshot.h"
#include "report/report.h"

namespace cw {

using PropertyRows = std::vector<std::pair<std::string, std::string>>;

// Columns "Property" and "Value", tab captions "Decoded" and "Raw bytes".
PropertyTable make_property_table(PropertyRows rows, std::string raw_text);

// Sixteen bytes a line: offset, hex columns split after the eighth, then the printable bytes.
// LF line ends. Covers at most RAW_PREVIEW_BYTES: reports never show more than that.
std::string hex_dump(ByteView bytes);

// "{n} B" below 1 KiB, otherwise KiB, MiB or GiB with two decimals.
std::string size_text(std::uint64_t n);

std::string medium_text(std::uint32_t tymed);
std::string aspect_text(std::uint32_t aspect);
std::string index_text(std::int32_t lindex);
// Which catalogue advertised the format: "Win32 + OLE", "Win32", "OLE only" or "Unspecified".
std::string source_text(const FormatEntry& entry);

// "{value} (0x{at least four uppercase hex digits})", the way reports show identifiers.
std::string decimal_and_hex(std::uint32_t value);

// "{number}. Medium=... | Aspect=... | Index=... | Target device=yes|no", one line of an offer list.
std::string offer_line(std::size_t number, const FormatOffer& offer);

// The "ADVERTISEMENT" block: transport and every OLE offer. CR LF line ends, none after the
// last line, so templates place it between their own line breaks.
std::string advertisement_text(const FormatEntry& entry);

// Appends "[Preview truncated: ...]" after a blank line when fewer bytes were shown than exist.
void append_truncation_note(std::string& text, std::uint64_t shown, std::uint64_t total);

// to_crlf for texts that already hold some CR LF: the CR CR LF this makes becomes CR LF.
std::string to_crlf_mixed(std::string_view text);

}  // namespace cw
