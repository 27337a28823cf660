#pragma once
// Answers for the table page's owner-data list view: the cells it draws or another program reads
// (LVN_GETDISPINFOW), the row type-ahead jumps to (LVN_ODFINDITEMW), and Ctrl+C (LVN_KEYDOWN),
// which copies the selected rows as tab-separated text.

#include <cstddef>
#include <optional>

#include "base/win32.h"
#include "report/report.h"

namespace cw {

// The answer to one notification of `list`, which shows `table` in `column_count` columns;
// nothing when the notification is not one of the above.
std::optional<LRESULT> answer_table_list(HWND window, HWND list, const PropertyTable& table, std::size_t column_count,
                                         NMHDR* header);

}  // namespace cw
