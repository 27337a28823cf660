#pragma once
// clipwright-cli paste-files: its command line and what it prints.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "app/cli_arguments.h"
#include "app/cli_output.h"
#include "save/paste_items.h"

namespace cw {

inline constexpr std::string_view PASTE_FILES_COMMAND = "paste-files";

struct PasteFilesArguments {
    std::optional<std::string> in_folder;
    PasteMode mode = PasteMode::Copy;
    std::string zip_name;
    ListingFormat listing = ListingFormat::Text;
    bool json = false;
};

// `arguments` exclude the program name and the command word.
std::variant<PasteFilesArguments, CliUsageError> parse_paste_files_arguments(const std::vector<std::string>& arguments);

// Written paths on standard output (one a line, or one JSON object), failures and a Move that
// was not acted on on standard error; 4 when there were no files, 5 when any item failed.
CliOutput paste_files_output(const PasteResult& result, bool json);

}  // namespace cw
