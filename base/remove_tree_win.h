#pragma once
// Recursive removal for every folder the program deletes (WebView2 profiles, the legacy
// WebView2 folder). Those folders live where other programs and users also write, so they may
// hold links: a symbolic link, junction or any other reparse point is removed as itself and
// never entered, so nothing outside the tree is ever deleted.

#include <string>

namespace cw {

enum class RemovalResult {
    removed,
    not_found,  // nothing was at the path
    failed,     // something stayed: an entry in use or denied, or a link that could not be removed
                // as itself; everything else that could go is gone
};

// `path` must be absolute. Read-only entries are made writable before they are deleted.
RemovalResult remove_recursively(const std::wstring& path);

}  // namespace cw
