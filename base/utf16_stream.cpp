#include "base/utf16_stream.h"

#include <utility>

namespace cw {

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

char* put_utf8_3(char* p, char32_t u)
{
    *p++ = static_cast<char>(0xE0 | (u >> 12));
    *p++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (u & 0x3F));
    return p;
}

}  // namespace

bool Utf16leToUtf8Stream::decode(ByteView piece, std::string& out)
{
    if (ended_ || piece.empty()) return !ended_;
    std::size_t i = 0;
    char32_t first = 0;
    bool has_first = false;
    if (odd_byte_ >= 0) {
        first = static_cast<char32_t>(odd_byte_) | (piece[0] << 8);
        odd_byte_ = -1;
        has_first = true;
        i = 1;
    }
    const std::size_t units = (piece.size() - i) / 2 + (has_first ? 1 : 0);
    // Up to 4 MiB of text per selection: encode straight into room for the worst case (three bytes
    // per unit, and a held surrogate) instead of growing a string byte by byte.
    const std::size_t start = out.size();
    out.resize(start + units * 3 + 3);
    char* p = out.data() + start;
    auto next_unit = [&](char32_t& u) {
        if (has_first) {
            has_first = false;
            u = first;
            return true;
        }
        if (i + 1 >= piece.size()) return false;
        u = piece[i] | (piece[i + 1] << 8);
        i += 2;
        return true;
    };
    char32_t u = 0;
    while (next_unit(u)) {
        if (pending_high_ != 0) {
            const char32_t high = std::exchange(pending_high_, 0);
            if (u >= 0xDC00 && u <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00);
                *p++ = static_cast<char>(0xF0 | (cp >> 18));
                *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                *p++ = static_cast<char>(0x80 | (cp & 0x3F));
                continue;
            }
            p = put_utf8_3(p, REPLACEMENT);
        }
        if (u < 0x80) {
            if (u == 0) {
                ended_ = true;
                break;
            }
            *p++ = static_cast<char>(u);
        } else if (u < 0x800) {
            *p++ = static_cast<char>(0xC0 | (u >> 6));
            *p++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDBFF) {
            pending_high_ = static_cast<char16_t>(u);  // its pair may be the next unit, in this piece or the next
        } else {
            p = put_utf8_3(p, u >= 0xDC00 && u <= 0xDFFF ? REPLACEMENT : u);
        }
    }
    if (!ended_ && i < piece.size()) odd_byte_ = piece[i];
    out.resize(static_cast<std::size_t>(p - out.data()));
    return !ended_;
}

void Utf16leToUtf8Stream::finish(std::string& out)
{
    if (pending_high_ != 0) {
        char bytes[3];
        out.append(bytes, put_utf8_3(bytes, REPLACEMENT));
    }
    pending_high_ = 0;
    odd_byte_ = -1;
    ended_ = true;
}

}  // namespace cw
