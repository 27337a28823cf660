// Reading one representation for its report, through OLE or the flat clipboard, for real.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text_win.h"
#include "capture/retrieval_win.h"
#include "capture/snapshot_win.h"
#include "clipboard_fixture.h"
#include "inspect/dispatcher_win.h"

namespace cw {
namespace {

using test::ClipboardFixture;
using test::TestDataObject;
using test::TestOffer;

class RetrievalTest : public ::testing::Test {
protected:
    FormatEntry entry_of(UINT id)
    {
        Result<ClipboardSnapshot> s = capture_clipboard(clipboard.owner());
        EXPECT_TRUE(s.ok());
        for (const FormatEntry& e : s->entries)
            if (e.id == id) return e;
        ADD_FAILURE() << "format " << id << " not in the snapshot";
        return {};
    }
    DetailReport report_of(UINT id) { return build_detail_report(clipboard.owner(), entry_of(id)); }
    void offer(std::vector<TestOffer> offers)
    {
        object = TestDataObject::create(std::move(offers));
        clipboard.set_ole(object);
    }
    void TearDown() override
    {
        if (object) object->Release();
    }

    ClipboardFixture clipboard;
    TestDataObject* object = nullptr;
    UINT custom = test::register_format(L"Clipwright Stream Format");
};

TEST_F(RetrievalTest, AStreamOnlyOfferIsReadThroughOleAndAnHglobalOfferThroughTheClipboard)
{
    offer({TestOffer{static_cast<CLIPFORMAT>(custom), TYMED_ISTREAM, DVASPECT_CONTENT, -1, false,
                     test::bytes_of("\x89PNG\r\n\x1a\n", false)}});
    DetailReport stream = report_of(custom);
    ASSERT_EQ(stream.kind(), DetailReportKind::Table);
    EXPECT_EQ(stream.as<TableContent>().table.table_caption, "Stream");
    EXPECT_EQ(stream.as<TableContent>().table.text_caption, "Evidence");
    ASSERT_GE(stream.as<TableContent>().table.rows.size(), 3u);
    EXPECT_EQ(stream.as<TableContent>().table.rows[0][1], "OLE IStream");
    EXPECT_EQ(stream.as<TableContent>().table.rows[1][1], "8 (8 B)");
    EXPECT_EQ(stream.as<TableContent>().table.rows[2][1], "Complete");
    object->Release();

    offer({TestOffer{static_cast<CLIPFORMAT>(custom), TYMED_ISTREAM, DVASPECT_CONTENT, -1, false,
                     test::bytes_of("data")},
           TestOffer{static_cast<CLIPFORMAT>(custom), TYMED_HGLOBAL, DVASPECT_CONTENT, -1, false,
                     test::bytes_of("data")}});
    DetailReport flat = report_of(custom);
    ASSERT_EQ(flat.kind(), DetailReportKind::Report);
    EXPECT_NE(flat.as<ReportContent>().text.find("RAW FORMAT METADATA"), std::string::npos);
    // A registered format gets its interpretation.
    EXPECT_NE(flat.as<ReportContent>().text.find("INTERPRETATION"), std::string::npos);
    EXPECT_NE(
        flat.as<ReportContent>().text.find("application-registered clipboard format named 'Clipwright Stream Format'"),
        std::string::npos);
}

TEST_F(RetrievalTest, FileContentsIsAContractForAllItemsAndAStreamForOne)
{
    const UINT contents = test::register_format(L"FileContents");
    offer({TestOffer{static_cast<CLIPFORMAT>(contents), TYMED_ISTREAM, DVASPECT_CONTENT, -1, false,
                     test::bytes_of("x")}});
    DetailReport all = report_of(contents);
    ASSERT_EQ(all.kind(), DetailReportKind::Table);
    EXPECT_EQ(all.as<TableContent>().table.table_caption, "Content stream contract");
    EXPECT_EQ(all.as<TableContent>().table.rows.size(), 5u);
    object->Release();

    offer({TestOffer{static_cast<CLIPFORMAT>(contents), TYMED_ISTREAM, DVASPECT_CONTENT, 0, false,
                     test::bytes_of("first file")}});
    DetailReport one = report_of(contents);
    ASSERT_EQ(one.kind(), DetailReportKind::Table);
    EXPECT_EQ(one.as<TableContent>().table.table_caption, "Stream");
}

TEST_F(RetrievalTest, StreamsAreCappedAtSixtyFourMebibytesWithOneProbingByte)
{
    constexpr std::uint64_t LIMIT = 64ull << 20;
    for (const std::uint64_t size : {LIMIT, LIMIT + 1}) {
        TestOffer o{static_cast<CLIPFORMAT>(custom), TYMED_ISTREAM, DVASPECT_CONTENT, -1};
        o.synthetic_stream_size = size;
        offer({o});
        Result<StreamRead> read = read_ole_stream(custom, DVASPECT_CONTENT, -1);
        ASSERT_TRUE(read.ok()) << size;
        EXPECT_EQ(read->bytes.size(), LIMIT) << size;
        EXPECT_EQ(read->complete, size == LIMIT) << size;
        EXPECT_EQ(read->bytes[LIMIT - 1], static_cast<std::uint8_t>((LIMIT - 1) % 251));
        object->Release();
        object = nullptr;
    }
}

TEST_F(RetrievalTest, ProviderFailuresBecomeTheirOwnErrors)
{
    TestOffer failing{static_cast<CLIPFORMAT>(custom), TYMED_ISTREAM};
    failing.behaviour = test::GetDataBehaviour::Fail;
    failing.fail_hr = E_OUTOFMEMORY;
    offer({failing});
    DetailReport report = report_of(custom);
    ASSERT_EQ(report.kind(), DetailReportKind::Report);
    EXPECT_EQ(report.as<ReportContent>().text.rfind(
                  "OLE STREAM RETRIEVAL\r\n====================\r\nFormat : Clipwright Stream Format\r\n", 0),
              0u);
    // Wine's OLE clipboard retries a failed GetData through the flat clipboard and reports that
    // failure instead, so only the shape of the result line is certain here.
    const auto result = report.as<ReportContent>().text.find("\r\nResult : ");
    ASSERT_NE(result, std::string::npos);
    EXPECT_NE(report.as<ReportContent>().text.find("0x8", result), std::string::npos);
    EXPECT_NE(report.as<ReportContent>().text.find("An EnumFormatEtc entry is an advertised capability, not proof"),
              std::string::npos);
    object->Release();

    struct Case {
        test::GetDataBehaviour behaviour;
        const char* message;
    };
    for (const Case& c : {Case{test::GetDataBehaviour::WrongMedium, "The OLE provider returned a medium other than IStream."},
                          Case{test::GetDataBehaviour::NullStream, "The OLE provider returned a null IStream."}}) {
        TestOffer odd{static_cast<CLIPFORMAT>(custom), TYMED_ISTREAM};
        odd.behaviour = c.behaviour;
        offer({odd});
        Result<StreamRead> read = read_ole_stream(custom, DVASPECT_CONTENT, -1);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().ucode(), 0x8007000Du);
        EXPECT_EQ(read.error().message.value_or(""), c.message);
        object->Release();
        object = nullptr;
    }
}

TEST_F(RetrievalTest, GlobalCopiesStopAtTheLimitAndKnowTheTrueSize)
{
    clipboard.set_flat({{custom, std::vector<std::uint8_t>(10000, 0x5A)}});
    auto open = ClipboardHandle::open(clipboard.owner());
    ASSERT_TRUE(open.ok());
    Result<HANDLE> handle = (*open)->get(custom);
    ASSERT_TRUE(handle.ok());
    Result<GlobalCopy> copy = copy_global_memory(*handle, 512);
    ASSERT_TRUE(copy.ok());
    EXPECT_EQ(copy->bytes.size(), 512u);
    EXPECT_EQ(copy->total_size, 10000u);
    EXPECT_FALSE(copy->complete());
}

// A browser's accented text and euro sign in code page 1252 beside en-US, and Russian in the OEM code page
// 866 beside ru-RU: each reads in its locale's code page, and the report says which.
TEST_F(RetrievalTest, EightBitTextIsReadInItsLocalesCodePage)
{
    auto locale = [](std::uint32_t lcid) {
        return std::vector<std::uint8_t>{std::uint8_t(lcid), std::uint8_t(lcid >> 8), 0, 0};
    };
    struct Case {
        UINT id;
        std::string bytes;
        std::uint32_t lcid;
        std::string text, encoding;
    };
    const Case cases[] = {
        {CF_TEXT, "Caf\xE9 na\xEFve \x80" "5", 0x0409, "Caf\u00e9 na\u00efve \u20ac5",
         "code page 1252 (CF_LOCALE 1033)"},
        {CF_OEMTEXT, "\x8F\xE0\xA8\xA2\xA5\xE2", 0x0419, "\u041f\u0440\u0438\u0432\u0435\u0442",
         "code page 866 (CF_LOCALE 1049)"},
    };
    for (const auto& c : cases) {
        clipboard.set_flat({{c.id, test::bytes_of(c.bytes)}, {CF_LOCALE, locale(c.lcid)}});
        const DetailReport report = report_of(c.id);
        ASSERT_EQ(report.kind(), DetailReportKind::Text) << c.id;
        EXPECT_EQ(report.as<TextContent>().text, c.text) << c.id;
        EXPECT_EQ(report.text_encoding, c.encoding) << c.id;
    }
}

TEST_F(RetrievalTest, PrivateRangeFormatsAreInterpreted)
{
    clipboard.set_flat({{0x2A0, test::bytes_of("opaque")}});
    DetailReport report = report_of(0x2A0);
    ASSERT_EQ(report.kind(), DetailReportKind::Report);
    EXPECT_NE(report.as<ReportContent>().text.find("INTERPRETATION"), std::string::npos);
    EXPECT_NE(report.as<ReportContent>().text.find("This format is in Windows' private clipboard range."),
              std::string::npos);
}

TEST_F(RetrievalTest, IceniBlocksOpenOnlyOrdinaryDiskFiles)
{
    const UINT iceni = test::register_format(L"IceniCopy");
    const std::wstring folder = test::make_temp_folder(L"clipwright-iceni");
    const std::wstring pdf = folder + L"\\copied.pdf";
    std::ofstream(std::filesystem::path(pdf), std::ios::binary) << "%PDF-1.7\r\n%\xE2\xE3\r\n1 0 obj\r\n";
    clipboard.set_flat({{iceni, test::bytes_of(from_wide(pdf))}});
    DetailReport found = report_of(iceni);
    EXPECT_NE(found.as<ReportContent>().text.find("Status     : available now"), std::string::npos)
        << found.as<ReportContent>().text;
    EXPECT_NE(found.as<ReportContent>().text.find("Detected as: PDF document (%PDF-1.7)"), std::string::npos)
        << found.as<ReportContent>().text;
    EXPECT_NE(found.as<ReportContent>().text.find("Save choice : verified candidate for .pdf"), std::string::npos);

    // A pipe named by the block is never opened: no client ever connects to it.
    const wchar_t* pipe_name = L"\\\\.\\pipe\\clipwright-iceni-test";
    HANDLE pipe = CreateNamedPipeW(pipe_name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 512, 512, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    clipboard.set_flat({{iceni, test::bytes_of(from_wide(pipe_name))}});
    DetailReport piped = report_of(iceni);
    EXPECT_NE(piped.as<ReportContent>().text.find("Status     : path exists, but it is not a regular file"),
              std::string::npos)
        << piped.as<ReportContent>().text;
    EXPECT_FALSE(ConnectNamedPipe(pipe, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_LISTENING));  // still waiting for a first client
    CloseHandle(pipe);
    test::remove_tree(folder);
}

}  // namespace
}  // namespace cw

namespace cw {
namespace {

// A 2 x 1 PNG made here: one opaque red pixel, one half-transparent black one.
std::vector<std::uint8_t> tiny_png()
{
    return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
            0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0xF4, 0x22, 0x7F,
            0x8A, 0x00, 0x00, 0x00, 0x0F, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0x00,
            0x44, 0x0C, 0x0D, 0x00, 0x0D, 0x7C, 0x02, 0x7F, 0x08, 0xBD, 0x6B, 0x36, 0x00, 0x00, 0x00, 0x00,
            0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
}

TEST_F(RetrievalTest, EncodedImagesBecomeBitmapsByEitherTransport)
{
    const UINT png = test::register_format(L"PNG");
    clipboard.set_flat({{png, tiny_png()}});
    DetailReport flat = report_of(png);
    ASSERT_EQ(flat.kind(), DetailReportKind::Image) << flat.as<ReportContent>().text;
    ASSERT_TRUE(flat.as<ImageContent>().image);
    EXPECT_EQ(flat.as<ImageContent>().image->width(), 2);
    EXPECT_EQ(flat.as<ImageContent>().image->height(), 1);

    offer({TestOffer{static_cast<CLIPFORMAT>(png), TYMED_ISTREAM, DVASPECT_CONTENT, -1, false, tiny_png()}});
    DetailReport streamed = report_of(png);
    ASSERT_EQ(streamed.kind(), DetailReportKind::Image);
    EXPECT_EQ(streamed.as<ImageContent>().image->width(), 2);

    // Bytes that are not an image: the decoder's error, shown as unavailable.
    clipboard.set_flat({{png, test::bytes_of("not a png")}});
    DetailReport broken = report_of(png);
    EXPECT_EQ(broken.kind(), DetailReportKind::Unavailable);
}

}  // namespace
}  // namespace cw
