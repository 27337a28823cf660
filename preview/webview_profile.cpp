#include "preview/webview_profile.h"

#include <vector>

namespace cw {

namespace {

std::vector<std::u16string_view> components(std::u16string_view path)
{
    std::vector<std::u16string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == u'\\' || path[i] == u'/') {
            if (i > start) parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

bool valid_text(std::u16string_view s)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool is_owned_webview_profile(std::u16string_view path, std::u16string_view root)
{
    const auto parts = components(path);
    const auto root_parts = components(root);
    if (parts.size() < 2 || parts.size() != root_parts.size() + 1) return false;
    for (std::size_t i = 0; i < root_parts.size(); ++i)
        if (parts[i] != root_parts[i]) return false;
    const std::u16string_view name = parts.back();
    return valid_text(name) && name.size() >= 8 && name.substr(0, PROFILE_FOLDER_PREFIX.size()) == PROFILE_FOLDER_PREFIX;
}

}  // namespace cw
