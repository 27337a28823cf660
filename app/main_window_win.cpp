#include "app/main_window_win.h"

#include <commctrl.h>
#include <richedit.h>

#include <climits>
#include <cstring>
#include <optional>

#include "app/audio_window_win.h"
#include "app/clipboard_capture_win.h"
#include "app/format_list.h"
#include "app/layout.h"
#include "app/save_selected_win.h"
#include "app/tab_pages_win.h"
#include "app/table_list.h"
#include "app/table_list_win.h"
#include "app/theme_win.h"
#include "base/dpi.h"
#include "base/error_win.h"
#include "base/log.h"
#include "base/overloaded.h"
#include "base/text_win.h"
#include "capture/archive_source_win.h"
#include "inspect/dispatcher.h"
#include "inspect/dispatcher_win.h"
#include "report/report_text.h"
#include "save/candidates.h"
#include "save/save_command_win.h"

namespace cw {

namespace {

AppState* state_of(HWND window) { return reinterpret_cast<AppState*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

std::wstring wide_of(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

void insert_columns(HWND list, const std::vector<ListColumn>& columns)
{
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring caption = to_wide(columns[i].caption);
        LVCOLUMNW col{};
        col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        col.fmt = LVCFMT_LEFT;
        col.cx = columns[i].width;
        col.pszText = caption.data();
        col.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
        // Owner-drawn so that the dark theme can paint the header items.
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (header && SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item))) {
            item.fmt |= HDF_OWNERDRAW;
            SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
}

void insert_row(HWND list, int row, const std::vector<std::string>& cells)
{
    for (std::size_t c = 0; c < cells.size(); ++c) {
        // A new item's sub-items are already empty; sparse workbook grids are mostly empty cells.
        if (c > 0 && cells[c].empty()) continue;
        std::wstring text = to_wide(cells[c]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = static_cast<int>(c);
        item.pszText = text.data();
        SendMessageW(list, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, c == 0 ? 0 : row,
                     reinterpret_cast<LPARAM>(&item));
    }
}

LRESULT CALLBACK list_subclass(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR data)
{
    if (message == WM_DRAWITEM) {
        auto* state = reinterpret_cast<AppState*>(data);
        if (state && paint_header_item(*state, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, list_subclass, id);
    }
    return DefSubclassProc(list, message, wparam, lparam);
}

void set_list_selection(HWND list, int row)
{
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
}

// EM_STREAMIN reads the RTF from memory in pieces.
struct RtfSource {
    const std::string* bytes;
    std::size_t offset;
};

DWORD CALLBACK rtf_reader(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* read)
{
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const std::size_t left = source->bytes->size() - source->offset;
    const std::size_t n = std::min<std::size_t>(left, static_cast<std::size_t>(count));
    std::memcpy(buffer, source->bytes->data() + source->offset, n);
    source->offset += n;
    *read = static_cast<LONG>(n);
    return 0;
}

int selected_tab(HWND tabs) { return static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0)); }

void apply_visibility(AppState& state, const PanelVisibility& v)
{
    for (std::size_t i = 0; i < MAIN_CONTROL_COUNT; ++i)
        if (v.decided[i]) ShowWindow(state.controls[i], v.visible[i] ? SW_SHOW : SW_HIDE);
}

void show_tab_page(AppState& state, DetailPanel panel, HWND tabs)
{
    const PanelVisibility v = panel_visibility(panel, selected_tab(tabs));
    apply_visibility(state, v);
}

WebViewSite webview_site(AppState& state)
{
    return {&state.web_preview, state.control(MainControl::html_host), state.control(MainControl::html_tabs),
            &state.html_document, state.window_alive};
}

void show_report(AppState& state, const FormatEntry& entry, DetailReport report)
{
    const Overloaded show{
        [&](const TextContent& c) {
            set_window_text(state.control(MainControl::text_view), to_crlf_mixed(c.text));
            show_panel(state, DetailPanel::text_panel);
        },
        [&](const ImageContent& c) {
            // Shown first, so that the view composes for the control's final client size.
            show_panel(state, DetailPanel::image_panel);
            set_preview_image(state.image_view, c.image);
        },
        [&](const RichTextContent& c) {
            RtfSource source{&c.rtf_bytes, 0};
            EDITSTREAM stream{};
            stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
            stream.pfnCallback = rtf_reader;
            SendMessageW(state.control(MainControl::rich_view), EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
            set_window_text(state.control(MainControl::rich_source), to_crlf_mixed(c.text));
            show_panel(state, DetailPanel::rich_text_panel);
            show_rich_tab(state);
        },
        [&](const HtmlContent& c) {
            state.html_document = c.html.document;
            set_window_text(state.control(MainControl::html_source), to_crlf_mixed(c.html.source));
            navigate_webview(state.web_preview, state.html_document);  // a refused document keeps the old page
            show_panel(state, DetailPanel::html_panel);
            show_html_tab(state);
            start_webview(webview_site(state));
        },
        [&](TableContent& c) {
            HWND tabs = state.control(MainControl::table_tabs);
            set_tab_caption(tabs, 0, c.table.table_caption);
            set_tab_caption(tabs, 1, c.table.text_caption);
            fill_table_list(state, std::move(c.table));
            // The source waits until its page is shown: an edit control lays out a large text slowly
            // (seconds for a few hundred thousand lines under Wine), and the grid is what most users look at.
            set_window_text(state.control(MainControl::table_source), "");
            state.table_source_pending = true;
            show_panel(state, DetailPanel::table_panel);
            show_table_tab(state);
        },
        [&](const AudioContent& c) {
            show_audio(state.main_window, state, c.audio);
            show_panel(state, DetailPanel::audio_panel);
        },
        [&](const ReportContent& c) {
            set_window_text(state.control(MainControl::report_view), c.text);
            show_panel(state, DetailPanel::report_panel);
        },
        [&](const UnavailableContent& c) {
            set_window_text(state.control(MainControl::report_view), unavailable_text(entry, error_display(c.error)));
            show_panel(state, DetailPanel::report_panel);
        },
    };
    std::visit(show, report.content);
}

bool path_exists(std::u16string_view path)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    return GetFileAttributesExW(wide_of(path).c_str(), GetFileExInfoStandard, &info) != FALSE;
}

LRESULT on_notify(HWND window, AppState& state, NMHDR* header)
{
    if (std::optional<LRESULT> answer = answer_table_list(window, state.control(MainControl::table_list),
                                                          state.table_shown, state.table_columns.size(), header))
        return *answer;
    if (header->hwndFrom == state.control(MainControl::format_list) && header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (change->iItem >= 0 && (change->uNewState & LVIS_SELECTED) &&
            static_cast<std::size_t>(change->iItem) < state.row_format_indices.size())
            show_selected_format(window, state, state.row_format_indices[change->iItem]);
    } else if (header->code == TCN_SELCHANGE) {
        if (header->hwndFrom == state.control(MainControl::rich_tabs)) show_rich_tab(state);
        if (header->hwndFrom == state.control(MainControl::html_tabs)) show_html_tab(state);
        if (header->hwndFrom == state.control(MainControl::table_tabs)) show_table_tab(state);
    }
    return 0;
}

void on_command(HWND window, AppState& state, WORD id)
{
    switch (id) {
        case ID_REFRESH: refresh_clipboard_view(window, state); break;
        case ID_VIEW_TOGGLE: toggle_view(window, state); break;
        case ID_CANCEL: DestroyWindow(window); break;
        case ID_THEME: toggle_theme(window, state); break;
        case ID_SAVE: save_selected(window, state); break;
        default: on_audio_command(window, state, id); break;
    }
}

void on_dpi_changed(HWND window, AppState& state, WPARAM wparam, const RECT* suggested)
{
    state.window_dpi = effective_dpi(LOWORD(wparam));
    apply_theme(window, state);
    const auto columns = format_list_columns(state.advanced_view, state.window_dpi);
    for (std::size_t i = 0; i < columns.size(); ++i)
        SendMessageW(state.control(MainControl::format_list), LVM_SETCOLUMNWIDTH, i, columns[i].width);
    for (std::size_t i = 0; i < state.table_columns.size(); ++i)
        SendMessageW(state.control(MainControl::table_list), LVM_SETCOLUMNWIDTH, i,
                     table_column_width(state.window_dpi));
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    layout_main_window(window, state);
    log_event("dpi_change", "dpi=" + std::to_string(state.window_dpi));
}

LRESULT create_main_controls(HWND window, AppState& state)
{
    state.window_dpi = effective_dpi(GetDpiForWindow(window));
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    for (const ControlSpec& spec : MAIN_CONTROLS) {
        const std::wstring class_name = to_wide(spec.class_name);
        const std::wstring text = to_wide(initial_control_text(spec, state.dark_mode, state.target_folder));
        HWND control = CreateWindowExW(spec.ex_style, class_name.c_str(), text.c_str(), spec.style, 0, 0, 0, 0, window,
                                       reinterpret_cast<HMENU>(static_cast<UINT_PTR>(spec.id)), instance, nullptr);
        if (!control) return -1;
        state.controls[index_of(spec.control)] = control;
        for (int page = 0; page < 2; ++page) {
            if (spec.tab_pages[page].empty()) continue;
            std::wstring caption = to_wide(spec.tab_pages[page]);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = caption.data();
            SendMessageW(control, TCM_INSERTITEMW, page, reinterpret_cast<LPARAM>(&item));
        }
    }
    for (MainControl list : {MainControl::format_list, MainControl::table_list})
        SendMessageW(state.control(list), LVM_SETEXTENDEDLISTVIEWSTYLE, LIST_VIEW_EX_STYLE, LIST_VIEW_EX_STYLE);
    ShowScrollBar(state.control(MainControl::image_control), SB_BOTH, FALSE);
    SetWindowSubclass(state.control(MainControl::format_list), list_subclass, 1, reinterpret_cast<DWORD_PTR>(&state));
    SetWindowSubclass(state.control(MainControl::table_list), list_subclass, 2, reinterpret_cast<DWORD_PTR>(&state));
    for (MainControl tabs : {MainControl::rich_tabs, MainControl::html_tabs, MainControl::table_tabs})
        keep_tab_pages_visible(state.control(tabs));
    attach_image_view(state.image_view, state.control(MainControl::image_control), &state.dark_mode, &state.window_dpi);
    apply_theme(window, state);
    layout_main_window(window, state);
    refresh_clipboard_view(window, state);
    SetFocus(state.control(MainControl::format_list));
    return 0;
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        auto* state = static_cast<AppState*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        if (state) state->main_window = window;
        return DefWindowProcW(window, message, wparam, lparam);
    }
    AppState* state = state_of(window);
    if (!state) return DefWindowProcW(window, message, wparam, lparam);
    switch (message) {
        case WM_CREATE:
            return create_main_controls(window, *state);
        case WM_SIZE:
            layout_main_window(window, *state);
            return 0;
        case WM_GETMINMAXINFO: {
            const Size min = minimum_track_size(state->window_dpi);
            auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
            info->ptMinTrackSize.x = min.width;
            info->ptMinTrackSize.y = min.height;
            return 0;
        }
        case WM_ERASEBKGND:
            if (state->window_brush) {
                RECT rc;
                GetClientRect(window, &rc);
                FillRect(reinterpret_cast<HDC>(wparam), &rc, static_cast<HBRUSH>(state->window_brush.get()));
                return 1;
            }
            break;
        case WM_DRAWITEM:
            if (paint_header_item(*state, reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = control_colours(*state, message, reinterpret_cast<HDC>(wparam),
                                               reinterpret_cast<HWND>(lparam)))
                return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_NOTIFY:
            return on_notify(window, *state, reinterpret_cast<NMHDR*>(lparam));
        case WM_COMMAND:
            on_command(window, *state, LOWORD(wparam));
            return 0;
        case WM_TIMER:
            if (wparam == AUDIO_PROGRESS_TIMER_ID) {
                on_audio_timer(window, *state);
                return 0;
            }
            break;
        case WM_DPICHANGED:
            on_dpi_changed(window, *state, wparam, reinterpret_cast<const RECT*>(lparam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

void set_window_text(HWND control, std::string_view text) { SetWindowTextW(control, to_wide(text).c_str()); }

int show_message_box(HWND owner, std::string_view caption, std::string_view text, UINT style)
{
    return MessageBoxW(owner, to_wide(text).c_str(), to_wide(caption).c_str(), style);
}

void set_tab_caption(HWND tabs, int index, std::string_view text)
{
    std::wstring caption = to_wide(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption.data();
    SendMessageW(tabs, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
}

// The list is emptied before the table is replaced, so that it never asks for a cell of a table
// that is gone.
void fill_table_list(AppState& state, PropertyTable table)
{
    HWND list = state.control(MainControl::table_list);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    state.table_shown = std::move(table);
    const TableListModel model = build_table_list(state.table_shown, state.window_dpi);
    insert_columns(list, model.columns);
    state.table_columns.clear();
    for (const ListColumn& c : model.columns) state.table_columns.push_back(c.caption);
    const std::size_t rows = std::min<std::size_t>(state.table_shown.rows.size(), INT_MAX);
    SendMessageW(list, LVM_SETITEMCOUNT, rows, 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

Status register_main_window_class(HINSTANCE instance)
{
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) return last_error_or_failure();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    if (!wc.hCursor) return last_error_or_failure();
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    if (!RegisterClassW(&wc)) return last_error_or_failure();
    return ok_status();
}

Result<HWND> create_main_window(HINSTANCE instance, AppState& state)
{
    const Size size = initial_window_size(state.window_dpi);
    HWND window = CreateWindowExW(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, size.width, size.height, nullptr, nullptr, instance, &state);
    if (!window) return last_error_or_failure();
    return window;
}

void layout_main_window(HWND window, AppState& state)
{
    RECT client{};
    GetClientRect(window, &client);
    const MainLayout layout =
        compute_main_layout(client.right - client.left, client.bottom - client.top, state.advanced_view,
                            state.window_dpi);
    for (std::size_t i = 0; i < MAIN_CONTROL_COUNT; ++i) {
        const Rect& r = layout.rects[i];
        if (state.controls[i]) MoveWindow(state.controls[i], r.x, r.y, r.width, r.height, TRUE);
    }
    redraw_audio_waveform(window, state);
    set_webview_bounds(state.web_preview, state.control(MainControl::html_host));
    refresh_image_view(state.image_view);
}

void show_panel(AppState& state, DetailPanel panel)
{
    // Only the main controls here; the shown panel's tab handler picks its page.
    PanelVisibility v = panel_visibility(panel, 0);
    for (std::size_t i = 0; i < MAIN_CONTROL_COUNT; ++i) {
        if (!v.decided[i]) continue;
        const bool is_page = i == index_of(MainControl::rich_view) || i == index_of(MainControl::rich_source) ||
                             i == index_of(MainControl::html_host) || i == index_of(MainControl::html_source) ||
                             i == index_of(MainControl::table_list) || i == index_of(MainControl::table_source);
        if (is_page && v.visible[i]) continue;  // left to the tab handler
        ShowWindow(state.controls[i], v.visible[i] ? SW_SHOW : SW_HIDE);
    }
    if (panel != DetailPanel::html_panel) set_webview_visible(state.web_preview, false);
}

void show_rich_tab(AppState& state)
{
    show_tab_page(state, DetailPanel::rich_text_panel, state.control(MainControl::rich_tabs));
}
void show_html_tab(AppState& state)
{
    show_tab_page(state, DetailPanel::html_panel, state.control(MainControl::html_tabs));
    set_webview_visible(state.web_preview, selected_tab(state.control(MainControl::html_tabs)) == 0);
}
void show_table_tab(AppState& state)
{
    HWND tabs = state.control(MainControl::table_tabs);
    if (state.table_source_pending && selected_tab(tabs) == 1) {
        set_window_text(state.control(MainControl::table_source), to_crlf_mixed(state.table_shown.raw_text));
        state.table_source_pending = false;
    }
    show_tab_page(state, DetailPanel::table_panel, tabs);
}

void refresh_clipboard_view(HWND window, AppState& state)
{
    drop_audio(window, state);
    state.row_format_indices.clear();
    state.snapshot = ClipboardSnapshot{};
    state.selected_format.reset();
    EnableWindow(state.control(MainControl::save_button), FALSE);
    set_window_text(state.control(MainControl::extension_label), "");
    SendMessageW(state.control(MainControl::format_list), LVM_DELETEALLITEMS, 0, 0);
    show_panel(state, DetailPanel::report_panel);
    set_window_text(state.control(MainControl::detail_title), SELECT_FORMAT_HEADING);
    set_window_text(state.control(MainControl::report_view), DETAIL_PANE_INTRO);

    Result<ClipboardSnapshot> captured = capture_logged_snapshot(window, true);
    if (!captured) {
        set_window_text(state.control(MainControl::heading_label), CLIPBOARD_BUSY_HEADING);
        set_window_text(state.control(MainControl::report_view), clipboard_busy_text(error_display(captured.error())));
        return;
    }
    state.snapshot = std::move(captured).value();
    fill_format_list(window, state);
}

void fill_format_list(HWND window, AppState& state)
{
    const FormatListModel model = build_format_list(state.snapshot, state.advanced_view, state.window_dpi);
    HWND list = state.control(MainControl::format_list);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, model.ex_style_mask, model.ex_style);
    insert_columns(list, model.columns);
    state.selected_format.reset();
    EnableWindow(state.control(MainControl::save_button), FALSE);
    set_window_text(state.control(MainControl::extension_label), "");
    for (std::size_t r = 0; r < model.rows.size(); ++r) insert_row(list, static_cast<int>(r), model.rows[r].cells);
    state.row_format_indices = model.row_format_indices();
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    set_window_text(state.control(MainControl::heading_label), model.heading);
    set_window_text(state.control(MainControl::view_toggle_button), model.toggle_caption);
    if (model.stop_audio) {
        silence_audio(window, state);
    }
    if (model.overview) {
        set_window_text(state.control(MainControl::detail_title), model.overview->title);
        set_window_text(state.control(MainControl::report_view), model.overview->text);
        show_panel(state, DetailPanel::report_panel);
    }
    if (model.first_row) {
        // Selecting the row sends LVN_ITEMCHANGED, which shows the format.
        set_list_selection(list, static_cast<int>(*model.first_row));
    }
}

void show_selected_format(HWND window, AppState& state, std::size_t format_index)
{
    if (format_index >= state.snapshot.entries.size()) return;
    state.selected_format = format_index;
    const FormatEntry entry = state.snapshot.entries[format_index];
    const bool changed = clipboard_sequence_number() != state.snapshot.sequence_number;
    // The report's read of an embedded object also tells the proposed name what it holds.
    std::optional<DetailReport> report;
    if (!changed) report = build_detail_report(window, entry);
    const std::string extension =
        proposed_extension(window, entry, report ? report->holds_photoshop_document : std::nullopt);
    set_window_text(state.control(MainControl::file_name_edit),
                    suggest_file_name(state.target_folder, extension, path_exists));
    set_window_text(state.control(MainControl::extension_label), "." + extension);
    EnableWindow(state.control(MainControl::save_button), TRUE);

    if (changed) {
        refresh_clipboard_view(window, state);
        set_window_text(state.control(MainControl::detail_title), CLIPBOARD_CHANGED_TITLE);
        return;
    }
    set_window_text(state.control(MainControl::detail_title),
                    state.advanced_view ? detail_heading(entry) : simple_view_detail_title(entry));
    // Only now is it known which code page 8-bit text was read in.
    if (state.advanced_view && !report->text_encoding.empty())
        set_window_text(state.control(MainControl::detail_title), detail_heading(entry, *report));
    silence_audio(window, state);
    show_report(state, entry, std::move(*report));
}

void toggle_view(HWND window, AppState& state)
{
    state.advanced_view = !state.advanced_view;
    fill_format_list(window, state);
    layout_main_window(window, state);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void destroy_state(AppState& state)
{
    *state.window_alive = false;
    close_webview(state.web_preview);
    state.audio_preview.playback.reset();
    state.audio_preview.waveform_bitmap.reset();
    release_image_view(state.image_view);
    state.logo_bitmap.reset();
    state.normal_font.reset();
    state.title_font.reset();
    state.small_font.reset();
    state.window_brush.reset();
    state.input_brush.reset();
    state.separator_brush.reset();
}

}  // namespace cw
