// The snapshot against the real clipboard, with content the tests put there themselves.
#include <gtest/gtest.h>

#include "capture/format_identity_win.h"
#include "capture/snapshot_win.h"
#include "clipboard_fixture.h"

namespace cw {
namespace {

using test::ClipboardFixture;
using test::FlatFormat;
using test::TestDataObject;
using test::TestOffer;

const FormatEntry* find_entry(const ClipboardSnapshot& s, std::uint32_t id)
{
    for (const FormatEntry& e : s.entries)
        if (e.id == id) return &e;
    return nullptr;
}

class SnapshotTest : public ::testing::Test {
protected:
    ClipboardFixture clipboard;
};

TEST_F(SnapshotTest, FormatNamesComeFromTheTableOrTheSystem)
{
    EXPECT_EQ(format_name(13), "CF_UNICODETEXT");
    EXPECT_EQ(format_name(0x8E), "CF_DSPENHMETAFILE");
    EXPECT_EQ(format_name(0x84), "<unnamed or reserved>");
    EXPECT_EQ(format_name(0x200), "<unnamed or reserved>");
    const UINT id = test::register_format(L"Clipwright Test \u00c9t\u00e9 Format");
    EXPECT_EQ(format_name(id), "Clipwright Test \xC3\x89t\xC3\xA9 Format");
}

TEST_F(SnapshotTest, EmptyClipboardWithoutOwner)
{
    clipboard.clear();
    Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
    ASSERT_TRUE(s.ok());
    EXPECT_TRUE(s->entries.empty());
    EXPECT_EQ(s->ole_offer_count, 0u);
    EXPECT_FALSE(s->ole_error.has_value());
    EXPECT_EQ(s->owner_window, 0u);
    EXPECT_EQ(s->enum_end_code, 0u);
    EXPECT_EQ(snapshot_summary(*s).rfind("0 Win32 formats | 0 OLE offers | 0 unique formats | Sequence ", 0), 0u);
    EXPECT_NE(snapshot_summary(*s).find("| Owner 0x0 | Enum end 0"), std::string::npos);
    EXPECT_EQ(enumeration_log_fields(*s), "result=success win32=0 ole=0 unique=0");
}

TEST_F(SnapshotTest, FlatFormatsKeepTheirOrderAndOwner)
{
    const UINT a = test::register_format(L"Clipwright Test A");
    const UINT b = test::register_format(L"Clipwright Test B");
    clipboard.set_flat({{b, test::bytes_of("bee")}, {a, test::bytes_of("ay")}});
    Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
    ASSERT_TRUE(s.ok());
    ASSERT_EQ(s->entries.size(), 2u);
    EXPECT_EQ(s->entries[0].id, b);
    EXPECT_EQ(s->entries[1].id, a);
    EXPECT_EQ(s->entries[0].ordinal, 1u);
    EXPECT_EQ(s->entries[1].ordinal, 2u);
    EXPECT_EQ(s->entries[1].name, "Clipwright Test A");
    EXPECT_EQ(s->entries[1].class_label, "registered");
    EXPECT_TRUE(s->entries[0].listed_by_win32);
    EXPECT_EQ(s->owner_window, reinterpret_cast<std::uintptr_t>(clipboard.owner()));
    EXPECT_EQ(s->sequence_number, GetClipboardSequenceNumber());
    EXPECT_EQ(s->win32_count(), 2u);
}

TEST_F(SnapshotTest, OleOffersMergeByIdentifierAndStayDistinct)
{
    const UINT f = test::register_format(L"Clipwright Test Offers");
    auto* object = TestDataObject::create({
        TestOffer{static_cast<CLIPFORMAT>(f), TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false, test::bytes_of("x")},
        TestOffer{static_cast<CLIPFORMAT>(f), TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false, test::bytes_of("x")},
        TestOffer{static_cast<CLIPFORMAT>(f), TYMED_HGLOBAL, DVASPECT_CONTENT, -1, true, test::bytes_of("x")},
        TestOffer{static_cast<CLIPFORMAT>(f), TYMED_ISTREAM | TYMED_HGLOBAL, DVASPECT_THUMBNAIL, 3, false,
                  test::bytes_of("x")},
    });
    clipboard.set_ole(object);
    object->Release();

    Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
    ASSERT_TRUE(s.ok());
    const FormatEntry* entry = find_entry(*s, f);
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->listed_by_win32);
    ASSERT_EQ(entry->offers.size(), 3u);
    EXPECT_EQ(entry->offers[0], (FormatOffer{TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false}));
    EXPECT_EQ(entry->offers[1], (FormatOffer{TYMED_HGLOBAL, DVASPECT_CONTENT, -1, true}));
    EXPECT_EQ(entry->offers[2], (FormatOffer{TYMED_ISTREAM | TYMED_HGLOBAL, DVASPECT_THUMBNAIL, 3, false}));
    EXPECT_FALSE(s->ole_error.has_value());
    // Every offer counted is one of the distinct offers of some entry.
    std::uint64_t distinct = 0;
    for (const FormatEntry& e : s->entries) distinct += e.offers.size();
    EXPECT_EQ(s->ole_offer_count, distinct);
}

TEST_F(SnapshotTest, FormatsOnlyOleAdvertisesComeAfterTheFlatList)
{
    const UINT flat = test::register_format(L"Clipwright Test Flat");
    const UINT ole_only = test::register_format(L"Clipwright Test OLE Only");
    auto* object = TestDataObject::create({
        TestOffer{static_cast<CLIPFORMAT>(ole_only), TYMED_ISTREAM, DVASPECT_CONTENT, -1, false, test::bytes_of("s")},
        TestOffer{static_cast<CLIPFORMAT>(flat), TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false, test::bytes_of("f")},
        TestOffer{static_cast<CLIPFORMAT>(ole_only), TYMED_ISTREAM, DVASPECT_CONTENT, 0, false, test::bytes_of("s")},
    });
    clipboard.set_ole_catalogue(object, {{flat, test::bytes_of("f")}});
    object->Release();

    Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
    ASSERT_TRUE(s.ok());
    const FormatEntry* entry = find_entry(*s, ole_only);
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(entry->listed_by_win32);
    EXPECT_EQ(entry->ordinal, s->entries.size());
    EXPECT_EQ(entry->name, "Clipwright Test OLE Only");
    ASSERT_EQ(entry->offers.size(), 2u);
    EXPECT_EQ(entry->offers[1].lindex, 0);
    EXPECT_EQ(s->unique_count(), s->win32_count() + 1);
    EXPECT_EQ(find_entry(*s, flat)->offers.size(), 1u);
}

TEST_F(SnapshotTest, FailingEnumeratorKeepsWhatWasMergedButReportsNoOffers)
{
    struct Case {
        const char* label;
        test::EnumeratorFault fault;
        std::size_t entries_after;
        const char* error;
    };
    const UINT f1 = test::register_format(L"Clipwright Test E1");
    const UINT f2 = test::register_format(L"Clipwright Test E2");
    const UINT f3 = test::register_format(L"Clipwright Test E3");
    const Case cases[] = {
        {"Next fails without element", {1, E_UNEXPECTED, false}, 1, "0x8000FFFF"},
        {"Next fails with element", {1, E_UNEXPECTED, true}, 2, "0x8000FFFF"},
        {"EnumFormatEtc fails", {-1, S_OK, false, E_OUTOFMEMORY}, 0, "(0x8007000E)"},
        {"no enumerator", {-1, S_OK, false, S_OK, true}, 0, "0x00000000"},
    };
    for (const Case& c : cases) {
        auto* object = TestDataObject::create(
            {TestOffer{static_cast<CLIPFORMAT>(f1)}, TestOffer{static_cast<CLIPFORMAT>(f2)},
             TestOffer{static_cast<CLIPFORMAT>(f3)}},
            c.fault);
        ClipboardSnapshot s;
        add_win32_format(s.entries, 13, [](std::uint32_t id) { return format_name(id); });
        merge_ole_catalogue(object, s);
        object->Release();
        EXPECT_EQ(s.ole_offer_count, 0u) << c.label;
        ASSERT_TRUE(s.ole_error.has_value()) << c.label;
        EXPECT_NE(s.ole_error->find(c.error), std::string::npos) << c.label << ": " << *s.ole_error;
        EXPECT_EQ(s.entries.size(), 1 + c.entries_after) << c.label;
    }
}

TEST_F(SnapshotTest, BusyClipboardFailsTheCaptureWithTheLastError)
{
    clipboard.set_flat({{CF_UNICODETEXT, test::utf16_bytes_of(L"x")}});
    test::HeldClipboard held;
    ASSERT_TRUE(held.holding());
    Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().ucode(), 0x80070005u);  // access denied: another task has it open
}

}  // namespace
}  // namespace cw
