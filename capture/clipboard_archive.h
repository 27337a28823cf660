#pragma once
// The whole clipboard as one file: a ZIP archive with manifest.json and one member per stored
// format (and per FileContents item). Written by `clipwright-cli dump`, read by restore, by
// `--from` and by the window's `--open`. An archive comes from another machine and is read as
// untrusted bytes: every count and size is bounded and checked against the members.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"
#include "capture/snapshot.h"

namespace cw {

inline constexpr int CLIPBOARD_ARCHIVE_VERSION = 1;
inline constexpr std::string_view CLIPBOARD_ARCHIVE_KIND = "clipwright-clipboard";
inline constexpr std::string_view ARCHIVE_MANIFEST_NAME = "manifest.json";

// Bounds of what an archive may hold.
inline constexpr std::uint64_t ARCHIVE_MANIFEST_LIMIT = 8u << 20;    // bytes of manifest.json
inline constexpr std::size_t ARCHIVE_FORMAT_LIMIT = 0xFFFF;          // one per 16-bit identifier
inline constexpr std::size_t ARCHIVE_OFFER_LIMIT = 4096;             // FORMATETCs of one format
inline constexpr std::size_t ARCHIVE_ITEM_LIMIT = 4096;              // FileContents items of one format
inline constexpr std::size_t ARCHIVE_NAME_LIMIT = 255;               // characters of a registered name
inline constexpr std::size_t ARCHIVE_TARGET_DEVICE_LIMIT = 0x10000;  // bytes of one DVTARGETDEVICE
inline constexpr std::uint64_t ARCHIVE_MEMBER_LIMIT = 0x10000000;    // 256 MiB, the largest read
inline constexpr std::uint64_t ARCHIVE_TOTAL_LIMIT = 0x40000000;     // 1 GiB of members together
inline constexpr std::uint64_t ARCHIVE_ENTRY_LIMIT = 2 * 0xFFFF + 2 * ARCHIVE_ITEM_LIMIT;  // ZIP entries

// How a stored format's bytes are kept. GDI objects have no bytes of their own on the clipboard;
// they are kept in their portable file forms and made into objects again on restore.
enum class ArchiveEncoding {
    global,             // a global memory block (or an OLE stream), byte for byte
    dib,                // CF_BITMAP as a packed DIB (BITMAPINFOHEADER, colour table, pixels)
    enhanced_metafile,  // CF_ENHMETAFILE as its EMF bits
    metafile_picture,   // CF_METAFILEPICT: 12-byte header (mm, xExt, yExt, signed 32-bit) then the WMF bits
    palette,            // CF_PALETTE as its LOGPALETTE (version, count, PALETTEENTRY array)
};

// What the archive holds for a format.
enum class ArchiveContent {
    stored,       // its bytes are a member
    synthesised,  // Windows makes it from another format; nothing stored, restore leaves it to Windows
    failed,       // it could not be read; `error` says why
    items,        // FileContents: nothing for lindex -1, one member per item the descriptor lists
};

struct ArchivedOffer {
    std::uint32_t tymed = 0;
    std::uint32_t aspect = 0;
    std::int32_t lindex = -1;
    std::optional<std::vector<std::uint8_t>> target_device;  // the DVTARGETDEVICE bytes
};

// One FileContents item read with its own lindex.
struct ArchivedItem {
    std::int32_t lindex = 0;
    std::optional<std::vector<std::uint8_t>> bytes;  // none when it failed
    std::optional<std::string> error;
};

struct ArchivedFormat {
    std::uint32_t id = 0;
    std::string name;
    bool registered = false;  // restore registers `name` and uses the identifier it gets
    bool listed_by_win32 = false;
    std::vector<ArchivedOffer> offers;
    ArchiveContent content = ArchiveContent::failed;
    ArchiveEncoding encoding = ArchiveEncoding::global;
    std::vector<std::uint8_t> bytes;  // when stored
    std::optional<std::string> error;
    std::vector<ArchivedItem> items;
};

struct ClipboardArchive {
    std::uint32_t sequence_number = 0;
    std::uint64_t owner_window = 0;
    std::uint32_t enum_end_code = 0;
    std::optional<std::string> ole_error;
    std::string created;  // UTC, ISO 8601, when the dump was taken
    std::vector<ArchivedFormat> formats;
};

std::string_view archive_encoding_name(ArchiveEncoding encoding);
std::string_view archive_content_name(ArchiveContent content);

// The archive's bytes: manifest.json first, then the members, stored without compression (a
// clipboard's big formats are pictures that deflate poorly, and dump speed matters more).
Result<std::vector<std::uint8_t>> write_clipboard_archive(const ClipboardArchive& archive);

// Reads an archive from memory. The error message says what is wrong in words a user can act on.
Result<ClipboardArchive> read_clipboard_archive(ByteView bytes);

// The snapshot the reports show for an archive: the formats in their archived order, named as
// the dumping machine named them, with the archived summary fields.
ClipboardSnapshot archive_snapshot(const ClipboardArchive& archive);

// What `list` shows as each entry's GlobalSize: the stored block's length for flat formats held
// in global memory, the size of a METAFILEPICT for a metafile picture, nothing for the rest.
std::vector<std::optional<std::uint64_t>> archived_global_sizes(const ClipboardArchive& archive);

// Which formats of the flat list (in EnumClipboardFormats order) Windows synthesised: the text,
// bitmap and metafile conversions are added after every format a program placed, so a member of
// such a group counts as synthesised when it stands in the list's tail of convertible formats
// behind another member of its group. CF_LOCALE and CF_PALETTE are always kept: they are small
// and what Windows would make of them depends on the machine.
std::vector<bool> synthesised_formats(std::span<const std::uint32_t> flat_ids);

// The formats OLE keeps on the flat clipboard for its own bookkeeping ("Ole Private Data",
// "DataObject" and Wine's marshalled object): they describe a data object of the dumping
// session, are made again by OLE on restore, and count as synthesised.
bool is_ole_bookkeeping_format(std::string_view name);

// The item count at the front of a FileGroupDescriptor(W) block, capped at ARCHIVE_ITEM_LIMIT;
// none when the block is too short.
std::optional<std::uint32_t> descriptor_item_count(ByteView descriptor);

// Why a format was not stored.
std::string archive_too_large_message(std::uint64_t size);
inline constexpr std::string_view GDI_OBJECT_NOT_PORTABLE =
    "A GDI object format has no portable form; it is not stored.";
inline constexpr std::string_view STREAM_TOO_LARGE_TO_STORE =
    "The OLE stream exceeds the 64 MiB limit; it is not stored.";
inline constexpr std::string_view NO_STORABLE_MEDIUM = "No offer of this format has a medium that can be stored.";

// Error texts of the reader that tests and callers compare.
inline constexpr std::string_view ARCHIVE_NOT_ZIP = "The file is not a clipboard archive (not a ZIP file).";
inline constexpr std::string_view ARCHIVE_NO_MANIFEST = "The archive has no manifest.json.";
std::string archive_version_message(std::int64_t version);

}  // namespace cw
