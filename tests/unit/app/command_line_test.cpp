#include "app/command_line.h"
#include "app/theme_setting.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace cw {
namespace {

// Element 0 is the program path, as CommandLineToArgvW gives it.
std::vector<std::u16string> args(std::vector<std::u16string> rest)
{
    rest.insert(rest.begin(), u"C:\\Program Files\\Clipwright\\Clipwright.exe");
    return rest;
}

TEST(LaunchMode, LastExplorerSwitchWinsWherever)
{
    struct Case {
        std::vector<std::u16string> rest;
        LaunchMode expected;
    };
    const Case cases[] = {
        {{}, LaunchMode::normal},
        {{u"--uninstall-explorer", u"--install-explorer"}, LaunchMode::install_explorer},
        {{u"--install-explorer", u"--uninstall-explorer"}, LaunchMode::uninstall_explorer},
        {{u"C:\\Out", u"--install-explorer"}, LaunchMode::install_explorer},
        {{u"--target", u"--install-explorer"}, LaunchMode::install_explorer},
        {{u"--Install-Explorer"}, LaunchMode::normal},
        {{u"--install-explorer "}, LaunchMode::normal},
    };
    for (const Case& c : cases) EXPECT_EQ(parse_launch_mode(args(c.rest)), c.expected) << c.rest.size();

    // The program path is never an argument, even if it looks like a switch.
    const std::vector<std::u16string> only_path{u"--install-explorer"};
    EXPECT_EQ(parse_launch_mode(only_path), LaunchMode::normal);
    EXPECT_EQ(parse_launch_mode({}), LaunchMode::normal);
}

TEST(LaunchMode, QuietIsCaseSensitiveAndMayStandAnywhere)
{
    EXPECT_TRUE(is_quiet(args({u"--install-explorer", u"--quiet"})));
    EXPECT_TRUE(is_quiet(args({u"--quiet", u"C:\\Out"})));
    EXPECT_FALSE(is_quiet(args({u"--QUIET"})));
    EXPECT_FALSE(is_quiet(std::vector<std::u16string>{u"--quiet"}));
}

TEST(TargetFolder, FirstFolderArgumentElseCurrentDirectory)
{
    const CurrentDirectory cwd = [] { return std::optional<std::u16string>(u"D:\\Work"); };
    struct Case {
        std::vector<std::u16string> rest;
        std::u16string expected;
    };
    const Case cases[] = {
        {{}, u"D:\\Work"},
        {{u"--target"}, u"D:\\Work"},
        {{u"--target", u"-x"}, u"-x"},
        {{u"-v", u"C:\\Out"}, u"C:\\Out"},
        {{u"C:\\A", u"C:\\B"}, u"C:\\A"},
        {{u"C:\\A", u"--target", u"C:\\B"}, u"C:\\A"},
        {{u"--quiet", u"--target", u"\\\\server\\share\\dir"}, u"\\\\server\\share\\dir"},
        {{u""}, u""},  // an empty argument is a folder, not an option
        {{u"--TARGET", u"C:\\Out"}, u"C:\\Out"},
        {{u"-", u"--install-explorer"}, u"D:\\Work"},
        // A drive root quoted by the Explorer verb arrives as C:" and means C:\.
        {{u"--target", u"C:\""}, u"C:\\"},
        {{u"--target", u"C:\\Users\\Ann\\My Files\""}, u"C:\\Users\\Ann\\My Files\\"},
        {{u"E:\""}, u"E:\\"},
        {{u"--target", u"\""}, u"\\"},
        {{u"--open", u"C:\\clip.zip"}, u"D:\\Work"},  // the archive is not the folder
        {{u"--open", u"C:\\clip.zip", u"C:\\Out"}, u"C:\\Out"},
    };
    for (const Case& c : cases) {
        const std::vector<std::u16string> a = args(c.rest);
        EXPECT_EQ(parse_target_folder(a, cwd), c.expected) << a.size();
    }
}

TEST(TargetFolder, UnreadableCurrentDirectoryBecomesDot)
{
    const CurrentDirectory unreadable = [] { return std::optional<std::u16string>(); };
    EXPECT_EQ(parse_target_folder(args({}), unreadable), u".");
    EXPECT_EQ(parse_target_folder(args({u"--target"}), nullptr), u".");
    // The current directory is taken as it is; the quote repair belongs to arguments only.
    const CurrentDirectory odd = [] { return std::optional<std::u16string>(u"X:\\odd\""); };
    EXPECT_EQ(parse_target_folder(args({}), odd), u"X:\\odd\"");
}

TEST(ThemeSetting, OnlyLightSelectsTheLightTheme)
{
    struct Case {
        std::optional<std::u16string> stored;
        bool dark;
    };
    const Case cases[] = {
        {std::nullopt, true},  // missing, not a string, or too long
        {u"Light", false},
        {u"  Light\t", false},
        {u"LIGHT", false},
        {u"\r\nlight \n", false},
        {std::u16string(u"light\0junk", 10), false},
        {u"Dark", true},
        {u"", true},
        {u"lights", true},
        {u"li ght", true},
        {u"L\u0130GHT", true},  // dotted capital I is not folded
    };
    for (const Case& c : cases) {
        const std::optional<std::u16string_view> view =
            c.stored ? std::optional<std::u16string_view>(*c.stored) : std::nullopt;
        EXPECT_EQ(dark_mode_from_setting(view), c.dark) << (c.stored ? c.stored->size() : 999);
    }
    EXPECT_EQ(theme_setting_value(true), "Dark");
    EXPECT_EQ(theme_setting_value(false), "Light");
    EXPECT_EQ(theme_button_caption(true), "Light &Mode");
    EXPECT_EQ(theme_button_caption(false), "Dark &Mode");
}

}  // namespace
}  // namespace cw
