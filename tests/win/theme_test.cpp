// Theme, fonts and DPI change on the real window.
#include <gtest/gtest.h>

#include "app/main_window_win.h"
#include <commctrl.h>
#include "app/startup_win.h"
#include "app/theme_win.h"
#include "clipboard_fixture.h"
#include "main_window_fixture.h"
#include "process_driver.h"

namespace cw {
namespace {

using test::MainWindowHarness;

LONG font_height(HWND control)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    return lf.lfHeight;
}

std::wstring stored_theme()
{
    wchar_t buffer[32] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright", L"Theme", RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return L"<none>";
    return buffer;
}

class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright"); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright"); }
    test::ClipboardFixture clipboard;
};

TEST_F(ThemeTest, StoredValueDecidesTheThemeAtStart)
{
    struct Case {
        const wchar_t* value;
        DWORD type;
        bool dark;
    };
    const Case cases[] = {
        {L" Light ", REG_SZ, false}, {L"LIGHT", REG_SZ, false}, {L"light", REG_SZ, false},
        {L"Dark", REG_SZ, true},     {L"Lights", REG_SZ, true}, {L"", REG_SZ, true},
        {nullptr, REG_DWORD, true},
    };
    for (const Case& c : cases) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright", &key), ERROR_SUCCESS);
        if (c.type == REG_SZ) {
            RegSetValueExW(key, L"Theme", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.value),
                           static_cast<DWORD>((wcslen(c.value) + 1) * sizeof(wchar_t)));
        } else {
            const DWORD one = 1;
            RegSetValueExW(key, L"Theme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        }
        RegCloseKey(key);
        EXPECT_EQ(read_dark_mode_setting(), c.dark) << (c.value ? "string" : "dword");
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tindrel\\Clipwright");
    EXPECT_TRUE(read_dark_mode_setting());

    clipboard.clear();
    MainWindowHarness light(false);
    EXPECT_EQ(light.text(MainControl::theme_button), "Dark &Mode");
}

// Live GDI objects of this process. Wine keeps no count for GetGuiResources (it answers 0), but
// its GetObjectType accepts a handle given by its table index alone, so the table can be walked.
DWORD gdi_object_count()
{
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (counted != 0) return counted;
    DWORD live = 0;
    for (std::uintptr_t index = 1; index <= 0xFFFF; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++live;
    return live;
}

std::vector<HGDIOBJ> theme_objects(const AppState& s)
{
    return {s.window_brush.get(), s.input_brush.get(), s.separator_brush.get(), s.normal_font.get(),
            s.title_font.get(),   s.small_font.get(),  s.logo_bitmap.get()};
}

// Each toggle replaces all seven objects and deletes the ones it replaced, so after any number
// of toggles exactly three brushes, three fonts and one logo are alive.
void expect_replaced(const std::vector<HGDIOBJ>& before, const std::vector<HGDIOBJ>& after)
{
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NE(GetObjectType(after[i]), 0u) << "object " << i << " not alive";
        EXPECT_EQ(GetObjectType(before[i]), 0u) << "object " << i << " leaked";
    }
}

TEST_F(ThemeTest, TogglingWritesTheChoiceAndReplacesEveryBrushAndFont)
{
    clipboard.clear();
    MainWindowHarness w(true);
    // A first round trip lets the system make the objects it caches for painting.
    w.command(ID_THEME);
    w.command(ID_THEME);
    const DWORD gdi_before = gdi_object_count();
    ASSERT_GT(gdi_before, 0u);
    const auto first = theme_objects(w.state());
    EXPECT_EQ(GetObjectType(first[0]), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(GetObjectType(first[3]), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(GetObjectType(first[6]), static_cast<DWORD>(OBJ_BITMAP));

    w.command(ID_THEME);
    const auto second = theme_objects(w.state());
    expect_replaced(first, second);
    EXPECT_FALSE(w.state().dark_mode);
    EXPECT_EQ(stored_theme(), L"Light");
    EXPECT_EQ(w.text(MainControl::theme_button), "Dark &Mode");
    LOGBRUSH brush{};
    GetObjectW(w.state().window_brush.get(), sizeof brush, &brush);
    EXPECT_EQ(brush.lbColor, RGB(247, 248, 249));

    w.command(ID_THEME);
    expect_replaced(second, theme_objects(w.state()));
    EXPECT_TRUE(w.state().dark_mode);
    EXPECT_EQ(stored_theme(), L"Dark");
    EXPECT_EQ(w.text(MainControl::theme_button), "Light &Mode");
    GetObjectW(w.state().window_brush.get(), sizeof brush, &brush);
    EXPECT_EQ(brush.lbColor, RGB(16, 17, 18));
    // Every control shows the state's current normal font, so none holds a deleted one.
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(w.control(MainControl::report_view), WM_GETFONT, 0, 0)),
              w.state().normal_font.get());
    EXPECT_EQ(gdi_object_count(), gdi_before);
}

TEST_F(ThemeTest, DpiChangeRescalesFontsColumnsAndHeaderSeparators)
{
    const std::wstring app_data = test::make_temp_folder(L"clipwright-theme");
    SetEnvironmentVariableW(L"LOCALAPPDATA", app_data.c_str());
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}});
    MainWindowHarness w(true);
    EXPECT_EQ(font_height(w.control(MainControl::report_view)), -12);

    RECT suggested{10, 20, 10 + 1575, 20 + 1080};
    SendMessageW(w.window(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(w.state().window_dpi, 144u);
    EXPECT_EQ(font_height(w.control(MainControl::report_view)), -18);
    EXPECT_EQ(font_height(w.control(MainControl::title_label)), -44);
    EXPECT_EQ(font_height(w.control(MainControl::version_label)), -21);
    RECT outer{};
    GetWindowRect(w.window(), &outer);
    EXPECT_EQ(outer.right - outer.left, 1575);
    EXPECT_EQ(outer.bottom - outer.top, 1080);
    const auto lines = test::read_lines(app_data + L"\\Tindrel\\Clipwright\\Logs\\clipwright.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(" dpi_change dpi=144"), std::string::npos);

    // The header painter: input background, a separator two pixels thick at 144 DPI.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 100, 30);
    HGDIOBJ old = SelectObject(dc, bitmap);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_HEADER;
    item.CtlID = 1002;
    item.itemID = 0;
    item.hDC = dc;
    item.rcItem = {0, 0, 100, 30};
    ASSERT_TRUE(paint_header_item(w.state(), &item));
    const COLORREF separator = RGB(62, 65, 68), input = RGB(27, 28, 29);
    EXPECT_EQ(GetPixel(dc, 50, 29), separator);
    EXPECT_EQ(GetPixel(dc, 50, 28), separator);
    EXPECT_EQ(GetPixel(dc, 98, 5), separator);
    EXPECT_EQ(GetPixel(dc, 97, 5), input);
    EXPECT_EQ(GetPixel(dc, 2, 27), input);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    item.CtlID = 77;  // not one of our lists
    item.hwndItem = nullptr;
    EXPECT_FALSE(paint_header_item(w.state(), &item));
    test::remove_tree(app_data);
}

}  // namespace
}  // namespace cw
