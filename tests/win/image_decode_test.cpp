// Encoded images decoded by the Windows Imaging Component into DIB sections, on real files.
#include <gtest/gtest.h>

#include <wincodec.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <type_traits>

#include "app/header_logo_win.h"
#include "base/error_win.h"
#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "preview/image_decode_win.h"
#include "process_driver.h"

namespace cw {
namespace {

namespace fs = std::filesystem;

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgrx;

    const std::uint8_t* at(int x, int y) const { return &bgrx[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// The bitmap's pixels, after checking it is the 32-bit top-down BI_RGB DIB section the views expect.
Pixels read_dib(const UniqueGdiObject& bitmap)
{
    Pixels out;
    DIBSECTION ds{};
    EXPECT_EQ(GetObjectW(bitmap.get(), sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBmih.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(ds.dsBmih.biBitCount, 32);
    EXPECT_EQ(ds.dsBmih.biPlanes, 1);
    EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_NE(ds.dsBm.bmBits, nullptr);
    out.width = ds.dsBm.bmWidth;
    out.height = ds.dsBm.bmHeight;
    if (!ds.dsBm.bmBits || ds.dsBm.bmWidthBytes != out.width * 4) return out;
    const auto* bits = static_cast<const std::uint8_t*>(ds.dsBm.bmBits);
    out.bgrx.assign(bits, bits + static_cast<std::size_t>(out.width) * out.height * 4);

    // Top-down: the first row in memory is the one GDI draws at y = 0.
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap.get());
    for (const auto [x, y] : {std::pair{0, 0}, std::pair{out.width - 1, 0}, std::pair{0, out.height - 1},
                              std::pair{out.width - 1, out.height - 1}}) {
        const std::uint8_t* px = out.at(x, y);
        EXPECT_EQ(GetPixel(dc, x, y), RGB(px[2], px[1], px[0])) << "pixel " << x << "," << y;
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return out;
}

bool fourth_bytes_are_zero(const Pixels& p)
{
    for (std::size_t i = 3; i < p.bgrx.size(); i += 4)
        if (p.bgrx[i] != 0) return false;
    return true;
}

std::wstring corpus_root()
{
    return test::windows_path(CLIPWRIGHT_CORPUS_DIR);
}

std::vector<std::uint8_t> corpus_bytes(const char* relative)
{
    return test::read_file_bytes(fs::path(corpus_root()) / "images" / relative);
}

#define REQUIRE_CORPUS_HERE()                                                                                         \
    do {                                                                                                              \
        if (!fs::is_directory(corpus_root())) GTEST_SKIP() << "shared corpus not found at " << CLIPWRIGHT_CORPUS_DIR; \
    } while (0)

// A PNG of `width` x `height` straight-alpha BGRA pixels, encoded here.
std::vector<std::uint8_t> encode_png(UINT width, UINT height, std::vector<std::uint8_t> bgra)
{
    std::vector<std::uint8_t> out;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.put()))) ||
        FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
        FAILED(frame->SetSize(width, height)))
        return out;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppBGRA ||
        FAILED(frame->WritePixels(height, width * 4, static_cast<UINT>(bgra.size()), bgra.data())) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return out;
    HGLOBAL memory = nullptr;
    GetHGlobalFromStream(stream.get(), &memory);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
    out.assign(data, data + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return out;
}

// A 1-bit BMP file of the given size (white pixels); its header is all a decoder needs to size it.
std::vector<std::uint8_t> blank_bmp(std::uint32_t width, std::uint32_t height, bool with_pixels = true)
{
    const std::uint32_t stride = (width + 31) / 32 * 4;
    const std::uint64_t pixel_bytes = with_pixels ? std::uint64_t{stride} * height : 0;
    std::vector<std::uint8_t> file(62 + pixel_bytes, 0);
    auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&file[at], &v, 2); };
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&file[at], &v, 4); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(62 + std::uint64_t{stride} * height));
    put32(10, 62);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    put16(26, 1);
    put16(28, 1);
    put32(34, static_cast<std::uint32_t>(std::uint64_t{stride} * height));
    put32(46, 2);
    put32(54, 0x00FFFFFF);  // index 0: white
    return file;
}

void expect_error(const Result<UniqueGdiObject>& result, std::string_view message)
{
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().ucode(), 0x8007000DU);
    EXPECT_EQ(result.error().message.value_or(""), message);
}

TEST(DecodeImage, TransparentPngsAreCompositedOverTheBackground)
{
    REQUIRE_CORPUS_HERE();
    // Expected colours worked out from the files' own pixels with nearest rounding; several of them
    // differ from a truncating blend by one.
    struct Case {
        const char* file;
        COLORREF background;
        int x, y;
        std::uint8_t b, g, r;
    };
    const Case cases[] = {
        {"pngsuite/basn4a08.png", 0xFFFFFF, 0, 0, 255, 255, 255},    // transparent
        {"pngsuite/basn4a08.png", 0xFFFFFF, 31, 31, 0, 0, 0},        // opaque black
        {"pngsuite/basn4a08.png", 0xFFFFFF, 16, 31, 124, 124, 124},  // black at alpha 131
        {"pngsuite/basn4a08.png", 0xFFFFFF, 21, 5, 227, 227, 227},
        {"pngsuite/basn4a08.png", 0xFFFFFF, 27, 12, 169, 169, 169},
        {"pngsuite/basn6a08.png", 0x336699, 0, 0, 0x33, 0x66, 0x99},  // transparent: the background
        {"pngsuite/basn6a08.png", 0x336699, 31, 0, 8, 0, 255},
        {"pngsuite/basn6a08.png", 0x336699, 16, 31, 156, 66, 74},
        {"pngsuite/basn6a08.png", 0x336699, 21, 5, 21, 140, 222},
        {"pngsuite/basn6a08.png", 0x336699, 27, 12, 11, 235, 131},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " at " << c.x << "," << c.y);
        Result<UniqueGdiObject> bitmap = decode_image(corpus_bytes(c.file), std::nullopt, c.background);
        ASSERT_TRUE(bitmap) << error_display(bitmap.error());
        const Pixels p = read_dib(*bitmap);
        ASSERT_EQ(p.width, 32);
        ASSERT_EQ(p.height, 32);
        EXPECT_TRUE(fourth_bytes_are_zero(p));
        const std::uint8_t* px = p.at(c.x, c.y);
        EXPECT_EQ(px[0], c.b);
        EXPECT_EQ(px[1], c.g);
        EXPECT_EQ(px[2], c.r);
    }
}

TEST(DecodeImage, HalfTransparentBlackOverWhiteIs127)
{
    const std::vector<std::uint8_t> png = encode_png(2, 1, {0, 0, 0, 128, 40, 50, 60, 0});
    ASSERT_FALSE(png.empty());
    Result<UniqueGdiObject> bitmap = decode_image(png, std::nullopt, 0xFFFFFF);
    ASSERT_TRUE(bitmap) << error_display(bitmap.error());
    const Pixels p = read_dib(*bitmap);
    EXPECT_EQ(p.bgrx, (std::vector<std::uint8_t>{127, 127, 127, 0, 255, 255, 255, 0}));
}

TEST(DecodeImage, AnimatedGifShowsItsFirstFrame)
{
    REQUIRE_CORPUS_HERE();
    // Two full frames: all green, then all red.
    Result<UniqueGdiObject> bitmap =
        decode_image(corpus_bytes("image-gif/samples/anim-gr.gif"), std::nullopt, 0xFFFFFF);
    ASSERT_TRUE(bitmap) << error_display(bitmap.error());
    const Pixels p = read_dib(*bitmap);
    ASSERT_EQ(p.width, 100);
    ASSERT_EQ(p.height, 50);
    std::size_t green = 0;
    for (std::size_t i = 0; i < p.bgrx.size(); i += 4)
        if (p.bgrx[i] == 0 && p.bgrx[i + 1] == 255 && p.bgrx[i + 2] == 0 && p.bgrx[i + 3] == 0) ++green;
    EXPECT_EQ(green, 5000u);
}

TEST(DecodeImage, JpegsDecodeAtTheirSize)
{
    REQUIRE_CORPUS_HERE();
    struct Case {
        const char* file;
        int width, height;
        bool gray;
    };
    const Case cases[] = {
        {"jpeg-decoder/mozilla/jpg-size-33x33.jpg", 33, 33, false},
        {"jpeg-decoder/mozilla/jpg-gray.jpg", 32, 32, true},
        {"image-rs-image/jpg/progressive/cat.jpg", 320, 240, false},
        {"image-rs-image/jpg/portrait_2.jpg", 113, 150, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Result<UniqueGdiObject> bitmap = decode_image(corpus_bytes(c.file), std::nullopt, 0x0000FF);
        ASSERT_TRUE(bitmap) << error_display(bitmap.error());
        const Pixels p = read_dib(*bitmap);
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        EXPECT_TRUE(fourth_bytes_are_zero(p));
        if (!c.gray) continue;
        bool all_gray = true;
        for (std::size_t i = 0; i < p.bgrx.size(); i += 4)
            all_gray = all_gray && p.bgrx[i] == p.bgrx[i + 1] && p.bgrx[i + 1] == p.bgrx[i + 2];
        EXPECT_TRUE(all_gray) << "an opaque image ignores the red background";
    }
}

TEST(DecodeImage, EmptyInputIsRefusedAndBrokenInputGivesTheDecodersError)
{
    REQUIRE_CORPUS_HERE();
    const std::vector<std::uint8_t> empty = corpus_bytes("jpeg-decoder/crashtest/images/empty.jpg");
    ASSERT_TRUE(empty.empty());
    expect_error(decode_image(empty, std::nullopt, 0xFFFFFF), "The encoded image data is invalid.");

    const std::vector<std::uint8_t> cat = corpus_bytes("image-rs-image/jpg/progressive/cat.jpg");
    const std::vector<std::uint8_t> png = corpus_bytes("pngsuite/basn6a08.png");
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"truncated PNG from the corpus", corpus_bytes("image-png-regressions/bugfixes/x_unexpected_eof.png")},
        {"PNG cut inside its pixel data", std::vector<std::uint8_t>(png.begin(), png.begin() + 60)},
        {"JPEG cut after its header", std::vector<std::uint8_t>(cat.begin(), cat.begin() + 200)},
        {"not an image", test::bytes_of("plain text, not a picture")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.bytes.empty());
        Result<UniqueGdiObject> result = decode_image(c.bytes, std::nullopt, 0xFFFFFF);
        ASSERT_FALSE(result);
        EXPECT_LT(result.error().code, 0) << "a failure HRESULT";
        EXPECT_NE(result.error().ucode(), 0x8007000DU);
        EXPECT_FALSE(result.error().message.has_value()) << "the system's text, not one of ours";
    }
}

TEST(DecodeImage, TargetSizeScalesTheImage)
{
    REQUIRE_CORPUS_HERE();
    const std::vector<std::uint8_t> png = corpus_bytes("pngsuite/basn6a08.png");
    Result<UniqueGdiObject> scaled = decode_image(png, ImageSize{16, 8}, 0xFFFFFF);
    ASSERT_TRUE(scaled) << error_display(scaled.error());
    const Pixels p = read_dib(*scaled);
    EXPECT_EQ(p.width, 16);
    EXPECT_EQ(p.height, 8);
    EXPECT_TRUE(fourth_bytes_are_zero(p));

    expect_error(decode_image(png, ImageSize{0, 8}, 0xFFFFFF), "The scaled image dimensions are invalid.");
    expect_error(decode_image(png, ImageSize{16, 0}, 0xFFFFFF), "The scaled image dimensions are invalid.");
}

TEST(DecodeImage, DecodedSizeLimits)
{
    // 8192 x 8192 fills the 268,435,456-byte pixel cap exactly; one more row is too much.
    Result<UniqueGdiObject> largest = decode_image(blank_bmp(8192, 8192), std::nullopt, 0);
    ASSERT_TRUE(largest) << error_display(largest.error());
    const Pixels p = read_dib(*largest);
    EXPECT_EQ(p.width, 8192);
    EXPECT_EQ(p.height, 8192);
    EXPECT_EQ(p.at(8191, 8191)[0], 255);
    EXPECT_EQ(p.at(8191, 8191)[3], 0);

    expect_error(decode_image(blank_bmp(8192, 8193), std::nullopt, 0), "The decoded image is too large to preview.");
    expect_error(decode_image(blank_bmp(0x40000000, 1, false), std::nullopt, 0),
                 "The decoded image dimensions are too large.");
}

// Writes what a bitmap shows as a PNG under the artifacts folder, for a person to look at.
void save_for_review(const Pixels& p, const std::wstring& name)
{
    std::vector<std::uint8_t> opaque = p.bgrx;
    for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
    const std::vector<std::uint8_t> png = encode_png(p.width, p.height, opaque);
    const fs::path folder = fs::path(test::artifacts_folder()) / L"logo";
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), png.size());
}

TEST(HeaderLogo, TheProgramCarriesA298By96PngThatScalesForTheHeader)
{
    struct ModuleFree {
        void operator()(HMODULE m) const { FreeLibrary(m); }
    };
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree> program(
        LoadLibraryExW(test::windows_path(CLIPWRIGHT_EXE).c_str(), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program);
    Result<ByteView> logo = header_logo_bytes(program.get());
    ASSERT_TRUE(logo) << error_display(logo.error());
    ASSERT_GE(logo->size(), 24u);
    EXPECT_EQ(std::memcmp(logo->data(), "\x89PNG\r\n\x1a\n", 8), 0);

    const Result<UniqueGdiObject> full = decode_image(*logo, std::nullopt, 0xFFFFFF);
    ASSERT_TRUE(full) << error_display(full.error());
    const Pixels natural = read_dib(*full);
    EXPECT_EQ(natural.width, 298);
    EXPECT_EQ(natural.height, 96);

    // At 96 and 144 DPI, over the dark and the light window background; the corners are empty.
    struct Case {
        ImageSize size;
        COLORREF background;
        const wchar_t* name;
    };
    const Case cases[] = {
        {{149, 48}, 0x121110, L"header-logo-149x48-dark.png"},
        {{149, 48}, 0xF9F8F7, L"header-logo-149x48-light.png"},
        {{224, 72}, 0x121110, L"header-logo-224x72-dark.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(from_wide(c.name));
        const Result<UniqueGdiObject> scaled = decode_image(*logo, c.size, c.background);
        ASSERT_TRUE(scaled) << error_display(scaled.error());
        const Pixels p = read_dib(*scaled);
        ASSERT_EQ(p.width, static_cast<int>(c.size.width));
        ASSERT_EQ(p.height, static_cast<int>(c.size.height));
        for (const auto [x, y] : {std::pair{0, 0}, std::pair{p.width - 1, 0}, std::pair{p.width - 1, p.height - 1}})
            EXPECT_EQ(RGB(p.at(x, y)[2], p.at(x, y)[1], p.at(x, y)[0]), c.background) << x << "," << y;
        save_for_review(p, c.name);
    }

    // A module without the logo says so instead of handing out nothing. (Test programs carry the
    // program's own resources, so a system module stands in.)
    Result<ByteView> missing = header_logo_bytes(GetModuleHandleW(L"ntdll.dll"));
    ASSERT_FALSE(missing);
    EXPECT_LT(missing.error().code, 0);
}

TEST(CanvasBitmap, WhiteTopDownCanvasSelectedIntoItsOwnDc)
{
    Result<CanvasBitmap> canvas = create_canvas_bitmap(3, 2);
    ASSERT_TRUE(canvas) << error_display(canvas.error());
    EXPECT_EQ(GetCurrentObject(canvas->dc(), OBJ_BITMAP), canvas->bitmap());
    EXPECT_EQ(GetObjectType(canvas->previous()), static_cast<DWORD>(OBJ_BITMAP));
    SetPixelV(canvas->dc(), 2, 0, RGB(255, 0, 0));
    GdiFlush();
    const HDC dc = canvas->dc();
    UniqueGdiObject bitmap = canvas->finish();
    EXPECT_EQ(GetObjectType(dc), 0u) << "the DC is gone";

    const Pixels p = read_dib(bitmap);
    ASSERT_EQ(p.bgrx.size(), 24u);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const std::uint8_t* px = p.at(i % 3, i / 3);
        if (i == 2) {
            EXPECT_EQ(px[0], 0);  // top row first: what was drawn at y = 0
            EXPECT_EQ(px[2], 255);
        } else {
            EXPECT_EQ(px[0], 0xFF);
            EXPECT_EQ(px[1], 0xFF);
            EXPECT_EQ(px[2], 0xFF);
            EXPECT_EQ(px[3], 0xFF);
        }
    }

    for (auto [w, h] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{4, -4}, std::pair{-4, 4}}) {
        Result<CanvasBitmap> refused = create_canvas_bitmap(w, h);
        ASSERT_FALSE(refused) << w << " x " << h;
        EXPECT_EQ(refused.error().ucode(), 0x80070057U);
    }
}

}  // namespace
}  // namespace cw
