// Link and OLE object formats in the real main window: bytes that the platform's own moniker code
// writes, descriptors and browser formats set on the clipboard, and the name proposed for an
// embedded object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "compound_file_builder.h"
#include "le_writer.h"
#include "link_source_rows.h"
#include "main_window_fixture.h"
#include "process_driver.h"

namespace cw {
namespace {

using test::put_le;

using test::ClipboardFixture;
using test::MainWindowHarness;
using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::vector<std::string>>;

// What Windows writes for a link to a range of a workbook: a composite of a file moniker and an
// item moniker, serialised with its class identifier first.
Bytes workbook_range_link_source()
{
    ComPtr<IMoniker> file, item, composite;
    EXPECT_EQ(CreateFileMoniker(L"C:\\Data\\Budget.xlsx", file.put()), S_OK);
    EXPECT_EQ(CreateItemMoniker(L"!", L"Sheet1!R1C1:R3C2", item.put()), S_OK);
    EXPECT_EQ(CreateGenericComposite(file.get(), item.get(), composite.put()), S_OK);
    ComPtr<IPersistStream> persist;
    EXPECT_EQ(composite->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.put())), S_OK);
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    EXPECT_EQ(OleSaveToStream(persist.get(), stream.get()), S_OK);
    HGLOBAL memory = nullptr;
    EXPECT_EQ(GetHGlobalFromStream(stream.get(), &memory), S_OK);
    ULARGE_INTEGER size{};
    EXPECT_EQ(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size), S_OK);
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
    Bytes bytes(data, data + size.QuadPart);
    GlobalUnlock(memory);
    return bytes;
}

Bytes object_descriptor()
{
    Bytes b;
    put_le(b, 52, 4);
    put_le(b, 0x00020820, 4);  // Excel's worksheet class
    b.insert(b.end(), {0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46});
    for (std::uint32_t v : {1u, 2540u, 1270u, 0u, 0u, 0x20000u, 52u, 76u}) put_le(b, v, 4);
    const Bytes type = test::utf16_bytes_of(L"Excel Sheet"), source = test::utf16_bytes_of(L"Book1!R1C1");
    b.insert(b.end(), type.begin(), type.end());
    b.insert(b.end(), source.begin(), source.end());
    return b;
}

class OleObjectTest : public ::testing::Test {
protected:
    // Opens the advanced view and selects the format registered under `name`.
    void select(MainWindowHarness& w, const wchar_t* name)
    {
        if (!w.state().advanced_view) w.command(ID_VIEW_TOGGLE);
        ASSERT_TRUE(w.select_format(test::register_format(name))) << "format not listed";
    }

    Rows shown_rows(const MainWindowHarness& w)
    {
        EXPECT_TRUE(w.visible(MainControl::table_list));
        Rows rows;
        for (int r = 0; r < w.list_count(MainControl::table_list); ++r)
            rows.push_back({w.list_text(MainControl::table_list, r, 0), w.list_text(MainControl::table_list, r, 1)});
        return rows;
    }

    std::string shown(const MainWindowHarness& w, const std::string& property)
    {
        for (const auto& row : shown_rows(w))
            if (row[0] == property) return row[1];
        return "<no row " + property + ">";
    }

    ClipboardFixture clipboard;
};

TEST_F(OleObjectTest, LinkAndBrowserFormatsShowTheirTables)
{
    Bytes token;
    put_le(token, 20, 4);
    put_le(token, 0xFFFFFFFF, 4);
    for (std::uint8_t i = 0; i < 16; ++i) token.push_back(static_cast<std::uint8_t>(0xF0 + i));
    clipboard.set_flat({
        {test::register_format(L"Link Source"), workbook_range_link_source()},
        {test::register_format(L"Object Descriptor"), object_descriptor()},
        {test::register_format(L"UniformResourceLocatorW"), test::utf16_bytes_of(L"https://u@example.com:8443/a.PNG")},
        {test::register_format(L"Chromium internal source URL"), test::bytes_of("https://example.com/page")},
        {test::register_format(L"Chromium internal source RFH token"), token},
    });
    MainWindowHarness w;

    select(w, L"Link Source");
    EXPECT_EQ(shown_rows(w), test::workbook_range_link_rows());
    test::save_screenshot(w.window(), test::artifacts_folder() + L"\\ole\\link-source.png");

    select(w, L"Object Descriptor");
    EXPECT_EQ(shown(w, "Class ID"), "{00020820-0000-0000-C000-000000000046}");
    EXPECT_EQ(shown(w, "Full user type"), "Excel Sheet");
    EXPECT_EQ(shown(w, "Source of copy"), "Book1!R1C1");

    select(w, L"UniformResourceLocatorW");
    EXPECT_EQ(shown(w, "Host"), "example.com");
    EXPECT_EQ(shown(w, "Resource hint"), "Address points to a PNG image; this row is still a link, not PNG bytes.");
    EXPECT_EQ(w.text(MainControl::file_name_edit), "untitled.url");

    select(w, L"Chromium internal source URL");
    EXPECT_EQ(shown(w, "Meaning").rfind("Browser provenance: ", 0), 0u);
    EXPECT_EQ(shown(w, "Path"), "/page");

    select(w, L"Chromium internal source RFH token");
    EXPECT_EQ(shown(w, "Serialization"), "Recognized Chromium base::Pickle containing a GlobalRenderFrameHostToken");
    EXPECT_EQ(shown(w, "Child process ID"), "-1 (Chromium internal ID, not a Windows PID)");
    EXPECT_EQ(shown(w, "Local frame token"), "F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF");
    EXPECT_EQ(shown(w, "Caution"), "<no row Caution>");
}

TEST_F(OleObjectTest, EmbeddedObjectIsProposedAsWhatItHolds)
{
    const std::string psd = test::photoshop_document(5000);
    struct Case {
        const char* what;
        std::string container;
        std::string name;
        std::string interpretation;
    };
    const Case cases[] = {
        {"Photoshop document inside", test::build_compound_file({{u"CONTENTS", psd}}), "untitled.psd",
         "Adobe Photoshop document (PSD, signature confirmed)"},
        {"native contents", test::build_compound_file({{u"CONTENTS", std::string(4096, '\x11')}}), "untitled.ole",
         "Adobe Photoshop-native CONTENTS stream; no portable file signature at stream start"},
    };
    for (const Case& c : cases) {
        clipboard.set_flat({{test::register_format(L"Embed Source"), test::bytes_of(c.container, false)}});
        MainWindowHarness w;
        select(w, L"Embed Source");
        EXPECT_EQ(w.text(MainControl::file_name_edit), c.name) << c.what;
        EXPECT_EQ(w.text(MainControl::extension_label), c.name.substr(c.name.find('.'))) << c.what;
        EXPECT_EQ(shown(w, "CONTENTS interpretation"), c.interpretation) << c.what;
        test::save_screenshot(w.window(), test::artifacts_folder() + L"\\ole\\" + to_wide(c.name) + L".png");
        w.select_tab(MainControl::table_tabs, 1);
        EXPECT_NE(w.text(MainControl::table_source).find("COMPOUND-FILE ENTRIES\r\n"), std::string::npos) << c.what;
    }
}

}  // namespace
}  // namespace cw
