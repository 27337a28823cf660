#include "inspect/transfer_records.h"

#include <gtest/gtest.h>

#include "capture/format_identity.h"
#include "fake_file_probe.h"

namespace cw {
namespace {

TEST(TransferRecords, EachRowReachesItsAnalyser)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Shell IDList Array", "Shell identities"},
        {"DataObjectAttributes", "Shell attributes"},
        {"DataObjectAttributesRequiringElevation", "Elevation attributes"},
        {"Shell Object Offsets", "Positions"},
        {"Preferred DropEffect", "Operation"},
        {"AsyncFlag", "Transfer behavior"},
        {"filenamew", "Unicode path"},
        {"FileName", "Legacy path"},
        {"FileGroupDescriptorW", "Virtual file manifest"},
        {"FileGroupDescriptor", "Virtual file manifest"},
        {"Photoshop Clip Source", "Source document"},
        {"Photoshop Paste in Place", "Placement"},
    };
    const std::string path("C\0:\0\\\0x\0.\0p\0s\0d\0\0\0", 18);
    const std::string zeros(16, '\0');  // a well-formed record for every other row
    test::FakeFileProbe probe;
    for (const auto& [name, caption] : cases) {
        FormatEntry entry;
        entry.id = 0xC100;
        entry.name = name;
        const DispatchRow row = classify_dispatch_row(entry);
        ASSERT_TRUE(is_transfer_record_row(row)) << name;
        const std::string& bytes = row == DispatchRow::ClipSource ? path : zeros;
        EXPECT_EQ(analyze_transfer_record(row, name, as_bytes_view(bytes), probe).table_caption, caption) << name;
    }
    // Only the clip source consults the file system, for its metadata alone.
    EXPECT_EQ(probe.asked, (std::vector<std::string>{"metadata C:\\x.psd follow"}));
    for (DispatchRow row : {DispatchRow::DropList, DispatchRow::RichText, DispatchRow::EncodedImage, DispatchRow::Url})
        EXPECT_FALSE(is_transfer_record_row(row));
}

}  // namespace
}  // namespace cw
