#pragma once
// What the format list shows after a snapshot or a view switch, in either view, as plain data.
// The window applies a FormatListModel:
//   1. LVM_DELETEALLITEMS; delete every column; LVM_SETEXTENDEDLISTVIEWSTYLE with `ex_style_mask`
//      and `ex_style`; insert `columns` (left aligned, sub-item = index) and mark each header item
//      owner-drawn; always clear `selected_format`, disable "&Save and Close" and empty the
//      extension label.
//   2. Insert `rows` (cell 0 with LVM_INSERTITEMW, the others with LVM_SETITEMTEXTW) and store
//      `row_format_indices()`.
//   3. Set the heading line to `heading` and the view toggle to `toggle_caption`.
//   4. When `stop_audio`: KillTimer 2001 and close any playback.
//   5. When `overview` is set: the detail title and the report text box get its texts and the
//      report panel is shown.
//   6. When `first_row` is set: select and focus that row and run the selection handling for
//      its format index.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/win32_constants.h"
#include "capture/snapshot.h"
#include "report/report_text.h"

namespace cw {

// Both list views get these extended styles at creation (LVM_SETEXTENDEDLISTVIEWSTYLE).
inline constexpr std::uint32_t LIST_VIEW_EX_STYLE = LVS_EX_FULLROWSELECT_STYLE | LVS_EX_DOUBLEBUFFER_STYLE;

struct ListColumn {
    std::string caption;
    int width = 0;  // pixels at the window's DPI
    friend bool operator==(const ListColumn&, const ListColumn&) = default;
};

struct ListRow {
    std::vector<std::string> cells;
    std::size_t format_index = 0;  // into the snapshot's entries
};

struct DetailTexts {
    std::string title;  // detail_title
    std::string text;   // report_view, CR LF line ends
};

struct FormatListModel {
    std::vector<ListColumn> columns;
    std::uint32_t ex_style_mask = 0;
    std::uint32_t ex_style = 0;
    std::vector<ListRow> rows;
    std::string heading;
    std::string toggle_caption;
    bool stop_audio = false;
    std::optional<DetailTexts> overview;
    std::optional<std::size_t> first_row;

    std::vector<std::size_t> row_format_indices() const;
};

inline constexpr std::string_view SIMPLE_VIEW_HEADING = "Choose what to save from the clipboard";
inline constexpr std::string_view SIMPLE_VIEW_TOGGLE_CAPTION = "&Advanced details";
inline constexpr std::string_view ADVANCED_VIEW_TOGGLE_CAPTION = "Simple &view";
inline constexpr std::string_view OVERVIEW_TITLE = "Clipboard overview";
inline constexpr std::string_view NO_LOGICAL_GROUPING_TEXT =
    "No logical clipboard grouping has been recognized for this specimen.";
inline constexpr std::string_view NOTHING_SAVEABLE_TITLE = "No directly saveable representation found";
inline constexpr std::string_view NOTHING_SAVEABLE_TEXT =
    "This clipboard does not expose a representation that Clipwright can safely save yet. Open Advanced details "
    "to inspect every advertised format.";

// The columns of a view at a DPI (also what WM_DPICHANGED resizes them to).
std::vector<ListColumn> format_list_columns(bool advanced_view, std::uint32_t dpi);

// The header painter's caption for a column of the current view; empty when out of range.
std::string_view format_list_column_caption(bool advanced_view, std::size_t column);

// The advanced view's per-offer and transport texts are the report model's, so that this list,
// the console output and the reports always agree; tests put stand-ins in.
struct OfferTextFunctions {
    std::string (*medium)(std::uint32_t tymed) = medium_text;
    std::string (*aspect)(std::uint32_t aspect) = aspect_text;
    std::string (*index)(std::int32_t lindex) = index_text;
    std::string (*source)(const FormatEntry& entry) = source_text;
};

// One row per entry in snapshot order: #, name, role, transport, media, aspects, indexes,
// decimal id, "0x" hex id (at least four digits), class.
std::vector<std::string> advanced_row_cells(const FormatEntry& entry, const OfferTextFunctions& texts = {});

FormatListModel build_simple_format_list(std::span<const FormatEntry> entries, std::uint32_t dpi);
FormatListModel build_advanced_format_list(const ClipboardSnapshot& snapshot, std::uint32_t dpi,
                                           const OfferTextFunctions& texts = {});

inline FormatListModel build_format_list(const ClipboardSnapshot& snapshot, bool advanced_view, std::uint32_t dpi,
                                         const OfferTextFunctions& texts = {})
{
    return advanced_view ? build_advanced_format_list(snapshot, dpi, texts)
                         : build_simple_format_list(snapshot.entries, dpi);
}

}  // namespace cw
