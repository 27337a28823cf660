#pragma once
// The console program's command line: list, show and save, their options, the usage text and
// the exit statuses scripts rely on.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace cw {

// Exit statuses of clipwright-cli.
inline constexpr int CLI_SUCCESS = 0;
inline constexpr int CLI_USAGE_ERROR = 2;
inline constexpr int CLI_CLIPBOARD_BUSY = 3;    // busy, or changed while the command ran
inline constexpr int CLI_FORMAT_NOT_FOUND = 4;  // no such format, or its data is unavailable
inline constexpr int CLI_SAVE_FAILED = 5;

inline constexpr std::string_view CLI_USAGE =
    "Usage:\n"
    "  clipwright-cli list [--json] [--from ARCHIVE]\n"
    "  clipwright-cli show FORMAT [--json] [--from ARCHIVE]\n"
    "  clipwright-cli save [FORMAT] [--in FOLDER | --to FILE] [--as EXT] [--from ARCHIVE]\n"
    "  clipwright-cli dump ARCHIVE\n"
    "  clipwright-cli restore ARCHIVE\n"
    "  clipwright-cli watch [--json]\n"
    "  clipwright-cli paste-files [--in FOLDER] [--zip NAME.zip | --shortcuts | --listing txt|csv|json] [--json]\n"
    "\n"
    "FORMAT is a number from list, #ID (decimal, or hexadecimal after 0x) or a format name.\n"
    "save without FORMAT takes the first saveable representation, with --as EXT the one saved as\n"
    "EXT. --in saves into FOLDER (default: the current folder) under a free untitled name, --to\n"
    "under FILE's name or the next free numbered one. Nothing is ever overwritten.\n"
    "paste-files copies the files of an Explorer copy, or the virtual files of a mail or archive\n"
    "program, into FOLDER; or writes them into one ZIP, makes shortcuts, or saves their listing.\n"
    "dump writes the whole clipboard into a new ARCHIVE; restore puts an archive back; --from reads\n"
    "an archive instead of the clipboard. watch prints one line per clipboard change until Ctrl+C.\n"
    "\n"
    "Exit status: 0 success, 2 usage error, 3 clipboard busy or changed, 4 format not found or\n"
    "unavailable (paste-files: no files), 5 save failed (paste-files: any item failed).\n";

enum class CliCommand { list, show, save, help, dump, restore, watch };

struct CliArguments {
    CliCommand command = CliCommand::help;
    bool json = false;
    std::optional<std::string> format;
    std::optional<std::string> in_folder;
    std::optional<std::string> to_file;
    std::optional<std::string> as_extension;  // as typed, with or without its dot
    std::optional<std::string> from_archive;  // list, show and save read this archive instead
    std::optional<std::string> archive;       // dump and restore: the archive file
};

// Why the command line was refused; shown before the usage text.
struct CliUsageError {
    std::string message;
};

// `arguments` are UTF-8 and exclude the program name. "--name value" and "--name=value" both
// work; "--" ends the options, so a format name may begin with "-".
std::variant<CliArguments, CliUsageError> parse_cli_arguments(const std::vector<std::string>& arguments);

}  // namespace cw
