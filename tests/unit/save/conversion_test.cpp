#include "save/conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "capture/snapshot.h"
#include "corpus.h"
#include "format_entry_builder.h"

namespace cw {
namespace {

using test::format_entry;

// A DIB of `total` bytes whose header fields are set, all else zero.
std::string make_dib(std::uint32_t header_size, std::uint16_t bit_count, std::uint32_t compression,
                     std::uint32_t colours_used, std::size_t total)
{
    std::string dib(total, '\0');
    auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes && at + i < dib.size(); ++i) dib[at + i] = static_cast<char>(v >> (8 * i));
    };
    put(0, header_size, 4);
    put(14, bit_count, 2);
    put(16, compression, 4);
    put(32, colours_used, 4);
    return dib;
}

std::uint32_t u32_at(std::string_view s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}

TEST(DibToBmp, HeaderFieldsAndErrors)
{
    struct Case {
        const char* what;
        std::string dib;
        std::uint32_t off_bits;  // 0 when an error is expected
        std::string_view error;
    };
    const Case cases[] = {
        {"24-bit, 40-byte header, no palette", make_dib(40, 24, 0, 0, 40 + 12), 54, {}},
        {"8-bit, colours used 0", make_dib(40, 8, 0, 0, 40 + 1024 + 4), 14 + 40 + 1024, {}},
        {"8-bit, colours used 6", make_dib(40, 8, 0, 6, 40 + 24 + 4), 14 + 40 + 24, {}},
        {"1-bit", make_dib(40, 1, 0, 0, 40 + 8 + 4), 14 + 40 + 8, {}},
        {"BI_BITFIELDS after a 40-byte header", make_dib(40, 32, 3, 0, 40 + 12 + 4), 14 + 40 + 12, {}},
        {"BI_BITFIELDS plus palette", make_dib(40, 16, 3, 2, 40 + 12 + 8 + 2), 14 + 40 + 12 + 8, {}},
        {"BI_ALPHABITFIELDS after a 40-byte header", make_dib(40, 32, 6, 0, 40 + 16 + 4), 14 + 40 + 16, {}},
        {"V5 header carries its masks", make_dib(124, 32, 3, 0, 124 + 4), 14 + 124, {}},
        {"V5 header with a palette", make_dib(124, 8, 0, 0, 124 + 1024 + 1), 14 + 124 + 1024, {}},
        {"JPEG or PNG pixels have no colour table", make_dib(40, 0, 4, 0, 40 + 10), 14 + 40, {}},
        {"just a 40-byte header", make_dib(40, 24, 0, 0, 40), 0, DIB_PIXEL_OFFSET_INVALID},
        {"palette fills the block", make_dib(40, 8, 0, 0, 40 + 1024), 0, DIB_PIXEL_OFFSET_INVALID},
        {"colours used beyond 32 bits of bytes", make_dib(40, 8, 0, 0xFFFFFFFF, 200), 0, DIB_PIXEL_OFFSET_INVALID},
        {"39 bytes", make_dib(40, 24, 0, 0, 39), 0, DIB_TOO_SHORT},
        {"empty", "", 0, DIB_TOO_SHORT},
        {"header claims more than the block", make_dib(124, 24, 0, 0, 100), 0, DIB_HEADER_INVALID},
        {"core header", make_dib(12, 24, 0, 0, 100), 0, DIB_HEADER_INVALID},
    };
    for (const auto& c : cases) {
        const auto file = dib_to_bmp_file(as_bytes_view(c.dib));
        if (!c.error.empty()) {
            ASSERT_FALSE(file.ok()) << c.what;
            EXPECT_EQ(file.error().code, E_INVALID_DATA_HR) << c.what;
            EXPECT_EQ(file.error().message, std::string(c.error)) << c.what;
            continue;
        }
        ASSERT_TRUE(file.ok()) << c.what << ": " << file.error().message.value_or("");
        ASSERT_EQ(file->size(), c.dib.size() + 14) << c.what;
        EXPECT_EQ(file->substr(0, 2), "BM") << c.what;
        EXPECT_EQ(u32_at(*file, 2), c.dib.size() + 14) << c.what;
        EXPECT_EQ(u32_at(*file, 6), 0U) << c.what;
        EXPECT_EQ(u32_at(*file, 10), c.off_bits) << c.what;
        EXPECT_EQ(file->substr(14), c.dib) << c.what;
    }
}

TEST(DibToBmp, SizeLimitSitsWhereTheFileSizeStopsFittingIn32Bits)
{
    const std::string start = make_dib(40, 24, 0, 0, 40);
    const auto largest = bmp_file_header(as_bytes_view(start), 4294967281ULL);
    ASSERT_TRUE(largest.ok());
    EXPECT_EQ(u32_at(std::string_view(reinterpret_cast<const char*>(largest->data()), 14), 2), 0xFFFFFFFFU);
    const auto too_large = bmp_file_header(as_bytes_view(start), 4294967282ULL);
    ASSERT_FALSE(too_large.ok());
    EXPECT_EQ(too_large.error().message, std::string(BMP_TOO_LARGE));
}

// A clipboard DIB is a BMP file without its first 14 bytes: putting them back must give the
// same file for every well-formed BMP of the corpus.
TEST(DibToBmp, RebuildsTheCorpusBitmaps)
{
    CW_REQUIRE_CORPUS();
    const auto folder = test::corpus_dir() / "images" / "image-rs-image";
    const std::map<std::string, std::string_view> refused = {
        {"Core_1_Bit.bmp", DIB_HEADER_INVALID},
        {"pal8os2-hs.bmp", DIB_HEADER_INVALID},
        {"pal8os2sp.bmp", DIB_HEADER_INVALID},
        {"badpalettesize.bmp", DIB_PIXEL_OFFSET_INVALID},
    };
    int rebuilt = 0;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (item.path().extension() != ".bmp") continue;
        const auto bytes = test::read_file_bytes(item.path());
        ASSERT_GT(bytes.size(), 14U);
        const auto file = dib_to_bmp_file(ByteView(bytes).subspan(14));
        const auto name = item.path().filename().string();
        if (auto it = refused.find(name); it != refused.end()) {
            ASSERT_FALSE(file.ok()) << name;
            EXPECT_EQ(file.error().message, std::string(it->second)) << name;
            continue;
        }
        ASSERT_TRUE(file.ok()) << name;
        EXPECT_EQ(*file, std::string(bytes.begin(), bytes.end())) << name;
        ++rebuilt;
    }
    EXPECT_GE(rebuilt, 25);
}

TEST(SaveConversion, RowsAreTriedInOrder)
{
    struct Case {
        std::uint32_t id;
        const char* name;
        SaveConversion expected;
    };
    const Case cases[] = {
        {8, "CF_DIB", SaveConversion::Bitmap},
        {17, "CF_DIBV5", SaveConversion::Bitmap},
        {13, "CF_UNICODETEXT", SaveConversion::UnicodeText},
        {1, "CF_TEXT", SaveConversion::NarrowText},
        {7, "CF_OEMTEXT", SaveConversion::NarrowText},
        {129, "CF_DSPTEXT", SaveConversion::NarrowText},
        {0xC001, "HTML Format", SaveConversion::HtmlDocument},
        {0xC002, "TEXT/HTML", SaveConversion::HtmlDocument},
        {0xC003, "HTML Format ", SaveConversion::Unchanged},
        {0xC004, "Rich Text Format", SaveConversion::RichText},
        {0xC005, "Rich Text Format Without Objects", SaveConversion::RichText},
        {0xC006, "Rich Text Forma", SaveConversion::Unchanged},
        {0xC007, "Embed Source", SaveConversion::EmbeddedObject},
        {0xC008, "NATIVE", SaveConversion::EmbeddedObject},
        {0xC009, "UniformResourceLocatorW", SaveConversion::InternetShortcutWide},
        {0xC00A, "uniformresourcelocatorw", SaveConversion::InternetShortcutWide},
        {0xC00B, "UniformResourceLocator", SaveConversion::InternetShortcut},
        {0xC00C, "PNG", SaveConversion::Unchanged},
        {2, "CF_BITMAP", SaveConversion::Unchanged},
        // An id rule wins over a name rule.
        {13, "HTML Format", SaveConversion::UnicodeText},
    };
    for (const auto& c : cases) EXPECT_EQ(choose_save_conversion(format_entry(c.id, c.name)), c.expected) << c.name;
}

TEST(SaveConversion, StreamsKeepTheirBytesExceptEmbeddedObjects)
{
    const std::pair<FormatEntry, SaveConversion> cases[] = {
        {format_entry(0xC007, "Embed Source"), SaveConversion::EmbeddedObject},
        {format_entry(0xC008, "native"), SaveConversion::EmbeddedObject},
        {format_entry(8, "CF_DIB"), SaveConversion::Unchanged},
        {format_entry(13, "CF_UNICODETEXT"), SaveConversion::Unchanged},
        {format_entry(0xC001, "HTML Format"), SaveConversion::Unchanged},
        {format_entry(0xC009, "UniformResourceLocatorW"), SaveConversion::Unchanged},
        {format_entry(0xC00D, "Adobe Photoshop Image"), SaveConversion::Unchanged},
    };
    for (const auto& [e, expected] : cases) EXPECT_EQ(choose_stream_save_conversion(e), expected) << e.name;
}

struct FileCase {
    const char* what;
    SaveConversion conversion;
    std::string bytes;
    std::string file;
};

std::vector<FileCase> file_cases()
{
    using namespace std::string_literals;
    return {
        {"UTF-16 up to the zero unit", SaveConversion::UnicodeText, "h\0\xE9\0l\0l\0o\0\0\0g\0a\0"s, "h\xC3\xA9llo"},
        {"UTF-16 without a zero, odd byte", SaveConversion::UnicodeText, "h\0i\0!"s, "hi"},
        {"UTF-16 pair and lone surrogate", SaveConversion::UnicodeText, "\x3D\xD8\x00\xDE\x00\xD8x\0"s,
         "\xF0\x9F\x98\x80\xEF\xBF\xBDx"},
        {"ANSI stays in its code page", SaveConversion::NarrowText, "caf\xE9\0junk"s, "caf\xE9"},
        {"ANSI without a zero", SaveConversion::NarrowText, "abc", "abc"},
        {"RTF up to the zero", SaveConversion::RichText, "{\\rtf1 x}\0\0\0"s, "{\\rtf1 x}"},
        {"HTML from StartHTML", SaveConversion::HtmlDocument, "StartHTML:15\r\nx<html><!--EndFragment-->\0zz"s,
         "<html><!--EndFragment-->"},
        {"HTML after a doctype", SaveConversion::HtmlDocument, "<!DOCTYPE html>\n<html>x</html>", "<html>x</html>"},
        {"HTML of plain text", SaveConversion::HtmlDocument, "a < b & c",
         "<!doctype html><meta charset=utf-8><pre>a &lt; b &amp; c</pre>"},
        {"HTML with invalid UTF-8", SaveConversion::HtmlDocument, "<html>\xFF", "<html>\xEF\xBF\xBD"},
        {"URL, UTF-16", SaveConversion::InternetShortcutWide, "h\0t\0t\0p\0:\0/\0/\0a\0\0\0"s,
         "[InternetShortcut]\r\nURL=http://a\r\n"},
        {"URL, 8-bit", SaveConversion::InternetShortcut, "http://b/\xC3\xA9\0x"s,
         "[InternetShortcut]\r\nURL=http://b/\xC3\xA9\r\n"},
        {"URL cannot add keys", SaveConversion::InternetShortcut, "http://c/\r\nIconFile=\\\\host\\x.ico",
         "[InternetShortcut]\r\nURL=http://c/\r\n"},
        {"unchanged keeps zeros", SaveConversion::Unchanged, "\x89PNG\0\0"s, "\x89PNG\0\0"s},
        {"UTF-16 pair, then the zero unit", SaveConversion::UnicodeText, "a\0\x3D\xD8\x00\xDE\0\0\x3D\xD8"s,
         "a\xF0\x9F\x98\x80"},
        {"UTF-16 high surrogate before the zero unit", SaveConversion::UnicodeText, "\x3D\xD8\0\0z\0"s, "\xEF\xBF\xBD"},
        {"UTF-16 two high surrogates, then a pair", SaveConversion::UnicodeText, "\x3D\xD8\x3D\xD8\x00\xDE\x3D\xD8"s,
         "\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD"},
    };
}

TEST(SaveConversion, FileBytes)
{
    for (const auto& c : file_cases()) {
        const auto data = convert_for_save(c.conversion, c.bytes, "ext");
        ASSERT_TRUE(data.ok()) << c.what;
        EXPECT_EQ(data->bytes, c.file) << c.what;
        EXPECT_EQ(data->extension, "ext") << c.what;
    }
    const auto bad_dib = convert_for_save(SaveConversion::Bitmap, std::string(40, '\0'), "bmp");
    ASSERT_FALSE(bad_dib.ok());
    EXPECT_EQ(bad_dib.error().message, std::string(DIB_HEADER_INVALID));
}

// The pieces of `bytes` between `cuts`, converted one after the other as a chunked save does.
std::string convert_in_pieces(SaveConversion conversion, std::string_view bytes, const std::vector<std::size_t>& cuts,
                              std::string prefix = {})
{
    PieceConversion pieces(conversion, std::move(prefix));
    std::string file;
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        pieces.append(as_bytes_view(bytes.substr(from, cut - from)), file);
        from = cut;
    }
    pieces.append(as_bytes_view(bytes.substr(from)), file);
    pieces.finish(file);
    return file;
}

TEST(SaveConversion, PiecesCutAnywhereMakeTheSameFile)
{
    for (const auto& c : file_cases()) {
        if (!converts_piece_by_piece(c.conversion)) continue;
        std::vector<std::size_t> every_byte;
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            EXPECT_EQ(convert_in_pieces(c.conversion, c.bytes, {cut}), c.file) << c.what << ", cut at " << cut;
            if (cut > 0 && cut < c.bytes.size()) every_byte.push_back(cut);
        }
        EXPECT_EQ(convert_in_pieces(c.conversion, c.bytes, every_byte), c.file) << c.what << ", byte by byte";
    }
    // A DIB gains its file header in front of the first piece.
    const std::string dib = make_dib(40, 24, 0, 0, 60);
    const auto header = bmp_file_header(as_bytes_view(dib), dib.size());
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(convert_in_pieces(SaveConversion::Bitmap, dib, {0, 7, 41}, std::string(header->begin(), header->end())),
              *dib_to_bmp_file(as_bytes_view(dib)));
}

TEST(SaveConversion, EmbeddedObjectIsAPhotoshopDocumentOnlyWhenItsStreamSaysSo)
{
    const std::string psd = "8BPS" + std::string(22, 'p');
    struct Case {
        const char* what;
        std::optional<std::string> stream;
        bool with_reader;
        std::string bytes;
        std::string extension;
    };
    const Case cases[] = {
        {"Photoshop stream", psd, true, psd, "psd"},
        {"stream of 25 bytes", psd.substr(0, 25), true, "OLE", "ole"},
        {"other signature", "8BPX" + std::string(30, 'p'), true, "OLE", "ole"},
        {"no such stream", std::nullopt, true, "OLE", "ole"},
        {"no reader", psd, false, "OLE", "ole"},
    };
    for (const auto& c : cases) {
        std::string asked;
        const RootStreamReader reader = [&](ByteView, std::string_view name) {
            asked = name;
            return c.stream;
        };
        const auto data =
            convert_for_save(SaveConversion::EmbeddedObject, "OLE", "psd", c.with_reader ? reader : RootStreamReader{});
        ASSERT_TRUE(data.ok());
        EXPECT_EQ(data->bytes, c.bytes) << c.what;
        EXPECT_EQ(data->extension, c.extension) << c.what;
        if (c.with_reader) {
            EXPECT_EQ(asked, "CONTENTS");
        }
    }
}

}  // namespace
}  // namespace cw
