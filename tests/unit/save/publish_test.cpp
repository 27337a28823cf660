#include "save/publish.h"
#include "save/save_messages.h"

#include <gtest/gtest.h>

#include "capture/snapshot.h"

namespace cw {
namespace {

TEST(Publish, TemporarySiblingName)
{
    EXPECT_EQ(temporary_file_name("untitled.png", 4242, 0), ".untitled.png.clipwright-4242-0.tmp");
    EXPECT_EQ(temporary_file_name("r\xC3\xA9sum\xC3\xA9.txt", 7, MAX_TEMP_ATTEMPTS - 1),
              ".r\xC3\xA9sum\xC3\xA9.txt.clipwright-7-127.tmp");
}

TEST(Publish, DestinationSplit)
{
    struct Case {
        const char* path;
        const char* folder;  // empty when an error is expected
        const char* name;    // or the message
    };
    const Case cases[] = {
        {"C:\\out\\untitled.png", "C:\\out", "untitled.png"},
        {"C:\\untitled.png", "C:\\", "untitled.png"},
        {"\\\\server\\share\\x.txt", "\\\\server\\share", "x.txt"},
        {"/tmp/x", "/tmp", "x"},
        {"/x", "/", "x"},
        {"untitled.png", "", "The destination path has no parent folder."},
        {"C:\\out\\", "", "The destination filename is not valid Unicode."},
        {"C:\\out\\..", "", "The destination filename is not valid Unicode."},
    };
    for (const auto& c : cases) {
        const auto parts = split_destination(c.path);
        if (*c.folder == '\0') {
            ASSERT_FALSE(parts.ok()) << c.path;
            EXPECT_EQ(parts.error().message, c.name) << c.path;
        } else {
            ASSERT_TRUE(parts.ok()) << c.path;
            EXPECT_EQ(parts->folder, c.folder) << c.path;
            EXPECT_EQ(parts->name, c.name) << c.path;
        }
    }
}

TEST(SaveMessages, TextsWithTheirDetails)
{
    EXPECT_EQ(temp_create_failed_message("Access is denied. (os error 5)"),
              "Could not create a temporary file in the destination folder:\r\nAccess is denied. (os error 5)");
    EXPECT_EQ(temp_write_failed_message("failed to write whole buffer (os error 0)"),
              "Could not finish writing the temporary file:\r\nfailed to write whole buffer (os error 0)");
    EXPECT_EQ(publish_failed_message("Access is denied. (0x80070005)"),
              "Could not publish the completed file:\r\nAccess is denied. (0x80070005)");
    EXPECT_EQ(destination_unavailable_message("C:\\gone"), "The destination folder is not available:\r\nC:\\gone");
    EXPECT_EQ(ole_stream_failed_message("E (0x80004005)"),
              "The OLE provider could not render this stream:\r\nE (0x80004005)");
    EXPECT_EQ(open_clipboard_failed_message("E"), "Could not open the clipboard:\r\nE");
    EXPECT_EQ(representation_unavailable_message("E"), "The selected representation is unavailable:\r\nE");
    EXPECT_EQ(representation_unreadable_message("E"), "Could not read the selected representation:\r\nE");
}

TEST(SaveMessages, RefusalsBeforeReading)
{
    FormatEntry e;
    const std::pair<std::uint32_t, const char*> gdi[] = {
        {2, "CF_BITMAP"}, {3, "CF_METAFILEPICT"}, {9, "CF_PALETTE"}, {14, "CF_ENHMETAFILE"}};
    for (const auto& [id, name] : gdi) {
        e.id = id;
        e.name = name;
        EXPECT_EQ(refusal_before_read(e), std::string(name) +
                                              " is a live GDI handle. Its file encoder has not been implemented yet; "
                                              "select CF_DIB, CF_DIBV5, or an encoded image representation instead.");
    }
    e.id = 15;
    EXPECT_EQ(refusal_before_read(e), std::string(HDROP_NOT_SAVEABLE));
    for (std::uint32_t id : {1U, 8U, 13U, 17U, 0xC000U}) {
        e.id = id;
        EXPECT_EQ(refusal_before_read(e), std::nullopt) << id;
    }

    EXPECT_EQ(check_block_size(SAFE_SAVE_LIMIT_BYTES), std::nullopt);
    EXPECT_EQ(check_block_size(SAFE_SAVE_LIMIT_BYTES + 1),
              "This representation is 268435457 bytes and exceeds the 256 MiB safe-save limit.");
}

}  // namespace
}  // namespace cw
