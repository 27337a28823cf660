#include "save/save_command_win.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/error_win.h"
#include "base/log.h"
#include "base/text_win.h"
#include "capture/archive_source_win.h"
#include "capture/retrieval_win.h"
#include "inspect/embedded_object.h"
#include "save/candidates.h"
#include "save/chunk_pipeline.h"
#include "save/conversion.h"
#include "save/file_name.h"
#include "save/image_file_type.h"
#include "save/image_save_win.h"
#include "save/publish_win.h"
#include "save/save_messages.h"

namespace cw {

namespace {

Error failure(std::string message)
{
    return Error::invalid_data(std::move(message));
}

std::wstring wide_of(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

bool path_has_metadata(std::u16string_view path)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    return GetFileAttributesExW(wide_of(path).c_str(), GetFileExInfoStandard, &info) != FALSE;
}

// Opening the folder itself follows a link to where it leads, as asking for its attributes would not.
bool is_existing_directory(std::u16string_view folder)
{
    UniqueFile handle(CreateFileW(wide_of(folder).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    return handle && GetFileInformationByHandle(handle.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Result<const FormatEntry*> selected_entry(const SaveRequest& request)
{
    if (!request.selected_format) return failure(std::string(NOTHING_SELECTED));
    if (*request.selected_format >= request.snapshot->entries.size()) return failure(std::string(SELECTION_GONE));
    return &request.snapshot->entries[*request.selected_format];
}

Result<SaveData> read_stream_for_save(const FormatEntry& entry, const FormatOffer& offer)
{
    Result<StreamRead> read = read_ole_stream(entry.id, offer.aspect, offer.lindex);
    if (!read) return failure(ole_stream_failed_message(error_display(read.error())));
    if (!read->complete) return failure(std::string(OLE_STREAM_TOO_LARGE));
    std::string bytes(read->bytes.begin(), read->bytes.end());
    read->bytes = {};
    return convert_for_save(choose_stream_save_conversion(entry), std::move(bytes), default_extension(entry),
                            read_compound_root_stream);
}

// Chunks filled and not yet written, at most: what a save holds beyond the clipboard's block.
// 48 MiB at the default chunk size, so that a save of up to that size closes the clipboard as
// soon as a plain copy would; a larger one keeps it open while the writer catches up.
constexpr std::size_t SAVE_CHUNKS_IN_FLIGHT = 12;

std::size_t& save_chunk_size()
{
    static std::size_t size = SAVE_CHUNK_SIZE;
    return size;
}

// The representation's block, locked in the open clipboard.
struct LockedBlock {
    std::unique_ptr<ClipboardHandle> clipboard;
    std::unique_ptr<GlobalLockGuard> lock;
    ByteView bytes;

    // Other programs wait while the clipboard is open.
    void close()
    {
        lock.reset();
        clipboard.reset();
    }
};

// The size is checked before anything is copied, so an oversized block is refused without being
// read.
Result<LockedBlock> lock_clipboard_block(HWND window, std::uint32_t id)
{
    auto clipboard = ClipboardHandle::open(window);
    if (!clipboard) return failure(open_clipboard_failed_message(error_display(clipboard.error())));
    Result<HANDLE> handle = (*clipboard)->get(id);
    if (!handle) return failure(representation_unavailable_message(error_display(handle.error())));
    const SIZE_T size = GlobalSize(*handle);
    if (size == 0) return failure(representation_unreadable_message(error_display(last_error_or_failure())));
    if (auto refused = check_block_size(size)) return failure(std::move(*refused));
    auto lock = std::make_unique<GlobalLockGuard>(*handle);
    if (!*lock) return failure(representation_unreadable_message(error_display(last_error_or_failure())));
    const ByteView bytes(static_cast<const std::uint8_t*>(lock->data()), size);
    return LockedBlock{std::move(*clipboard), std::move(lock), bytes};
}

// The whole block, straight into the buffer that is written, after `head_room` bytes kept for a
// file header.
Result<std::string> copy_clipboard_block(HWND window, std::uint32_t id, std::size_t head_room)
{
    auto block = lock_clipboard_block(window, id);
    if (!block) return block.error();
    std::string copy;
    copy.reserve(head_room + block->bytes.size());
    copy.append(head_room, '\0');
    copy.append(reinterpret_cast<const char*>(block->bytes.data()), block->bytes.size());
    return copy;
}

// A DIB becomes a BMP file by gaining a header in front: copied behind room for the header, it
// needs no second copy of what can be 256 MiB.
Result<SaveData> read_dib_as_bmp(HWND window, const FormatEntry& entry)
{
    auto file = copy_clipboard_block(window, entry.id, BMP_FILE_HEADER_SIZE);
    if (!file) return file.error();
    const ByteView dib = as_bytes_view(*file).subspan(BMP_FILE_HEADER_SIZE);
    auto header = bmp_file_header(dib, dib.size());
    if (!header) return header.error();
    std::copy(header->begin(), header->end(), file->begin());
    return SaveData{std::move(*file), default_extension(entry)};
}

Result<SaveData> read_for_save(HWND window, const FormatEntry& entry)
{
    if (const auto offer = find_stream_offer(entry)) return read_stream_for_save(entry, *offer);
    if (auto refused = refusal_before_read(entry)) return failure(std::move(*refused));
    if (is_gdi_picture_format(entry.id)) return read_gdi_picture_for_save(window, entry);
    const SaveConversion conversion = choose_save_conversion(entry);
    if (conversion == SaveConversion::Bitmap) return read_dib_as_bmp(window, entry);
    // The clipboard is closed again before converting: other programs wait while it is open.
    auto block = copy_clipboard_block(window, entry.id, 0);
    if (!block) return block.error();
    return convert_for_save(conversion, std::move(*block), default_extension(entry), read_compound_root_stream);
}

// The name is numbered in UTF-16 against the folder as given, so a folder whose name is not valid
// Unicode is still written to where it is.
Result<std::wstring> choose_destination(const SaveRequest& request, std::string_view default_extension)
{
    const std::u16string_view folder = request.target_folder;
    auto name = choose_save_path(request.typed_name, default_extension, "",
                                 [folder](const std::string& candidate) {
                                     return path_has_metadata(join_folder_and_name(folder, utf8_to_utf16(candidate)));
                                 });
    if (!name) return name.error();
    return wide_of(join_folder_and_name(folder, utf8_to_utf16(*name)));
}

std::string extension_of(std::wstring_view path)
{
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t separator = path.find_last_of(L"\\/");
    if (dot == std::wstring_view::npos || (separator != std::wstring_view::npos && dot < separator)) return {};
    std::string extension;
    for (const wchar_t c : path.substr(dot + 1)) extension += c < 0x80 ? static_cast<char>(c) : '?';
    return extension;
}

// Saved without a copy of the whole block: the conversion needs no sight of all of it, and the
// bytes come from global memory.
bool streams_from_clipboard(const FormatEntry& entry, SaveConversion conversion)
{
    return converts_piece_by_piece(conversion) && !find_stream_offer(entry) && !refusal_before_read(entry) &&
           !is_gdi_picture_format(entry.id);
}

// Chunks are copied out of the locked block and converted on this thread while a second one
// writes them to the temporary file; the clipboard closes as soon as the last chunk is copied.
// The name and the temporary file are made before the clipboard is opened, so that it is held only
// for the copy; their failures still come after the clipboard's, as when the read came first.
Result<std::wstring> save_streamed(HWND window, const FormatEntry& entry, SaveConversion conversion,
                                   Result<std::wstring> destination)
{
    std::optional<Result<FilePublication>> publication;
    if (destination) publication.emplace(FilePublication::begin(*destination));

    auto block = lock_clipboard_block(window, entry.id);
    if (!block) return block.error();
    std::string file_header;
    if (conversion == SaveConversion::Bitmap) {
        auto header = bmp_file_header(block->bytes, block->bytes.size());
        if (!header) return header.error();
        file_header.assign(header->begin(), header->end());
    }
    if (!destination) return destination.error();
    if (!*publication) return publication->error();
    FilePublication& file = **publication;

    PieceConversion pieces(conversion, std::move(file_header));
    ByteView rest = block->bytes;
    const std::size_t chunk_size = std::max<std::size_t>(save_chunk_size(), 1);
    const Status streamed = run_chunk_pipeline(
        [&](std::string& chunk) -> Result<bool> {
            const ByteView piece = rest.first(std::min(rest.size(), chunk_size));
            rest = rest.subspan(piece.size());
            if (pieces.append(piece, chunk) && !rest.empty()) return true;
            pieces.finish(chunk);
            return false;
        },
        [&](ByteView chunk) { return file.append(chunk); }, SAVE_CHUNKS_IN_FLIGHT, [&] { block->close(); });
    if (!streamed) return streamed.error();
    if (Status published = file.finish(); !published) return published.error();
    return std::move(*destination);
}

Result<std::wstring> run_save(HWND window, const SaveRequest& request)
{
    if (!is_existing_directory(request.target_folder))
        return failure(destination_unavailable_message(utf16_to_utf8(request.target_folder)));
    auto entry = selected_entry(request);
    if (!entry) return entry.error();
    if (clipboard_sequence_number() != request.snapshot->sequence_number)
        return failure(std::string(CLIPBOARD_CHANGED_BEFORE_SAVE));
    const SaveConversion conversion = choose_save_conversion(**entry);
    if (streams_from_clipboard(**entry, conversion)) {
        auto destination = choose_destination(request, default_extension(**entry));
        // A picture encoded again needs the whole of it.
        if (!destination || !reencoding_target(**entry, extension_of(*destination)))
            return save_streamed(window, **entry, conversion, std::move(destination));
    }
    auto data = read_for_save(window, **entry);
    if (!data) return data.error();
    auto destination = choose_destination(request, data->extension);
    if (!destination) return destination.error();
    if (auto target = reencoding_target(**entry, extension_of(*destination))) {
        // A typed extension of another picture format gets bytes of that format, not a misnamed file.
        auto encoded = encode_image_file(as_bytes_view(data->bytes), *target);
        if (!encoded) return failure(image_encoding_failed_message(*target, error_display(encoded.error())));
        data->bytes = std::move(*encoded);
    }
    if (Status published = publish_file(*destination, as_bytes_view(data->bytes)); !published)
        return published.error();
    return std::move(*destination);
}

}  // namespace

Result<std::wstring> save_representation(HWND clipboard_owner, const SaveRequest& request)
{
    Result<std::wstring> saved = run_save(clipboard_owner, request);
    log_event(SAVE_LOG_EVENT, saved ? SAVE_SUCCESS_LOG_FIELDS : SAVE_FAILURE_LOG_FIELDS);
    return saved;
}

std::size_t set_save_chunk_size(std::size_t bytes)
{
    return std::exchange(save_chunk_size(), bytes);
}

std::string proposed_extension(HWND clipboard_owner, const FormatEntry& entry,
                               std::optional<bool> holds_photoshop_document)
{
    if (choose_save_conversion(entry) != SaveConversion::EmbeddedObject) return default_extension(entry);
    if (holds_photoshop_document) return embedded_object_extension(*holds_photoshop_document);
    // The save reads again, so the proposal can only follow the bytes there are now; an unreadable
    // object keeps the container's extension.
    Result<SaveData> data = read_for_save(clipboard_owner, entry);
    return data ? std::move(data->extension) : default_extension(entry);
}

}  // namespace cw
