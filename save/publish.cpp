#include "save/publish.h"

#include <algorithm>

#include "base/text.h"

namespace cw {

std::string temporary_file_name(std::string_view final_name, std::uint32_t process_id, unsigned attempt)
{
    std::string name = ".";
    name += final_name;
    name += ".clipwright-" + std::to_string(process_id) + "-" + std::to_string(attempt) + ".tmp";
    return name;
}

Result<DestinationParts> split_destination(std::string_view path)
{
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string_view::npos) return Error::invalid_data(std::string(DESTINATION_HAS_NO_PARENT));
    const std::string_view name = path.substr(cut + 1);
    if (name.empty() || name == "." || name == "..") return Error::invalid_data(std::string(DESTINATION_NAME_INVALID));

    std::string_view folder = path.substr(0, cut);
    // "C:\name" and "\name" live in a root, which keeps its separator.
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder = path.substr(0, cut + 1);
    return DestinationParts{std::string(folder), std::string(name)};
}

namespace {

// The only interruption Windows reports for a write is the socket layer's WSAEINTR.
constexpr std::uint32_t WSAEINTR_CODE = 10004;

bool is_valid_utf16(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

Result<std::string> destination_file_name(std::u16string_view destination)
{
    auto parts = split_destination(utf16_to_utf8(destination));
    if (!parts) return parts.error();
    const std::size_t cut = destination.find_last_of(u"\\/");
    if (!is_valid_utf16(destination.substr(cut + 1))) return Error::invalid_data(std::string(DESTINATION_NAME_INVALID));
    return std::move(parts->name);
}

std::u16string temporary_sibling_path(std::u16string_view destination, std::string_view final_name,
                                      std::uint32_t process_id, unsigned attempt)
{
    const std::size_t cut = destination.find_last_of(u"\\/");
    std::u16string path(destination.substr(0, cut == std::u16string_view::npos ? 0 : cut + 1));
    path += utf8_to_utf16(temporary_file_name(final_name, process_id, attempt));
    return path;
}

std::optional<WriteFailure> write_whole_buffer(ByteView data, const ChunkWriter& write)
{
    while (!data.empty()) {
        const std::size_t request = std::min(data.size(), MAX_WRITE_REQUEST);
        const WriteCall call = write(data.data(), request);
        if (call.error == WSAEINTR_CODE) continue;
        if (call.error != 0) return WriteFailure{call.error};
        if (call.written == 0) return WriteFailure{0};
        data = data.subspan(std::min(call.written, request));
    }
    return std::nullopt;
}

std::string temp_create_failed_message(std::string_view error)
{
    return "Could not create a temporary file in the destination folder:\r\n" + std::string(error);
}

std::string temp_write_failed_message(std::string_view error)
{
    return "Could not finish writing the temporary file:\r\n" + std::string(error);
}

std::string publish_failed_message(std::string_view error)
{
    return "Could not publish the completed file:\r\n" + std::string(error);
}

}  // namespace cw
