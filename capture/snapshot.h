#pragma once
// One capture of the clipboard: which formats it advertises, and how the OLE data object offers
// each of them. No payload is read while a snapshot is taken.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cw {

inline constexpr std::uint32_t TYMED_HGLOBAL_BIT = 1;
inline constexpr std::uint32_t TYMED_FILE_BIT = 2;
inline constexpr std::uint32_t TYMED_ISTREAM_BIT = 4;
inline constexpr std::uint32_t TYMED_ISTORAGE_BIT = 8;
inline constexpr std::uint32_t TYMED_GDI_BIT = 16;
inline constexpr std::uint32_t TYMED_MFPICT_BIT = 32;
inline constexpr std::uint32_t TYMED_ENHMF_BIT = 64;

// One distinct FORMATETC of the OLE catalogue; the target device itself is not kept.
struct FormatOffer {
    std::uint32_t tymed = 0;
    std::uint32_t aspect = 0;
    std::int32_t lindex = -1;
    bool has_target_device = false;

    friend bool operator==(const FormatOffer&, const FormatOffer&) = default;
};

struct FormatEntry {
    std::uint64_t ordinal = 0;  // 1-based discovery position
    std::uint32_t id = 0;
    std::string name;
    std::string class_label;
    bool listed_by_win32 = false;
    std::vector<FormatOffer> offers;
};

struct ClipboardSnapshot {
    std::uint32_t sequence_number = 0;
    std::uintptr_t owner_window = 0;
    std::uint32_t enum_end_code = 0;
    std::vector<FormatEntry> entries;
    std::uint64_t ole_offer_count = 0;
    std::optional<std::string> ole_error;
    std::string summary;
    std::string logical_object_text;

    std::uint64_t win32_count() const;
    std::uint64_t unique_count() const { return entries.size(); }
};

// Looks up a display name for an identifier; the Win32 layer passes the system lookup.
using FormatNameLookup = std::string (*)(std::uint32_t id);

// Appends a Win32-listed format in discovery order.
void add_win32_format(std::vector<FormatEntry>& entries, std::uint32_t id, FormatNameLookup name_of);

// Merges one OLE catalogue element: by identifier only, first match wins, OLE-only formats are
// appended. Returns true when the offer was new for its entry (and so counts as an OLE offer).
bool merge_ole_offer(std::vector<FormatEntry>& entries, std::uint16_t cf_format, const FormatOffer& offer,
                     FormatNameLookup name_of);

// "{win32} Win32 formats | {ole} OLE offers | ... | Enum end {n}{ole_suffix}"
std::string snapshot_summary(const ClipboardSnapshot& snapshot);

// Fields of the "clipboard_enumeration" log event after a successful capture.
std::string enumeration_log_fields(const ClipboardSnapshot& snapshot);

// Texts the window shows around a capture.
inline constexpr std::string_view CLIPBOARD_BUSY_HEADING = "Clipboard could not be opened";
inline constexpr std::string_view CLIPBOARD_BUSY_LOG_FIELDS = "result=clipboard_busy_or_unavailable";
inline constexpr std::string_view SELECT_FORMAT_HEADING = "Select a clipboard format to inspect its data.";
inline constexpr std::string_view DETAIL_PANE_INTRO =
    "The left pane combines the flat Win32 EnumClipboardFormats list with the richer OLE IDataObject FORMATETC "
    "catalogue.\r\n\r\nOLE entries expose storage medium, content aspect and item index without retrieving every "
    "payload. Select one format to inspect only that representation.";
inline constexpr std::string_view CLIPBOARD_CHANGED_DURING_INSPECTION = "The clipboard changed during inspection.";
// {error} is the display text of the failed OpenClipboard.
std::string clipboard_busy_text(std::string_view error_display);

}  // namespace cw
