#include "capture/format_identity.h"
#include "capture/snapshot.h"

#include <gtest/gtest.h>

namespace cw {
namespace {

std::string fake_name(std::uint32_t id) { return "name-" + std::to_string(id); }

TEST(FormatIdentity, ClassesAtRangeBoundaries)
{
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0, "reserved"},          {1, "standard"},     {17, "standard"},     {18, "reserved"},
        {0x7F, "reserved"},       {0x80, "standard"},  {0x84, "standard"},   {0x8E, "standard"},
        {0x8F, "reserved"},       {0x1FF, "reserved"}, {0x200, "private"},   {0x2FF, "private"},
        {0x300, "GDI object"},    {0x3FF, "GDI object"}, {0x400, "reserved"}, {0xBFFF, "reserved"},
        {0xC000, "registered"},   {0xFFFF, "registered"}, {0x10000, "reserved"}, {0x1C000, "reserved"},
    };
    for (const auto& [id, label] : cases) EXPECT_EQ(format_class(id), label) << std::hex << id;
}

TEST(FormatIdentity, PredefinedNamesLeaveGapsToTheSystem)
{
    EXPECT_EQ(predefined_format_name(13), "CF_UNICODETEXT");
    EXPECT_EQ(predefined_format_name(0x8E), "CF_DSPENHMETAFILE");
    EXPECT_EQ(predefined_format_name(0x83), "CF_DSPMETAFILEPICT");
    EXPECT_FALSE(predefined_format_name(0x84).has_value());
    EXPECT_FALSE(predefined_format_name(0).has_value());
    EXPECT_FALSE(predefined_format_name(18).has_value());
}

TEST(FormatIdentity, RolesByIdentifierThenByWholeName)
{
    EXPECT_EQ(format_role(15, "anything"), "Content reference");
    EXPECT_EQ(format_role(17, ""), "Image rendition");
    EXPECT_EQ(format_role(13, "CF_UNICODETEXT"), "Raw representation");
    EXPECT_EQ(format_role(0xC123, "Preferred DropEffect"), "Operation");
    EXPECT_EQ(format_role(0xC123, "PREFERRED DROPEFFECT"), "Operation");
    EXPECT_EQ(format_role(0xC124, "PNG"), "Content");
    EXPECT_EQ(format_role(0xC124, "PNG "), "Raw representation");
    EXPECT_EQ(format_role(0xC125, "FileGroupDescriptorW"), "Virtual file manifest");
    EXPECT_EQ(format_role(0xC126, "FileGroupDescriptorWX"), "Raw representation");
    EXPECT_EQ(format_role(0xC127, ""), "Raw representation");
    EXPECT_EQ(format_role(0x200, "<unnamed or reserved>"), "Raw representation");
    EXPECT_EQ(format_role(0xC128, "DataObjectAttributesRequiringElevation"), "Security");
}

TEST(SnapshotMerge, ByIdentifierWithDistinctOffersAndOleOnlyFormatsLast)
{
    std::vector<FormatEntry> entries;
    add_win32_format(entries, 13, fake_name);
    add_win32_format(entries, 0xC100, fake_name);
    const FormatOffer stream{TYMED_ISTREAM_BIT, 1, -1, false};
    const FormatOffer stream_for_device{TYMED_ISTREAM_BIT, 1, -1, true};

    EXPECT_TRUE(merge_ole_offer(entries, 0xC100, stream, fake_name));
    EXPECT_FALSE(merge_ole_offer(entries, 0xC100, stream, fake_name));  // identical offer counts once
    EXPECT_TRUE(merge_ole_offer(entries, 0xC100, stream_for_device, fake_name));
    EXPECT_TRUE(merge_ole_offer(entries, 0xC200, stream, fake_name));   // OLE only: appended
    EXPECT_TRUE(merge_ole_offer(entries, 0xC200, FormatOffer{TYMED_HGLOBAL_BIT, 1, 0, false}, fake_name));

    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].offers.size(), 2u);
    EXPECT_TRUE(entries[0].offers.empty());
    EXPECT_EQ(entries[2].id, 0xC200u);
    EXPECT_EQ(entries[2].ordinal, 3u);
    EXPECT_FALSE(entries[2].listed_by_win32);
    EXPECT_EQ(entries[2].name, "name-49664");
    EXPECT_EQ(entries[2].class_label, "registered");
    EXPECT_EQ(entries[2].offers.size(), 2u);
}

TEST(SnapshotSummary, PluralsOwnerAndOleSuffix)
{
    ClipboardSnapshot empty;
    EXPECT_EQ(snapshot_summary(empty),
              "0 Win32 formats | 0 OLE offers | 0 unique formats | Sequence 0 | Owner 0x0 | Enum end 0");
    EXPECT_EQ(enumeration_log_fields(empty), "result=success win32=0 ole=0 unique=0");

    ClipboardSnapshot one;
    add_win32_format(one.entries, 13, fake_name);
    one.ole_offer_count = 1;
    one.sequence_number = 4294967295u;
    one.owner_window = 0x1A2B;
    one.enum_end_code = 1418;
    EXPECT_EQ(snapshot_summary(one),
              "1 Win32 format | 1 OLE offer | 1 unique format | Sequence 4294967295 | Owner 0x1A2B | Enum end 1418");

    ClipboardSnapshot failed = one;
    merge_ole_offer(failed.entries, 0xC001, FormatOffer{}, fake_name);
    failed.ole_offer_count = 0;
    failed.ole_error = "Catastrophic failure (0x8000FFFF)";
    EXPECT_EQ(snapshot_summary(failed),
              "1 Win32 format | 0 OLE offers | 2 unique formats | Sequence 4294967295 | Owner 0x1A2B | Enum end 1418"
              " | OLE: Catastrophic failure (0x8000FFFF)");
    EXPECT_EQ(enumeration_log_fields(failed), "result=success win32=1 ole=0 unique=2");
}

}  // namespace
}  // namespace cw
