#include "app/cli_output.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "app/cli_arguments.h"
#include "app/cli_select.h"
#include "app/format_list.h"
#include "base/error.h"
#include "base/overloaded.h"
#include "capture/format_identity.h"
#include "inspect/dispatcher.h"
#include "preview/audio.h"
#include "report/report_text.h"
#include "save/candidates.h"

namespace cw {

using json = nlohmann::ordered_json;

namespace {

constexpr std::size_t ADVANCED_COLUMNS = 10;

// A cell of a tab-separated line keeps the line structure: its own tabs and line breaks become blanks.
std::string tsv_cell(std::string_view text)
{
    std::string cell(text);
    for (char& c : cell)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return cell;
}

void append_tsv_line(std::string& out, std::span<const std::string> cells)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i) out += '\t';
        out += tsv_cell(cells[i]);
    }
    out += '\n';
}

// Output ends with a line feed. CRs left at the very end are taken as that line end, since an LF
// after them would make a CR LF.
std::string ended_line(std::string text)
{
    if (text.empty()) return text;
    const std::size_t kept = text.find_last_not_of('\r');
    text.resize(kept == std::string::npos ? 0 : kept + 1);
    if (text.empty() || text.back() != '\n') text += '\n';
    return text;
}

// The simple view's row bound to an entry, and its 1-based position in that view.
struct SaveRow {
    SaveCandidate candidate;
    std::size_t number = 0;
};

std::vector<std::optional<SaveRow>> save_rows_by_entry(std::span<const FormatEntry> entries)
{
    std::vector<std::optional<SaveRow>> rows(entries.size());
    const std::vector<SaveCandidate> candidates = build_save_candidates(entries);
    for (std::size_t r = 0; r < candidates.size(); ++r)
        if (candidates[r].format_index < rows.size()) rows[candidates[r].format_index] = SaveRow{candidates[r], r + 1};
    return rows;
}

json offer_json(const FormatOffer& offer)
{
    return {{"tymed", offer.tymed},
            {"medium", medium_text(offer.tymed)},
            {"aspect", offer.aspect},
            {"aspect_text", aspect_text(offer.aspect)},
            {"lindex", offer.lindex},
            {"index", index_text(offer.lindex)},
            {"target_device", offer.has_target_device}};
}

json format_json(const FormatEntry& entry, const std::optional<std::uint64_t>& global_size,
                 const std::optional<SaveRow>& save_row)
{
    const std::vector<std::string> cells = advanced_row_cells(entry);
    json offers = json::array();
    for (const FormatOffer& offer : entry.offers) offers.push_back(offer_json(offer));
    json save = nullptr;
    if (save_row)
        save = {{"kind", save_row->candidate.kind},
                {"label", save_row->candidate.label},
                {"extension", save_row->candidate.extension},
                {"row", save_row->number}};
    return {{"number", entry.ordinal},
            {"name", entry.name},
            {"role", cells[2]},
            {"advertised_through", cells[3]},
            {"ole_medium", cells[4]},
            {"aspect", cells[5]},
            {"index", cells[6]},
            {"id", entry.id},
            {"hex", cells[8]},
            {"class", entry.class_label},
            {"listed_by_win32", entry.listed_by_win32},
            {"global_size", global_size ? json(*global_size) : json(nullptr)},
            {"save", std::move(save)},
            {"offers", std::move(offers)}};
}

std::optional<std::uint64_t> size_at(std::span<const std::optional<std::uint64_t>> sizes, std::size_t i)
{
    return i < sizes.size() ? sizes[i] : std::nullopt;
}

// One report kind in both output forms: its JSON fields and what the text form prints.
struct ShownReport {
    std::string_view kind;
    json fields = json::object();
    std::string text;
    bool to_error = false;
};

std::string table_text(const PropertyTable& table)
{
    std::string out;
    append_tsv_line(out, table.columns);
    for (const auto& row : table.rows) append_tsv_line(out, row);
    return out;
}

ShownReport shown_report(const FormatEntry& entry, const DetailReport& report, std::string_view error_display)
{
    const Overloaded shown{
        [](const TextContent& c) -> ShownReport {
            return {"text", {{"text", lf_line_ends(c.text)}}, ended_line(lf_line_ends(c.text))};
        },
        [](const ReportContent& c) -> ShownReport {
            return {"report", {{"text", lf_line_ends(c.text)}}, ended_line(lf_line_ends(c.text))};
        },
        [](const RichTextContent& c) -> ShownReport {
            return {"rich_text", {{"source", lf_line_ends(c.text)}}, ended_line(lf_line_ends(c.text))};
        },
        [](const HtmlContent& c) -> ShownReport {
            return {"html",
                    {{"source", lf_line_ends(c.html.source)}, {"document", lf_line_ends(c.html.document)}},
                    ended_line(lf_line_ends(c.html.source))};
        },
        [](const TableContent& c) -> ShownReport {
            const PropertyTable& t = c.table;
            return {"table",
                    {{"columns", t.columns},
                     {"rows", t.rows},
                     {"table_caption", t.table_caption},
                     {"text_caption", t.text_caption},
                     {"text", lf_line_ends(t.raw_text)}},
                    table_text(t)};
        },
        [](const ImageContent& c) -> ShownReport {
            const int width = c.image ? c.image->width() : 0;
            const int height = c.image ? c.image->height() : 0;
            return {"image",
                    {{"width", width}, {"height", height}},
                    "Image " + std::to_string(width) + " x " + std::to_string(height) + "\n"};
        },
        [](const AudioContent& c) -> ShownReport {
            const std::string description = c.audio ? c.audio->description : std::string();
            return {"audio", {{"description", description}}, ended_line(description)};
        },
        [&](const UnavailableContent& c) -> ShownReport {
            const std::string text = lf_line_ends(unavailable_text(entry, error_display));
            return {"unavailable",
                    {{"error", {{"code", hresult_hex(c.error.code)}, {"message", std::string(error_display)}}},
                     {"text", text}},
                    ended_line(text),
                    true};
        },
    };
    return std::visit(shown, report.content);
}

}  // namespace

std::string lf_line_ends(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '\r') {
            out += text[i++];
            continue;
        }
        // A run of CR before LF is one line end (texts converted for edit controls twice hold CR CR LF).
        const std::size_t run_end = std::min(text.find_first_not_of('\r', i), text.size());
        if (run_end == text.size() || text[run_end] != '\n') out.append(run_end - i, '\r');
        i = run_end;
    }
    return out;
}

std::string json_text(const json& value)
{
    return value.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

json snapshot_json(const ClipboardSnapshot& snapshot, std::span<const std::optional<std::uint64_t>> global_sizes)
{
    const auto save_rows = save_rows_by_entry(snapshot.entries);
    json formats = json::array();
    for (std::size_t i = 0; i < snapshot.entries.size(); ++i)
        formats.push_back(format_json(snapshot.entries[i], size_at(global_sizes, i), save_rows[i]));
    return {{"summary", snapshot.summary},
            {"sequence_number", snapshot.sequence_number},
            {"owner_window", snapshot.owner_window},
            {"enum_end_code", snapshot.enum_end_code},
            {"win32_count", snapshot.win32_count()},
            {"ole_offer_count", snapshot.ole_offer_count},
            {"unique_count", snapshot.unique_count()},
            {"ole_error", snapshot.ole_error ? json(*snapshot.ole_error) : json(nullptr)},
            {"formats", std::move(formats)},
            {"logical_object",
             snapshot.logical_object_text.empty() ? json(nullptr) : json(lf_line_ends(snapshot.logical_object_text))}};
}

std::string snapshot_text(const ClipboardSnapshot& snapshot, std::span<const std::optional<std::uint64_t>> global_sizes)
{
    std::string out = snapshot.summary + "\n\n";
    if (snapshot.entries.empty()) return out + std::string(CLI_CLIPBOARD_EMPTY) + "\n";
    std::vector<std::string> header;
    for (std::size_t c = 0; c < ADVANCED_COLUMNS; ++c) header.emplace_back(format_list_column_caption(true, c));
    header.insert(header.end(), {"Global size", "Save as"});
    append_tsv_line(out, header);

    const auto save_rows = save_rows_by_entry(snapshot.entries);
    bool any_offer = false;
    for (std::size_t i = 0; i < snapshot.entries.size(); ++i) {
        const FormatEntry& entry = snapshot.entries[i];
        std::vector<std::string> cells = advanced_row_cells(entry);
        const auto size = size_at(global_sizes, i);
        cells.push_back(size ? std::to_string(*size) : "-");
        cells.push_back(save_rows[i] ? save_rows[i]->candidate.extension + " (" + save_rows[i]->candidate.label + ")"
                                     : "-");
        append_tsv_line(out, cells);
        any_offer = any_offer || !entry.offers.empty();
    }
    if (any_offer) {
        out += "\nOLE offers\n";
        append_tsv_line(out, std::vector<std::string>{"#", "Tymed", "OLE medium", "Aspect", "Index", "Target device"});
        for (const FormatEntry& entry : snapshot.entries)
            for (const FormatOffer& offer : entry.offers)
                append_tsv_line(
                    out, std::vector<std::string>{std::to_string(entry.ordinal), std::to_string(offer.tymed),
                                                  medium_text(offer.tymed), aspect_text(offer.aspect),
                                                  index_text(offer.lindex), offer.has_target_device ? "yes" : "no"});
    }
    if (!snapshot.logical_object_text.empty()) {
        out += '\n';
        out += ended_line(lf_line_ends(snapshot.logical_object_text));
    }
    return out;
}

CliOutput list_output(const ClipboardSnapshot& snapshot, std::span<const std::optional<std::uint64_t>> global_sizes,
                      bool json_form)
{
    return {json_form ? json_text(snapshot_json(snapshot, global_sizes)) : snapshot_text(snapshot, global_sizes), "",
            CLI_SUCCESS};
}

json report_json(const FormatEntry& entry, const DetailReport& report, std::string_view error_display)
{
    ShownReport shown = shown_report(entry, report, error_display);
    json out = {{"format", {{"number", entry.ordinal}, {"name", entry.name}, {"id", entry.id}}},
                {"heading", detail_heading(entry, report)},
                {"kind", shown.kind}};
    out.update(shown.fields);
    return out;
}

CliOutput report_output(const FormatEntry& entry, const DetailReport& report, bool json_form,
                        std::string_view error_display)
{
    const int status = report.kind() == DetailReportKind::Unavailable ? CLI_FORMAT_NOT_FOUND : CLI_SUCCESS;
    if (json_form) return {json_text(report_json(entry, report, error_display)), "", status};
    ShownReport shown = shown_report(entry, report, error_display);
    if (shown.to_error) return {"", std::move(shown.text), status};
    return {std::move(shown.text), "", status};
}

}  // namespace cw
