// clipwright-cli paste-files under Wine: an Explorer copy and virtual files written into a folder,
// a ZIP (read back by Python's zipfile), a CSV listing and shortcuts; hostile names and devices.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <string>
#include <vector>

#include <shlobj.h>

#include "base/text_win.h"
#include "libs/cfb/cfb.h"
#include "link_fixtures.h"
#include "process_driver.h"
#include "program_test.h"

namespace cw {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Descriptor {
    std::wstring name;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    std::size_t size = 0;
};

// A FILEGROUPDESCRIPTORW announcing each size (FD_FILESIZE) and attributes (FD_ATTRIBUTES).
Bytes descriptor_block(const std::vector<Descriptor>& items)
{
    Bytes block(4 + items.size() * sizeof(FILEDESCRIPTORW));
    *reinterpret_cast<UINT*>(block.data()) = static_cast<UINT>(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        FILEDESCRIPTORW d{};
        d.dwFlags = FD_FILESIZE | FD_ATTRIBUTES;
        d.dwFileAttributes = items[i].attributes;
        d.nFileSizeLow = static_cast<DWORD>(items[i].size);
        lstrcpynW(d.cFileName, items[i].name.c_str(), MAX_PATH);
        std::memcpy(block.data() + 4 + i * sizeof d, &d, sizeof d);
    }
    return block;
}

class PasteFilesTest : public test::ProgramTest {
protected:
    test::ConsoleRun paste(const std::wstring& options, const std::wstring& folder = {})
    {
        const DWORD sequence = GetClipboardSequenceNumber();
        const test::ConsoleRun run =
            test::run_console(test::windows_path(CLIPWRIGHT_CLI_EXE),
                              L"paste-files --in \"" + (folder.empty() ? target : folder) + L"\" " + options,
                              {{L"LOCALAPPDATA", app_data}});
        EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
        return run;
    }
    std::string in(const std::wstring& folder, const std::wstring& name) const { return from_wide(folder + L"\\" + name); }

    // The Explorer copy of two files and a folder, with Move as the preferred effect.
    std::wstring make_explorer_copy()
    {
        source = test::make_temp_folder(L"clipwright-paste-source");
        EXPECT_TRUE(test::write_test_file(source + L"\\a.txt", "alpha"));
        EXPECT_TRUE(test::write_test_file(source + L"\\b.bin", std::string("\0\x01\x02 binary", 10)));
        EXPECT_TRUE(CreateDirectoryW((source + L"\\dir").c_str(), nullptr));
        EXPECT_TRUE(CreateDirectoryW((source + L"\\dir\\sub").c_str(), nullptr));
        EXPECT_TRUE(test::write_test_file(source + L"\\dir\\inner.txt", "inner"));
        EXPECT_TRUE(test::write_test_file(source + L"\\dir\\sub\\deep.txt", "deep"));
        clipboard.set_flat({{CF_HDROP, test::dropfiles_of({source + L"\\a.txt", source + L"\\b.bin", source + L"\\dir"})},
                            {test::register_format(L"Preferred DropEffect"), {2, 0, 0, 0}}});
        return source;
    }
    void TearDown() override
    {
        if (!source.empty()) test::remove_tree(source);
        ProgramTest::TearDown();
    }
    std::wstring source;
};

TEST_F(PasteFilesTest, ExplorerCopyIsCopiedNumberedZippedListedAndLinked)
{
    make_explorer_copy();
    ASSERT_TRUE(test::write_test_file(target + L"\\a.txt", "already here"));

    const test::ConsoleRun copied = paste(L"");
    EXPECT_EQ(copied.status, 0) << copied.err;
    EXPECT_EQ(copied.out, in(target, L"a_1.txt") + "\n" + in(target, L"b.bin") + "\n" + in(target, L"dir") + "\n");
    EXPECT_EQ(copied.err, "clipwright-cli: The source asked to move the items; they were copied and the originals left in place.\n");
    EXPECT_EQ(test::read_text_file(target + L"\\a.txt"), "already here");
    EXPECT_EQ(test::read_text_file(target + L"\\a_1.txt"), "alpha");
    EXPECT_EQ(test::read_text_file(target + L"\\b.bin"), std::string("\0\x01\x02 binary", 10));
    EXPECT_EQ(test::read_text_file(target + L"\\dir\\sub\\deep.txt"), "deep");
    EXPECT_EQ(test::folder_names(target + L"\\dir"), (std::vector<std::string>{"inner.txt", "sub"}));
    EXPECT_EQ(test::folder_names(source), (std::vector<std::string>{"a.txt", "b.bin", "dir"}));  // Move not acted on

    // A second copy numbers the folder rather than merging into it.
    const test::ConsoleRun again = paste(L"--json");
    EXPECT_EQ(nlohmann::json::parse(again.out)["written"][2], in(target, L"dir_1"));

    // The ZIP, read back by Python's zipfile on the host.
    const std::wstring zip_folder = test::artifacts_folder() + L"\\paste-files";
    test::remove_tree(zip_folder);
    CreateDirectoryW(test::artifacts_folder().c_str(), nullptr);  // there already when other tests ran
    ASSERT_TRUE(CreateDirectoryW(zip_folder.c_str(), nullptr));
    const test::ConsoleRun zipped = paste(L"--zip items.zip", zip_folder);
    ASSERT_EQ(zipped.status, 0) << zipped.err;
    EXPECT_EQ(zipped.out, in(zip_folder, L"items.zip") + "\n");
    const std::wstring script = zip_folder + L"\\members.py";
    ASSERT_TRUE(test::write_test_file(script, "import sys, zipfile\n"
                                              "z = zipfile.ZipFile(sys.argv[1])\n"
                                              "assert z.testzip() is None\n"
                                              "for i in sorted(z.infolist(), key=lambda i: i.filename):\n"
                                              "    print(i.filename, z.read(i).hex())\n"));
    ASSERT_TRUE(test::run_host_command("python3 '" + test::unix_path(script) + "' '" +
                                           test::unix_path(zip_folder + L"\\items.zip") + "' > '" +
                                           test::unix_path(zip_folder + L"\\members.txt") + "'",
                                       zip_folder + L"\\members"));
    EXPECT_EQ(test::read_text_file(zip_folder + L"\\members.txt"),
              "a.txt 616c706861\nb.bin 0001022062696e617279\ndir/ \ndir/inner.txt 696e6e6572\ndir/sub/ \n"
              "dir/sub/deep.txt 64656570\n");

    const test::ConsoleRun listed = paste(L"--listing csv");
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, in(target, L"items.csv") + "\n");
    const std::string location = from_wide(source);
    EXPECT_EQ(test::read_text_file(target + L"\\items.csv"),
              "Name,Kind,Size,Location,Availability\r\na.txt,File,5," + location + ",Available\r\nb.bin,File,10," +
                  location + ",Available\r\ndir,Folder,," + location + ",Available\r\n");

    const test::ConsoleRun linked = paste(L"--shortcuts");
    ASSERT_EQ(linked.status, 0) << linked.err;
    EXPECT_EQ(linked.out, in(target, L"a.txt.lnk") + "\n" + in(target, L"b.bin.lnk") + "\n" + in(target, L"dir.lnk") + "\n");
    const std::string link = test::read_text_file(target + L"\\dir.lnk");
    ASSERT_GE(link.size(), 4u);
    EXPECT_EQ(link.substr(0, 4), std::string("\x4C\0\0\0", 4));  // the shell link header size
}

TEST_F(PasteFilesTest, VirtualFilesAreSavedByteForByte)
{
    const UINT descriptor = test::register_format(L"FileGroupDescriptorW");
    const UINT contents = test::register_format(L"FileContents");
    const Bytes top = test::bytes_of("top level file", false);
    Bytes streamed(2 * 0x400000 + 70000);  // more than two pieces of the copy's 4 MiB buffer
    for (std::size_t i = 0; i < streamed.size(); ++i) streamed[i] = static_cast<std::uint8_t>(i * 7);
    const Bytes nested = test::bytes_of("nested", false);
    const auto offer = [contents](LONG index, DWORD tymed, const Bytes& bytes) {
        return test::TestOffer{static_cast<CLIPFORMAT>(contents), tymed, DVASPECT_CONTENT, index, false, bytes};
    };
    auto* object = test::TestDataObject::create({
        test::TestOffer{static_cast<CLIPFORMAT>(descriptor), TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false,
                        descriptor_block({{L"top.txt", FILE_ATTRIBUTE_NORMAL, top.size()},
                                          {L"stream.bin", FILE_ATTRIBUTE_NORMAL, streamed.size()},
                                          {L"folder", FILE_ATTRIBUTE_DIRECTORY, 0},
                                          {L"folder\\nested.txt", FILE_ATTRIBUTE_NORMAL, nested.size()},
                                          {L"message.msg", FILE_ATTRIBUTE_NORMAL, 0}})},
        offer(0, TYMED_HGLOBAL, top),
        offer(1, TYMED_ISTREAM, streamed),
        offer(3, TYMED_HGLOBAL, nested),
        offer(4, TYMED_ISTORAGE, nested),
    });
    clipboard.set_ole(object);
    object->Release();

    const test::ConsoleRun run = paste(L"");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, in(target, L"top.txt") + "\n" + in(target, L"stream.bin") + "\n" + in(target, L"folder") + "\n" +
                           in(target, L"folder\\nested.txt") + "\n" + in(target, L"message.msg") + "\n");
    EXPECT_EQ(test::read_text_file(target + L"\\top.txt"), std::string(top.begin(), top.end()));
    EXPECT_TRUE(test::read_text_file(target + L"\\stream.bin") == std::string(streamed.begin(), streamed.end()));
    EXPECT_EQ(test::read_text_file(target + L"\\folder\\nested.txt"), "nested");
    // An IStorage item becomes the compound file that holds it.
    const std::string message = test::read_text_file(target + L"\\message.msg");
    const auto compound = cfb::CompoundFile::open(std::vector<std::uint8_t>(message.begin(), message.end()));
    ASSERT_TRUE(compound.ok());
    const auto stream = compound->read_stream("/CONTENTS");
    ASSERT_TRUE(stream.ok());
    EXPECT_EQ(*stream, nested);
    EXPECT_EQ(paste(L"--shortcuts").status, 4);
}

TEST_F(PasteFilesTest, HostileNamesStayInsideTheFolderAndDevicesAreNeverOpened)
{
    const UINT descriptor = test::register_format(L"FileGroupDescriptorW");
    const UINT contents = test::register_format(L"FileContents");
    const std::vector<std::wstring> names = {L"..\\..\\evil.txt", L"C:\\Windows\\abs.txt", L"\\\\server\\share\\unc.txt",
                                             L"CON", L"data.txt:stream", L"trail. ", L"\\\\.\\nul"};
    std::vector<Descriptor> descriptors;
    std::vector<test::TestOffer> offers;
    for (std::size_t i = 0; i < names.size(); ++i) {
        descriptors.push_back({names[i], FILE_ATTRIBUTE_NORMAL, 1});
        offers.push_back({static_cast<CLIPFORMAT>(contents), TYMED_HGLOBAL, DVASPECT_CONTENT, static_cast<LONG>(i), false,
                          {static_cast<std::uint8_t>('0' + i)}});
    }
    // A stream longer than its descriptor says is refused; the others are still written.
    descriptors.push_back({L"liar.bin", FILE_ATTRIBUTE_NORMAL, 2});
    offers.push_back({static_cast<CLIPFORMAT>(contents), TYMED_ISTREAM, DVASPECT_CONTENT, 7, false, test::bytes_of("more", false)});
    offers.push_back({static_cast<CLIPFORMAT>(descriptor), TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false, descriptor_block(descriptors)});
    auto* object = test::TestDataObject::create(offers);
    clipboard.set_ole(object);
    object->Release();

    const std::wstring inside = target + L"\\inside";
    ASSERT_TRUE(CreateDirectoryW(inside.c_str(), nullptr));
    const test::ConsoleRun run = paste(L"", inside);
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.err, "clipwright-cli: liar.bin: FileContents delivered more bytes than its descriptor announces.\n");
    EXPECT_EQ(test::folder_names(target), (std::vector<std::string>{"inside"}));
    EXPECT_EQ(test::folder_names(inside),
              (std::vector<std::string>{"Windows", "_CON", "_nul", "data.txt_stream", "evil.txt", "server", "trail"}));
    EXPECT_EQ(test::read_text_file(inside + L"\\server\\share\\unc.txt"), "2");

    // An Explorer list naming devices: never opened, reported, and the real file still copied,
    // through several pieces of the copy's buffer.
    source = test::make_temp_folder(L"clipwright-paste-source");
    std::string real(2 * 0x400000 + 5, 'r');
    real.replace(0x400000 - 2, 4, "edge");
    ASSERT_TRUE(test::write_test_file(source + L"\\real.txt", real));
    clipboard.set_flat({{CF_HDROP, test::dropfiles_of({L"\\\\.\\pipe\\clipwright-none", source + L"\\NUL", source + L"\\real.txt"})}});
    const test::ConsoleRun devices = paste(L"", inside);
    EXPECT_EQ(devices.status, 5);
    EXPECT_TRUE(test::read_text_file(inside + L"\\real.txt") == real);
    EXPECT_NE(devices.err.find("pipe\\clipwright-none: The path names a device"), std::string::npos) << devices.err;
}

TEST_F(PasteFilesTest, AFolderLinkingBackIntoItselfIsCopiedOnce)
{
    source = test::make_temp_folder(L"clipwright-paste-source");
    const std::wstring tree = source + L"\\tree";
    ASSERT_TRUE(CreateDirectoryW(tree.c_str(), nullptr));
    ASSERT_TRUE(test::write_test_file(tree + L"\\a.txt", "a"));
    ASSERT_TRUE(test::make_host_link(tree, tree + L"\\loop"));
    clipboard.set_flat({{CF_HDROP, test::dropfiles_of({tree})}});

    const test::ConsoleRun run = paste(L"");
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(run.out, in(target, L"tree") + "\n");
    EXPECT_EQ(test::folder_names(target + L"\\tree"), std::vector<std::string>{"a.txt"});
    EXPECT_NE(run.err.find("loop: "), std::string::npos) << run.err;
    test::remove_host_tree(source);
}

TEST_F(PasteFilesTest, NoFilesOnTheClipboard)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"just text")}});
    const test::ConsoleRun run = paste(L"--zip x.zip");
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.err, "clipwright-cli: The clipboard holds no copied files or virtual files.\n");
    EXPECT_EQ(test::folder_names(target), std::vector<std::string>{});
}

}  // namespace
}  // namespace cw
