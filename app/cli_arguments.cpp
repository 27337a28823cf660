#include "app/cli_arguments.h"

#include <array>

namespace cw {

namespace {

struct OptionSpec {
    std::string_view name;
    bool takes_value = false;
    std::optional<std::string> CliArguments::*value = nullptr;  // value options
};

constexpr std::array<OptionSpec, 2> READ_OPTIONS{{{"--json"}, {"--from", true, &CliArguments::from_archive}}};
constexpr std::array<OptionSpec, 4> SAVE_OPTIONS{{
    {"--in", true, &CliArguments::in_folder},
    {"--to", true, &CliArguments::to_file},
    {"--as", true, &CliArguments::as_extension},
    {"--from", true, &CliArguments::from_archive},
}};
constexpr std::array<OptionSpec, 1> WATCH_OPTIONS{{{"--json"}}};
constexpr std::array<OptionSpec, 0> ARCHIVE_OPTIONS{};

std::optional<CliCommand> command_of(std::string_view word)
{
    if (word == "list") return CliCommand::list;
    if (word == "show") return CliCommand::show;
    if (word == "save") return CliCommand::save;
    if (word == "dump") return CliCommand::dump;
    if (word == "restore") return CliCommand::restore;
    if (word == "watch") return CliCommand::watch;
    if (word == "help" || word == "--help" || word == "-h") return CliCommand::help;
    return std::nullopt;
}

const OptionSpec* find_option(CliCommand command, std::string_view name)
{
    auto search = [name](const auto& specs) -> const OptionSpec* {
        for (const OptionSpec& spec : specs)
            if (spec.name == name) return &spec;
        return nullptr;
    };
    switch (command) {
        case CliCommand::save:
            return search(SAVE_OPTIONS);
        case CliCommand::watch:
            return search(WATCH_OPTIONS);
        case CliCommand::dump:
        case CliCommand::restore:
            return search(ARCHIVE_OPTIONS);
        default:
            return search(READ_OPTIONS);
    }
}

CliUsageError usage_error(std::string text)
{
    return CliUsageError{std::move(text)};
}

std::optional<CliUsageError> check_combination(const CliArguments& args)
{
    if (args.command == CliCommand::show && !args.format) return usage_error("show needs a FORMAT.");
    if ((args.command == CliCommand::dump || args.command == CliCommand::restore) && !args.archive)
        return usage_error(std::string(args.command == CliCommand::dump ? "dump" : "restore") + " needs an ARCHIVE.");
    if (args.in_folder && args.to_file) return usage_error("--in and --to cannot be combined.");
    if (args.format && args.as_extension) return usage_error("FORMAT and --as cannot be combined.");
    return std::nullopt;
}

}  // namespace

std::variant<CliArguments, CliUsageError> parse_cli_arguments(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) return usage_error("Missing command.");
    const auto command = command_of(arguments[0]);
    if (!command) return usage_error("Unknown command: " + arguments[0]);
    CliArguments args;
    args.command = *command;
    if (args.command == CliCommand::help) return args;

    const bool takes_archive = args.command == CliCommand::dump || args.command == CliCommand::restore;
    const std::size_t allowed_positionals =
        args.command == CliCommand::list || args.command == CliCommand::watch ? 0 : 1;
    std::size_t positionals = 0;
    bool options_ended = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (!options_ended && arg == "--") {
            options_ended = true;
            continue;
        }
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            if (++positionals > allowed_positionals) return usage_error("Unexpected argument: " + arg);
            (takes_archive ? args.archive : args.format) = arg;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = std::string_view(arg).substr(0, equals);
        const OptionSpec* spec = find_option(args.command, name);
        if (!spec) return usage_error("Unknown option: " + std::string(name));
        if (!spec->takes_value) {
            if (equals != std::string::npos) return usage_error("Option " + std::string(name) + " takes no value.");
            args.json = true;
            continue;
        }
        std::optional<std::string>& slot = args.*(spec->value);
        if (slot) return usage_error("Option " + std::string(name) + " is given twice.");
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < arguments.size() && arguments[i + 1].rfind("--", 0) != 0) {
            // An option name is never taken as the value of the option before it.
            value = arguments[++i];
        }
        if (value.empty()) return usage_error("Option " + std::string(name) + " needs a value.");
        slot = std::move(value);
    }
    if (auto refused = check_combination(args)) return *refused;
    return args;
}

}  // namespace cw
