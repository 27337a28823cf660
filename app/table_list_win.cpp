#include "app/table_list_win.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/table_list.h"
#include "base/handles_win.h"
#include "base/text.h"

namespace cw {

namespace {

void answer_cell(const PropertyTable& table, LVITEMW& item)
{
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0 || item.iItem < 0 || item.iSubItem < 0)
        return;
    // The buffer is the asker's; another process reading a cell lent it inside this one.
    const std::u16string text =
        table_cell_prefix(table, static_cast<std::size_t>(item.iItem), static_cast<std::size_t>(item.iSubItem),
                          static_cast<std::size_t>(item.cchTextMax));
    std::memcpy(item.pszText, text.data(), text.size() * sizeof(char16_t));
    item.pszText[text.size()] = L'\0';
}

void lower_case(std::u16string& text)
{
    if (!text.empty()) CharLowerBuffW(reinterpret_cast<wchar_t*>(text.data()), static_cast<DWORD>(text.size()));
}

LRESULT find_row(const PropertyTable& table, const NMLVFINDITEMW& find)
{
    const LVFINDINFOW& info = find.lvfi;
    // Type-ahead asks with LVFI_PARTIAL; searches by item data or position find nothing here.
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz) return -1;
    RowSearch search;
    search.text = reinterpret_cast<const char16_t*>(info.psz);
    search.start = find.iStart < 0 ? 0 : static_cast<std::size_t>(find.iStart);
    search.partial = (info.flags & LVFI_PARTIAL) != 0;
    search.wrap = (info.flags & LVFI_WRAP) != 0;
    const std::optional<std::size_t> row = find_table_row(table, search, lower_case);
    return row ? static_cast<LRESULT>(*row) : -1;
}

std::vector<std::size_t> selected_rows(HWND list)
{
    std::vector<std::size_t> rows;
    int row = -1;
    while ((row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0)
        rows.push_back(static_cast<std::size_t>(row));
    return rows;
}

bool put_unicode_text(HWND owner, const std::u16string& text)
{
    const SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    bool filled = false;
    if (GlobalLockGuard lock(memory); lock) {
        std::memcpy(lock.data(), text.c_str(), bytes);
        filled = true;
    }
    ClipboardSession clipboard;
    if (filled && clipboard.open(owner) && EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory)) return true;
    GlobalFree(memory);  // the clipboard did not take it
    return false;
}

void copy_selected_rows(HWND window, HWND list, const PropertyTable& table, std::size_t column_count)
{
    const std::vector<std::size_t> rows = selected_rows(list);
    if (rows.empty()) return;  // nothing to copy must not empty the clipboard
    const std::optional<std::string> text = table_rows_text(table, rows, column_count);
    if (!text || !put_unicode_text(window, utf8_to_utf16(*text))) MessageBeep(MB_ICONWARNING);
}

}  // namespace

std::optional<LRESULT> answer_table_list(HWND window, HWND list, const PropertyTable& table, std::size_t column_count,
                                         NMHDR* header)
{
    if (header->hwndFrom != list) return std::nullopt;
    switch (header->code) {
        case LVN_GETDISPINFOW:
            answer_cell(table, reinterpret_cast<NMLVDISPINFOW*>(header)->item);
            return 0;
        case LVN_ODFINDITEMW:
            return find_row(table, *reinterpret_cast<const NMLVFINDITEMW*>(header));
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == 'C' && GetKeyState(VK_CONTROL) < 0 &&
                GetKeyState(VK_MENU) >= 0)
                copy_selected_rows(window, list, table, column_count);
            return 0;
        default:
            return std::nullopt;
    }
}

}  // namespace cw
