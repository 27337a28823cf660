#pragma once
// Files, folders, links and FIFOs for the tests of code that must never follow a link. Links and
// FIFOs are made on the Unix side of Wine, which cannot make them through Win32 (its
// CreateSymbolicLinkW makes nothing). Wine shows a Unix link to a folder as a directory with
// FILE_ATTRIBUTE_REPARSE_POINT and follows every other link, so the program's link handling
// can be tried against real links.

#include <string>

#include "base/win32.h"

namespace cw::test {

bool running_on_wine();
// The host's path for a Windows path; empty when it has none.
std::string unix_path(const std::wstring& path);
// Runs a shell command on the host and waits for it; true when it succeeded. `beside` names a
// Windows path next to which a marker file may be made for a moment.
bool run_host_command(const std::string& command, const std::wstring& beside);
// A new file holding `text`, and a folder whose last-write time lies `days` in the past.
bool write_test_file(const std::wstring& path, const std::string& text, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
bool set_written_days_ago(const std::wstring& folder, int days);
// A symbolic link at `link` to `target`, which need not exist. Both are Windows paths.
bool make_host_link(const std::wstring& target, const std::wstring& link);
bool make_host_fifo(const std::wstring& path);
// Removes a tree from the host side, where removal never follows a link; for the trees Wine
// cannot empty because they hold links.
bool remove_host_tree(const std::wstring& path);

}  // namespace cw::test
