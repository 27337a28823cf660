// clipwright-cli.exe under Wine: list, show and save against a clipboard the test sets, read back
// through pipes, with the exit statuses scripts rely on.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "app/cli_output.h"
#include "base/text_win.h"
#include "corpus.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

using json = nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

class CliTest : public test::ProgramTest {
protected:
    // Runs the console program; no command may change the clipboard.
    test::ConsoleRun cli(const std::wstring& arguments, bool stdout_closed = false)
    {
        const DWORD sequence = GetClipboardSequenceNumber();
        test::ConsoleRun run = test::run_console(test::windows_path(CLIPWRIGHT_CLI_EXE), arguments,
                                                 {{L"LOCALAPPDATA", app_data}}, stdout_closed);
        EXPECT_EQ(GetClipboardSequenceNumber(), sequence) << from_wide(arguments);
        return run;
    }
    std::wstring in_target(const std::wstring& name) const { return target + L"\\" + name; }
};

const json* find_format(const json& listing, const std::string& name)
{
    for (const json& f : listing["formats"])
        if (f["name"] == name) return &f;
    return nullptr;
}

TEST_F(CliTest, ListJsonHoldsTheFixturesFormatsAndOffers)
{
    const UINT stream_only = test::register_format(L"Clipwright CLI Stream");
    auto* object = test::TestDataObject::create({
        test::TestOffer{CF_UNICODETEXT, TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false, test::utf16_bytes_of(L"hello")},
        test::TestOffer{static_cast<CLIPFORMAT>(stream_only), TYMED_ISTREAM, DVASPECT_CONTENT, 0, true,
                        test::bytes_of("stream")},
        test::TestOffer{static_cast<CLIPFORMAT>(stream_only), TYMED_ISTREAM, DVASPECT_THUMBNAIL, -1, false,
                        test::bytes_of("stream")},
    });
    clipboard.set_ole_catalogue(object, {{CF_UNICODETEXT, test::utf16_bytes_of(L"hello")}});
    object->Release();

    const test::ConsoleRun run = cli(L"list --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const json listing = json::parse(run.out);
    EXPECT_EQ(listing["sequence_number"], GetClipboardSequenceNumber());
    EXPECT_EQ(listing["ole_error"], nullptr);

    const json* text = find_format(listing, "CF_UNICODETEXT");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ((*text)["id"], 13);
    EXPECT_EQ((*text)["listed_by_win32"], true);
    EXPECT_EQ((*text)["global_size"], 12);  // "hello" and its terminator in UTF-16
    EXPECT_EQ((*text)["save"], json({{"kind", "text"}, {"label", "Plain text"}, {"extension", ".txt"}, {"row", 1}}));
    EXPECT_EQ((*text)["offers"], json::parse(R"([{"tymed": 1, "medium": "HGLOBAL", "aspect": 1,
        "aspect_text": "Content", "lindex": -1, "index": "All/default", "target_device": false}])"));

    const json* stream = find_format(listing, "Clipwright CLI Stream");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ((*stream)["id"], stream_only);
    EXPECT_EQ((*stream)["listed_by_win32"], false);
    EXPECT_EQ((*stream)["advertised_through"], "OLE only");
    EXPECT_EQ((*stream)["global_size"], nullptr);
    EXPECT_EQ((*stream)["offers"], json::parse(R"([
        {"tymed": 4, "medium": "IStream", "aspect": 1, "aspect_text": "Content", "lindex": 0, "index": "0",
         "target_device": true},
        {"tymed": 4, "medium": "IStream", "aspect": 2, "aspect_text": "Thumbnail", "lindex": -1,
         "index": "All/default", "target_device": false}])"));

    // The text form starts with the same summary line.
    const test::ConsoleRun text_run = cli(L"list");
    ASSERT_EQ(text_run.status, 0);
    EXPECT_EQ(text_run.out.substr(0, text_run.out.find('\n')), listing["summary"].get<std::string>());
}

TEST_F(CliTest, ShowPrintsTextTablesHtmlAndImages)
{
    const std::string html =
        "Version:0.9\r\nStartHTML:0000000071\r\nEndHTML:0000000108\r\n\r\n\r\n\r\n"
        "<html><body><b>bold</b></body></html>";
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"h\u00e9llo w\u00f6rld\r\nline 2")},
                        {test::register_format(L"HTML Format"), test::bytes_of(html)}});
    const test::ConsoleRun text = cli(L"show CF_UNICODETEXT");
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, "h\xC3\xA9llo w\xC3\xB6rld\nline 2\n");
    EXPECT_EQ(text.err, "");

    const test::ConsoleRun source = cli(L"show \"html format\"");
    EXPECT_EQ(source.status, 0);
    EXPECT_EQ(source.out, lf_line_ends(html) + "\n");
    const json page = json::parse(cli(L"show \"HTML Format\" --json").out);
    EXPECT_EQ(page["kind"], "html");
    EXPECT_NE(page["document"].get<std::string>().find("<b>bold</b>"), std::string::npos);

    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"name\tsize\r\nalpha\t1\r\nbeta\t22\r\n")}});
    const test::ConsoleRun table = cli(L"show #13");
    EXPECT_EQ(table.status, 0);
    EXPECT_EQ(table.out, "A\tB\nname\tsize\nalpha\t1\nbeta\t22\n");  // columns are named by letter
    const json grid = json::parse(cli(L"show #0x000D --json").out);
    EXPECT_EQ(grid["kind"], "table");
    EXPECT_EQ(grid["columns"], json::parse(R"(["A", "B"])"));
    EXPECT_EQ(grid["rows"], json::parse(R"([["name", "size"], ["alpha", "1"], ["beta", "22"]])"));
}

TEST_F(CliTest, ShowDecodesAPng)
{
    CW_REQUIRE_CORPUS();
    const Bytes png = test::read_file_bytes(test::corpus_dir() / "images" / "pngsuite" / "basn6a08.png");
    clipboard.set_flat({{test::register_format(L"PNG"), png}});
    const test::ConsoleRun image = cli(L"show 1");
    EXPECT_EQ(image.status, 0) << image.err;
    EXPECT_EQ(image.out, "Image 32 x 32\n");
    const json decoded = json::parse(cli(L"show PNG --json").out);
    EXPECT_EQ(decoded["width"], 32);
    EXPECT_EQ(decoded["height"], 32);
}

TEST_F(CliTest, SaveNeverOverwritesAndPrintsThePath)
{
    const Bytes png = test::bytes_of("\x89PNG\r\n\x1a\n not decoded when saved", false);
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"caf\u00e9")}, {test::register_format(L"PNG"), png}});
    const std::wstring in = L"--in \"" + target + L"\"";

    const test::ConsoleRun first = cli(L"save " + in);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, from_wide(in_target(L"untitled.png")) + "\n");
    EXPECT_EQ(test::read_text_file(in_target(L"untitled.png")), std::string(png.begin(), png.end()));
    EXPECT_EQ(cli(L"save " + in).out, from_wide(in_target(L"untitled_1.png")) + "\n");

    const test::ConsoleRun text = cli(L"save --as txt " + in);
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(test::read_text_file(in_target(L"untitled.txt")), "caf\xC3\xA9");

    const std::wstring to = L"--to \"" + in_target(L"notes") + L"\"";
    EXPECT_EQ(cli(L"save CF_UNICODETEXT " + to).out, from_wide(in_target(L"notes.txt")) + "\n");
    EXPECT_EQ(cli(L"save CF_UNICODETEXT " + to).out, from_wide(in_target(L"notes_1.txt")) + "\n");

    EXPECT_EQ(test::folder_names(target),
              (std::vector<std::string>{"notes.txt", "notes_1.txt", "untitled.png", "untitled.txt", "untitled_1.png"}));
    std::size_t saves = 0;
    for (const std::string& e : logged_events()) saves += e == "save result=success";
    EXPECT_EQ(saves, 5u);
}

TEST_F(CliTest, ExitStatusesAndQuietEndings)
{
    const UINT delayed = test::register_format(L"Clipwright CLI Delayed");
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}, {delayed, {}, true}});

    const test::ConsoleRun usage = cli(L"list --bogus");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_EQ(usage.err.rfind("clipwright-cli: Unknown option: --bogus\n\nUsage:\n", 0), 0u) << usage.err;
    EXPECT_EQ(cli(L"save --in").status, 2);

    const test::ConsoleRun missing = cli(L"show \"No Such Format\"");
    EXPECT_EQ(missing.status, 4);
    EXPECT_EQ(missing.err, "clipwright-cli: No advertised clipboard format matches \"No Such Format\".\n");
    EXPECT_EQ(cli(L"save --as wav").status, 4);

    const test::ConsoleRun unavailable = cli(L"show \"Clipwright CLI Delayed\"");
    EXPECT_EQ(unavailable.status, 4);
    EXPECT_EQ(unavailable.out, "");
    EXPECT_EQ(unavailable.err.rfind("The format is advertised, but the flat Win32 clipboard API could not provide "
                                    "its data.\n\nADVERTISEMENT\n",
                                    0),
              0u)
        << unavailable.err;

    const test::ConsoleRun refused = cli(L"save --in \"" + in_target(L"no such folder") + L"\"");
    EXPECT_EQ(refused.status, 5);
    EXPECT_EQ(refused.err, "clipwright-cli: The destination folder is not available:\n" +
                               from_wide(in_target(L"no such folder")) + "\n");

    const test::ConsoleRun closed = cli(L"list", true);
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(closed.err, "");

    test::HeldClipboard held;
    ASSERT_TRUE(held.holding());
    const test::ConsoleRun busy = cli(L"list --json");
    EXPECT_EQ(busy.status, 3);
    EXPECT_EQ(busy.out, "");
    EXPECT_EQ(busy.err.rfind("clipwright-cli: Could not open the clipboard:\n", 0), 0u) << busy.err;
}

}  // namespace
}  // namespace cw
