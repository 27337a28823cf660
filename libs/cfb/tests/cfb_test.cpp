#include "libs/cfb/cfb.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corpus.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t END = 0xFFFFFFFE;
constexpr std::uint32_t FREE = 0xFFFFFFFF;

void put(Bytes& b, std::size_t off, std::uint64_t v, int width)
{
    for (int i = 0; i < width; ++i) b.at(off + i) = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(Bytes& b, std::size_t off, std::uint16_t v)
{
    put(b, off, v, 2);
}
void put32(Bytes& b, std::size_t off, std::uint32_t v)
{
    put(b, off, v, 4);
}
void put64(Bytes& b, std::size_t off, std::uint64_t v)
{
    put(b, off, v, 8);
}

Bytes pattern(std::size_t n, unsigned seed = 0)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>((i * 7 + seed + i / 251) & 0xFF);
    return b;
}

struct Node {
    std::u16string name;
    int parent = -1;  // index of a storage node, -1 for the root
    bool storage = false;
    Bytes data;
};

// A compound file laid out as: FAT sectors, DIFAT sectors, directory, mini FAT, mini stream, then
// each large stream, every chain contiguous. Node i gets directory entry i + 1.
struct Built {
    Bytes bytes;
    std::uint32_t sector_size = 512;
    std::uint32_t dir_start = 0;
    std::uint32_t mini_fat_start = 0;
    std::vector<std::uint32_t> start;  // per node: first sector, or first mini sector

    std::size_t sector_offset(std::uint32_t s) const { return (std::size_t{s} + 1) * sector_size; }
    std::size_t fat_offset(std::uint32_t s) const
    {
        return sector_offset(s / (sector_size / 4)) + 4 * (s % (sector_size / 4));
    }
    std::size_t dir_offset(std::uint32_t id) const
    {
        const std::uint32_t per = sector_size / 128;
        return sector_offset(dir_start + id / per) + 128 * (id % per);
    }
};

bool cfb_less(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size()) return a.size() < b.size();
    auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (up(a[i]) != up(b[i])) return up(a[i]) < up(b[i]);
    return false;
}

Built build(const std::vector<Node>& nodes, unsigned shift = 9, std::uint16_t major = 3)
{
    Built out;
    const std::uint32_t ss = 1U << shift;
    const std::uint32_t per_fat = ss / 4;
    out.sector_size = ss;
    out.start.assign(nodes.size(), END);

    Bytes mini;
    std::vector<std::uint32_t> mini_fat;
    std::vector<std::size_t> large;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Bytes& data = nodes[i].data;
        if (nodes[i].storage || data.empty()) continue;
        if (data.size() >= 4096) {
            large.push_back(i);
            continue;
        }
        const auto first = static_cast<std::uint32_t>(mini.size() / 64);
        const auto count = static_cast<std::uint32_t>((data.size() + 63) / 64);
        for (std::uint32_t k = 0; k < count; ++k) mini_fat.push_back(k + 1 < count ? first + k + 1 : END);
        mini.insert(mini.end(), data.begin(), data.end());
        mini.resize(std::size_t{first + count} * 64, 0);
        out.start[i] = first;
    }
    auto sectors_for = [&](std::size_t n) { return static_cast<std::uint32_t>((n + ss - 1) / ss); };
    const std::uint32_t dir_sectors = sectors_for((nodes.size() + 1) * 128);
    const std::uint32_t mini_fat_sectors = sectors_for(mini_fat.size() * 4);
    const std::uint32_t mini_sectors = sectors_for(mini.size());
    std::uint32_t used = dir_sectors + mini_fat_sectors + mini_sectors;
    for (std::size_t i : large) used += sectors_for(nodes[i].data.size());
    std::uint32_t fat_sectors = 1, difat_sectors = 0;
    for (;; ++fat_sectors) {
        difat_sectors = fat_sectors > 109 ? (fat_sectors - 109 + per_fat - 2) / (per_fat - 1) : 0;
        if (std::uint64_t{fat_sectors} * per_fat >= used + fat_sectors + difat_sectors) break;
    }
    const std::uint32_t total = used + fat_sectors + difat_sectors;

    std::vector<std::uint32_t> fat(std::size_t{fat_sectors} * per_fat, FREE);
    std::uint32_t next = 0;
    auto run = [&](std::uint32_t count, std::optional<std::uint32_t> mark) {
        if (count == 0) return END;
        for (std::uint32_t k = 0; k < count; ++k) fat[next + k] = mark ? *mark : (k + 1 < count ? next + k + 1 : END);
        next += count;
        return next - count;
    };
    run(fat_sectors, 0xFFFFFFFD);
    const std::uint32_t difat_start = run(difat_sectors, 0xFFFFFFFC);
    out.dir_start = run(dir_sectors, std::nullopt);
    const std::uint32_t mini_fat_start = out.mini_fat_start = run(mini_fat_sectors, std::nullopt);
    const std::uint32_t mini_start = run(mini_sectors, std::nullopt);
    for (std::size_t i : large) out.start[i] = run(sectors_for(nodes[i].data.size()), std::nullopt);

    Bytes& b = out.bytes;
    b.assign(std::size_t{total + 1} * ss, 0);
    const std::uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), b.begin());
    put16(b, 24, 0x3E);
    put16(b, 26, major);
    put16(b, 28, 0xFFFE);
    put16(b, 30, static_cast<std::uint16_t>(shift));
    put16(b, 32, 6);
    if (major == 4) put32(b, 40, dir_sectors);
    put32(b, 44, fat_sectors);
    put32(b, 48, out.dir_start);
    put32(b, 56, 4096);
    put32(b, 60, mini_fat_start);
    put32(b, 64, mini_fat_sectors);
    put32(b, 68, difat_start);
    put32(b, 72, difat_sectors);
    for (std::uint32_t k = 0; k < 109; ++k) put32(b, 76 + 4 * k, k < fat_sectors ? k : FREE);
    for (std::uint32_t d = 0, listed = 109; d < difat_sectors; ++d) {
        const std::size_t off = out.sector_offset(difat_start + d);
        for (std::uint32_t k = 0; k + 1 < per_fat; ++k, ++listed)
            put32(b, off + 4 * k, listed < fat_sectors ? listed : FREE);
        put32(b, off + ss - 4, d + 1 < difat_sectors ? difat_start + d + 1 : END);
    }
    for (std::size_t k = 0; k < fat.size(); ++k) put32(b, out.fat_offset(static_cast<std::uint32_t>(k)), fat[k]);
    for (std::size_t k = 0; k < mini_fat.size(); ++k) put32(b, out.sector_offset(mini_fat_start) + 4 * k, mini_fat[k]);
    std::copy(mini.begin(), mini.end(), b.begin() + static_cast<std::ptrdiff_t>(out.sector_offset(mini_start)));
    for (std::size_t i : large) {
        const Bytes& data = nodes[i].data;
        std::copy(data.begin(), data.end(), b.begin() + static_cast<std::ptrdiff_t>(out.sector_offset(out.start[i])));
    }

    // Directory: every storage's children as a balanced tree in name order.
    for (std::uint32_t id = 0; id < dir_sectors * (ss / 128); ++id) {
        for (std::size_t link : {68, 72, 76}) put32(b, out.dir_offset(id) + link, FREE);
    }
    std::function<std::uint32_t(const std::vector<std::uint32_t>&, std::size_t, std::size_t)> tree =
        [&](const std::vector<std::uint32_t>& ids, std::size_t lo, std::size_t hi) -> std::uint32_t {
        if (lo >= hi) return FREE;
        const std::size_t mid = (lo + hi) / 2;
        put32(b, out.dir_offset(ids[mid]) + 68, tree(ids, lo, mid));
        put32(b, out.dir_offset(ids[mid]) + 72, tree(ids, mid + 1, hi));
        return ids[mid];
    };
    auto write_entry = [&](std::uint32_t id, const std::u16string& name, std::uint8_t type, int self) {
        const std::size_t off = out.dir_offset(id);
        for (std::size_t k = 0; k < name.size(); ++k) put16(b, off + 2 * k, name[k]);
        put16(b, off + 64, static_cast<std::uint16_t>(name.empty() ? 0 : 2 * (name.size() + 1)));
        b[off + 66] = type;
        std::vector<std::uint32_t> children;
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].parent == self) children.push_back(static_cast<std::uint32_t>(i + 1));
        std::sort(children.begin(), children.end(),
                  [&](std::uint32_t x, std::uint32_t y) { return cfb_less(nodes[x - 1].name, nodes[y - 1].name); });
        if (type != 2) put32(b, off + 76, tree(children, 0, children.size()));
    };
    write_entry(0, u"Root Entry", 5, -1);
    put32(b, out.dir_offset(0) + 116, mini_start);
    put64(b, out.dir_offset(0) + 120, mini.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto id = static_cast<std::uint32_t>(i + 1);
        write_entry(id, nodes[i].name, nodes[i].storage ? 1 : 2, static_cast<int>(i));
        put32(b, out.dir_offset(id) + 116, out.start[i]);
        put64(b, out.dir_offset(id) + 120, nodes[i].data.size());
    }
    return out;
}

cfb::CompoundFile open_ok(Bytes bytes)
{
    auto file = cfb::CompoundFile::open(std::move(bytes));
    if (!file) ADD_FAILURE() << file.error().message;
    return std::move(file).value();
}

std::vector<std::string> listing(const cfb::CompoundFile& file)
{
    std::vector<std::string> lines;
    for (const auto& e : file.entries())
        lines.push_back(std::string(cfb::kind_name(e.kind)) + " " + std::to_string(e.size) + " " + e.path);
    return lines;
}

std::string read_error(const cfb::CompoundFile& file, std::string_view path)
{
    auto data = file.read_stream(path);
    return data ? "(read " + std::to_string(data->size()) + " bytes)" : data.error().message;
}

// ---------------------------------------------------------------------------------------------
// Files we build

TEST(Cfb, StreamsOfEverySizeReadBackInBothVersions)
{
    const std::size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 10000, 70000};
    for (const auto& [shift, major] : {std::pair{9U, std::uint16_t{3}}, std::pair{12U, std::uint16_t{4}}}) {
        std::vector<Node> nodes;
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            const std::string name = "s" + std::to_string(sizes[i]);
            nodes.push_back(Node{std::u16string(name.begin(), name.end()), -1, false, pattern(sizes[i], unsigned(i))});
        }
        const Built built = build(nodes, shift, major);
        const auto file = open_ok(built.bytes);
        EXPECT_EQ(file.major_version(), major);
        EXPECT_EQ(file.sector_size(), 1U << shift);
        EXPECT_TRUE(file.warnings().empty());
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            SCOPED_TRACE("shift " + std::to_string(shift) + ", size " + std::to_string(sizes[i]));
            auto entry = file.open_stream("/s" + std::to_string(sizes[i]));
            ASSERT_TRUE(entry.ok()) << entry.error().message;
            EXPECT_EQ(entry->size, sizes[i]);
            auto whole = file.read(*entry);
            ASSERT_TRUE(whole.ok()) << whole.error().message;
            EXPECT_EQ(*whole, nodes[i].data);
            for (std::uint64_t n : {0ULL, 1ULL, 64ULL, 100ULL, 5000ULL, ~0ULL}) {
                auto prefix = file.read_prefix(*entry, n);
                ASSERT_TRUE(prefix.ok());
                const Bytes expected(nodes[i].data.begin(),
                                     nodes[i].data.begin() + std::min<std::uint64_t>(n, sizes[i]));
                EXPECT_EQ(*prefix, expected);
            }
        }
    }
}

TEST(Cfb, FindFoldsCaseAndExplainsFailures)
{
    const std::vector<Node> nodes = {
        {u"Contents", -1, false, pattern(30)},  {u"ObjectPool", -1, true, {}},     {u"CONTENTS", 1, true, {}},
        {u"\u00C4rger", -1, false, pattern(4)}, {u"Exact", -1, false, pattern(1)}, {u"EXACT", -1, false, pattern(2)},
    };
    const auto file = open_ok(build(nodes).bytes);
    struct Case {
        std::string path;
        std::string found;  // path of the entry found, or the error text
    } cases[] = {
        {"/", "/"},
        {"/CONTENTS", "/Contents"},
        {"/objectpool/contents", "/ObjectPool/CONTENTS"},
        {"/ObjectPool/CONTENTS/", "/ObjectPool/CONTENTS"},
        {"/\u00E4RGER", "/\u00C4rger"},
        {"/EXACT", "/EXACT"},
        {"/Exact", "/Exact"},
        {"/Missing", "The compound file has no entry /Missing."},
        {"/Contents/x", "The compound file has no entry /Contents/x."},
        {"//Contents", "The compound file has no entry //Contents."},
        {"Contents", "The path \"Contents\" does not start at the root (\"/\")."},
    };
    for (const Case& c : cases) {
        auto entry = file.find(c.path);
        EXPECT_EQ(entry ? entry->path : entry.error().message, c.found) << c.path;
    }
    EXPECT_EQ(file.open_stream("/objectpool").error().message, "The entry /ObjectPool is a storage, not a stream.");
    EXPECT_EQ(file.open_stream("/").error().message, "The entry / is a root, not a stream.");
    EXPECT_EQ(file.read(file.entries()[0]).error().message, "The entry / is a root, not a stream.");
    EXPECT_EQ(*file.read_stream("/exact"), pattern(1));
}

TEST(Cfb, EntryFromAnotherFileIsRefused)
{
    const auto one = open_ok(build({{u"A", -1, false, pattern(10)}}).bytes);
    const auto two = open_ok(build({{u"B", -1, false, pattern(10)}}).bytes);
    EXPECT_EQ(two.read(one.entries()[1]).error().message, "The entry /A does not belong to this compound file.");
}

TEST(Cfb, FatBeyondTheHeaderIsFoundThroughTheDifat)
{
    // 7.5 MB needs more than the 109 FAT sectors that the header can list.
    const Bytes big = pattern(7'500'000, 3);
    const Built built =
        build({{u"Big", -1, false, big}, {u"small", -1, false, pattern(100)}, {u"loop", -1, false, pattern(5000)}});
    ASSERT_GT(built.bytes.size(), 109U * 128 * 512);
    const auto file = open_ok(built.bytes);
    EXPECT_TRUE(file.warnings().empty());
    EXPECT_EQ(*file.read_stream("/Big"), big);
    EXPECT_EQ(*file.read_stream("/small"), pattern(100));

    // A DIFAT that points outside the file leaves the FAT sectors it lists missing: the open still
    // works, and the big stream fails at the first sector that the missing FAT would describe.
    Bytes damaged_bytes = built.bytes;
    put32(damaged_bytes, 68, 99999);
    auto damaged = cfb::CompoundFile::open(damaged_bytes);
    ASSERT_TRUE(damaged.ok()) << damaged.error().message;
    EXPECT_EQ(damaged->warnings(), std::vector<std::string>{"The DIFAT points to sector 99999, beyond the end of the "
                                                            "file. The sectors described by the FAT sectors it does "
                                                            "not list count as free."});
    EXPECT_EQ(read_error(*damaged, "/Big"),
              "The sector chain of the stream /Big is broken: it reaches a free or reserved mark after 13833 sectors.");
    EXPECT_EQ(*damaged->read_stream("/small"), pattern(100));

    // A loop in a chain much shorter than the file is found after the walk; the text still names
    // the sector where the chain came back.
    Bytes looped = built.bytes;
    const std::uint32_t loop = built.start[2];
    put32(looped, built.fat_offset(loop + 5), loop + 2);
    EXPECT_EQ(read_error(open_ok(looped), "/loop"),
              "The sector chain of the stream /loop loops back to sector " + std::to_string(loop + 2) + ".");
}

TEST(Cfb, SizeHighHalfIsIgnoredOnlyWith512ByteSectors)
{
    for (const auto& [shift, major] : {std::pair{9U, std::uint16_t{3}}, std::pair{12U, std::uint16_t{4}}}) {
        Built built = build({{u"S", -1, false, pattern(5000)}, {u"m", -1, false, pattern(70)}}, shift, major);
        put32(built.bytes, built.dir_offset(1) + 124, 0xDEADBEEF);
        put32(built.bytes, built.dir_offset(2) + 124, 0x00000001);
        const auto file = open_ok(built.bytes);
        if (shift == 9) {
            EXPECT_EQ(file.entries()[1].size, 70U);
            EXPECT_EQ(*file.read_stream("/S"), pattern(5000));
            EXPECT_EQ(*file.read_stream("/m"), pattern(70));
        } else {
            EXPECT_EQ(file.find("/S")->size, 0xDEADBEEF00001388ULL);
            EXPECT_EQ(read_error(file, "/S"),
                      "The stream /S claims 16045690981097411464 bytes, more than the whole "
                      "file (28672 bytes).");
        }
    }
}

// Each case breaks one thing in a sound file and names what opening or reading must say.
TEST(Cfb, DamagedFilesFailWithClearTexts)
{
    // Layout: FAT in sector 0, directory in 1-2, mini FAT in 3, mini stream in 4-5, /big in 6-15.
    const std::vector<Node> nodes = {
        {u"big", -1, false, pattern(5000)},
        {u"small", -1, false, pattern(600)},
        {u"Store", -1, true, {}},
        {u"inner", 2, false, pattern(10)},
    };
    const Built base = build(nodes);
    ASSERT_EQ(base.bytes.size(), 17U * 512);
    const std::uint32_t big = base.start[0];
    ASSERT_EQ(big, 6U);
    struct OpenCase {
        const char* what;
        std::function<void(Bytes&)> damage;
        std::string error;
    } open_cases[] = {
        {"signature", [](Bytes& b) { b[0] = 0; },
         "The data is not a compound file: the signature D0 CF 11 E0 A1 B1 1A E1 is missing."},
        {"short", [](Bytes& b) { b.resize(100); },
         "The data is too short to be a compound file: it has 100 bytes and the header alone takes 512."},
        {"version", [](Bytes& b) { put16(b, 26, 5); },
         "The compound file has major version 5; only versions 3 and 4 exist."},
        {"sector shift", [](Bytes& b) { put16(b, 30, 10); },
         "The compound file's sector size is invalid: the sector shift is 10 where 9 or 12 is expected."},
        {"mini shift", [](Bytes& b) { put16(b, 32, 7); },
         "The compound file's mini sector size is invalid: the mini sector shift is 7 where 6 is expected."},
        {"FAT count", [](Bytes& b) { put32(b, 44, 1000); },
         "The compound file lists 1000 FAT sectors but holds only 16 sectors."},
        {"directory start out of range", [](Bytes& b) { put32(b, 48, 500); },
         "The sector chain of the directory points to sector 500, beyond the end of the file."},
        {"directory chain cycle", [&](Bytes& b) { put32(b, base.fat_offset(base.dir_start), base.dir_start); },
         "The sector chain of the directory loops back to sector 1."},
        {"root type", [&](Bytes& b) { b[base.dir_offset(0) + 66] = 1; },
         "The first directory entry of the compound file is not the root."},
    };
    for (const OpenCase& c : open_cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = base.bytes;
        c.damage(bytes);
        auto file = cfb::CompoundFile::open(bytes);
        EXPECT_EQ(file ? "(opened)" : file.error().message, c.error);
    }

    struct ReadCase {
        const char* what;
        std::function<void(Bytes&)> damage;
        std::string path;     // reading this...
        std::string error;    // ...must fail so
        std::string control;  // while this stream still reads
    } read_cases[] = {
        {"FAT cycle", [&](Bytes& b) { put32(b, base.fat_offset(big + 5), big + 2); }, "/big",
         "The sector chain of the stream /big loops back to sector 8.", "/small"},
        {"stream start out of range", [&](Bytes& b) { put32(b, base.dir_offset(1) + 116, 4000); }, "/big",
         "The sector chain of the stream /big points to sector 4000, beyond the end of the file.", "/small"},
        {"chain too short", [&](Bytes& b) { put32(b, base.fat_offset(big + 3), END); }, "/big",
         "The sector chain of the stream /big ends after 4 of 10 sectors.", "/small"},
        {"chain reaches a free sector", [&](Bytes& b) { put32(b, base.fat_offset(big), FREE); }, "/big",
         "The sector chain of the stream /big is broken: it reaches a free or reserved mark after 1 sector.", "/small"},
        {"size beyond the file", [&](Bytes& b) { put32(b, base.dir_offset(1) + 120, 8500); }, "/big",
         "The stream /big claims 8500 bytes, more than the file holds.", "/small"},
        {"size far beyond the file", [&](Bytes& b) { put32(b, base.dir_offset(1) + 120, 0xFFFFFFF0); }, "/big",
         "The stream /big claims 4294967280 bytes, more than the whole file (8704 bytes).", "/small"},
        {"truncated inside a sector", [](Bytes& b) { b.resize(b.size() - 300); }, "/big",
         "The stream /big is cut off: the file ends inside its sector 15.", "/small"},
        {"truncated before a sector", [](Bytes& b) { b.resize(b.size() - 1024); }, "/big",
         "The sector chain of the stream /big points to sector 14, beyond the end of the file.", "/Store/inner"},
        {"mini chain cycle", [&](Bytes& b) { put32(b, base.sector_offset(base.mini_fat_start) + 4, 0); }, "/small",
         "The mini sector chain of the stream /small loops back to mini sector 0.", "/Store/inner"},
        {"mini chain out of range", [&](Bytes& b) { put32(b, base.sector_offset(base.mini_fat_start) + 4, 70); },
         "/small",
         "The mini sector chain of the stream /small points to mini sector 70, beyond the end of the mini stream.",
         "/Store/inner"},
        {"mini size beyond the mini stream", [&](Bytes& b) { put32(b, base.dir_offset(2) + 120, 1000); }, "/small",
         "The stream /small claims 1000 bytes, more than the mini stream holds (704 bytes).", "/Store/inner"},
        {"mini stream chain broken", [&](Bytes& b) { put32(b, base.fat_offset(4), FREE); }, "/Store/inner",
         "The stream /Store/inner is cut off: its mini sector 10 lies beyond the readable part of the mini stream.",
         "/big"},
    };
    for (const ReadCase& c : read_cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = base.bytes;
        c.damage(bytes);
        auto file = cfb::CompoundFile::open(bytes);
        ASSERT_TRUE(file.ok()) << file.error().message;
        EXPECT_EQ(read_error(*file, c.path), c.error);
        EXPECT_EQ(read_error(*file, c.control), "(read " + std::to_string(file->find(c.control)->size) + " bytes)");
    }
}

TEST(Cfb, DamagedDirectoryLinksAreSkippedWithWarnings)
{
    const std::vector<Node> nodes = {
        {u"a", -1, false, pattern(1)}, {u"b", -1, false, pattern(2)}, {u"c", -1, false, pattern(3)},
        {u"S", -1, true, {}},          {u"x", 3, false, pattern(4)},
    };
    const Built base = build(nodes);
    // The root's children form the tree c(3) on top, b(2) left of it with a(1) left of b, S(4) right.
    struct Case {
        const char* what;
        std::uint32_t entry;
        std::size_t link;  // 68 left, 72 right, 76 child
        std::uint32_t to;
        std::vector<std::string> paths;
        std::string warning;
    } cases[] = {
        {"loop back to the top",
         1,
         72,
         3,
         {"/", "/a", "/b", "/c", "/S", "/S/x"},
         "The directory link from entry 1 to entry 3 was skipped: that entry is already in the tree, so the link would "
         "make a loop."},
        {"storage containing itself",
         4,
         76,
         4,
         {"/", "/a", "/b", "/c", "/S"},
         "The directory link from entry 4 to entry 4 was skipped: that entry is already in the tree, so the link would "
         "make a loop."},
        {"link back to the root",
         5,
         68,
         0,
         {"/", "/a", "/b", "/c", "/S", "/S/x"},
         "The directory link from entry 5 to entry 0 was skipped: that entry is neither a storage nor a stream."},
        {"link outside the directory",
         3,
         68,
         99,
         {"/", "/c", "/S", "/S/x"},
         "The directory link from entry 3 to entry 99 was skipped: the directory has only 8 entries."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = base.bytes;
        put32(bytes, base.dir_offset(c.entry) + c.link, c.to);
        const auto file = open_ok(bytes);
        std::vector<std::string> paths;
        for (const auto& e : file.entries()) paths.push_back(e.path);
        EXPECT_EQ(paths, c.paths);
        EXPECT_EQ(file.warnings(), std::vector<std::string>{c.warning});
    }
}

TEST(Cfb, DeepNestingIsRefused)
{
    std::vector<Node> nodes;
    for (int i = 0; i < 200; ++i) nodes.push_back({u"d", i - 1, true, {}});
    EXPECT_EQ(cfb::CompoundFile::open(build(nodes).bytes).error().message,
              "The compound file nests storages more than 128 levels deep.");
    nodes.resize(100);
    EXPECT_EQ(open_ok(build(nodes).bytes).entries().size(), 101U);
}

// ---------------------------------------------------------------------------------------------
// Real files

std::filesystem::path cfb_corpus(const char* name)
{
    return cw::test::corpus_dir() / "cfb" / name;
}

TEST(CfbCorpus, KnownEntriesHaveTheirSizes)
{
    CW_REQUIRE_CORPUS();
    struct Case {
        const char* file;
        const char* path;
        const char* resolved;
        cfb::EntryKind kind;
        std::uint64_t size;
    } cases[] = {
        {"apache-poi/document/Bug53380_1.doc", "/ObjectPool/_1120046422/CONTENTS", "/ObjectPool/_1120046422/CONTENTS",
         cfb::EntryKind::stream, 17172},
        {"apache-poi/poifs/61300.bin", "/MBD006CBD3A/CONTENTS", "/MBD006CBD3A/CONTENTS", cfb::EntryKind::stream, 34824},
        {"apache-poi/poifs/oleObject1.bin", "/\x01Ole10Native", "/\x01Ole10Native", cfb::EntryKind::stream, 7341},
        {"apache-poi/publisher/Simple.pub", "/CONTENTS", "/Contents", cfb::EntryKind::stream, 9806},
        {"apache-poi/publisher/Simple.pub", "/Quill/QuillSub/CONTENTS", "/Quill/QuillSub/CONTENTS",
         cfb::EntryKind::stream, 4096},
        {"apache-poi/hpsf/TestSolidWorks.sldprt", "/CONTENTS", "/Contents", cfb::EntryKind::storage, 0},
        {"openmcdf/OpenMcdf.Tests/MultipleStorage4.cfs", "/MyStorage/Another2Storage/MyStream",
         "/MyStorage/Another2Storage/MyStream", cfb::EntryKind::storage, 0},
        {"openmcdf/OpenMcdf.Tests/MultipleStorage4.cfs", "/MyStorage/AnotherStorage/MyStream",
         "/MyStorage/AnotherStorage/MyStream", cfb::EntryKind::stream, 31220},
        {"sheetjs-test-files/phpexcel_bad_cfb_dir.xls", "/Workbook", "/Workbook", cfb::EntryKind::stream, 84045},
        {"apache-poi/poifs/BlockSize4096.zvi", "/", "/", cfb::EntryKind::root, 11564},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.path);
        const Bytes bytes = cw::test::read_file_bytes(cfb_corpus(c.file));
        const auto file = open_ok(bytes);
        auto entry = file.find(c.path);
        ASSERT_TRUE(entry.ok()) << entry.error().message;
        EXPECT_EQ(entry->path, c.resolved);
        EXPECT_EQ(entry->kind, c.kind);
        EXPECT_EQ(entry->size, c.size);
        if (c.kind == cfb::EntryKind::stream) {
            EXPECT_EQ(file.read(*entry)->size(), c.size);
        }
    }
    const auto solid = open_ok(cw::test::read_file_bytes(cfb_corpus("apache-poi/hpsf/TestSolidWorks.sldprt")));
    EXPECT_EQ(solid.open_stream("/CONTENTS").error().message, "The entry /Contents is a storage, not a stream.");
}

TEST(CfbCorpus, WordDocumentListsInPreOrderAndNameOrder)
{
    CW_REQUIRE_CORPUS();
    const auto file = open_ok(cw::test::read_file_bytes(cfb_corpus("apache-poi/document/Bug53380_1.doc")));
    const std::vector<std::string> expected = {
        "root 1408 /",
        "stream 6019 /Data",
        "stream 23443 /1Table",
        "stream 106 /\x01"
        "CompObj",
        "storage 0 /ObjectPool",
        "storage 0 /ObjectPool/_1120046422",
        "stream 20 /ObjectPool/_1120046422/\x01Ole",
        "stream 117 /ObjectPool/_1120046422/\x01"
        "CompObj",
        "stream 4 /ObjectPool/_1120046422/\x03ObjInfo",
        "stream 17172 /ObjectPool/_1120046422/CONTENTS",
        "stream 20 /ObjectPool/_1120046422/CONTENTSV30",
        "stream 50206 /WordDocument",
        "stream 444 /\x05SummaryInformation",
        "stream 512 /\x05"
        "DocumentSummaryInformation",
    };
    EXPECT_EQ(listing(file), expected);
}

TEST(CfbCorpus, MiniStreamCutOffAndStreamContents)
{
    CW_REQUIRE_CORPUS();
    // These files hold one stream "TestStream" whose byte i is i mod 256.
    for (const char* name :
         {"v3_0", "v3_63", "v3_64", "v3_65", "v3_4095", "v3_4096", "v3_4097", "v4_0", "v4_512", "v4_4095", "v4_4096"}) {
        SCOPED_TRACE(name);
        const Bytes bytes = cw::test::read_file_bytes(cfb_corpus("openmcdf/OpenMcdf.Tests") /
                                                      ("TestStream_" + std::string(name) + ".cfs"));
        const auto file = open_ok(bytes);
        const std::uint64_t size = std::stoull(std::string(name).substr(3));
        auto data = file.read_stream("/TestStream");
        ASSERT_TRUE(data.ok()) << data.error().message;
        Bytes expected(size);
        for (std::size_t i = 0; i < size; ++i) expected[i] = static_cast<std::uint8_t>(i);
        EXPECT_EQ(*data, expected);
    }
}

TEST(CfbCorpus, FourKilobyteSectorsHoldTheSameAsTheirSmallSectorTwin)
{
    CW_REQUIRE_CORPUS();
    const Bytes small_bytes = cw::test::read_file_bytes(cfb_corpus("apache-poi/poifs/BlockSize512.zvi"));
    const Bytes large_bytes = cw::test::read_file_bytes(cfb_corpus("apache-poi/poifs/BlockSize4096.zvi"));
    const auto small = open_ok(small_bytes);
    const auto large = open_ok(large_bytes);
    EXPECT_EQ(large.sector_size(), 4096U);
    EXPECT_EQ(large.major_version(), 3);
    ASSERT_EQ(listing(small), listing(large));
    for (const auto& entry : small.entries()) {
        if (entry.kind != cfb::EntryKind::stream) continue;
        auto a = small.read(entry);
        auto b = large.read(*large.find(entry.path));
        ASSERT_TRUE(a.ok() && b.ok()) << entry.path;
        EXPECT_EQ(*a, *b) << entry.path;
    }
}

TEST(CfbCorpus, UnnamedStorageIsListedButNotFoundByPath)
{
    CW_REQUIRE_CORPUS();
    const auto file = open_ok(cw::test::read_file_bytes(cfb_corpus("apache-poi/poifs/Notes.ole2")));
    const std::vector<std::string> expected = {"root 2368 /", "storage 0 /(unnamed)",
                                               "stream 76 /(unnamed)/\x01"
                                               "CompObj",
                                               "stream 2197 /(unnamed)/\x01Ole10Native"};
    EXPECT_EQ(listing(file), expected);
    EXPECT_FALSE(file.find("/(unnamed)").ok());
    EXPECT_EQ(file.read(file.entries()[3])->size(), 2197U);
}

// Every compound file of the corpus: sound ones read completely; damaged ones open or fail with a
// text, and what they list either reads back with its declared size or fails with a text. Each
// workbook holds its BIFF stream as "Workbook" or "Book", starting with a BOF record.
TEST(CfbCorpus, EveryEntryOfEveryFileReadsBackOrFailsCleanly)
{
    CW_REQUIRE_CORPUS();
    const std::vector<std::string> damaged = {
        "clusterfuzz-testcase",
        "ReferencesInvalidSectors",
        "61300.bin",
        "unknown_properties",
        "FatChainLoop",
        "loop_in_",
        "alloc_panic",
        "minialloc_panic",
    };
    int files = 0, streams = 0, workbooks = 0;
    for (const char* kind : {"cfb", "workbooks"}) {
        for (const auto& item : std::filesystem::recursive_directory_iterator(cw::test::corpus_dir() / kind)) {
            if (!item.is_regular_file() || item.path().extension() == ".md") continue;
            const Bytes bytes = cw::test::read_file_bytes(item.path());
            if (!cfb::has_signature(bytes)) continue;
            const std::string name = item.path().string();
            SCOPED_TRACE(name);
            const bool sound = std::none_of(damaged.begin(), damaged.end(),
                                            [&](const std::string& d) { return name.find(d) != std::string::npos; });
            auto file = cfb::CompoundFile::open(bytes);
            ++files;
            if (!file) {
                EXPECT_FALSE(sound) << file.error().message;
                EXPECT_FALSE(file.error().message.empty());
                continue;
            }
            if (sound) {
                EXPECT_EQ(file->warnings(), std::vector<std::string>{});
            }
            if (std::string_view(kind) == "workbooks") {
                auto book = file->open_stream("/Workbook");
                if (!book) book = file->open_stream("/Book");
                auto head = book ? file->read_prefix(*book, 4) : cfb::Result<Bytes>(cfb::Error{"no BIFF stream"});
                if (head && head->size() == 4 && (*head)[0] == 0x09 && (*head)[1] == 0x08) ++workbooks;
            }
            for (const auto& entry : file->entries()) {
                if (entry.kind != cfb::EntryKind::stream) continue;
                auto data = file->read(entry);
                if (data) {
                    EXPECT_EQ(data->size(), entry.size) << entry.path;
                    ++streams;
                } else {
                    EXPECT_FALSE(sound) << entry.path << ": " << data.error().message;
                    EXPECT_FALSE(data.error().message.empty());
                }
            }
        }
    }
    EXPECT_GT(files, 90);
    EXPECT_GT(streams, 450);
    EXPECT_EQ(workbooks, 39);  // every .xls; the two encrypted packages named .xlsb and .xlsx hold none
}

TEST(CfbCorpus, DamagedFilesSaySo)
{
    CW_REQUIRE_CORPUS();
    struct Case {
        const char* file;
        std::string open_error;  // or the first warning when the file opens
    } cases[] = {
        {"openmcdf/OpenMcdf.Tests/FatChainLoop_v3.cfs", "The sector chain of the directory loops back to sector 0."},
        {"apache-poi/spreadsheet/clusterfuzz-testcase-minimized-POIHSSFFuzzer-6137883240824832.xls",
         "The compound file's mini sector size is invalid: the mini sector shift is 19265 where 6 is expected."},
        {"apache-poi/poifs/unknown_properties.msg",
         "The directory link from entry 2 to entry 55 was skipped: that entry is neither a storage nor a stream."},
        {"apache-poi/poifs/ReferencesInvalidSectors.mpp",
         "The FAT sector 1148 is missing from the file; the sectors it describes count as free."},
        {"rust-cfb/infinite_loops_fuzzed/loop_in_directory",
         "The directory link from entry 1 to entry 0 was skipped: that entry is neither a storage nor a stream."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto file = cfb::CompoundFile::open(cw::test::read_file_bytes(cfb_corpus(c.file)));
        EXPECT_EQ(file ? file->warnings().at(0) : file.error().message, c.open_error);
    }
    const auto poi = open_ok(cw::test::read_file_bytes(cfb_corpus("apache-poi/poifs/61300.bin")));
    EXPECT_EQ(read_error(poi, "/\x05SummaryInformation"),
              "The stream /\x05SummaryInformation claims 4076863688 bytes, more than the whole file (61952 bytes).");
}

}  // namespace
