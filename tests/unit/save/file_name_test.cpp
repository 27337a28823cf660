#include "save/file_name.h"

#include <gtest/gtest.h>

#include <set>

namespace cw {
namespace {

TEST(SaveFileName, ValidationOfTypedNames)
{
    const std::string unusable(FILE_NAME_UNUSABLE);
    const std::string empty(FILE_NAME_EMPTY);
    struct Case {
        const char* typed;
        std::string expected;  // the name, or the message
        bool ok;
    };
    const Case cases[] = {
        {"report", "report", true},
        {"  notes  ", "notes", true},
        {"\t\xE3\x80\x80notes\xC2\xA0\r\n", "notes", true},  // Unicode blanks around it
        {"console", "console", true},
        {"com0", "com0", true},
        {"com10", "com10", true},
        {"LPT0.txt", "LPT0.txt", true},
        {"connect.txt", "connect.txt", true},
        {"r\xC3\xA9sum\xC3\xA9 (2)", "r\xC3\xA9sum\xC3\xA9 (2)", true},
        {"", empty, false},
        {"   ", empty, false},
        {".", unusable, false},
        {" .. ", unusable, false},
        {"con", unusable, false},
        {"Con.txt", unusable, false},
        {"aux.tar.gz", unusable, false},
        {"lpt9", unusable, false},
        {"COM1", unusable, false},
        {"nul.", unusable, false},
        {"LPT1 .log", unusable, false},
        {"prn  .txt", unusable, false},
        {"what?", unusable, false},
        {"a:b", unusable, false},
        {"a\tb", unusable, false},
        {"a/b", unusable, false},
        {"a\\b", unusable, false},
        {"a|b", unusable, false},
        {"a\"b", unusable, false},
        {"a*b<c>", unusable, false},
        {"a\x7F", unusable, false},
        {"a\xC2\x85x", unusable, false},  // U+0085, a C1 control
        {"a\xC2\x9F", unusable, false},
        {"report.", unusable, false},
    };
    for (const auto& c : cases) {
        const auto name = validate_file_name(c.typed);
        ASSERT_EQ(name.ok(), c.ok) << c.typed;
        if (c.ok) {
            EXPECT_EQ(*name, c.expected) << c.typed;
        } else {
            EXPECT_EQ(name.error().message, c.expected) << c.typed;
            EXPECT_EQ(name.error().code, E_INVALID_DATA_HR) << c.typed;
        }
    }
    // U+00A0 (C2 A0) is text, not a C1 control.
    EXPECT_TRUE(validate_file_name("a\xC2\xA0"
                                   "b")
                    .ok());
}

TEST(SaveFileName, TypedExtensionWinsAndTakenNamesAreNumbered)
{
    struct Case {
        const char* typed;
        const char* default_extension;
        std::set<std::string> existing;
        const char* path;
    };
    const Case cases[] = {
        {"report", "png", {}, "C:\\out\\report.png"},
        {"report.txt", "png", {}, "C:\\out\\report.txt"},
        {".gitignore", "png", {}, "C:\\out\\.gitignore.png"},
        {".config.json", "bin", {}, "C:\\out\\.config.json"},
        {"archive.tar.gz", "bin", {}, "C:\\out\\archive.tar.gz"},
        {"untitled", "png", {"C:\\out\\untitled.png", "C:\\out\\untitled_1.png"}, "C:\\out\\untitled_2.png"},
        {"a.b", "png", {"C:\\out\\a.b"}, "C:\\out\\a_1.b"},
    };
    for (const auto& c : cases) {
        const auto path = choose_save_path(c.typed, c.default_extension, "C:\\out",
                                           [&](const std::string& p) { return c.existing.count(p) > 0; });
        ASSERT_TRUE(path.ok()) << c.typed;
        EXPECT_EQ(*path, c.path) << c.typed;
    }
    EXPECT_EQ(choose_save_path("con", "png", "C:\\out", [](const std::string&) { return false; }).error().message,
              std::string(FILE_NAME_UNUSABLE));
}

TEST(SaveFileName, NumberingHasNoUpperLimitAndPathsJoinOnce)
{
    std::uint64_t asked = 0;
    const auto path = first_free_path("D:\\", {"x", "txt"}, [&](const std::string&) { return ++asked <= 5000; });
    EXPECT_EQ(path, "D:\\x_5000.txt");
    EXPECT_EQ(join_path("C:\\out", "a"), "C:\\out\\a");
    EXPECT_EQ(join_path("C:\\out\\", "a"), "C:\\out\\a");
    EXPECT_EQ(join_path("/tmp/", "a"), "/tmp/a");
}

}  // namespace
}  // namespace cw
