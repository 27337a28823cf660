#pragma once
// The portable side of the WebView2 preview: its texts, the document handed to the browser, the
// profile folder name, and the rules that pick an installed runtime from its registry value.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cw {

inline constexpr std::string_view WEBVIEW_RUNTIME_MESSAGE =
    "Rendered HTML requires Microsoft Edge WebView2 Runtime.\r\n\r\nInstall WebView2, or use the Source tab.";
inline constexpr std::string_view WEBVIEW_STARTING_TEXT = "Starting the secure HTML preview...";
inline constexpr std::string_view WEBVIEW_READY_LOG_FIELDS = "result=success ephemeral_profile=true";

// Clipboard HTML must not reach the network on its own: inline styles and data: images and fonts
// render, nothing is fetched. First in the string, so the parser puts it at the head of <head>
// ahead of every element it governs.
inline constexpr std::string_view CONTENT_POLICY_ELEMENT =
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
    "img-src data:; font-src data:\">";

// The stable-channel client of the installed runtime, and what our interfaces need of it: the
// build of the SDK whose target version the options object announces.
inline constexpr std::u16string_view RUNTIME_CLIENT_STATE_KEY =
    u"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
inline constexpr std::u16string_view RUNTIME_FOLDER_VALUE = u"EBWebView";
inline constexpr std::u16string_view TARGET_COMPATIBLE_VERSION = u"91.0.864.35";
inline constexpr std::uint32_t MINIMUM_RUNTIME_BUILD = 864;

// "webview2 error, HRESULT 0x80070002": upper-case hexadecimal without padding.
std::string webview_error_text(std::int32_t hresult);

// The most NavigateToString takes: 2 MiB of UTF-16, terminator included.
inline constexpr std::size_t NAVIGATE_TO_STRING_LIMIT = 2 * 1024 * 1024;
inline constexpr std::string_view DOCUMENT_TOO_LARGE_PAGE =
    "<!doctype html><p>This HTML document is too large to render here. Use the Source tab.</p>";

// What NavigateToString is given: the policy element, then the document.
std::string navigation_document(std::string_view document);
// The same as UTF-16. A document the control would refuse becomes DOCUMENT_TOO_LARGE_PAGE, so a
// large copy shows a notice instead of failing the control's setup (and a new profile folder on
// every selection).
std::u16string navigation_text(std::string_view document);

struct RuntimeVersion {
    std::uint32_t major = 0, minor = 0, build = 0, patch = 0;
};

// The version a runtime folder is named after: its last component, "major.minor.build.patch".
std::optional<RuntimeVersion> runtime_folder_version(std::u16string_view folder);
bool runtime_version_supported(const RuntimeVersion& version);
// A path that names its drive or share: the only kind a DLL is loaded from.
bool is_fully_qualified_path(std::u16string_view path);
// "{folder}\EBWebView\x64\EmbeddedBrowserWebView.dll".
std::u16string runtime_client_path(std::u16string_view folder);

// Nanoseconds since 1970-01-01 from a FILETIME value (100 ns since 1601); 0 before 1970. 128-bit
// so that no clock value overflows, as decimal text.
std::string nanos_since_1970_text(std::uint64_t filetime);
// "profile-{pid}-{nanos}".
std::u16string profile_folder_name(std::uint32_t pid, std::uint64_t filetime);

// The short text of a file-system failure's kind ("not found", "permission denied", ...), from its
// Win32 error code.
std::string_view file_error_kind(std::uint32_t win32_code);

}  // namespace cw
