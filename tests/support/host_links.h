#pragma once
// Links and FIFOs made on the Unix side of Wine, which cannot make them through Win32 (its
// CreateSymbolicLinkW makes nothing). Wine shows a Unix link to a folder as a directory with
// FILE_ATTRIBUTE_REPARSE_POINT and follows every other link, so the program's link handling
// can be tried against real links.

#include <string>

namespace cw::test {

bool running_on_wine();
// A symbolic link at `link` to `target`, which need not exist. Both are Windows paths.
bool make_host_link(const std::wstring& target, const std::wstring& link);
bool make_host_fifo(const std::wstring& path);
// Removes a tree from the host side, where removal never follows a link; for the trees Wine
// cannot empty because they hold links.
bool remove_host_tree(const std::wstring& path);

}  // namespace cw::test
