#include "inspect/file_probe.h"

#include <gtest/gtest.h>

#include "fake_file_probe.h"

namespace cw {
namespace {

TEST(DevicePath, OnlyOrdinaryFilePathsReachTheFileSystem)
{
    const std::vector<std::pair<std::string, bool>> cases{
        {R"(C:\Users\me\AppData\Local\Temp\foxit1.pdf)", false},
        {R"(relative\file.pdf)", false},
        {"file.pdf", false},
        {R"(\\?\C:\Temp\long.pdf)", false},
        {"//?/C:/Temp/long.pdf", false},
        {R"(\\?\UNC\server\share\x.pdf)", false},
        {R"(\\?\Volume{0b1c2d3e-0000-0000-0000-100000000000}\x.pdf)", false},
        {R"(\??\C:\Temp\x.pdf)", false},
        {R"(\\server\share\x.pdf)", false},
        {R"(\\server\pipes\x.pdf)", false},
        {R"(C:\temp\console.log)", false},
        {R"(C:\temp\COM10.pdf)", false},
        {R"(C:\temp\nul\x.pdf)", false},  // only the last component names a device
        {R"(\\?\C:\temp\nul)", false},    // verbatim paths are not mapped to devices

        {R"(\\.\pipe\foxit)", true},
        {"//./pipe/foxit", true},
        {R"(\\.\C:\Temp\x.pdf)", true},
        {R"(\\.\PhysicalDrive0)", true},
        {R"(\\.)", true},
        {R"(\\?)", true},
        {R"(\\?\GLOBALROOT\Device\NamedPipe\foxit)", true},
        {R"(\\?\globalroot\Device\HarddiskVolume1\x.pdf)", true},
        {R"(\\?\pipe\foxit)", true},
        {R"(\\?\CONIN$)", true},
        {R"(\\?\C:)", true},  // the volume itself, not a file on it
        {R"(\\?\Volume{0b1c2d3e-0000-0000-0000-100000000000})", true},
        {R"(\??\pipe\foxit)", true},
        {R"(\\?\UNC\server\pipe\foxit)", true},
        {R"(\\server\pipe\foxit)", true},
        {R"(\\localhost\PIPE\foxit)", true},
        {R"(\\server\mailslot\box)", true},
        {"NUL", true},
        {R"(C:\temp\nul.pdf)", true},
        {R"(C:\temp\Con .txt)", true},
        {"C:aux", true},
        {"com1", true},
        {R"(C:\temp\LPT9.pdf)", true},
        {"COM\xC2\xB9.pdf", true},
        {R"(D:\CONOUT$)", true},
        {"prn:", true},
    };
    for (const auto& [path, device] : cases) EXPECT_EQ(is_device_path(path), device) << path;
}

TEST(ProbeHelpers, DevicePathsAreNeverAskedAndPrefixesAreBounded)
{
    test::FakeFileProbe probe;
    probe.add_file(R"(C:\t\a.bin)", "0123456789ABCDEF");

    const PathMetadata pipe = probe_metadata(probe, R"(\\.\pipe\x)", true);
    EXPECT_TRUE(pipe.available);
    EXPECT_EQ(pipe.kind, PathKind::OtherObject);
    EXPECT_FALSE(probe_prefix(probe, R"(\\.\pipe\x)", 8));
    EXPECT_TRUE(probe.asked.empty());

    EXPECT_EQ(probe_metadata(probe, R"(C:\t\a.bin)", false).kind, PathKind::DiskFile);
    const auto prefix = probe_prefix(probe, R"(C:\t\a.bin)", 8);
    ASSERT_TRUE(prefix);
    EXPECT_EQ(prefix->size(), 8u);
    EXPECT_EQ(probe.asked, (std::vector<std::string>{R"(metadata C:\t\a.bin nofollow)", R"(read C:\t\a.bin 8)"}));
}

TEST(ProbeHelpers, AnItemThatCannotBeOpenedIsDescribedFromItsFolderListing)
{
    struct Case {
        DirectoryEntryFacts entry;
        PathKind kind;
        std::uint64_t size;
    };
    const Case cases[] = {
        {{0x20, 0, 5000}, PathKind::DiskFile, 5000},
        {{0x10, 0, 0}, PathKind::Directory, 0},
        {{0x410, 0xA000000C, 0}, PathKind::NameSurrogate, 0},  // a symbolic link to a folder
        {{0x410, 0xA0000003, 0}, PathKind::NameSurrogate, 0},  // a junction
        {{0x420, 0x80000017, 77}, PathKind::DiskFile, 77},     // a reparse point that is no link
    };
    for (const Case& c : cases) {
        const PathMetadata m = metadata_from_directory_entry(c.entry);
        EXPECT_TRUE(m.available);
        EXPECT_EQ(m.kind, c.kind) << c.entry.attributes;
        EXPECT_EQ(m.size, c.size);
    }
    // Only a sharing violation or access denied falls back, and never for a name a listing would
    // take as a pattern.
    EXPECT_TRUE(may_read_directory_entry(R"(C:\held\report.docx)", 32));
    EXPECT_TRUE(may_read_directory_entry(R"(C:\locked\report.docx)", 5));
    EXPECT_FALSE(may_read_directory_entry(R"(C:\gone\report.docx)", 2));
    for (const char* pattern : {R"(C:\held\*.docx)", R"(C:\held\report.do?)", R"(C:\held\a<b)", R"(C:\held\a"b)"})
        EXPECT_FALSE(may_read_directory_entry(pattern, 32)) << pattern;
}

}  // namespace
}  // namespace cw
