#include "save/image_file_type.h"

#include "base/text.h"
#include "capture/clipboard_formats.h"
#include "capture/snapshot.h"

namespace cw {

bool is_gdi_picture_format(std::uint32_t id)
{
    return id == CF_BITMAP_ID || id == CF_METAFILEPICT_ID || id == CF_ENHMETAFILE_ID;
}

std::optional<ImageFileType> image_file_type_of_extension(std::string_view extension)
{
    if (names_equal(extension, "png")) return ImageFileType::Png;
    if (names_equal(extension, "jpg") || names_equal(extension, "jpeg")) return ImageFileType::Jpeg;
    if (names_equal(extension, "bmp")) return ImageFileType::Bmp;
    if (names_equal(extension, "gif")) return ImageFileType::Gif;
    if (names_equal(extension, "tif") || names_equal(extension, "tiff")) return ImageFileType::Tiff;
    return std::nullopt;
}

std::optional<ImageFileType> image_file_type_of_format(const FormatEntry& entry)
{
    if (entry.id == CF_DIB_ID || entry.id == CF_DIBV5_ID) return ImageFileType::Bmp;
    if (entry.id == CF_BITMAP_ID) return ImageFileType::Png;
    if (entry.id == CF_TIFF_ID) return ImageFileType::Tiff;
    const std::string_view name = entry.name;
    if (names_equal(name, "png") || names_equal(name, "image/png")) return ImageFileType::Png;
    if (names_equal(name, "jfif") || names_equal(name, "image/jpeg")) return ImageFileType::Jpeg;
    if (names_equal(name, "gif") || names_equal(name, "image/gif")) return ImageFileType::Gif;
    if (names_equal(name, "tiff") || names_equal(name, "image/tiff")) return ImageFileType::Tiff;
    return std::nullopt;
}

std::optional<ImageFileType> reencoding_target(const FormatEntry& entry, std::string_view final_extension)
{
    const std::optional<ImageFileType> held = image_file_type_of_format(entry);
    const std::optional<ImageFileType> named = image_file_type_of_extension(final_extension);
    if (!held || !named || *held == *named) return std::nullopt;
    return named;
}

std::string_view image_file_type_label(ImageFileType type)
{
    switch (type) {
        case ImageFileType::Png: return "PNG";
        case ImageFileType::Jpeg: return "JPEG";
        case ImageFileType::Bmp: return "BMP";
        case ImageFileType::Gif: return "GIF";
        case ImageFileType::Tiff: return "TIFF";
    }
    return "";
}

std::string image_encoding_failed_message(ImageFileType type, std::string_view error_display)
{
    return "The picture could not be encoded as " + std::string(image_file_type_label(type)) + ":\r\n" +
           std::string(error_display);
}

}  // namespace cw
