#pragma once
// clipwright-cli: list, show and save from a console, built from the same core as the window.

#include <string>
#include <vector>

namespace cw {

// Runs one command line (UTF-8, without the program name) against the live clipboard and
// returns the exit status. Never changes the clipboard.
int run_cli(const std::vector<std::string>& arguments);

}  // namespace cw
