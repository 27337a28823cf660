#include "app/explorer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/text.h"

namespace cw {
namespace {

std::string u8(std::u16string_view text)
{
    return utf16_to_utf8(text);
}

TEST(ExplorerPaths, ExtendedLengthPrefixesAreRemovedOnlyAtTheStart)
{
    struct Case {
        std::u16string in;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"\\\\?\\C:\\Tools\\Clipwright.exe", u"C:\\Tools\\Clipwright.exe"},
        {u"\\\\?\\UNC\\server\\share\\Clipwright.exe", u"\\\\server\\share\\Clipwright.exe"},
        {u"\\\\?\\UNC\\", u"\\\\"},
        {u"\\\\?\\", u""},
        {u"C:\\Tools\\Clipwright.exe", u"C:\\Tools\\Clipwright.exe"},
        {u"\\\\server\\share\\x.exe", u"\\\\server\\share\\x.exe"},
        {u"\\\\.\\C:\\x.exe", u"\\\\.\\C:\\x.exe"},
        // Only the leading prefix is the system's; the same characters later are part of a name.
        {u"C:\\\\?\\UNC\\x", u"C:\\\\?\\UNC\\x"},
        {u"\\\\?\\unc\\server\\x", u"\\\\server\\x"},
        {u"", u""},
    };
    for (const Case& c : cases) EXPECT_EQ(u8(without_extended_prefix(c.in)), u8(c.expected)) << u8(c.in);
}

TEST(ExplorerPaths, IconFileSitsInTheProgramsFolder)
{
    struct Case {
        std::u16string file;
        std::optional<std::u16string> expected;
    };
    const Case cases[] = {
        {u"\\\\?\\C:\\Tools\\Clipwright.exe", u"\\\\?\\C:\\Tools\\Clipwright.ico"},
        {u"\\\\?\\C:\\Clipwright.exe", u"\\\\?\\C:\\Clipwright.ico"},
        {u"\\\\?\\UNC\\srv\\share\\app.v2\\Clip.exe", u"\\\\?\\UNC\\srv\\share\\app.v2\\Clipwright.ico"},
        {u"/mnt/tools/Clipwright.exe", u"/mnt/tools/Clipwright.ico"},
        {u"Clipwright.exe", std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<std::u16string> got = sibling_path(c.file, EXPLORER_ICON_FILE_NAME);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << u8(c.file);
        if (got) {
            EXPECT_EQ(u8(*got), u8(*c.expected));
        }
    }
}

TEST(ExplorerRegistry, FourBasesInOrderWithTheirKeysAndCommands)
{
    const std::u16string exe = u"C:\\Program Files\\Clipwright\\Clipwright.exe";
    const char* expected[4][3] = {
        {"Software\\Classes\\Directory\\Background\\shell\\Clipwright",
         "Software\\Classes\\Directory\\Background\\shell\\Clipwright\\command",
         "\"C:\\Program Files\\Clipwright\\Clipwright.exe\" --target \"%V\""},
        {"Software\\Classes\\DesktopBackground\\Shell\\Clipwright",
         "Software\\Classes\\DesktopBackground\\Shell\\Clipwright\\command",
         "\"C:\\Program Files\\Clipwright\\Clipwright.exe\" --target \"%V\""},
        {"Software\\Classes\\Directory\\shell\\Clipwright", "Software\\Classes\\Directory\\shell\\Clipwright\\command",
         "\"C:\\Program Files\\Clipwright\\Clipwright.exe\" --target \"%1\""},
        {"Software\\Classes\\Drive\\shell\\Clipwright", "Software\\Classes\\Drive\\shell\\Clipwright\\command",
         "\"C:\\Program Files\\Clipwright\\Clipwright.exe\" --target \"%1\""},
    };
    for (std::size_t i = 0; i < EXPLORER_VERB_BASES.size(); ++i) {
        const ExplorerVerbBase& base = EXPLORER_VERB_BASES[i];
        EXPECT_EQ(u8(verb_key_path(base)), expected[i][0]);
        EXPECT_EQ(u8(command_key_path(base)), expected[i][1]);
        EXPECT_EQ(u8(verb_command(exe, base.folder_argument)), expected[i][2]);
    }
    EXPECT_EQ(u8(verb_icon(u"\\\\server\\share\\Clipwright.ico")), "\"\\\\server\\share\\Clipwright.ico\",0");
}

TEST(ExplorerRegistry, ErrorTexts)
{
    const std::u16string key = u"Software\\Classes\\Drive\\shell\\Clipwright";
    struct Case {
        std::string got;
        std::string expected;
    };
    const Case cases[] = {
        {key_create_error_text(key, 5),
         "Could not create HKCU\\Software\\Classes\\Drive\\shell\\Clipwright (Windows error 5)."},
        {key_remove_error_text(key, 1021),
         "Could not remove HKCU\\Software\\Classes\\Drive\\shell\\Clipwright (Windows error 1021)."},
        {value_write_error_text(u"MUIVerb", 1009), "Could not write registry value MUIVerb (Windows error 1009)."},
        {value_write_error_text(std::nullopt, 5), "Could not write registry value (Default) (Windows error 5)."},
        {missing_executable_text(u"C:\\Gone\\Clipwright.exe"),
         "The application executable does not exist:\r\nC:\\Gone\\Clipwright.exe"},
        {unresolved_path_text("Access is denied. (os error 5)"),
         "Could not resolve the application path: Access is denied. (os error 5)"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected);
}

}  // namespace
}  // namespace cw
