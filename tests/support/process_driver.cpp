#include "process_driver.h"

#include <commctrl.h>
#include <wincodec.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <thread>

#include "base/text_win.h"
#include "clipboard_fixture.h"

namespace cw::test {

namespace {

std::vector<wchar_t> environment_block(const std::vector<std::pair<std::wstring, std::wstring>>& changes)
{
    std::map<std::wstring, std::wstring> vars;  // sorted, as CreateProcess expects
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::wstring entry(p);
        const auto eq = entry.find(L'=', 1);
        if (eq == std::wstring::npos) continue;
        vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        for (auto it = vars.begin(); it != vars.end();) {
            if (_wcsicmp(it->first.c_str(), name.c_str()) == 0)
                it = vars.erase(it);
            else
                ++it;
        }
        if (!value.empty()) vars[name] = value;
    }
    std::vector<wchar_t> out;
    for (const auto& [name, value] : vars) {
        std::wstring entry = name + L"=" + value;
        out.insert(out.end(), entry.begin(), entry.end());
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}

struct FindData {
    DWORD pid;
    const wchar_t* window_class;
    HWND found;
};

BOOL CALLBACK find_window(HWND window, LPARAM param)
{
    auto* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[256];
    if (pid == data->pid && GetClassNameW(window, name, 256) && wcscmp(name, data->window_class) == 0) {
        data->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

RunningProgram::RunningProgram(const std::wstring& exe, const std::wstring& arguments,
                               const std::vector<std::pair<std::wstring, std::wstring>>& env,
                               const std::wstring& working_folder)
{
    std::wstring command = L"\"" + exe + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    std::vector<wchar_t> block = environment_block(env);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        block.data(), working_folder.empty() ? nullptr : working_folder.c_str(), &si, &process_))
        process_ = {};
}

RunningProgram::~RunningProgram()
{
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

HWND RunningProgram::wait_for_window(const wchar_t* window_class, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        FindData data{process_.dwProcessId, window_class, nullptr};
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&data));
        if (data.found && IsWindowVisible(data.found)) return data.found;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0) return nullptr;
        ClipboardFixture::pump(50);
    }
    return nullptr;
}

long RunningProgram::wait_for_exit(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        if (GetTickCount() - start >= milliseconds) return -1;
        ClipboardFixture::pump(50);
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
}

long RunningProgram::close(HWND window, DWORD milliseconds)
{
    PostMessageW(window, WM_CLOSE, 0, 0);
    return wait_for_exit(milliseconds);
}

std::string remote_list_text(HWND list, int row, int column)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return {};
    constexpr int CHARS = 1024;
    const SIZE_T size = sizeof(LVITEMW) + CHARS * sizeof(wchar_t);
    auto* remote = static_cast<std::uint8_t*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    std::string text;
    if (remote) {
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = CHARS;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        const auto n = SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
        std::wstring buffer(CHARS, L'\0');
        ReadProcessMemory(process, remote + sizeof(LVITEMW), buffer.data(), CHARS * sizeof(wchar_t), nullptr);
        text = from_wide(buffer.data(), static_cast<std::size_t>(std::min<LRESULT>(n, CHARS)));
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
}

int list_item_count(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

bool remote_select_row(HWND list, int row)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW), MEM_COMMIT, PAGE_READWRITE);
    bool selected = false;
    if (remote) {
        LVITEMW item{};
        item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        selected = SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote)) != FALSE;
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return selected;
}

HWND nth_child(HWND parent, int n)
{
    HWND child = GetWindow(parent, GW_CHILD);
    for (int i = 0; child && i < n; ++i) child = GetWindow(child, GW_HWNDNEXT);
    return child;
}

std::string window_text(HWND window)
{
    wchar_t buffer[4096] = {};
    const int n = GetWindowTextW(window, buffer, 4096);
    return from_wide(buffer, static_cast<std::size_t>(n));
}

DWORD set_prefix_dpi(DWORD dpi)
{
    HKEY key = nullptr;
    if (RegCreateKeyW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", &key) != ERROR_SUCCESS) return 0;
    DWORD previous = 0, size = sizeof previous, type = 0;
    if (RegQueryValueExW(key, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&previous), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        previous = 0;
    if (dpi)
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    else
        RegDeleteValueW(key, L"LogPixels");
    RegCloseKey(key);
    return previous;
}

bool save_screenshot(HWND window, const std::wstring& png_path)
{
    RECT rc{};
    if (!GetWindowRect(window, &rc)) return false;
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return false;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(png_path).parent_path(), ignored);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // What the display shows: the window is brought to the front and given time to paint.
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ClipboardFixture::pump(300);
    BitBlt(memory, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    SelectObject(memory, old);
    auto* px = static_cast<std::uint8_t*>(bits);
    for (int i = 0; i < w * h; ++i) px[i * 4 + 3] = 255;

    bool ok = false;
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
        SUCCEEDED(factory->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromFilename(png_path.c_str(), GENERIC_WRITE)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(w, h))) {
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
        ok = SUCCEEDED(frame->SetPixelFormat(&format)) &&
             SUCCEEDED(frame->WritePixels(h, w * 4, w * h * 4, static_cast<BYTE*>(bits))) &&
             SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (frame) frame->Release();
    if (encoder) encoder->Release();
    if (stream) stream->Release();
    if (factory) factory->Release();
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::wstring artifacts_folder() { return windows_path(CLIPWRIGHT_ARTIFACTS_DIR); }

long run_to_exit(std::wstring command_line, const std::wstring& application, DWORD milliseconds)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), command_line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = 0;
    const bool ended = WaitForSingleObject(pi.hProcess, milliseconds) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended ? static_cast<long>(code) : -1;
}

std::vector<std::string> folder_names(const std::wstring& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(std::filesystem::path(folder), error))
        names.push_back(from_wide(item.path().filename().wstring()));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> log_events(const std::wstring& local_app_data)
{
    std::vector<std::string> events;
    for (const std::string& line : read_lines(local_app_data + L"\\Tindrel\\Clipwright\\Logs\\clipwright.log")) {
        const auto blank = line.find(' ');
        events.push_back(blank == std::string::npos ? line : line.substr(blank + 1));
    }
    return events;
}

std::vector<std::string> read_lines(const std::wstring& path)
{
    const std::string text = read_text_file(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace cw::test

namespace cw::test {

namespace {

// Reads a pipe to its end on a thread of its own, so a full pipe never blocks the writer.
class PipeReader {
public:
    explicit PipeReader(HANDLE read_end) : handle_(read_end)
    {
        if (handle_) thread_ = std::thread([this] {
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(handle_, buffer, sizeof buffer, &got, nullptr) && got > 0) text_.append(buffer, got);
        });
    }
    ~PipeReader()
    {
        if (thread_.joinable()) thread_.join();
        if (handle_) CloseHandle(handle_);
    }
    std::string take()
    {
        if (thread_.joinable()) thread_.join();
        return std::move(text_);
    }

private:
    HANDLE handle_;
    std::string text_;
    std::thread thread_;
};

}  // namespace

ConsoleRun run_console(const std::wstring& exe, const std::wstring& arguments,
                       const std::vector<std::pair<std::wstring, std::wstring>>& env, bool stdout_closed,
                       DWORD milliseconds)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    ConsoleRun run;
    if (!CreatePipe(&out_read, &out_write, &inherit, 0)) return run;
    if (!CreatePipe(&err_read, &err_write, &inherit, 0)) {
        CloseHandle(out_read);
        CloseHandle(out_write);
        return run;
    }
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    if (stdout_closed) {
        CloseHandle(out_read);
        out_read = nullptr;
    }
    std::wstring command = L"\"" + exe + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    std::vector<wchar_t> block = environment_block(env);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out_write;
    si.hStdError = err_write;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE,
                                        CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &si, &process);
    // Only the child keeps the write ends, so the readers see the end when it exits.
    CloseHandle(out_write);
    CloseHandle(err_write);
    PipeReader out(out_read), err(err_read);
    if (!started) return run;
    const DWORD start = GetTickCount();
    bool timed_out = false;
    while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        if (GetTickCount() - start >= milliseconds) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, INFINITE);
            timed_out = true;
            break;
        }
        ClipboardFixture::pump(20);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    run.out = out.take();
    run.err = err.take();
    run.status = timed_out ? -1 : static_cast<long>(code);
    return run;
}

PipedProgram::PipedProgram(const std::wstring& exe, const std::wstring& arguments)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end_, &write_end, &inherit, 0)) return;
    SetHandleInformation(read_end_, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = write_end;
    si.hStdOutput = write_end;
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &process_))
        process_ = {};
    CloseHandle(write_end);
}

PipedProgram::~PipedProgram()
{
    close_output();
    if (process_.hProcess) CloseHandle(process_.hProcess);
    if (process_.hThread) CloseHandle(process_.hThread);
}

std::string PipedProgram::read_to_end()
{
    std::string output;
    if (!started()) return output;
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(read_end_, buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
    return output;
}

void PipedProgram::close_output()
{
    if (read_end_) CloseHandle(read_end_);
    read_end_ = nullptr;
}

long PipedProgram::wait_for_exit(DWORD milliseconds)
{
    if (!started() || WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<long>(code);
}

}  // namespace cw::test
