#include "capture/retrieval.h"

#include <algorithm>

#include "base/text.h"

namespace cw {

namespace {
// Media that the flat Win32 transport serves: such a format is never read as a stream.
constexpr std::uint32_t WIN32_READABLE_MEDIA = TYMED_HGLOBAL_BIT | TYMED_GDI_BIT | TYMED_MFPICT_BIT | TYMED_ENHMF_BIT;
}  // namespace

std::optional<FormatOffer> find_stream_offer(const FormatEntry& entry)
{
    const auto stream = std::find_if(entry.offers.begin(), entry.offers.end(), [](const FormatOffer& offer) {
        return (offer.tymed & TYMED_ISTREAM_BIT) != 0 && offer.lindex >= -1;
    });
    if (stream == entry.offers.end()) return std::nullopt;
    // lindex -1 asks for "all" FileContents, which no provider can render; the report explains
    // the indexed contract instead.
    if (names_equal(entry.name, "FileContents") && stream->lindex == -1) return std::nullopt;
    const bool win32_readable = std::any_of(entry.offers.begin(), entry.offers.end(), [](const FormatOffer& offer) {
        return (offer.tymed & WIN32_READABLE_MEDIA) != 0;
    });
    if (win32_readable) return std::nullopt;
    return *stream;
}

Result<StreamRead> read_stream_capped(const StreamChunkReader& read)
{
    StreamRead result;
    std::vector<std::uint8_t> chunk(OLE_STREAM_CHUNK);
    // One byte past the limit tells a stream of exactly the limit from a longer one.
    constexpr std::uint64_t probe_limit = OLE_STREAM_LIMIT + 1;
    std::uint64_t total = 0;
    while (total < probe_limit) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(OLE_STREAM_CHUNK, probe_limit - total));
        auto got = read(chunk.data(), want);
        if (!got) return got.error();
        const std::size_t n = std::min(*got, want);
        if (n == 0) {
            result.complete = true;
            return result;
        }
        result.bytes.insert(result.bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
        total += n;
    }
    result.bytes.resize(static_cast<std::size_t>(OLE_STREAM_LIMIT));
    result.complete = false;
    return result;
}

std::string representation_unavailable_message(std::string_view error_display)
{
    return "The selected representation is unavailable:\r\n" + std::string(error_display);
}

std::string representation_unreadable_message(std::string_view error_display)
{
    return "Could not read the selected representation:\r\n" + std::string(error_display);
}

}  // namespace cw
