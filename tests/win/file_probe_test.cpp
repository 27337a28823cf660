// The file probe behind the Iceni/Foxit report on real paths: links to a FIFO or a named pipe are
// judged without anything being opened through them, and a link to an ordinary file is still read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "base/text_win.h"
#include "clipboard_fixture.h"
#include "inspect/file_probe_win.h"
#include "inspect/private_formats.h"
#include "link_fixtures.h"

namespace cw {
namespace {

constexpr const char* NOT_REGULAR = "Status     : path exists, but it is not a regular file";

// The "Status" line of the report for an Iceni block naming `path`. A probe that blocks on a FIFO
// or pipe would hang the window, so a hang ends the run as a failure rather than waiting forever.
std::string status_line(const std::string& path)
{
    std::string report;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        FormatEntry entry;
        entry.name = "IceniCopy";
        entry.class_label = "registered";
        const std::string block = path + '\0';
        report = describe_private_format(entry, as_bytes_view(block), block.size(), Win32FileProbe()).value_or("");
        SetEvent(done);
    });
    if (WaitForSingleObject(done, 10000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "the probe of %s never answered\n", path.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
    CloseHandle(done);
    const std::size_t start = report.find("Status     : ");
    if (start == std::string::npos) return report;
    return report.substr(start, report.find('\n', start) - start);
}

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override { root = test::make_temp_folder(L"clipwright-probe"); }
    void TearDown() override { test::remove_host_tree(root); }
    std::string at(const std::wstring& name) const { return from_wide(root + L"\\" + name); }
    std::wstring root;
};

TEST_F(ProbeTest, LinksToFifosAreRefusedAndLinksToFilesAreRead)
{
    ASSERT_TRUE(test::make_host_fifo(root + L"\\fifo"));
    ASSERT_TRUE(test::make_host_link(root + L"\\fifo", root + L"\\fifo-link.pdf"));
    HANDLE pdf = CreateFileW((root + L"\\real.pdf").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(pdf, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(pdf, "%PDF-1.7\r\n", 10, &written, nullptr);
    CloseHandle(pdf);
    ASSERT_TRUE(test::make_host_link(root + L"\\real.pdf", root + L"\\pdf-link.pdf"));

    EXPECT_EQ(status_line(at(L"fifo-link.pdf")), NOT_REGULAR);
    EXPECT_EQ(status_line(at(L"fifo")), NOT_REGULAR);
    EXPECT_EQ(status_line(at(L"pdf-link.pdf")), "Status     : available now");
    EXPECT_EQ(status_line(from_wide(root)), "Status     : path exists, but it is a directory");
}

TEST_F(ProbeTest, ANamedPipeNeverGetsAClient)
{
    const std::wstring name = L"clipwright-probe-" + std::to_wstring(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeW((L"\\\\.\\pipe\\" + name).c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    OVERLAPPED connected{};
    connected.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_FALSE(ConnectNamedPipe(pipe, &connected));
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));

    const std::string pipe_name = from_wide(name);
    for (const std::string& path : {"\\\\.\\pipe\\" + pipe_name, "//./pipe/" + pipe_name,
                                    "\\\\?\\GLOBALROOT\\Device\\NamedPipe\\" + pipe_name, "\\\\?\\pipe\\" + pipe_name})
        EXPECT_EQ(status_line(path), NOT_REGULAR) << path;
    EXPECT_EQ(WaitForSingleObject(connected.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // The check above would have seen a client: one connects now.
    HANDLE client =
        CreateFileW((L"\\\\.\\pipe\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(client, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WaitForSingleObject(connected.hEvent, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(client);
    CloseHandle(connected.hEvent);
    CloseHandle(pipe);
}

// A file another program holds open without sharing is still described: by an attribute-only
// open where the system allows one (Wine does), otherwise by its folder listing.
TEST_F(ProbeTest, AFileHeldWithoutSharingIsDescribedFromItsFolder)
{
    const std::wstring path = root + L"\\held.docx";
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(held, "PK\x03\x04", 4, &written, nullptr));
    const PathMetadata m = Win32FileProbe().metadata(from_wide(path), false);
    CloseHandle(held);
    EXPECT_TRUE(m.available) << m.error_code;
    EXPECT_EQ(m.kind, PathKind::DiskFile);
    EXPECT_EQ(m.size, 4U);
}

}  // namespace
}  // namespace cw
