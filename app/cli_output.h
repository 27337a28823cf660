#pragma once
// What the console commands print: the snapshot and one format's detail report, as JSON or as
// text for people and line-oriented tools. Texts leave here with LF line ends.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "capture/snapshot.h"
#include "report/report.h"

namespace cw {

// What one command prints on each stream, and its exit status.
struct CliOutput {
    std::string out;
    std::string err;
    int status = 0;
};

// The snapshot as `list` shows it. `global_sizes` holds, per entry, the GlobalSize of its flat
// clipboard block where there is one.
nlohmann::ordered_json snapshot_json(const ClipboardSnapshot& snapshot,
                                     std::span<const std::optional<std::uint64_t>> global_sizes);
// The summary, a tab-separated line per format under the advanced view's captions, the OLE
// offers one per line, then the logical object report when there is one.
std::string snapshot_text(const ClipboardSnapshot& snapshot,
                          std::span<const std::optional<std::uint64_t>> global_sizes);

// What `list` prints: JSON or text.
CliOutput list_output(const ClipboardSnapshot& snapshot, std::span<const std::optional<std::uint64_t>> global_sizes,
                      bool json);

// The detail report of `entry` as `show` prints it; an Unavailable report goes to standard
// error as the window's Unavailable text (in JSON to standard output) with the not-found status.
// `error_display` is the display text of an Unavailable report's error.
nlohmann::ordered_json report_json(const FormatEntry& entry, const DetailReport& report,
                                   std::string_view error_display);
CliOutput report_output(const FormatEntry& entry, const DetailReport& report, bool json,
                        std::string_view error_display);

// Serialises JSON output: indented, invalid UTF-8 replaced, one LF at the end.
std::string json_text(const nlohmann::ordered_json& value);

// CR LF (and CR CR LF) becomes LF; the reports are built for edit controls. A lone CR stays.
std::string lf_line_ends(std::string_view text);

}  // namespace cw
