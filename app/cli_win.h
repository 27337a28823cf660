#pragma once
// clipwright-cli: list, show and save from a console, built from the same core as the window.

#include <string>
#include <string_view>
#include <vector>

namespace cw {

// Runs one command line (UTF-8, without the program name) against the live clipboard and
// returns the exit status. Never changes the clipboard.
int run_cli(const std::vector<std::string>& arguments);

// Shared by the console commands.
struct CliOutput;
struct Error;
// "clipwright-cli: {message}" on standard error with `status`.
CliOutput cli_failure(int status, std::string_view message);
// The clipboard could not be opened: the save command's message, the busy status.
CliOutput cli_busy(const Error& error);
// The absolute form of a path as typed.
std::wstring cli_full_path(const std::string& typed);
// Writes to standard output as it comes (UTF-16 to a console, UTF-8 elsewhere); false once the
// reader has gone.
bool write_standard_output(std::string_view text);

}  // namespace cw
