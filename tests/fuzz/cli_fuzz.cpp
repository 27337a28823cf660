// The console program's input and output paths for any bytes: command lines split at NUL,
// FORMAT specs against a snapshot, and hostile clipboard text (invalid UTF-8, stray CR, tabs)
// through the text and JSON forms of a report and a snapshot.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/cli_arguments.h"
#include "app/cli_output.h"
#include "app/cli_select.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        arguments.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    const auto parsed = cw::parse_cli_arguments(arguments);

    cw::FormatEntry entry;
    entry.ordinal = 1;
    entry.id = 0xC100;
    entry.name = input;  // names come from other programs
    entry.class_label = "registered";
    entry.listed_by_win32 = true;
    entry.offers = {{4, 1, 0, true}};
    cw::ClipboardSnapshot snapshot;
    snapshot.entries = {entry};
    snapshot.logical_object_text = input;
    if (const auto* args = std::get_if<cw::CliArguments>(&parsed); args && args->format) {
        const auto found = cw::find_format(snapshot.entries, *args->format);
        if (found && *found != 0) std::abort();
    }

    const std::vector<std::optional<std::uint64_t>> sizes{size};
    if (cw::json_text(cw::snapshot_json(snapshot, sizes)).empty()) std::abort();
    if (cw::list_output(snapshot, sizes, false).out.empty()) std::abort();
    cw::PropertyTable table;
    table.columns = {input};
    table.rows = {{input}, {}};
    for (const cw::DetailReport& report : {cw::DetailReport::make_text(input), cw::DetailReport::make_table(table)}) {
        const cw::CliOutput text = cw::report_output(entry, report, false, "");
        if (text.out.find("\r\n") != std::string::npos && report.kind() == cw::DetailReportKind::Text) std::abort();
        const cw::CliOutput json = cw::report_output(entry, report, true, "");
        if (nlohmann::json::parse(json.out, nullptr, false).is_discarded()) std::abort();
    }
    return 0;
}
