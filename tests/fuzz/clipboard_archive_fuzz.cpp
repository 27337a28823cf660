// Reads the input as a clipboard archive, then reports it as `list --from` does and writes it
// again: an archive that reads must survive its own round trip unchanged.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/cli_output.h"
#include "capture/clipboard_archive.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto archive = cw::read_clipboard_archive(cw::ByteView(data, size));
    if (!archive) {
        check(archive.error().message.has_value());
        return 0;
    }
    cw::ClipboardSnapshot snapshot = cw::archive_snapshot(*archive);
    snapshot.summary = cw::snapshot_summary(snapshot);
    std::vector<std::optional<std::uint64_t>> sizes(snapshot.entries.size());
    check(!cw::list_output(snapshot, sizes, true).out.empty());
    auto written = cw::write_clipboard_archive(*archive);
    check(written.ok());
    auto again = cw::read_clipboard_archive(*written);
    check(again.ok() && again->formats.size() == archive->formats.size());
    for (std::size_t i = 0; i < archive->formats.size(); ++i) {
        check(again->formats[i].bytes == archive->formats[i].bytes);
        check(again->formats[i].items.size() == archive->formats[i].items.size());
    }
    return 0;
}
