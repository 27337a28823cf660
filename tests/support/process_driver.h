#pragma once
// Drives the real Clipwright.exe from a test: start it, find its window, look at it, close it.

#include <string>
#include <utility>
#include <vector>

#include "base/win32.h"

namespace cw::test {

class RunningProgram {
public:
    // Starts `exe` with `arguments` (already quoted) and the environment changed by `env`
    // (name, value; an empty value removes the variable).
    RunningProgram(const std::wstring& exe, const std::wstring& arguments,
                   const std::vector<std::pair<std::wstring, std::wstring>>& env = {},
                   const std::wstring& working_folder = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    DWORD pid() const { return process_.dwProcessId; }
    // The program's top-level window of `window_class`, waiting (and pumping messages) up to
    // `milliseconds`; null when it never appears.
    HWND wait_for_window(const wchar_t* window_class, DWORD milliseconds = 30000);
    // Waits for the process to end, pumping messages; returns its exit code or -1 on time-out.
    long wait_for_exit(DWORD milliseconds = 30000);
    // WM_CLOSE to `window`, then wait_for_exit.
    long close(HWND window, DWORD milliseconds = 30000);

private:
    PROCESS_INFORMATION process_{};
};

// The text of a list-view cell in another process (the buffer lives in that process).
std::string remote_list_text(HWND list, int row, int column);
int list_item_count(HWND list);
// Selects and focuses a list-view row in another process, as a click does.
bool remote_select_row(HWND list, int row);
// The n-th child window in creation order, and a window's text.
HWND nth_child(HWND parent, int n);
std::string window_text(HWND window);

// Sets the system DPI of the Wine prefix for processes started afterwards (0 restores the
// default); returns the previous value or 0 when there was none.
DWORD set_prefix_dpi(DWORD dpi);

// Saves what `window` shows as a PNG file (folders are created).
bool save_screenshot(HWND window, const std::wstring& png_path);

// The folder for screenshots and other artifacts under the build folder.
std::wstring artifacts_folder();

// Runs `command_line` (with `application` when given, else found on the path) to its end and
// returns its exit code, or -1 when it could not start or did not end in time.
long run_to_exit(std::wstring command_line, const std::wstring& application = {}, DWORD milliseconds = 30000);

// The names in a folder (UTF-8), sorted; empty when it cannot be listed.
std::vector<std::string> folder_names(const std::wstring& folder);

// The events a program logged under `local_app_data`, without their time stamps.
std::vector<std::string> log_events(const std::wstring& local_app_data);

// What a console program printed, and its exit code (-1 when it could not start or did not end).
struct ConsoleRun {
    long status = -1;
    std::string out, err;
};
// Runs `exe` to its end with standard output and error captured through pipes, pumping this
// thread's messages meanwhile (the clipboard's owner and OLE object may live in this process).
// With `stdout_closed` the program's standard output is a pipe nobody reads any more.
ConsoleRun run_console(const std::wstring& exe, const std::wstring& arguments,
                       const std::vector<std::pair<std::wstring, std::wstring>>& env, bool stdout_closed = false,
                       DWORD milliseconds = 30000);

// A program whose standard output and error go into one pipe that this process reads as it likes
// (run_console reads only once the program has ended).
class PipedProgram {
public:
    PipedProgram(const std::wstring& exe, const std::wstring& arguments);
    ~PipedProgram();
    PipedProgram(const PipedProgram&) = delete;
    PipedProgram& operator=(const PipedProgram&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    HANDLE output() const { return read_end_; }
    // Everything the program writes until it closes its end.
    std::string read_to_end();
    // Closes this end, as a reader that stops reading does.
    void close_output();
    // The exit code, or -1 when the program did not end within `milliseconds`.
    long wait_for_exit(DWORD milliseconds = 30000);

private:
    PROCESS_INFORMATION process_{};
    HANDLE read_end_ = nullptr;
};

// Lines of a text file split at LF.
std::vector<std::string> read_lines(const std::wstring& path);

}  // namespace cw::test
