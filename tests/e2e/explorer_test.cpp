// The real Clipwright.exe in its two Explorer modes: registry written and removed, exit status,
// log, and the reason on standard error when it fails.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/handles_win.h"
#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "process_driver.h"

namespace cw {
namespace {

namespace fs = std::filesystem;

const wchar_t* const VERB_KEYS[] = {
    L"Software\\Classes\\Directory\\Background\\shell\\Clipwright",
    L"Software\\Classes\\DesktopBackground\\Shell\\Clipwright",
    L"Software\\Classes\\Directory\\shell\\Clipwright",
    L"Software\\Classes\\Drive\\shell\\Clipwright",
};

std::wstring string_value(const std::wstring& path, const wchar_t* name)
{
    wchar_t buffer[1024];
    DWORD bytes = sizeof buffer;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

bool key_exists(const std::wstring& path)
{
    UniqueRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

class ExplorerE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_data = test::make_temp_folder(L"clipwright-e2e-explorer");
        for (const wchar_t* key : VERB_KEYS) RegDeleteTreeW(HKEY_CURRENT_USER, key);
    }
    void TearDown() override
    {
        for (const wchar_t* key : VERB_KEYS) RegDeleteTreeW(HKEY_CURRENT_USER, key);
        test::remove_tree(app_data);
    }

    long run(const std::wstring& exe, const std::wstring& arguments)
    {
        test::RunningProgram program(exe, arguments, {{L"LOCALAPPDATA", app_data}});
        EXPECT_TRUE(program.started());
        return program.wait_for_exit();
    }

    // Log events without their time stamps; a cleanup of an old WebView2 folder may come and go.
    std::vector<std::string> events()
    {
        std::vector<std::string> out;
        for (const std::string& line : test::read_lines(app_data + L"\\Tindrel\\Clipwright\\Logs\\clipwright.log")) {
            const std::string event = line.substr(line.find(' ') + 1);
            if (event.rfind("webview_legacy_cleanup", 0) != 0) out.push_back(event);
        }
        return out;
    }

    std::wstring app_data;
};

TEST_F(ExplorerE2E, InstallAndRemoveQuietlyWithoutAWindow)
{
    const std::wstring exe = test::windows_path(CLIPWRIGHT_EXE);
    const std::wstring icon = (fs::path(exe).parent_path() / L"Clipwright.ico").wstring();
    ASSERT_TRUE(fs::is_regular_file(icon)) << "the build copies the icon beside the program";

    EXPECT_EQ(run(exe, L"--install-explorer --quiet"), 0);
    for (const wchar_t* key : VERB_KEYS) {
        SCOPED_TRACE(from_wide(key));
        EXPECT_EQ(string_value(key, L"MUIVerb"), L"Clipboard To File Here");
        EXPECT_EQ(string_value(key, L"Icon"), L"\"" + icon + L"\",0");
        EXPECT_EQ(string_value(key, L"Position"), L"Top");
    }
    EXPECT_EQ(string_value(VERB_KEYS[0] + std::wstring(L"\\command"), nullptr), L"\"" + exe + L"\" --target \"%V\"");
    EXPECT_EQ(string_value(VERB_KEYS[3] + std::wstring(L"\\command"), nullptr), L"\"" + exe + L"\" --target \"%1\"");

    // A folder argument before the switch does not make it a normal start.
    EXPECT_EQ(run(exe, L"C:\\ --uninstall-explorer --quiet"), 0);
    for (const wchar_t* key : VERB_KEYS) EXPECT_FALSE(key_exists(key)) << from_wide(key);

    const std::vector<std::string> expected{"startup version=1.1 build=158", "explorer_install result=success",
                                            "startup version=1.1 build=158", "explorer_uninstall result=success"};
    EXPECT_EQ(events(), expected);
}

// Explorer starts the stored command with the placeholder replaced. A drive root arrives quoted as
// "C:\", which the command-line rules turn into C:" unless the program takes the quote back.
TEST_F(ExplorerE2E, StoredCommandsOpenTheWindowOnTheFolderExplorerNamed)
{
    const std::wstring exe = test::windows_path(CLIPWRIGHT_EXE);
    ASSERT_EQ(run(exe, L"--install-explorer --quiet"), 0);
    const std::wstring folder = test::make_temp_folder(L"clipwright-verb target");
    struct Case {
        const wchar_t* key;
        const wchar_t* placeholder;
        std::wstring folder;
    };
    for (const Case& c : {Case{VERB_KEYS[3], L"%1", L"C:\\"}, Case{VERB_KEYS[0], L"%V", folder},
                          Case{VERB_KEYS[2], L"%1", folder + L"\\"}}) {
        std::wstring command = string_value(c.key + std::wstring(L"\\command"), nullptr);
        const std::wstring prefix = L"\"" + exe + L"\" ";
        ASSERT_EQ(command.rfind(prefix, 0), 0u);
        std::wstring arguments = command.substr(prefix.size());
        arguments.replace(arguments.find(c.placeholder), 2, c.folder);

        test::RunningProgram program(exe, arguments, {{L"LOCALAPPDATA", app_data}});
        HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
        ASSERT_NE(window, nullptr) << from_wide(arguments);
        EXPECT_EQ(test::window_text(test::nth_child(window, 9)), "Save in  " + from_wide(c.folder))
            << from_wide(arguments);
        EXPECT_EQ(program.close(window), 0);
    }
    test::remove_tree(folder);
}

TEST_F(ExplorerE2E, IconFollowsTheIcoFileBesideTheCopiedProgram)
{
    const std::wstring folder = test::make_temp_folder(L"clipwright-e2e-copy");
    const std::wstring exe = folder + L"\\Clipwright.exe";
    ASSERT_TRUE(CopyFileW(test::windows_path(CLIPWRIGHT_EXE).c_str(), exe.c_str(), TRUE));

    EXPECT_EQ(run(exe, L"--install-explorer --quiet"), 0);
    const std::wstring written_exe = string_value(VERB_KEYS[2] + std::wstring(L"\\command"), nullptr);
    ASSERT_EQ(written_exe.rfind(L"\" --target \"%1\""), written_exe.size() - 15);
    const std::wstring resolved = written_exe.substr(1, written_exe.size() - 16);
    EXPECT_EQ(_wcsicmp(fs::path(resolved).filename().c_str(), L"Clipwright.exe"), 0);
    EXPECT_EQ(string_value(VERB_KEYS[2], L"Icon"), L"\"" + resolved + L"\",0");

    const fs::path icon = fs::path(resolved).parent_path() / L"Clipwright.ico";
    fs::copy_file(fs::path(test::windows_path(CLIPWRIGHT_EXE)).parent_path() / L"Clipwright.ico", icon);
    EXPECT_EQ(run(exe, L"--install-explorer --quiet"), 0);
    EXPECT_EQ(string_value(VERB_KEYS[2], L"Icon"), L"\"" + icon.wstring() + L"\",0");

    EXPECT_EQ(run(exe, L"--uninstall-explorer --quiet"), 0);
    test::remove_tree(folder);
}

// Exit status and standard error of a program started with this process's environment.
std::pair<long, std::string> run_capturing_errors(const std::wstring& exe, const std::wstring& arguments)
{
    test::PipedProgram program(exe, arguments);
    if (!program.started()) return {-1, {}};
    std::string output = program.read_to_end();
    return {program.wait_for_exit(), output};
}

TEST_F(ExplorerE2E, AFailedInstallExitsWithStatusOneAndSaysWhyOnStandardError)
{
    // A volatile parent refuses lasting subkeys, so the fourth verb key cannot be created.
    const std::wstring parent = L"Software\\Classes\\Drive\\shell";
    if (key_exists(parent)) {
        UniqueRegKey key;
        DWORD subkeys = 1, values = 1;
        RegOpenKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, KEY_READ, key.put());
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
        if (subkeys != 0 || values != 0)
            GTEST_SKIP() << "HKCU\\" << from_wide(parent) << " holds another program's keys";
        key.reset();
        ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, parent.c_str()), ERROR_SUCCESS);
    }
    UniqueRegKey volatile_key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, volatile_key.put(), nullptr),
              ERROR_SUCCESS);

    SetEnvironmentVariableW(L"LOCALAPPDATA", app_data.c_str());
    const auto [status, errors] = run_capturing_errors(test::windows_path(CLIPWRIGHT_EXE), L"--install-explorer");
    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    volatile_key.reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, parent.c_str());

    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors,
              "Clipwright: Could not create HKCU\\Software\\Classes\\Drive\\shell\\Clipwright (Windows error 1021). "
              "(0x8007000D)\r\n");
    const std::vector<std::string> expected{"startup version=1.1 build=158", "explorer_install result=failure"};
    EXPECT_EQ(events(), expected);
}

}  // namespace
}  // namespace cw
