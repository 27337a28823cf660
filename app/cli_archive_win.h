#pragma once
// The console commands that work on the whole clipboard: dump, restore and watch, and the
// archive that --from reads instead of the clipboard.

#include <memory>
#include <optional>
#include <string>

#include "app/cli_output.h"
#include "base/win32.h"

namespace cw {

// Exit status of an archive that cannot be used: unreadable, another version, inconsistent.
inline constexpr int CLI_BAD_ARCHIVE = 2;

CliOutput run_dump(HWND window, const std::string& archive_path);
CliOutput run_restore(HWND window, const std::string& archive_path);
// Prints as it goes; returns what is left to print when it ends.
CliOutput run_watch(bool json);

// The archive --from names, installed for this thread's reads while the object lives.
class FromArchive {
public:
    ~FromArchive();
    FromArchive(const FromArchive&) = delete;
    FromArchive& operator=(const FromArchive&) = delete;
    // Fails with the output that says why the archive cannot be used.
    static std::variant<std::unique_ptr<FromArchive>, CliOutput> open(const std::string& archive_path);

private:
    FromArchive() = default;
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace cw
