#include "save/paste_names.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

std::string joined(const SafeItemPath& path)
{
    std::string out;
    for (const std::string& c : path.components) out += (out.empty() ? "" : "|") + c;
    return out;
}

TEST(PasteNames, HostileNamesStayInsideTheFolder)
{
    struct Case {
        std::string name;
        std::string expected;  // components joined by "|", or the refusal
        bool renamed = true;
    };
    const std::string long_stem(300, 'a');
    const Case cases[] = {
        {"report.txt", "report.txt", false},
        {"dir\\sub\\a.txt", "dir|sub|a.txt", false},
        {"dir/a.txt", "dir|a.txt", false},
        {"..\\..\\evil.txt", "evil.txt"},
        {"a\\..\\..\\b\\.\\c", "a|b|c"},
        {"C:\\Windows\\win.ini", "Windows|win.ini"},
        {"C:evil.txt", "evil.txt"},
        {"\\\\server\\share\\x.txt", "server|share|x.txt"},
        {"\\\\?\\UNC\\server\\share\\x", "server|share|x"},
        {"\\\\?\\C:\\x", "x"},
        {"\\\\.\\PhysicalDrive0", "PhysicalDrive0"},
        {"\\??\\C:\\x", "x"},
        {"/etc/passwd", "etc|passwd"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"dir\\COM1.log", "dir|_COM1.log"},
        {"LPT\xC2\xB9", "_LPT\xC2\xB9"},
        {"CONIN$", "_CONIN$"},
        {"console.txt", "console.txt", false},
        {"file.txt:secret", "file.txt_secret"},
        {"a<b>c?*|\"", "a_b_c____"},
        {"tab\there", "tab_here"},
        {"name. . .", "name"},
        {"folder. \\x", "folder|x"},
        {"...", std::string(ITEM_NAME_EMPTY)},
        {"..\\..", std::string(ITEM_NAME_EMPTY)},
        {"", std::string(ITEM_NAME_EMPTY)},
        {long_stem + ".docx", std::string(195, 'a') + ".docx"},
        {long_stem, std::string(200, 'a')},
        {std::string(32768, 'x'), std::string(ITEM_NAME_TOO_LONG)},
    };
    for (const Case& c : cases) {
        const auto safe = sanitize_item_path(c.name);
        if (!safe) {
            EXPECT_EQ(safe.error().message, c.expected) << c.name.substr(0, 40);
            continue;
        }
        EXPECT_EQ(joined(*safe), c.expected) << c.name.substr(0, 40);
        EXPECT_EQ(safe->renamed, c.renamed) << c.name.substr(0, 40);
    }

    std::string deep;
    for (int i = 0; i < 65; ++i) deep += "d\\";
    EXPECT_EQ(sanitize_item_path(deep + "f").error().message, ITEM_NAME_TOO_DEEP);
    // A surrogate pair is never cut in half when a component is shortened.
    std::string emoji;
    for (int i = 0; i < 120; ++i) emoji += "\xF0\x9F\x98\x80";
    const auto shortened = sanitize_item_path(emoji);
    ASSERT_TRUE(shortened.ok());
    EXPECT_EQ(shortened->components[0].size(), 100u * 4);
}

}  // namespace
}  // namespace cw
