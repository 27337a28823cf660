#include "libs/cfb/cfb.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace cfb {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::array<std::uint8_t, 8> SIGNATURE = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t HEADER_SIZE = 512;
constexpr std::size_t HEADER_DIFAT_OFFSET = 76;
constexpr std::size_t HEADER_DIFAT_COUNT = 109;
constexpr std::size_t DIR_ENTRY_SIZE = 128;

constexpr std::uint32_t MAX_REGULAR_SECTOR = 0xFFFFFFFA;
constexpr std::uint32_t END_OF_CHAIN = 0xFFFFFFFE;
constexpr std::uint32_t FREE_SECTOR = 0xFFFFFFFF;
constexpr std::uint32_t NO_STREAM = 0xFFFFFFFF;

// Fixed by the format; the header's copy of the cut-off is not trusted.
constexpr std::uint64_t MINI_STREAM_CUTOFF = 4096;
constexpr std::uint32_t MINI_SECTOR_SHIFT = 6;
constexpr std::uint64_t MINI_SECTOR_SIZE = 64;

constexpr std::uint8_t TYPE_STORAGE = 1;
constexpr std::uint8_t TYPE_STREAM = 2;
constexpr std::uint8_t TYPE_ROOT = 5;

// Real files nest storages a handful of levels deep (a mail attachment inside a mail inside a mail
// is about ten). The cap, with the path budget below, keeps the listing's memory proportional to
// the input even for a directory that is one long chain of storages.
constexpr std::size_t MAX_DEPTH = 128;
constexpr std::uint64_t PATH_BUDGET_FACTOR = 4;
constexpr std::uint64_t PATH_BUDGET_BASE = 65536;

constexpr std::string_view UNNAMED = "(unnamed)";
constexpr std::size_t MAX_WARNINGS = 32;
constexpr std::size_t NONE = std::numeric_limits<std::size_t>::max();

std::uint16_t u16_or_zero(Bytes b, std::uint64_t off)
{
    return static_cast<std::uint16_t>(read_le(b, off, 2).value_or(0));
}
std::uint32_t u32_or(Bytes b, std::uint64_t off, std::uint32_t fallback)
{
    return static_cast<std::uint32_t>(read_le(b, off, 4).value_or(fallback));
}
std::uint64_t u64_or_zero(Bytes b, std::uint64_t off)
{
    return read_le(b, off, 8).value_or(0);
}

std::uint64_t ceil_div(std::uint64_t a, std::uint64_t b)
{
    return a / b + (a % b != 0 ? 1 : 0);
}

std::string num(std::uint64_t v)
{
    return std::to_string(v);
}

std::u32string utf8_to_code_points(std::string_view text)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t len = lead < 0x80           ? 1
                          : (lead >> 5) == 0x6  ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 0;
        char32_t c = len == 1 ? lead : len == 2 ? (lead & 0x1F) : len == 3 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = len != 0 && i + len <= text.size();
        for (std::size_t k = 1; valid && k < len; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80) valid = false;
            c = (c << 6) | (cont & 0x3F);
        }
        const char32_t min_for_len[] = {0, 0, 0x80, 0x800, 0x10000};
        if (valid && (c < min_for_len[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
        out += valid ? c : char32_t{0xFFFD};
        i += valid ? len : 1;
    }
    return out;
}

// Simple upper-casing for the scripts that appear in real entry names. The format folds the whole
// of Unicode; names outside these ranges still match when their case is the same.
char32_t fold_case(char32_t c)
{
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
    if (c == 0xFF) return 0x178;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t{1};
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

bool names_equal_folded(std::string_view a, std::string_view b)
{
    const std::u32string x = utf8_to_code_points(a);
    const std::u32string y = utf8_to_code_points(b);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (fold_case(x[i]) != fold_case(y[i])) return false;
    }
    return true;
}

// What a chain is, for its error texts: "the directory", "the stream /x"; what its links count
// ("sector" or "mini sector") and the region they lie in.
struct ChainLabel {
    std::string subject;
    std::string_view unit;
    std::string_view region;
};

std::string count_of(std::uint64_t n, std::string_view unit)
{
    return num(n) + " " + std::string(unit) + (n == 1 ? "" : "s");
}

// The sectors of a chain, and what stopped it early (empty when it ended as it should).
struct Chain {
    std::vector<std::uint32_t> sectors;
    std::string problem;
};

// Follows a chain of sector numbers through an allocation table. With `wanted`, it stops after
// that many sectors and reports a chain that ends sooner; without, it runs to the end-of-chain
// mark. Every number must lie below `bound` and appear once, so the walk ends within `bound` steps.
// The sectors before a problem are kept: a caller may use them or give up.
Chain follow_chain(std::uint32_t start, const std::vector<std::uint32_t>& table, std::uint32_t bound,
                   std::optional<std::uint64_t> wanted, const ChainLabel& label)
{
    // A short chain in a large file is checked for repeats after the walk, so that reading every
    // stream of a file costs time in proportion to the streams, not to streams times file size.
    const bool dense = !wanted || *wanted >= bound / 32;
    Chain chain;
    if (wanted) chain.sectors.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(*wanted, bound)));
    std::vector<bool> seen(dense ? bound : 0, false);
    const std::string prefix = "The " + std::string(label.unit) + " chain of " + label.subject + " ";
    const auto loops_at = [&](std::uint32_t sector) {
        chain.problem = prefix + "loops back to " + std::string(label.unit) + " " + num(sector) + ".";
    };
    std::uint32_t current = start;
    while (!wanted || chain.sectors.size() < *wanted) {
        const std::uint64_t done = chain.sectors.size();
        if (current == END_OF_CHAIN) {
            if (wanted)
                chain.problem = prefix + "ends after " + num(done) + " of " + count_of(*wanted, label.unit) + ".";
            break;
        }
        if (current > MAX_REGULAR_SECTOR) {
            chain.problem =
                prefix + "is broken: it reaches a free or reserved mark after " + count_of(done, label.unit) + ".";
            break;
        }
        if (current >= bound) {
            chain.problem = prefix + "points to " + std::string(label.unit) + " " + num(current) +
                            ", beyond the end of " + std::string(label.region) + ".";
            break;
        }
        if (dense) {
            if (seen[current]) {
                loops_at(current);
                break;
            }
            seen[current] = true;
        }
        chain.sectors.push_back(current);
        current = current < table.size() ? table[current] : FREE_SECTOR;
    }
    if (!dense) {
        // Where the walk first came back to a sector it had passed, it went round a loop; cut the
        // chain there, as the dense check does.
        std::vector<std::pair<std::uint32_t, std::size_t>> by_sector;
        by_sector.reserve(chain.sectors.size());
        for (std::size_t i = 0; i < chain.sectors.size(); ++i) by_sector.emplace_back(chain.sectors[i], i);
        std::sort(by_sector.begin(), by_sector.end());
        std::size_t first_repeat = chain.sectors.size();
        for (std::size_t k = 1; k < by_sector.size(); ++k) {
            if (by_sector[k].first == by_sector[k - 1].first)
                first_repeat = std::min(first_repeat, by_sector[k].second);
        }
        if (first_repeat < chain.sectors.size()) {
            chain.problem.clear();
            loops_at(chain.sectors[first_repeat]);
            chain.sectors.resize(first_repeat);
        }
    }
    return chain;
}

struct DirRecord {
    std::string name;
    std::uint8_t type = 0;
    std::uint32_t left = NO_STREAM;
    std::uint32_t right = NO_STREAM;
    std::uint32_t child = NO_STREAM;
    std::uint32_t start = END_OF_CHAIN;
    std::uint64_t size = 0;
};

}  // namespace

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void append_utf16le(std::string& out, std::span<const std::uint8_t> units)
{
    const std::size_t n = units.size() / 2;
    const auto unit = [&](std::size_t i) { return static_cast<char32_t>(units[2 * i] | units[2 * i + 1] << 8); };
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = unit(i);
        const char32_t low = i + 1 < n ? unit(i + 1) : 0;
        if (c >= 0xD800 && c <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        append_utf8(out, c);
    }
}

std::string_view kind_name(EntryKind kind)
{
    switch (kind) {
        case EntryKind::root:
            return "root";
        case EntryKind::storage:
            return "storage";
        case EntryKind::stream:
            return "stream";
    }
    return "stream";
}

bool has_signature(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= SIGNATURE.size() && std::equal(SIGNATURE.begin(), SIGNATURE.end(), bytes.begin());
}

struct CompoundFile::Impl {
    std::vector<std::uint8_t> owned;  // empty when the caller's bytes are borrowed
    Bytes bytes;
    int major_version = 3;
    std::uint32_t sector_shift = 9;
    std::uint32_t sector_size = 512;
    // Sectors that begin inside the data; the last one may be cut short by the end of the data.
    std::uint32_t sector_count = 0;

    std::vector<std::uint32_t> fat;
    std::vector<DirRecord> dir;

    // A damaged mini stream or mini FAT only matters to the streams kept there.
    std::vector<std::uint32_t> mini_fat;
    std::vector<std::uint32_t> mini_stream_sectors;
    std::uint64_t mini_stream_size = 0;      // as the root entry declares it
    std::uint64_t mini_stream_readable = 0;  // the part that the chain and the data actually hold

    std::vector<std::string> warnings;
    std::vector<Entry> entries;
    std::vector<std::size_t> parent_of;     // per entry: the parent's entry index (NONE for the root)
    std::vector<std::size_t> entry_of_dir;  // per directory record: its entry index, NONE when unreachable

    Bytes sector_bytes(std::uint32_t sector) const
    {
        const std::uint64_t offset = (std::uint64_t{sector} + 1) << sector_shift;
        if (offset >= bytes.size()) return {};
        const std::uint64_t count = std::min<std::uint64_t>(sector_size, bytes.size() - offset);
        return bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
    }

    std::optional<Error> read_header();
    std::optional<Error> load_fat();
    std::optional<Error> load_directory();
    void load_mini();
    std::optional<Error> walk();
    std::vector<std::uint32_t> children_in_order(std::uint32_t owner, std::vector<bool>& placed);
    bool accept_link(std::uint32_t from, std::uint32_t to, const std::vector<bool>& placed);
    void warn(std::string text);
    Result<std::vector<std::uint8_t>> read_regular(const DirRecord& rec, const std::string& path,
                                                   std::uint64_t n) const;
    Result<std::vector<std::uint8_t>> read_mini(const DirRecord& rec, const std::string& path, std::uint64_t n) const;
    Result<std::vector<std::uint8_t>> read(const Entry& entry, std::uint64_t max_bytes) const;
};

std::optional<Error> CompoundFile::Impl::read_header()
{
    if (bytes.size() < HEADER_SIZE)
        return Error{"The data is too short to be a compound file: it has " + num(bytes.size()) +
                     " bytes and the header alone takes 512."};
    if (!has_signature(bytes))
        return Error{"The data is not a compound file: the signature D0 CF 11 E0 A1 B1 1A E1 is missing."};
    const std::uint16_t major = u16_or_zero(bytes, 26);
    if (major != 3 && major != 4)
        return Error{"The compound file has major version " + num(major) + "; only versions 3 and 4 exist."};
    const std::uint16_t shift = u16_or_zero(bytes, 30);
    // Versions 3 and 4 call for 512- and 4096-byte sectors; some writers put 4096-byte sectors in a
    // version 3 file, and the sector shift is what tells where sectors lie, so it is what counts.
    if (shift != 9 && shift != 12)
        return Error{"The compound file's sector size is invalid: the sector shift is " + num(shift) +
                     " where 9 or 12 is expected."};
    const std::uint16_t mini_shift = u16_or_zero(bytes, 32);
    if (mini_shift != MINI_SECTOR_SHIFT)
        return Error{"The compound file's mini sector size is invalid: the mini sector shift is " + num(mini_shift) +
                     " where 6 is expected."};
    major_version = major;
    sector_shift = shift;
    sector_size = std::uint32_t{1} << shift;
    const std::uint64_t after_header = bytes.size() > sector_size ? bytes.size() - sector_size : 0;
    sector_count = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(ceil_div(after_header, sector_size), std::uint64_t{MAX_REGULAR_SECTOR} + 1));
    return std::nullopt;
}

std::optional<Error> CompoundFile::Impl::load_fat()
{
    const std::uint32_t fat_count = u32_or(bytes, 44, 0);
    if (fat_count > sector_count)
        return Error{"The compound file lists " + num(fat_count) + " FAT sectors but holds only " + num(sector_count) +
                     " sectors."};
    std::vector<std::uint32_t> fat_sectors;
    fat_sectors.reserve(fat_count);
    for (std::size_t i = 0; i < HEADER_DIFAT_COUNT && fat_sectors.size() < fat_count; ++i)
        fat_sectors.push_back(u32_or(bytes, HEADER_DIFAT_OFFSET + 4 * i, FREE_SECTOR));

    // The FAT sectors beyond the first 109 are listed in a chain of DIFAT sectors, each ending
    // with the number of the next. Where that chain breaks, the FAT sectors it would have listed
    // are missing, like those of a truncated file below.
    const std::size_t per_difat_sector = sector_size / 4 - 1;
    std::vector<bool> seen(sector_count, false);
    std::uint32_t difat = u32_or(bytes, 68, END_OF_CHAIN);
    while (fat_sectors.size() < fat_count) {
        std::string problem;
        if (difat > MAX_REGULAR_SECTOR) {
            problem =
                "The DIFAT ends after listing " + num(fat_sectors.size()) + " of " + num(fat_count) + " FAT sectors.";
        } else if (difat >= sector_count) {
            problem = "The DIFAT points to sector " + num(difat) + ", beyond the end of the file.";
        } else if (seen[difat]) {
            problem = "The DIFAT chain loops back to sector " + num(difat) + ".";
        } else if (sector_bytes(difat).size() < sector_size) {
            problem = "The DIFAT sector " + num(difat) + " is cut off by the end of the file.";
        }
        if (!problem.empty()) {
            warn(problem + " The sectors described by the FAT sectors it does not list count as free.");
            break;
        }
        seen[difat] = true;
        const Bytes sector = sector_bytes(difat);
        for (std::size_t i = 0; i < per_difat_sector && fat_sectors.size() < fat_count; ++i)
            fat_sectors.push_back(u32_or(sector, 4 * i, FREE_SECTOR));
        difat = u32_or(sector, sector_size - 4, END_OF_CHAIN);
    }

    // A FAT sector that lies outside the data (a truncated file) leaves the sectors it describes
    // unknown. They read as free, so only the chains that pass through them fail.
    const std::size_t per_fat_sector = sector_size / 4;
    fat.reserve(static_cast<std::size_t>(fat_count) * per_fat_sector);
    for (const std::uint32_t s : fat_sectors) {
        const Bytes sector = s < sector_count ? sector_bytes(s) : Bytes{};
        if (sector.size() < sector_size)
            warn("The FAT sector " + num(s) + " is missing from the file; the sectors it describes count as free.");
        for (std::size_t i = 0; i < per_fat_sector; ++i) fat.push_back(u32_or(sector, 4 * i, FREE_SECTOR));
    }
    return std::nullopt;
}

std::optional<Error> CompoundFile::Impl::load_directory()
{
    const Chain chain = follow_chain(u32_or(bytes, 48, END_OF_CHAIN), fat, sector_count, std::nullopt,
                                     ChainLabel{"the directory", "sector", "the file"});
    if (!chain.problem.empty()) return Error{chain.problem};
    const bool ignore_high_size = sector_size == 512;
    for (const std::uint32_t s : chain.sectors) {
        const Bytes sector = sector_bytes(s);
        for (std::size_t off = 0; off + DIR_ENTRY_SIZE <= sector.size(); off += DIR_ENTRY_SIZE) {
            const Bytes raw = sector.subspan(off, DIR_ENTRY_SIZE);
            DirRecord rec;
            // The name length counts bytes including the terminating zero; a damaged length is
            // clamped to the 32 units the field can hold, and the name ends at the first zero.
            const std::size_t units = std::min<std::size_t>(u16_or_zero(raw, 64) / 2, 32);
            std::size_t length = 0;
            while (length < units && u16_or_zero(raw, 2 * length) != 0) ++length;
            append_utf16le(rec.name, raw.first(2 * length));
            rec.type = raw[66];
            rec.left = u32_or(raw, 68, NO_STREAM);
            rec.right = u32_or(raw, 72, NO_STREAM);
            rec.child = u32_or(raw, 76, NO_STREAM);
            rec.start = u32_or(raw, 116, END_OF_CHAIN);
            rec.size = u64_or_zero(raw, 120);
            if (ignore_high_size) rec.size &= 0xFFFFFFFFU;
            dir.push_back(std::move(rec));
        }
    }
    if (dir.empty()) return Error{"The compound file's directory is empty."};
    if (dir[0].type != TYPE_ROOT) return Error{"The first directory entry of the compound file is not the root."};
    return std::nullopt;
}

// Both the mini FAT and the mini stream are used as far as their chains reach: a break leaves
// the rest missing, which fails only the streams that need it, each with its own reason.
void CompoundFile::Impl::load_mini()
{
    const std::uint32_t mini_fat_start = u32_or(bytes, 60, END_OF_CHAIN);
    if (mini_fat_start != END_OF_CHAIN && mini_fat_start != FREE_SECTOR) {
        const Chain chain = follow_chain(mini_fat_start, fat, sector_count, std::nullopt,
                                         ChainLabel{"the mini FAT", "sector", "the file"});
        if (!chain.problem.empty()) warn(chain.problem + " Only the part before the break is used.");
        for (const std::uint32_t s : chain.sectors) {
            const Bytes sector = sector_bytes(s);
            for (std::size_t off = 0; off + 4 <= sector.size(); off += 4)
                mini_fat.push_back(u32_or(sector, off, FREE_SECTOR));
        }
    }
    const DirRecord& root = dir[0];
    if (root.size > bytes.size()) {
        warn("The mini stream claims " + num(root.size) + " bytes, more than the whole file; it is not used.");
        return;
    }
    Chain chain = follow_chain(root.start, fat, sector_count, ceil_div(root.size, sector_size),
                               ChainLabel{"the mini stream", "sector", "the file"});
    if (!chain.problem.empty()) warn(chain.problem + " Only the part before the break is used.");
    mini_stream_size = root.size;
    mini_stream_readable = std::min(root.size, std::uint64_t{chain.sectors.size()} * sector_size);
    mini_stream_sectors = std::move(chain.sectors);
}

// The children of one storage form a binary tree through the left and right links; its in-order
// walk is the format's name order. Every record may be placed once in the whole directory. A link
// to a record outside the directory, to one that is not a storage or stream, or to one already
// placed (a loop, or a record shared by two storages) is skipped with a warning: the walk always
// ends, and one damaged branch does not hide the rest of the file.
std::vector<std::uint32_t> CompoundFile::Impl::children_in_order(std::uint32_t owner, std::vector<bool>& placed)
{
    std::vector<std::uint32_t> ordered;
    std::vector<std::uint32_t> pending;
    std::uint32_t from = owner;
    std::uint32_t current = dir[owner].child;
    for (;;) {
        while (current != NO_STREAM) {
            if (!accept_link(from, current, placed)) break;
            placed[current] = true;
            pending.push_back(current);
            from = current;
            current = dir[current].left;
        }
        if (pending.empty()) break;
        from = pending.back();
        pending.pop_back();
        ordered.push_back(from);
        current = dir[from].right;
    }
    return ordered;
}

bool CompoundFile::Impl::accept_link(std::uint32_t from, std::uint32_t to, const std::vector<bool>& placed)
{
    std::string reason;
    if (to >= dir.size()) {
        reason = "the directory has only " + num(dir.size()) + " entries.";
    } else if (dir[to].type != TYPE_STORAGE && dir[to].type != TYPE_STREAM) {
        reason = "that entry is neither a storage nor a stream.";
    } else if (placed[to]) {
        reason = "that entry is already in the tree, so the link would make a loop.";
    } else {
        return true;
    }
    warn("The directory link from entry " + num(from) + " to entry " + num(to) + " was skipped: " + reason);
    return false;
}

void CompoundFile::Impl::warn(std::string text)
{
    if (warnings.size() < MAX_WARNINGS) {
        warnings.push_back(std::move(text));
    } else if (warnings.size() == MAX_WARNINGS) {
        warnings.push_back("Further problems were found and skipped.");
    }
}

std::optional<Error> CompoundFile::Impl::walk()
{
    std::vector<bool> placed(dir.size(), false);
    placed[0] = true;
    entry_of_dir.assign(dir.size(), NONE);
    entries.push_back(Entry{EntryKind::root, dir[0].name, "/", dir[0].size, 0});
    parent_of.push_back(NONE);
    entry_of_dir[0] = 0;

    const std::uint64_t path_budget = PATH_BUDGET_FACTOR * bytes.size() + PATH_BUDGET_BASE;
    std::uint64_t path_bytes = 1;

    struct Frame {
        std::size_t entry;
        std::vector<std::uint32_t> children;
        std::size_t next = 0;
    };
    std::vector<Frame> stack;
    stack.push_back(Frame{0, children_in_order(0, placed)});

    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.children.size()) {
            stack.pop_back();
            continue;
        }
        const std::uint32_t id = frame.children[frame.next++];
        const std::size_t parent = frame.entry;
        const DirRecord& rec = dir[id];
        const std::string& parent_path = entries[parent].path;
        std::string path = parent_path == "/" ? "/" : parent_path + "/";
        path += rec.name.empty() ? std::string(UNNAMED) : rec.name;
        path_bytes += path.size();
        if (path_bytes > path_budget)
            return Error{"The compound file's entry paths are too long to list: its storages are nested too deeply."};

        const bool storage = rec.type == TYPE_STORAGE;
        entry_of_dir[id] = entries.size();
        entries.push_back(Entry{storage ? EntryKind::storage : EntryKind::stream, rec.name, std::move(path),
                                storage ? 0 : rec.size, id});
        parent_of.push_back(parent);
        if (!storage) continue;  // a stream's child link means nothing and is not followed
        if (stack.size() >= MAX_DEPTH)
            return Error{"The compound file nests storages more than " + num(MAX_DEPTH) + " levels deep."};
        std::vector<std::uint32_t> children = children_in_order(id, placed);
        stack.push_back(Frame{entries.size() - 1, std::move(children)});
    }
    return std::nullopt;
}

Result<std::vector<std::uint8_t>> CompoundFile::Impl::read_regular(const DirRecord& rec, const std::string& path,
                                                                   std::uint64_t n) const
{
    if (ceil_div(rec.size, sector_size) > sector_count)
        return Error{"The stream " + path + " claims " + num(rec.size) + " bytes, more than the file holds."};
    const Chain chain = follow_chain(rec.start, fat, sector_count, ceil_div(n, sector_size),
                                     ChainLabel{"the stream " + path, "sector", "the file"});
    if (!chain.problem.empty()) return Error{chain.problem};
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(n));
    for (const std::uint32_t s : chain.sectors) {
        const std::uint64_t take = std::min<std::uint64_t>(sector_size, n - out.size());
        const Bytes sector = sector_bytes(s);
        if (sector.size() < take)
            return Error{"The stream " + path + " is cut off: the file ends inside its sector " + num(s) + "."};
        out.insert(out.end(), sector.begin(), sector.begin() + static_cast<std::ptrdiff_t>(take));
    }
    return out;
}

Result<std::vector<std::uint8_t>> CompoundFile::Impl::read_mini(const DirRecord& rec, const std::string& path,
                                                                std::uint64_t n) const
{
    // The mini stream lies inside the data, so its sector count fits 32 bits.
    const std::uint64_t mini_sectors = ceil_div(mini_stream_size, MINI_SECTOR_SIZE);
    if (ceil_div(rec.size, MINI_SECTOR_SIZE) > mini_sectors)
        return Error{"The stream " + path + " claims " + num(rec.size) + " bytes, more than the mini stream holds (" +
                     num(mini_stream_size) + " bytes)."};
    const Chain chain =
        follow_chain(rec.start, mini_fat, static_cast<std::uint32_t>(mini_sectors), ceil_div(n, MINI_SECTOR_SIZE),
                     ChainLabel{"the stream " + path, "mini sector", "the mini stream"});
    if (!chain.problem.empty()) return Error{chain.problem};
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(n));
    for (const std::uint32_t m : chain.sectors) {
        const std::uint64_t take = std::min<std::uint64_t>(MINI_SECTOR_SIZE, n - out.size());
        const std::uint64_t mini_offset = std::uint64_t{m} * MINI_SECTOR_SIZE;
        const std::uint64_t index = mini_offset >> sector_shift;
        const Bytes sector = index < mini_stream_sectors.size() ? sector_bytes(mini_stream_sectors[index]) : Bytes{};
        const std::uint64_t within = mini_offset & (sector_size - 1);
        if (mini_offset + take > mini_stream_readable || within + take > sector.size())
            return Error{"The stream " + path + " is cut off: its mini sector " + num(m) +
                         " lies beyond the readable part of the mini stream."};
        const auto begin = sector.begin() + static_cast<std::ptrdiff_t>(within);
        out.insert(out.end(), begin, begin + static_cast<std::ptrdiff_t>(take));
    }
    return out;
}

Result<std::vector<std::uint8_t>> CompoundFile::Impl::read(const Entry& entry, std::uint64_t max_bytes) const
{
    const std::size_t index = entry.id < entry_of_dir.size() ? entry_of_dir[entry.id] : NONE;
    if (index == NONE || entries[index].path != entry.path)
        return Error{"The entry " + entry.path + " does not belong to this compound file."};
    const Entry& own = entries[index];
    if (own.kind != EntryKind::stream)
        return Error{"The entry " + own.path + " is a " + std::string(kind_name(own.kind)) + ", not a stream."};
    const DirRecord& rec = dir[entry.id];
    if (rec.size > bytes.size())
        return Error{"The stream " + own.path + " claims " + num(rec.size) + " bytes, more than the whole file (" +
                     num(bytes.size()) + " bytes)."};
    const std::uint64_t n = std::min(rec.size, max_bytes);
    if (n == 0) return std::vector<std::uint8_t>{};
    return rec.size < MINI_STREAM_CUTOFF ? read_mini(rec, own.path, n) : read_regular(rec, own.path, n);
}

Result<CompoundFile> CompoundFile::open(std::span<const std::uint8_t> bytes)
{
    return open_impl(std::make_unique<Impl>(), bytes);
}

Result<CompoundFile> CompoundFile::open(std::vector<std::uint8_t>&& bytes)
{
    auto impl = std::make_unique<Impl>();
    impl->owned = std::move(bytes);
    const Bytes view(impl->owned);
    return open_impl(std::move(impl), view);
}

Result<CompoundFile> CompoundFile::open_impl(std::unique_ptr<Impl> impl, std::span<const std::uint8_t> bytes)
{
    impl->bytes = bytes;
    std::optional<Error> failure = impl->read_header();
    if (!failure) failure = impl->load_fat();
    if (!failure) failure = impl->load_directory();
    if (!failure) impl->load_mini();
    if (!failure) failure = impl->walk();
    if (!failure) return CompoundFile(std::move(impl));
    // What was skipped before the failure is often its cause (a FAT sector missing, say).
    if (!impl->warnings.empty()) failure->message += " " + impl->warnings.front();
    return *failure;
}

CompoundFile::CompoundFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CompoundFile::CompoundFile(CompoundFile&&) noexcept = default;
CompoundFile& CompoundFile::operator=(CompoundFile&&) noexcept = default;
CompoundFile::~CompoundFile() = default;

int CompoundFile::major_version() const
{
    return impl_->major_version;
}
std::uint32_t CompoundFile::sector_size() const
{
    return impl_->sector_size;
}
const std::vector<Entry>& CompoundFile::entries() const
{
    return impl_->entries;
}
const std::vector<std::string>& CompoundFile::warnings() const
{
    return impl_->warnings;
}

Result<Entry> CompoundFile::find(std::string_view path) const
{
    const std::string shown(path);
    if (path.empty() || path.front() != '/')
        return Error{"The path \"" + shown + "\" does not start at the root (\"/\")."};
    const auto& entries = impl_->entries;
    std::size_t current = 0;
    std::string_view rest = path.substr(1);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        std::size_t exact = NONE;
        std::size_t folded = NONE;
        for (std::size_t i = current + 1; i < entries.size() && exact == NONE; ++i) {
            if (impl_->parent_of[i] != current || entries[i].name.empty()) continue;
            if (entries[i].name == segment)
                exact = i;
            else if (folded == NONE && names_equal_folded(entries[i].name, segment))
                folded = i;
        }
        const std::size_t found = exact != NONE ? exact : folded;
        if (found == NONE) return Error{"The compound file has no entry " + shown + "."};
        current = found;
    }
    return entries[current];
}

Result<Entry> CompoundFile::open_stream(std::string_view path) const
{
    auto entry = find(path);
    if (!entry) return entry.error();
    if (entry->kind != EntryKind::stream)
        return Error{"The entry " + entry->path + " is a " + std::string(kind_name(entry->kind)) + ", not a stream."};
    return entry;
}

Result<std::vector<std::uint8_t>> CompoundFile::read(const Entry& stream) const
{
    return impl_->read(stream, std::numeric_limits<std::uint64_t>::max());
}

Result<std::vector<std::uint8_t>> CompoundFile::read_prefix(const Entry& stream, std::uint64_t max_bytes) const
{
    return impl_->read(stream, max_bytes);
}

Result<std::vector<std::uint8_t>> CompoundFile::read_stream(std::string_view path) const
{
    auto entry = open_stream(path);
    if (!entry) return entry.error();
    return read(*entry);
}

}  // namespace cfb
