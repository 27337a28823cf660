// The diagnostic log written for real into a private LOCALAPPDATA.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "base/log.h"
#include "clipboard_fixture.h"
#include "process_driver.h"

namespace cw {
namespace {

namespace fs = std::filesystem;

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = test::make_temp_folder(L"clipwright-log");
        SetEnvironmentVariableW(L"LOCALAPPDATA", root.c_str());
        log = fs::path(root) / L"Tindrel" / L"Clipwright" / L"Logs" / L"clipwright.log";
        old = fs::path(root) / L"Tindrel" / L"Clipwright" / L"Logs" / L"clipwright.log.1";
    }
    void TearDown() override { test::remove_tree(root); }

    void fill(const fs::path& path, std::size_t size, char c)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << std::string(size, c);
    }
    std::string content(const fs::path& path) { return test::read_text_file(path.wstring()); }

    std::wstring root;
    fs::path log, old;
};

TEST_F(LogTest, CreatesTheFoldersAndAppendsLinesEndingInLineFeed)
{
    log_event("startup", "version=1.1 build=158");
    log_event("shutdown", "result=clean");
    const std::string text = content(log);
    const auto lines = test::read_lines(log.wstring());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.back(), '\n');

    const auto blank = lines[0].find(' ');
    const long long seconds = std::stoll(lines[0].substr(0, blank));
    EXPECT_LE(std::llabs(seconds - static_cast<long long>(std::time(nullptr))), 120);
    EXPECT_EQ(lines[0].substr(blank), " startup version=1.1 build=158");
    EXPECT_EQ(lines[1].substr(lines[1].find(' ')), " shutdown result=clean");
}

TEST_F(LogTest, RotatesAtTheLimitReplacingTheOlderGeneration)
{
    fill(log, 262143, 'a');
    fill(old, 10, 'o');
    log_event("save", "result=success");
    // Below the limit: the line is appended to the old content and nothing rotates.
    const std::string grown = content(log);
    ASSERT_GT(grown.size(), 262143u);
    EXPECT_EQ(grown.substr(0, 262143), std::string(262143, 'a'));
    const std::string line = grown.substr(262143);
    const std::size_t blank = line.find_first_not_of("0123456789");
    ASSERT_GT(blank, 0u);  // the seconds come first
    ASSERT_LT(blank, line.size());
    EXPECT_EQ(line.substr(blank), " save result=success\n");
    EXPECT_EQ(content(old), std::string(10, 'o'));

    log_event("save", "result=failure");  // now at or above the limit
    EXPECT_EQ(content(old), grown);       // moved whole, replacing the older generation
    const auto lines = test::read_lines(log.wstring());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(" save result=failure"), std::string::npos);
}

TEST_F(LogTest, WithoutUsableLocalAppDataNothingIsWritten)
{
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    SetCurrentDirectoryW(root.c_str());

    SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
    log_event("startup", "version=1.1 build=158");
    SetEnvironmentVariableW(L"LOCALAPPDATA", L"");
    log_event("startup", "version=1.1 build=158");

    SetCurrentDirectoryW(cwd);
    EXPECT_FALSE(fs::exists(fs::path(root) / L"Tindrel"));
}

TEST_F(LogTest, AnUnwritableLogIsDroppedSilently)
{
    // A folder where the log file should be: opening it fails, and nothing else happens.
    fs::create_directories(log);
    log_event("startup", "version=1.1 build=158");
    EXPECT_TRUE(fs::is_directory(log));
}

}  // namespace
}  // namespace cw
