#include "preview/html_document.h"

#include <algorithm>

#include "base/text.h"

namespace cw {

namespace {

constexpr std::string_view START_HTML_KEY = "StartHTML:";

// An unsigned decimal with an optional leading "+"; anything else, overflow included, is none.
std::optional<std::size_t> parse_offset(std::string_view digits)
{
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    std::size_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto scaled = checked_mul(value, 10);
        if (!scaled) return std::nullopt;
        const auto next = checked_add(*scaled, static_cast<std::size_t>(c - '0'));
        if (!next) return std::nullopt;
        value = *next;
    }
    return value;
}

bool is_continuation_byte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The offset named by the first "StartHTML:" line, when it points inside the text at the start
// of a character. Later StartHTML lines are never consulted.
std::optional<std::size_t> start_html_offset(std::string_view text)
{
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line = text.substr(pos, end - pos);
        if (line.starts_with(START_HTML_KEY)) {
            const auto offset = parse_offset(trim_whitespace(line.substr(START_HTML_KEY.size())));
            if (offset && *offset < text.size() && !is_continuation_byte(text[*offset])) return offset;
            return std::nullopt;
        }
        pos = end + 1;
    }
    return std::nullopt;
}

std::string escaped_plain_text_document(std::string_view text)
{
    std::size_t extra = 0;
    for (char c : text) extra += c == '&' ? 4 : (c == '<' || c == '>') ? 3 : 0;
    std::string out;
    out.reserve(PLAIN_TEXT_DOCUMENT_PREFIX.size() + text.size() + extra + PLAIN_TEXT_DOCUMENT_SUFFIX.size());
    out += PLAIN_TEXT_DOCUMENT_PREFIX;
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
        if (!entity) continue;
        out.append(text, run, i - run);
        out += entity;
        run = i + 1;
    }
    out.append(text, run);
    out += PLAIN_TEXT_DOCUMENT_SUFFIX;
    return out;
}

}  // namespace

std::optional<std::size_t> html_document_start(std::string_view text)
{
    if (auto offset = start_html_offset(text)) return offset;
    if (auto at = text.find("<html"); at != std::string_view::npos) return at;
    if (auto at = text.find("<!DOCTYPE"); at != std::string_view::npos) return at;
    return std::nullopt;
}

std::string build_html_document(std::string text)
{
    const auto start = html_document_start(text);
    if (!start) return escaped_plain_text_document(text);
    text.erase(0, *start);
    return text;
}

HtmlPreview make_html_preview(ByteView bytes)
{
    HtmlPreview preview;
    preview.source = decode_utf8_to_first_zero(bytes);
    preview.document = build_html_document(preview.source);
    return preview;
}

}  // namespace cw
