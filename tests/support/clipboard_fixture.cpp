#include "clipboard_fixture.h"

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/remove_tree_win.h"

namespace cw::test {

namespace {

HGLOBAL global_from(const std::vector<std::uint8_t>& bytes)
{
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!h) throw std::runtime_error("GlobalAlloc failed");
    void* p = GlobalLock(h);
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

bool open_with_retry(HWND window)
{
    // Another process (the program under test) may briefly hold the clipboard.
    for (int i = 0; i < 200; ++i) {
        if (OpenClipboard(window)) return true;
        Sleep(10);
    }
    return false;
}

LRESULT CALLBACK owner_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

}  // namespace

UINT register_format(const std::wstring& name) { return RegisterClipboardFormatW(name.c_str()); }

std::vector<std::uint8_t> bytes_of(const std::string& text, bool nul)
{
    std::vector<std::uint8_t> v(text.begin(), text.end());
    if (nul) v.push_back(0);
    return v;
}

std::vector<std::uint8_t> utf16_bytes_of(const std::wstring& text)
{
    std::vector<std::uint8_t> v((text.size() + 1) * 2);
    std::memcpy(v.data(), text.c_str(), v.size());
    return v;
}

std::vector<std::uint8_t> dropfiles_of(const std::vector<std::wstring>& paths)
{
    std::vector<std::uint8_t> b(sizeof(DROPFILES), 0);
    auto* header = reinterpret_cast<DROPFILES*>(b.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    for (const std::wstring& p : paths) {
        const auto units = utf16_bytes_of(p);  // with its terminator
        b.insert(b.end(), units.begin(), units.end());
    }
    b.insert(b.end(), {0, 0});
    return b;
}

ClipboardFixture::ClipboardFixture()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = owner_proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ClipwrightTestClipboardOwner";
    RegisterClassW(&wc);  // a second fixture finds it registered already
    owner_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

ClipboardFixture::~ClipboardFixture()
{
    if (OleIsCurrentClipboard(nullptr) == S_OK) OleSetClipboard(nullptr);
    clear();
    if (marshal_stream_) {
        LARGE_INTEGER zero{};
        marshal_stream_->Seek(zero, STREAM_SEEK_SET, nullptr);
        CoReleaseMarshalData(marshal_stream_);
        marshal_stream_->Release();
    }
    if (owner_) DestroyWindow(owner_);
}

void ClipboardFixture::clear()
{
    if (!open_with_retry(nullptr)) throw std::runtime_error("clipboard busy");
    EmptyClipboard();
    CloseClipboard();
}

void ClipboardFixture::set_flat(const std::vector<FlatFormat>& formats)
{
    if (!open_with_retry(owner_)) throw std::runtime_error("clipboard busy");
    EmptyClipboard();
    for (const FlatFormat& f : formats) SetClipboardData(f.id, f.delayed ? nullptr : f.handle ? f.handle : global_from(f.bytes));
    CloseClipboard();
}

void ClipboardFixture::set_ole(TestDataObject* object)
{
    HRESULT hr = E_FAIL;
    for (int i = 0; i < 200 && FAILED(hr); ++i) {
        hr = OleSetClipboard(object);
        if (FAILED(hr)) Sleep(10);
    }
    if (FAILED(hr)) throw std::runtime_error("OleSetClipboard failed");
}

void ClipboardFixture::set_ole_catalogue(TestDataObject* object, const std::vector<FlatFormat>& flat)
{
    // "Ole Private Data": a 24-byte header, then one 32-byte record per FORMATETC (the FORMATETC
    // with the target device as an offset into the block, a first-use flag, two reserved DWORDs),
    // one empty record, then the target devices.
    struct Record {
        FORMATETC fmt;
        DWORD first_use;
        DWORD reserved[2];
    };
    const auto& offers = object->offers();
    const std::size_t header = 24;
    std::size_t size = header + sizeof(Record) * (offers.size() + 1);
    std::vector<std::size_t> td_offsets;
    for (const TestOffer& o : offers) {
        if (o.target_device) {
            DVTARGETDEVICE* td = make_target_device();
            td_offsets.push_back(size);
            size += td->tdSize;
            CoTaskMemFree(td);
        } else {
            td_offsets.push_back(0);
        }
    }
    std::vector<std::uint8_t> block(size, 0);
    auto put32 = [&](std::size_t at, DWORD v) { std::memcpy(block.data() + at, &v, 4); };
    put32(4, static_cast<DWORD>(size));
    put32(8, 1);
    put32(12, static_cast<DWORD>(offers.size()));
    for (std::size_t i = 0; i < offers.size(); ++i) {
        Record r{};
        r.fmt.cfFormat = offers[i].cf;
        r.fmt.ptd = reinterpret_cast<DVTARGETDEVICE*>(td_offsets[i]);
        r.fmt.dwAspect = offers[i].aspect;
        r.fmt.lindex = offers[i].lindex;
        r.fmt.tymed = offers[i].tymed;
        r.first_use = 1;
        for (std::size_t j = 0; j < i; ++j)
            if (offers[j].cf == offers[i].cf) r.first_use = 0;
        std::memcpy(block.data() + header + i * sizeof(Record), &r, sizeof r);
        if (td_offsets[i]) {
            DVTARGETDEVICE* td = make_target_device();
            std::memcpy(block.data() + td_offsets[i], td, td->tdSize);
            CoTaskMemFree(td);
        }
    }

    if (marshal_stream_) {
        LARGE_INTEGER zero{};
        marshal_stream_->Seek(zero, STREAM_SEEK_SET, nullptr);
        CoReleaseMarshalData(marshal_stream_);
        marshal_stream_->Release();
        marshal_stream_ = nullptr;
    }
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &marshal_stream_)))
        throw std::runtime_error("CreateStreamOnHGlobal failed");
    if (FAILED(CoMarshalInterface(marshal_stream_, IID_IDataObject, static_cast<IDataObject*>(object),
                                  MSHCTX_LOCAL, nullptr, MSHLFLAGS_TABLESTRONG)))
        throw std::runtime_error("CoMarshalInterface failed");
    HGLOBAL stream_memory = nullptr;
    GetHGlobalFromStream(marshal_stream_, &stream_memory);
    const SIZE_T marshal_size = GlobalSize(stream_memory);
    std::vector<std::uint8_t> marshalled(marshal_size);
    if (marshal_size) {
        std::memcpy(marshalled.data(), GlobalLock(stream_memory), marshal_size);
        GlobalUnlock(stream_memory);
    }

    if (!open_with_retry(owner_)) throw std::runtime_error("clipboard busy");
    EmptyClipboard();
    for (const FlatFormat& f : flat) SetClipboardData(f.id, f.handle ? f.handle : global_from(f.bytes));
    SetClipboardData(register_format(L"Ole Private Data"), global_from(block));
    SetClipboardData(register_format(L"Wine Marshalled DataObject"), global_from(marshalled));
    // Wine unmarshals the object only while "DataObject" names a window of the OLE clipboard.
    std::vector<std::uint8_t> window(sizeof(HWND));
    std::memcpy(window.data(), &owner_, sizeof(HWND));
    SetClipboardData(register_format(L"DataObject"), global_from(window));
    CloseClipboard();
}

void ClipboardFixture::pump(DWORD milliseconds)
{
    const DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        const DWORD now = GetTickCount();
        if (static_cast<LONG>(end - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

bool ClipboardFixture::pump_until(const std::function<bool()>& done, DWORD milliseconds)
{
    const DWORD end = GetTickCount() + milliseconds;
    while (!done()) {
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
        pump(10);
    }
    return true;
}

namespace {

// Starts the holder program with this process's id and `mode`.
bool start_holder(const std::wstring& mode, PROCESS_INFORMATION& process)
{
    std::wstring command = L"\"" + windows_path(CLIPBOARD_HOLDER_EXE) + L"\" " + std::to_wstring(GetCurrentProcessId()) + mode;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process) != FALSE;
}

HANDLE own_event(const wchar_t* prefix)
{
    wchar_t name[64];
    swprintf(name, 64, L"%ls-%lu", prefix, GetCurrentProcessId());
    return CreateEventW(nullptr, TRUE, FALSE, name);
}

}  // namespace

HeldClipboard::HeldClipboard()
{
    release_ = own_event(L"ClipwrightHolderRelease");
    HANDLE ready = own_event(L"ClipwrightHolderReady");
    if (start_holder(L"", process_)) {
        HANDLE waits[2] = {ready, process_.hProcess};
        holding_ = WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    }
    CloseHandle(ready);
}

HeldClipboard::~HeldClipboard()
{
    SetEvent(release_);
    if (process_.hProcess) {
        WaitForSingleObject(process_.hProcess, 30000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    CloseHandle(release_);
}

ClipboardReopener::ClipboardReopener()
    : start_(own_event(L"ClipwrightReopenStart")), opened_(own_event(L"ClipwrightReopened"))
{
    start_holder(L" reopen", process_);
}

ClipboardReopener::~ClipboardReopener()
{
    if (process_.hProcess) {
        TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    CloseHandle(start_);
    CloseHandle(opened_);
}

void ClipboardReopener::start() { SetEvent(start_); }

long ClipboardReopener::milliseconds()
{
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    const long ms = static_cast<LONG>(code);
    return ms < 0 ? -1 : ms;
}

std::wstring windows_path(const std::string& unix_path)
{
    std::wstring out = L"Z:";
    for (char c : unix_path) out += (c == '/') ? L'\\' : static_cast<wchar_t>(c);
    return out;
}

std::wstring make_temp_folder(const std::wstring& prefix)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        std::wstring path = std::wstring(temp) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    }
}

void remove_tree(const std::wstring& folder)
{
    (void)remove_recursively(folder);  // a test's leftovers do not fail it
}

std::string read_text_file(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace cw::test
