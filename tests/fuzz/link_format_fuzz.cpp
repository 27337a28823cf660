// The browser link analysers: an address under each of the three link names, and the Chromium
// provenance token. The first byte picks the name; the rest is the block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/text.h"
#include "inspect/link_formats.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

const char* const NAMES[] = {"UniformResourceLocatorW", "UniformResourceLocator", "Chromium internal source URL"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    // An exact-size copy lets AddressSanitizer see a read one byte past the block.
    const std::vector<std::uint8_t> block(data + 1, data + size);
    const char* name = NAMES[data[0] % 3];

    const cw::PropertyTable url = cw::analyze_url(name, block);
    check(url.rows.size() == 8 && url.table_caption == "Link");
    for (const auto& row : url.rows) check(row.size() == 2 && cw::is_valid_utf8(row[1]));
    check(url.rows[2][1].find(url.rows[4][1]) != std::string::npos);  // the host comes from the address

    const cw::PropertyTable token = cw::analyze_rfh_token(block);
    const bool recognised = block.size() == 24 && block[0] == 20 && block[1] == 0 && block[2] == 0 && block[3] == 0;
    check(token.rows.size() == (recognised ? 8u : 9u));
    check(token.raw_text.size() <= 32 * 80);
    return 0;
}
