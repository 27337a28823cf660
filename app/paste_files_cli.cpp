#include "app/paste_files_cli.h"

#include <nlohmann/json.hpp>

namespace cw {

namespace {

CliUsageError refused(std::string text)
{
    return CliUsageError{std::move(text)};
}

std::optional<ListingFormat> listing_format(std::string_view word)
{
    if (word == "txt") return ListingFormat::Text;
    if (word == "csv") return ListingFormat::Csv;
    if (word == "json") return ListingFormat::Json;
    return std::nullopt;
}

}  // namespace

std::variant<PasteFilesArguments, CliUsageError> parse_paste_files_arguments(const std::vector<std::string>& arguments)
{
    PasteFilesArguments args;
    bool mode_given = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (name == "--json" || name == "--shortcuts") {
            if (equals != std::string::npos) return refused("Option " + name + " takes no value.");
            if (name == "--json") {
                args.json = true;
                continue;
            }
        } else if (name != "--in" && name != "--zip" && name != "--listing") {
            return refused(arg.starts_with("-") ? "Unknown option: " + name : "Unexpected argument: " + arg);
        }
        std::string value;
        if (name != "--shortcuts") {
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("--"))
                value = arguments[++i];
            if (value.empty()) return refused("Option " + name + " needs a value.");
        }
        if (name == "--in") {
            if (args.in_folder) return refused("Option --in is given twice.");
            args.in_folder = value;
            continue;
        }
        if (mode_given) return refused("--zip, --shortcuts and --listing cannot be combined.");
        mode_given = true;
        if (name == "--shortcuts") {
            args.mode = PasteMode::Shortcuts;
        } else if (name == "--zip") {
            args.mode = PasteMode::Zip;
            args.zip_name = value;
        } else {
            const auto format = listing_format(value);
            if (!format) return refused("--listing takes txt, csv or json.");
            args.mode = PasteMode::Listing;
            args.listing = *format;
        }
    }
    return args;
}

CliOutput paste_files_output(const PasteResult& result, bool json)
{
    CliOutput output;
    const auto note = [&output](std::string_view text) { output.err += "clipwright-cli: " + lf_line_ends(text) + "\n"; };
    switch (result.stop) {
        case PasteStop::None:
            break;
        case PasteStop::ClipboardBusy:
            note(result.stop_message);
            output.status = CLI_CLIPBOARD_BUSY;
            return output;
        case PasteStop::NoFiles:
        case PasteStop::NotForVirtualFiles:
            note(result.stop_message);
            output.status = CLI_FORMAT_NOT_FOUND;
            return output;
        case PasteStop::FolderUnavailable:
            note(result.stop_message);
            output.status = CLI_SAVE_FAILED;
            return output;
    }
    if (result.operation.find("Move") != std::string::npos)
        note("The source asked to move the items; they were copied and the originals left in place.");
    for (const PasteFailure& failure : result.report.failures) note(failure.item + ": " + failure.reason);
    if (json) {
        nlohmann::ordered_json failed = nlohmann::ordered_json::array();
        for (const PasteFailure& failure : result.report.failures)
            failed.push_back({{"item", failure.item}, {"reason", lf_line_ends(failure.reason)}});
        output.out = json_text({{"operation", result.operation}, {"written", result.report.written}, {"failed", failed}});
    } else {
        for (const std::string& path : result.report.written) output.out += path + "\n";
    }
    output.status = result.report.failures.empty() ? CLI_SUCCESS : CLI_SAVE_FAILED;
    return output;
}

}  // namespace cw
