#include "inspect/signatures.h"

#include <gtest/gtest.h>

#include "corpus.h"

namespace cw {
namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

std::string bitmap_header(std::uint32_t size, std::int32_t width, std::int32_t height, std::uint16_t bits,
                          std::size_t total = 40)
{
    std::string s(total, '\0');
    auto put = [&s](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n && at + i < s.size(); ++i) s[at + i] = static_cast<char>(v >> (8 * i));
    };
    put(0, size, 4);
    put(4, static_cast<std::uint32_t>(width), 4);
    put(8, static_cast<std::uint32_t>(height), 4);
    put(12, 1, 2);
    put(14, bits, 2);
    return s;
}

const std::string NONE = "No recognized signature in the 32-byte sample";
const std::string JPEG = "JPEG image (signature confirmed)";
const std::string CONTENTS = "Adobe Photoshop-native CONTENTS stream; no portable file signature at stream start";

TEST(PayloadSignature, LabelsByFirstBytes)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", NONE},
        {bytes({0xFF, 0xD8, 0xFF}), JPEG},
        {bytes({0xFF, 0xD8}), NONE},
        {bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}), JPEG},
        {"8BPS" + bytes({0, 1}), "Adobe Photoshop document (PSD, signature confirmed)"},
        {"8BPS" + bytes({0, 2, 0, 0}), "Adobe Photoshop large document (PSB, signature confirmed)"},
        {"8BPS" + bytes({0, 3}), "Adobe Photoshop-family signature, unknown version 3"},
        {"8BPS" + bytes({0xFF, 0xFF}), "Adobe Photoshop-family signature, unknown version 65535"},
        {"8BPS", NONE},
        {"8BPS" + bytes({0}), NONE},
        {bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), "PNG image (signature confirmed)"},
        {bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A}), NONE},
        {"%PDF", NONE},
        {"%PDF-", "PDF document (signature confirmed)"},
        {"GIF87a", "GIF image (signature confirmed)"},
        {"GIF89a", "GIF image (signature confirmed)"},
        {"GIF88a", NONE},
        {"PK" + bytes({3, 4}), "ZIP-based container (signature confirmed)"},
        {"PK" + bytes({5, 6}), NONE},
        {bytes({0xD0, 0xCF, 0x11, 0xE0, 0, 0, 0, 0}), "OLE compound document (signature confirmed)"},
        {"RIFF" + bytes({0, 0, 0}) + "WAVE", NONE},  // 11 bytes
        {"RIFF" + bytes({1, 2, 3, 4}) + "WAVE", "WAVE audio (signature confirmed)"},
        {"RIFF" + bytes({0, 0, 0, 0}) + "WAVX", "RIFF container (subtype unknown)"},
        {"RIFF" + bytes({0, 0, 0, 0}) + "AVI ", "AVI video (signature confirmed)"},
        {"RIFF" + bytes({0, 0, 0, 0}) + "AVIX", "RIFF container (subtype unknown)"},
        {"RIFF" + bytes({0, 0, 0, 0}) + "WEBPVP8 ", "WebP image (signature confirmed)"},
        {"RIFX" + bytes({0, 0, 0, 0}) + "WAVE", NONE},
        {"hello world", NONE},
    };
    for (const auto& [sample, label] : cases) {
        EXPECT_EQ(describe_payload_signature(as_bytes_view(sample)), label) << testing::PrintToString(sample);
        // A stream keeps every portable label unchanged.
        if (label != NONE) {
            EXPECT_EQ(describe_stream_signature(as_bytes_view(sample)), label);
        }
    }
}

TEST(StreamSignature, FallsBackToBitmapHeaderMarkerAndContents)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {bitmap_header(40, 640, -480, 32), "Device-independent bitmap stream (640 x 480 px, 32 bpp)"},
        {bitmap_header(124, 1, 2, 8, 16), "Device-independent bitmap stream (1 x 2 px, 8 bpp)"},
        {bitmap_header(108, INT32_MIN, -1, 24, 16), "Device-independent bitmap stream (2147483648 x 1 px, 24 bpp)"},
        {bitmap_header(40, 1, 1, 1, 15), CONTENTS},  // too short for the header test
        {bitmap_header(12, 1, 1, 1), CONTENTS},      // the old core header is not recognised
        {bitmap_header(41, 1, 1, 1), CONTENTS},
        {"8BIM" + std::string(12, '\0'), "Adobe Photoshop-native resource stream (8BIM marker)"},
        {"8BIM", "Adobe Photoshop-native resource stream (8BIM marker)"},
        {"8BI", CONTENTS},
        {"", CONTENTS},
    };
    for (const auto& [sample, label] : cases)
        EXPECT_EQ(describe_stream_signature(as_bytes_view(sample)), label) << testing::PrintToString(sample);
}

// Real files written by other programs: the label comes from their first 32 bytes, as the file
// evidence of dropped paths reads them.
TEST(PayloadSignature, RealFilesFromTheCorpus)
{
    CW_REQUIRE_CORPUS();
    const std::vector<std::pair<std::string, std::string>> cases{
        {"images/pngsuite/basn0g01.png", "PNG image (signature confirmed)"},
        {"images/image-gif/samples/2x2.gif", "GIF image (signature confirmed)"},
        {"images/jpeg-decoder/mozilla/jpg-gray.jpg", JPEG},
        {"audio/scipy/test-44100Hz-2ch-32bit-float-le.wav", "WAVE audio (signature confirmed)"},
        {"audio/scipy/test-44100Hz-2ch-32bit-float-be.wav", NONE},  // RIFX, the big-endian form
        {"cfb/olefile/test-ole-file.doc", "OLE compound document (signature confirmed)"},
        {"workbooks/calamine/any_sheets.xlsx", "ZIP-based container (signature confirmed)"},
        {"workbooks/calamine/any_sheets.xls", "OLE compound document (signature confirmed)"},
        {"clipboard/rtfparserkit/README.md", NONE},
    };
    for (const auto& [path, label] : cases) {
        auto data = test::read_file_bytes(test::corpus_dir() / path);
        ASSERT_FALSE(data.empty()) << path;
        data.resize(std::min<std::size_t>(data.size(), 32));
        EXPECT_EQ(describe_payload_signature(data), label) << path;
    }

    // A BMP file's info header starts after its 14-byte file header, as a DIB stream would.
    const std::vector<std::pair<std::string, std::string>> bitmaps{
        {"images/image-rs-image/Info_A8_R8_G8_B8_Top_Down.bmp", "Device-independent bitmap stream (6 x 6 px, 32 bpp)"},
        {"images/image-rs-image/pal8v5.bmp", "Device-independent bitmap stream (127 x 64 px, 8 bpp)"},
        {"images/image-rs-image/Core_1_Bit.bmp", CONTENTS},
    };
    for (const auto& [path, label] : bitmaps) {
        const auto data = test::read_file_bytes(test::corpus_dir() / path);
        ASSERT_GT(data.size(), 64u) << path;
        EXPECT_EQ(describe_stream_signature(ByteView(data).subspan(14, 64)), label) << path;
    }
}

}  // namespace
}  // namespace cw
