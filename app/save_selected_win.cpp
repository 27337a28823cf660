#include "app/save_selected_win.h"

#include <string>
#include <utility>

#include "app/main_window_win.h"
#include "base/error_win.h"
#include "base/text_win.h"
#include "save/save_command_win.h"
#include "save/save_messages.h"

namespace cw {

namespace {

SaveFailureBox& failure_box()
{
    static SaveFailureBox box;
    return box;
}

std::string typed_file_name(HWND edit)
{
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = GetWindowTextW(edit, text.data(), static_cast<int>(text.size()));
    return from_wide(text.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

}  // namespace

SaveFailureBox set_save_failure_box(SaveFailureBox box)
{
    return std::exchange(failure_box(), std::move(box));
}

void save_selected(HWND window, AppState& state)
{
    const SaveRequest request{state.target_folder, &state.snapshot, state.selected_format,
                              typed_file_name(state.control(MainControl::file_name_edit))};
    const Result<std::wstring> saved = save_representation(window, request);
    if (saved) {
        DestroyWindow(window);
        return;
    }
    const std::string message = saved.error().message.value_or(error_display(saved.error()));
    if (failure_box())
        failure_box()(window, SAVE_FAILED_TITLE, message);
    else
        show_message_box(window, SAVE_FAILED_TITLE, message, MB_OK | MB_ICONERROR);
}

}  // namespace cw
