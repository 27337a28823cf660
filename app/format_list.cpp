#include "app/format_list.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "base/dpi.h"
#include "capture/format_identity.h"
#include "save/candidates.h"

namespace cw {

namespace {

struct ColumnSpec {
    std::string_view caption;
    int width_96;
};

constexpr std::array<ColumnSpec, 2> SIMPLE_COLUMNS{{{"Available file types", 210}, {"Output", 80}}};

constexpr std::array<ColumnSpec, 10> ADVANCED_COLUMNS{{
    {"#", 36},
    {"Raw format name", 205},
    {"Role", 118},
    {"Advertised through", 118},
    {"OLE medium", 145},
    {"Aspect", 80},
    {"Index", 60},
    {"Decimal", 66},
    {"Hex", 72},
    {"Class", 82},
}};

std::span<const ColumnSpec> column_specs(bool advanced_view)
{
    if (advanced_view) return ADVANCED_COLUMNS;
    return SIMPLE_COLUMNS;
}

// The texts of every offer for one column, each distinct text once in first-seen order.
template <typename TextOf>
std::string joined_offer_texts(const FormatEntry& entry, TextOf text_of)
{
    std::vector<std::string> seen;
    for (const FormatOffer& offer : entry.offers) {
        std::string text = text_of(offer);
        if (std::find(seen.begin(), seen.end(), text) == seen.end()) seen.push_back(std::move(text));
    }
    if (seen.empty()) return "-";
    std::string joined = seen.front();
    for (std::size_t i = 1; i < seen.size(); ++i) joined += " | " + seen[i];
    return joined;
}

std::string hex_id(std::uint32_t id)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", static_cast<unsigned>(id));
    return buffer;
}

FormatListModel empty_model(bool advanced_view, std::uint32_t dpi)
{
    FormatListModel model;
    model.columns = format_list_columns(advanced_view, dpi);
    model.ex_style_mask = LVS_EX_FULLROWSELECT_STYLE | LVS_EX_GRIDLINES_STYLE | LVS_EX_DOUBLEBUFFER_STYLE;
    model.ex_style = LIST_VIEW_EX_STYLE | (advanced_view ? LVS_EX_GRIDLINES_STYLE : 0);
    return model;
}

}  // namespace

std::vector<std::size_t> FormatListModel::row_format_indices() const
{
    std::vector<std::size_t> indices;
    indices.reserve(rows.size());
    for (const ListRow& row : rows) indices.push_back(row.format_index);
    return indices;
}

std::vector<ListColumn> format_list_columns(bool advanced_view, std::uint32_t dpi)
{
    std::vector<ListColumn> columns;
    for (const ColumnSpec& spec : column_specs(advanced_view))
        columns.push_back(ListColumn{std::string(spec.caption), scale(spec.width_96, dpi)});
    return columns;
}

std::string_view format_list_column_caption(bool advanced_view, std::size_t column)
{
    const std::span<const ColumnSpec> specs = column_specs(advanced_view);
    return column < specs.size() ? specs[column].caption : std::string_view{};
}

std::vector<std::string> advanced_row_cells(const FormatEntry& entry, const OfferTextFunctions& texts)
{
    return {
        std::to_string(entry.ordinal),
        entry.name,
        std::string(format_role(entry)),
        texts.source(entry),
        joined_offer_texts(entry, [&](const FormatOffer& o) { return texts.medium(o.tymed); }),
        joined_offer_texts(entry, [&](const FormatOffer& o) { return texts.aspect(o.aspect); }),
        joined_offer_texts(entry, [&](const FormatOffer& o) { return texts.index(o.lindex); }),
        std::to_string(entry.id),
        hex_id(entry.id),
        entry.class_label,
    };
}

FormatListModel build_simple_format_list(std::span<const FormatEntry> entries, std::uint32_t dpi)
{
    FormatListModel model = empty_model(false, dpi);
    for (SaveCandidate& candidate : build_save_candidates(entries))
        model.rows.push_back(
            ListRow{{std::move(candidate.label), std::move(candidate.extension)}, candidate.format_index});
    model.heading = std::string(SIMPLE_VIEW_HEADING);
    model.toggle_caption = std::string(SIMPLE_VIEW_TOGGLE_CAPTION);
    if (model.rows.empty())
        model.overview = DetailTexts{std::string(NOTHING_SAVEABLE_TITLE), std::string(NOTHING_SAVEABLE_TEXT)};
    else
        model.first_row = 0;
    return model;
}

FormatListModel build_advanced_format_list(const ClipboardSnapshot& snapshot, std::uint32_t dpi,
                                           const OfferTextFunctions& texts)
{
    FormatListModel model = empty_model(true, dpi);
    for (std::size_t index = 0; index < snapshot.entries.size(); ++index)
        model.rows.push_back(ListRow{advanced_row_cells(snapshot.entries[index], texts), index});
    model.heading = snapshot.summary;
    model.toggle_caption = std::string(ADVANCED_VIEW_TOGGLE_CAPTION);
    model.stop_audio = true;
    model.overview = DetailTexts{std::string(OVERVIEW_TITLE), snapshot.logical_object_text.empty()
                                                                  ? std::string(NO_LOGICAL_GROUPING_TEXT)
                                                                  : snapshot.logical_object_text};
    return model;
}

}  // namespace cw
