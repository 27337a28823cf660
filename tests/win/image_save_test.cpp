// Pictures saved under a typed extension of another picture format are encoded as that format,
// and the GDI-held pictures are saved as files that open. Copies of the files are kept under the
// build folder for scripts/check-saved-pictures.
#include <gtest/gtest.h>

#include <wincodec.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "capture/snapshot_win.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "process_driver.h"
#include "save/image_save_win.h"
#include "save/save_command_win.h"

namespace cw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A 24-bit BMP file of 16 x 8 pixels: a red block, then a blue one (whole JPEG blocks, so that
// the lossy encoders keep their colours).
Bytes small_bmp()
{
    Bytes file(14 + 40 + 8 * 48, 0);
    const std::uint8_t head[] = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 16, 0, 0, 0, 8, 0,
                                 0,   0,   1, 0, 24, 0};
    std::memcpy(file.data(), head, sizeof head);
    file[2] = static_cast<std::uint8_t>(file.size());
    file[3] = static_cast<std::uint8_t>(file.size() >> 8);
    for (int i = 0; i < 8 * 16; ++i) file[54 + 3 * i + ((i % 16) < 8 ? 2 : 0)] = 255;
    return file;
}

Bytes encoded(ImageFileType type)
{
    const Bytes bmp = small_bmp();
    Result<std::string> file = encode_image_file(bmp, type);
    EXPECT_TRUE(file) << error_display(file.error());
    return file ? Bytes(file->begin(), file->end()) : Bytes{};
}

struct Decoded {
    GUID container{};
    UINT width = 0, height = 0;
    std::vector<std::uint8_t> bgra;
};

// What WIC makes of a file: its container format, size and pixels as straight BGRA.
Decoded decode_file(const std::wstring& path)
{
    Decoded out;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.put()))) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                  decoder.put())) ||
        FAILED(decoder->GetContainerFormat(&out.container)) || FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&out.width, &out.height)))
        return out;
    out.bgra.resize(4 * out.width * out.height);
    converter->CopyPixels(nullptr, 4 * out.width, static_cast<UINT>(out.bgra.size()), out.bgra.data());
    return out;
}

class ImageSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::make_temp_folder(L"clipwright-image-save");
        app_data = test::make_temp_folder(L"clipwright-image-save-log");
        SetEnvironmentVariableW(L"LOCALAPPDATA", app_data.c_str());
    }
    void TearDown() override
    {
        test::remove_tree(folder);
        test::remove_tree(app_data);
    }
    void put(UINT id, HANDLE handle)
    {
        clipboard.clear();
        ASSERT_TRUE(OpenClipboard(clipboard.owner()));
        EmptyClipboard();
        SetClipboardData(id, handle);
        CloseClipboard();
    }
    // Saves format `id` under `typed`, keeps a copy for the script, and returns the path written.
    std::wstring save(UINT id, const std::string& typed)
    {
        Result<ClipboardSnapshot> snapshot = capture_clipboard(clipboard.owner());
        EXPECT_TRUE(snapshot);
        SaveRequest request;
        const std::u16string folder16(folder.begin(), folder.end());
        request.target_folder = folder16;
        request.snapshot = &*snapshot;
        for (std::size_t i = 0; i < snapshot->entries.size(); ++i)
            if (snapshot->entries[i].id == id) request.selected_format = i;
        request.typed_name = typed;
        Result<std::wstring> saved = save_representation(clipboard.owner(), request);
        EXPECT_TRUE(saved) << (saved ? "" : saved.error().message.value_or(error_display(saved.error())));
        if (!saved) return {};
        const std::wstring kept = test::artifacts_folder() + L"\\saved-pictures";
        std::error_code ignored;
        fs::create_directories(kept, ignored);
        fs::copy_file(*saved, fs::path(kept) / fs::path(*saved).filename(), fs::copy_options::overwrite_existing,
                      ignored);
        return *saved;
    }

    test::ClipboardFixture clipboard;
    std::wstring folder, app_data;
};

TEST_F(ImageSaveTest, TypedExtensionOfAnotherPictureFormatIsEncodedAsThatFormat)
{
    struct Case {
        const wchar_t* format;
        ImageFileType held;
        const char* typed;
        GUID expected;
    };
    const Case cases[] = {
        {L"PNG", ImageFileType::Png, "photo.jpg", GUID_ContainerFormatJpeg},
        {L"JFIF", ImageFileType::Jpeg, "photo.bmp", GUID_ContainerFormatBmp},
        {L"image/png", ImageFileType::Png, "photo.TIFF", GUID_ContainerFormatTiff},
        {L"PNG", ImageFileType::Png, "photo.gif", GUID_ContainerFormatGif},
        {L"PNG", ImageFileType::Png, "photo.png", GUID_ContainerFormatPng},  // matching: the bytes as they are
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const Bytes bytes = encoded(c.held);
        clipboard.set_flat({{test::register_format(c.format), bytes}});
        const std::wstring path = save(test::register_format(c.format), c.typed);
        const Decoded file = decode_file(path);
        EXPECT_EQ(file.container, c.expected);
        ASSERT_EQ(file.width, 16U);
        ASSERT_EQ(file.height, 8U);
        // Red stays red through every encoder (JPEG within its loss).
        EXPECT_GT(file.bgra[2], 200);
        EXPECT_LT(file.bgra[1], 60);
        if (std::string(c.typed) == "photo.png") EXPECT_EQ(test::read_file_bytes(path), bytes);
        fs::remove(path);
    }
    // Any other extension keeps the rule: the bytes unchanged under the typed name.
    const Bytes png = encoded(ImageFileType::Png);
    clipboard.set_flat({{test::register_format(L"PNG"), png}});
    EXPECT_EQ(test::read_file_bytes(save(test::register_format(L"PNG"), "photo.txt")), png);
}

TEST_F(ImageSaveTest, DibV5WithAlphaSavedAsPngKeepsItsAlpha)
{
    // 2 x 1: transparent red, then opaque blue.
    Bytes dib(124 + 8, 0);
    const std::uint32_t head[] = {124, 2, 1};
    std::memcpy(dib.data(), head, sizeof head);
    dib[12] = 1;
    dib[14] = 32;
    dib[16] = 3;
    const std::uint32_t masks[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    std::memcpy(&dib[40], masks, sizeof masks);
    const std::uint32_t pixels[] = {0x00FF0000, 0xFF0000FF};
    std::memcpy(&dib[124], pixels, sizeof pixels);
    clipboard.set_flat({{CF_DIBV5, dib}});
    const Decoded png = decode_file(save(CF_DIBV5, "alpha.png"));
    EXPECT_EQ(png.container, GUID_ContainerFormatPng);
    ASSERT_EQ(png.bgra.size(), 8U);
    EXPECT_EQ(png.bgra[3], 0);
    EXPECT_EQ(png.bgra[4], 255);
    EXPECT_EQ(png.bgra[7], 255);
}

TEST_F(ImageSaveTest, GdiPicturesAreSavedAsFilesThatOpen)
{
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    Rectangle(recorder, 10, 10, 300, 200);
    put(CF_ENHMETAFILE, CloseEnhMetaFile(recorder));
    const std::wstring emf = save(CF_ENHMETAFILE, "chart");
    EXPECT_EQ(fs::path(emf).extension(), ".emf");
    HENHMETAFILE opened = GetEnhMetaFileW(emf.c_str());
    ASSERT_NE(opened, nullptr);
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(opened, sizeof header, &header);
    EXPECT_EQ(header.dSignature, static_cast<DWORD>(ENHMETA_SIGNATURE));
    DeleteEnhMetaFile(opened);

    HDC wmf_recorder = CreateMetaFileW(nullptr);
    SetWindowExtEx(wmf_recorder, 400, 200, nullptr);
    Ellipse(wmf_recorder, 0, 0, 400, 200);
    METAFILEPICT picture{MM_ANISOTROPIC, 10000, 5000, CloseMetaFile(wmf_recorder)};
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof picture);
    std::memcpy(GlobalLock(block), &picture, sizeof picture);
    GlobalUnlock(block);
    put(CF_METAFILEPICT, block);
    const std::wstring wmf = save(CF_METAFILEPICT, "drawing");
    EXPECT_EQ(fs::path(wmf).extension(), ".wmf");
    const Bytes file = test::read_file_bytes(wmf);
    ASSERT_GT(file.size(), 22U);
    EXPECT_EQ(file[0], 0xD7);
    EXPECT_EQ(file[3], 0x9A);
    HMETAFILE bits = SetMetaFileBitsEx(static_cast<UINT>(file.size() - 22), file.data() + 22);
    EXPECT_NE(bits, nullptr);
    DeleteMetaFile(bits);

    const std::uint8_t rows[8] = {0xF0, 0, 0x0F, 0, 0xF0, 0, 0x0F, 0};
    put(CF_BITMAP, CreateBitmap(12, 4, 1, 1, rows));
    const std::wstring png = save(CF_BITMAP, "screen");
    EXPECT_EQ(fs::path(png).extension(), ".png");
    const Decoded decoded = decode_file(png);
    EXPECT_EQ(decoded.container, GUID_ContainerFormatPng);
    EXPECT_EQ(decoded.width, 12U);
    EXPECT_EQ(decoded.height, 4U);
    // And as a BMP when the name says so.
    EXPECT_EQ(decode_file(save(CF_BITMAP, "screen.bmp")).container, GUID_ContainerFormatBmp);
}

}  // namespace
}  // namespace cw
