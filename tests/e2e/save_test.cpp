// "&Save and Close" in the real program: the file it writes, its exit, and a refused save.
#include <gtest/gtest.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "corpus.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

constexpr int SAVE_BUTTON_ID = 1008;
constexpr int FILE_NAME_EDIT = 11;  // creation order; the edit box has no id
constexpr wchar_t MAIN_CLASS[] = L"ClipwrightClipboardViewer";

using Bytes = std::vector<std::uint8_t>;

std::string text_of(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

std::uint32_t u32_at(const std::string& s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}

// A top-down 3 x 2 DIB with a BITMAPV5HEADER, 32 bits per pixel and explicit masks.
Bytes dibv5()
{
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof h;
    h.bV5Width = 3;
    h.bV5Height = -2;
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_BITFIELDS;
    h.bV5SizeImage = 3 * 2 * 4;
    h.bV5RedMask = 0x00FF0000;
    h.bV5GreenMask = 0x0000FF00;
    h.bV5BlueMask = 0x000000FF;
    h.bV5AlphaMask = 0xFF000000;
    h.bV5CSType = 0x73524742;  // LCS_sRGB
    const std::uint32_t pixels[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    Bytes dib(sizeof h + sizeof pixels);
    std::memcpy(dib.data(), &h, sizeof h);
    std::memcpy(dib.data() + sizeof h, pixels, sizeof pixels);
    return dib;
}

// Decodes an image file with WIC: its size and its first pixel as 32-bit BGRA.
struct Decoded {
    UINT width = 0, height = 0;
    std::uint32_t first_pixel = 0;
};
bool decode_with_wic(const std::wstring& path, Decoded& out)
{
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&out.width, &out.height)) &&
        SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                                        WICBitmapPaletteTypeCustom));
    if (ok) {
        WICRect first{0, 0, 1, 1};
        ok = SUCCEEDED(converter->CopyPixels(&first, 4, 4, reinterpret_cast<BYTE*>(&out.first_pixel)));
    }
    if (converter) converter->Release();
    if (frame) frame->Release();
    if (decoder) decoder->Release();
    if (factory) factory->Release();
    return ok;
}

// An edit control of another process keeps its text to itself; WM_GETTEXT is carried across.
std::string edit_text(HWND edit)
{
    wchar_t buffer[1024] = {};
    const auto n = SendMessageW(edit, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return from_wide(buffer, static_cast<std::size_t>(n));
}

// A top-level window of `pid` with this title, waited for while pumping.
HWND wait_for_titled_window(DWORD pid, const wchar_t* title, DWORD milliseconds = 30000)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, title); w;
             w = FindWindowExW(nullptr, w, nullptr, title)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid && IsWindowVisible(w)) return w;
        }
        test::ClipboardFixture::pump(50);
    }
    return nullptr;
}

// The message text of a message box: its one static control with text.
std::string message_box_text(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        if (_wcsicmp(cls, L"Static") != 0) continue;
        const std::string text = test::window_text(child);
        if (!text.empty()) return text;
    }
    return {};
}

class SaveE2E : public test::ProgramTest {
protected:
    std::vector<std::string> log_events() const { return logged_events(); }
    static bool has(const std::vector<std::string>& events, const std::string& event)
    {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
};

TEST_F(SaveE2E, SaveAndCloseWritesTheFileAndExits)
{
    CW_REQUIRE_CORPUS();
    const Bytes png = test::read_file_bytes(test::corpus_dir() / "images" / "pngsuite" / "basn6a08.png");
    ASSERT_GT(png.size(), 8u);
    const Bytes dib = dibv5();
    const std::string html =
        "Version:0.9\r\nStartHTML:0000000105\r\nEndHTML:0000000174\r\nStartFragment:0000000141\r\n"
        "EndFragment:0000000156\r\n<html><body>\r\n<!--StartFragment--><b>h&eacute;llo</b><!--EndFragment-->\r\n"
        "</body></html>";
    struct Case {
        const char* what;
        std::vector<test::FlatFormat> clipboard;
        std::vector<std::string> existing;
        std::string file;
        std::function<void(const std::string& bytes)> check;
    };
    const Case cases[] = {
        {"PNG",
         {{test::register_format(L"PNG"), png}},
         {},
         "untitled.png",
         [&](const std::string& bytes) { EXPECT_TRUE(bytes == text_of(png)); }},
        {"PNG beside two taken names",
         {{test::register_format(L"PNG"), png}},
         {"untitled.png", "untitled_1.png"},
         "untitled_2.png",
         [&](const std::string& bytes) { EXPECT_TRUE(bytes == text_of(png)); }},
        {"CF_DIBV5 as BMP",
         {{CF_DIBV5, dib}},
         {},
         "untitled.bmp",
         [&](const std::string& bytes) {
             ASSERT_EQ(bytes.size(), dib.size() + 14);
             EXPECT_EQ(bytes.substr(0, 2), "BM");
             EXPECT_EQ(u32_at(bytes, 2), dib.size() + 14);
             EXPECT_EQ(u32_at(bytes, 6), 0u);
             EXPECT_EQ(u32_at(bytes, 10), 14u + 124u);
             EXPECT_TRUE(bytes.substr(14) == text_of(dib));
             Decoded decoded;
             ASSERT_TRUE(decode_with_wic(target + L"\\untitled.bmp", decoded));
             EXPECT_EQ(decoded.width, 3u);
             EXPECT_EQ(decoded.height, 2u);
             EXPECT_EQ(decoded.first_pixel, 0xFFFF0000u);  // top-left: red
         }},
        {"Unicode text as UTF-8",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"h\u00e9llo")}},
         {},
         "untitled.txt",
         [](const std::string& bytes) { EXPECT_EQ(bytes, "h\xC3\xA9llo"); }},
        {"HTML document",
         {{test::register_format(L"HTML Format"), test::bytes_of(html)}},
         {},
         "untitled.html",
         [&](const std::string& bytes) { EXPECT_EQ(bytes, html.substr(105)); }},
        {"Internet shortcut",
         {{test::register_format(L"UniformResourceLocatorW"), test::utf16_bytes_of(L"https://example.org/h\u00e9")}},
         {},
         "untitled.url",
         [](const std::string& bytes) {
             EXPECT_EQ(bytes, "[InternetShortcut]\r\nURL=https://example.org/h\xC3\xA9\r\n");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clipboard.set_flat(c.clipboard);
        for (const std::string& name : c.existing) {
            HANDLE h = CreateFileW((target + L"\\" + to_wide(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            CloseHandle(h);
        }
        auto program = start();
        HWND window = program->wait_for_window(MAIN_CLASS);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(edit_text(test::nth_child(window, FILE_NAME_EDIT)), c.file);
        PostMessageW(GetDlgItem(window, SAVE_BUTTON_ID), BM_CLICK, 0, 0);
        EXPECT_EQ(program->wait_for_exit(), 0);

        std::vector<std::string> expected_files = c.existing;
        expected_files.push_back(c.file);
        std::sort(expected_files.begin(), expected_files.end());
        EXPECT_EQ(test::folder_names(target), expected_files);
        c.check(test::read_text_file(target + L"\\" + to_wide(c.file)));
        for (const std::string& name : c.existing) EXPECT_EQ(test::read_text_file(target + L"\\" + to_wide(name)), "");
        EXPECT_TRUE(has(log_events(), "save result=success"));

        test::remove_tree(target);
        CreateDirectoryW(target.c_str(), nullptr);
        test::remove_tree(app_data);
        CreateDirectoryW(app_data.c_str(), nullptr);
    }
}

TEST_F(SaveE2E, RefusedNameShowsTheBoxAndKeepsTheWindow)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"h\u00e9llo")}});
    auto program = start();
    HWND window = program->wait_for_window(MAIN_CLASS);
    ASSERT_NE(window, nullptr);
    HWND name_box = test::nth_child(window, FILE_NAME_EDIT);
    SendMessageW(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"report?.txt"));
    ASSERT_EQ(edit_text(name_box), "report?.txt");
    PostMessageW(GetDlgItem(window, SAVE_BUTTON_ID), BM_CLICK, 0, 0);

    HWND box = wait_for_titled_window(program->pid(), L"Clipwright - Save failed");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_box_text(box), "The filename contains characters Windows cannot use.");
    test::save_screenshot(box, test::artifacts_folder() + L"\\e2e\\save-failed.png");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(box); ++i) test::ClipboardFixture::pump(50);
    EXPECT_FALSE(IsWindow(box));

    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(test::folder_names(target).empty());
    const auto events = log_events();
    EXPECT_TRUE(has(events, "save result=failure"));
    EXPECT_FALSE(has(events, "save result=success"));
    EXPECT_EQ(program->close(window), 0);
}

}  // namespace
}  // namespace cw
