// Times real saves of 256 MiB under Wine or Windows: the whole command (clipboard read,
// conversion, name, publication) for a DIB that becomes a BMP file and for raw bytes, and the
// publication of the raw buffer alone, each RUNS times (the median and the best are shown), and
// the peak private memory of one more save of each kind.
// Usage: save_timing.exe [FOLDER [RUNS [CHUNK_KIB]]] (default: the current folder, 5 runs, the
// program's chunk size).
// scripts/bench-save runs it beside `dd ... conv=fsync` into the same folder.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state_win.h"
#include "app/save_selected_win.h"
#include "base/text_win.h"
#include "capture/snapshot_win.h"
#include "save/publish_win.h"
#include "save/save_command_win.h"
#include "save/save_messages.h"
#include "timing_win.h"

namespace {

using namespace cw;
using bench::ClipboardHeld;
using bench::PeakMemory;
using bench::seconds_since;

double mib(std::int64_t bytes)
{
    return double(bytes) / 1048576.0;
}

// The page cache and Wine's clipboard transport make single runs vary widely.
void report(const char* what, std::uint64_t bytes, std::vector<double> runs)
{
    std::sort(runs.begin(), runs.end());
    const double best = runs.front(), median = runs[runs.size() / 2];
    std::printf("%-34s %10.3f s %9.1f MiB/s  (median; best %.3f s, %zu runs, %llu bytes)\n", what, median,
                double(bytes) / 1048576.0 / median, best, runs.size(), static_cast<unsigned long long>(bytes));
}

bool put_on_clipboard(HWND owner, UINT format, const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block) return false;
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const bool set = SetClipboardData(format, block) != nullptr;
    CloseClipboard();
    return set;
}

// One save through save_selected: a window of its own (the save destroys it), a snapshot, the
// format selected and a name typed. None when the save failed.
struct SaveRun {
    double seconds = 0;
    double clipboard_held = 0;
};

std::optional<SaveRun> time_save(const char* what, const std::wstring& folder, UINT format, const std::string& bytes,
                                 const std::wstring& name, std::int64_t* peak_memory = nullptr)
{
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExW(0, L"EDIT", name.c_str(), WS_CHILD, 0, 0, 0, 0, window, nullptr, nullptr, nullptr);
    if (!window || !edit || !put_on_clipboard(window, format, bytes)) return std::nullopt;
    AppState state;
    state.target_folder = std::u16string(folder.begin(), folder.end());
    state.controls[index_of(MainControl::file_name_edit)] = edit;
    auto snapshot = capture_clipboard(window);
    if (!snapshot) return std::nullopt;
    state.snapshot = std::move(*snapshot);
    for (std::size_t i = 0; i < state.snapshot.entries.size(); ++i)
        if (state.snapshot.entries[i].id == format) state.selected_format = i;

    std::string failure;
    set_save_failure_box([&](HWND, std::string_view, std::string_view text) { failure = text; });
    std::optional<PeakMemory> memory;
    if (peak_memory) memory.emplace();
    ClipboardHeld held;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    save_selected(window, state);
    const double seconds = seconds_since(start);
    const double held_seconds = held.stop();
    if (peak_memory) *peak_memory = memory->stop();
    if (!failure.empty()) {
        std::printf("%s failed: %s\n", what, failure.c_str());
        return std::nullopt;
    }
    DeleteFileW((folder + L"\\" + name).c_str());
    return SaveRun{seconds, held_seconds};
}

bool time_saves(const char* what, int runs, const std::wstring& folder, UINT format, const std::string& bytes,
                const std::wstring& name, std::uint64_t file_size)
{
    std::vector<double> seconds, held;
    for (int i = 0; i < runs; ++i) {
        const auto run = time_save(what, folder, format, bytes, name);
        if (!run) return false;
        seconds.push_back(run->seconds);
        held.push_back(run->clipboard_held);
    }
    report(what, file_size, seconds);
    std::sort(held.begin(), held.end());
    std::printf("clipboard held: %-25s %8.3f s (median; longest %.3f s)\n", what, held[held.size() / 2], held.back());
    // A run of its own: the sampling thread would take a core from the timed ones.
    std::int64_t peak = 0;
    if (!time_save(what, folder, format, bytes, name, &peak)) return false;
    std::printf("peak memory: %-28s %8.1f MiB above the start of the save\n", what, mib(peak));
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (FAILED(OleInitialize(nullptr))) return 2;
    std::wstring folder(MAX_PATH, L'\0');
    folder.resize(GetCurrentDirectoryW(MAX_PATH, folder.data()));
    if (argc > 1) folder = argv[1];
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    if (argc > 3) set_save_chunk_size(std::size_t(std::max(1, _wtoi(argv[3]))) * 1024);
    std::printf("folder: %s\n", from_wide(folder).c_str());

    // 40-byte header, 4096 x 16383 pixels of 32 bits: just under the 256 MiB limit.
    std::string dib(40 + std::size_t{4096} * 16383 * 4, '\x5A');
    const unsigned char header[16] = {40, 0, 0, 0, 0, 16, 0, 0, 0xFF, 0x3F, 0, 0, 1, 0, 32, 0};
    std::memcpy(dib.data(), header, sizeof header);
    std::memset(dib.data() + 16, 0, 24);
    const std::string raw(SAFE_SAVE_LIMIT_BYTES, '\xA5');

    bool ok = time_saves("save: CF_DIB as BMP", runs, folder, CF_DIB, dib, L"timing.bmp", dib.size() + 14);
    ok = time_saves("save: raw private format", runs, folder, RegisterClipboardFormatW(L"Clipwright Timing Payload"),
                    raw, L"timing.bin", raw.size()) &&
         ok;

    // What the platform's clipboard transport alone costs: the read the raw save makes.
    std::vector<double> read_runs;
    const UINT raw_format = RegisterClipboardFormatW(L"Clipwright Timing Payload");
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < runs && ok && put_on_clipboard(owner, raw_format, raw); ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        std::string copy;
        if (OpenClipboard(owner)) {
            if (HANDLE block = GetClipboardData(raw_format)) {
                copy.reserve(GlobalSize(block));
                copy.append(static_cast<const char*>(GlobalLock(block)), GlobalSize(block));
                GlobalUnlock(block);
            }
            CloseClipboard();
        }
        read_runs.push_back(seconds_since(start));
        ok = copy.size() == raw.size();
    }
    // What the platform takes to hand out the block, without copying it: the clipboard's own share
    // of a save's peak.
    if (ok && put_on_clipboard(owner, raw_format, raw) && OpenClipboard(owner)) {
        PeakMemory memory;
        if (HANDLE block = GetClipboardData(raw_format)) {
            GlobalLock(block);
            GlobalUnlock(block);
        }
        CloseClipboard();
        Sleep(20);
        std::printf("peak memory: %-28s %8.1f MiB\n", "GetClipboardData alone (raw)", mib(memory.stop()));
    }
    DestroyWindow(owner);
    if (ok) report("clipboard read alone (raw)", raw.size(), read_runs);

    std::vector<double> publish_runs;
    for (int i = 0; i < runs && ok; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        const Status published = publish_file(folder + L"\\timing-publish.bin", as_bytes_view(raw));
        publish_runs.push_back(seconds_since(start));
        DeleteFileW((folder + L"\\timing-publish.bin").c_str());
        if (!published) {
            std::printf("publish_file failed: %s\n", published.error().message.value_or("").c_str());
            ok = false;
        }
    }
    if (ok) report("publish_file alone (raw)", raw.size(), publish_runs);

    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    OleUninitialize();
    return ok ? 0 : 1;
}
