#include "save/conversion.h"

#include <algorithm>
#include <utility>

#include "base/text.h"
#include "capture/clipboard_formats.h"
#include "capture/snapshot.h"
#include "inspect/embedded_object.h"
#include "preview/dib.h"
#include "preview/html_document.h"

namespace cw {

namespace {

constexpr std::uint32_t INFO_HEADER_SIZE = 40;

bool is_rich_text_format_name(std::string_view name)
{
    constexpr std::string_view prefix = "rich text format";
    return name.size() >= prefix.size() && names_equal(name.substr(0, prefix.size()), prefix);
}

void cut_at_first_zero(std::string& bytes)
{
    bytes.resize(up_to_first_zero(bytes).size());
}

std::string html_file_document(std::string bytes)
{
    cut_at_first_zero(bytes);
    if (!is_valid_utf8(bytes)) bytes = sanitize_utf8(bytes);
    return build_html_document(std::move(bytes));
}

SaveData embedded_object_file(std::string bytes, const RootStreamReader& read_root_stream)
{
    if (read_root_stream) {
        auto contents = read_root_stream(as_bytes_view(bytes), EMBEDDED_CONTENTS_STREAM);
        if (contents && is_photoshop_document(*contents))
            return {std::move(*contents), embedded_object_extension(true)};
    }
    return {std::move(bytes), embedded_object_extension(false)};
}

}  // namespace

std::string embedded_object_extension(bool holds_photoshop_document)
{
    return holds_photoshop_document ? "psd" : "ole";
}

SaveConversion choose_save_conversion(const FormatEntry& entry)
{
    switch (entry.id) {
        case CF_DIB_ID:
        case CF_DIBV5_ID:
            return SaveConversion::Bitmap;
        case CF_UNICODETEXT_ID:
            return SaveConversion::UnicodeText;
        case CF_TEXT_ID:
        case CF_OEMTEXT_ID:
        case CF_DSPTEXT_ID:
            return SaveConversion::NarrowText;
        default:
            break;
    }
    const std::string_view name = entry.name;
    if (names_equal(name, "text/html") || names_equal(name, "html format")) return SaveConversion::HtmlDocument;
    if (is_rich_text_format_name(name)) return SaveConversion::RichText;
    if (names_equal(name, "embed source") || names_equal(name, "native")) return SaveConversion::EmbeddedObject;
    // The W is matched without regard to case like the rest of the name: the system keeps the
    // spelling of whoever registered the format first, and the data is UTF-16 either way.
    if (names_equal(name, "uniformresourcelocatorw")) return SaveConversion::InternetShortcutWide;
    if (names_equal(name, "uniformresourcelocator")) return SaveConversion::InternetShortcut;
    return SaveConversion::Unchanged;
}

SaveConversion choose_stream_save_conversion(const FormatEntry& entry)
{
    const SaveConversion conversion = choose_save_conversion(entry);
    return conversion == SaveConversion::EmbeddedObject ? conversion : SaveConversion::Unchanged;
}

Result<std::array<std::uint8_t, BMP_FILE_HEADER_SIZE>> bmp_file_header(ByteView dib_start, std::uint64_t dib_size)
{
    const ByteReader dib(dib_start);
    const auto header_size = dib.u32le(0);
    const auto bit_count = dib.u16le(14);
    const auto compression = dib.u32le(16);
    const auto colours_used = dib.u32le(32);
    if (dib_size < INFO_HEADER_SIZE || !header_size || !bit_count || !compression || !colours_used)
        return Error::invalid_data(std::string(DIB_TOO_SHORT));
    if (dib_size < *header_size || *header_size < INFO_HEADER_SIZE)
        return Error::invalid_data(std::string(DIB_HEADER_INVALID));

    const std::uint64_t pixel_offset = dib_pixel_offset(*header_size, *bit_count, *compression, *colours_used);
    if (pixel_offset >= dib_size) return Error::invalid_data(std::string(DIB_PIXEL_OFFSET_INVALID));
    if (dib_size > 0xFFFFFFFFULL - BMP_FILE_HEADER_SIZE) return Error::invalid_data(std::string(BMP_TOO_LARGE));

    std::array<std::uint8_t, BMP_FILE_HEADER_SIZE> header{};
    header[0] = 'B';
    header[1] = 'M';
    put_u32le(&header[2], static_cast<std::uint32_t>(dib_size + BMP_FILE_HEADER_SIZE));
    put_u32le(&header[10], static_cast<std::uint32_t>(pixel_offset + BMP_FILE_HEADER_SIZE));
    return header;
}

Result<std::string> dib_to_bmp_file(ByteView dib)
{
    auto header = bmp_file_header(dib, dib.size());
    if (!header) return header.error();
    std::string file;
    file.reserve(BMP_FILE_HEADER_SIZE + dib.size());
    file.append(reinterpret_cast<const char*>(header->data()), header->size());
    file.append(reinterpret_cast<const char*>(dib.data()), dib.size());
    return file;
}

bool converts_piece_by_piece(SaveConversion conversion)
{
    switch (conversion) {
        case SaveConversion::Bitmap:
        case SaveConversion::UnicodeText:
        case SaveConversion::NarrowText:
        case SaveConversion::RichText:
        case SaveConversion::Unchanged:
            return true;
        default:
            return false;
    }
}

PieceConversion::PieceConversion(SaveConversion conversion, std::string prefix)
    : conversion_(conversion), prefix_(std::move(prefix))
{
}

bool PieceConversion::append(ByteView piece, std::string& out)
{
    if (ended_) return false;
    out += std::exchange(prefix_, {});
    const std::string_view bytes(reinterpret_cast<const char*>(piece.data()), piece.size());
    switch (conversion_) {
        case SaveConversion::UnicodeText:
            ended_ = !text_.decode(piece, out);
            break;
        case SaveConversion::NarrowText:
        case SaveConversion::RichText: {
            const std::string_view text = up_to_first_zero(bytes);
            out += text;
            ended_ = text.size() < bytes.size();
            break;
        }
        default:
            out += bytes;
            break;
    }
    return !ended_;
}

void PieceConversion::finish(std::string& out)
{
    out += std::exchange(prefix_, {});
    if (conversion_ == SaveConversion::UnicodeText) text_.finish(out);
    ended_ = true;
}

std::string internet_shortcut_file(std::string_view url)
{
    // A line break would let the address write further keys (an icon path on a remote share,
    // say) into a file that Explorer reads by itself; an address never holds a raw one.
    url = url.substr(0, std::min(url.find_first_of("\r\n"), url.size()));
    std::string file = "[InternetShortcut]\r\nURL=";
    file += url;
    file += "\r\n";
    return file;
}

Result<SaveData> convert_for_save(SaveConversion conversion, std::string bytes, std::string default_extension,
                                  const RootStreamReader& read_root_stream)
{
    switch (conversion) {
        case SaveConversion::Bitmap: {
            auto file = dib_to_bmp_file(as_bytes_view(bytes));
            if (!file) return file.error();
            return SaveData{std::move(*file), std::move(default_extension)};
        }
        case SaveConversion::UnicodeText:
            return SaveData{decode_utf16le_to_first_zero(as_bytes_view(bytes)), std::move(default_extension)};
        case SaveConversion::NarrowText:
        case SaveConversion::RichText:
            cut_at_first_zero(bytes);
            break;
        case SaveConversion::HtmlDocument:
            bytes = html_file_document(std::move(bytes));
            break;
        case SaveConversion::EmbeddedObject:
            return embedded_object_file(std::move(bytes), read_root_stream);
        case SaveConversion::InternetShortcutWide:
            return SaveData{internet_shortcut_file(decode_utf16le_to_first_zero(as_bytes_view(bytes))),
                            std::move(default_extension)};
        case SaveConversion::InternetShortcut:
            return SaveData{internet_shortcut_file(decode_utf8_to_first_zero(as_bytes_view(bytes))),
                            std::move(default_extension)};
        case SaveConversion::Unchanged:
            break;
    }
    return SaveData{std::move(bytes), std::move(default_extension)};
}

}  // namespace cw
