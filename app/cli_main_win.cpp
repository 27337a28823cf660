// Entry of clipwright-cli.exe, the console program.

#include <string>
#include <vector>

#include "app/cli_win.h"
#include "base/text_win.h"

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(cw::from_wide(argv[i]));
    return cw::run_cli(arguments);
}
