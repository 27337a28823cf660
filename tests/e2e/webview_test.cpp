// The real program's HTML preview: without a runtime, with a WebView2Loader.dll beside the exe,
// with a loader planted only in the current folder, and two instances side by side.
#include <gtest/gtest.h>

#include "base/win32.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "app/main_controls.h"
#include "base/text_win.h"
#include "fake_webview2_fixture.h"
#include "program_test.h"

namespace cw {
namespace {

constexpr char CLIPBOARD_HTML[] =
    "Version:0.9\r\nStartHTML:0000000061\r\nEndHTML:0000000119\r\n\r\n\r\n\r\n"
    "<html><body><b>h\xC3\xA9llo</b> from the clipboard</body></html>";

bool wait_until(const std::function<bool()>& done, DWORD milliseconds = 20000)
{
    return test::ClipboardFixture::pump_until(done, milliseconds);
}

// WM_GETTEXT reaches the edit control's own text in another process; GetWindowTextW does not.
std::string control_text(HWND control)
{
    wchar_t buffer[4096] = {};
    const auto n = SendMessageW(control, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return from_wide(buffer, static_cast<std::size_t>(n));
}

HWND control_of(HWND window, MainControl c)
{
    return test::nth_child(window, static_cast<int>(index_of(c)));
}

// Clicks a tab the way the mouse does, so the tab control itself notifies the window.
void click_tab(HWND tabs, int index)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(tabs, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    ASSERT_NE(process, nullptr);
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    RECT item{};
    SendMessageW(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &item, sizeof item, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tabs, WM_LBUTTONUP, 0, at);
    test::ClipboardFixture::pump(300);
}

class WebViewE2E : public test::ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        temp = test::make_temp_folder(L"clipwright-webview-temp");
        clipboard.set_flat({{test::register_format(L"HTML Format"), test::bytes_of(CLIPBOARD_HTML)}});
    }
    void TearDown() override
    {
        test::remove_tree(temp);
        ProgramTest::TearDown();
    }
    std::unique_ptr<test::RunningProgram> run(const std::wstring& exe, const std::wstring& logs,
                                              const std::wstring& working_folder = {}) const
    {
        return std::make_unique<test::RunningProgram>(
            exe, L"--target \"" + target + L"\"",
            std::vector<std::pair<std::wstring, std::wstring>>{
                {L"LOCALAPPDATA", logs}, {L"TMP", temp}, {L"TEMP", temp}, {L"FAKE_WEBVIEW2_JOURNAL", journal()}},
            working_folder);
    }
    std::wstring journal() const { return temp + L"\\journal.txt"; }
    static std::string webview_init(const std::wstring& logs)
    {
        for (const std::string& e : test::log_events(logs))
            if (e.rfind("webview_init ", 0) == 0) return e;
        return {};
    }
    std::wstring temp;
};

TEST_F(WebViewE2E, WithoutARuntimeTheRenderedTabSaysSoAndTheSourceTabShowsTheText)
{
    auto program = run(test::windows_path(CLIPWRIGHT_EXE), app_data);
    HWND window = program->wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    HWND host = control_of(window, MainControl::html_host);
    ASSERT_TRUE(wait_until([&] { return test::window_text(host) == WEBVIEW_RUNTIME_MESSAGE; }));
    EXPECT_TRUE(IsWindowVisible(host));
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\html-no-runtime.png");

    HWND source = control_of(window, MainControl::html_source);
    EXPECT_EQ(control_text(source), std::string(CLIPBOARD_HTML));
    click_tab(control_of(window, MainControl::html_tabs), 1);
    EXPECT_TRUE(IsWindowVisible(source));
    EXPECT_FALSE(IsWindowVisible(host));
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\html-source-tab.png");

    EXPECT_EQ(program->close(window), 0);
    const auto events = logged_events();
    EXPECT_NE(std::find(events.begin(), events.end(),
                        "webview_init result=runtime_missing error=webview2 error, HRESULT 0x80070002"),
              events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), "webview_cleanup result=success"), events.end());
    EXPECT_TRUE(test::folder_names(test::webview_root_in(temp)).empty());
}

TEST_F(WebViewE2E, ALoaderBesideTheExeIsUsedAndOneInTheCurrentFolderNeverIs)
{
    const std::wstring beside = temp + L"\\app";
    CreateDirectoryW(beside.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(test::windows_path(CLIPWRIGHT_EXE).c_str(), (beside + L"\\Clipwright.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(test::fake_loader_dll().c_str(), (beside + L"\\WebView2Loader.dll").c_str(), FALSE));
    {
        auto program = run(beside + L"\\Clipwright.exe", app_data);
        HWND window = program->wait_for_window(L"ClipwrightClipboardViewer");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(wait_until([&] { return !webview_init(app_data).empty(); }));
        EXPECT_EQ(webview_init(app_data), "webview_init result=success ephemeral_profile=true");
        // The fake's page shows the string it was given, inside html_host.
        test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\html-fake-runtime.png");
        const auto lines = test::read_lines(journal());
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(std::count(lines.begin(), lines.end(),
                             "NavigateToString " + navigation_document(std::string(CLIPBOARD_HTML).substr(61))),
                  1);
        EXPECT_EQ(lines.front().rfind("CreateCoreWebView2EnvironmentWithOptions browser=(null) user_data=" +
                                          from_wide(test::webview_root_in(temp)) + "\\profile-",
                                      0),
                  0u);
        EXPECT_EQ(program->close(window), 0);
    }

    // The same loader in the folder the program is started from is the user's, not ours.
    DeleteFileW(journal().c_str());
    const std::wstring other_logs = test::make_temp_folder(L"clipwright-webview-log");
    auto program = run(test::windows_path(CLIPWRIGHT_EXE), other_logs, beside);
    HWND window = program->wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(wait_until([&] { return !webview_init(other_logs).empty(); }));
    EXPECT_EQ(webview_init(other_logs), "webview_init result=runtime_missing error=webview2 error, HRESULT 0x80070002");
    EXPECT_EQ(GetFileAttributesW(journal().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(program->close(window), 0);
    test::remove_tree(other_logs);
}

TEST_F(WebViewE2E, TwoInstancesKeepTheirOwnProfileFolders)
{
    test::RegisteredRuntime runtime(test::fake_runtime_folder());
    const std::wstring second_logs = test::make_temp_folder(L"clipwright-webview-log");
    // One after the other: two programs opening the clipboard at the same moment find it busy.
    auto first = run(test::windows_path(CLIPWRIGHT_EXE), app_data);
    HWND first_window = first->wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_TRUE(wait_until([&] { return !webview_init(app_data).empty(); }));
    auto second = run(test::windows_path(CLIPWRIGHT_EXE), second_logs);
    HWND second_window = second->wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_TRUE(first_window && second_window);
    ASSERT_TRUE(wait_until([&] { return !webview_init(second_logs).empty(); }));
    EXPECT_EQ(webview_init(app_data), "webview_init result=success ephemeral_profile=true");
    EXPECT_EQ(webview_init(second_logs), "webview_init result=success ephemeral_profile=true");

    const std::wstring root = test::webview_root_in(temp);
    const auto owned_by = [](DWORD pid, const std::string& name) {
        return name.rfind("profile-" + std::to_string(pid) + "-", 0) == 0;
    };
    auto names = test::folder_names(root);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(owned_by(first->pid(), names[0]) || owned_by(first->pid(), names[1]));
    EXPECT_TRUE(owned_by(second->pid(), names[0]) || owned_by(second->pid(), names[1]));

    EXPECT_EQ(first->close(first_window), 0);
    names = test::folder_names(root);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(owned_by(second->pid(), names[0]));
    EXPECT_EQ(second->close(second_window), 0);
    EXPECT_TRUE(test::folder_names(root).empty());
    test::remove_tree(second_logs);
}

}  // namespace
}  // namespace cw
