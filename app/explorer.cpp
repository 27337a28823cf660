#include "app/explorer.h"

#include "base/text.h"

namespace cw {

namespace {

constexpr std::u16string_view EXTENDED_PREFIX = u"\\\\?\\";
constexpr std::u16string_view UNC_PART = u"UNC\\";

// The system spells it "UNC", but it accepts any case, and so must we.
bool starts_with_unc(std::u16string_view rest)
{
    if (rest.size() < UNC_PART.size()) return false;
    for (std::size_t i = 0; i < UNC_PART.size(); ++i) {
        char16_t c = rest[i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        if (c != UNC_PART[i]) return false;
    }
    return true;
}

std::u16string quoted(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size() + 2);
    out += u'"';
    out += text;
    out += u'"';
    return out;
}

}  // namespace

std::u16string verb_key_path(const ExplorerVerbBase& base)
{
    std::u16string path = u"Software\\Classes\\";
    path += base.base;
    path += u"\\Clipwright";
    return path;
}

std::u16string command_key_path(const ExplorerVerbBase& base)
{
    return verb_key_path(base) + u"\\command";
}

std::u16string without_extended_prefix(std::u16string_view path)
{
    if (!path.starts_with(EXTENDED_PREFIX)) return std::u16string(path);
    const std::u16string_view rest = path.substr(EXTENDED_PREFIX.size());
    if (starts_with_unc(rest)) return u"\\\\" + std::u16string(rest.substr(UNC_PART.size()));
    return std::u16string(rest);
}

std::optional<std::u16string> sibling_path(std::u16string_view file_path, std::u16string_view name)
{
    const std::size_t separator = file_path.find_last_of(u"\\/");
    if (separator == std::u16string_view::npos) return std::nullopt;
    std::u16string path(file_path.substr(0, separator + 1));
    path += name;
    return path;
}

std::u16string verb_command(std::u16string_view exe, std::u16string_view folder_argument)
{
    return quoted(exe) + u" --target " + quoted(folder_argument);
}

std::u16string verb_icon(std::u16string_view icon)
{
    return quoted(icon) + u",0";
}

std::string key_create_error_text(std::u16string_view path, std::int32_t status)
{
    return "Could not create HKCU\\" + utf16_to_utf8(path) + " (Windows error " + std::to_string(status) + ").";
}

std::string value_write_error_text(std::optional<std::u16string_view> name, std::int32_t status)
{
    const std::string shown = name ? utf16_to_utf8(*name) : std::string("(Default)");
    return "Could not write registry value " + shown + " (Windows error " + std::to_string(status) + ").";
}

std::string key_remove_error_text(std::u16string_view path, std::int32_t status)
{
    return "Could not remove HKCU\\" + utf16_to_utf8(path) + " (Windows error " + std::to_string(status) + ").";
}

std::string missing_executable_text(std::u16string_view path)
{
    return "The application executable does not exist:\r\n" + utf16_to_utf8(path);
}

std::string unresolved_path_text(std::string_view error)
{
    return "Could not resolve the application path: " + std::string(error);
}

}  // namespace cw
