// Publication of a saved file against the real file system of the Wine prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "capture/snapshot_win.h"
#include "clipboard_fixture.h"
#include "process_driver.h"
#include "save/publish.h"
#include "save/publish_win.h"
#include "save/save_command_win.h"

namespace cw {
namespace {

using test::folder_names;

std::string pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 4093) & 0xFF);
    return s;
}

void write_file(const std::wstring& path, const std::string& bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string temporary_name(const std::string& final_name, unsigned attempt)
{
    return temporary_file_name(final_name, GetCurrentProcessId(), attempt);
}

std::string last_component(const std::wstring& path)
{
    return from_wide(path.substr(path.find_last_of(L'\\') + 1));
}

class PublishTest : public ::testing::Test {
protected:
    void SetUp() override { folder = test::make_temp_folder(L"clipwright-publish"); }
    void TearDown() override
    {
        set_before_rename_hook({});
        test::remove_tree(folder);
    }
    std::wstring in_folder(const std::string& name) const { return folder + L"\\" + to_wide(name); }

    std::wstring folder;
};

TEST_F(PublishTest, LeavesExactlyTheFileWithItsBytes)
{
    // Empty, small, and more than one write request.
    const std::string cases[] = {std::string(), "h\xC3\xA9llo", pattern(MAX_WRITE_REQUEST + 4097)};
    int n = 0;
    for (const std::string& data : cases) {
        const std::string name = "untitled" + std::to_string(n++) + ".bin";
        std::vector<std::string> at_rename;
        std::string temporary_bytes;
        set_before_rename_hook([&](const std::wstring& temporary, const std::wstring&) {
            at_rename = folder_names(folder);
            temporary_bytes = test::read_text_file(temporary);
        });
        const Status published = publish_file(in_folder(name), as_bytes_view(data));
        ASSERT_TRUE(published.ok()) << published.error().message.value_or("");

        // Before the rename the whole content sat, closed, in the temporary sibling.
        std::vector<std::string> expected_then = folder_names(folder);
        expected_then.erase(std::find(expected_then.begin(), expected_then.end(), name));
        expected_then.push_back(temporary_name(name, 0));
        std::sort(expected_then.begin(), expected_then.end());
        EXPECT_EQ(at_rename, expected_then) << name;
        EXPECT_TRUE(temporary_bytes == data) << name;

        EXPECT_TRUE(test::read_text_file(in_folder(name)) == data) << name;
    }
    EXPECT_EQ(folder_names(folder), (std::vector<std::string>{"untitled0.bin", "untitled1.bin", "untitled2.bin"}));
}

TEST_F(PublishTest, TakesTheNextTemporaryNameWhenOneIsLeftOver)
{
    write_file(in_folder(temporary_name("x.png", 0)), "left over");
    std::string used;
    set_before_rename_hook(
        [&](const std::wstring& temporary, const std::wstring&) { used = last_component(temporary); });
    ASSERT_TRUE(publish_file(in_folder("x.png"), as_bytes_view(std::string("new"))).ok());
    EXPECT_EQ(used, temporary_name("x.png", 1));
    EXPECT_EQ(test::read_text_file(in_folder(temporary_name("x.png", 0))), "left over");
    EXPECT_EQ(test::read_text_file(in_folder("x.png")), "new");
    EXPECT_EQ(folder_names(folder).size(), 2u);
}

TEST_F(PublishTest, GivesUpWhenEveryTemporaryNameIsTaken)
{
    for (unsigned attempt = 0; attempt < MAX_TEMP_ATTEMPTS; ++attempt)
        write_file(in_folder(temporary_name("x.png", attempt)), "");
    const Status published = publish_file(in_folder("x.png"), as_bytes_view(std::string("new")));
    ASSERT_FALSE(published.ok());
    EXPECT_EQ(published.error().message, std::string(TEMP_NAMES_EXHAUSTED));
    EXPECT_EQ(folder_names(folder).size(), MAX_TEMP_ATTEMPTS);
}

TEST_F(PublishTest, NeverReplacesAFileThatAppearedMeanwhile)
{
    const std::wstring destination = in_folder("untitled.png");
    // Created by another process between the caller's name check and the rename.
    set_before_rename_hook([&](const std::wstring&, const std::wstring& target) {
        ASSERT_EQ(test::run_to_exit(L"cmd.exe /c echo other>\"" + target + L"\""), 0);
    });
    const Status published = publish_file(destination, as_bytes_view(std::string("mine")));
    ASSERT_FALSE(published.ok());
    EXPECT_EQ(published.error().message, std::string(DESTINATION_TAKEN));
    EXPECT_EQ(test::read_text_file(destination), "other\r\n");
    EXPECT_EQ(folder_names(folder), std::vector<std::string>{"untitled.png"});

    // The same when it was there all along.
    set_before_rename_hook({});
    const Status again = publish_file(destination, as_bytes_view(std::string("mine")));
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().message, std::string(DESTINATION_TAKEN));
    EXPECT_EQ(test::read_text_file(destination), "other\r\n");
    EXPECT_EQ(folder_names(folder), std::vector<std::string>{"untitled.png"});
}

TEST_F(PublishTest, FailuresSayWhatFailedAndLeaveNothing)
{
    const std::wstring gone = folder + L"\\missing";
    struct Case {
        const char* what;
        std::wstring destination;
        BeforeRenameHook hook;
        std::string message;
    };
    const Case cases[] = {
        {"no parent folder", L"untitled.png", {}, std::string(DESTINATION_HAS_NO_PARENT)},
        {"no file name", folder + L"\\", {}, std::string(DESTINATION_NAME_INVALID)},
        {"folder missing", gone + L"\\untitled.png", {}, temp_create_failed_message(file_error_text(3))},
        {"temporary file taken away before the rename", in_folder("untitled.png"),
         [](const std::wstring& temporary, const std::wstring&) { DeleteFileW(temporary.c_str()); },
         publish_failed_message(system_message(2) + " (0x80070002)")},
    };
    for (const Case& c : cases) {
        set_before_rename_hook(c.hook);
        const Status published = publish_file(c.destination, as_bytes_view(std::string("data")));
        ASSERT_FALSE(published.ok()) << c.what;
        EXPECT_EQ(published.error().message, c.message) << c.what;
        EXPECT_TRUE(folder_names(folder).empty()) << c.what;
    }
}

// Folders that refuse writing are made on the Unix side of Wine, under the build folder, where
// their Unix paths are known.
class UnixFolder {
public:
    explicit UnixFolder(const std::string& name)
    {
        unix_path_ = scratch_folder() + "/" + name + "-" + std::to_string(GetCurrentProcessId());
        // A run that ended abruptly may have left one locked or mounted.
        shell("for d in " + scratch_folder() + "/" + name + "-*; do umount $d; chattr -i $d; chmod 755 $d; rm -rf $d; "
              "done 2>/dev/null; mkdir -p " + unix_path_);
        path_ = test::windows_path(unix_path_);
    }
    ~UnixFolder()
    {
        for (const std::string& undo : undo_) shell(undo);
        shell("rm -rf '" + unix_path_ + "'");
    }
    const std::wstring& path() const { return path_; }
    // Runs `command` with the folder as $D; `undo` runs when the folder goes away.
    bool apply(const std::string& command, const std::string& undo)
    {
        if (!shell("D='" + unix_path_ + "'; " + command)) return false;
        undo_.insert(undo_.begin(), "D='" + unix_path_ + "'; " + undo);
        return true;
    }

    // Wine starts a Unix program from CreateProcess but cannot wait for it, so the script leaves
    // its exit status in a file that is polled for.
    static bool shell(const std::string& script)
    {
        static unsigned counter = 0;
        const std::string scratch = scratch_folder();
        const std::string marker =
            scratch + "/done-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
        const std::string wrapped =
            "mkdir -p " + scratch + "; (" + script + "); echo $? > " + marker + ".tmp; mv " + marker + ".tmp " + marker;
        std::wstring command = L"/bin/sh -c \"" + to_wide(wrapped) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        const std::wstring done = test::windows_path(marker);
        for (int i = 0; i < 3000; ++i) {
            if (GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES) {
                const std::string status = test::read_text_file(done);
                DeleteFileW(done.c_str());
                return status == "0\n";
            }
            Sleep(10);
        }
        return false;
    }

    static std::string scratch_folder()
    {
        const std::string artifacts = CLIPWRIGHT_ARTIFACTS_DIR;
        return artifacts.substr(0, artifacts.rfind('/')) + "/scratch";
    }

private:
    std::string unix_path_;
    std::wstring path_;
    std::vector<std::string> undo_;
};

bool can_create_file_in(const std::wstring& folder)
{
    const std::wstring probe = folder + L"\\probe";
    HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    DeleteFileW(probe.c_str());
    return true;
}

TEST_F(PublishTest, FolderThatRefusesWritingGivesAccessDenied)
{
    if (!UnixFolder::shell("true")) GTEST_SKIP() << "needs Wine's Unix side";
    UnixFolder locked("publish-locked");
    ASSERT_TRUE(locked.apply("chmod 555 $D", "chmod 755 $D"));
    // Root ignores permission bits; an immutable folder refuses even root.
    if (can_create_file_in(locked.path()) && !locked.apply("chattr +i $D", "chattr -i $D"))
        GTEST_SKIP() << "neither permissions nor the immutable attribute keep this user from writing";
    ASSERT_FALSE(can_create_file_in(locked.path()));

    const Status published = publish_file(locked.path() + L"\\untitled.png", as_bytes_view(std::string("data")));
    ASSERT_FALSE(published.ok());
    EXPECT_EQ(published.error().message, temp_create_failed_message(system_message(5) + " (os error 5)"));
    EXPECT_TRUE(folder_names(locked.path()).empty());
}

TEST_F(PublishTest, DiskFullWhileWritingLeavesNothing)
{
    if (!UnixFolder::shell("true")) GTEST_SKIP() << "needs Wine's Unix side";
    UnixFolder small("publish-small");
    if (!small.apply("mount -t tmpfs -o size=64k tmpfs $D", "umount $D"))
        GTEST_SKIP() << "cannot mount a small file system here";

    const std::string data = pattern(1024 * 1024);
    const Status published = publish_file(small.path() + L"\\untitled.bin", as_bytes_view(data));
    ASSERT_FALSE(published.ok());
    EXPECT_EQ(published.error().message, temp_write_failed_message(system_message(112) + " (os error 112)"));
    EXPECT_TRUE(folder_names(small.path()).empty());
    // The same through a save, whose writing thread meets the full disk while the clipboard is
    // still being copied in small chunks: the copying stops and the clipboard is closed.
    test::ClipboardFixture clipboard;
    const UINT format = test::register_format(L"Clipwright Disk Full Payload");
    clipboard.set_flat({{format, std::vector<std::uint8_t>(data.begin(), data.end())}});
    UniqueWindow owner(
        CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    auto snapshot = capture_clipboard(owner.get());
    ASSERT_TRUE(snapshot.ok());
    const std::size_t previous_chunk_size = set_save_chunk_size(4096);
    const std::u16string target(small.path().begin(), small.path().end());
    std::size_t index = 0;
    while (index < snapshot->entries.size() && snapshot->entries[index].id != format) ++index;
    const auto saved = save_representation(owner.get(), {target, &*snapshot, index, "untitled"});
    set_save_chunk_size(previous_chunk_size);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().message, temp_write_failed_message(system_message(112) + " (os error 112)"));
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    EXPECT_TRUE(folder_names(small.path()).empty());
}

}  // namespace
}  // namespace cw
