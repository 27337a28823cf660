// Clipboard text and CF_LOCALE blocks from hostile producers: decoding, the text reports and the
// locale table must hold for any bytes and any block size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/byte_reader.h"
#include "inspect/text_locale.h"

namespace {

// The lookup answers from the block itself, so odd names (zero units, overlong, unpaired
// surrogates) reach the analyser too.
cw::ByteView g_tail;

std::u16string fuzz_locale_name(std::uint32_t lcid)
{
    if (lcid % 3 == 0) return {};
    std::u16string name;
    for (std::size_t i = 0; i + 1 < g_tail.size() && name.size() < 300; i += 2)
        name += static_cast<char16_t>(g_tail[i] | (g_tail[i + 1] << 8));
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cw::ByteView bytes(data, size);
    const cw::ByteReader reader(bytes);
    // The first eight bytes pose as the block's GlobalSize, which may disagree with the copy.
    const std::uint64_t total = reader.u64le(0).value_or(size);
    const cw::GlobalCopy copy{std::vector<std::uint8_t>(data, data + size), total};

    const std::string unicode = cw::unicode_text_report(copy);
    const std::string ansi = cw::ansi_text_report(copy);
    if (cw::decode_utf16_text(bytes).size() > unicode.size()) std::abort();
    (void)cw::is_tab_table_text(unicode);
    (void)cw::is_tab_table_text(ansi);

    g_tail = reader.tail(4);
    const cw::PropertyTable locale = cw::analyze_locale(bytes.first(std::min<std::size_t>(size, 16)), fuzz_locale_name);
    if (locale.rows.size() != 3) std::abort();
    return 0;
}
