#include "app/cli_select.h"

#include <algorithm>
#include <charconv>

#include "app/cli_arguments.h"
#include "base/text.h"
#include "capture/clipboard_formats.h"
#include "save/save_messages.h"

namespace cw {

namespace {

template <typename T>
std::optional<T> parse_number(std::string_view digits, int base)
{
    T value{};
    if (digits.empty() || digits[0] == '+' || digits[0] == '-') return std::nullopt;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (ec != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> parse_format_id(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return parse_number<std::uint32_t>(text.substr(2), 16);
    return parse_number<std::uint32_t>(text, 10);
}

template <typename Match>
std::optional<std::size_t> first_index(std::span<const FormatEntry> entries, Match match)
{
    const auto it = std::find_if(entries.begin(), entries.end(), match);
    if (it == entries.end()) return std::nullopt;
    return static_cast<std::size_t>(it - entries.begin());
}

}  // namespace

std::optional<std::size_t> find_format(std::span<const FormatEntry> entries, std::string_view spec)
{
    if (!spec.empty() && std::all_of(spec.begin(), spec.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const auto number = parse_number<std::uint64_t>(spec, 10);
        return first_index(entries, [&](const FormatEntry& e) { return number && e.ordinal == *number; });
    }
    if (!spec.empty() && spec[0] == '#') {
        const auto id = parse_format_id(spec.substr(1));
        if (!id) return std::nullopt;
        return first_index(entries, [&](const FormatEntry& e) { return e.id == *id; });
    }
    return first_index(entries, [&](const FormatEntry& e) { return names_equal(e.name, spec); });
}

std::optional<std::size_t> find_save_format(std::span<const FormatEntry> entries,
                                            const std::optional<std::string>& extension)
{
    const std::vector<SaveCandidate> rows = build_save_candidates(entries);
    if (!extension) {
        if (rows.empty()) return std::nullopt;
        return rows.front().format_index;
    }
    const std::string wanted = extension->rfind('.', 0) == 0 ? extension->substr(1) : *extension;
    for (const SaveCandidate& row : rows)
        if (names_equal(row.extension, "." + wanted)) return row.format_index;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!refusal_before_read(entries[i]) && names_equal(default_extension(entries[i]), wanted)) return i;
    return std::nullopt;
}

DestinationParts split_destination(std::u16string_view path)
{
    const std::size_t slash = path.find_last_of(u"\\/");
    if (slash == std::u16string_view::npos) return {std::u16string(), std::u16string(path)};
    std::u16string_view folder = path.substr(0, slash);
    if (folder.empty() || folder.back() == u':') folder = path.substr(0, slash + 1);
    return {std::u16string(folder), std::u16string(path.substr(slash + 1))};
}

bool has_global_memory_block(std::uint32_t id)
{
    switch (id) {
        case CF_BITMAP_ID:
        case CF_PALETTE_ID:
        case CF_ENHMETAFILE_ID:
        case CF_DSPBITMAP_ID:
        case CF_DSPENHMETAFILE_ID:
            return false;
        default:
            return (id & 0xFFFFFF00u) != CF_GDIOBJFIRST_ID;
    }
}

int save_failure_status(std::string_view message)
{
    // The failures are told apart by the texts the save command builds them from.
    if (message == CLIPBOARD_CHANGED_BEFORE_SAVE || message.starts_with(open_clipboard_failed_message("")))
        return CLI_CLIPBOARD_BUSY;
    if (message == SELECTION_GONE || message.starts_with(representation_unavailable_message("")) ||
        message.starts_with(ole_stream_failed_message("")))
        return CLI_FORMAT_NOT_FOUND;
    return CLI_SAVE_FAILED;
}

}  // namespace cw
