// The Explorer verb written to and removed from the real registry of the Wine prefix.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "app/explorer_win.h"
#include "base/error_win.h"
#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "process_driver.h"

namespace cw {
namespace {

namespace fs = std::filesystem;

const wchar_t* const BASES[] = {L"Directory\\Background\\shell", L"DesktopBackground\\Shell", L"Directory\\shell",
                                L"Drive\\shell"};
const wchar_t* const ARGUMENTS[] = {L"%V", L"%V", L"%1", L"%1"};

std::wstring verb_key(int i)
{
    return std::wstring(L"Software\\Classes\\") + BASES[i] + L"\\Clipwright";
}

bool key_exists(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// Checks the raw stored value: REG_SZ, the text and its terminating NUL, nothing more.
void expect_string_value(const std::wstring& path, const wchar_t* name, const std::wstring& expected)
{
    SCOPED_TRACE(testing::Message() << "value " << (name ? from_wide(name) : "(Default)"));
    UniqueRegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (expected.size() + 1) * sizeof(wchar_t));
    std::wstring data(size / sizeof(wchar_t) + 1, L'\x1');
    ASSERT_EQ(RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(data.substr(0, expected.size()), expected);
    EXPECT_EQ(data[expected.size()], L'\0');
}

bool key_is_empty(const std::wstring& path)
{
    UniqueRegKey key;
    DWORD subkeys = 1, values = 1;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
           RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

void expect_counts(const std::wstring& path, DWORD subkeys, DWORD values)
{
    UniqueRegKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()), ERROR_SUCCESS) << from_wide(path);
    DWORD got_subkeys = 0, got_values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &got_subkeys, nullptr, nullptr, &got_values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(got_subkeys, subkeys) << from_wide(path);
    EXPECT_EQ(got_values, values) << from_wide(path);
}

void expect_installed(const std::wstring& exe, const std::wstring& icon)
{
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(from_wide(verb_key(i)));
        expect_counts(verb_key(i), 1, 3);
        expect_string_value(verb_key(i), L"MUIVerb", L"Clipboard To File Here");
        expect_string_value(verb_key(i), L"Icon", L"\"" + icon + L"\",0");
        expect_string_value(verb_key(i), L"Position", L"Top");
        expect_counts(verb_key(i) + L"\\command", 0, 1);
        expect_string_value(verb_key(i) + L"\\command", nullptr,
                            L"\"" + exe + L"\" --target \"" + ARGUMENTS[i] + L"\"");
    }
}

void expect_removed()
{
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(key_exists(verb_key(i))) << from_wide(verb_key(i));
}

std::wstring module_path()
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

// Message boxes that appear on one thread: each is recorded and answered with OK.
class MessageBoxWatcher {
public:
    struct Box {
        std::wstring caption;
        std::wstring text;
        bool only_ok = false;
        bool information_icon = false;
    };

    explicit MessageBoxWatcher(DWORD thread) : thread_(thread), worker_([this] { run(); }) {}
    ~MessageBoxWatcher() { stop(); }
    std::vector<Box> stop()
    {
        done_ = true;
        if (worker_.joinable()) worker_.join();
        return boxes_;
    }

private:
    static BOOL CALLBACK find_icon(HWND child, LPARAM param)
    {
        wchar_t cls[32];
        if (GetClassNameW(child, cls, 32) && _wcsicmp(cls, L"Static") == 0 &&
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)) == LoadIconW(nullptr, IDI_INFORMATION))
            *reinterpret_cast<bool*>(param) = true;
        return TRUE;
    }
    static BOOL CALLBACK visit(HWND window, LPARAM param)
    {
        auto* self = reinterpret_cast<MessageBoxWatcher*>(param);
        wchar_t cls[32];
        if (!GetClassNameW(window, cls, 32) || wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        // An answered box may take a moment to close; it counts once.
        if (!self->answered_.insert(window).second) return TRUE;
        Box box;
        wchar_t text[1024] = L"";
        GetWindowTextW(window, text, 1024);
        box.caption = text;
        text[0] = L'\0';
        GetDlgItemTextW(window, 0xFFFF, text, 1024);
        box.text = text;
        box.only_ok = GetDlgItem(window, IDOK) && !GetDlgItem(window, IDCANCEL) && !GetDlgItem(window, IDYES);
        EnumChildWindows(window, find_icon, reinterpret_cast<LPARAM>(&box.information_icon));
        self->boxes_.push_back(box);
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    void run()
    {
        while (!done_) {
            EnumThreadWindows(thread_, visit, reinterpret_cast<LPARAM>(this));
            Sleep(20);
        }
    }

    DWORD thread_;
    std::atomic<bool> done_{false};
    std::vector<Box> boxes_;
    std::set<HWND> answered_;
    std::thread worker_;
};

class ExplorerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_data = test::make_temp_folder(L"clipwright-explorer");
        SetEnvironmentVariableW(L"LOCALAPPDATA", app_data.c_str());
        for (int i = 0; i < 4; ++i) RegDeleteTreeW(HKEY_CURRENT_USER, verb_key(i).c_str());
    }
    void TearDown() override
    {
        for (int i = 0; i < 4; ++i) RegDeleteTreeW(HKEY_CURRENT_USER, verb_key(i).c_str());
        SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
        test::remove_tree(app_data);
    }
    std::vector<std::string> events()
    {
        std::vector<std::string> out;
        for (const std::string& line : test::read_lines(app_data + L"\\Tindrel\\Clipwright\\Logs\\clipwright.log"))
            out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }

    std::wstring app_data;
};

TEST_F(ExplorerTest, InstallWritesTheVerbsTwiceTheSameAndRemovalLeavesNothing)
{
    // What an earlier version left in the first verb key must not survive an install.
    {
        UniqueRegKey stale;
        ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, (verb_key(0) + L"\\old").c_str(), stale.put()), ERROR_SUCCESS);
        ASSERT_TRUE(set_string_value(stale.get(), L"Extended", L""));
    }

    // Without Clipwright.ico beside this test program, the icon is the program itself.
    const std::wstring exe = module_path();
    ASSERT_FALSE(fs::exists(fs::path(exe).parent_path() / L"Clipwright.ico"));
    ASSERT_TRUE(install_explorer_integration(true));
    expect_installed(exe, exe);
    ASSERT_TRUE(install_explorer_integration(true));
    expect_installed(exe, exe);

    ASSERT_TRUE(uninstall_explorer_integration(true));
    expect_removed();
    // Nothing installed: every delete finds nothing, and that is success.
    ASSERT_TRUE(uninstall_explorer_integration(true));
    expect_removed();

    const std::vector<std::string> expected{"explorer_install result=success", "explorer_install result=success",
                                            "explorer_uninstall result=success", "explorer_uninstall result=success"};
    EXPECT_EQ(events(), expected);
}

TEST_F(ExplorerTest, ConfirmationBoxesUnlessQuiet)
{
    struct Case {
        bool install;
        bool quiet;
        const char* text;
    };
    const Case cases[] = {
        {true, true, nullptr},
        {true, false,
         "Explorer integration was installed for the current Windows user.\r\n\r\n"
         "Right-click a folder background, the Desktop, a folder, or a drive and open Clipboard To File Here."},
        {false, true, nullptr},
        {false, false, "Explorer integration was removed for the current Windows user."},
        // Removal with nothing installed still confirms.
        {false, false, "Explorer integration was removed for the current Windows user."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "install=" << c.install << " quiet=" << c.quiet);
        MessageBoxWatcher watcher(GetCurrentThreadId());
        const Status done = c.install ? install_explorer_integration(c.quiet) : uninstall_explorer_integration(c.quiet);
        test::ClipboardFixture::pump(200);
        const auto boxes = watcher.stop();
        EXPECT_TRUE(done);
        if (!c.text) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"Clipwright");
        EXPECT_EQ(from_wide(boxes[0].text), c.text);
        EXPECT_TRUE(boxes[0].only_ok);
        EXPECT_TRUE(boxes[0].information_icon);
    }
}

TEST_F(ExplorerTest, AFailureStopsAtThatBaseKeepsWhatWasWrittenAndShowsNoBox)
{
    // A volatile parent refuses lasting subkeys: the fourth base cannot be created.
    const std::wstring parent = L"Software\\Classes\\Drive\\shell";
    if (key_exists(parent)) {
        // An earlier install leaves the empty parent behind; anything in it is not ours.
        if (!key_is_empty(parent)) GTEST_SKIP() << "HKCU\\" << from_wide(parent) << " holds another program's keys";
        ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, parent.c_str()), ERROR_SUCCESS);
    }
    UniqueRegKey volatile_key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, volatile_key.put(), nullptr),
              ERROR_SUCCESS);

    MessageBoxWatcher watcher(GetCurrentThreadId());
    const Status done = install_explorer_integration(false);
    const auto boxes = watcher.stop();
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error().ucode(), 0x8007000DU);
    EXPECT_EQ(done.error().message.value_or(""),
              "Could not create HKCU\\Software\\Classes\\Drive\\shell\\Clipwright (Windows error 1021).");
    EXPECT_TRUE(boxes.empty());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(key_exists(verb_key(i) + L"\\command")) << i;
    EXPECT_FALSE(key_exists(verb_key(3)));

    // The removal clears what the failed install left.
    EXPECT_TRUE(uninstall_explorer_integration(true));
    expect_removed();
    volatile_key.reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, parent.c_str());
    const std::vector<std::string> expected{"explorer_install result=failure", "explorer_uninstall result=success"};
    EXPECT_EQ(events(), expected);
}

class ExplorerPathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = test::make_temp_folder(L"clipwright-paths");
        std::ofstream(fs::path(folder) / L"Clipwright.exe", std::ios::binary) << "MZ";
    }
    void TearDown() override { test::remove_tree(folder); }

    // The folder as the system names it after resolving (the temporary folder may itself be
    // reached through a link).
    std::wstring resolved_folder()
    {
        UniqueFile dir(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        wchar_t path[MAX_PATH];
        const DWORD n = GetFinalPathNameByHandleW(dir.get(), path, MAX_PATH, VOLUME_NAME_DOS);
        std::wstring out(path, n);
        return out.rfind(L"\\\\?\\", 0) == 0 ? out.substr(4) : out;
    }

    std::wstring folder;
};

TEST_F(ExplorerPathsTest, IconIsTheIcoFileBesideTheProgramOnlyWhenThatIsARegularFile)
{
    const std::wstring exe = folder + L"\\Clipwright.exe";
    const std::wstring resolved = resolved_folder();
    ASSERT_FALSE(resolved.empty());
    EXPECT_EQ(resolved.rfind(L"\\\\?\\", 0), std::wstring::npos);

    Result<ExplorerPaths> plain = explorer_paths(exe);
    ASSERT_TRUE(plain) << error_display(plain.error());
    EXPECT_EQ(plain->exe, resolved + L"\\Clipwright.exe");
    EXPECT_EQ(plain->icon, plain->exe);

    fs::create_directory(fs::path(folder) / L"Clipwright.ico");
    Result<ExplorerPaths> with_folder = explorer_paths(exe);
    ASSERT_TRUE(with_folder);
    EXPECT_EQ(with_folder->icon, with_folder->exe);

    fs::remove(fs::path(folder) / L"Clipwright.ico");
    std::ofstream(fs::path(folder) / L"Clipwright.ico", std::ios::binary) << "icon";
    Result<ExplorerPaths> with_icon = explorer_paths(exe);
    ASSERT_TRUE(with_icon);
    EXPECT_EQ(with_icon->exe, resolved + L"\\Clipwright.exe");
    EXPECT_EQ(with_icon->icon, resolved + L"\\Clipwright.ico");
}

TEST_F(ExplorerPathsTest, AMissingProgramOrAFolderIsReportedAsMissing)
{
    for (const std::wstring& path : {folder + L"\\Gone.exe", folder}) {
        Result<ExplorerPaths> paths = explorer_paths(path);
        ASSERT_FALSE(paths);
        EXPECT_EQ(paths.error().ucode(), 0x8007000DU);
        EXPECT_EQ(paths.error().message.value_or(""),
                  "The application executable does not exist:\r\n" + from_wide(path));
    }
}

TEST(ExplorerLinks, AProgramReachedThroughALinkIsRecordedAtItsTarget)
{
    const std::wstring root = test::windows_path(CLIPWRIGHT_LINK_ROOT);
    for (const wchar_t* started_as : {L"\\linked\\Clipwright.exe", L"\\Clipwright-link.exe"}) {
        Result<ExplorerPaths> paths = explorer_paths(root + started_as);
        ASSERT_TRUE(paths) << error_display(paths.error());
        EXPECT_EQ(paths->exe, root + L"\\real\\Clipwright.exe") << from_wide(started_as);
        EXPECT_EQ(paths->icon, paths->exe);
    }
}

}  // namespace
}  // namespace cw
