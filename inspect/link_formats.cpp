#include "inspect/link_formats.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "base/text.h"
#include "report/report_text.h"

namespace cw {

namespace {

struct AddressParts {
    std::string scheme;
    std::string host;
    std::string path;
};

AddressParts split_address(std::string_view address)
{
    AddressParts parts;
    std::string_view rest = address;
    if (const std::size_t colon = address.find(':'); colon != std::string_view::npos) {
        parts.scheme = address.substr(0, colon);
        rest = address.substr(colon + 1);
    } else {
        parts.scheme = "Unknown";
    }
    if (!rest.starts_with("//")) {
        parts.path = rest;
        return parts;
    }
    const std::size_t authority_end = std::min(rest.find_first_of("/?#", 2), rest.size());
    std::string_view host = rest.substr(2, authority_end - 2);
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
    // IPv6 literals keep their brackets; elsewhere a ":" starts the port, which is dropped.
    if (host.starts_with('[')) {
        if (const std::size_t close = host.find(']'); close != std::string_view::npos) host = host.substr(0, close + 1);
    } else {
        host = host.substr(0, std::min(host.find(':'), host.size()));
    }
    parts.host = host;
    parts.path = rest.substr(authority_end);
    return parts;
}

// Over the whole path before the query: a dotted folder counts when the last segment has none.
std::string path_extension(std::string_view path)
{
    path = path.substr(0, std::min(path.find_first_of("?#"), path.size()));
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    return ascii_lower(path.substr(dot + 1));
}

std::string resource_hint(const std::string& extension)
{
    static constexpr std::pair<std::string_view, std::string_view> known[] = {
        {"pdf", "Address points to a PDF; this row is still a link, not PDF bytes."},
        {"png", "Address points to a PNG image; this row is still a link, not PNG bytes."},
        {"jpg", "Address points to a JPEG image; this row is still a link, not JPEG bytes."},
        {"jpeg", "Address points to a JPEG image; this row is still a link, not JPEG bytes."},
        {"webp", "Address points to a WebP image; this row is still a link, not WebP bytes."},
        {"gif", "Address points to a GIF image; this row is still a link, not GIF bytes."},
    };
    if (extension.empty()) return "No reliable file type can be inferred from the URL path.";
    for (const auto& [known_extension, hint] : known)
        if (extension == known_extension) return std::string(hint);
    return "Address ends in ." + extension + "; the actual remote media type is not verified.";
}

}  // namespace

PropertyTable analyze_url(std::string_view format_name, ByteView bytes)
{
    const std::string address = names_equal(format_name, "UniformResourceLocatorW")
                                    ? decode_utf16le_to_first_zero(bytes)
                                    : decode_utf8_to_first_zero(bytes);
    const bool provenance = names_equal(format_name, "Chromium internal source URL");
    AddressParts parts = split_address(address);
    const std::string hint = resource_hint(path_extension(parts.path));

    PropertyRows rows;
    rows.emplace_back("Clipboard format", std::string(format_name));
    rows.emplace_back("Meaning", provenance ? "Browser provenance: the page/origin the copied content came from. "
                                              "This is not necessarily the copied link target."
                                            : "Transferable URL target: paste targets can treat this representation "
                                              "as a link. It is not the remote resource's bytes.");
    rows.emplace_back("URL", address);
    rows.emplace_back("Scheme", std::move(parts.scheme));
    rows.emplace_back("Host", std::move(parts.host));
    rows.emplace_back("Path", std::move(parts.path));
    rows.emplace_back("Resource hint", hint);
    rows.emplace_back("Save guidance", provenance ? "Keep as explanatory source metadata; do not offer it as the "
                                                    "primary file merely because it is a URL."
                                                  : "Offer an Internet shortcut (.url) or plain URL text (.txt). "
                                                    "Downloading the target would be a separate, explicit network "
                                                    "action.");
    PropertyTable table = make_property_table(std::move(rows), to_crlf(hex_dump(bytes)));
    table.table_caption = "Link";
    return table;
}

PropertyTable analyze_rfh_token(ByteView bytes)
{
    constexpr std::size_t KNOWN_SIZE = 24;
    constexpr std::uint32_t KNOWN_PAYLOAD = 20;
    const ByteReader r(bytes);
    const auto payload = r.u32le(0);
    const auto child = r.i32le(4);
    const auto token = r.slice(8, 16);

    std::string token_text = "Unavailable";
    if (token) {
        token_text.clear();
        char pair[3];
        for (std::uint8_t b : *token) {
            std::snprintf(pair, sizeof pair, "%02X", b);
            token_text += pair;
        }
    }
    const bool recognised = bytes.size() == KNOWN_SIZE && payload == KNOWN_PAYLOAD;

    PropertyRows rows{
        {"Meaning", "Chromium-only identity for the renderer frame that originated this clipboard write. Chromium "
                    "uses it internally for source ownership and policy decisions."},
        {"Serialization", recognised ? "Recognized Chromium base::Pickle containing a GlobalRenderFrameHostToken"
                                     : "Does not match the currently recognized 24-byte Chromium token layout"},
        {"Pickle payload", payload ? std::to_string(*payload) + " bytes" : "Unavailable"},
        {"Child process ID",
         child ? std::to_string(*child) + " (Chromium internal ID, not a Windows PID)" : "Unavailable"},
        {"Local frame token", token_text},
        {"External usefulness",
         "None as content. Only the originating live Chromium browser process can resolve this identity back to a "
         "RenderFrameHost. It does not encode a URL, tab title, image, or file."},
        {"Related evidence", "Use Chromium internal source URL, HTML source metadata, and the actual PNG/text formats "
                             "for human-meaningful provenance and content."},
        {"Save guidance", "Diagnostic provenance only. Never offer this token as a file, dereference it, or treat "
                          "either identifier as an operating-system process handle."},
    };
    if (!recognised)
        rows.emplace_back("Caution", "Chromium's private serialization may change; retain the raw bytes when the "
                                     "expected structure does not validate.");
    PropertyTable table = make_property_table(std::move(rows), to_crlf(hex_dump(bytes)));
    table.table_caption = "Chromium provenance";
    return table;
}

}  // namespace cw
