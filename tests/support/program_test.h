#pragma once
// Base of end-to-end tests that run the real program: a private LOCALAPPDATA and save folder per
// test, the program started on that folder, and the events it logged.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "clipboard_fixture.h"
#include "process_driver.h"

namespace cw::test {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app_data = make_temp_folder(L"clipwright-e2e");
        target = make_temp_folder(L"clipwright-target");
    }
    void TearDown() override
    {
        remove_tree(app_data);
        remove_tree(target);
    }
    // Clipwright.exe --target "{target}", logging into app_data.
    std::unique_ptr<RunningProgram> start() const
    {
        return std::make_unique<RunningProgram>(windows_path(CLIPWRIGHT_EXE), L"--target \"" + target + L"\"",
                                                std::vector<std::pair<std::wstring, std::wstring>>{
                                                    {L"LOCALAPPDATA", app_data}});
    }
    std::vector<std::string> logged_events() const { return log_events(app_data); }

    ClipboardFixture clipboard;
    std::wstring app_data, target;
};

}  // namespace cw::test
