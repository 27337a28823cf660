#pragma once
// Adds and removes the Explorer verb "Clipboard To File Here" for the current user, and runs the
// two Explorer launch modes before any window or OLE exists.

#include <optional>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "base/error.h"
#include "base/handles_win.h"

namespace cw {

// Registry operations under HKEY_CURRENT_USER; each error carries its complete sentence.
Result<UniqueRegKey> create_user_key(std::wstring_view path);
// `name` null writes the key's default value. The data includes the terminating NUL.
Status set_string_value(HKEY key, const wchar_t* name, std::wstring_view text);
// A tree that is not there counts as removed.
Status delete_user_tree(std::wstring_view path);

// What the verb keys refer to: the program's final path and the icon file to show.
struct ExplorerPaths {
    std::wstring exe;
    std::wstring icon;
};
// For the program file at `executable`: resolved through links, without the extended-length
// prefix; the icon is Clipwright.ico beside the resolved file when that is a regular file, else
// the program itself.
Result<ExplorerPaths> explorer_paths(const std::wstring& executable);

Status install_explorer_integration(bool quiet);
Status uninstall_explorer_integration(bool quiet);

// Runs --install-explorer or --uninstall-explorer and returns the process exit status; the error
// text goes to standard error.
int run_explorer_mode(LaunchMode mode, bool quiet);

}  // namespace cw
