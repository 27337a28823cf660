#include "inspect/embedded_object.h"

#include <gtest/gtest.h>

#include "compound_file_builder.h"
#include "corpus.h"
#include "save/conversion.h"

namespace cw {
namespace {

using test::build_compound_file;
using test::photoshop_document;

SaveData save_embedded(const std::string& block)
{
    auto data = convert_for_save(SaveConversion::EmbeddedObject, block, "psd", read_compound_root_stream);
    EXPECT_TRUE(data.ok());
    return std::move(data).value();
}

TEST(EmbeddedObject, PhotoshopContentsIsTakenOutOfTheContainer)
{
    const std::string psd = photoshop_document(6000);
    const std::string container = build_compound_file({{u"\x01"
                                                        u"CompObj",
                                                        std::string(4096, 'c')},
                                                       {u"CONTENTS", psd},
                                                       {u"\x03"
                                                        u"ObjInfo",
                                                        std::string(5000, 'i')}});
    const SaveData data = save_embedded(container);
    EXPECT_EQ(data.extension, "psd");
    EXPECT_EQ(data.bytes, psd);
}

TEST(EmbeddedObject, AnythingElseIsSavedAsTheContainerItself)
{
    std::string truncated = build_compound_file({{u"CONTENTS", photoshop_document(4096)}});
    truncated.resize(truncated.size() - 600);  // the stream's last sector is gone
    const std::pair<const char*, std::string> cases[] = {
        {"contents of another kind", build_compound_file({{u"CONTENTS", "8BPX" + std::string(5000, 'x')}})},
        {"Photoshop document under another name", build_compound_file({{u"Package", photoshop_document(5000)}})},
        {"contents cut short", truncated},
        {"not a compound file", photoshop_document(5000)},
        {"empty block", ""},
    };
    for (const auto& [what, block] : cases) {
        const SaveData data = save_embedded(block);
        EXPECT_EQ(data.extension, "ole") << what;
        EXPECT_EQ(data.bytes, block) << what;
    }
}

TEST(EmbeddedObject, ReadsRootStreamsOfRealFiles)
{
    CW_REQUIRE_CORPUS();
    const auto folder = test::corpus_dir() / "cfb" / "openmcdf" / "OpenMcdf.Tests";
    // Sizes on both sides of the mini-stream cutoff, from the files' names.
    for (const char* name : {"TestStream_v3_63.cfs", "TestStream_v3_4095.cfs", "TestStream_v3_4096.cfs",
                             "TestStream_v4_4096.cfs", "TestStream_v3_0.cfs"}) {
        const auto bytes = test::read_file_bytes(folder / name);
        const std::string file(bytes.begin(), bytes.end());
        const auto stream = read_compound_root_stream(as_bytes_view(file), "TestStream");
        ASSERT_TRUE(stream.has_value()) << name;
        const std::string size_text = std::string(name).substr(std::string(name).rfind('_') + 1);
        EXPECT_EQ(stream->size(), std::stoul(size_text)) << name;
    }
    // A Word document with embedded objects keeps them in sub-storages, never as a root CONTENTS.
    const auto doc = test::read_file_bytes(test::corpus_dir() / "cfb" / "oletools" / "embedded-simple-2007.doc");
    const SaveData data = save_embedded(std::string(doc.begin(), doc.end()));
    EXPECT_EQ(data.extension, "ole");
    EXPECT_EQ(data.bytes.size(), doc.size());
}

}  // namespace
}  // namespace cw
