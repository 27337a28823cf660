#include "save/image_file_type.h"

#include <gtest/gtest.h>

#include "capture/snapshot.h"
#include "format_entry_builder.h"

namespace cw {
namespace {

using test::format_entry;

TEST(ImageFileType, TypedPictureExtensionOfAnotherFormatIsEncodedAgain)
{
    struct Case {
        FormatEntry format;
        const char* extension;
        std::optional<ImageFileType> expected;
    };
    const Case cases[] = {
        {format_entry(0xC100, "PNG"), "jpg", ImageFileType::Jpeg},
        {format_entry(0xC100, "PNG"), "PNG", std::nullopt},        // matching, in any case
        {format_entry(0xC100, "image/png"), "txt", std::nullopt},  // not a picture extension: bytes as they are
        {format_entry(0xC101, "JFIF"), "bmp", ImageFileType::Bmp},
        {format_entry(0xC101, "image/jpeg"), "jpeg", std::nullopt},
        {format_entry(0xC101, "JFIF"), "jpg", std::nullopt},
        {format_entry(0xC102, "GIF"), "Tif", ImageFileType::Tiff},
        {format_entry(0xC103, "TIFF"), "tiff", std::nullopt},
        {format_entry(6, "CF_TIFF"), "tif", std::nullopt},
        {format_entry(8, "CF_DIB"), "bmp", std::nullopt},  // stays the BMP conversion
        {format_entry(17, "CF_DIBV5"), "png", ImageFileType::Png},
        {format_entry(2, "CF_BITMAP"), "png", std::nullopt},
        {format_entry(2, "CF_BITMAP"), "gif", ImageFileType::Gif},
        {format_entry(14, "CF_ENHMETAFILE"), "png", std::nullopt},  // a metafile is not re-rendered
        {format_entry(13, "CF_UNICODETEXT"), "png", std::nullopt},
        {format_entry(0xC104, "Embed Source"), "jpg", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(reencoding_target(c.format, c.extension), c.expected) << c.format.name << " as " << c.extension;
    EXPECT_TRUE(is_gdi_picture_format(2) && is_gdi_picture_format(3) && is_gdi_picture_format(14));
    EXPECT_FALSE(is_gdi_picture_format(9));
    EXPECT_EQ(image_encoding_failed_message(ImageFileType::Jpeg, "Catastrophic failure (0x8000FFFF)"),
              "The picture could not be encoded as JPEG:\r\nCatastrophic failure (0x8000FFFF)");
}

}  // namespace
}  // namespace cw
