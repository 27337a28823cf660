#pragma once
// Which reader and interpreter a selected format goes to, and the reports the dispatcher builds
// itself. The Win32 side opens the clipboard and reads; everything that decides or describes is
// here, as pure functions.

#include <cstdint>
#include <string>
#include <string_view>

#include "capture/retrieval.h"
#include "capture/snapshot.h"
#include "inspect/text_locale.h"
#include "report/report.h"

namespace cw {

// The rows of the flat-transport table, in the order their tests are tried.
enum class DispatchRow {
    EncodedImage,
    WaveAudio,
    DropList,
    ShellIdListArray,
    ShellAttributes,
    ShellAttributesElevation,
    ShellObjectOffsets,
    PreferredDropEffect,
    AsyncFlag,
    PathAlias,
    FileGroupDescriptor,
    ClipSource,
    PasteInPlace,
    RichText,
    Url,
    Html,
    RfhToken,
    SylkOrDif,
    XmlSpreadsheet,
    Csv,
    EmbeddedObject,
    Workbook,
    Locale,
    DisplayText,
    OleLink,
    UnicodeText,
    AnsiText,
    RawMetadata,
};

DispatchRow classify_dispatch_row(const FormatEntry& entry);

inline constexpr std::string_view ENCODED_IMAGE_TOO_LARGE = "The encoded image is too large to preview.";

// How many bytes the row copies from the global block; 0 for rows that do not copy.
std::uint64_t dispatch_read_limit(DispatchRow row);

// True for names of encoded image formats the image decoder previews (PNG, GIF, JFIF, ...).
bool is_encoded_image_format_name(std::string_view name);

// The three photoshop names whose missing handle gets the advertisement report.
bool is_adobe_advertised_format(std::string_view name);

// Whether the row's interpreter works on copied bytes alone; the other rows get the raw
// format metadata report until their reader exists.
bool has_byte_interpreter(DispatchRow row);

// Interprets the bytes copied for a row that has a byte interpreter; none for the others.
// `ansi` says how 8-bit text is read; by default as UTF-8 only.
std::optional<DetailReport> interpret_copied_bytes(DispatchRow row, const FormatEntry& entry, const GlobalCopy& copy,
                                                   LocaleNameLookup locale_name, const AnsiTextContext& ansi = {});

// Whether the row's interpreter reads the bytes as 8-bit text in the clipboard's code page.
bool reads_ansi_text(DispatchRow row);

// Text or the tab-separated table, with the truncation note.
DetailReport text_rule(std::string text, std::uint64_t shown, std::uint64_t total);

PropertyTable stream_table(const FormatEntry& entry, const StreamRead& read);
PropertyTable file_contents_contract_table();
std::string adobe_advertisement_report(const FormatEntry& entry, std::string_view error_display);
std::string detail_heading(const FormatEntry& entry);
// The heading once the report is built: 8-bit text adds the code page it was read in after the
// identifier.
std::string detail_heading(const FormatEntry& entry, const DetailReport& report);
std::string unavailable_text(const FormatEntry& entry, std::string_view error_display);
// Report text for a failed read_ole_stream of the selected format; `error_display` is the API
// display form of the error.
std::string describe_ole_stream_failure(const FormatEntry& entry, const FormatOffer& offer,
                                        std::string_view error_display);


}  // namespace cw
