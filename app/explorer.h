#pragma once
// The Explorer verb "Clipboard To File Here": registry paths, value texts and error texts. Paths
// stay UTF-16 from the system to the registry, so a name that is not valid Unicode is written back
// exactly as the system gave it; only the error texts are UTF-8.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cw {

struct ExplorerVerbBase {
    std::u16string_view base;             // under Software\Classes
    std::u16string_view folder_argument;  // what Explorer replaces by the folder
};

// Written and removed in this order.
inline constexpr std::array<ExplorerVerbBase, 4> EXPLORER_VERB_BASES{{
    {u"Directory\\Background\\shell", u"%V"},
    {u"DesktopBackground\\Shell", u"%V"},
    {u"Directory\\shell", u"%1"},
    {u"Drive\\shell", u"%1"},
}};

inline constexpr std::u16string_view EXPLORER_VERB_TEXT = u"Clipboard To File Here";
inline constexpr std::u16string_view EXPLORER_VERB_POSITION = u"Top";
inline constexpr std::u16string_view EXPLORER_ICON_FILE_NAME = u"Clipwright.ico";

inline constexpr std::string_view EXPLORER_BOX_CAPTION = "Clipwright";
inline constexpr std::string_view EXPLORER_INSTALLED_TEXT =
    "Explorer integration was installed for the current Windows user.\r\n\r\n"
    "Right-click a folder background, the Desktop, a folder, or a drive and open Clipboard To File Here.";
inline constexpr std::string_view EXPLORER_REMOVED_TEXT =
    "Explorer integration was removed for the current Windows user.";

// "Software\Classes\{base}\Clipwright".
std::u16string verb_key_path(const ExplorerVerbBase& base);
// The verb key's "command" subkey.
std::u16string command_key_path(const ExplorerVerbBase& base);

// Explorer and the programs it starts do not all accept extended-length paths: \\?\C:\x becomes
// C:\x and \\?\UNC\server\share becomes \\server\share. Other paths are returned unchanged.
std::u16string without_extended_prefix(std::u16string_view path);

// `name` in the folder of `file_path` (the text up to its last backslash or slash); nothing when
// the path names no folder.
std::optional<std::u16string> sibling_path(std::u16string_view file_path, std::u16string_view name);

// "\"{exe}\" --target \"{folder_argument}\"".
std::u16string verb_command(std::u16string_view exe, std::u16string_view folder_argument);
// "\"{icon}\",0".
std::u16string verb_icon(std::u16string_view icon);

// Error texts; `status` is the registry call's return value, shown in decimal.
std::string key_create_error_text(std::u16string_view path, std::int32_t status);
// A missing name is the key's default value, shown as "(Default)".
std::string value_write_error_text(std::optional<std::u16string_view> name, std::int32_t status);
std::string key_remove_error_text(std::u16string_view path, std::int32_t status);
std::string missing_executable_text(std::u16string_view path);
// `error` is the file-system display form of the failure.
std::string unresolved_path_text(std::string_view error);

}  // namespace cw
