#include "app/theme_win.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <uxtheme.h>

#include "app/explorer_win.h"
#include "app/format_list.h"
#include "app/header_logo_win.h"
#include "app/theme_setting.h"
#include "base/dpi.h"
#include "base/error_win.h"
#include "base/text_win.h"
#include "preview/image_decode_win.h"

namespace cw {

namespace {

constexpr ThemeColours DARK{RGB(218, 220, 222), RGB(155, 159, 163), RGB(16, 17, 18),
                            RGB(27, 28, 29),    RGB(62, 65, 68),    RGB(0, 210, 148)};
constexpr ThemeColours LIGHT{RGB(35, 36, 38),   RGB(96, 100, 105), RGB(247, 248, 249),
                             RGB(255, 255, 255), RGB(208, 211, 214), RGB(0, 170, 118)};

HFONT make_font(int height)
{
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
}

bool is_one_of(const AppState& state, HWND control, std::initializer_list<MainControl> list)
{
    for (MainControl c : list)
        if (state.control(c) == control) return true;
    return false;
}

constexpr MainControl THEMED_CONTROLS[] = {
    MainControl::theme_button, MainControl::view_toggle_button, MainControl::refresh_button,
    MainControl::format_list,  MainControl::file_name_edit,     MainControl::save_button,
    MainControl::cancel_button, MainControl::text_view,         MainControl::report_view,
    MainControl::rich_tabs,    MainControl::rich_view,          MainControl::rich_source,
    MainControl::html_tabs,    MainControl::html_source,        MainControl::table_tabs,
    MainControl::table_list,   MainControl::table_source,       MainControl::audio_progress,
    MainControl::play_button,  MainControl::pause_button,       MainControl::stop_button,
};

}  // namespace

const ThemeColours& theme_colours(bool dark_mode) { return dark_mode ? DARK : LIGHT; }

void apply_theme(HWND window, AppState& state)
{
    const ThemeColours& c = theme_colours(state.dark_mode);
    const unsigned dpi = effective_dpi(state.window_dpi);

    // New objects first; the old ones go only when their successors are in use.
    UniqueGdiObject window_brush(CreateSolidBrush(c.window));
    UniqueGdiObject input_brush(CreateSolidBrush(c.input));
    UniqueGdiObject separator_brush(CreateSolidBrush(c.separator));
    state.window_brush = std::move(window_brush);
    state.input_brush = std::move(input_brush);
    state.separator_brush = std::move(separator_brush);

    UniqueGdiObject normal(make_font(-scale(12, dpi)));
    UniqueGdiObject title(make_font(-scale(29, dpi)));
    UniqueGdiObject small(make_font(-scale(14, dpi)));
    for (std::size_t i = 0; i < MAIN_CONTROL_COUNT; ++i) {
        const auto control = static_cast<MainControl>(i);
        if (control == MainControl::image_control || control == MainControl::waveform_control ||
            control == MainControl::audio_progress || !state.controls[i])
            continue;
        SendMessageW(state.controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(normal.get()), TRUE);
    }
    SendMessageW(state.control(MainControl::title_label), WM_SETFONT, reinterpret_cast<WPARAM>(title.get()), TRUE);
    for (MainControl label : {MainControl::subtitle_label, MainControl::version_label})
        SendMessageW(state.control(label), WM_SETFONT, reinterpret_cast<WPARAM>(small.get()), TRUE);
    state.normal_font = std::move(normal);
    state.title_font = std::move(title);
    state.small_font = std::move(small);

    SetWindowTextW(state.control(MainControl::theme_button), to_wide(theme_button_caption(state.dark_mode)).c_str());

    // A logo that cannot be decoded leaves the logo area empty.
    UniqueGdiObject logo;
    if (Result<ByteView> png = header_logo_bytes(GetModuleHandleW(nullptr)); png) {
        if (Result<UniqueGdiObject> decoded =
                decode_image(*png, ImageSize{static_cast<std::uint32_t>(scale(149, dpi)),
                                             static_cast<std::uint32_t>(scale(48, dpi))},
                             c.window);
            decoded)
            logo = std::move(*decoded);
    }
    SendMessageW(state.control(MainControl::logo_control), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(logo.get()));
    state.logo_bitmap = std::move(logo);

    const BOOL dark = state.dark_mode ? TRUE : FALSE;
    DwmSetWindowAttribute(window, 20 /* DWMWA_USE_IMMERSIVE_DARK_MODE */, &dark, sizeof dark);  // cosmetic
    const wchar_t* visual_style = state.dark_mode ? L"DarkMode_Explorer" : L"Explorer";
    for (MainControl control : THEMED_CONTROLS) SetWindowTheme(state.control(control), visual_style, nullptr);

    for (MainControl list : {MainControl::format_list, MainControl::table_list}) {
        HWND h = state.control(list);
        SendMessageW(h, LVM_SETBKCOLOR, 0, c.input);
        SendMessageW(h, LVM_SETTEXTBKCOLOR, 0, c.input);
        SendMessageW(h, LVM_SETTEXTCOLOR, 0, c.text);
        HWND header = reinterpret_cast<HWND>(SendMessageW(h, LVM_GETHEADER, 0, 0));
        // Without a visual style the owner-drawn items take over in the dark theme.
        if (header) SetWindowTheme(header, state.dark_mode ? L"" : L"Explorer", nullptr);
    }
    HWND progress = state.control(MainControl::audio_progress);
    SendMessageW(progress, PBM_SETBKCOLOR, 0, c.input);
    SendMessageW(progress, PBM_SETBARCOLOR, 0, c.progress);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

Status save_theme_setting(bool dark_mode)
{
    Result<UniqueRegKey> key = create_user_key(L"Software\\Tindrel\\Clipwright");
    if (!key) return key.error();
    return set_string_value(key->get(), L"Theme", to_wide(theme_setting_value(dark_mode)));
}

void toggle_theme(HWND window, AppState& state)
{
    state.dark_mode = !state.dark_mode;
    (void)save_theme_setting(state.dark_mode);  // the theme still changes for this run
    apply_theme(window, state);
}

HBRUSH control_colours(AppState& state, UINT message, HDC dc, HWND control)
{
    if (!state.window_brush || !state.input_brush) return nullptr;
    const ThemeColours& c = theme_colours(state.dark_mode);
    const bool input =
        message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ||
        is_one_of(state, control,
                  {MainControl::file_name_edit, MainControl::text_view, MainControl::report_view, MainControl::rich_view,
                   MainControl::rich_source, MainControl::html_host, MainControl::html_source,
                   MainControl::table_source});
    const bool muted = is_one_of(state, control,
                                 {MainControl::subtitle_label, MainControl::version_label, MainControl::heading_label,
                                  MainControl::save_in_label, MainControl::file_name_label,
                                  MainControl::extension_label, MainControl::audio_info_label,
                                  MainControl::audio_status});
    SetTextColor(dc, muted ? c.muted : c.text);
    SetBkColor(dc, input ? c.input : c.window);
    if (input) return static_cast<HBRUSH>(state.input_brush.get());
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(state.window_brush.get());
}

bool paint_header_item(AppState& state, const DRAWITEMSTRUCT* item)
{
    if (!item || item->CtlType != ODT_HEADER || !state.input_brush || !state.separator_brush) return false;
    HWND format_list = state.control(MainControl::format_list);
    HWND table_list = state.control(MainControl::table_list);
    auto belongs = [&](HWND list, UINT id) {
        return item->hwndItem == list ||
               item->hwndItem == reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)) || item->CtlID == id;
    };
    std::string caption;
    if (belongs(format_list, ID_FORMAT_LIST)) {
        caption = std::string(format_list_column_caption(state.advanced_view, item->itemID));
    } else if (belongs(table_list, ID_TABLE_LIST)) {
        if (item->itemID < state.table_columns.size()) caption = state.table_columns[item->itemID];
    } else {
        return false;
    }
    const ThemeColours& c = theme_colours(state.dark_mode);
    const unsigned dpi = effective_dpi(state.window_dpi);
    RECT rc = item->rcItem;
    FillRect(item->hDC, &rc, static_cast<HBRUSH>(state.input_brush.get()));
    const int t = std::max(1, static_cast<int>((dpi + 48) / 96));
    RECT bottom{rc.left, rc.bottom - t, rc.right, rc.bottom};
    RECT right{rc.right - t, rc.top, rc.right, rc.bottom};
    FillRect(item->hDC, &bottom, static_cast<HBRUSH>(state.separator_brush.get()));
    FillRect(item->hDC, &right, static_cast<HBRUSH>(state.separator_brush.get()));
    SetTextColor(item->hDC, c.text);
    SetBkMode(item->hDC, TRANSPARENT);
    RECT text = rc;
    text.left += scale(7, dpi);
    text.right -= scale(5, dpi);
    std::wstring wide = to_wide(caption);
    DrawTextW(item->hDC, wide.c_str(), static_cast<int>(wide.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    return true;
}

}  // namespace cw
