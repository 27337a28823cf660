#pragma once
// Image files whose bytes match their name: which picture format a typed extension names, which
// one the selected representation holds, and whether the bytes must be encoded again.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cw {

struct FormatEntry;

enum class ImageFileType { Png, Jpeg, Bmp, Gif, Tiff };

// CF_BITMAP, CF_METAFILEPICT and CF_ENHMETAFILE: pictures held as GDI objects, saved as PNG,
// placeable WMF and EMF files.
bool is_gdi_picture_format(std::uint32_t id);

// png, jpg, jpeg, bmp, gif, tif, tiff in any case; none for every other extension.
std::optional<ImageFileType> image_file_type_of_extension(std::string_view extension);

// The picture format of what saving the representation writes: the encoded formats by name,
// CF_DIB and CF_DIBV5 as BMP, CF_BITMAP as PNG; none for everything else.
std::optional<ImageFileType> image_file_type_of_format(const FormatEntry& entry);

// The format to encode to when the final extension names a picture format other than the one
// the representation holds; none when the bytes are written as they are.
std::optional<ImageFileType> reencoding_target(const FormatEntry& entry, std::string_view final_extension);

// "PNG", "JPEG", "BMP", "GIF", "TIFF".
std::string_view image_file_type_label(ImageFileType type);

std::string image_encoding_failed_message(ImageFileType type, std::string_view error_display);

}  // namespace cw
