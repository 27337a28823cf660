#include "save/paste_items.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "app/paste_files_cli.h"
#include "base/text.h"

namespace cw {
namespace {

// A folder tree in memory; names compare without regard to ASCII case, as on Windows.
class MemoryTarget final : public PasteTarget {
public:
    bool exists(const std::string& path) override
    {
        ++lookups;
        return taken.count(ascii_lower(path)) != 0;
    }
    Status make_folder(const std::string& path) override
    {
        if (!taken.insert(ascii_lower(path)).second) return Error::invalid_data("taken");
        return ok_status();
    }
    Status write_file(const std::string& path, ItemContent content) override
    {
        if (path.ends_with("full.bin")) return Error::invalid_data("disk full");
        auto bytes = hold_content(std::move(content), 10, "too large");
        if (!bytes) return bytes.error();
        if (!taken.insert(ascii_lower(path)).second) return Error::invalid_data("taken");
        files[path] = std::string(bytes->begin(), bytes->end());
        return ok_status();
    }
    std::set<std::string> taken;
    std::map<std::string, std::string> files;
    int lookups = 0;
};

PasteItem item(std::vector<std::string> path, PasteItemKind kind = PasteItemKind::File, bool top = true)
{
    PasteItem i;
    i.given_name = path.back();
    i.path = std::move(path);
    i.kind = kind;
    i.top_level = top;
    return i;
}

TEST(PasteItems, ItemsAreNumberedNeverMergedAndFailuresDoNotStopTheRest)
{
    MemoryTarget target;
    target.taken = {"d:\\out\\a.txt", "d:\\out\\dir"};
    PasteItem refused = item({"x"});
    refused.refusal = "refused";
    const std::vector<PasteItem> items = {
        item({"A.txt"}),
        item({"dir"}, PasteItemKind::Folder),
        item({"dir", "inner.txt"}, PasteItemKind::File, false),
        item({"dir", "sub", "deep.txt"}, PasteItemKind::File, false),
        refused,
        item({"unreadable.bin"}),
        item({"full.bin"}),
        item({"broken.bin"}),
        item({"too_long.txt"}),
        item({"notes"}),
        item({"notes"}),
    };
    const PasteReport report = place_items(items, "D:\\out", target, [](const PasteItem& i) -> Result<ItemContent> {
        if (i.path.back() == "unreadable.bin") return Error::invalid_data("gone");
        ItemContent content;
        // Read in pieces of at most 3 bytes; a source that fails mid-file or runs past the target's
        // limit is reported like any other failure.
        content.read = [name = i.path.back(), at = std::size_t{0}](std::span<std::uint8_t> into) mutable -> Result<std::size_t> {
            if (name == "broken.bin" && at > 0) return Error::invalid_data("read failed");
            const std::size_t n = std::min({into.size(), name.size() - at, std::size_t{3}});
            std::copy_n(name.begin() + static_cast<std::ptrdiff_t>(at), n, into.begin());
            at += n;
            return n;
        };
        return content;
    });
    EXPECT_EQ(report.written, (std::vector<std::string>{"D:\\out\\A_1.txt", "D:\\out\\dir_1", "D:\\out\\notes", "D:\\out\\notes_1"}));
    ASSERT_EQ(report.failures.size(), 5u);
    EXPECT_EQ(report.failures[0].reason, "refused");
    EXPECT_EQ(report.failures[1].reason, "gone");
    EXPECT_EQ(report.failures[2].reason, "disk full");
    EXPECT_EQ(report.failures[3].reason, "read failed");
    EXPECT_EQ(report.failures[4].reason, "too large");
    EXPECT_EQ(target.files.at("D:\\out\\dir_1\\sub\\deep.txt"), "deep.txt");
    EXPECT_EQ(target.files.count("D:\\out\\dir\\inner.txt"), 0u);

    // Many items of one name: one look-up each, not one per earlier item.
    MemoryTarget many;
    std::vector<PasteItem> same(500, item({"same.txt"}));
    place_items(same, "D:", many, [](const PasteItem&) { return Result<ItemContent>(ItemContent{}); });
    EXPECT_EQ(many.files.size(), 500u);
    EXPECT_LT(many.lookups, 1100);
}

TEST(PasteItems, FileContentsMustMatchTheAnnouncedSize)
{
    struct Case {
        std::size_t arrived;
        std::optional<std::uint64_t> announced;
        bool global_memory;
        std::optional<std::string_view> refusal;
        std::size_t kept;
    };
    const Case cases[] = {
        {16, 10, true, std::nullopt, 10},  // global blocks are rounded up
        {16, 10, false, PASTE_LONGER_THAN_ANNOUNCED, 16},
        {4, 10, true, PASTE_SHORTER_THAN_ANNOUNCED, 4},
        {4, 10, false, PASTE_SHORTER_THAN_ANNOUNCED, 4},
        {16, std::nullopt, false, std::nullopt, 16},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes(c.arrived);
        EXPECT_EQ(check_announced_size(bytes, c.announced, c.global_memory), c.refusal) << c.arrived;
        EXPECT_EQ(bytes.size(), c.kept);
    }
}

TEST(PasteItems, DescriptorsAreBoundedByTheBlockAndTheCap)
{
    std::vector<std::uint8_t> block(4 + 592 * 2 + 100);
    block[0] = 0x40;  // 1,000,000 advertised
    block[1] = 0x42;
    block[2] = 0x0F;
    block[4 + 36] = 0x10;                // a folder
    block[4 + 72] = 'd';                 // named "d"
    block[4 + 592] = 0x40;               // FD_FILESIZE
    block[4 + 592 + 68] = 7;             // 7 bytes
    block[4 + 592 + 72] = '.';           // named "..\x"
    block[4 + 592 + 74] = '.';
    block[4 + 592 + 76] = '\\';
    block[4 + 592 + 78] = 'x';
    std::uint32_t advertised = 0;
    const auto descriptors = parse_file_descriptors("FileGroupDescriptorW", block, 1, &advertised);
    EXPECT_EQ(advertised, 1000000u);
    ASSERT_EQ(descriptors.size(), 1u);
    const auto both = parse_file_descriptors("filegroupdescriptorw", block, MAX_PASTE_ITEMS);
    ASSERT_EQ(both.size(), 2u);  // the third does not fit the block
    const auto items = virtual_file_items(both, 2);
    EXPECT_EQ(items[0].kind, PasteItemKind::Folder);
    EXPECT_EQ(items[1].path, std::vector<std::string>{"x"});
    EXPECT_EQ(items[1].size, 7u);
    EXPECT_EQ(items[1].content_index, 1);
}

TEST(PasteItems, ListingTexts)
{
    const std::vector<ListingRow> rows = {{"a, \"b\".txt", "File", 2048, "C:\\src", "Available"},
                                          {"dir", "Folder", std::nullopt, "C:\\src", "Unavailable: gone"}};
    EXPECT_EQ(render_listing(rows, ListingFormat::Csv),
              "Name,Kind,Size,Location,Availability\r\n\"a, \"\"b\"\".txt\",File,2048,C:\\src,Available\r\n"
              "dir,Folder,,C:\\src,Unavailable: gone\r\n");
    EXPECT_EQ(render_listing(rows, ListingFormat::Text),
              "a, \"b\".txt\r\n  Kind        : File\r\n  Size        : 2048 bytes (2.00 KiB)\r\n  Location    : C:\\src\r\n"
              "  Availability: Available\r\n\r\ndir\r\n  Kind        : Folder\r\n  Location    : C:\\src\r\n"
              "  Availability: Unavailable: gone\r\n\r\n");
}

TEST(PasteItems, PasteFilesCommandLine)
{
    struct Case {
        std::vector<std::string> args;
        std::string refusal;  // empty: accepted
        PasteMode mode = PasteMode::Copy;
    };
    const Case cases[] = {
        {{}, ""},
        {{"--in", "C:\\x", "--json"}, ""},
        {{"--zip=out.zip"}, "", PasteMode::Zip},
        {{"--listing", "csv"}, "", PasteMode::Listing},
        {{"--shortcuts"}, "", PasteMode::Shortcuts},
        {{"--listing", "xml"}, "--listing takes txt, csv or json."},
        {{"--zip", "a.zip", "--shortcuts"}, "--zip, --shortcuts and --listing cannot be combined."},
        {{"--zip"}, "Option --zip needs a value."},
        {{"--in", "a", "--in", "b"}, "Option --in is given twice."},
        {{"extra"}, "Unexpected argument: extra"},
    };
    for (const Case& c : cases) {
        const auto parsed = parse_paste_files_arguments(c.args);
        if (const auto* refused = std::get_if<CliUsageError>(&parsed)) {
            EXPECT_EQ(refused->message, c.refusal);
        } else {
            EXPECT_EQ(c.refusal, "");
            EXPECT_EQ(std::get<PasteFilesArguments>(parsed).mode, c.mode);
        }
    }
}

}  // namespace
}  // namespace cw
