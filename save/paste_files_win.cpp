#include "save/paste_files_win.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <set>
#include <shlobj.h>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "capture/retrieval_win.h"
#include "inspect/file_lists.h"
#include "inspect/file_lists_win.h"
#include "inspect/file_probe_win.h"
#include "inspect/item_probe.h"
#include "inspect/logical_object.h"
#include "save/file_name.h"
#include "save/paste_names.h"
#include "save/publish_win.h"
#include "save/save_messages.h"
#include "save/zip_writer.h"

namespace cw {

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD NAME_SURROGATE = 0x20000000U;
constexpr std::size_t COPY_BUFFER = 0x400000;  // 4 MiB: what one file's copy holds at a time

struct MediumGuard {
    STGMEDIUM medium{};
    ~MediumGuard() { ReleaseStgMedium(&medium); }
};

CLIPFORMAT registered(const wchar_t* name)
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatW(name));
}

FORMATETC format_of(CLIPFORMAT cf, LONG lindex, DWORD tymed)
{
    return FORMATETC{cf, nullptr, DVASPECT_CONTENT, lindex, tymed};
}

Error failure_with(std::string message)
{
    return Error::invalid_data(std::move(message));
}

// GetData of a global-memory rendering into `guard`; false when it is not offered.
bool get_global(IDataObject* data, CLIPFORMAT cf, MediumGuard& guard)
{
    FORMATETC format = format_of(cf, -1, TYMED_HGLOBAL);
    if (FAILED(data->GetData(&format, &guard.medium))) {
        guard.medium = {};
        return false;
    }
    return guard.medium.tymed == TYMED_HGLOBAL && guard.medium.hGlobal;
}

// The first `limit` bytes of a global-memory rendering; none when it is not offered.
std::optional<GlobalCopy> read_global(IDataObject* data, CLIPFORMAT cf, std::uint64_t limit)
{
    MediumGuard guard;
    if (!get_global(data, cf, guard)) return std::nullopt;
    auto copy = copy_global_memory(guard.medium.hGlobal, limit);
    if (!copy) return std::nullopt;
    return std::move(*copy);
}

std::optional<std::vector<std::string>> read_drop_paths(IDataObject* data)
{
    MediumGuard guard;
    if (!get_global(data, CF_HDROP, guard)) return std::nullopt;
    auto paths = query_drop_paths(guard.medium.hGlobal);
    if (!paths) return std::nullopt;
    return std::move(*paths);
}

// ---- Explorer items ----------------------------------------------------------------------------

bool is_online_only(const FileProbe& probe, std::string_view path)
{
    const auto attributes = probe.attributes(path);
    return attributes && (*attributes & ONLINE_ONLY_ATTRIBUTES);
}

PasteItem explorer_item(const std::string& path, const FileProbe& probe)
{
    PasteItem item;
    item.given_name = path;
    item.source_path = path;
    const std::string name = sanitize_component(split_item_path(path).name);
    if (name.empty()) {
        item.refusal = ITEM_NAME_EMPTY;
        return item;
    }
    item.path = {name};
    PathMetadata meta = probe_item_metadata(probe, path, false);
    if (meta.available && meta.kind == PathKind::NameSurrogate) {
        // A dropped link is copied as what it leads to, when that is a file or folder on a disk.
        item.follow_link = true;
        meta = probe_item_metadata(probe, path, true);
    }
    if (!meta.available) {
        item.refusal = item_error_display(meta);
    } else if (meta.kind == PathKind::OtherObject || meta.kind == PathKind::NameSurrogate) {
        item.refusal = PASTE_NOT_A_FILE;
    } else if (meta.kind == PathKind::Directory) {
        item.kind = PasteItemKind::Folder;
    } else if (is_online_only(probe, path)) {
        item.refusal = PASTE_ONLINE_ONLY;
    } else {
        item.size = meta.size;
    }
    return item;
}

// The identity of a folder (volume and file index), to enter each folder once.
std::optional<std::pair<std::uint32_t, std::uint64_t>> folder_identity(const std::string& path, bool follow)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    UniqueFile folder(CreateFileW(to_wide(path).c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING, flags, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder || !GetFileInformationByHandle(folder.get(), &info)) return std::nullopt;
    const std::uint64_t index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    if (index == 0) return std::nullopt;  // the file system gives no identity to compare
    return std::make_pair(static_cast<std::uint32_t>(info.dwVolumeSerialNumber), index);
}

// Walks the copied folders depth first. Links inside them are reported, never followed; a folder
// reached twice is entered once; the walk stops at MAX_PASTE_ITEMS entries.
class FolderWalk {
public:
    std::vector<PasteItem> expand(const std::vector<PasteItem>& top)
    {
        for (const PasteItem& item : top) {
            out_.push_back(item);
            if (item.kind == PasteItemKind::Folder && item.refusal.empty()) enter(out_.size() - 1, item.follow_link);
        }
        return std::move(out_);
    }

private:
    bool full() const { return out_.size() >= MAX_PASTE_ITEMS; }

    void enter(std::size_t folder_index, bool follow)
    {
        const std::string folder = out_[folder_index].source_path;
        if (const auto id = folder_identity(folder, follow)) {
            if (!entered_.insert(*id).second) {
                out_[folder_index].refusal = PASTE_FOLDER_LOOP;
                return;
            }
        }
        const std::vector<std::string> base = out_[folder_index].path;
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileExW(to_wide(folder + "\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE) {
            out_[folder_index].refusal = file_error_text(GetLastError());
            return;
        }
        std::vector<std::size_t> subfolders;
        do {
            const std::wstring wide_name = found.cFileName;
            if (wide_name == L"." || wide_name == L"..") continue;
            if (full()) {
                out_.push_back(too_many(folder));
                break;
            }
            out_.push_back(entry_item(folder, base, found));
            if (out_.back().kind == PasteItemKind::Folder && out_.back().refusal.empty()) subfolders.push_back(out_.size() - 1);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        for (std::size_t sub : subfolders) {
            if (full()) break;
            enter(sub, false);
        }
    }

    static PasteItem too_many(const std::string& folder)
    {
        PasteItem item;
        item.given_name = folder + "\\...";
        item.refusal = PASTE_TOO_MANY_ITEMS;
        item.top_level = false;
        return item;
    }

    // A symbolic link or junction; also a folder reparse point that reports no tag, as Wine shows
    // a host link to a folder.
    static bool is_link_entry(const WIN32_FIND_DATAW& found)
    {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
        if (found.dwReserved0 & NAME_SURROGATE) return true;
        return found.dwReserved0 == 0 && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    static PasteItem entry_item(const std::string& folder, const std::vector<std::string>& base, const WIN32_FIND_DATAW& found)
    {
        PasteItem item;
        item.top_level = false;
        item.source_path = folder + "\\" + from_wide(found.cFileName);
        item.given_name = item.source_path;
        const std::string name = sanitize_component(from_wide(found.cFileName));
        item.path = base;
        item.path.push_back(name);
        const DWORD attributes = found.dwFileAttributes;
        if (name.empty())
            item.refusal = ITEM_NAME_EMPTY;
        else if (item.path.size() > MAX_NAME_DEPTH)
            item.refusal = ITEM_NAME_TOO_DEEP;
        else if (is_link_entry(found))
            item.refusal = PASTE_LINK_NOT_FOLLOWED;
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            item.kind = PasteItemKind::Folder;
        else if (attributes & FILE_ATTRIBUTE_DEVICE)
            item.refusal = PASTE_NOT_A_FILE;
        else if (attributes & ONLINE_ONLY_ATTRIBUTES)
            item.refusal = PASTE_ONLINE_ONLY;
        else
            item.size = (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        return item;
    }

    std::vector<PasteItem> out_;
    std::set<std::pair<std::uint32_t, std::uint64_t>> entered_;
};

Error last_file_error()
{
    const DWORD code = GetLastError();
    return Error{hresult_from_win32(code), file_error_text(code)};
}

// Opens the file to be read piece by piece as the copy is written. A path inside a copied folder
// is opened without following a link that appeared since the walk; only a disk file is read.
Result<ItemContent> open_disk_file(const PasteItem& item)
{
    // No recall: a file that became online-only since the walk (or behind a dropped link) is
    // not downloaded by being opened, and is refused below.
    const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_NO_RECALL | (item.follow_link ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    auto file = std::make_shared<UniqueFile>(
        CreateFileW(to_wide(item.source_path).c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!*file) return last_file_error();
    if (GetFileType(file->get()) != FILE_TYPE_DISK) return failure_with(std::string(PASTE_NOT_A_FILE));
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file->get(), &info) && (info.dwFileAttributes & ONLINE_ONLY_ATTRIBUTES))
        return failure_with(std::string(PASTE_ONLINE_ONLY));
    ItemContent content;
    content.read = [file](std::span<std::uint8_t> into) -> Result<std::size_t> {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(into.size(), COPY_BUFFER));
        if (!ReadFile(file->get(), into.data(), want, &got, nullptr)) return last_file_error();
        return std::size_t{got};
    };
    return content;
}

// ---- Virtual files -----------------------------------------------------------------------------

Error com_failure(HRESULT hr)
{
    return failure_with("FileContents could not be read: " + error_display(Error{hr, std::nullopt}));
}

// Reads a stream piece by piece. With an announced size, at most one byte more is asked for, and
// a stream that ends sooner or goes on longer fails; `keep` holds what the stream depends on.
ItemContent stream_content(IStream* stream, std::optional<std::uint64_t> announced, std::shared_ptr<void> keep)
{
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);  // a stream that cannot seek is read from where it is
    ItemContent content;
    content.read = [stream, announced, keep, count = std::uint64_t{0}](std::span<std::uint8_t> into) mutable -> Result<std::size_t> {
        std::uint64_t want = std::min<std::size_t>(into.size(), COPY_BUFFER);
        if (announced) want = std::min(want, *announced + 1 - count);
        ULONG got = 0;
        const HRESULT hr = stream->Read(into.data(), static_cast<ULONG>(want), &got);
        if (FAILED(hr)) return com_failure(hr);
        count += std::min<std::uint64_t>(got, want);
        if (announced && count > *announced) return failure_with(std::string(PASTE_LONGER_THAN_ANNOUNCED));
        if (announced && got == 0 && count < *announced) return failure_with(std::string(PASTE_SHORTER_THAN_ANNOUNCED));
        return static_cast<std::size_t>(std::min<std::uint64_t>(got, want));
    };
    return content;
}

// An IStorage item (a mail message inside a mail, for example) becomes a compound file.
Result<std::vector<std::uint8_t>> read_storage(IStorage* storage, std::uint64_t limit)
{
    ComPtr<ILockBytes> lock_bytes;
    HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, lock_bytes.put());
    ComPtr<IStorage> copy;
    if (SUCCEEDED(hr))
        hr = StgCreateDocfileOnILockBytes(lock_bytes.get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, copy.put());
    if (SUCCEEDED(hr)) hr = storage->CopyTo(0, nullptr, nullptr, copy.get());
    if (SUCCEEDED(hr)) hr = copy->Commit(STGC_DEFAULT);
    STATSTG stat{};
    if (SUCCEEDED(hr)) hr = lock_bytes->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return com_failure(hr);
    if (stat.cbSize.QuadPart > limit) return failure_with(std::string(PASTE_ITEM_TOO_LARGE));
    HGLOBAL global = nullptr;
    if (FAILED(hr = GetHGlobalFromILockBytes(lock_bytes.get(), &global))) return com_failure(hr);
    auto bytes = copy_global_memory(global, stat.cbSize.QuadPart);
    if (!bytes) return bytes.error();
    return std::move(bytes->bytes);
}

// Global memory and storages are held (at most MAX_PASTE_ITEM_BYTES); a stream is read as the
// file is written.
Result<ItemContent> read_file_contents(IDataObject* data, CLIPFORMAT contents, const PasteItem& item)
{
    FORMATETC format = format_of(contents, item.content_index, TYMED_HGLOBAL | TYMED_ISTREAM | TYMED_ISTORAGE);
    auto guard = std::make_shared<MediumGuard>();
    if (const HRESULT hr = data->GetData(&format, &guard->medium); FAILED(hr)) {
        guard->medium = {};
        return com_failure(hr);
    }
    const STGMEDIUM& medium = guard->medium;
    ItemContent content;
    switch (medium.tymed) {
        case TYMED_HGLOBAL: {
            if (item.size && *item.size > MAX_PASTE_ITEM_BYTES) return failure_with(std::string(PASTE_ITEM_TOO_LARGE));
            // One byte more than announced shows a block that is too long.
            auto copy = copy_global_memory(medium.hGlobal, (item.size ? *item.size : MAX_PASTE_ITEM_BYTES) + 1);
            if (!copy) return com_failure(copy.error().code);
            content.held = std::move(copy->bytes);
            if (!item.size && content.held.size() > MAX_PASTE_ITEM_BYTES) return failure_with(std::string(PASTE_ITEM_TOO_LARGE));
            if (auto wrong = check_announced_size(content.held, item.size, true)) return failure_with(std::string(*wrong));
            return content;
        }
        case TYMED_ISTREAM:
            if (!medium.pstm) return failure_with(std::string(OLE_NULL_STREAM_MESSAGE));
            return stream_content(medium.pstm, item.size, guard);
        case TYMED_ISTORAGE: {
            if (!medium.pstg) return failure_with(std::string(PASTE_UNKNOWN_MEDIUM));
            auto bytes = read_storage(medium.pstg, MAX_PASTE_ITEM_BYTES);
            if (!bytes) return bytes.error();
            content.held = std::move(*bytes);  // its compound file has no size the source could announce
            return content;
        }
        default:
            return failure_with(std::string(PASTE_UNKNOWN_MEDIUM));
    }
}

// ---- Where the items go ------------------------------------------------------------------------

bool path_exists(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    return GetFileAttributesExW(to_wide(path).c_str(), GetFileExInfoStandard, &info) != FALSE;
}

class DiskTarget final : public PasteTarget {
public:
    bool exists(const std::string& path) override { return path_exists(path); }
    Status make_folder(const std::string& path) override
    {
        if (CreateDirectoryW(to_wide(path).c_str(), nullptr)) return ok_status();
        const DWORD code = GetLastError();
        return Error{hresult_from_win32(code), "Could not create the folder " + path + ":\r\n" + file_error_text(code)};
    }
    // Streamed content goes through one buffer into the publication: a file of any size is
    // copied, and a read or write failure on the way leaves no temporary file behind.
    Status write_file(const std::string& path, ItemContent content) override
    {
        if (!content.read) return publish_file(to_wide(path), content.held);
        auto publication = FilePublication::begin(to_wide(path));
        if (!publication) return publication.error();
        buffer_.resize(COPY_BUFFER);
        for (;;) {
            Result<std::size_t> got = content.read(buffer_);
            if (!got) return got.error();
            if (*got == 0) return publication->finish();
            if (Status written = publication->append(ByteView(buffer_.data(), *got)); !written) return written;
        }
    }

private:
    std::vector<std::uint8_t> buffer_;
};

// The inside of the archive: names are taken in this set, ignoring ASCII case as Windows does.
class ZipTarget final : public PasteTarget {
public:
    bool exists(const std::string& path) override { return taken_.count(ascii_lower(path)) != 0; }
    Status make_folder(const std::string& path) override
    {
        taken_.insert(ascii_lower(path));
        entries_.push_back({zip_name(path), true, {}});
        return ok_status();
    }
    Status write_file(const std::string& path, ItemContent content) override
    {
        auto bytes = hold_content(std::move(content), MAX_ZIP_INPUT_BYTES - total_, PASTE_ZIP_TOO_LARGE);
        if (!bytes) return bytes.error();
        total_ += bytes->size();
        taken_.insert(ascii_lower(path));
        const auto& kept = data_.emplace_back(std::move(*bytes));
        entries_.push_back({zip_name(path), false, ByteView(kept.data(), kept.size())});
        return ok_status();
    }
    const std::vector<ZipEntry>& entries() const { return entries_; }

private:
    static std::string zip_name(std::string path)
    {
        for (char& c : path)
            if (c == '\\') c = '/';
        return path;
    }
    std::set<std::string> taken_;
    std::deque<std::vector<std::uint8_t>> data_;
    std::vector<ZipEntry> entries_;
    std::uint64_t total_ = 0;
};

// ---- The clipboard's files ---------------------------------------------------------------------

struct ClipboardFiles {
    ComPtr<IDataObject> data;
    bool explorer = false;
    std::vector<std::string> paths;
    std::vector<VirtualFileDescriptor> descriptors;
    std::uint32_t advertised = 0;
    std::string operation;
    DWORD sequence = 0;
};

PasteStop read_clipboard_files(ClipboardFiles& files, std::string& message)
{
    files.sequence = GetClipboardSequenceNumber();
    const HRESULT got = OleGetClipboard(files.data.put());
    if (FAILED(got) || !files.data) {
        message = "Could not open the clipboard:\r\n" + error_display(Error{got, std::nullopt});
        return PasteStop::ClipboardBusy;
    }
    IDataObject* data = files.data.get();
    const auto effect = read_global(data, registered(L"Preferred DropEffect"), 4);
    files.operation = drop_operation(effect ? std::optional<ByteView>(effect->bytes) : std::nullopt);
    if (auto paths = read_drop_paths(data)) {
        files.explorer = true;
        files.paths = std::move(*paths);
        return PasteStop::None;
    }
    const std::uint64_t limit = 4 + 592ULL * MAX_PASTE_ITEMS;
    for (const wchar_t* name : {L"FileGroupDescriptorW", L"FileGroupDescriptor"}) {
        if (auto block = read_global(data, registered(name), limit)) {
            files.descriptors = parse_file_descriptors(from_wide(name), block->bytes, MAX_PASTE_ITEMS, &files.advertised);
            return PasteStop::None;
        }
    }
    message = PASTE_NO_FILES;
    return PasteStop::NoFiles;
}

std::vector<PasteItem> top_level_items(const ClipboardFiles& files)
{
    if (!files.explorer) return virtual_file_items(files.descriptors, files.advertised);
    const Win32FileProbe probe;
    std::vector<PasteItem> items;
    for (const std::string& path : files.paths) {
        if (items.size() == MAX_PASTE_ITEMS) {
            PasteItem rest;
            rest.given_name = path;
            rest.refusal = PASTE_TOO_MANY_ITEMS;
            items.push_back(std::move(rest));
            break;
        }
        items.push_back(explorer_item(path, probe));
    }
    return items;
}

// Opens items within the total cap of one paste, counting streamed bytes as they are read.
// Virtual files are asked of the copy whose descriptors were read: once the clipboard holds
// another copy, no item is mixed in from it.
FetchContent fetcher(const ClipboardFiles& files)
{
    auto total = std::make_shared<std::uint64_t>(0);
    IDataObject* data = files.data.get();
    const CLIPFORMAT contents = registered(L"FileContents");
    const bool explorer = files.explorer;
    const DWORD sequence = files.sequence;
    return [total, data, contents, explorer, sequence](const PasteItem& item) -> Result<ItemContent> {
        if (item.size && *total + *item.size > MAX_PASTE_TOTAL_BYTES) return failure_with(std::string(PASTE_TOTAL_TOO_LARGE));
        if (!explorer && GetClipboardSequenceNumber() != sequence) return failure_with(std::string(PASTE_CLIPBOARD_CHANGED));
        auto content = explorer ? open_disk_file(item) : read_file_contents(data, contents, item);
        if (!content) return content;
        *total += content->held.size();
        if (*total > MAX_PASTE_TOTAL_BYTES) return failure_with(std::string(PASTE_TOTAL_TOO_LARGE));
        if (content->read)
            content->read = [total, read = std::move(content->read)](std::span<std::uint8_t> into) -> Result<std::size_t> {
                auto got = read(into);
                if (got && (*total += *got) > MAX_PASTE_TOTAL_BYTES) return failure_with(std::string(PASTE_TOTAL_TOO_LARGE));
                return got;
            };
        return content;
    };
}

// ---- Modes -------------------------------------------------------------------------------------

PasteReport write_zip(const std::vector<PasteItem>& items, const PasteRequest& request, const FetchContent& fetch)
{
    ZipTarget inside;
    PasteReport report = place_items(items, "", inside, fetch);
    report.written.clear();
    const auto published = [&]() -> Result<std::string> {
        auto path = choose_save_path(request.zip_name, "zip", request.folder, path_exists);
        if (!path) return path.error();
        auto archive = build_zip(inside.entries());
        if (!archive) return archive.error();
        if (Status status = publish_file(to_wide(*path), *archive); !status) return status.error();
        return *path;
    }();
    if (published)
        report.written.push_back(*published);
    else
        report.failures.push_back({request.zip_name, published.error().message.value_or(error_display(published.error()))});
    return report;
}

Result<std::vector<std::uint8_t>> shortcut_bytes(const std::string& target)
{
    ComPtr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put()));
    if (SUCCEEDED(hr)) hr = link->SetPath(to_wide(target).c_str());
    ComPtr<IPersistStream> persist;
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.put()));
    ComPtr<IStream> memory;
    if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, memory.put());
    if (SUCCEEDED(hr)) hr = persist->Save(memory.get(), TRUE);
    if (FAILED(hr)) return failure_with("The shortcut could not be made: " + error_display(Error{hr, std::nullopt}));
    return hold_content(stream_content(memory.get(), std::nullopt, nullptr), MAX_PASTE_ITEM_BYTES, PASTE_ITEM_TOO_LARGE);
}

// Shortcuts are built in memory (IPersistStream) rather than saved by IPersistFile::Save, which
// would write straight into the final name and replace a file that has it.
PasteReport write_shortcuts(const std::vector<PasteItem>& items, const PasteRequest& request)
{
    PasteReport report;
    FreeNames names(path_exists);
    for (const PasteItem& item : items) {
        if (!item.refusal.empty()) {
            report.failures.push_back({item.given_name, item.refusal});
            continue;
        }
        auto bytes = shortcut_bytes(item.source_path);
        Status status = bytes ? ok_status() : Status(bytes.error());
        std::string path;
        if (status) {
            path = names.choose(request.folder, item.path.front() + ".lnk", false);
            status = publish_file(to_wide(path), *bytes);
        }
        if (status)
            report.written.push_back(path);
        else
            report.failures.push_back({item.given_name, status.error().message.value_or(error_display(status.error()))});
    }
    return report;
}

ListingRow listing_row(const PasteItem& item, const ClipboardFiles& files)
{
    ListingRow row;
    row.size = item.size;
    if (files.explorer) {
        const PathParts parts = split_item_path(item.source_path);
        row.name = std::string(parts.name);
        row.location = std::string(parts.location);
        row.kind = item.follow_link ? "Link" : item.kind == PasteItemKind::Folder ? "Folder" : "File";
    } else {
        row.name = item.given_name;
        row.location = "FileContents #" + std::to_string(item.content_index);
        row.kind = item.kind == PasteItemKind::Folder ? "Folder" : "File";
    }
    if (!item.refusal.empty()) {
        row.availability = "Unavailable: " + item.refusal;
        if (files.explorer) row.kind = "Unknown";
    } else {
        row.availability = files.explorer ? "Available" : "On request from the source";
    }
    return row;
}

PasteReport write_listing(const std::vector<PasteItem>& items, const ClipboardFiles& files, const PasteRequest& request)
{
    std::vector<ListingRow> rows;
    for (const PasteItem& item : items) rows.push_back(listing_row(item, files));
    const std::string text = render_listing(rows, request.listing);
    PasteReport report;
    FreeNames names(path_exists);
    const std::string path = names.choose(request.folder, "items." + std::string(listing_extension(request.listing)), false);
    if (Status status = publish_file(to_wide(path), as_bytes_view(text)); status)
        report.written.push_back(path);
    else
        report.failures.push_back({path, status.error().message.value_or(error_display(status.error()))});
    return report;
}

bool is_folder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(to_wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

PasteResult paste_files(const PasteRequest& request)
{
    PasteResult result;
    if (!is_folder(request.folder)) {
        result.stop = PasteStop::FolderUnavailable;
        result.stop_message = destination_unavailable_message(request.folder);
        return result;
    }
    ClipboardFiles files;
    result.stop = read_clipboard_files(files, result.stop_message);
    result.operation = files.operation;
    if (result.stop != PasteStop::None) return result;
    if (request.mode == PasteMode::Shortcuts && !files.explorer) {
        result.stop = PasteStop::NotForVirtualFiles;
        result.stop_message = PASTE_SHORTCUTS_NEED_PATHS;
        return result;
    }
    std::vector<PasteItem> items = top_level_items(files);
    switch (request.mode) {
        case PasteMode::Listing:
            result.report = write_listing(items, files, request);
            break;
        case PasteMode::Shortcuts:
            result.report = write_shortcuts(items, request);
            break;
        case PasteMode::Zip:
        case PasteMode::Copy: {
            if (files.explorer) items = FolderWalk().expand(items);
            const FetchContent fetch = fetcher(files);
            if (request.mode == PasteMode::Zip) {
                result.report = write_zip(items, request, fetch);
            } else {
                DiskTarget disk;
                result.report = place_items(items, request.folder, disk, fetch);
            }
            break;
        }
    }
    return result;
}

}  // namespace cw
