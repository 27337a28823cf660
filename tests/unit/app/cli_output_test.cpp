#include "app/cli_output.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/cli_arguments.h"
#include "format_entry_builder.h"
#include "preview/audio.h"

namespace cw {
namespace {

using test::format_entry;

using json = nlohmann::ordered_json;

// Unicode text, a PNG that OLE offers too, and a FileContents stream only OLE advertises.
ClipboardSnapshot sample_snapshot()
{
    ClipboardSnapshot s;
    s.sequence_number = 7;
    s.owner_window = 0x1A2B;
    s.entries = {format_entry(13, "CF_UNICODETEXT").at(1).labelled("standard").listed(),
                 format_entry(0xC100, "PNG", {{1, 1, -1, false}}).at(2).labelled("registered").listed(),
                 format_entry(0xC102, "FileContents", {{4, 1, 0, true}}).at(3).labelled("registered")};
    s.ole_offer_count = 2;
    s.summary = "2 Win32 formats | 2 OLE offers | 3 unique formats | Sequence 7 | Owner 0x1A2B | Enum end 0";
    s.logical_object_text = "LOGICAL\r\n=======\r\nx";
    return s;
}

const std::vector<std::optional<std::uint64_t>> SIZES{12, 345, std::nullopt};

TEST(CliOutput, SnapshotJson)
{
    const json expected = json::parse(R"({
      "summary": "2 Win32 formats | 2 OLE offers | 3 unique formats | Sequence 7 | Owner 0x1A2B | Enum end 0",
      "sequence_number": 7, "owner_window": 6699, "enum_end_code": 0,
      "win32_count": 2, "ole_offer_count": 2, "unique_count": 3, "ole_error": null,
      "formats": [
        {"number": 1, "name": "CF_UNICODETEXT", "role": "Raw representation", "advertised_through": "Win32",
         "ole_medium": "-", "aspect": "-", "index": "-", "id": 13, "hex": "0x000D", "class": "standard",
         "listed_by_win32": true, "global_size": 12,
         "save": {"kind": "text", "label": "Plain text", "extension": ".txt", "row": 2}, "offers": []},
        {"number": 2, "name": "PNG", "role": "Content", "advertised_through": "Win32 + OLE",
         "ole_medium": "HGLOBAL", "aspect": "Content", "index": "All/default", "id": 49408, "hex": "0xC100",
         "class": "registered", "listed_by_win32": true, "global_size": 345,
         "save": {"kind": "image", "label": "PNG image", "extension": ".png", "row": 1},
         "offers": [{"tymed": 1, "medium": "HGLOBAL", "aspect": 1, "aspect_text": "Content", "lindex": -1,
                     "index": "All/default", "target_device": false}]},
        {"number": 3, "name": "FileContents", "role": "Content stream", "advertised_through": "OLE only",
         "ole_medium": "IStream", "aspect": "Content", "index": "0", "id": 49410, "hex": "0xC102",
         "class": "registered", "listed_by_win32": false, "global_size": null, "save": null,
         "offers": [{"tymed": 4, "medium": "IStream", "aspect": 1, "aspect_text": "Content", "lindex": 0,
                     "index": "0", "target_device": true}]}
      ],
      "logical_object": "LOGICAL\n=======\nx"
    })");
    const json actual = snapshot_json(sample_snapshot(), SIZES);
    EXPECT_EQ(actual, expected) << actual.dump(2);

    ClipboardSnapshot failed;
    failed.ole_error = "Catastrophic failure (0x8000FFFF)";
    const json empty = snapshot_json(failed, {});
    EXPECT_EQ(empty["ole_error"], "Catastrophic failure (0x8000FFFF)");
    EXPECT_EQ(empty["formats"], json::array());
    EXPECT_TRUE(empty["logical_object"].is_null());
}

TEST(CliOutput, SnapshotText)
{
    EXPECT_EQ(list_output(sample_snapshot(), SIZES, false).out,
              "2 Win32 formats | 2 OLE offers | 3 unique formats | Sequence 7 | Owner 0x1A2B | Enum end 0\n"
              "\n"
              "#\tRaw format name\tRole\tAdvertised through\tOLE medium\tAspect\tIndex\tDecimal\tHex\tClass\t"
              "Global size\tSave as\n"
              "1\tCF_UNICODETEXT\tRaw representation\tWin32\t-\t-\t-\t13\t0x000D\tstandard\t12\t.txt (Plain text)\n"
              "2\tPNG\tContent\tWin32 + OLE\tHGLOBAL\tContent\tAll/default\t49408\t0xC100\tregistered\t345\t"
              ".png (PNG image)\n"
              "3\tFileContents\tContent stream\tOLE only\tIStream\tContent\t0\t49410\t0xC102\tregistered\t-\t-\n"
              "\n"
              "OLE offers\n"
              "#\tTymed\tOLE medium\tAspect\tIndex\tTarget device\n"
              "2\t1\tHGLOBAL\tContent\tAll/default\tno\n"
              "3\t4\tIStream\tContent\t0\tyes\n"
              "\n"
              "LOGICAL\n"
              "=======\n"
              "x\n");
    ClipboardSnapshot empty;
    empty.summary = "0 Win32 formats | 0 OLE offers | 0 unique formats | Sequence 9 | Owner 0x0 | Enum end 0";
    EXPECT_EQ(list_output(empty, {}, false).out, empty.summary + "\n\nThe clipboard is empty.\n");
}

class FakeImage final : public ImageBitmap {
public:
    void* native_handle() const override { return nullptr; }
    int width() const override { return 3; }
    int height() const override { return 2; }
};

std::shared_ptr<const WaveAudio> audio_described(std::string description)
{
    auto audio = std::make_shared<WaveAudio>();
    audio->description = std::move(description);
    return audio;
}

TEST(CliOutput, EveryReportKindInBothForms)
{
    const FormatEntry png = format_entry(0xC100, "PNG", {{1, 1, -1, false}}).at(2).labelled("registered").listed();
    PropertyTable table;
    table.columns = {"A", "B"};
    table.rows = {{"1", "x\ty"}, {"2", "line\r\nbreak"}};
    table.raw_text = "00000000  41\r\n";
    const std::string display = "Invalid clipboard format (0x800401D3)";
    struct Case {
        DetailReport report;
        std::string fields;  // the JSON members after "kind"
        std::string text;
        bool to_error;
    };
    const Case cases[] = {
        {DetailReport::make_text("a\r\nb"), R"({"kind": "text", "text": "a\nb"})", "a\nb\n", false},
        {DetailReport::make_report("T\r\n=\r\n"), R"({"kind": "report", "text": "T\n=\n"})", "T\n=\n", false},
        {DetailReport::make_text("old\rmac\r\r"), R"({"kind": "text", "text": "old\rmac\r\r"})", "old\rmac\n", false},
        {DetailReport::make_rich_text("{\\rtf1 x}"), R"({"kind": "rich_text", "source": "{\\rtf1 x}"})", "{\\rtf1 x}\n",
         false},
        {DetailReport::make_html({"<html>doc</html>", "<b>x</b>"}),
         R"({"kind": "html", "source": "<b>x</b>", "document": "<html>doc</html>"})", "<b>x</b>\n", false},
        {DetailReport::make_table(table),
         R"({"kind": "table", "columns": ["A", "B"], "rows": [["1", "x\ty"], ["2", "line\r\nbreak"]],
             "table_caption": "Decoded", "text_caption": "Raw bytes", "text": "00000000  41\n"})",
         "A\tB\n1\tx y\n2\tline  break\n", false},
        {DetailReport::make_image(std::make_shared<FakeImage>()), R"({"kind": "image", "width": 3, "height": 2})",
         "Image 3 x 2\n", false},
        {DetailReport::make_audio(audio_described("PCM  1 ch")),
         R"({"kind": "audio", "description": "PCM  1 ch"})", "PCM  1 ch\n", false},
        {DetailReport::make_unavailable(Error{static_cast<std::int32_t>(0x800401D3U), std::nullopt}),
         R"j({"kind": "unavailable", "error": {"code": "0x800401D3", "message": "Invalid clipboard format (0x800401D3)"},
             "text": "The format is advertised, but the flat Win32 clipboard API could not provide its data.\n\nADVERTISEMENT\n=============\nTransport : Win32 + OLE\nOLE offers: 1\n  1. Medium=HGLOBAL | Aspect=Content | Index=All/default | Target device=no\n\nInvalid clipboard format (0x800401D3)\n\nAn OLE-only format may require IDataObject::GetData using the advertised storage medium and index. This can also happen when a source application's delayed renderer is no longer available."})j",
         "", true},
    };
    for (const Case& c : cases) {
        json expected = {{"format", {{"number", 2}, {"name", "PNG"}, {"id", 49408}}},
                         {"heading", "PNG | ID 49408 (0xC100) | registered | Win32 + OLE | HGLOBAL"}};
        expected.update(json::parse(c.fields));
        const json actual = report_json(png, c.report, display);
        EXPECT_EQ(actual, expected) << actual.dump(2);

        const CliOutput text = report_output(png, c.report, false, display);
        const int status = c.to_error ? CLI_FORMAT_NOT_FOUND : CLI_SUCCESS;
        EXPECT_EQ(text.status, status);
        if (c.to_error) {
            EXPECT_EQ(text.out, "");
            EXPECT_EQ(text.err, actual["text"].get<std::string>() + "\n");
        } else {
            EXPECT_EQ(text.out, c.text);
            EXPECT_EQ(text.err, "");
        }
        const CliOutput as_json = report_output(png, c.report, true, display);
        EXPECT_EQ(json::parse(as_json.out), actual);
        EXPECT_EQ(as_json.status, status);
    }
}

TEST(CliOutput, JsonTextReplacesInvalidUtf8AndEndsWithALineFeed)
{
    EXPECT_EQ(json_text(json{{"a", "x\xFFy"}}), "{\n  \"a\": \"x\xEF\xBF\xBDy\"\n}\n");
    EXPECT_EQ(lf_line_ends("a\r\nb\rc\n\r\nd\r\r\ne\r"), "a\nb\rc\n\nd\ne\r");
}

}  // namespace
}  // namespace cw
