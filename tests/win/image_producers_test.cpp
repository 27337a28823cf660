// The bitmap, DIB and metafile producers on real GDI objects the test makes and puts on the
// clipboard; the clipboard keeps serving its handles afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "base/error_win.h"
#include "capture/snapshot_win.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "inspect/dispatcher_win.h"
#include "preview/dib.h"
#include "preview/image_producers_win.h"

namespace cw {
namespace {

namespace fs = std::filesystem;

SIZE bitmap_size(HGDIOBJ bitmap)
{
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof info, &info)) return {0, 0};
    return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

COLORREF pixel(HGDIOBJ bitmap, int x, int y)
{
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return c;
}

class ImageProducers : public ::testing::Test {
protected:
    // Puts one handle on the clipboard; the clipboard owns it from then on.
    void put(UINT id, HANDLE handle)
    {
        clipboard.clear();
        ASSERT_TRUE(OpenClipboard(clipboard.owner()));
        EmptyClipboard();
        EXPECT_EQ(SetClipboardData(id, handle), handle);
        CloseClipboard();
        placed = handle;
    }
    DetailReport report_of(UINT id)
    {
        Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
        EXPECT_TRUE(s.ok());
        for (const FormatEntry& e : s->entries)
            if (e.id == id) return build_detail_report(clipboard.owner(), e);
        ADD_FAILURE() << "format " << id << " not in the snapshot";
        return {};
    }
    // The preview's size, after checking the clipboard still serves the handle it was given.
    SIZE preview_size(UINT id)
    {
        const DetailReport report = report_of(id);
        EXPECT_EQ(report.kind(), DetailReportKind::Image) << error_display(report.as<UnavailableContent>().error);
        still_served(id);
        const auto* image = std::get_if<ImageContent>(&report.content);
        return image && image->image ? bitmap_size(image->image->native_handle()) : SIZE{0, 0};
    }
    void still_served(UINT id)
    {
        ASSERT_TRUE(OpenClipboard(clipboard.owner()));
        const HANDLE now = GetClipboardData(id);
        if (id == CF_BITMAP) EXPECT_EQ(GetObjectType(now), static_cast<DWORD>(OBJ_BITMAP));
        if (id == CF_ENHMETAFILE) EXPECT_NE(GetEnhMetaFileHeader(static_cast<HENHMETAFILE>(now), 0, nullptr), 0U);
        if (id == CF_DIB || id == CF_METAFILEPICT) EXPECT_NE(GlobalSize(now), 0U);
        CloseClipboard();
        EXPECT_EQ(now, placed);
    }

    test::ClipboardFixture clipboard;
    HANDLE placed = nullptr;
};

HGLOBAL global_of(const void* data, std::size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(memory), data, size);
    GlobalUnlock(memory);
    return memory;
}

HGLOBAL metafile_picture(LONG mm, LONG x_extent, LONG y_extent)
{
    HDC dc = CreateMetaFileW(nullptr);
    SetWindowExtEx(dc, 100, 100, nullptr);
    Rectangle(dc, 10, 10, 90, 90);
    METAFILEPICT picture{mm, x_extent, y_extent, CloseMetaFile(dc)};
    return global_of(&picture, sizeof picture);
}

TEST_F(ImageProducers, GdiObjectsMadeHereBecomeBitmapsOfTheirCappedSizes)
{
    const std::uint8_t bits[8] = {0xF0, 0, 0x0F, 0, 0xF0, 0, 0x0F, 0};
    put(CF_BITMAP, CreateBitmap(12, 4, 1, 1, bits));
    const SIZE bitmap = preview_size(CF_BITMAP);
    EXPECT_EQ(bitmap.cx, 12);
    EXPECT_EQ(bitmap.cy, 4);

    // The bounds of a drawing 3000 x 100 pixels across.
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    MoveToEx(recorder, 0, 0, nullptr);
    LineTo(recorder, 3000, 100);
    HENHMETAFILE emf = CloseEnhMetaFile(recorder);
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(emf, sizeof header, &header);
    const LONG height = header.rclBounds.bottom - header.rclBounds.top;
    ASSERT_GE(header.rclBounds.right - header.rclBounds.left, 1600);
    put(CF_ENHMETAFILE, emf);
    const SIZE enhanced = preview_size(CF_ENHMETAFILE);
    EXPECT_EQ(enhanced.cx, 1600);
    EXPECT_EQ(enhanced.cy, height);

    struct Case {
        LONG x, y;
        SIZE expected;
    };
    for (const Case& c : {Case{0, 300, {1, 300}}, Case{-5000, 3000, {1000, 800}}, Case{640, -480, {640, 480}}}) {
        put(CF_METAFILEPICT, metafile_picture(MM_ANISOTROPIC, c.x, c.y));
        const SIZE size = preview_size(CF_METAFILEPICT);
        EXPECT_EQ(size.cx, c.expected.cx) << c.x;
        EXPECT_EQ(size.cy, c.expected.cy) << c.y;
    }
    // The square drawn in the middle of the picture shows in the middle of the canvas.
    put(CF_METAFILEPICT, metafile_picture(MM_ANISOTROPIC, 200, 200));
    const DetailReport square = report_of(CF_METAFILEPICT);
    ASSERT_TRUE(square.as<ImageContent>().image);
    EXPECT_EQ(pixel(square.as<ImageContent>().image->native_handle(), 20, 20), RGB(0, 0, 0));
    EXPECT_EQ(pixel(square.as<ImageContent>().image->native_handle(), 100, 100), RGB(255, 255, 255));
}

TEST_F(ImageProducers, BadBlocksGiveTheirMessagesAndNothingIsReadPastThem)
{
    // A picture block of 16 bytes.
    HGLOBAL small = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    const Result<UniqueGdiObject> picture = render_metafile_picture(small);
    ASSERT_FALSE(picture);
    EXPECT_EQ(picture.error().ucode(), 0x8007000DU);
    GlobalFree(small);
    // A handle that is no metafile fails in playback, not in the process.
    HGLOBAL bogus = metafile_picture(MM_TEXT, 10, 10);
    static_cast<METAFILEPICT*>(GlobalLock(bogus))->hMF = reinterpret_cast<HMETAFILE>(0x1234);
    GlobalUnlock(bogus);
    EXPECT_FALSE(render_metafile_picture(bogus));
    GlobalFree(bogus);

    // 39 bytes, and a 2 x 2 24-bit DIB whose pixels are cut short, through the clipboard.
    std::vector<std::uint8_t> dib(40 + 15, 0);
    const std::int32_t header[] = {40, 2, 2};
    std::memcpy(dib.data(), header, sizeof header);
    dib[12] = 1;
    dib[14] = 24;
    put(CF_DIB, global_of(dib.data(), dib.size()));
    DetailReport cut = report_of(CF_DIB);
    ASSERT_EQ(cut.kind(), DetailReportKind::Unavailable);
    EXPECT_EQ(cut.as<UnavailableContent>().error.message.value_or(""), DIB_INCOMPLETE_TEXT);
    still_served(CF_DIB);
    EXPECT_EQ(bitmap_from_dib(clipboard.owner(), ByteView(dib).first(39), 39).error().message.value_or(""),
              DIB_INCOMPLETE_TEXT);
    dib.resize(56);
    EXPECT_TRUE(bitmap_from_dib(clipboard.owner(), dib, dib.size()));
}

TEST_F(ImageProducers, AlphaDibIsCompositedOverWhite)
{
    // A 2 x 1 BITMAPV5 DIB: transparent red, then opaque blue.
    std::vector<std::uint8_t> dib(124 + 8, 0);
    const std::uint32_t head[] = {124, 2, 1};
    std::memcpy(dib.data(), head, sizeof head);
    dib[12] = 1;
    dib[14] = 32;
    dib[16] = 3;  // BI_BITFIELDS
    const std::uint32_t masks[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    std::memcpy(&dib[40], masks, sizeof masks);
    const std::uint32_t pixels[] = {0x00FF0000, 0xFF0000FF};
    std::memcpy(&dib[124], pixels, sizeof pixels);
    put(CF_DIBV5, global_of(dib.data(), dib.size()));
    const DetailReport report = report_of(CF_DIBV5);
    ASSERT_EQ(report.kind(), DetailReportKind::Image) << error_display(report.as<UnavailableContent>().error);
    EXPECT_EQ(pixel(report.as<ImageContent>().image->native_handle(), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(pixel(report.as<ImageContent>().image->native_handle(), 1, 0), RGB(0, 0, 255));
}

TEST_F(ImageProducers, EveryCorpusBmpAsCfDibPreviewsOrGivesAMessage)
{
    CW_REQUIRE_CORPUS();
    const fs::path root = test::windows_path(CLIPWRIGHT_CORPUS_DIR) + L"\\images";
    int previewed = 0, refused = 0;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        if (item.path().extension() != ".bmp") continue;
        const std::vector<std::uint8_t> file = test::read_file_bytes(item.path());
        if (file.size() <= 14) continue;
        SCOPED_TRACE(item.path().filename().string());
        put(CF_DIB, global_of(file.data() + 14, file.size() - 14));
        const DetailReport report = report_of(CF_DIB);
        if (report.kind() == DetailReportKind::Image) {
            ++previewed;
            const SIZE size = bitmap_size(report.as<ImageContent>().image->native_handle());
            EXPECT_GT(size.cx, 0);
            EXPECT_GT(size.cy, 0);
        } else {
            ++refused;
            EXPECT_EQ(report.kind(), DetailReportKind::Unavailable);
            EXPECT_FALSE(error_display(report.as<UnavailableContent>().error).empty());
            std::printf("refused %s: %s\n", item.path().filename().string().c_str(),
                        error_display(report.as<UnavailableContent>().error).c_str());
        }
        still_served(CF_DIB);
    }
    EXPECT_GT(previewed, 20);
    std::printf("corpus BMPs as CF_DIB: %d previewed, %d refused\n", previewed, refused);
}

}  // namespace
}  // namespace cw
