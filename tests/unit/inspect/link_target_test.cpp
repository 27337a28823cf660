#include "inspect/link_target.h"

#include <gtest/gtest.h>

#include <vector>

#include "le_writer.h"

namespace cw {
namespace {

using test::put_le;

constexpr std::uint32_t SYMLINK = 0xA000000C;
constexpr std::uint32_t MOUNT_POINT = 0xA0000003;

// A REPARSE_DATA_BUFFER as FSCTL_GET_REPARSE_POINT returns it: substitute name, then print name.
std::vector<std::uint8_t> reparse(std::uint32_t tag, const std::u16string& substitute, const std::u16string& print,
                                  std::uint32_t flags = 0)
{
    std::vector<std::uint8_t> names;
    for (char16_t c : substitute + print) put_le(names, c, 2);
    std::vector<std::uint8_t> fields;
    put_le(fields, 0, 2);
    put_le(fields, static_cast<std::uint32_t>(substitute.size() * 2), 2);
    put_le(fields, static_cast<std::uint32_t>(substitute.size() * 2), 2);
    put_le(fields, static_cast<std::uint32_t>(print.size() * 2), 2);
    if (tag == SYMLINK) put_le(fields, flags, 4);
    fields.insert(fields.end(), names.begin(), names.end());
    std::vector<std::uint8_t> out;
    put_le(out, tag, 4);
    put_le(out, static_cast<std::uint32_t>(fields.size()), 2);
    put_le(out, 0, 2);
    out.insert(out.end(), fields.begin(), fields.end());
    return out;
}

std::optional<std::string> follow(const std::string& link, const std::vector<std::uint8_t>& data)
{
    const auto target = parse_link_target(data);
    if (!target) return std::nullopt;
    return followable_link_target(link, *target);
}

TEST(LinkTarget, OnlyLinksThatStayOnAFileSystemAreFollowed)
{
    const std::string link = R"(C:\Temp\foxit.pdf)";
    struct Case {
        std::vector<std::uint8_t> data;
        std::optional<std::string> next;
    };
    const std::vector<Case> cases{
        {reparse(SYMLINK, u"\\??\\D:\\Docs\\a.pdf", u"D:\\Docs\\a.pdf"), R"(\\?\D:\Docs\a.pdf)"},
        {reparse(SYMLINK, u"..\\Other\\a.pdf", u"..\\Other\\a.pdf", 1), R"(C:\Temp\..\Other\a.pdf)"},
        {reparse(MOUNT_POINT, u"\\??\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\", u""),
         R"(\\?\Volume{0b1c2d3e-0000-0000-0000-100000000000}\)"},
        {reparse(MOUNT_POINT, u"\\??\\UNC\\server\\share\\a.pdf", u""), R"(\\?\UNC\server\share\a.pdf)"},

        // Into the device namespace, by the name followed or by the name shown.
        {reparse(SYMLINK, u"\\??\\pipe\\foxit", u"\\\\.\\pipe\\foxit"), std::nullopt},
        {reparse(MOUNT_POINT, u"\\??\\GLOBALROOT\\Device\\NamedPipe\\foxit", u""), std::nullopt},
        {reparse(SYMLINK, u"\\??\\UNC\\server\\pipe\\foxit", u""), std::nullopt},
        {reparse(SYMLINK, u"\\??\\C:\\Temp\\a.pdf", u"\\\\.\\pipe\\foxit"), std::nullopt},
        {reparse(SYMLINK, u"nul", u"nul", 1), std::nullopt},
        {reparse(SYMLINK, u"\\??\\C:", u""), std::nullopt},
        // Names Win32 cannot open as they stand: NT object paths, drive-relative names.
        {reparse(SYMLINK, u"\\Device\\HarddiskVolume2\\a.pdf", u""), std::nullopt},
        {reparse(SYMLINK, u"\\a.pdf", u"\\a.pdf", 1), std::nullopt},
        {reparse(SYMLINK, u"D:a.pdf", u"D:a.pdf", 1), std::nullopt},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(follow(link, cases[i].data), cases[i].next) << i;

    EXPECT_EQ(follow("foxit.pdf", reparse(SYMLINK, u"a.pdf", u"", 1)), "a.pdf");
}

TEST(LinkTarget, MalformedOrForeignDataIsNoTarget)
{
    const auto good = reparse(SYMLINK, u"\\??\\C:\\a", u"C:\\a");
    ASSERT_TRUE(parse_link_target(good));
    EXPECT_EQ(parse_link_target(good)->print_name, R"(C:\a)");

    std::vector<std::vector<std::uint8_t>> bad;
    bad.push_back(reparse(0x80000017, u"\\??\\C:\\a", u""));                    // a compressed-file tag, not a link
    bad.push_back(std::vector<std::uint8_t>(good.begin(), good.begin() + 19));  // cut inside the header
    bad.push_back(std::vector<std::uint8_t>(good.begin(), good.end() - 2));     // cut inside the names
    auto cut_by_header = good;
    cut_by_header[4] = 14;  // the data length ends before the names
    bad.push_back(cut_by_header);
    auto far_offset = good;
    far_offset[8] = 0xFE;
    far_offset[9] = 0xFF;
    bad.push_back(far_offset);
    auto odd_length = good;
    odd_length[10] = 5;
    bad.push_back(odd_length);
    bad.push_back(reparse(SYMLINK, std::u16string(u"\\??\\C:\\a\0b", 10), u""));
    bad.push_back(reparse(MOUNT_POINT, u"", u""));
    bad.push_back({});
    for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_FALSE(parse_link_target(bad[i])) << i;
}

}  // namespace
}  // namespace cw
