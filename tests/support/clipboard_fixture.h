#pragma once
// Puts content on the real clipboard from a test: flat formats with given bytes, an OLE data
// object through OleSetClipboard, or formats that only the OLE catalogue advertises.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/win32.h"
#include "test_data_object.h"

namespace cw::test {

struct FlatFormat {
    UINT id = 0;
    std::vector<std::uint8_t> bytes;
    bool delayed = false;  // advertised for delayed rendering that never renders
    HANDLE handle = nullptr;  // given to the clipboard as it is (a GDI object) instead of `bytes`
};

UINT register_format(const std::wstring& name);
std::vector<std::uint8_t> bytes_of(const std::string& text, bool nul = true);
std::vector<std::uint8_t> utf16_bytes_of(const std::wstring& text);
// A wide DROPFILES block (CF_HDROP) listing `paths`, as Explorer copies files.
std::vector<std::uint8_t> dropfiles_of(const std::vector<std::wstring>& paths);

class ClipboardFixture {
public:
    ClipboardFixture();
    ~ClipboardFixture();
    ClipboardFixture(const ClipboardFixture&) = delete;
    ClipboardFixture& operator=(const ClipboardFixture&) = delete;

    HWND owner() const { return owner_; }

    // Empties the clipboard with no owner.
    void clear();
    // Replaces the clipboard content with these flat formats (owned by the fixture's window).
    void set_flat(const std::vector<FlatFormat>& formats);
    // Replaces the clipboard content with `object` through OleSetClipboard.
    void set_ole(TestDataObject* object);
    // Advertises `catalogue` through OLE while only `flat` is on the Win32 list. Windows keeps
    // the OLE object in window properties, Wine in registered clipboard formats; this lays the
    // clipboard out the way Wine's OLE layer reads it, so the catalogue can list formats the flat
    // list lacks. GetData calls reach `object`.
    void set_ole_catalogue(TestDataObject* object, const std::vector<FlatFormat>& flat);

    // Pumps this thread's messages (delayed rendering, cross-process OLE calls) for a while.
    static void pump(DWORD milliseconds);
    // Pumps until `done` holds; false when it still does not after `milliseconds`.
    static bool pump_until(const std::function<bool()>& done, DWORD milliseconds);

private:
    HWND owner_ = nullptr;
    IStream* marshal_stream_ = nullptr;
};

// Holds the clipboard open from another process until destroyed.
class HeldClipboard {
public:
    HeldClipboard();
    ~HeldClipboard();
    bool holding() const { return holding_; }

private:
    PROCESS_INFORMATION process_{};
    HANDLE release_ = nullptr;
    bool holding_ = false;
};

// Another process that, from start() on, tries to open the clipboard until it can.
class ClipboardReopener {
public:
    ClipboardReopener();
    ~ClipboardReopener();
    void start();
    // Set once the other process has opened (and closed) the clipboard.
    HANDLE opened() const { return opened_; }
    // Waits for the other process: milliseconds from start() to its open, or -1 when it failed.
    long milliseconds();

private:
    PROCESS_INFORMATION process_{};
    HANDLE start_ = nullptr;
    HANDLE opened_ = nullptr;
};

// Converts a Unix path (as CMake knows build outputs) into the Windows path Wine maps it to.
std::wstring windows_path(const std::string& unix_path);

// A fresh empty folder under the temporary folder.
std::wstring make_temp_folder(const std::wstring& prefix);
void remove_tree(const std::wstring& folder);
std::string read_text_file(const std::wstring& path);

}  // namespace cw::test
