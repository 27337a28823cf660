#include "app/cli_arguments.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/cli_select.h"
#include "format_entry_builder.h"
#include "save/file_name.h"
#include "save/save_messages.h"

namespace cw {
namespace {

using test::format_entry;

using Args = std::vector<std::string>;
using Opt = std::optional<std::string>;

TEST(CliArguments, AcceptedCommandLines)
{
    struct Case {
        Args args;
        CliCommand command;
        bool json;
        Opt format, in, to, as;
    };
    const Case cases[] = {
        {{"list"}, CliCommand::list, false, {}, {}, {}, {}},
        {{"list", "--json"}, CliCommand::list, true, {}, {}, {}, {}},
        {{"show", "--json", "CF_TEXT"}, CliCommand::show, true, "CF_TEXT", {}, {}, {}},
        {{"show", "#0xC00D"}, CliCommand::show, false, "#0xC00D", {}, {}, {}},
        {{"show", "--", "--odd name"}, CliCommand::show, false, "--odd name", {}, {}, {}},
        {{"show", "-"}, CliCommand::show, false, "-", {}, {}, {}},
        {{"save"}, CliCommand::save, false, {}, {}, {}, {}},
        {{"save", "PNG", "--in", "C:\\out"}, CliCommand::save, false, "PNG", "C:\\out", {}, {}},
        {{"save", "--to=a=b.txt"}, CliCommand::save, false, {}, {}, "a=b.txt", {}},
        {{"save", "--as", "txt", "--in", "-dash"}, CliCommand::save, false, {}, "-dash", {}, "txt"},
        {{"help", "ignored"}, CliCommand::help, false, {}, {}, {}, {}},
        {{"--help"}, CliCommand::help, false, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        auto parsed = parse_cli_arguments(c.args);
        ASSERT_TRUE(std::holds_alternative<CliArguments>(parsed)) << c.args[0] << " " << c.args.size();
        const CliArguments& a = std::get<CliArguments>(parsed);
        EXPECT_EQ(a.command, c.command);
        EXPECT_EQ(a.json, c.json);
        EXPECT_EQ(a.format, c.format);
        EXPECT_EQ(a.in_folder, c.in);
        EXPECT_EQ(a.to_file, c.to);
        EXPECT_EQ(a.as_extension, c.as);
    }
}

TEST(CliArguments, RefusedCommandLinesSayWhy)
{
    const std::pair<Args, std::string> cases[] = {
        {{}, "Missing command."},
        {{"lst"}, "Unknown command: lst"},
        {{"list", "--bogus"}, "Unknown option: --bogus"},
        {{"list", "--json=yes"}, "Option --json takes no value."},
        {{"list", "extra"}, "Unexpected argument: extra"},
        {{"show"}, "show needs a FORMAT."},
        {{"show", "a", "b"}, "Unexpected argument: b"},
        {{"show", "-x"}, "Unknown option: -x"},
        {{"save", "--json"}, "Unknown option: --json"},
        {{"save", "--in"}, "Option --in needs a value."},
        {{"save", "--in", "--as", "txt"}, "Option --in needs a value."},
        {{"save", "--to="}, "Option --to needs a value."},
        {{"save", "--as", "a", "--as", "b"}, "Option --as is given twice."},
        {{"save", "--in", "a", "--to", "b"}, "--in and --to cannot be combined."},
        {{"save", "PNG", "--as", "png"}, "FORMAT and --as cannot be combined."},
        {{"dump"}, "dump needs an ARCHIVE."},
        {{"restore", "a.zip", "b.zip"}, "Unexpected argument: b.zip"},
        {{"restore", "a.zip", "--from", "b.zip"}, "Unknown option: --from"},
        {{"watch", "extra"}, "Unexpected argument: extra"},
    };
    for (const auto& [args, message] : cases) {
        auto parsed = parse_cli_arguments(args);
        ASSERT_TRUE(std::holds_alternative<CliUsageError>(parsed)) << message;
        EXPECT_EQ(std::get<CliUsageError>(parsed).message, message);
    }
}

TEST(CliArguments, ArchivesGoWhereTheirCommandReadsThem)
{
    const auto dump = std::get<CliArguments>(parse_cli_arguments({"dump", "-"}));
    EXPECT_EQ(dump.archive, "-");  // a lone dash is a name, as for FORMAT
    EXPECT_FALSE(dump.format);
    const auto show = std::get<CliArguments>(parse_cli_arguments({"show", "PNG", "--from", "c.zip"}));
    EXPECT_EQ(show.format, "PNG");
    EXPECT_EQ(show.from_archive, "c.zip");
    EXPECT_FALSE(show.archive);
}

TEST(CliSelect, FormatByNumberIdOrName)
{
    const std::vector<FormatEntry> entries{format_entry(13, "CF_UNICODETEXT").at(1).listed(),
                                           format_entry(0xC100, "PNG").at(2).listed(),
                                           format_entry(0xC101, "42").at(3).listed()};
    const std::pair<std::string, std::optional<std::size_t>> cases[] = {
        {"1", 0},
        {"3", 2},
        {"4", std::nullopt},
        {"0", std::nullopt},
        {"#13", 0},
        {"#0xC100", 1},
        {"#0XC100", 1},
        {"#49408", 1},
        {"#", std::nullopt},
        {"#0x", std::nullopt},
        {"#-13", std::nullopt},
        {"#13 ", std::nullopt},
        {"#4294967296", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"png", 1},
        {"cf_unicodetext", 0},
        {"PNG ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [spec, index] : cases) EXPECT_EQ(find_format(entries, spec), index) << spec;
}

TEST(CliSelect, SaveFormatIsTheFirstRowOrAnyFormatSavedWithTheExtension)
{
    const std::vector<FormatEntry> entries{
        format_entry(13, "CF_UNICODETEXT").at(1).listed(), format_entry(8, "CF_DIB").at(2).listed(),
        format_entry(0xC100, "PNG").at(3).listed(), format_entry(15, "CF_HDROP").at(4).listed(),
        format_entry(0xC101, "Private").at(5).listed()};
    const std::pair<std::optional<std::string>, std::optional<std::size_t>> cases[] = {
        {std::nullopt, 2},  // the image row comes first
        {"txt", 0},
        {".TXT", 0},
        {"bmp", 1},  // CF_DIB lost the image row to PNG but is still saved as BMP
        {"bin", 4},  // no row: the first format in list order that a save writes as .bin
        {"wav", std::nullopt},
    };
    for (const auto& [extension, index] : cases)
        EXPECT_EQ(find_save_format(entries, extension), index) << extension.value_or("(none)");
    EXPECT_FALSE(find_save_format({}, std::nullopt));
}

TEST(CliSelect, SaveFailuresMapToExitStatuses)
{
    const std::pair<std::string, int> cases[] = {
        {std::string(CLIPBOARD_CHANGED_BEFORE_SAVE), CLI_CLIPBOARD_BUSY},
        {open_clipboard_failed_message("Access is denied. (0x80070005)"), CLI_CLIPBOARD_BUSY},
        {std::string(SELECTION_GONE), CLI_FORMAT_NOT_FOUND},
        {representation_unavailable_message("x (0x800401D3)"), CLI_FORMAT_NOT_FOUND},
        {ole_stream_failed_message("x (0x80004005)"), CLI_FORMAT_NOT_FOUND},
        {std::string(FILE_NAME_EMPTY), CLI_SAVE_FAILED},
        {destination_unavailable_message("C:\\gone"), CLI_SAVE_FAILED},
        {std::string(HDROP_NOT_SAVEABLE), CLI_SAVE_FAILED},
    };
    for (const auto& [message, status] : cases) EXPECT_EQ(save_failure_status(message), status) << message;
}

TEST(CliSelect, DestinationSplitsIntoFolderAndTypedName)
{
    const std::tuple<std::u16string, std::u16string, std::u16string> cases[] = {
        {u"C:\\out\\notes.txt", u"C:\\out", u"notes.txt"},
        {u"C:\\notes.txt", u"C:\\", u"notes.txt"},
        {u"\\\\server\\share\\a.png", u"\\\\server\\share", u"a.png"},
        {u"C:/out/", u"C:/out", u""},
        {u"notes", u"", u"notes"},
    };
    for (const auto& [path, folder, name] : cases) {
        const DestinationParts parts = split_destination(path);
        EXPECT_TRUE(parts.folder == folder && parts.name == name);
    }
}

TEST(CliSelect, GlobalSizeOnlyForMemoryBlocks)
{
    for (std::uint32_t id : {1u, 3u, 8u, 13u, 15u, 17u, 0x200u, 0x2FFu, 0xC000u})
        EXPECT_TRUE(has_global_memory_block(id)) << id;
    for (std::uint32_t id : {2u, 9u, 14u, 0x82u, 0x8Eu, 0x300u, 0x3FFu})
        EXPECT_FALSE(has_global_memory_block(id)) << id;
}

}  // namespace
}  // namespace cw
