#pragma once
// The portable side of the WebView2 preview: its texts, the document handed to the browser, the
// profile folder name, and the rules that pick an installed runtime from its registry value.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Where installers record the runtime: one client-state key per release channel, in the order
// they are tried (stable, beta, dev, canary), each looked up per machine and then per user.
inline constexpr std::u16string_view RUNTIME_CLIENT_STATE_KEYS[] = {
    u"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}",
    u"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}",
    u"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}",
    u"SOFTWARE\\Microsoft\\EdgeUpdate\\ClientState\\{65C35B14-6C1D-4122-AC46-7148CC9D6497}",
};
inline constexpr std::u16string_view RUNTIME_FOLDER_VALUE = u"EBWebView";
// The SDK build our interfaces were declared from, announced by the options object.
inline constexpr std::u16string_view TARGET_COMPATIBLE_VERSION = u"91.0.864.35";
// Runtimes before 99 (build 1150) are reported to crash when reached without the official loader;
// an older one counts as missing.
inline constexpr std::uint32_t MINIMUM_RUNTIME_BUILD = 1150;

// The browser's extra command line. Clipboard HTML comes from any page, and the policy element
// does not govern navigation or DNS prefetching: no host name resolves, a request that still has
// an address goes to a closed local port (loopback included), and the services that call out on
// their own are off (SmartScreen look-ups, optimization hints, autofill queries, certificate
// transparency updates, cast discovery, component updates, reliability reports, link pings).
inline constexpr std::u16string_view BROWSER_ARGUMENTS =
    u"--host-resolver-rules=\"MAP * ~NOTFOUND\" --proxy-server=127.0.0.1:9 --proxy-bypass-list=<-loopback> "
    u"--disable-background-networking --disable-component-update --disable-domain-reliability --no-pings "
    u"--disable-features=msSmartScreenProtection,OptimizationHints,AutofillServerCommunication,"
    u"CertificateTransparencyComponentUpdater,MediaRouter";

// Tells the navigations our own NavigateToString calls start from every other one, by order: the
// URI a runtime reports for them differs between versions.
class NavigationGate {
public:
    void expect() { ++expected_; }
    void withdraw() { expected_ -= expected_ > 0 ? 1 : 0; }
    // True for a navigation one of our calls started; everything else is to be cancelled.
    bool admit()
    {
        if (expected_ == 0) return false;
        --expected_;
        return true;
    }

private:
    std::uint32_t expected_ = 0;
};

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
enum class RegistryHive { machine, user };

// What the locator reads of the machine.
class RuntimeRegistry {
public:
    virtual ~RuntimeRegistry() = default;
    // The RUNTIME_FOLDER_VALUE string under `key`, expanded when it is stored as an expandable one.
    virtual std::optional<std::u16string> runtime_folder(RegistryHive hive, std::u16string_view key) const = 0;
    virtual bool is_file(std::u16string_view path) const = 0;
};

// The client DLLs of the registered runtimes worth trying, best first (channel order, per machine
// before per user): a fully qualified folder named after a supported version, its client present.
std::vector<std::u16string> runtime_client_candidates(const RuntimeRegistry& registry);

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
