#include "save/publish.h"
#include "save/save_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

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

TEST(Publish, DestinationNameAndTemporarySiblingFromUtf16)
{
    EXPECT_EQ(destination_file_name(u"C:\\out\\r\u00E9sum\u00E9.txt").value(), "r\xC3\xA9sum\xC3\xA9.txt");
    EXPECT_EQ(destination_file_name(u"C:\\out\\\U0001F600.png").value(), "\xF0\x9F\x98\x80.png");
    const std::pair<std::u16string, std::string_view> refused[] = {
        {u"untitled.png", DESTINATION_HAS_NO_PARENT},
        {u"C:\\out\\", DESTINATION_NAME_INVALID},
        {std::u16string(u"C:\\out\\a") + char16_t(0xD800) + u".png", DESTINATION_NAME_INVALID},
        {std::u16string(u"C:\\out\\") + char16_t(0xDC00), DESTINATION_NAME_INVALID},
    };
    for (const auto& [path, message] : refused) {
        const auto name = destination_file_name(path);
        ASSERT_FALSE(name.ok());
        EXPECT_EQ(name.error().message, std::string(message));
    }

    // The folder part is kept unit for unit, even where it is not valid UTF-16.
    const std::u16string odd_folder = std::u16string(u"C:\\x") + char16_t(0xDC01) + u"\\";
    EXPECT_EQ(temporary_sibling_path(odd_folder + u"a.png", "a.png", 12, 3),
              odd_folder + u".a.png.clipwright-12-3.tmp");
    EXPECT_EQ(temporary_sibling_path(u"C:\\r\u00E9.txt", "r\xC3\xA9.txt", 1, 0),
              u"C:\\.r\u00E9.txt.clipwright-1-0.tmp");
}

// A fake WriteFile: takes at most `accept` bytes per call and answers from a script first.
struct FakeFile {
    std::vector<WriteCall> script;
    std::size_t accept = SIZE_MAX;
    std::string written;
    std::vector<std::size_t> requests;

    ChunkWriter writer()
    {
        return [this](const std::uint8_t* data, std::size_t count) {
            requests.push_back(count);
            if (!script.empty()) {
                const WriteCall call = script.front();
                script.erase(script.begin());
                if (call.error == 0) written.append(reinterpret_cast<const char*>(data), std::min(call.written, count));
                return call;
            }
            const std::size_t n = std::min(count, accept);
            written.append(reinterpret_cast<const char*>(data), n);
            return WriteCall{n, 0};
        };
    }
};

TEST(Publish, WholeBufferIsWrittenOrTheFailureSaysWhy)
{
    std::string data(MAX_WRITE_REQUEST * 2 + 5, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 / 7);
    struct Case {
        const char* what;
        std::vector<WriteCall> script;
        std::size_t accept;
        std::optional<std::uint32_t> failure;  // the Win32 code, 0 for a write of nothing
        std::size_t written;
    };
    const Case cases[] = {
        {"in whole requests", {}, SIZE_MAX, std::nullopt, data.size()},
        {"short writes continue", {}, 1000 * 1000, std::nullopt, data.size()},
        {"an interrupted call is repeated", {{0, 10004}}, SIZE_MAX, std::nullopt, data.size()},
        {"disk full", {{7, 0}, {0, 112}}, SIZE_MAX, 112u, 7},
        {"a call that writes nothing", {{5, 0}, {0, 0}}, SIZE_MAX, 0u, 5},
        {"more than asked counts as asked", {{SIZE_MAX, 0}}, SIZE_MAX, std::nullopt, data.size()},
    };
    for (const auto& c : cases) {
        FakeFile file;
        file.script = c.script;
        file.accept = c.accept;
        const auto failure = write_whole_buffer(as_bytes_view(data), file.writer());
        ASSERT_EQ(failure.has_value(), c.failure.has_value()) << c.what;
        if (failure) {
            EXPECT_EQ(failure->win32_code, *c.failure) << c.what;
        }
        if (!c.failure) {
            EXPECT_LE(*std::max_element(file.requests.begin(), file.requests.end()), MAX_WRITE_REQUEST) << c.what;
            EXPECT_EQ(file.written, data) << c.what;
        }
        EXPECT_EQ(file.written.size(), c.written) << c.what;
    }

    FakeFile empty;
    EXPECT_FALSE(write_whole_buffer({}, empty.writer()).has_value());
    EXPECT_TRUE(empty.requests.empty());
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
    // Pictures held as GDI objects are saved; a palette alone is still refused.
    const std::pair<std::uint32_t, const char*> gdi[] = {{9, "CF_PALETTE"}};
    for (const auto& [id, name] : gdi) {
        e.id = id;
        e.name = name;
        EXPECT_EQ(refusal_before_read(e), std::string(name) +
                                              " is a live GDI handle. Its file encoder has not been implemented yet; "
                                              "select CF_DIB, CF_DIBV5, or an encoded image representation instead.");
    }
    e.id = 15;
    EXPECT_EQ(refusal_before_read(e), std::string(HDROP_NOT_SAVEABLE));
    for (std::uint32_t id : {1U, 2U, 3U, 8U, 13U, 14U, 17U, 0xC000U}) {
        e.id = id;
        EXPECT_EQ(refusal_before_read(e), std::nullopt) << id;
    }

    EXPECT_EQ(check_block_size(SAFE_SAVE_LIMIT_BYTES), std::nullopt);
    EXPECT_EQ(check_block_size(SAFE_SAVE_LIMIT_BYTES + 1),
              "This representation is 268435457 bytes and exceeds the 256 MiB safe-save limit.");
}

}  // namespace
}  // namespace cw
