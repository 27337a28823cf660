#include "preview/webview_runtime.h"

#include <cstdio>
#include <vector>

#include "base/text.h"
#include "preview/webview_profile.h"

namespace cw {

std::string webview_error_text(std::int32_t hresult)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", static_cast<unsigned>(hresult));
    return std::string("webview2 error, HRESULT ") + buffer;
}

std::string navigation_document(std::string_view document)
{
    std::string out;
    out.reserve(CONTENT_POLICY_ELEMENT.size() + document.size());
    out += CONTENT_POLICY_ELEMENT;
    out += document;
    return out;
}

std::u16string navigation_text(std::string_view document)
{
    std::u16string text = utf8_to_utf16(navigation_document(document));
    if ((text.size() + 1) * sizeof(char16_t) > NAVIGATE_TO_STRING_LIMIT)
        text = utf8_to_utf16(navigation_document(DOCUMENT_TOO_LARGE_PAGE));
    return text;
}

namespace {

std::optional<std::uint32_t> parse_number(std::u16string_view digits)
{
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    std::uint32_t value = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    return value;
}

}  // namespace

std::optional<RuntimeVersion> runtime_folder_version(std::u16string_view folder)
{
    while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.remove_suffix(1);
    const auto slash = folder.find_last_of(u"\\/");
    std::u16string_view name = slash == std::u16string_view::npos ? folder : folder.substr(slash + 1);
    std::vector<std::uint32_t> parts;
    while (true) {
        const auto dot = name.find(u'.');
        const auto part = parse_number(name.substr(0, dot));
        if (!part || parts.size() == 4) return std::nullopt;
        parts.push_back(*part);
        if (dot == std::u16string_view::npos) break;
        name.remove_prefix(dot + 1);
    }
    if (parts.size() != 4) return std::nullopt;
    return RuntimeVersion{parts[0], parts[1], parts[2], parts[3]};
}

bool runtime_version_supported(const RuntimeVersion& version)
{
    return version.build >= MINIMUM_RUNTIME_BUILD;
}

std::vector<std::u16string> runtime_client_candidates(const RuntimeRegistry& registry)
{
    std::vector<std::u16string> clients;
    for (std::u16string_view key : RUNTIME_CLIENT_STATE_KEYS) {
        for (RegistryHive hive : {RegistryHive::machine, RegistryHive::user}) {
            const std::optional<std::u16string> folder = registry.runtime_folder(hive, key);
            if (!folder || !is_fully_qualified_path(*folder)) continue;
            const auto version = runtime_folder_version(*folder);
            if (!version || !runtime_version_supported(*version)) continue;
            std::u16string client = runtime_client_path(*folder);
            if (registry.is_file(client)) clients.push_back(std::move(client));
        }
    }
    return clients;
}

bool is_fully_qualified_path(std::u16string_view path)
{
    const auto separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    if (path.size() >= 3 && path[1] == u':' && separator(path[2]))
        return (path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z');
    return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

std::u16string runtime_client_path(std::u16string_view folder)
{
    std::u16string path(folder);
    if (!path.empty() && path.back() != u'\\') path += u'\\';
    return path + u"EBWebView\\x64\\EmbeddedBrowserWebView.dll";
}

std::string nanos_since_1970_text(std::uint64_t filetime)
{
    constexpr std::uint64_t EPOCH_1970 = 116444736000000000ULL;
    if (filetime <= EPOCH_1970) return "0";
    unsigned __int128 nanos = static_cast<unsigned __int128>(filetime - EPOCH_1970) * 100;
    std::string digits;
    while (nanos > 0) {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(nanos % 10)));
        nanos /= 10;
    }
    return digits;
}

std::u16string profile_folder_name(std::uint32_t pid, std::uint64_t filetime)
{
    const std::string text = std::to_string(pid) + "-" + nanos_since_1970_text(filetime);
    return std::u16string(PROFILE_FOLDER_PREFIX) + std::u16string(text.begin(), text.end());
}

std::string_view file_error_kind(std::uint32_t win32_code)
{
    switch (win32_code) {
        case 2:   // ERROR_FILE_NOT_FOUND
        case 3:   // ERROR_PATH_NOT_FOUND
        case 15:  // ERROR_INVALID_DRIVE
        case 21:  // ERROR_NOT_READY
            return "not found";
        case 5:   // ERROR_ACCESS_DENIED
        case 19:  // ERROR_WRITE_PROTECT
            return "permission denied";
        case 80:   // ERROR_FILE_EXISTS
        case 183:  // ERROR_ALREADY_EXISTS
            return "already exists";
        case 267:  // ERROR_DIRECTORY
            return "not a directory";
        case 32:  // ERROR_SHARING_VIOLATION
        case 33:  // ERROR_LOCK_VIOLATION
            return "in use";
        case 39:   // ERROR_HANDLE_DISK_FULL
        case 112:  // ERROR_DISK_FULL
            return "storage full";
        case 123:  // ERROR_INVALID_NAME
        case 161:  // ERROR_BAD_PATHNAME
        case 206:  // ERROR_FILENAME_EXCED_RANGE
            return "invalid filename";
        default:
            return "other";
    }
}

}  // namespace cw
