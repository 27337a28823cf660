#include "save/paste_names.h"

#include "base/text.h"
#include "inspect/file_probe.h"

namespace cw {

namespace {

bool is_separator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

// Separators too, for a single name that arrives unsplit.
bool is_unusable(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || std::u16string_view(u"\"*:<>?|\\/").find(c) != std::u16string_view::npos;
}

bool is_ascii_letter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool starts_with_ascii(std::u16string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        const char p = prefix[i] == '/' ? '\\' : prefix[i];
        if (c == u'/') c = u'\\';
        if (c != static_cast<char16_t>(p)) return false;
    }
    return true;
}

// The device and verbatim prefixes, then a drive designator: what is left is relative.
std::u16string_view drop_root(std::u16string_view path)
{
    if (starts_with_ascii(path, "\\\\?\\UNC\\")) return path.substr(8);
    if (starts_with_ascii(path, "\\\\?\\") || starts_with_ascii(path, "\\\\.\\") || starts_with_ascii(path, "\\??\\"))
        path.remove_prefix(4);
    while (!path.empty() && is_separator(path.front())) path.remove_prefix(1);
    if (path.size() >= 2 && is_ascii_letter(path[0]) && path[1] == u':') path.remove_prefix(2);
    return path;
}

void strip_trailing_dots_and_blanks(std::u16string& name)
{
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
}

bool is_high_surrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

// Cuts `text` to at most `units` without splitting a surrogate pair.
std::u16string_view cut(std::u16string_view text, std::size_t units)
{
    if (text.size() <= units) return text;
    if (units > 0 && is_high_surrogate(text[units - 1])) --units;
    return text.substr(0, units);
}

std::u16string shorten(const std::u16string& name)
{
    constexpr std::size_t MAX_KEPT_EXTENSION = 16;
    if (name.size() <= MAX_COMPONENT_UNITS) return name;
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0 && name.size() - dot <= MAX_KEPT_EXTENSION + 1) {
        const std::u16string_view extension = std::u16string_view(name).substr(dot);
        std::u16string stem(cut(name, MAX_COMPONENT_UNITS - extension.size()));
        strip_trailing_dots_and_blanks(stem);
        return stem + std::u16string(extension);
    }
    return std::u16string(cut(name, MAX_COMPONENT_UNITS));
}

std::u16string sanitize_units(std::u16string_view raw)
{
    std::u16string name(raw);
    for (char16_t& c : name)
        if (is_unusable(c)) c = u'_';
    strip_trailing_dots_and_blanks(name);
    if (name.empty()) return name;
    name = shorten(name);
    strip_trailing_dots_and_blanks(name);
    if (!name.empty() && is_device_path(utf16_to_utf8(name))) name.insert(name.begin(), u'_');
    return name;
}

}  // namespace

std::string sanitize_component(std::string_view name)
{
    return utf16_to_utf8(sanitize_units(utf8_to_utf16(name)));
}

Result<SafeItemPath> sanitize_item_path(std::string_view name)
{
    const std::u16string wide = utf8_to_utf16(name);
    if (wide.size() > MAX_ITEM_NAME_UNITS) return Error::invalid_data(std::string(ITEM_NAME_TOO_LONG));
    const std::u16string_view relative = drop_root(wide);

    SafeItemPath safe;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = start;
        while (end < relative.size() && !is_separator(relative[end])) ++end;
        const std::u16string_view raw = relative.substr(start, end - start);
        if (!raw.empty() && raw != u"." && raw != u"..") {
            std::u16string clean = sanitize_units(raw);
            if (!clean.empty()) safe.components.push_back(utf16_to_utf8(clean));
        }
        if (safe.components.size() > MAX_NAME_DEPTH) return Error::invalid_data(std::string(ITEM_NAME_TOO_DEEP));
        start = end + 1;
    }
    std::string joined;
    for (const std::string& c : safe.components) joined += (joined.empty() ? "" : "\\") + c;
    std::string given = utf16_to_utf8(wide);
    for (char& c : given)
        if (c == '/') c = '\\';
    safe.renamed = joined != given;
    if (safe.components.empty()) return Error::invalid_data(std::string(ITEM_NAME_EMPTY));
    return safe;
}

}  // namespace cw
