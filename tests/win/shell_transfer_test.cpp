// Shell transfers on the real clipboard: a drop list naming files the test made, a virtual-file
// manifest with its FileContents streams, a Shell IDList Array built by the Shell itself, and a
// Photoshop-style copy with an embedded compound file.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/main_controls.h"
#include "base/text_win.h"
#include "capture/snapshot_win.h"
#include "clipboard_fixture.h"
#include "compound_file_builder.h"
#include "inspect/dispatcher_win.h"
#include "inspect/file_lists.h"
#include "inspect/logical_object_win.h"
#include "inspect/signatures.h"
#include "main_window_fixture.h"

namespace cw {
namespace {

using test::ClipboardFixture;
using test::TestDataObject;
using test::TestOffer;
using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::vector<std::string>>;

const std::string PNG_BYTES("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x06\0\0\0", 29);

void write_file(const std::wstring& path, const std::string& bytes)
{
    std::ofstream(std::filesystem::path(path), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class ShellTransferTest : public ::testing::Test {
protected:
    void SetUp() override { folder = test::make_temp_folder(L"clipwright-shell"); }
    void TearDown() override
    {
        if (object) object->Release();
        test::remove_tree(folder);
    }
    ClipboardSnapshot snapshot()
    {
        Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
        EXPECT_TRUE(s.ok());
        return s.ok() ? std::move(s).value() : ClipboardSnapshot{};
    }
    DetailReport report_of(UINT id)
    {
        const ClipboardSnapshot s = snapshot();
        for (const FormatEntry& e : s.entries)
            if (e.id == id) return build_detail_report(clipboard.owner(), e);
        ADD_FAILURE() << "format " << id << " not in the snapshot";
        return {};
    }
    std::string grouping()
    {
        const ClipboardSnapshot s = snapshot();
        return logical_grouping_text(clipboard.owner(), s);
    }

    ClipboardFixture clipboard;
    std::wstring folder;
    TestDataObject* object = nullptr;
    const UINT drop_effect = test::register_format(L"Preferred DropEffect");
};

TEST_F(ShellTransferTest, DropListRowsAndTheLogicalObject)
{
    write_file(folder + L"\\notes.txt", "0123456789");
    write_file(folder + L"\\pic.png", PNG_BYTES);
    CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
    write_file(folder + L"\\gone.txt", "x");
    DeleteFileW((folder + L"\\gone.txt").c_str());
    clipboard.set_flat({
        {CF_HDROP, test::dropfiles_of({folder + L"\\notes.txt", folder + L"\\pic.png", folder + L"\\sub", folder + L"\\gone.txt",
                              L"\\\\.\\PhysicalDrive0"})},
        {drop_effect, Bytes{5, 0, 0, 0}},
    });

    const DetailReport report = report_of(CF_HDROP);
    ASSERT_EQ(report.kind(), DetailReportKind::Table);
    const std::string where = from_wide(folder);
    EXPECT_EQ(report.as<TableContent>().table.rows,
              (Rows{{"1", "notes.txt", "File", "10 (10 B)", NO_SIGNATURE_LABEL, where, "Available"},
                    {"2", "pic.png", "File", "29 (29 B)", "PNG image (signature confirmed)", where, "Available"},
                    {"3", "sub", "Folder", "", "", where, "Available"},
                    {"4", "gone.txt", "Unknown", "", "", where, "Unavailable"},
                    {"5", "", "Unknown", "", "", "", "Unavailable"}}));
    EXPECT_EQ(report.as<TableContent>().table.table_caption, "Items");

    const std::string text = grouping();
    EXPECT_NE(text.find("Type       : Explorer item transfer\r\nItems      : 5\r\nFiles      : 2\r\nFolders    : 1\r\n"
                        "Unavailable: 2\r\nOperation  : Copy + Link\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(where + "\\pic.png\r\n  Kind      : File\r\n  Extension : .png\r\n  Size      : 29 bytes (29 B)\r\n"),
              std::string::npos);

    // The advanced view shows the object before any format is selected.
    test::MainWindowHarness w;
    w.command(ID_VIEW_TOGGLE);
    EXPECT_EQ(w.text(MainControl::report_view), text);
}

TEST_F(ShellTransferTest, AListThatRunsPastItsBlockIsNotWalked)
{
    Bytes open_ended = test::dropfiles_of({folder + L"\\a.txt"});
    open_ended.resize(open_ended.size() - 4);  // neither the entry's nor the list's terminator
    clipboard.set_flat({{CF_HDROP, open_ended}});
    const DetailReport refused = report_of(CF_HDROP);
    ASSERT_EQ(refused.kind(), DetailReportKind::Unavailable);
    EXPECT_EQ(refused.as<UnavailableContent>().error.message.value_or(""),
              "The file list does not end inside its memory block, so it was not read.");
    EXPECT_EQ(grouping(), "");
}

// A file system that answers every question at once, except that the first waits until `opened`
// is set: the other process can only get the clipboard then if the recogniser has closed it.
class WaitingProbe final : public FileProbe {
public:
    explicit WaitingProbe(HANDLE opened) : opened_(opened) {}
    PathMetadata metadata(std::string_view, bool) const override
    {
        if (first_wait == WAIT_FAILED) first_wait = WaitForSingleObject(opened_, 10000);
        return PathMetadata{true, PathKind::DiskFile, 1, {}, 0};
    }
    std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view, std::size_t) const override { return {}; }
    mutable DWORD first_wait = WAIT_FAILED;

private:
    HANDLE opened_;
};

TEST_F(ShellTransferTest, TheClipboardIsFreeAgainWhileTenThousandPathsAreExamined)
{
    std::vector<std::wstring> paths;
    for (int i = 0; i < 10000; ++i) paths.push_back(folder + L"\\item-" + std::to_wstring(i) + L".txt");
    clipboard.set_flat({{CF_HDROP, test::dropfiles_of(paths)}});
    const ClipboardSnapshot s = snapshot();
    test::ClipboardReopener other;
    const WaitingProbe probe(other.opened());
    other.start();
    const std::string text = logical_grouping_text(clipboard.owner(), s, probe);
    EXPECT_EQ(probe.first_wait, static_cast<DWORD>(WAIT_OBJECT_0));
    const long ms = other.milliseconds();
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 100);
    EXPECT_NE(text.find("Items      : 10000\r\nExamined the first 5,000 of 10,000 items.\r\n"
                        "Files      : 5000 (examined items only)\r\n"),
              std::string::npos)
        << text.substr(0, 400);
}

// One FILEDESCRIPTORW with a name and, when given, a size.
Bytes descriptor(const std::wstring& name, std::optional<std::uint32_t> size)
{
    FILEDESCRIPTORW d{};
    d.dwFlags = FD_ATTRIBUTES | (size ? FD_FILESIZE : 0);
    d.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    d.nFileSizeLow = size.value_or(0);
    wcsncpy(d.cFileName, name.c_str(), MAX_PATH - 1);
    const auto* p = reinterpret_cast<const std::uint8_t*>(&d);
    return Bytes(p, p + sizeof d);
}

TEST_F(ShellTransferTest, VirtualFilesThroughOleWithTheirIndexes)
{
    const auto group = static_cast<CLIPFORMAT>(test::register_format(L"FileGroupDescriptorW"));
    const auto contents = static_cast<CLIPFORMAT>(test::register_format(L"FileContents"));
    Bytes manifest{2, 0, 0, 0};
    for (const Bytes& d : {descriptor(L"r\u00e9sum\u00e9.txt", 5), descriptor(L"logo.png", std::nullopt)})
        manifest.insert(manifest.end(), d.begin(), d.end());
    ASSERT_EQ(manifest.size(), 4u + 2 * 592);
    object = TestDataObject::create({
        TestOffer{group, TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false, manifest},
        TestOffer{contents, TYMED_ISTREAM, DVASPECT_CONTENT, 0, false, test::bytes_of("hello", false)},
        TestOffer{contents, TYMED_ISTREAM, DVASPECT_CONTENT, 1, false, Bytes(PNG_BYTES.begin(), PNG_BYTES.end())},
    });
    clipboard.set_ole(object);

    const DetailReport table = report_of(group);
    ASSERT_EQ(table.kind(), DetailReportKind::Table);
    EXPECT_EQ(table.as<TableContent>().table.table_caption, "Virtual file manifest");
    EXPECT_EQ(
        table.as<TableContent>().table.rows,
        (Rows{{"1", "r\xC3\xA9sum\xC3\xA9.txt", "5 (5 B)", "Archive (0x00000020)", "Not advertised", "Not advertised"},
              {"2", "logo.png", "Not advertised", "Archive (0x00000020)", "Not advertised", "Not advertised"}}));

    // The FileContents entry keeps both indexes; its report reads the first stream.
    const ClipboardSnapshot s = snapshot();
    const FormatEntry* entry = nullptr;
    for (const FormatEntry& e : s.entries)
        if (e.id == contents) entry = &e;
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->offers.size(), 2u);
    EXPECT_EQ(entry->offers[0].lindex, 0);
    EXPECT_EQ(entry->offers[1].lindex, 1);
    const DetailReport stream = build_detail_report(clipboard.owner(), *entry);
    ASSERT_EQ(stream.kind(), DetailReportKind::Table);
    EXPECT_EQ(stream.as<TableContent>().table.rows[1][1], "5 (5 B)");
}

// A CIDA: the count, the offsets, then the ITEMIDLISTs.
Bytes cida(const std::vector<Bytes>& lists)
{
    Bytes b(4 * (lists.size() + 1), 0);
    const std::uint32_t count = static_cast<std::uint32_t>(lists.size() - 1);
    std::memcpy(b.data(), &count, 4);
    for (std::size_t i = 0; i < lists.size(); ++i) {
        const auto offset = static_cast<std::uint32_t>(b.size());
        std::memcpy(b.data() + 4 + 4 * i, &offset, 4);
        b.insert(b.end(), lists[i].begin(), lists[i].end());
    }
    return b;
}

Bytes pidl_bytes(PCUIDLIST_RELATIVE pidl)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(pidl);
    return Bytes(p, p + ILGetSize(pidl));
}

TEST_F(ShellTransferTest, ShellIdListArrayFromTheShellAndCraftedOnes)
{
    write_file(folder + L"\\item.txt", "abc");
    PIDLIST_ABSOLUTE absolute = nullptr;
    ASSERT_EQ(SHParseDisplayName((folder + L"\\item.txt").c_str(), nullptr, &absolute, 0, nullptr), S_OK);
    PIDLIST_ABSOLUTE parent = ILClone(absolute);
    ASSERT_TRUE(ILRemoveLastID(parent));
    std::size_t parent_components = 0;
    for (PCUIDLIST_RELATIVE p = parent; p->mkid.cb != 0; p = ILNext(p)) ++parent_components;
    const Bytes parent_list = pidl_bytes(parent);
    const Bytes item_list = pidl_bytes(ILFindLastID(absolute));
    ILFree(parent);
    ILFree(absolute);

    const UINT cida_format = test::register_format(L"Shell IDList Array");
    const Bytes broken{0xFF, 0x7F, 'x'};  // a component claiming far more than the block holds
    clipboard.set_flat({{cida_format, cida({parent_list, item_list, Bytes{0, 0}, broken})}});
    const DetailReport report = report_of(cida_format);
    ASSERT_EQ(report.kind(), DetailReportKind::Table);
    const Rows& rows = report.as<TableContent>().table.rows;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][3], std::to_string(parent_list.size()));
    EXPECT_EQ(rows[0][4], "Valid PIDL with " + std::to_string(parent_components) + " component(s)");
    EXPECT_EQ(rows[1][3], std::to_string(item_list.size()));
    EXPECT_EQ(rows[1][4], "Valid PIDL with 1 component(s)");
    EXPECT_EQ(rows[2][4], "Desktop namespace root (empty PIDL)");
    EXPECT_EQ(rows[3][4], "Invalid ITEMIDLIST component length");
    EXPECT_EQ(rows[3][3], "0");

    // Without a file list, the Shell namespace transfer is the logical object.
    EXPECT_EQ(grouping(), shell_namespace_object().report_text);
}

std::string dibv5(std::int32_t width, std::int32_t height)
{
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof h;
    h.bV5Width = width;
    h.bV5Height = height;
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_RGB;
    std::string bytes(reinterpret_cast<const char*>(&h), sizeof h);
    bytes.append(static_cast<std::size_t>(4 * width * (height < 0 ? -height : height)), '\x7F');
    return bytes;
}

TEST_F(ShellTransferTest, PhotoshopCopyWithItsEmbeddedDocument)
{
    write_file(folder + L"\\poster.psd", test::photoshop_document(3000));
    const std::string embedded = test::build_compound_file({{u"CONTENTS", test::photoshop_document(5000)}});
    const std::string dib = dibv5(4, -3);
    const UINT source = test::register_format(L"Photoshop Clip Source");
    clipboard.set_flat({
        {CF_DIBV5, Bytes(dib.begin(), dib.end())},
        {source, test::utf16_bytes_of(folder + L"\\poster.psd")},
        {test::register_format(L"Embed Source"), Bytes(embedded.begin(), embedded.end())},
        {test::register_format(L"Photoshop Paste in Place"), Bytes(28, 0)},
    });
    const std::string text = grouping();
    EXPECT_NE(text.find("Type          : Photoshop image/layer copy\r\nLogical items : 1 image\r\nDimensions    : 4 x 3 "
                        "px\r\nPixel depth   : 32 bits\r\nDIB payload   : "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Source file   : " + from_wide(folder) + "\\poster.psd\r\nNative object : " +
                        std::to_string(embedded.size()) + " bytes ("),
              std::string::npos);
    EXPECT_NE(text.find("Native stream : 5000 bytes; Adobe Photoshop document (PSD, signature confirmed)\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nNative editable output: PSD by extracting"), std::string::npos);

    const DetailReport clip = report_of(source);
    ASSERT_EQ(clip.kind(), DetailReportKind::Table);
    EXPECT_EQ(clip.as<TableContent>().table.rows[2][1], "Available file, 3000 bytes (2.93 KiB)");
    EXPECT_EQ(clip.as<TableContent>().table.rows[3][1], ".psd");
}

TEST_F(ShellTransferTest, ClipSourceOfADeviceIsNeverOpened)
{
    // A pipe server that would see any client: the report must leave it unconnected.
    const std::wstring pipe_name = L"\\\\.\\pipe\\clipwright-shell-test";
    HANDLE pipe = CreateNamedPipeW(pipe_name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 512, 512, 0,
                                   nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const UINT source = test::register_format(L"Photoshop Clip Source");
    clipboard.set_flat({{source, test::utf16_bytes_of(pipe_name)}, {CF_HDROP, test::dropfiles_of({pipe_name})}});
    const DetailReport clip = report_of(source);
    ASSERT_EQ(clip.kind(), DetailReportKind::Table);
    EXPECT_EQ(clip.as<TableContent>().table.rows[2][1],
              "Unavailable (The path names a device, pipe or reserved name rather than a file, so "
              "it was not opened.)");
    const DetailReport drop = report_of(CF_HDROP);
    ASSERT_EQ(drop.kind(), DetailReportKind::Table);
    EXPECT_EQ(drop.as<TableContent>().table.rows[0][6], "Unavailable");
    EXPECT_FALSE(ConnectNamedPipe(pipe, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_LISTENING));
    CloseHandle(pipe);
}

TEST(FileTimeText, MatchesTheSystemConversion)
{
    for (std::uint64_t value : {1ULL, 116444736000000000ULL, 133497852345678901ULL, 0x01D9ABCDEF123456ULL,
                                0x7FFFFFFFFFFFFFFFULL, 0x8000000000000000ULL, 0xFFFFFFFFFFFFFFFFULL}) {
        std::uint8_t bytes[8];
        std::memcpy(bytes, &value, 8);
        FILETIME ft{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
        SYSTEMTIME st{};
        std::string expected = "Invalid FILETIME";
        if (FileTimeToSystemTime(&ft, &st)) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u.%03u", st.wYear, st.wMonth, st.wDay,
                          st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
            expected = buffer;
        }
        EXPECT_EQ(format_filetime(bytes), expected) << value;
    }
}

}  // namespace
}  // namespace cw
