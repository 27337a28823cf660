#pragma once
// Which clipboard formats can be written straight to a file, the one row per kind that the simple
// view offers, the extension any format gets, and the file name proposed for it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "capture/snapshot.h"

namespace cw {

// One row of the classification table.
struct SaveableFormat {
    std::string_view kind;  // "html", "rtf", "url", "text", "audio", "image", "table" or "workbook"
    std::string_view label;
    std::string_view extension;  // with its dot
    std::uint8_t order = 0;      // rows sort by it, smallest first
    std::uint8_t score = 0;      // within a kind, the higher wins
};

// Nothing when the format cannot be saved directly. Name rules compare ASCII case-insensitively
// and whole, except "rich text format", which may be followed by more.
std::optional<SaveableFormat> classify_saveable_format(const FormatEntry& entry);

// The extension, without its dot, for any format; "bin" when nothing is known.
std::string default_extension(const FormatEntry& entry);

struct SaveCandidate {
    std::string kind;
    std::string label;
    std::string extension;  // with its dot
    std::uint8_t order = 0;
    std::uint8_t score = 0;
    std::size_t format_index = 0;  // into the snapshot's entries
};

// One candidate per kind, in row order: by kind order, then by the order in which the kinds were
// first met. Within a kind the highest score wins; ties go to the format listed first.
std::vector<SaveCandidate> build_save_candidates(std::span<const FormatEntry> entries);

// True when the file system returns metadata for the path (the name is taken).
using PathProbe = std::function<bool(std::u16string_view path)>;

// `name` inside `folder`, joined as Windows joins paths ("C:" + name stays drive-relative).
std::u16string join_folder_and_name(std::u16string_view folder, std::u16string_view name);

// untitled.{extension}, else untitled_1.{extension}, untitled_2.{extension}, ...: the first name
// whose path in `folder` the probe does not find. `extension` comes without its dot.
std::string suggest_file_name(std::u16string_view folder, std::string_view extension, const PathProbe& exists);

// The simple view's detail title for a selection: "Preview: {label} ({extension})", or
// "Preview: {name}" for a format that is not directly saveable.
std::string simple_view_detail_title(const FormatEntry& entry);

}  // namespace cw
