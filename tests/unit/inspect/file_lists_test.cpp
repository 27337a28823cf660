#include "inspect/file_lists.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "fake_file_probe.h"
#include "inspect/item_probe.h"
#include "inspect/report_text.h"
#include "inspect/signatures.h"

namespace cw {
namespace {

bool starts_with(const std::string& text, const std::string& prefix) { return text.starts_with(prefix); }

using Rows = std::vector<std::vector<std::string>>;
using Bytes = std::vector<std::uint8_t>;

const std::string PNG_BYTES("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);

TEST(ItemPath, NameLocationAndExtension)
{
    struct Case {
        const char* path;
        const char* location;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {R"(C:\Users\me\archive.tar.gz)", R"(C:\Users\me)", "archive.tar.gz", ".gz"},
        {R"(C:\Users\me\.profile)", R"(C:\Users\me)", ".profile", "None"},
        {R"(C:\Users\me\name.)", R"(C:\Users\me)", "name.", "."},
        {R"(C:\Users\me\README)", R"(C:\Users\me)", "README", "None"},
        {R"(C:\Users\me\..)", R"(C:\Users\me)", "", "None"},
        {R"(C:\Users\folder.d\)", R"(C:\Users)", "folder.d", ".d"},
        {R"(C:\file.txt)", R"(C:\)", "file.txt", ".txt"},
        {R"(C:\)", "", "", "None"},
        {"C:", "", "", "None"},
        {"", "", "", "None"},
        {"plain.txt", "", "plain.txt", ".txt"},
        {R"(\\server\share\doc.pdf)", R"(\\server\share\)", "doc.pdf", ".pdf"},
        {R"(\\server\share)", "", "", "None"},
        {R"(\\?\C:\long\x.bin)", R"(\\?\C:\long)", "x.bin", ".bin"},
        {R"(\\?\UNC\server\share\x.bin)", R"(\\?\UNC\server\share\)", "x.bin", ".bin"},
        {R"(\\.\PhysicalDrive0)", "", "", "None"},
        {"C:/mixed/./slashes/a.b", "C:/mixed/./slashes", "a.b", ".b"},
    };
    for (const Case& c : cases) {
        const PathParts parts = split_item_path(c.path);
        EXPECT_EQ(parts.location, c.location) << c.path;
        EXPECT_EQ(parts.name, c.name) << c.path;
        EXPECT_EQ(path_extension(c.path), c.extension) << c.path;
    }
}

TEST(FileTime, ConvertsLikeTheSystemAndRefusesWhatItRefuses)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "Not advertised"},
        {1, "1601-01-01 00:00:00.000"},
        {116444736000000000ULL, "1970-01-01 00:00:00.000"},
        {133497852345678901ULL, "2024-01-15 09:40:34.567"},
        {0x7FFFFFFFFFFFFFFFULL, "30828-09-14 02:48:05.477"},
        {0x8000000000000000ULL, "Invalid FILETIME"},
        {0xFFFFFFFFFFFFFFFFULL, "Invalid FILETIME"},
    };
    for (const auto& [value, text] : cases) {
        std::uint8_t bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
        EXPECT_EQ(format_filetime(bytes), text) << value;
    }
}

TEST(DropPaths, TakesWhatEachCallReportsAndNeverMoreThanItsBuffer)
{
    // The second entry grows between the length question and the copy, the third shrinks.
    const std::vector<std::u16string> now{u"C:\\a.txt", u"C:\\grown-longer.txt", u"C:\\s"};
    const std::vector<std::uint32_t> told{8, 6, 12};
    std::vector<std::string> calls;
    const auto paths = collect_drop_paths([&](std::uint32_t index, char16_t* buffer, std::uint32_t capacity) {
        if (index == 0xFFFFFFFFU) return std::uint32_t{3};
        if (!buffer) return told[index];
        const std::u16string& text = now[index];
        const std::uint32_t copied = std::min<std::uint32_t>(capacity - 1, static_cast<std::uint32_t>(text.size()));
        std::copy_n(text.begin(), copied, buffer);
        buffer[copied] = 0;
        calls.push_back(std::to_string(index) + ":" + std::to_string(capacity));
        return copied;
    });
    EXPECT_EQ(paths, (std::vector<std::string>{"C:\\a.txt", "C:\\gro", "C:\\s"}));
    EXPECT_EQ(calls, (std::vector<std::string>{"0:9", "1:7", "2:13"}));
    EXPECT_TRUE(collect_drop_paths([](std::uint32_t, char16_t*, std::uint32_t) { return 0u; }).empty());
}

TEST(DropPaths, ListMustEndInsideTheBlock)
{
    auto dropfiles = [](std::uint32_t offset, bool wide, const std::string& list) {
        std::string b(20, '\0');
        std::memcpy(b.data(), &offset, 4);
        b[16] = wide ? 1 : 0;
        b += list;
        return Bytes(b.begin(), b.end());
    };
    const std::string two_wide("a\0\0\0b\0c\0\0\0\0\0", 12);
    EXPECT_TRUE(drop_list_is_terminated(dropfiles(20, true, two_wide)));
    EXPECT_TRUE(drop_list_is_terminated(dropfiles(20, true, std::string("\0\0", 2))));
    EXPECT_TRUE(drop_list_is_terminated(dropfiles(20, false, std::string("a\0bc\0\0", 6))));
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(20, true, two_wide.substr(0, 10))));  // last entry, no list end
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(20, true, std::string("ab\0", 3))));   // half a unit
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(20, false, "abc")));
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(26, false, std::string("a\0\0", 3))));  // list starts past the end
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(8, false, std::string("\0\0", 2))));   // inside the header
    EXPECT_FALSE(drop_list_is_terminated(Bytes(19, 0)));
}

class PathEvidence : public ::testing::Test {
protected:
    void SetUp() override
    {
        probe.add_file(R"(C:\in\notes.txt)", "0123456789");
        probe.add_file(R"(C:\in\pic.png)", PNG_BYTES);
        probe.add(R"(C:\in\folder)", PathKind::Directory);
        probe.add(R"(C:\in\link.png)", PathKind::NameSurrogate);
        probe.add(R"(C:\in\fifo)", PathKind::OtherObject);
        probe.add_unreadable_file(R"(C:\in\locked.bin)", 2048);
        probe.add_file(R"(C:\cloud\report.pdf)", "%PDF-1.7");
        probe.set_attributes(R"(C:\cloud\report.pdf)", 0x00400020);
        probe.add_file(R"(C:\cloud\offline.pdf)", "%PDF-1.7");
        probe.set_attributes(R"(C:\cloud\offline.pdf)", 0x1000);
        probe.add_file(R"(C:\cloud\pinned.pdf)", "%PDF-1.7");
        probe.set_attributes(R"(C:\cloud\pinned.pdf)", 0x00080020);  // pinned locally: read as usual
    }
    test::FakeFileProbe probe;
};

TEST_F(PathEvidence, OneRowPerPathWithWhatTheFileSystemSays)
{
    const std::vector<std::string> paths{
        R"(C:\in\notes.txt)", R"(C:\in\pic.png)",  R"(C:\in\folder)",       R"(C:\in\link.png)",
        R"(C:\in\gone.txt)",  R"(C:\in\fifo)",     R"(\\.\PhysicalDrive0)", R"(C:\in\locked.bin)",
        R"(C:\cloud\report.pdf)", R"(C:\cloud\offline.pdf)", R"(C:\cloud\pinned.pdf)", R"(\\.\pipe\x)"};
    const PropertyTable t = build_path_evidence(paths, probe);
    EXPECT_EQ(t.columns, (std::vector<std::string>{"#", "Name", "Type", "Size", "Detected", "Location", "Status"}));
    const std::string none = NO_SIGNATURE_LABEL;
    EXPECT_EQ(t.rows,
              (Rows{
                  {"1", "notes.txt", "File", "10 (10 B)", none, R"(C:\in)", "Available"},
                  {"2", "pic.png", "File", "16 (16 B)", "PNG image (signature confirmed)", R"(C:\in)", "Available"},
                  {"3", "folder", "Folder", "", "", R"(C:\in)", "Available"},
                  {"4", "link.png", "Symbolic link/reparse reference", "", "", R"(C:\in)", "Available"},
                  {"5", "gone.txt", "Unknown", "", "", R"(C:\in)", "Unavailable"},
                  {"6", "fifo", "Unknown", "", "", R"(C:\in)", "Unavailable"},
                  {"7", "", "Unknown", "", "", "", "Unavailable"},
                  {"8", "locked.bin", "File", "2048 (2.00 KiB)", none, R"(C:\in)", "Available"},
                  {"9", "report.pdf", "File", "8 (8 B)", "Not sampled: online-only file", R"(C:\cloud)", "Available"},
                  {"10", "offline.pdf", "File", "8 (8 B)", "Not sampled: online-only file", R"(C:\cloud)", "Available"},
                  {"11", "pinned.pdf", "File", "8 (8 B)", "PDF document (signature confirmed)", R"(C:\cloud)", "Available"},
                  {"12", "x", "Unknown", "", "", R"(\\.\pipe\)", "Unavailable"},
              }));
    EXPECT_EQ(t.table_caption, "Items");
    EXPECT_EQ(t.text_caption, "Path evidence");
    // Device paths are never asked about; only disk files that are not online-only are read, for 32 bytes.
    for (const std::string& q : probe.asked) {
        EXPECT_EQ(q.find(R"(\\.\)"), std::string::npos) << q;
        EXPECT_EQ(q.find("read C:\\cloud\\report"), std::string::npos) << q;
        EXPECT_EQ(q.find("read C:\\cloud\\offline"), std::string::npos) << q;
        if (q.rfind("read ", 0) == 0) {
            EXPECT_EQ(q.substr(q.size() - 3), " 32") << q;
        }
        if (q.rfind("metadata ", 0) == 0) {
            EXPECT_EQ(q.substr(q.size() - 9), " nofollow") << q;
        }
    }
    EXPECT_NE(std::find(probe.asked.begin(), probe.asked.end(), "read C:\\cloud\\pinned.pdf 32"), probe.asked.end());
}

TEST_F(PathEvidence, TextListsThePaths)
{
    EXPECT_EQ(build_path_evidence({}, probe).raw_text,
              "CF_HDROP contains filesystem paths, not the contents of those files or folders.\r\nThe referenced "
              "objects can change or disappear after the clipboard is populated.\r\n\r\n");
    const PropertyTable t = build_path_evidence({"a", "b"}, probe);
    EXPECT_TRUE(t.rows.size() == 2 && t.raw_text.ends_with("populated.\r\n\r\na\r\nb\r\n"));
}

// One W or ANSI descriptor: flags, attributes, creation and write times, size and name.
Bytes descriptor(bool wide, std::uint32_t flags, std::uint32_t attributes, std::uint64_t created, std::uint64_t written,
                 std::uint64_t size, const std::string& name)
{
    Bytes d(wide ? 592 : 332, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(d.data() + at, &v, 4); };
    auto put64 = [&](std::size_t at, std::uint64_t v) { std::memcpy(d.data() + at, &v, 8); };
    put32(0, flags);
    put32(36, attributes);
    put64(40, created);
    put64(56, written);
    put32(64, static_cast<std::uint32_t>(size >> 32));
    put32(68, static_cast<std::uint32_t>(size));
    for (std::size_t i = 0; i < name.size(); ++i) d[72 + (wide ? 2 * i : i)] = static_cast<std::uint8_t>(name[i]);
    return d;
}

Bytes manifest(std::uint32_t count, std::initializer_list<Bytes> descriptors)
{
    Bytes b(4, 0);
    std::memcpy(b.data(), &count, 4);
    for (const Bytes& d : descriptors) b.insert(b.end(), d.begin(), d.end());
    return b;
}

TEST(FileGroupDescriptor, RowsForEachDescriptorTheBlockHolds)
{
    const std::uint64_t t1970 = 116444736000000000ULL;
    const Bytes w = manifest(2, {descriptor(true, 0x40, 0x20, t1970, 0, 0x100000400ULL, "mail.eml")});
    const PropertyTable t = analyze_file_group_descriptor("FileGroupDescriptorW", w);
    EXPECT_EQ(t.columns, (std::vector<std::string>{"#", "Advertised name", "Size", "Attributes", "Created (UTC)",
                                                   "Modified (UTC)"}));
    EXPECT_EQ(t.rows, (Rows{{"1", "mail.eml", "4294968320 (4.00 GiB)", "Archive (0x00000020)",
                             "1970-01-01 00:00:00.000", "Not advertised"},
                            {"2", "Truncated descriptor", "", "", "", ""}}));
    EXPECT_EQ(t.table_caption, "Virtual file manifest");
    EXPECT_EQ(t.text_caption, "Structure / bytes");
    EXPECT_PRED2(starts_with, t.raw_text, "FILEGROUPDESCRIPTOR manifest\r\nDescriptors advertised: 2\r\nEncoding: Unicode\r\n\r\n");

    // The ANSI layout is chosen by any other name; attributes without a named bit show None.
    const Bytes a = manifest(0xFFFFFFFF, {descriptor(false, 0x00, 0x00008000, 0, 0x8000000000000000ULL, 99, "x.txt"),
                                          descriptor(false, 0x40, 0x4C13, 0, 0, 0, "\xC3\xA9t\xE9")});
    const PropertyTable ta = analyze_file_group_descriptor("FileGroupDescriptor", a);
    EXPECT_EQ(ta.rows, (Rows{{"1", "x.txt", "Not advertised", "None (0x00008000)", "Not advertised", "Invalid FILETIME"},
                             {"2", "\xC3\xA9t\xEF\xBF\xBD", "0 (0 B)",
                              "Read-only, Hidden, Directory, Reparse point, Compressed, Encrypted (0x00004C13)",
                              "Not advertised", "Not advertised"},
                             {"3", "Truncated descriptor", "", "", "", ""}}));
    EXPECT_NE(ta.raw_text.find("Descriptors advertised: 4294967295\r\nEncoding: ANSI\r\n"), std::string::npos);

    const PropertyTable none = analyze_file_group_descriptor("FileGroupDescriptorW", Bytes{2, 0, 0});
    EXPECT_TRUE(none.rows.empty());
    EXPECT_NE(none.raw_text.find("Descriptors advertised: 0\r\n"), std::string::npos);
    EXPECT_EQ(analyze_file_group_descriptor("FileGroupDescriptorW", manifest(0, {})).rows.size(), 0u);
}

TEST(ClipSource, PathStatusAndExtension)
{
    test::FakeFileProbe probe;
    probe.add_file(R"(D:\art\poster.psd)", std::string(3000, 'x'));
    probe.add(R"(D:\art)", PathKind::Directory);
    probe.add(R"(D:\art\alias.psd)", PathKind::NameSurrogate);
    auto wide = [](const std::string& s) {
        std::string out;
        for (char c : s) out += {c, '\0'};
        return out + std::string("\0\0garbage", 9);
    };
    const std::pair<std::string, std::pair<std::string, std::string>> cases[] = {
        {R"(D:\art\poster.psd)", {"Available file, 3000 bytes (2.93 KiB)", ".psd"}},
        {R"(D:\art)", {"Available directory", "None"}},
        {R"(D:\art\alias.psd)", {"Available non-file object", ".psd"}},
        {R"(D:\art\gone.psd)", {"Unavailable (The system cannot find the file specified. (os error 2))", ".psd"}},
        {R"(\\.\pipe\photoshop.psd)", {"Unavailable (" + std::string(DEVICE_PATH_REFUSED) + ")", ".psd"}},
        {R"(D:\art\con.psd)", {"Unavailable (" + std::string(DEVICE_PATH_REFUSED) + ")", ".psd"}},
    };
    for (const auto& [path, expected] : cases) {
        const PropertyTable t = analyze_clip_source(as_bytes_view(wide(path)), probe);
        EXPECT_EQ(t.rows, (Rows{{"Meaning", "Source document provenance"},
                                {"Source path", path},
                                {"Path status", expected.first},
                                {"Extension", expected.second},
                                {"Save behavior", "Do not copy this whole source document when the requested content "
                                                  "is the selected image layer."}}))
            << path;
        EXPECT_EQ(t.table_caption, "Source document");
    }
    for (const std::string& q : probe.asked) {
        EXPECT_EQ(q.substr(q.size() - 7), " follow") << q;
        EXPECT_EQ(q.find("pipe"), std::string::npos);
        EXPECT_EQ(q.find("con.psd"), std::string::npos);
        EXPECT_NE(q.rfind("metadata ", 0), std::string::npos);  // the document itself is never read
    }
}

}  // namespace
}  // namespace cw
