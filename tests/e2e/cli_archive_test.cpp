// clipwright-cli.exe under Wine with the whole clipboard: dump, empty, restore and compare; the
// same reports from the archive; watch printing the changes the test makes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "base/text_win.h"
#include "capture/clipboard_archive.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

using json = nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

class CliArchiveTest : public test::ProgramTest {
protected:
    test::ConsoleRun cli(const std::wstring& arguments)
    {
        return test::run_console(test::windows_path(CLIPWRIGHT_CLI_EXE), arguments, {{L"LOCALAPPDATA", app_data}});
    }
    std::wstring in_target(const std::wstring& name) const { return target + L"\\" + name; }
};

HENHMETAFILE small_enhanced_metafile()
{
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    Rectangle(dc, 0, 0, 20, 10);
    return CloseEnhMetaFile(dc);
}

Bytes small_dib()
{
    Bytes dib(40 + 2 * 8, 0x7F);  // 2 x 2, 24 bits, rows padded to 8 bytes
    const std::uint8_t header[16] = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    std::copy(std::begin(header), std::end(header), dib.begin());
    std::fill(dib.begin() + 16, dib.begin() + 40, 0);
    return dib;
}

ClipboardArchive read_archive(const std::wstring& path)
{
    const std::string text = test::read_text_file(path);
    const Bytes bytes(text.begin(), text.end());
    auto archive = read_clipboard_archive(bytes);
    EXPECT_TRUE(archive) << archive.error().message.value_or("");
    return archive ? std::move(*archive) : ClipboardArchive{};
}

const json* format_named(const json& listing, const std::string& name)
{
    for (const json& f : listing["formats"])
        if (f["name"] == name) return &f;
    return nullptr;
}

// The handle value a report shows differs from one process to the next.
std::string without_handle(std::string text)
{
    const std::size_t at = text.find("Data handle: 0x");
    if (at != std::string::npos) text.erase(at, text.find("\\n", at) - at);
    return text;
}

const ArchivedFormat* archived_named(const ClipboardArchive& archive, const std::string& name)
{
    for (const ArchivedFormat& f : archive.formats)
        if (f.name == name) return &f;
    return nullptr;
}

TEST_F(CliArchiveTest, DumpEmptyRestoreGivesTheSameClipboardBack)
{
    const std::string html =
        "Version:0.9\r\nStartHTML:0000000071\r\nEndHTML:0000000108\r\n\r\n\r\n\r\n"
        "<html><body><b>bold</b></body></html>";
    const UINT stream_only = test::register_format(L"Clipwright Archive Stream");
    auto* object = test::TestDataObject::create(
        {test::TestOffer{static_cast<CLIPFORMAT>(stream_only), TYMED_ISTREAM, DVASPECT_CONTENT, -1, false,
                         test::bytes_of("streamed bytes", false)}});
    clipboard.set_ole_catalogue(
        object, {{CF_UNICODETEXT, test::utf16_bytes_of(L"h\u00e9llo\r\nline 2")},
                 {test::register_format(L"HTML Format"), test::bytes_of(html)},
                 {test::register_format(L"PNG"), test::bytes_of("\x89PNG\r\n\x1a\n not decoded", false)},
                 {CF_DIB, small_dib()},
                 {CF_ENHMETAFILE, {}, false, small_enhanced_metafile()},
                 {test::register_format(L"Clipwright Archive Private"), test::bytes_of("private\x01\x02", false)}});
    object->Release();
    const std::vector<std::string> names{
        "CF_UNICODETEXT",           "HTML Format", "PNG", "CF_DIB", "CF_ENHMETAFILE", "Clipwright Archive Private",
        "Clipwright Archive Stream"};
    // What Windows makes from them is not stored, but --from makes it the same way.
    std::vector<std::string> shown_names = names;
    shown_names.insert(shown_names.end(), {"CF_TEXT", "CF_OEMTEXT", "CF_BITMAP"});
    const json before = json::parse(cli(L"list --json").out);
    std::map<std::string, test::ConsoleRun> shown;
    for (const std::string& name : shown_names) shown[name] = cli(L"show \"" + to_wide(name) + L"\" --json");

    const std::wstring archive = in_target(L"clipboard.zip");
    const DWORD sequence = GetClipboardSequenceNumber();
    const test::ConsoleRun dumped = cli(L"dump \"" + archive + L"\"");
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out, from_wide(archive) + "\n");
    EXPECT_EQ(dumped.err, "");
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
    EXPECT_EQ(cli(L"dump \"" + archive + L"\"").status, 5);  // never overwritten

    for (const std::string& name : shown_names) {
        const test::ConsoleRun from = cli(L"show \"" + to_wide(name) + L"\" --json --from \"" + archive + L"\"");
        EXPECT_EQ(from.status, shown[name].status) << name << from.err;
        EXPECT_EQ(without_handle(from.out), without_handle(shown[name].out)) << name;
    }

    clipboard.clear();
    const test::ConsoleRun empty = cli(L"save");
    EXPECT_EQ(empty.status, 4);
    EXPECT_EQ(empty.err, "clipwright-cli: The clipboard is empty.\n");

    const test::ConsoleRun restored = cli(L"restore \"" + archive + L"\"");
    ASSERT_EQ(restored.status, 0) << restored.err;
    const json after = json::parse(cli(L"list --json").out);
    const std::wstring again = in_target(L"again.zip");
    ASSERT_EQ(cli(L"dump \"" + again + L"\"").status, 0);
    const ClipboardArchive first = read_archive(archive), second = read_archive(again);
    for (const std::string& name : names) {
        const json* b = format_named(before, name);
        const json* a = format_named(after, name);
        ASSERT_TRUE(b && a) << name;
        if (!(*b)["global_size"].is_null()) EXPECT_EQ((*a)["global_size"], (*b)["global_size"]) << name;
        const ArchivedFormat* x = archived_named(first, name);
        const ArchivedFormat* y = archived_named(second, name);
        ASSERT_TRUE(x && y) << name;
        EXPECT_EQ(x->content, ArchiveContent::stored) << name << " " << x->error.value_or("");
        EXPECT_EQ(y->bytes, x->bytes) << name;
    }
}

TEST_F(CliArchiveTest, RestoreRefusesADamagedArchiveAndDumpABusyClipboard)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"kept")}});
    const std::wstring archive = in_target(L"clipboard.zip");
    ASSERT_EQ(cli(L"dump \"" + archive + L"\"").status, 0);
    std::string bytes = test::read_text_file(archive);
    bytes[bytes.find(std::string("k\0e\0p\0t", 7))] = 'K';  // stored, so the text is there as it was
    const std::wstring damaged = in_target(L"damaged.zip");
    std::ofstream(std::filesystem::path(damaged), std::ios::binary) << bytes;

    const DWORD sequence = GetClipboardSequenceNumber();
    const test::ConsoleRun refused = cli(L"restore \"" + damaged + L"\"");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "clipwright-cli: Cannot use the archive " + from_wide(damaged) +
                               ": The archive's member formats/1.bin is damaged: CRC error. (0x8007000D)\n");
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);

    test::HeldClipboard held;
    ASSERT_TRUE(held.holding());
    const test::ConsoleRun busy = cli(L"dump \"" + in_target(L"busy.zip") + L"\"");
    EXPECT_EQ(busy.status, 3);
    EXPECT_EQ(busy.err.rfind("clipwright-cli: Could not open the clipboard:\n", 0), 0u) << busy.err;
    EXPECT_EQ(test::folder_names(target), (std::vector<std::string>{"clipboard.zip", "damaged.zip"}));
}

TEST_F(CliArchiveTest, TheWindowShowsAnArchiveInsteadOfTheClipboard)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"archived text")},
                        {test::register_format(L"HTML Format"), test::bytes_of("<html><body>archived</body></html>")}});
    const std::wstring archive = in_target(L"user clipboard.zip");
    ASSERT_EQ(cli(L"dump \"" + archive + L"\"").status, 0);
    clipboard.set_flat({{test::register_format(L"Clipwright Live Only"), test::bytes_of("live")}});

    // The archive after --open is not the target folder: that stays the one --target names.
    test::RunningProgram program(test::windows_path(CLIPWRIGHT_EXE),
                                 L"--open \"" + archive + L"\" --target \"" + target + L"\"",
                                 {{L"LOCALAPPDATA", app_data}});
    HWND window = program.wait_for_window(L"ClipwrightClipboardViewer");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(test::window_text(window), "Clipwright - " + from_wide(archive));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, 1001)));  // Refresh
    HWND list = GetDlgItem(window, 1002);
    ASSERT_EQ(test::list_item_count(list), 2);
    EXPECT_EQ(test::remote_list_text(list, 0, 0), "HTML document");
    EXPECT_EQ(test::remote_list_text(list, 1, 0), "Plain text");
    test::save_screenshot(window, test::artifacts_folder() + L"\\e2e\\open-archive.png");
    EXPECT_EQ(program.close(window), 0);

    test::RunningProgram missing(test::windows_path(CLIPWRIGHT_EXE), L"--open \"" + in_target(L"none.zip") + L"\"",
                                 {{L"LOCALAPPDATA", app_data}});
    HWND box = missing.wait_for_window(L"#32770", 20000);
    ASSERT_NE(box, nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(missing.wait_for_exit(), 1);
}

TEST_F(CliArchiveTest, WatchPrintsOneLinePerChangeAndEndsWithItsReader)
{
    test::PipedProgram watch(test::windows_path(CLIPWRIGHT_CLI_EXE), L"watch --json");
    ASSERT_TRUE(watch.started());
    const HANDLE read_end = watch.output();
    test::ClipboardFixture::pump(1500);  // the listener is registered

    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"one")}});
    test::ClipboardFixture::pump(300);
    clipboard.set_flat({{test::register_format(L"Clipwright Watched"), test::bytes_of("two")}});
    std::string out;
    test::ClipboardFixture::pump_until(
        [&] {
            DWORD available = 0;
            if (PeekNamedPipe(read_end, nullptr, 0, nullptr, &available, nullptr) && available) {
                std::string chunk(available, '\0');
                DWORD got = 0;
                if (ReadFile(read_end, chunk.data(), available, &got, nullptr)) out.append(chunk, 0, got);
            }
            return std::count(out.begin(), out.end(), '\n') >= 2;
        },
        10000);
    watch.close_output();
    EXPECT_EQ(watch.wait_for_exit(10000), 0);  // ends by itself once its reader is gone

    std::vector<json> lines;
    for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(json::parse(out.substr(start, end - start)));
    ASSERT_EQ(lines.size(), 2u) << out;
    EXPECT_LT(lines[0]["sequence_number"].get<std::uint32_t>(), lines[1]["sequence_number"].get<std::uint32_t>());
    EXPECT_EQ(lines[0]["formats"].front(), "CF_UNICODETEXT");
    EXPECT_EQ(lines[1]["formats"], json::parse(R"(["Clipwright Watched"])"));
    EXPECT_TRUE(lines[1]["owner_process"].is_string());
}

}  // namespace
}  // namespace cw
