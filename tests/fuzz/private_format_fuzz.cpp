// The raw metadata report of an unclaimed format, with the interpretation of private and vendor
// formats: any name, class, offers and block contents, and a file system whose answers come
// from the input too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "capture/retrieval.h"
#include "inspect/private_formats.h"
#include "inspect/raw_metadata.h"

namespace {

class FuzzProbe final : public cw::FileProbe {
public:
    explicit FuzzProbe(std::uint8_t mode, cw::ByteView content) : mode_(mode), content_(content) {}

    cw::PathMetadata metadata(std::string_view path, bool) const override
    {
        if (cw::is_device_path(path)) std::abort();  // device paths must never reach the probe
        const auto kind = static_cast<cw::PathKind>(mode_ % 4);
        return cw::PathMetadata{(mode_ & 0x10) == 0, kind, content_.size(), "Fuzzed failure.\r\n", mode_};
    }
    std::optional<std::vector<std::uint8_t>> read_prefix(std::string_view path, std::size_t) const override
    {
        if (cw::is_device_path(path)) std::abort();
        if (mode_ & 0x20) return std::nullopt;
        return std::vector<std::uint8_t>(content_.begin(), content_.end());  // more than asked, on purpose
    }

private:
    std::uint8_t mode_;
    cw::ByteView content_;
};

const char* const NAMES[] = {"Ole Private Data", "WavePad Internal", "DataObject", "Hyperlink", "IceniCopy", ""};
const char* const CLASSES[] = {"private", "registered", "standard", "GDI object"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cw::ByteReader reader(cw::ByteView(data, size));
    if (size < 8) return 0;
    const std::uint8_t selector = *reader.u8(0);
    const std::uint8_t probe_mode = *reader.u8(1);
    const std::uint16_t split = *reader.u16le(2);
    const std::uint32_t id = *reader.u32le(4);
    const cw::ByteView rest = reader.tail(8);
    const std::size_t block_length = std::min<std::size_t>(split, rest.size());
    const cw::ByteView block = rest.first(block_length);
    const cw::ByteView file_content = rest.subspan(block_length);

    cw::FormatEntry entry;
    entry.id = id;
    entry.ordinal = split;
    entry.name = NAMES[selector % 6];
    if (entry.name.empty())
        entry.name.assign(file_content.begin(), file_content.begin() + std::min<std::size_t>(file_content.size(), 12));
    entry.class_label = CLASSES[(selector >> 3) % 4];
    entry.listed_by_win32 = selector & 0x20;
    for (std::size_t i = 0; i + 8 <= block.size() && i < 64; i += 8)
        entry.offers.push_back(cw::FormatOffer{*reader.u32le(8 + i), block[i + 4],
                                               static_cast<std::int8_t>(block[i + 5]), (block[i + 6] & 1) != 0});

    const FuzzProbe probe(probe_mode, file_content);
    cw::RawHandleFacts facts;
    facts.handle = id;
    facts.global_size = (selector & 0x40) ? 0 : block.size() + (selector & 0x80 ? id : 0);
    if (probe_mode & 0x40) {
        facts.copy_error = "Fuzzed copy failure. (0x80070005)";
    } else {
        facts.first_bytes.assign(block.begin(),
                                 block.begin() + std::min<std::size_t>(block.size(), cw::RAW_PREVIEW_BYTES));
    }
    const std::string report = cw::raw_format_metadata(entry, facts, probe);
    if (report.find("RAW FORMAT METADATA") != 0) std::abort();
    (void)cw::describe_private_format(entry, block, block.size(), probe);
    return 0;
}
