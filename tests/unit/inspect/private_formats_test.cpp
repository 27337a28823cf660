#include "inspect/private_formats.h"

#include <gtest/gtest.h>

#include "fake_file_probe.h"
#include "format_entry_builder.h"

namespace cw {
namespace {

using test::format_entry;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(PrivateFormat, RulesByNameThenByClass)
{
    test::FakeFileProbe probe;
    const std::string strm_block = std::string(100, 'x') + "STRM" + std::string(8, '\0');
    const std::optional<ByteView> strm = as_bytes_view(strm_block);
    const std::optional<ByteView> short_block = as_bytes_view("STR");
    struct Case {
        FormatEntry entry;
        std::optional<ByteView> sample;
        std::optional<std::string> starts;  // none: no interpretation at all
        std::string holds;
    };
    const std::vector<Case> cases{
        {format_entry(0xC0F0, "Ole Private Data").labelled("private"), std::nullopt,
         "This is internal OLE clipboard bookkeeping used to preserve data-object and storage-medium behavior. Its "
         "byte layout is not a public interchange contract.\nMeaning here: it supports rich OLE paste behavior but is "
         "not independently useful content.\nSave guidance: keep it visible for diagnostics; never offer it as a file "
         "and never infer pointers or structures from its bytes.",
         ""},
        {format_entry(0xC0F0, "OLE PRIVATE DATA").labelled("registered"), std::nullopt,
         "This is internal OLE clipboard bookkeeping", ""},
        {format_entry(0xC0F0, "WavePad Internal").labelled("registered"), std::nullopt,
         "This is a WavePad-private clipboard representation.",
         "Save guidance: use CF_WAVE; keep this row for compatibility research only."},
        {format_entry(0xC0F0, "DataObject").labelled("registered"), std::nullopt,
         "This is process/OLE data-object bookkeeping",
         "\nSave guidance: diagnostic only. Do not dereference, persist, or expose it as a file choice."},
        {format_entry(0xC0F0, "Hyperlink").labelled("registered"), strm,
         "This is Word/OLE's registered hyperlink-transfer format.",
         "itself.\nThis block contains a STRM marker, which indicates stream-backed OLE transport. Pointer-looking "
         "values around it are process-specific bookkeeping, not a URL.\nMeaning here:"},
        {format_entry(0xC0F0, "hyperlink").labelled("registered"), short_block, "This is Word/OLE's registered",
         "itself.\nNo portable URL or standard serialized hyperlink signature is visible in this block.\nMeaning here"},
        {format_entry(0xC0F0, "HyperLink").labelled("registered"), std::nullopt, "This is Word/OLE's",
         "No portable URL or standard serialized hyperlink signature"},
        {format_entry(0xC0F0, "MyAppData").labelled("registered"), std::nullopt,
         "This is an application-registered clipboard format named 'MyAppData'. Registered names identify a "
         "producer-defined contract; they do not guarantee that the HGLOBAL bytes are a portable file.\nSave guidance: "
         "retain the raw evidence, but require a documented format or verified parser before offering it as output.",
         ""},
        {format_entry(0xC0F0, "").labelled("private"), std::nullopt,
         "This format is in Windows' private clipboard range. Only the producing application is expected to "
         "understand its handle and lifetime.\nSave guidance: diagnostic only unless the producer's contract is known.",
         ""},
        {format_entry(0xC0F0, "CF_TEXT").labelled("standard"), std::nullopt, std::nullopt, ""},
        {format_entry(0xC0F0, "x").labelled("GDI object"), std::nullopt, std::nullopt, ""},
        {format_entry(0xC0F0, "OLE Private Data2").labelled("registered"), std::nullopt,
         "This is an application-registered clipboard format named 'OLE Private Data2'", ""},
    };
    for (const auto& c : cases) {
        const auto text = describe_private_format(c.entry, c.sample, 0, probe);
        ASSERT_EQ(text.has_value(), c.starts.has_value()) << c.entry.name;
        if (!text) continue;
        EXPECT_EQ(text->rfind(*c.starts, 0), 0u) << *text;
        EXPECT_TRUE(contains(*text, c.holds)) << *text;
    }
    EXPECT_TRUE(probe.asked.empty());
}

std::string iceni(const test::FakeFileProbe& probe, const std::string& block, std::uint64_t size = 0)
{
    return *describe_private_format(format_entry(0xC0F0, "IceniCopy").labelled("registered"), as_bytes_view(block),
                                    size ? size : block.size(), probe);
}

const std::string ICENI_TAIL =
    "\nLIFETIME AND SAFETY\n-------------------\nThis is borrowed clipboard content, not self-contained clipboard "
    "data. "
    "Treat the path as untrusted input.\nFor saving: open the file read-only, verify its signature and size, copy it "
    "immediately to the chosen destination, then close it. The producer may replace or delete the temporary file "
    "after the clipboard changes or the producer exits.\n";

TEST(IceniReference, WholeReportForAVerifiedPdf)
{
    test::FakeFileProbe probe;
    probe.add_file(R"(C:\Temp\fx1.pdf)", "%PDF-1.7\r\n%\xE2\xE3\xCF\xD3\r\n");
    const std::string block = std::string(R"(C:\Temp\fx1.pdf)") + '\0' + std::string(683, 'z');
    EXPECT_EQ(iceni(probe, block.substr(0, 512), 700),
              "CLIPBOARD STORAGE MODEL\n-----------------------\n"
              "Indirect external-file reference. The clipboard does NOT contain the copied document bytes.\n"
              "The 700-byte HGLOBAL contains a null-terminated path written by the Iceni/Foxit application family:\n"
              "  C:\\Temp\\fx1.pdf\n"
              "The producing application expects a paste target to open that path while the temporary file still "
              "exists.\n\n"
              "REFERENCED PAYLOAD\n------------------\n"
              "Status     : available now\nObject     : regular file\nFile size  : 17 bytes\n"
              "Detected as: PDF document (%PDF-1.7)\nSave choice : verified candidate for .pdf\n" +
                  ICENI_TAIL);
    EXPECT_EQ(probe.asked,
              (std::vector<std::string>{R"(metadata C:\Temp\fx1.pdf follow)", R"(read C:\Temp\fx1.pdf 8)"}));
}

TEST(IceniReference, PayloadStatusForEveryKindOfPath)
{
    test::FakeFileProbe probe;
    probe.add_file("png.pdf", "\x89PNG\r\n\x1A\n");
    probe.add_file("short.pdf", "%PDF");
    probe.add_file("long.pdf", "%PDF-1.4567890");
    probe.add_unreadable_file("locked.pdf", 4096);
    probe.add("folder", PathKind::Directory);
    probe.add("link.pdf", PathKind::NameSurrogate);
    probe.add("device.pdf", PathKind::OtherObject);
    const std::string unknown =
        "Detected as: unknown; no recognized PDF signature\nSave choice : do not infer a file type from the format "
        "name "
        "alone\n";
    const std::string not_regular =
        "Status     : path exists, but it is not a regular file\nSave choice : unavailable\n";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"png.pdf", "File size  : 8 bytes\n" + unknown},
        {"short.pdf", "File size  : 4 bytes\n" + unknown},
        {"long.pdf",
         "Detected as: PDF document (%PDF-1.4)\nSave choice : verified candidate for .pdf\n"},  // 8 bytes at most
        {"locked.pdf", "File size  : 4096 bytes\n" + unknown},
        {"folder", "Status     : path exists, but it is a directory\nSave choice : unavailable\n"},
        {"link.pdf", not_regular},
        {"device.pdf", not_regular},
        {R"(\\.\pipe\fx)", not_regular},
        {R"(\\?\GLOBALROOT\Device\NamedPipe\fx)", not_regular},
        {"gone.pdf",
         "Status     : unavailable now (The system cannot find the file specified. (os error 2))\n"
         "Meaning    : the temporary payload may have expired, moved, or become inaccessible\n"
         "Save choice : unavailable\n"},
    };
    for (const auto& [path, lines] : cases) {
        const std::string text = iceni(probe, path + '\0');
        EXPECT_TRUE(contains(text, "REFERENCED PAYLOAD\n------------------\n")) << text;
        EXPECT_TRUE(contains(text, lines + ICENI_TAIL)) << text;
    }
    // Only ordinary disk files were ever opened for their bytes; device paths were not even asked about.
    for (const std::string& question : probe.asked) {
        EXPECT_EQ(question.find("\\\\"), std::string::npos) << question;
        if (question.rfind("read ", 0) == 0) {
            EXPECT_TRUE(contains(question, ".pdf 8") && !contains(question, "link") && !contains(question, "device"))
                << question;
        }
    }
}

TEST(IceniReference, MissingSampleEmptyPathAndUndecodableBytes)
{
    test::FakeFileProbe probe;
    EXPECT_EQ(
        *describe_private_format(format_entry(0xC0F0, "ICENICOPY").labelled("registered"), std::nullopt, 0, probe),
        "This is an Iceni/Foxit private clipboard contract, but its data block is not available for inspection.\n"
        "Save guidance: no referenced payload can be verified from this handle.");
    const std::string empty_path =
        "This is an Iceni/Foxit private clipboard contract. Its data block does not contain a "
        "usable path.\nSave guidance: retain the raw evidence; no external payload can be "
        "verified.";
    EXPECT_EQ(iceni(probe, std::string("\0C:\\x.pdf", 9)), empty_path);
    EXPECT_EQ(*describe_private_format(format_entry(0xC0F0, "iceniCopy").labelled("registered"), ByteView{}, 0, probe),
              empty_path);

    // A path with no terminator in the inspected sample of a longer block is cut short and not
    // probed; a block that ends without a terminator holds its whole path.
    const std::string long_path = "C:\\" + std::string(505, 'd') + "\\a.pdf";
    EXPECT_EQ(iceni(probe, long_path.substr(0, 512), long_path.size() + 1), empty_path);
    EXPECT_TRUE(probe.asked.empty());

    const std::string text = iceni(probe, "C:\\caf\xE9.pdf");
    EXPECT_TRUE(contains(text, "  C:\\caf\xEF\xBF\xBD.pdf\n"));
    EXPECT_TRUE(contains(text, "The 11-byte HGLOBAL"));
    EXPECT_EQ(probe.asked, (std::vector<std::string>{"metadata C:\\caf\xEF\xBF\xBD.pdf follow"}));
}

}  // namespace
}  // namespace cw
