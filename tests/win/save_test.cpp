// "&Save and Close" in the real main window, with clipboard content the tests set themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "app/save_selected_win.h"
#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "capture/snapshot_win.h"
#include "clipboard_fixture.h"
#include "compound_file_builder.h"
#include "main_window_fixture.h"
#include "process_driver.h"
#include "save/conversion.h"
#include "save/file_name.h"
#include "save/publish.h"
#include "save/publish_win.h"
#include "save/save_command_win.h"
#include "save/save_messages.h"

namespace cw {
namespace {

using test::ClipboardFixture;
using test::folder_names;
using test::MainWindowHarness;
using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

// A bottom-up 24-bit DIB of 2 x 2 pixels with a 40-byte header.
Bytes small_dib()
{
    Bytes dib(40 + 16, 0);
    const std::uint8_t header[] = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    std::copy(std::begin(header), std::end(header), dib.begin());
    for (std::size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<std::uint8_t>(i);
    return dib;
}

struct Box {
    std::string caption;
    std::string text;
};

class SaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_box = set_save_failure_box([this](HWND owner, std::string_view caption, std::string_view text) {
            EXPECT_TRUE(IsWindow(owner));
            boxes.push_back({std::string(caption), std::string(text)});
        });
        app_data = test::make_temp_folder(L"clipwright-save-log");
        SetEnvironmentVariableW(L"LOCALAPPDATA", app_data.c_str());
        folder = test::make_temp_folder(L"clipwright-save");
    }
    void TearDown() override
    {
        set_save_failure_box(std::move(previous_box));
        set_before_rename_hook({});
        test::remove_tree(folder);
        test::remove_tree(app_data);
    }

    std::unique_ptr<MainWindowHarness> open_window() { return std::make_unique<MainWindowHarness>(true, folder); }

    // Selects a format by its id from the advanced view, as a click on its row does.
    static void select_format(MainWindowHarness& w, UINT id)
    {
        if (!w.state().advanced_view) w.command(ID_VIEW_TOGGLE);
        ASSERT_TRUE(w.select_format(id)) << "format " << id << " is not listed";
    }

    static void type_name(MainWindowHarness& w, const std::string& name)
    {
        set_window_text(w.control(MainControl::file_name_edit), name);
    }

    // Presses the button; the clipboard must be left as it was, and closed.
    void save(MainWindowHarness& w)
    {
        const DWORD sequence = GetClipboardSequenceNumber();
        w.command(ID_SAVE);
        EXPECT_EQ(GetClipboardSequenceNumber(), sequence) << "a save changed the clipboard";
        EXPECT_EQ(GetOpenClipboardWindow(), nullptr) << "a save left the clipboard open";
    }

    std::string last_log_line() const
    {
        const auto lines = test::read_lines(app_data + L"\\Tindrel\\Clipwright\\Logs\\clipwright.log");
        return lines.empty() ? std::string() : lines.back().substr(lines.back().find(' ') + 1);
    }

    void expect_saved(MainWindowHarness& w, const std::string& name, const std::string& bytes, const char* what)
    {
        EXPECT_TRUE(boxes.empty()) << what << ": " << (boxes.empty() ? "" : boxes.back().text);
        EXPECT_FALSE(IsWindow(w.window())) << what;
        EXPECT_EQ(folder_names(folder), std::vector<std::string>{name}) << what;
        EXPECT_TRUE(test::read_text_file(folder + L"\\" + to_wide(name)) == bytes) << what;
        EXPECT_EQ(last_log_line(), "save result=success") << what;
    }

    void expect_refused(MainWindowHarness& w, const std::string& message, const char* what,
                        const std::vector<std::string>& files = {})
    {
        ASSERT_EQ(boxes.size(), 1u) << what;
        EXPECT_EQ(boxes[0].caption, "Clipwright - Save failed") << what;
        EXPECT_EQ(boxes[0].text, message) << what;
        EXPECT_TRUE(IsWindow(w.window())) << what;
        EXPECT_EQ(folder_names(folder), files) << what;
        EXPECT_EQ(last_log_line(), "save result=failure") << what;
        boxes.clear();
    }

    ClipboardFixture clipboard;
    std::vector<Box> boxes;
    SaveFailureBox previous_box;
    std::wstring app_data, folder;
};

TEST_F(SaveTest, WritesTheConvertedRepresentationAndCloses)
{
    const Bytes dib = small_dib();
    const std::string psd = test::photoshop_document(5000);
    const std::string container_with_psd = test::build_compound_file({{u"CONTENTS", psd}});
    const std::string other_container = test::build_compound_file({{u"Package", std::string(4096, 'k')}});
    const std::string html =
        "Version:0.9\r\nStartHTML:0000000071\r\nEndHTML:0000000110\r\n\r\n\r\n\r\n"
        "<html><body><b>hi</b></body></html><!--EndFragment-->";
    struct Case {
        const char* what;
        UINT id;
        Bytes bytes;
        std::string typed;  // empty: the proposed name
        std::string file;
        std::string expected;
    };
    const Case cases[] = {
        {"Unicode text becomes UTF-8", CF_UNICODETEXT, Bytes{'h', 0, 0xE9, 0, 'l', 0, 'l', 0, 'o', 0, 0, 0, 'x', 0}, "",
         "untitled.txt", "h\xC3\xA9llo"},
        {"ANSI text up to its zero", CF_TEXT, bytes_of(std::string("caf\xE9\0junk", 9)), "", "untitled.txt", "caf\xE9"},
        {"HTML from StartHTML", test::register_format(L"HTML Format"), test::bytes_of(html), "", "untitled.html",
         html.substr(71)},
        {"URL as a shortcut", test::register_format(L"UniformResourceLocatorW"),
         test::utf16_bytes_of(L"https://example.com/a"), "", "untitled.url",
         "[InternetShortcut]\r\nURL=https://example.com/a\r\n"},
        {"DIB as a BMP file", CF_DIB, dib, "", "untitled.bmp",
         std::string("BM\x46\0\0\0\0\0\0\0\x36\0\0\0", 14) + std::string(dib.begin(), dib.end())},
        {"private bytes unchanged", test::register_format(L"Clipwright Private Payload"), Bytes{1, 0, 2, 0, 3},
         "payload", "payload.bin", std::string("\1\0\2\0\3", 5)},
        {"typed extension wins", CF_UNICODETEXT, test::utf16_bytes_of(L"notes"), "  notes.md  ", "notes.md", "notes"},
        {"Photoshop document out of its container", test::register_format(L"Embed Source"),
         bytes_of(container_with_psd), "picture", "picture.psd", psd},
        {"other container kept whole", test::register_format(L"Native"), bytes_of(other_container), "object",
         "object.ole", other_container},
        {"Photoshop document saved as proposed", test::register_format(L"Native"), bytes_of(container_with_psd), "",
         "untitled.psd", psd},
        {"other container saved as proposed", test::register_format(L"Embed Source"), bytes_of(other_container), "",
         "untitled.ole", other_container},
    };
    for (const Case& c : cases) {
        clipboard.set_flat({{c.id, c.bytes}});
        auto w = open_window();
        select_format(*w, c.id);
        if (!c.typed.empty()) type_name(*w, c.typed);
        save(*w);
        expect_saved(*w, c.file, c.expected, c.what);
        w.reset();
        test::remove_tree(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
    }
}

TEST_F(SaveTest, ReadsAStreamOnlyFormatThroughOle)
{
    const std::string psd = test::photoshop_document(6000);
    struct Case {
        const char* what;
        const wchar_t* format;
        std::string bytes;
        std::string file;
        std::string expected;
    };
    const Case cases[] = {
        {"bytes as they came", L"Clipwright Stream Payload", std::string("\0stream\0", 8), "untitled.bin",
         std::string("\0stream\0", 8)},
        {"embedded Photoshop document", L"Embed Source", test::build_compound_file({{u"CONTENTS", psd}}),
         "untitled.psd", psd},
        {"embedded object without one", L"Embed Source", test::build_compound_file({{u"CONTENTS", psd.substr(4)}}),
         "untitled.ole", test::build_compound_file({{u"CONTENTS", psd.substr(4)}})},
    };
    for (const Case& c : cases) {
        test::TestOffer offer;
        offer.cf = static_cast<CLIPFORMAT>(test::register_format(c.format));
        offer.tymed = TYMED_ISTREAM;
        offer.bytes = bytes_of(c.bytes);
        auto* object = test::TestDataObject::create({offer});
        // Wine's own OLE clipboard would render the stream into global memory first; through the
        // catalogue, GetData reaches the object itself, as another program's object is reached.
        clipboard.set_ole_catalogue(object, {});
        {
            auto w = open_window();
            select_format(*w, offer.cf);
            save(*w);
            expect_saved(*w, c.file, c.expected, c.what);
        }
        OleSetClipboard(nullptr);
        object->Release();
        test::remove_tree(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
    }
}

TEST_F(SaveTest, RefusalsShowOneBoxAndLeaveEverythingAsItWas)
{
    const UINT never_rendered = test::register_format(L"Clipwright Never Rendered");
    Bytes oversized_header(100, 0);  // a 124-byte header in 100 bytes
    oversized_header[0] = 124;
    oversized_header[14] = 24;
    struct Case {
        const char* what;
        std::vector<test::FlatFormat> flat;
        UINT select;  // 0: keep the first row of the simple view
        std::function<void(MainWindowHarness&)> before_save;
        std::string message;
        bool prefix_only = false;
    };
    const Case cases[] = {
        {"nothing selected",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}},
         0,
         [](MainWindowHarness& w) { w.state().selected_format.reset(); },
         std::string(NOTHING_SELECTED)},
        {"selection beyond the snapshot",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}},
         0,
         [](MainWindowHarness& w) { w.state().selected_format = w.state().snapshot.entries.size(); },
         std::string(SELECTION_GONE)},
        {"clipboard changed",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}},
         0,
         [this](MainWindowHarness&) {
             clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"y")}});
         },
         std::string(CLIPBOARD_CHANGED_BEFORE_SAVE)},
        {"forbidden character",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}},
         0,
         [](MainWindowHarness& w) { type_name(w, "a?b"); },
         std::string(FILE_NAME_UNUSABLE)},
        {"device name",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}},
         0,
         [](MainWindowHarness& w) { type_name(w, "Con.txt"); },
         std::string(FILE_NAME_UNUSABLE)},
        {"blank name",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}},
         0,
         [](MainWindowHarness& w) { type_name(w, " \t "); },
         std::string(FILE_NAME_EMPTY)},
        {"DIB header claims more than its bytes",
         {{CF_DIB, oversized_header}},
         CF_DIB,
         {},
         std::string(DIB_HEADER_INVALID)},
        {"never rendered",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}, {never_rendered, {}, true}},
         never_rendered,
         {},
         representation_unavailable_message(""),
         true},
        {"clipboard held by another program",
         {{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}},
         0,
         {},
         open_clipboard_failed_message(""),
         true},
    };
    for (const Case& c : cases) {
        clipboard.set_flat(c.flat);
        auto w = open_window();
        if (c.select) select_format(*w, c.select);
        if (c.before_save) c.before_save(*w);
        std::unique_ptr<test::HeldClipboard> held;
        if (std::string_view(c.what) == "clipboard held by another program") {
            held = std::make_unique<test::HeldClipboard>();
            ASSERT_TRUE(held->holding());
            const DWORD sequence = GetClipboardSequenceNumber();
            w->command(ID_SAVE);
            EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
            held.reset();
        } else {
            save(*w);
        }
        if (c.prefix_only) {
            ASSERT_EQ(boxes.size(), 1u) << c.what;
            EXPECT_EQ(boxes[0].text.rfind(c.message, 0), 0u) << c.what << ": " << boxes[0].text;
            EXPECT_GT(boxes[0].text.size(), c.message.size()) << c.what;
            boxes[0].text = c.message;
        }
        expect_refused(*w, c.message, c.what);
    }
}

TEST_F(SaveTest, DestinationFolderDeletedAfterStartUp)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}});
    auto w = open_window();
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    save(*w);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The destination folder is not available:\r\n" + from_wide(folder));
    EXPECT_TRUE(IsWindow(w->window()));
    EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SaveTest, StreamFailuresAreTheProvidersAndNothingIsWritten)
{
    struct Case {
        const char* what;
        test::GetDataBehaviour behaviour;
        std::uint64_t size;
        std::uint64_t fault_at;
        std::string message;
    };
    const Case cases[] = {
        {"provider refuses", test::GetDataBehaviour::Fail, 0, 0,
         ole_stream_failed_message(error_display(Error{DV_E_FORMATETC, std::nullopt}))},
        {"stream ends early with an error", test::GetDataBehaviour::Normal, 1 << 20, 300000,
         ole_stream_failed_message(error_display(Error{STG_E_READFAULT, std::nullopt}))},
        {"stream longer than 64 MiB", test::GetDataBehaviour::Normal, STREAM_SAFE_SAVE_LIMIT_BYTES + 1, 0,
         std::string(OLE_STREAM_TOO_LARGE)},
    };
    for (const Case& c : cases) {
        test::TestOffer offer;
        offer.cf = static_cast<CLIPFORMAT>(test::register_format(L"Clipwright Stream Payload"));
        offer.tymed = TYMED_ISTREAM;
        offer.behaviour = c.behaviour;
        offer.synthetic_stream_size = c.size;
        offer.stream_fault_at = c.fault_at;
        auto* object = test::TestDataObject::create({offer});
        // Wine's own OLE clipboard would render the stream into global memory first; through the
        // catalogue, GetData reaches the object itself, as another program's object is reached.
        clipboard.set_ole_catalogue(object, {});
        {
            auto w = open_window();
            w->command(ID_VIEW_TOGGLE);
            // Selected without a preview: the report would read the same stream once more.
            for (std::size_t i = 0; i < w->state().snapshot.entries.size(); ++i)
                if (w->state().snapshot.entries[i].id == offer.cf) w->state().selected_format = i;
            type_name(*w, "stream");
            save(*w);
            expect_refused(*w, c.message, c.what);
        }
        OleSetClipboard(nullptr);
        object->Release();
    }
}

TEST_F(SaveTest, NameTakenBeforeTheRenameIsNeverOverwritten)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"mine")}});
    auto w = open_window();
    set_before_rename_hook([](const std::wstring&, const std::wstring& destination) {
        ASSERT_EQ(test::run_to_exit(L"cmd.exe /c echo theirs>\"" + destination + L"\""), 0);
    });
    save(*w);
    expect_refused(*w, std::string(DESTINATION_TAKEN), "taken", {"untitled.txt"});
    EXPECT_EQ(test::read_text_file(folder + L"\\untitled.txt"), "theirs\r\n");

    // Pressed again, the save takes the next numbered name.
    set_before_rename_hook({});
    save(*w);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(folder_names(folder), (std::vector<std::string>{"untitled.txt", "untitled_1.txt"}));
    EXPECT_EQ(test::read_text_file(folder + L"\\untitled_1.txt"), "mine");
}

TEST_F(SaveTest, LargeBlockInManySmallChunksIsSavedByteForByte)
{
    constexpr std::size_t SIZE = 64 * 1024 * 1024;
    // An odd chunk size cuts UTF-16 units and surrogate pairs at every possible place.
    const std::size_t previous_chunk_size = set_save_chunk_size(64 * 1024 + 1);
    Bytes raw(SIZE);
    for (std::size_t i = 0; i < SIZE; ++i) raw[i] = static_cast<std::uint8_t>((i * 131 + i / 4093) & 0xFF);
    Bytes dib = raw;  // a 40-byte header of 32-bit pixels in front of the pattern
    const std::uint8_t header[] = {40, 0, 0, 0, 0, 4, 0, 0, 0xFC, 0x0F, 0, 0, 1, 0, 32, 0};
    std::copy(std::begin(header), std::end(header), dib.begin());
    std::fill(dib.begin() + 16, dib.begin() + 40, 0);
    const std::string sample = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n";  // 1 to 4 bytes per character
    const std::u16string sample16 = utf8_to_utf16(sample);
    Bytes text;
    std::string text_file;
    while (text.size() + 2 * sample16.size() <= SIZE - 8) {
        for (const char16_t unit : sample16) text.insert(text.end(), {std::uint8_t(unit), std::uint8_t(unit >> 8)});
        text_file += sample;
    }
    text.insert(text.end(), {0, 0, 'j', 0, 'u', 0, 'n', 0});
    struct Case {
        const char* what;
        UINT id;
        const Bytes& bytes;
        std::string file;
        std::string expected;
    };
    const Case cases[] = {
        {"raw bytes", test::register_format(L"Clipwright Large Payload"), raw, "untitled.bin",
         std::string(raw.begin(), raw.end())},
        {"DIB as BMP", CF_DIB, dib, "untitled.bmp",
         std::string("BM\x0E\0\0\x04\0\0\0\0\x36\0\0\0", 14) + std::string(dib.begin(), dib.end())},
        {"UTF-16 as UTF-8", CF_UNICODETEXT, text, "untitled.txt", text_file},
    };
    // Straight through the save command: the window's previews would read the whole block first.
    UniqueWindow owner(
        CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    for (const Case& c : cases) {
        clipboard.set_flat({{c.id, c.bytes}});
        auto snapshot = capture_clipboard(owner.get());
        ASSERT_TRUE(snapshot.ok()) << c.what;
        const auto entry = std::find_if(snapshot->entries.begin(), snapshot->entries.end(),
                                        [&c](const FormatEntry& e) { return e.id == c.id; });
        const std::u16string target(folder.begin(), folder.end());
        const auto saved = save_representation(
            owner.get(), {target, &*snapshot, std::size_t(entry - snapshot->entries.begin()), "untitled"});
        ASSERT_TRUE(saved.ok()) << c.what << ": " << saved.error().message.value_or("");
        EXPECT_EQ(GetOpenClipboardWindow(), nullptr) << c.what;
        EXPECT_EQ(folder_names(folder), std::vector<std::string>{c.file}) << c.what;
        EXPECT_TRUE(test::read_text_file(folder + L"\\" + to_wide(c.file)) == c.expected) << c.what;
        DeleteFileW(saved->c_str());
    }
    set_save_chunk_size(previous_chunk_size);
}

TEST_F(SaveTest, BlockBeyondTheLimitIsRefused)
{
    const UINT big = test::register_format(L"Clipwright Large Block");
    clipboard.set_flat({{big, Bytes(SAFE_SAVE_LIMIT_BYTES + 1, 0x5A)}});
    auto w = open_window();
    select_format(*w, big);
    save(*w);
    expect_refused(*w, "This representation is 268435457 bytes and exceeds the 256 MiB safe-save limit.", "large");
}

}  // namespace
}  // namespace cw
