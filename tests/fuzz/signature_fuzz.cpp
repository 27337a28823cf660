// Signature labels for any sample: they never read past the sample and always give a label.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "inspect/signatures.h"
#include "report/report_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy lets AddressSanitizer see a read one byte past the sample.
    const std::vector<std::uint8_t> sample(data, data + size);
    if (cw::describe_payload_signature(sample).empty()) std::abort();
    if (cw::describe_stream_signature(sample).empty()) std::abort();
    for (std::size_t n = 0; n <= std::min<std::size_t>(size, 16); ++n) {
        const std::vector<std::uint8_t> prefix(data, data + n);
        (void)cw::describe_payload_signature(prefix);
        (void)cw::describe_stream_signature(prefix);
    }
    const std::string dump = cw::hex_dump(sample);
    if (dump.size() > 32 * 79) std::abort();
    return 0;
}
