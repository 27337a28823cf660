// clipwright-cli watch: one line per clipboard change, from a clipboard format listener on a
// message-only window, until Ctrl+C or until nobody reads the output any more.
#include <nlohmann/json.hpp>

#include "app/cli_archive_win.h"
#include "app/cli_arguments.h"
#include "app/cli_win.h"
#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "capture/format_identity_win.h"

namespace cw {

namespace {

constexpr UINT_PTR READER_CHECK_TIMER = 1;
constexpr UINT READER_CHECK_MS = 250;

DWORD watch_thread = 0;

BOOL WINAPI on_console_control(DWORD)
{
    // Ctrl+C, Ctrl+Break, the console closing: the message loop ends and the listener is removed.
    PostThreadMessageW(watch_thread, WM_QUIT, 0, 0);
    return TRUE;
}

std::string owner_process_name(HWND owner)
{
    DWORD pid = 0;
    if (!owner || !GetWindowThreadProcessId(owner, &pid) || pid == 0) return {};
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
    path.resize(size);
    return from_wide(path.substr(path.find_last_of(L"\\/") + 1));
}

std::string utc_time()
{
    SYSTEMTIME t;
    GetSystemTime(&t);
    char text[40];
    snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
             t.wSecond, t.wMilliseconds);
    return text;
}

struct Change {
    std::string time;
    std::uint32_t sequence = 0;
    std::string owner;
    std::vector<std::string> formats;
    bool listed = false;  // the clipboard could be opened to list the formats
};

Change read_change(HWND window)
{
    Change change{utc_time(), GetClipboardSequenceNumber(), owner_process_name(GetClipboardOwner()), {}, false};
    ClipboardSession clipboard;
    if (!clipboard.open(window)) return change;
    change.listed = true;
    for (UINT id = EnumClipboardFormats(0); id != 0; id = EnumClipboardFormats(id))
        change.formats.push_back(format_name(id));
    return change;
}

std::string change_line(const Change& change, bool json)
{
    if (json) {
        nlohmann::ordered_json line = {
            {"time", change.time},
            {"sequence_number", change.sequence},
            {"owner_process",
             change.owner.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(change.owner)},
            {"formats", change.listed ? nlohmann::ordered_json(change.formats) : nlohmann::ordered_json(nullptr)}};
        return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    }
    std::string names;
    for (const std::string& name : change.formats) names += (names.empty() ? "" : ", ") + name;
    if (!change.listed) names = "(clipboard busy)";
    return change.time + "\t" + std::to_string(change.sequence) + "\t" + (change.owner.empty() ? "-" : change.owner) +
           "\t" + names + "\n";
}

// A pipe whose reader has gone is noticed without waiting for the next change.
bool reader_gone()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE || GetFileType(out) != FILE_TYPE_PIPE) return false;
    auto closed = [](DWORD error) { return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA; };
    DWORD available = 0;
    if (!PeekNamedPipe(out, nullptr, 0, nullptr, &available, nullptr) && closed(GetLastError())) return true;
    // Not every system answers a peek at the writing end; an empty write fails once the reader is gone.
    DWORD written = 0;
    return !WriteFile(out, "", 0, &written, nullptr) && closed(GetLastError());
}

struct WatchState {
    bool json = false;
};

LRESULT CALLBACK watch_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* state = reinterpret_cast<WatchState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_CLIPBOARDUPDATE && state) {
        if (!write_standard_output(change_line(read_change(window), state->json))) PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && wparam == READER_CHECK_TIMER) {
        if (reader_gone()) PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

CliOutput run_watch(bool json)
{
    static constexpr wchar_t CLASS_NAME[] = L"ClipwrightCliWatchWindow";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = watch_window_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = CLASS_NAME;
    RegisterClassExW(&wc);
    UniqueWindow window(
        CreateWindowExW(0, CLASS_NAME, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr));
    if (!window)
        return cli_failure(1, "The watch window could not be created: " + error_display(last_error_or_failure()));
    WatchState state{json};
    SetWindowLongPtrW(window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    if (!AddClipboardFormatListener(window.get()))
        return cli_failure(1, "The clipboard cannot be watched: " + error_display(last_error_or_failure()));
    watch_thread = GetCurrentThreadId();
    SetConsoleCtrlHandler(on_console_control, TRUE);
    SetTimer(window.get(), READER_CHECK_TIMER, READER_CHECK_MS, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    KillTimer(window.get(), READER_CHECK_TIMER);
    RemoveClipboardFormatListener(window.get());
    SetConsoleCtrlHandler(on_console_control, FALSE);
    return {"", "", CLI_SUCCESS};
}

}  // namespace cw
