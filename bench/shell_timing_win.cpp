// Times what the clipboard waits for while a copied file list is recognised and reported: the
// Explorer recogniser (with the clipboard open, through DragQueryFileW) and the CF_HDROP path
// evidence, over a drop list of real files, against one GetFileAttributesExW per path.
// Usage: shell_timing.exe [FOLDER [FILES [RUNS]]] (default: a new folder under %TEMP%, 10000
// files, 3 runs). The folder's files are created once and removed at the end.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/win32.h"
// After windows.h: DROPFILES.
#include <shlobj.h>

#include "base/text_win.h"
#include "capture/logical_object_win.h"
#include "inspect/file_lists.h"
#include "inspect/file_lists_win.h"
#include "inspect/file_probe_win.h"
#include "timing_win.h"

namespace {

using namespace cw;
using bench::seconds_since;

template <typename F>
double best_of(int runs, F&& run)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        run();
        best = std::min(best, seconds_since(start));
    }
    return best;
}

bool put_drop_list(HWND owner, const std::vector<std::wstring>& paths)
{
    std::vector<std::uint8_t> block(sizeof(DROPFILES), 0);
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    for (const std::wstring& p : paths) {
        const auto* units = reinterpret_cast<const std::uint8_t*>(p.c_str());
        block.insert(block.end(), units, units + 2 * (p.size() + 1));
    }
    block.insert(block.end(), {0, 0});
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block.size());
    if (!memory) return false;
    std::memcpy(GlobalLock(memory), block.data(), block.size());
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const bool set = SetClipboardData(CF_HDROP, memory) != nullptr;
    CloseClipboard();
    return set;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = argc > 1 && argv[1][0] ? argv[1] : std::wstring(temp) + L"clipwright-shell-bench";
    const int files = argc > 2 ? _wtoi(argv[2]) : 10000;
    const int runs = argc > 3 ? _wtoi(argv[3]) : 3;
    CreateDirectoryW(folder.c_str(), nullptr);

    std::vector<std::wstring> wide;
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
        wide.push_back(folder + L"\\item-" + std::to_wstring(i) + (i % 10 == 0 ? L".png" : L".txt"));
        paths.push_back(from_wide(wide.back()));
        HANDLE f = CreateFileW(wide.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const char content[] = "\x89PNG\r\n\x1A\n-sample-bytes-for-the-signature";
        DWORD written = 0;
        WriteFile(f, content, sizeof content - 1, &written, nullptr);
        CloseHandle(f);
    }

    const Win32FileProbe probe;
    const double attributes = best_of(runs, [&] {
        WIN32_FILE_ATTRIBUTE_DATA data;
        for (const std::wstring& p : wide) GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data);
    });
    const double evidence = best_of(runs, [&] { (void)build_path_evidence(paths, probe); });

    const double classification =
        best_of(runs, [&] { (void)explorer_transfer_object(paths, "Copy", false, probe); });

    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    double recogniser = 0, drop_paths = 0;
    bool recognised = put_drop_list(owner, wide);
    if (recognised) {
        drop_paths = best_of(runs, [&] {
            if (!OpenClipboard(owner)) return;
            recognised = recognised && query_drop_paths(GetClipboardData(CF_HDROP)).ok();
            CloseClipboard();
        });
        FormatEntry drop;
        drop.id = CF_HDROP;
        drop.name = "CF_HDROP";
        recogniser = best_of(runs, [&] {
            if (!OpenClipboard(owner)) return;
            recognised = recognised && group_logical_object({drop}, probe).has_value();
            CloseClipboard();
        });
    }
    DestroyWindow(owner);

    auto line = [&](const char* what, double seconds) {
        std::printf("%-44s %9.3f s %9.2f us/path  ratio %6.2f\n", what, seconds, 1e6 * seconds / files,
                    seconds / attributes);
    };
    std::printf("%d files, best of %d runs\n", files, runs);
    line("GetFileAttributesExW per path (baseline)", attributes);
    line("build_path_evidence (metadata + 32-byte read)", evidence);
    line("Explorer report from a path list", classification);
    if (recognised) {
        line("query_drop_paths, clipboard open", drop_paths);
        line("Explorer recogniser, clipboard open", recogniser);
    }
    else
        std::printf("Explorer recogniser: the drop list could not be put on the clipboard or was not recognised\n");

    for (const std::wstring& p : wide) DeleteFileW(p.c_str());
    RemoveDirectoryW(folder.c_str());
    return recognised ? 0 : 1;
}
