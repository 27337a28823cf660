// The other process of the clipboard tests. "holder PID": opens the clipboard and keeps it open
// until the test that started it says so. "holder PID reopen": once the test says it starts,
// opens the clipboard as soon as it can and exits with how many milliseconds that took.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

HANDLE named_event(const wchar_t* prefix, unsigned long parent, DWORD access)
{
    wchar_t name[64];
    swprintf(name, 64, L"%ls-%lu", prefix, parent);
    return OpenEventW(access, FALSE, name);
}

int reopen(unsigned long parent)
{
    HANDLE start = named_event(L"ClipwrightReopenStart", parent, SYNCHRONIZE);
    HANDLE opened = named_event(L"ClipwrightReopened", parent, EVENT_MODIFY_STATE);
    if (!start || !opened) return -3;
    if (WaitForSingleObject(start, 60000) != WAIT_OBJECT_0) return -5;
    LARGE_INTEGER frequency, began, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&began);
    // As another program's paste might: try every millisecond.
    for (;; Sleep(1)) {
        QueryPerformanceCounter(&now);
        const LONGLONG ms = (now.QuadPart - began.QuadPart) * 1000 / frequency.QuadPart;
        if (OpenClipboard(nullptr)) {
            CloseClipboard();
            SetEvent(opened);
            return static_cast<int>(ms);
        }
        if (ms > 30000) return -4;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const unsigned long parent = std::strtoul(argv[1], nullptr, 10);
    if (argc > 2 && std::strcmp(argv[2], "reopen") == 0) return reopen(parent);
    HANDLE ready = named_event(L"ClipwrightHolderReady", parent, EVENT_MODIFY_STATE);
    HANDLE release = named_event(L"ClipwrightHolderRelease", parent, SYNCHRONIZE);
    if (!ready || !release) return 3;
    bool open = false;
    for (int i = 0; i < 500 && !(open = OpenClipboard(nullptr)); ++i) Sleep(10);
    // "Ready" means held: a holder that never got the clipboard says nothing and exits, and the
    // test sees the exit instead of a clipboard that is not busy after all.
    if (!open) return 4;
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    CloseClipboard();
    return 0;
}
