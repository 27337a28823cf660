#include "save/file_name.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/text.h"

namespace cw {

namespace {

bool is_unicode_white_space(char16_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::string trim_unicode_white_space(std::string_view text)
{
    std::u16string wide = utf8_to_utf16(text);
    std::size_t begin = 0, end = wide.size();
    while (begin < end && is_unicode_white_space(wide[begin])) ++begin;
    while (end > begin && is_unicode_white_space(wide[end - 1])) --end;
    return utf16_to_utf8(std::u16string_view(wide).substr(begin, end - begin));
}

// U+0000 to U+001F, U+007F to U+009F and " * / : < > ? \ |. In UTF-8 the C1 controls are the
// only characters encoded as C2 80 to C2 9F.
bool has_forbidden_character(std::string_view name)
{
    constexpr std::string_view symbols = "\"*/:<>?\\|";
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (b < 0x20 || b == 0x7F || symbols.find(static_cast<char>(b)) != std::string_view::npos) return true;
        if (b == 0xC2 && i + 1 < name.size()) {
            const auto next = static_cast<unsigned char>(name[i + 1]);
            if (next >= 0x80 && next <= 0x9F) return true;
        }
    }
    return false;
}

Error unusable()
{
    return Error::invalid_data(std::string(FILE_NAME_UNUSABLE));
}

}  // namespace

bool is_reserved_device_name(std::string_view name)
{
    std::string_view stem = name.substr(0, std::min(name.find('.'), name.size()));
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.remove_suffix(1);
    const std::string upper = [&] {
        std::string s(stem);
        for (char& c : s)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return s;
    }();
    static constexpr std::array<std::string_view, 4> plain = {"CON", "PRN", "AUX", "NUL"};
    for (auto reserved : plain)
        if (upper == reserved) return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

Result<std::string> validate_file_name(std::string_view typed)
{
    std::string name = trim_unicode_white_space(typed);
    if (name == "." || name == "..") return unusable();
    if (name.empty()) return Error::invalid_data(std::string(FILE_NAME_EMPTY));
    if (has_forbidden_character(name)) return unusable();
    if (name.back() == ' ' || name.back() == '.') return unusable();
    if (is_reserved_device_name(name)) return unusable();
    return name;
}

FileNameParts split_file_name(std::string_view name, std::string_view default_extension)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {std::string(name), std::string(default_extension)};
    return {std::string(name.substr(0, dot)), std::string(name.substr(dot + 1))};
}

std::string join_path(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    path += name;
    return path;
}

std::string first_free_path(std::string_view folder, const FileNameParts& parts, const PathExists& exists)
{
    std::string path = join_path(folder, parts.base + "." + parts.extension);
    for (std::uint64_t n = 1; exists(path); ++n)
        path = join_path(folder, parts.base + "_" + std::to_string(n) + "." + parts.extension);
    return path;
}

Result<std::string> choose_save_path(std::string_view typed, std::string_view default_extension,
                                     std::string_view folder, const PathExists& exists)
{
    auto name = validate_file_name(typed);
    if (!name) return name.error();
    return first_free_path(folder, split_file_name(*name, default_extension), exists);
}

}  // namespace cw
