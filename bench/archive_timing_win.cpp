// Times clipwright-cli dump and restore of a clipboard holding one 256 MiB format, as a user runs
// them (a new process each), beside a save of the same format, which moves the same bytes out of
// the clipboard; scripts/bench-archive compares the times with dd.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "base/win32.h"
#include "timing_win.h"

namespace {

using cw::bench::seconds_since;

constexpr std::size_t PAYLOAD = 256u << 20;

void report(const char* what, std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    std::printf("%-34s %10.3f s %9.1f MiB/s  (median %.3f s, %zu runs)\n", what, runs.front(), 256.0 / runs.front(),
                runs[runs.size() / 2], runs.size());
}

bool put_on_clipboard(UINT format)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, PAYLOAD);
    if (!block) return false;
    std::memset(GlobalLock(block), 0xA5, PAYLOAD);
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    const bool set = SetClipboardData(format, block) != nullptr;
    CloseClipboard();
    return set;
}

std::size_t clipboard_size(UINT format)
{
    std::size_t size = 0;
    if (!OpenClipboard(nullptr)) return 0;
    if (HANDLE block = GetClipboardData(format)) size = GlobalSize(block);
    CloseClipboard();
    return size;
}

// Runs the console program to its end; its time, or a negative number when it failed.
double run(const std::wstring& cli, const std::wstring& arguments)
{
    std::wstring command = L"\"" + cli + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(cli.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    const double seconds = seconds_since(start);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code == 0 ? seconds : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring exe(MAX_PATH, L'\0');
    exe.resize(GetModuleFileNameW(nullptr, exe.data(), MAX_PATH));
    const std::wstring cli = exe.substr(0, exe.find_last_of(L'\\')) + L"\\..\\clipwright-cli.exe";
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetCurrentDirectoryW(MAX_PATH, folder.data()));
    if (argc > 1) folder = argv[1];
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 3;
    const std::wstring archive = folder + L"\\timing.zip";
    std::printf("folder: %s\n", cw::from_wide(folder).c_str());

    const UINT format = RegisterClipboardFormatW(L"Clipwright Timing Payload");
    std::vector<double> saves, dumps, restores;
    for (int i = 0; i < runs; ++i) {
        DeleteFileW(archive.c_str());
        if (!put_on_clipboard(format)) return 1;
        const double saved = run(cli, L"save \"Clipwright Timing Payload\" --to \"" + folder + L"\\timing.bin\"");
        DeleteFileW((folder + L"\\timing.bin").c_str());
        const double dumped = run(cli, L"dump \"" + archive + L"\"");
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        const double restored = run(cli, L"restore \"" + archive + L"\"");
        if (saved < 0 || dumped < 0 || restored < 0 || clipboard_size(format) != PAYLOAD) {
            std::printf("save, dump or restore failed (%.3f, %.3f, %.3f)\n", saved, dumped, restored);
            return 1;
        }
        saves.push_back(saved);
        dumps.push_back(dumped);
        restores.push_back(restored);
    }
    DeleteFileW(archive.c_str());
    report("clipwright-cli save (256 MiB)", saves);
    report("clipwright-cli dump (256 MiB)", dumps);
    report("clipwright-cli restore (256 MiB)", restores);
    return 0;
}
