#include "inspect/shell_records.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "base/text.h"
#include "inspect/bit_names.h"
#include "report/report_text.h"

namespace cw {

namespace {

constexpr std::array<BitName, 4> DROP_EFFECTS{{
    {1, "Copy"},
    {2, "Move"},
    {4, "Link"},
    {0x80000000U, "Scroll"},
}};

std::string dump(ByteView bytes) { return to_crlf(hex_dump(bytes)); }

PropertyTable status_only(std::string status, ByteView bytes)
{
    return make_property_table({{"Status", std::move(status)}}, dump(bytes));
}

// How one ITEMIDLIST walk ended: `end` is the block position such that the accepted PIDL bytes
// are end - start, and `count` the number of components from the position the result is kept
// for. Packed into 8 bytes because one is kept per block position.
enum WalkEnd : std::uint32_t { UNKNOWN = 0, TERMINATOR, BAD_LENGTH, TRUNCATED };

struct Walk {
    std::uint32_t end = 0;
    std::uint32_t count : 30 = 0;
    std::uint32_t kind : 2 = UNKNOWN;
};

// Walks component chains. The offsets of many items may lead into one long chain; every
// position's outcome is kept so a hostile offset table costs one pass over the block, not one
// pass per offset.
class PidlWalker {
public:
    // Positions are 32-bit and counts 30-bit: blocks never come near 2 GiB (the dispatcher reads at most 4 MiB),
    // and a larger one is walked only within its first 0x7FFF0000 bytes.
    explicit PidlWalker(ByteView block) : reader_(block.first(std::min<std::size_t>(block.size(), 0x7FFF0000U))) {}

    // `start` + 2 lies inside the block.
    Walk walk(std::uint32_t start)
    {
        std::vector<std::uint32_t> path;
        std::uint32_t p = start;
        Walk result;
        for (;;) {
            if (p < memo_.size() && memo_[p].kind != UNKNOWN) {
                result = memo_[p];
                break;
            }
            const std::uint16_t cb = *reader_.u16le(p);
            const std::uint64_t next = std::uint64_t{p} + cb;
            if (cb == 0) {
                result = Walk{p + 2, 0, TERMINATOR};
                break;
            }
            if (cb == 1 || next > reader_.size()) {
                result = Walk{p, 0, BAD_LENGTH};
                break;
            }
            if (next + 2 > reader_.size()) {
                result = Walk{static_cast<std::uint32_t>(next), 1, TRUNCATED};
                break;
            }
            path.push_back(p);
            p = static_cast<std::uint32_t>(next);
        }
        if (memo_.empty()) memo_.resize(reader_.size());
        memo_[p] = result;
        for (auto it = path.rbegin(); it != path.rend(); ++it) {
            ++result.count;
            memo_[*it] = result;
        }
        return result;
    }

    std::size_t size() const { return reader_.size(); }

private:
    ByteReader reader_;
    std::vector<Walk> memo_;
};

std::pair<std::uint32_t, std::string> pidl_cells(PidlWalker& walker, std::uint32_t offset)
{
    if (std::uint64_t{offset} + 2 > walker.size()) return {0, "Offset is outside the data block"};
    const Walk w = walker.walk(offset);
    const std::uint32_t bytes = w.end - offset;
    if (w.kind == TERMINATOR) {
        if (w.count == 0) return {bytes, "Desktop namespace root (empty PIDL)"};
        return {bytes, "Valid PIDL with " + std::to_string(w.count) + " component(s)"};
    }
    if (w.kind == TRUNCATED) return {bytes, "Truncated ITEMIDLIST"};
    return {bytes, "Invalid ITEMIDLIST component length"};
}

constexpr std::array<BitName, 22> SFGAO_NAMES{{
    {0x00000001, "Can copy"},
    {0x00000002, "Can move"},
    {0x00000004, "Can link"},
    {0x00000008, "Storage"},
    {0x00000010, "Can rename"},
    {0x00000020, "Can delete"},
    {0x00000040, "Has property sheet"},
    {0x00000100, "Drop target"},
    {0x00040000, "Read-only"},
    {0x00080000, "Hidden"},
    {0x00100000, "Non-enumerated"},
    {0x00200000, "New content"},
    {0x00400000, "Stream/storage capability"},
    {0x00800000, "Storage ancestor"},
    {0x01000000, "Validate"},
    {0x02000000, "Removable"},
    {0x04000000, "Compressed"},
    {0x08000000, "Browsable"},
    {0x10000000, "Filesystem ancestor"},
    {0x20000000, "Folder"},
    {0x40000000, "Filesystem object"},
    {0x80000000, "Has subfolder"},
}};

std::string mask_text(std::uint32_t value) { return "0x" + hex8(value) + "  " + shell_attribute_names(value); }

std::string fixed6(float value)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[64];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, res.ptr);
}

}  // namespace

std::string shell_attribute_names(std::uint32_t value)
{
    std::string names = set_bit_names(value, SFGAO_NAMES, ", ");
    return names.empty() ? "None" : names;
}

PropertyTable analyze_shell_idlist_array(ByteView bytes)
{
    const std::size_t n = bytes.size();
    if (n < 8) return status_only("Invalid or truncated CIDA structure", bytes);
    const ByteReader r(bytes);
    const std::uint32_t cidl = *r.u32le(0);
    if (std::uint64_t{n} < 4 * std::uint64_t{cidl} + 8) {
        return make_property_table({{"Advertised items", std::to_string(cidl)}, {"Status", "Invalid CIDA offset table"}},
                                   dump(bytes));
    }
    PropertyTable table;
    table.columns = {"Entry", "Role", "Offset", "PIDL bytes", "Interpretation"};
    // The offset table fits the block, so the row count is bounded by the block's size.
    table.rows.reserve(std::size_t{cidl} + 1);
    PidlWalker walker(bytes);
    for (std::uint64_t i = 0; i <= cidl; ++i) {
        const std::uint32_t offset = *r.u32le(4 + 4 * i);
        auto [pidl_bytes, interpretation] = pidl_cells(walker, offset);
        table.rows.push_back({i == 0 ? "Parent" : std::to_string(i), i == 0 ? "Parent namespace" : "Transferred item",
                              std::to_string(offset), std::to_string(pidl_bytes), std::move(interpretation)});
    }
    table.raw_text = "CIDA item count: " + std::to_string(cidl) +
                     "\r\n\r\nShell PIDLs identify namespace objects, including virtual objects with no filesystem "
                     "path. They are Shell identity records, not portable file contents. CF_HDROP/FileNameW is "
                     "preferred when a canonical filesystem path is available.\r\n\r\n" +
                     dump(bytes);
    table.table_caption = "Shell identities";
    table.text_caption = "Structure / bytes";
    return table;
}

PropertyTable analyze_shell_attributes(ByteView bytes, bool elevation)
{
    if (bytes.size() < 12) return status_only("Invalid 12-byte Shell attribute record", bytes);
    const ByteReader r(bytes);
    PropertyTable table = make_property_table(
        {
            {"Meaning", elevation ? "Attributes from the requested mask that Explorer associates with operations "
                                    "requiring elevation. Zero means none of the requested operations are flagged in "
                                    "this record."
                                  : "Shell capability/identity attributes shared by the transferred items. The mask "
                                    "says which bits were evaluated; the value says which evaluated attributes are "
                                    "present."},
            {"Item count", std::to_string(*r.u32le(8))},
            {"Evaluated mask", mask_text(*r.u32le(0))},
            {"Attributes present", mask_text(*r.u32le(4))},
            {"Content value", "None. This record describes the Shell items; it is not independently saveable."},
        },
        dump(bytes));
    table.table_caption = elevation ? "Elevation attributes" : "Shell attributes";
    return table;
}

PropertyTable analyze_preferred_drop_effect(ByteView bytes)
{
    std::string raw = "Invalid";
    std::string names = "Invalid";
    if (const auto flags = ByteReader(bytes).u32le(0)) {
        raw = std::to_string(*flags) + " (0x" + hex8(*flags) + ")";
        names = drop_effect_names(*flags);
    }
    PropertyTable table = make_property_table(
        {
            {"Meaning",
             "The source's requested/allowed Shell transfer effect. It describes the operation; it is not content."},
            {"Raw value", std::move(raw)},
            {"Effect flags", std::move(names)},
            {"Clipwright policy",
             "Harvest/copy only. This application will not delete or move the source even when Move is advertised."},
        },
        dump(bytes));
    table.table_caption = "Operation";
    return table;
}

PropertyTable analyze_shell_object_offsets(ByteView bytes)
{
    if (bytes.size() < 8 || bytes.size() % 8 != 0) return status_only("Invalid POINT array", bytes);
    const ByteReader r(bytes);
    PropertyTable table;
    table.columns = {"Index", "Meaning", "X", "Y", "Note"};
    table.rows.reserve(bytes.size() / 8);
    for (std::size_t i = 0; i < bytes.size() / 8; ++i) {
        const std::int32_t x = *r.i32le(8 * i);
        const std::int32_t y = *r.i32le(8 * i + 4);
        // A negative origin is ordinary on multi-monitor desktops; only items use negatives as sentinels.
        const bool sentinel = i >= 1 && (x < 0 || y < 0);
        table.rows.push_back({std::to_string(i), i == 0 ? "Group screen origin" : "Item position relative to group",
                              std::to_string(x), std::to_string(y),
                              sentinel ? "Contains a Shell sentinel/unpositioned coordinate" : "Position metadata only"});
    }
    table.raw_text = "These coordinates help Explorer position transferred icons. They contain no file content and "
                     "should never be offered as output.\r\n\r\n" +
                     dump(bytes);
    table.table_caption = "Positions";
    return table;
}

PropertyTable analyze_path_alias(std::string_view format_name, ByteView bytes, bool unicode)
{
    PropertyTable table = make_property_table(
        {
            {"Path", unicode ? decode_utf16le_to_first_zero(bytes) : decode_utf8_to_first_zero(bytes)},
            {"Meaning", unicode ? "Unicode path alias" : "Legacy ANSI path alias; it may contain an 8.3 short name"},
            {"Relationship", "An alternate spelling of an item already represented by CF_HDROP and Shell IDList "
                             "Array; not another logical payload."},
            {"Save guidance", "Use the canonical CF_HDROP/Unicode path for filesystem operations."},
        },
        dump(bytes));
    table.table_caption = names_equal(format_name, "FileNameW") ? "Unicode path" : "Legacy path";
    return table;
}

PropertyTable analyze_paste_in_place(ByteView bytes)
{
    const std::size_t n = bytes.size();
    const ByteReader r(bytes);
    PropertyRows rows{{"Meaning", "Paste-position metadata"}, {"Payload size", std::to_string(n) + " bytes"}};
    if (n >= 12) {
        rows.emplace_back("Header/flags", std::to_string(*r.u32le(0)));
        rows.emplace_back("Undocumented integer fields", std::to_string(*r.u32le(4)) + ", " + std::to_string(*r.u32le(8)));
    }
    if (n >= 16) rows.emplace_back("Placement field A", fixed6(std::bit_cast<float>(*r.u32le(12))));
    if (n >= 20) rows.emplace_back("Placement field B", fixed6(std::bit_cast<float>(*r.u32le(16))));
    rows.emplace_back("Portability", "Adobe-private; useful for Paste in Place, not independently saveable");
    PropertyTable table = make_property_table(
        std::move(rows), "This 28-byte Adobe-private block accompanies the image so an Adobe-aware target can "
                         "reproduce its placement.\r\nIts numeric fields are displayed as evidence, but their semantics "
                         "are not publicly documented and they do not equal this specimen's decoded bitmap "
                         "dimensions.\r\n\r\n" +
                             dump(bytes));
    table.table_caption = "Placement";
    return table;
}

std::string drop_effect_names(std::uint32_t value)
{
    std::string names = set_bit_names(value, DROP_EFFECTS, " + ");
    return names.empty() ? "None" : names;
}

PropertyTable analyze_async_flag(ByteView bytes)
{
    const auto value = ByteReader(bytes).u32le(0);
    PropertyTable table = make_property_table(
        {
            {"Enabled", !value ? "Invalid" : (*value != 0 ? "Yes" : "No")},
            {"Meaning", "Explorer's data object supports asynchronous or delayed Shell transfer behavior. Some "
                        "representations may be produced only when requested."},
            {"Content value", "None. This is transfer capability metadata and is never a save candidate."},
        },
        to_crlf(hex_dump(bytes)));
    table.table_caption = "Transfer behavior";
    return table;
}

}  // namespace cw
