// Opens the clipboard and keeps it open until the test that started it says so.
#include <windows.h>

#include <cwchar>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    const unsigned long parent = std::strtoul(argv[1], nullptr, 10);
    wchar_t ready_name[64], release_name[64];
    swprintf(ready_name, 64, L"ClipwrightHolderReady-%lu", parent);
    swprintf(release_name, 64, L"ClipwrightHolderRelease-%lu", parent);
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready_name);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, release_name);
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
