#pragma once
// The items of a file copy on the clipboard, as the paste-files command carries them out: an
// Explorer transfer (CF_HDROP paths, walked into their folders) or virtual files (a
// FILEGROUPDESCRIPTOR whose bytes arrive as indexed FileContents). Names, caps, the item listing
// and the choice of free names are portable; reading and writing are Win32.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"

namespace cw {

// Caps for what another program can make the command do.
inline constexpr std::size_t MAX_PASTE_ITEMS = 10000;                  // descriptors, or entries of copied trees
inline constexpr std::uint64_t MAX_PASTE_ITEM_BYTES = 0x10000000;        // 256 MiB: one item held in memory
inline constexpr std::uint64_t MAX_PASTE_TOTAL_BYTES = 0x10000000000ULL;  // 1 TiB: read in one call
inline constexpr std::uint64_t MAX_ZIP_INPUT_BYTES = 0x10000000;       // 256 MiB: the archive is built in memory

inline constexpr std::string_view PASTE_TOO_MANY_ITEMS = "More than 10,000 items; this one and the rest were not copied.";
inline constexpr std::string_view PASTE_ITEM_TOO_LARGE = "It is larger than the 256 MiB limit for one item.";
inline constexpr std::string_view PASTE_TOTAL_TOO_LARGE = "The items together exceed the 1 TiB limit of one paste.";
inline constexpr std::string_view PASTE_ZIP_TOO_LARGE = "The items together exceed the 256 MiB limit of one ZIP archive.";
inline constexpr std::string_view PASTE_NOT_A_FILE = "It names a device, pipe or other non-file object, so it was not opened.";
inline constexpr std::string_view PASTE_ONLINE_ONLY = "It is an online-only file; reading it would download it, so it was not copied.";
inline constexpr std::string_view PASTE_LINK_NOT_FOLLOWED = "It is a link inside a copied folder and was not followed.";
inline constexpr std::string_view PASTE_FOLDER_LOOP = "It is a folder already copied in this paste (a loop), so it was not entered again.";
inline constexpr std::string_view PASTE_SHORTER_THAN_ANNOUNCED =
    "FileContents delivered fewer bytes than its descriptor announces.";
inline constexpr std::string_view PASTE_LONGER_THAN_ANNOUNCED =
    "FileContents delivered more bytes than its descriptor announces.";
inline constexpr std::string_view PASTE_CLIPBOARD_CHANGED =
    "The clipboard changed while the command ran, so the source of this item is gone.";
inline constexpr std::string_view PASTE_UNKNOWN_MEDIUM = "FileContents came in a medium other than HGLOBAL, IStream or IStorage.";

enum class PasteItemKind { File, Folder };

// One file or folder to write. `path` is the sanitised relative path (top-level item first).
struct PasteItem {
    std::vector<std::string> path;
    PasteItemKind kind = PasteItemKind::File;
    std::string given_name;                   // what the source called it, for messages and the listing
    std::string source_path;                  // Explorer transfers: the file or folder to read
    bool follow_link = false;                 // a dropped link that leads to a file-system object
    std::int32_t content_index = -1;          // virtual files: the FileContents lindex
    std::optional<std::uint64_t> size;        // from the file system, or FD_FILESIZE
    std::string refusal;                      // non-empty: not written, and why
    bool top_level = true;                    // a clipboard item rather than something found in a copied folder
};

// One virtual file descriptor (FILEDESCRIPTORW or the ANSI FILEDESCRIPTOR).
struct VirtualFileDescriptor {
    std::string name;
    std::uint32_t attributes = 0;
    std::optional<std::uint64_t> size;  // only with FD_FILESIZE
};

// At most `cap` descriptors of a FILEGROUPDESCRIPTOR(W) block; a count the block cannot hold ends
// at the last whole descriptor. `advertised` is the count the block claims.
std::vector<VirtualFileDescriptor> parse_file_descriptors(std::string_view format_name, ByteView block, std::size_t cap,
                                                          std::uint32_t* advertised = nullptr);

// The items for the descriptors: sanitised names, folders by attribute 0x10; refused names and
// descriptors past MAX_PASTE_ITEMS keep their reason.
std::vector<PasteItem> virtual_file_items(const std::vector<VirtualFileDescriptor>& descriptors, std::uint32_t advertised);

// What FileContents delivered against what the descriptor announced: HGLOBAL blocks are often
// rounded up and are cut to the announced size; a stream or storage must match it. Returns the
// refusal, or nothing when the bytes are right (`bytes` may be cut).
std::optional<std::string_view> check_announced_size(std::vector<std::uint8_t>& bytes, std::optional<std::uint64_t> announced,
                                                     bool global_memory);

// Free names in folders: "{base}.{ext}", else "{base}_{n}.{ext}" (a name without extension and a
// folder take "{name}_{n}"). Remembers the last number per name, so many items of one name cost
// one look-up each rather than one per earlier item.
class FreeNames {
public:
    using Exists = std::function<bool(const std::string& path)>;
    explicit FreeNames(Exists exists) : exists_(std::move(exists)) {}
    std::string choose(std::string_view folder, std::string_view name, bool folder_item);

private:
    Exists exists_;
    std::map<std::string, std::uint64_t> next_;
};

// The bytes of one file: held whole (global memory, a storage), or pulled piece by piece from a
// file or stream, so that a file of any size is copied through a bounded buffer.
struct ItemContent {
    std::vector<std::uint8_t> held;
    // When set, the bytes come from here instead: each call fills the start of `into` and returns
    // how much it filled, 0 at the end.
    std::function<Result<std::size_t>(std::span<std::uint8_t> into)> read;
};

// All of `content` in memory; more than `limit` bytes fail with `too_large`.
Result<std::vector<std::uint8_t>> hold_content(ItemContent content, std::uint64_t limit, std::string_view too_large);

// Where items are written: a folder on disk, or the inside of a ZIP archive. Paths are the root
// joined with components by "\\".
class PasteTarget {
public:
    virtual bool exists(const std::string& path) = 0;
    // Creates a new folder; fails when the name is taken.
    virtual Status make_folder(const std::string& path) = 0;
    // Publishes a new file; never replaces one.
    virtual Status write_file(const std::string& path, ItemContent content) = 0;

protected:
    ~PasteTarget() = default;
};

// Opens an item's source; the bytes are read as the file is written.
using FetchContent = std::function<Result<ItemContent>(const PasteItem& item)>;

struct PasteFailure {
    std::string item;
    std::string reason;
};

struct PasteReport {
    std::vector<std::string> written;  // one per top-level item written
    std::vector<PasteFailure> failures;
};

// Writes the items in order under `root`: a top-level name that is taken gets the numbered name
// (a folder is never merged into an existing one), folders named by several items are created
// once, and a failed item (refused, unreadable, unwritable) is reported while the rest go on.
PasteReport place_items(const std::vector<PasteItem>& items, std::string_view root, PasteTarget& target,
                        const FetchContent& fetch);

enum class ListingFormat { Text, Csv, Json };

struct ListingRow {
    std::string name;
    std::string kind;  // "File", "Folder", "Link", "Unknown"
    std::optional<std::uint64_t> size;
    std::string location;
    std::string availability;
};

std::string render_listing(const std::vector<ListingRow>& rows, ListingFormat format);
std::string_view listing_extension(ListingFormat format);

enum class PasteMode { Copy, Zip, Shortcuts, Listing };

struct PasteRequest {
    std::string folder;    // where the results go (absolute)
    PasteMode mode = PasteMode::Copy;
    std::string zip_name;  // Zip: the archive's name as typed
    ListingFormat listing = ListingFormat::Text;
};

enum class PasteStop { None, NoFiles, ClipboardBusy, FolderUnavailable, NotForVirtualFiles };

inline constexpr std::string_view PASTE_NO_FILES = "The clipboard holds no copied files or virtual files.";
inline constexpr std::string_view PASTE_SHORTCUTS_NEED_PATHS =
    "Shortcuts need an Explorer copy of files or folders; virtual files have no path to point to.";

struct PasteResult {
    PasteStop stop = PasteStop::None;
    std::string stop_message;
    PasteReport report;
    std::string operation;  // the "Preferred DropEffect" names, or "Not advertised"
};

}  // namespace cw
