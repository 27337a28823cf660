// The HTML preview's WebView2 life cycle in the real window, against the fake runtime the test
// suite builds (no real runtime exists under Wine). The registry names the fake as the installed
// runtime; its journal shows every call the program made.
#include <gtest/gtest.h>

#include "base/win32.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "app/main_window_win.h"
#include "base/text_win.h"
#include "fake_webview2_fixture.h"
#include "main_window_fixture.h"
#include "preview/webview_preview_win.h"

namespace cw {
namespace {

using test::ClipboardFixture;
using test::MainWindowHarness;
using test::RegisteredRuntime;
using test::ScopedVariable;

constexpr char FIRST_DOCUMENT[] =
    "<html><head><meta http-equiv=\"refresh\" content=\"0;url=https://example.invalid/r\"></head><body>h\xC3\xA9llo"
    "<a href=\"https://example.invalid/click\">a</a><a target=\"_blank\" href=\"https://example.invalid/new\">b</a>"
    "<iframe src=\"https://example.invalid/frame\"></iframe></body></html>";
constexpr char SECOND_DOCUMENT[] = "<html><body>second</body></html>";

bool wait_until(const std::function<bool()>& done, DWORD milliseconds = 10000)
{
    return ClipboardFixture::pump_until(done, milliseconds);
}

std::size_t count_starting_with(const std::vector<std::string>& lines, const std::string& prefix)
{
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

std::string last_starting_with(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (it->rfind(prefix, 0) == 0) return *it;
    return {};
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void write_file(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

class WebViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clipboard.set_flat({{html_format, test::bytes_of(FIRST_DOCUMENT)},
                            {text_html, test::bytes_of(SECOND_DOCUMENT)},
                            {CF_UNICODETEXT, test::utf16_bytes_of(L"plain")}});
    }
    void TearDown() override
    {
        test::remove_tree(app_data);
        test::remove_tree(temp);
    }
    std::vector<std::string> journal() const { return test::read_lines(journal_path); }
    std::vector<std::string> webview_events() const
    {
        std::vector<std::string> found;
        for (const std::string& e : test::log_events(app_data))
            if (e.rfind("webview_", 0) == 0) found.push_back(e);
        return found;
    }
    std::wstring root() const { return test::webview_root_in(temp); }
    static bool ready(MainWindowHarness& w) { return bool(w.state().web_preview.webview); }
    static bool settled(MainWindowHarness& w) { return !w.state().web_preview.webview_starting; }
    static void select_tab(MainWindowHarness& w, int index)
    {
        HWND tabs = w.control(MainControl::html_tabs);
        SendMessageW(tabs, TCM_SETCURSEL, index, 0);
        NMHDR header{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
        SendMessageW(w.window(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    }

    ClipboardFixture clipboard;
    UINT html_format = test::register_format(L"HTML Format");
    UINT text_html = test::register_format(L"text/html");
    std::wstring app_data = test::make_temp_folder(L"clipwright-webview-log");
    std::wstring temp = test::make_temp_folder(L"clipwright-webview-temp");
    std::wstring journal_path = temp + L"\\journal.txt";
    ScopedVariable log{L"LOCALAPPDATA", app_data};
    ScopedVariable tmp{L"TMP", temp};
    ScopedVariable temp_variable{L"TEMP", temp};
    ScopedVariable journal_variable{L"FAKE_WEBVIEW2_JOURNAL", journal_path};
};

TEST_F(WebViewTest, ReadyControlIsLockedDownFollowsTheTabAndServesTheNextDocument)
{
    ScopedVariable folder(L"CLIPWRIGHT_TEST_RUNTIME", test::fake_runtime_folder());
    RegisteredRuntime runtime(L"%CLIPWRIGHT_TEST_RUNTIME%", 2, REG_EXPAND_SZ);  // dev channel only, expandable
    std::wstring profile;
    {
        MainWindowHarness w;
        ASSERT_TRUE(wait_until([&] { return ready(w); }));
        profile = w.state().web_preview.webview_profile_path.value_or(L"");
        RECT host{};
        GetClientRect(w.control(MainControl::html_host), &host);
        EXPECT_EQ(journal(),
                  (std::vector<std::string>{
                      "CreateWebViewEnvironmentWithOptionsInternal check=1 type=0 user_data=" + from_wide(profile),
                      "options arguments=" + utf16_to_utf8(BROWSER_ARGUMENTS) +
                          " language=(null) target=91.0.864.35 sso=0 options2=0x80004002",
                      "environment_completed 0x00000000",
                      "CreateCoreWebView2Controller parent=window",
                      "controller_completed 0x00000000",
                      "put_Bounds 0 0 " + std::to_string(host.right) + " " + std::to_string(host.bottom),
                      "get_CoreWebView2",
                      "get_Settings",
                      "put_IsScriptEnabled 0",
                      "put_IsWebMessageEnabled 0",
                      "put_AreDevToolsEnabled 0",
                      "put_AreDefaultContextMenusEnabled 0",
                      "add_NavigationStarting",
                      "add_FrameNavigationStarting",
                      "add_NewWindowRequested",
                      "NavigateToString " + navigation_document(FIRST_DOCUMENT),
                      "NavigationStarting about:blank",  // the one navigation that goes ahead
                      "NavigationStarting https://example.invalid/r",
                      "put_Cancel 1",
                      "NavigationStarting https://example.invalid/click",
                      "put_Cancel 1",
                      "NewWindowRequested https://example.invalid/new",
                      "put_Handled 1",
                      "FrameNavigationStarting https://example.invalid/frame",
                      "put_Cancel 1",
                      "put_IsVisible 1",
                  }));
        EXPECT_EQ(webview_events(), std::vector<std::string>{"webview_init result=success ephemeral_profile=true"});
        const std::wstring name = L"profile-" + std::to_wstring(GetCurrentProcessId()) + L"-";
        EXPECT_EQ(profile.rfind(root() + L"\\" + name, 0), 0u);
        EXPECT_TRUE(exists(profile));

        // The page is a child of html_host and follows the tab and the window's size.
        HWND page = GetWindow(w.control(MainControl::html_host), GW_CHILD);
        ASSERT_NE(page, nullptr);
        select_tab(w, 1);
        EXPECT_EQ(journal().back(), "put_IsVisible 0");
        EXPECT_TRUE(w.visible(MainControl::html_source));
        select_tab(w, 0);
        EXPECT_EQ(journal().back(), "put_IsVisible 1");
        EXPECT_TRUE(IsWindowVisible(page));
        SetWindowPos(w.window(), nullptr, 0, 0, 1300, 900, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(w.control(MainControl::html_host), &host);
        EXPECT_EQ(journal().back(), "put_Bounds 0 0 " + std::to_string(host.right) + " " + std::to_string(host.bottom));
        RECT placed{};
        GetClientRect(page, &placed);
        EXPECT_EQ(placed.right, host.right);

        // Another panel hides the control; the next HTML format navigates the same control.
        w.command(ID_VIEW_TOGGLE);
        EXPECT_EQ(last_starting_with(journal(), "put_IsVisible"), "put_IsVisible 0");
        EXPECT_TRUE(w.select_format(text_html));
        const auto lines = journal();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "NavigateToString " + navigation_document(SECOND_DOCUMENT)),
                  lines.end());
        EXPECT_EQ(last_starting_with(lines, "put_IsVisible"), "put_IsVisible 1");
        EXPECT_EQ(count_starting_with(lines, "put_Cancel"), 3u);  // the second page's own one went ahead
        EXPECT_EQ(count_starting_with(lines, "CreateWebViewEnvironmentWithOptionsInternal"), 1u);
        EXPECT_EQ(test::folder_names(root()).size(), 1u);
    }
    // Teardown removes the handlers and closes the browser before letting go of it.
    const auto lines = journal();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()),
              (std::vector<std::string>{"remove_NavigationStarting", "remove_FrameNavigationStarting",
                                        "remove_NewWindowRequested", "Close", "controller closed"}));
    EXPECT_FALSE(exists(profile));
    EXPECT_EQ(webview_events().back(), "webview_cleanup result=success");
}

TEST_F(WebViewTest, EveryFailureShowsTheRuntimeMessageOnceAndTheSourceTabStillWorks)
{
    // The registry value names an older build of the fake; it must count as missing.
    const std::wstring old_runtime = temp + L"\\98.0.1149.0";
    CreateDirectoryW(old_runtime.c_str(), nullptr);
    CreateDirectoryW((old_runtime + L"\\EBWebView").c_str(), nullptr);
    CreateDirectoryW((old_runtime + L"\\EBWebView\\x64").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(test::windows_path(FAKE_WEBVIEW2_RUNTIME_DLL).c_str(),
                          (old_runtime + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll").c_str(), FALSE));
    struct Case {
        const char* name;
        std::wstring registered;
        std::wstring fail;
        bool block_root;
        std::string logged;
        std::size_t environment_calls;
    };
    const std::string error = "webview2 error, HRESULT ";
    const Case cases[] = {
        {"no runtime", L"", L"", false, "result=runtime_missing error=" + error + "0x80070002", 0},
        {"runtime too old", old_runtime, L"", false, "result=runtime_missing error=" + error + "0x80070002", 0},
        {"environment call", test::fake_runtime_folder(), L"CreateWebViewEnvironmentWithOptionsInternal:80004005",
         false, "result=runtime_missing error=" + error + "0x80004005", 1},
        {"environment completion", test::fake_runtime_folder(), L"environment_completed:80070005", false,
         "result=runtime_error error=" + error + "0x80070005", 1},
        {"controller call", test::fake_runtime_folder(), L"CreateCoreWebView2Controller:80004004", false,
         "result=controller_error error=" + error + "0x80004004", 1},
        {"controller completion", test::fake_runtime_folder(), L"controller_completed:8007139F", false,
         "result=controller_error error=" + error + "0x8007139F", 1},
        {"profile folder", test::fake_runtime_folder(), L"", true, "result=profile_error kind=not a directory", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(journal_path.c_str());
        DeleteFileW((app_data + L"\\Tindrel\\Clipwright\\Logs\\clipwright.log").c_str());
        test::remove_tree(root());
        if (c.block_root) write_file(root());
        RegisteredRuntime runtime(c.registered);
        ScopedVariable fail(L"FAKE_WEBVIEW2_FAIL", c.fail);
        {
            MainWindowHarness w;
            ASSERT_TRUE(
                wait_until([&] { return settled(w) && count_starting_with(webview_events(), "webview_init"); }));
            EXPECT_TRUE(w.state().web_preview.webview_failed);
            EXPECT_FALSE(w.state().web_preview.webview);
            EXPECT_EQ(w.text(MainControl::html_host), WEBVIEW_RUNTIME_MESSAGE);
            select_tab(w, 1);
            EXPECT_TRUE(w.visible(MainControl::html_source));
            EXPECT_FALSE(w.visible(MainControl::html_host));
            EXPECT_EQ(w.text(MainControl::html_source), FIRST_DOCUMENT);
            // Later HTML selections do not try again.
            w.select_row(1);
            w.select_row(0);
            ClipboardFixture::pump(50);
            EXPECT_EQ(w.text(MainControl::html_host), WEBVIEW_RUNTIME_MESSAGE);
            EXPECT_EQ(count_starting_with(journal(), "CreateWebViewEnvironmentWithOptionsInternal"),
                      c.environment_calls);
        }
        const auto events = webview_events();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front(), "webview_init " + c.logged);
        EXPECT_EQ(count_starting_with(events, "webview_init"), 1u);
        DeleteFileW(root().c_str());
    }
}

TEST_F(WebViewTest, TheRuntimeMessageStaysVisibleWhenItsTabControlRepaints)
{
    MainWindowHarness w;
    ASSERT_TRUE(wait_until([&] { return settled(w) && w.state().web_preview.webview_failed; }));
    HWND host = w.control(MainControl::html_host);
    // The tab control lies above its pages and paints its whole client area.
    RedrawWindow(w.control(MainControl::html_tabs), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ClipboardFixture::pump(50);
    LOGBRUSH brush{};
    GetObjectW(w.state().input_brush.get(), sizeof brush, &brush);
    RECT client{};
    GetClientRect(host, &client);
    HDC dc = GetDC(host);
    const COLORREF inside = GetPixel(dc, client.right - 5, client.bottom - 5);
    ReleaseDC(host, dc);
    EXPECT_EQ(inside, brush.lbColor);
}

TEST_F(WebViewTest, FailedSetupAfterSuccessStartsOverOnANewFolder)
{
    RegisteredRuntime runtime(test::fake_runtime_folder());
    std::wstring first;
    {
        ScopedVariable fail(L"FAKE_WEBVIEW2_FAIL", L"put_IsScriptEnabled:80004005");
        MainWindowHarness w;
        ASSERT_TRUE(wait_until([&] { return journal().size() && journal().back() == "controller closed"; }));
        const WebViewPreview& p = w.state().web_preview;
        EXPECT_FALSE(p.webview || p.webview_controller || p.webview_starting || p.webview_failed);
        EXPECT_TRUE(webview_events().empty());
        EXPECT_EQ(w.text(MainControl::html_host), WEBVIEW_RUNTIME_MESSAGE);
        first = p.webview_profile_path.value_or(L"");

        SetEnvironmentVariableW(L"FAKE_WEBVIEW2_FAIL", nullptr);
        w.select_row(1);
        w.select_row(0);
        ASSERT_TRUE(wait_until([&] { return ready(w); }));
        EXPECT_NE(*p.webview_profile_path, first);
        EXPECT_EQ(count_starting_with(journal(), "CreateWebViewEnvironmentWithOptionsInternal"), 2u);
        EXPECT_EQ(webview_events(), std::vector<std::string>{"webview_init result=success ephemeral_profile=true"});
    }
    // The folder of the failed setup is left to the next start's sweep.
    EXPECT_TRUE(exists(first));
    EXPECT_EQ(test::folder_names(root()).size(), 1u);
}

TEST_F(WebViewTest, TeardownRemovesOnlyOwnedFoldersAndDefersLockedOnes)
{
    RegisteredRuntime runtime(test::fake_runtime_folder());
    std::wstring profile;
    HANDLE held = INVALID_HANDLE_VALUE;
    {
        MainWindowHarness w;
        ASSERT_TRUE(wait_until([&] { return ready(w); }));
        profile = *w.state().web_preview.webview_profile_path;
        // A browser process still writing its cache keeps the folder.
        held = CreateFileW((profile + L"\\Cache").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(webview_events().back(), "webview_cleanup result=deferred");
    EXPECT_TRUE(exists(profile));
    CloseHandle(held);

    const std::wstring elsewhere = temp + L"\\profile-1";
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    WebViewPreview unowned;
    unowned.webview_profile_path = elsewhere;
    close_webview(unowned);
    EXPECT_EQ(webview_events().back(), "webview_cleanup result=rejected_unowned_path");
    EXPECT_TRUE(exists(elsewhere));
    EXPECT_FALSE(unowned.webview_profile_path);
}

TEST_F(WebViewTest, CompletionsAfterTheWindowIsGoneTouchNothing)
{
    RegisteredRuntime runtime(test::fake_runtime_folder());
    HWND host =
        CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD, 0, 0, 10, 10, host, nullptr, nullptr, nullptr);
    WebViewPreview preview;
    std::string document = SECOND_DOCUMENT;
    auto alive = std::make_shared<bool>(true);
    start_webview(WebViewSite{&preview, host, tabs, &document, alive});
    ASSERT_TRUE(preview.webview_starting);
    *alive = false;
    DestroyWindow(host);
    ClipboardFixture::pump(200);
    EXPECT_TRUE(preview.webview_starting);
    EXPECT_FALSE(preview.webview_failed);
    EXPECT_EQ(count_starting_with(journal(), "CreateCoreWebView2Controller"), 0u);
    EXPECT_TRUE(webview_events().empty());
    close_webview(preview);
}

}  // namespace
}  // namespace cw
