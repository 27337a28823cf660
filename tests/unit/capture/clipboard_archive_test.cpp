#include "capture/clipboard_archive.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "le_writer.h"
#include "zip_builder.h"

namespace cw {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes_of(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

ClipboardArchive sample_archive()
{
    ClipboardArchive archive;
    archive.sequence_number = 41;
    archive.owner_window = 0x1A2B;
    archive.created = "2026-12-09T16:40:00Z";
    ArchivedFormat text{13,
                        "CF_UNICODETEXT",
                        false,
                        true,
                        {{1, 1, -1, std::nullopt}},
                        ArchiveContent::stored,
                        ArchiveEncoding::global,
                        bytes_of(std::string("h\0i\0\0\0", 6)),
                        std::nullopt,
                        {}};
    ArchivedFormat bitmap{2,
                          "CF_BITMAP",
                          false,
                          true,
                          {},
                          ArchiveContent::stored,
                          ArchiveEncoding::dib,
                          bytes_of("dib bits"),
                          std::nullopt,
                          {}};
    ArchivedFormat oem{7,  "CF_OEMTEXT", false, true, {}, ArchiveContent::synthesised, ArchiveEncoding::global,
                       {}, std::nullopt, {}};
    ArchivedFormat lost{0xC0FF,
                        "Lost",
                        true,
                        true,
                        {},
                        ArchiveContent::failed,
                        ArchiveEncoding::global,
                        {},
                        "Access is denied. (0x80070005)",
                        {}};
    ArchivedFormat contents{0xC100,
                            "FileContents",
                            true,
                            false,
                            {{4, 1, -1, std::nullopt}, {4, 1, 0, Bytes{0x10, 0, 0, 0, 0xAB}}},
                            ArchiveContent::failed,
                            ArchiveEncoding::global,
                            {},
                            "No item -1.",
                            {}};
    contents.items = {{0, bytes_of("first file"), std::nullopt}, {1, std::nullopt, "Unspecified error (0x80004005)"}};
    archive.formats = {text, bitmap, oem, lost, contents};
    return archive;
}

TEST(ClipboardArchive, WhatIsWrittenReadsBackTheSame)
{
    const ClipboardArchive original = sample_archive();
    auto written = write_clipboard_archive(original);
    ASSERT_TRUE(written) << written.error().message.value_or("");
    auto read = read_clipboard_archive(*written);
    ASSERT_TRUE(read) << read.error().message.value_or("");
    EXPECT_EQ(read->sequence_number, 41u);
    EXPECT_EQ(read->owner_window, 0x1A2Bu);
    EXPECT_EQ(read->created, original.created);
    ASSERT_EQ(read->formats.size(), original.formats.size());
    for (std::size_t i = 0; i < original.formats.size(); ++i) {
        const ArchivedFormat& a = original.formats[i];
        const ArchivedFormat& b = read->formats[i];
        EXPECT_EQ(b.id, a.id);
        EXPECT_EQ(b.name, a.name);
        EXPECT_EQ(b.registered, a.registered);
        EXPECT_EQ(b.listed_by_win32, a.listed_by_win32);
        EXPECT_EQ(b.content, a.content);
        EXPECT_EQ(b.encoding, a.encoding);
        EXPECT_EQ(b.bytes, a.bytes);
        EXPECT_EQ(b.error, a.error);
        ASSERT_EQ(b.offers.size(), a.offers.size());
        for (std::size_t o = 0; o < a.offers.size(); ++o) {
            EXPECT_EQ(b.offers[o].lindex, a.offers[o].lindex);
            EXPECT_EQ(b.offers[o].target_device, a.offers[o].target_device);
        }
        ASSERT_EQ(b.items.size(), a.items.size());
        for (std::size_t n = 0; n < a.items.size(); ++n) {
            EXPECT_EQ(b.items[n].bytes, a.items[n].bytes);
            EXPECT_EQ(b.items[n].error, a.items[n].error);
        }
    }

    const ClipboardSnapshot snapshot = archive_snapshot(*read);
    ASSERT_EQ(snapshot.entries.size(), 5u);
    EXPECT_EQ(snapshot.win32_count(), 4u);
    EXPECT_EQ(snapshot.ole_offer_count, 3u);
    EXPECT_EQ(snapshot.entries[4].ordinal, 5u);
    EXPECT_EQ(snapshot.entries[4].class_label, "registered");
    EXPECT_TRUE(snapshot.entries[4].offers[1].has_target_device);
}

std::string manifest_with(const std::string& formats, int version = 1)
{
    return R"({"kind": "clipwright-clipboard", "version": )" + std::to_string(version) +
           R"(, "created": "", "sequence_number": 1, "owner_window": 0, "enum_end_code": 0, "ole_error": null,
           "formats": [)" +
           formats + "]}";
}

std::string format_json(const std::string& id, const std::string& name, const std::string& stored)
{
    return R"({"id": )" + id + R"(, "name": ")" + name +
           R"(", "registered": true, "listed_by_win32": true, "offers": [], "content": "stored",
           "encoding": "global", )" +
           stored + R"(, "error": null, "items": []})";
}

std::string zip_with(const std::string& manifest, std::vector<test::ZipMember> members = {})
{
    members.insert(members.begin(), {"manifest.json", manifest});
    return test::build_zip(members);
}

// A deflated member "b" of `actual` bytes whose manifest and headers say `claimed` bytes.
std::string lying_member(std::uint32_t claimed, std::size_t actual)
{
    const std::string size = R"("member": "b", "size": )" + std::to_string(claimed);
    std::string zip =
        zip_with(manifest_with(format_json("49408", "Bomb", size)), {{"b", std::string(actual, '\0'), true}});
    std::string field;
    test::put_le(field, claimed, 4);
    // Both the local and the central header of "b" carry the inflated size after the compressed one.
    for (const auto& [signature, size_field, name_field] :
         {std::tuple{"PK\x03\x04", 22, 30}, std::tuple{"PK\x01\x02", 24, 46}})
        for (std::size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 1))
            if (zip.compare(at + name_field, 1, "b") == 0) zip.replace(at + size_field, 4, field);
    return zip;
}

TEST(ClipboardArchive, HostileArchivesAreRefusedWithTheirReason)
{
    const std::string one_member = R"("member": "formats/1.bin", "size": 3)";
    std::string many_formats;
    for (int i = 0; i < 65536; ++i) many_formats += i ? ",0" : "0";
    const std::pair<std::string, std::string> cases[] = {
        {"not a zip at all", std::string(ARCHIVE_NOT_ZIP)},
        {test::build_zip({{"other.txt", "x"}}), std::string(ARCHIVE_NO_MANIFEST)},
        {zip_with(manifest_with("", 2)), "The archive is version 2; this program reads version 1."},
        {zip_with(manifest_with(""), {{"../evil", "x"}}),
         "The archive has a member named \"../evil\", outside the archive's own folder; it is not read."},
        {zip_with(manifest_with(""), {{"C:/evil", "x"}}),
         "The archive has a member named \"C:/evil\", outside the archive's own folder; it is not read."},
        {zip_with(manifest_with(many_formats)),
         "The archive's manifest lists 65536 formats; at most 65535 are allowed."},
        {zip_with(manifest_with(format_json("0", "Zero", one_member)), {{"formats/1.bin", "abc"}}),
         "The archive's manifest is invalid: \"id\" of format 1 is 0, outside what it may be."},
        {zip_with(manifest_with(format_json("49408", std::string(10000, 'n'), one_member)), {{"formats/1.bin", "abc"}}),
         "The archive's manifest is invalid: the name of format 1 is 10000 characters long; at most 255 are "
         "allowed."},
        {zip_with(manifest_with(format_json("49408", "Short", one_member)), {{"formats/1.bin", "ab"}}),
         "The archive is inconsistent: member formats/1.bin holds 2 bytes where the manifest says 3."},
        {zip_with(manifest_with(format_json("49408", "Huge", R"("member": "formats/1.bin", "size": 268435457)"))),
         "The archive's manifest is invalid: \"size\" of format 1 is 268435457, outside what it may be."},
        {lying_member(10, 1 << 20), "The archive's member b holds more than its stated size."},
        {lying_member(200000000, 1000), "The archive's member b claims 200000000 bytes from " +
                                            std::to_string(test::deflate_raw(std::string(1000, '\0')).size()) +
                                            " compressed; it is not read."},
        {zip_with(manifest_with(format_json("49408", "A", one_member) + "," + format_json("49408", "B", one_member)),
                  {{"formats/1.bin", "abc"}}),
         "The archive's manifest is invalid: format 49408 is listed twice."},
    };
    for (const auto& [bytes, message] : cases) {
        const auto read =
            read_clipboard_archive(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        ASSERT_FALSE(read) << message;
        EXPECT_EQ(read.error().message.value_or(""), message);
    }
}

TEST(ClipboardArchive, OnlyTheConversionsWindowsAppendsCountAsSynthesised)
{
    using Ids = std::vector<std::uint32_t>;
    const std::pair<Ids, std::vector<bool>> cases[] = {
        {{13, 16, 1, 7}, {false, false, true, true}},                // Unicode text placed; locale kept
        {{8, 0xC100, 2, 17, 9}, {false, false, true, true, false}},  // DIB placed, bitmap forms made
        {{1, 13, 0xC100}, {false, false, false}},                    // both texts placed before a private format
        {{14, 3}, {false, true}},
        {{0xC100, 2}, {false, false}},
    };
    for (const auto& [ids, expected] : cases) EXPECT_EQ(synthesised_formats(ids), expected) << ids.size();
}

}  // namespace
}  // namespace cw
