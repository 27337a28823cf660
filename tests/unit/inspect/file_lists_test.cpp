#include "inspect/file_lists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "fake_file_probe.h"
#include "inspect/archived_file_probe.h"
#include "inspect/item_probe.h"
#include "inspect/signatures.h"

namespace cw {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Bytes = std::vector<std::uint8_t>;

TEST(ItemPath, NameLocationAndExtension)
{
    const std::array<const char*, 4> cases[] = {
        {R"(C:\Users\me\archive.tar.gz)", R"(C:\Users\me)", "archive.tar.gz", ".gz"},
        {R"(C:\Users\me\.profile)", R"(C:\Users\me)", ".profile", "None"},
        {R"(C:\Users\me\name.)", R"(C:\Users\me)", "name.", "."},
        {R"(C:\Users\me\..)", R"(C:\Users\me)", "", "None"},
        {R"(C:\Users\folder.d\)", R"(C:\Users)", "folder.d", ".d"},
        {R"(C:\file.txt)", R"(C:\)", "file.txt", ".txt"},
        {R"(C:\)", "", "", "None"},
        {"plain", "", "plain", "None"},
        {R"(\\server\share\doc.pdf)", R"(\\server\share\)", "doc.pdf", ".pdf"},
        {R"(\\?\UNC\server\share\x.bin)", R"(\\?\UNC\server\share\)", "x.bin", ".bin"},
        {R"(\\.\PhysicalDrive0)", "", "", "None"},
        {"C:/mixed/./slashes/a.b", "C:/mixed/./slashes", "a.b", ".b"},
    };
    for (const auto& [path, location, name, extension] : cases) {
        EXPECT_EQ(split_item_path(path).location, location) << path;
        EXPECT_EQ(split_item_path(path).name, name) << path;
        EXPECT_EQ(path_extension(path), extension) << path;
    }
}

TEST(FileTime, ConvertsLikeTheSystemAndRefusesWhatItRefuses)
{
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "Not advertised"},
        {116444736000000000ULL, "1970-01-01 00:00:00.000"},
        {133497852345678901ULL, "2024-01-15 09:40:34.567"},
        {0x7FFFFFFFFFFFFFFFULL, "30828-09-14 02:48:05.477"},
        {0x8000000000000000ULL, "Invalid FILETIME"},
    };
    for (const auto& [value, text] : cases) {
        std::uint8_t bytes[8];
        std::memcpy(bytes, &value, 8);
        EXPECT_EQ(format_filetime(bytes), text) << value;
    }
}

TEST(DropPaths, EachCallIsHeldToItsBufferAndTheListMustEndInTheBlock)
{
    // The second entry grows between the length question and the copy, the third shrinks.
    const std::vector<std::u16string> now{u"C:\\a.txt", u"C:\\grown-longer.txt", u"C:\\s"};
    const std::vector<std::uint32_t> told{8, 6, 12};
    const auto paths = collect_drop_paths([&](std::uint32_t index, char16_t* buffer, std::uint32_t capacity) {
        if (index == 0xFFFFFFFFU) return std::uint32_t{3};
        if (!buffer) return told[index];
        const auto copied = std::min<std::uint32_t>(capacity - 1, static_cast<std::uint32_t>(now[index].size()));
        std::copy_n(now[index].begin(), copied, buffer);
        return copied + 1;  // a provider that miscounts by one
    });
    EXPECT_EQ(paths, (std::vector<std::string>{"C:\\a.txt", "C:\\gro", "C:\\s"}));

    auto dropfiles = [](std::uint32_t offset, bool wide, const std::string& list) {
        std::string b(20, '\0');
        std::memcpy(b.data(), &offset, 4);
        b[16] = wide ? 1 : 0;
        b += list;
        return Bytes(b.begin(), b.end());
    };
    const std::string two_wide("a\0\0\0b\0c\0\0\0\0\0", 12);
    EXPECT_TRUE(drop_list_is_terminated(dropfiles(20, true, two_wide)));
    EXPECT_TRUE(drop_list_is_terminated(dropfiles(20, false, std::string("a\0bc\0\0", 6))));
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(20, true, two_wide.substr(0, 10))));  // no list end
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(20, true, std::string("ab\0", 3))));   // half a unit
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(26, false, std::string("a\0\0", 3))));  // starts past the end
    EXPECT_FALSE(drop_list_is_terminated(dropfiles(8, false, std::string("\0\0", 2))));   // inside the header

    // The copy read after the clipboard is closed gives what the Shell's reader gives.
    const auto ansi = [](std::string_view units) { return "<" + std::string(units) + ">"; };
    EXPECT_EQ(drop_block_paths(dropfiles(20, true, two_wide), ansi), (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(drop_block_paths(dropfiles(20, false, std::string("a\0bc\0\0", 6)), ansi),
              (std::vector<std::string>{"<a>", "<bc>"}));
    EXPECT_EQ(drop_block_paths(dropfiles(20, true, std::string("\0\0", 2)), ansi), std::vector<std::string>{});
    EXPECT_FALSE(drop_block_paths(dropfiles(20, true, two_wide.substr(0, 10)), ansi));
}

TEST(PathEvidence, OneRowPerPathWithWhatTheFileSystemSaysNow)
{
    test::FakeFileProbe probe;
    probe.add_file(R"(C:\in\notes.txt)", "0123456789");
    probe.add_file(R"(C:\in\pic.png)", std::string("\x89PNG\r\n\x1A\n", 8));
    probe.add(R"(C:\in\folder)", PathKind::Directory);
    probe.add(R"(C:\in\link.png)", PathKind::NameSurrogate);
    probe.add(R"(C:\in\fifo)", PathKind::OtherObject);
    probe.add_unreadable_file(R"(C:\in\locked.bin)", 2048);
    for (const char* name : {"recall.pdf", "offline.pdf", "pinned.pdf"}) probe.add_file(std::string("C:\\cloud\\") + name, "%PDF-");
    probe.set_attributes(R"(C:\cloud\recall.pdf)", 0x00400020);
    probe.set_attributes(R"(C:\cloud\offline.pdf)", 0x1000);
    probe.set_attributes(R"(C:\cloud\pinned.pdf)", 0x00080020);

    const PropertyTable t = build_path_evidence({R"(C:\in\notes.txt)", R"(C:\in\pic.png)", R"(C:\in\folder)",
                                                 R"(C:\in\link.png)", R"(C:\in\gone.txt)", R"(C:\in\fifo)",
                                                 R"(\\.\PhysicalDrive0)", R"(C:\in\locked.bin)", R"(C:\cloud\recall.pdf)",
                                                 R"(C:\cloud\offline.pdf)", R"(C:\cloud\pinned.pdf)"},
                                                probe);
    const std::string none = NO_SIGNATURE_LABEL, cloud = "Not sampled: online-only file";
    EXPECT_EQ(t.rows, (Rows{
                          {"1", "notes.txt", "File", "10 (10 B)", none, R"(C:\in)", "Available"},
                          {"2", "pic.png", "File", "8 (8 B)", "PNG image (signature confirmed)", R"(C:\in)", "Available"},
                          {"3", "folder", "Folder", "", "", R"(C:\in)", "Available"},
                          {"4", "link.png", "Symbolic link/reparse reference", "", "", R"(C:\in)", "Available"},
                          {"5", "gone.txt", "Unknown", "", "", R"(C:\in)", "Unavailable"},
                          {"6", "fifo", "Unknown", "", "", R"(C:\in)", "Unavailable"},
                          {"7", "", "Unknown", "", "", "", "Unavailable"},
                          {"8", "locked.bin", "File", "2048 (2.00 KiB)", none, R"(C:\in)", "Available"},
                          {"9", "recall.pdf", "File", "5 (5 B)", cloud, R"(C:\cloud)", "Available"},
                          {"10", "offline.pdf", "File", "5 (5 B)", cloud, R"(C:\cloud)", "Available"},
                          {"11", "pinned.pdf", "File", "5 (5 B)", "PDF document (signature confirmed)", R"(C:\cloud)", "Available"},
                      }));
    // The device is never asked about, online-only files are never read, and samples are 32 bytes.
    std::string reads;
    for (const std::string& q : probe.asked) {
        EXPECT_EQ(q.find("PhysicalDrive"), std::string::npos);
        if (q.rfind("read ", 0) == 0) reads += q + ";";
    }
    EXPECT_EQ(reads, "read C:\\in\\notes.txt 32;read C:\\in\\pic.png 32;read C:\\in\\locked.bin 32;read "
                     "C:\\cloud\\pinned.pdf 32;");
    // An archived clipboard's paths belong to another machine: described as stored, never probed.
    EXPECT_EQ(build_path_evidence({R"(C:\in\a.txt)"}, ArchivedFileProbe()).rows,
              (Rows{{"1", "a.txt", "Unknown", "", "", R"(C:\in)", "not probed: archived clipboard"}}));
    EXPECT_EQ(build_path_evidence({"a", "b"}, probe).raw_text,
              "CF_HDROP contains filesystem paths, not the contents of those files or folders.\r\nThe referenced "
              "objects can change or disappear after the clipboard is populated.\r\n\r\na\r\nb\r\n");
}

TEST(PathEvidence, OnlyTheFirstPathsAreExaminedAndAServerThatDoesNotAnswerIsAskedOnce)
{
    test::FakeFileProbe probe;
    probe.add_failure(R"(\\gone\share\a.txt)", 53);  // the network path was not found
    probe.add_failure(R"(\\live\share\a.txt)", 2);   // the share answered: no such file
    std::vector<std::string> paths(MAX_EXAMINED_PATHS - 6, R"(C:\in\x.txt)");
    for (const char* p : {R"(\\gone\share\a.txt)", R"(\\GONE\other\b.txt)", R"(\\?\UNC\gone\share\c.txt)",
                          R"(\\live\share\a.txt)", R"(\\live\share\a.txt)", R"(\\gonex\s\d)", R"(C:\in\late.txt)"})
        paths.push_back(p);
    const PropertyTable t = build_path_evidence(paths, probe);
    ASSERT_EQ(t.rows.size(), MAX_EXAMINED_PATHS + 1);
    EXPECT_EQ(t.rows.back(), (std::vector<std::string>{"5001", "late.txt", "", "", "", R"(C:\in)", "Not examined"}));
    std::map<std::string, int> asked;
    for (const std::string& q : probe.asked) ++asked[q];
    EXPECT_EQ(asked["metadata \\\\gone\\share\\a.txt nofollow"], 1);
    EXPECT_EQ(asked["metadata \\\\GONE\\other\\b.txt nofollow"] + asked["metadata \\\\?\\UNC\\gone\\share\\c.txt nofollow"], 0);
    EXPECT_EQ(asked["metadata \\\\live\\share\\a.txt nofollow"], 2);
    EXPECT_EQ(asked["metadata \\\\gonex\\s\\d nofollow"], 1);
    EXPECT_EQ(asked["metadata C:\\in\\late.txt nofollow"], 0);
    for (std::size_t row = MAX_EXAMINED_PATHS - 6; row < MAX_EXAMINED_PATHS - 3; ++row) EXPECT_EQ(t.rows[row][6], "Unavailable");
    EXPECT_NE(t.raw_text.find("populated.\r\n\r\nExamined the first 5,000 of 5,001 items.\r\n\r\nC:\\in\\x.txt\r\n"),
              std::string::npos);
}

// One W or ANSI descriptor: flags, attributes, creation and write times, size and name.
Bytes descriptor(bool wide, std::uint32_t flags, std::uint32_t attributes, std::uint64_t created, std::uint64_t written,
                 std::uint64_t size, const std::string& name)
{
    Bytes d(wide ? 592 : 332, 0);
    const std::uint32_t high = static_cast<std::uint32_t>(size >> 32), low = static_cast<std::uint32_t>(size);
    std::memcpy(d.data(), &flags, 4);
    std::memcpy(d.data() + 36, &attributes, 4);
    std::memcpy(d.data() + 40, &created, 8);
    std::memcpy(d.data() + 56, &written, 8);
    std::memcpy(d.data() + 64, &high, 4);
    std::memcpy(d.data() + 68, &low, 4);
    for (std::size_t i = 0; i < name.size(); ++i) d[72 + (wide ? 2 * i : i)] = static_cast<std::uint8_t>(name[i]);
    return d;
}

TEST(FileGroupDescriptor, RowsForEachDescriptorTheBlockHolds)
{
    Bytes w{2, 0, 0, 0};
    const Bytes mail = descriptor(true, 0x40, 0x20, 116444736000000000ULL, 0, 0x100000400ULL, "mail.eml");
    w.insert(w.end(), mail.begin(), mail.end());
    const PropertyTable t = analyze_file_group_descriptor("FileGroupDescriptorW", w);
    EXPECT_EQ(t.rows, (Rows{{"1", "mail.eml", "4294968320 (4.00 GiB)", "Archive (0x00000020)", "1970-01-01 00:00:00.000",
                             "Not advertised"},
                            {"2", "Truncated descriptor", "", "", "", ""}}));
    EXPECT_EQ(t.table_caption + "|" + t.text_caption, "Virtual file manifest|Structure / bytes");
    EXPECT_EQ(t.raw_text.substr(0, 76), "FILEGROUPDESCRIPTOR manifest\r\nDescriptors advertised: 2\r\nEncoding: Unicode\r\n");

    // Any other name reads 332-byte ANSI descriptors; a count far beyond the block ends in one row.
    Bytes a{0xFF, 0xFF, 0xFF, 0xFF};
    for (const Bytes& d : {descriptor(false, 0, 0x8000, 0, 0x8000000000000000ULL, 99, "x.txt"),
                           descriptor(false, 0x40, 0x4C13, 0, 0, 0, "\xC3\xA9t\xE9")})
        a.insert(a.end(), d.begin(), d.end());
    const PropertyTable ta = analyze_file_group_descriptor("FileGroupDescriptor", a);
    EXPECT_EQ(ta.rows, (Rows{{"1", "x.txt", "Not advertised", "None (0x00008000)", "Not advertised", "Invalid FILETIME"},
                             {"2", "\xC3\xA9t\xEF\xBF\xBD", "0 (0 B)",
                              "Read-only, Hidden, Directory, Reparse point, Compressed, Encrypted (0x00004C13)",
                              "Not advertised", "Not advertised"},
                             {"3", "Truncated descriptor", "", "", "", ""}}));
    EXPECT_NE(ta.raw_text.find("Descriptors advertised: 4294967295\r\nEncoding: ANSI\r\n"), std::string::npos);
    const PropertyTable none = analyze_file_group_descriptor("FileGroupDescriptorW", Bytes{2, 0, 0});
    EXPECT_TRUE(none.rows.empty() && none.raw_text.find("Descriptors advertised: 0\r\n") != std::string::npos);
}

TEST(ClipSource, PathStatusAndExtension)
{
    test::FakeFileProbe probe;
    probe.add_file(R"(D:\art\poster.psd)", std::string(3000, 'x'));
    probe.add(R"(D:\art)", PathKind::Directory);
    probe.add(R"(D:\art\alias.psd)", PathKind::NameSurrogate);
    const std::string refused = "Unavailable (" + std::string(DEVICE_PATH_REFUSED) + ")";
    const std::array<std::string, 3> cases[] = {
        {R"(D:\art\poster.psd)", "Available file, 3000 bytes (2.93 KiB)", ".psd"},
        {R"(D:\art)", "Available directory", "None"},
        {R"(D:\art\alias.psd)", "Available non-file object", ".psd"},
        {R"(D:\art\gone.psd)", "Unavailable (The system cannot find the file specified. (os error 2))", ".psd"},
        {R"(\\.\pipe\photoshop.psd)", refused, ".psd"},
        {R"(D:\art\con.psd)", refused, ".psd"},
    };
    for (const auto& [path, status, extension] : cases) {
        std::string wide;
        for (char c : path) wide += {c, '\0'};
        const PropertyTable t = analyze_clip_source(as_bytes_view(wide + std::string("\0\0junk", 6)), probe);
        EXPECT_EQ(t.rows, (Rows{{"Meaning", "Source document provenance"},
                                {"Source path", path},
                                {"Path status", status},
                                {"Extension", extension},
                                {"Save behavior", "Do not copy this whole source document when the requested content "
                                                  "is the selected image layer."}}));
    }
    // Only metadata is read, following links, and never for a device.
    EXPECT_EQ(probe.asked, (std::vector<std::string>{"metadata D:\\art\\poster.psd follow", "metadata D:\\art follow",
                                                     "metadata D:\\art\\alias.psd follow",
                                                     "metadata D:\\art\\gone.psd follow"}));
}

}  // namespace
}  // namespace cw
