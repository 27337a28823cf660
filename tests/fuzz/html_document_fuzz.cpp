// Clipboard HTML from any process: the preview and the saved file must agree and never fault.
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "preview/html_document.h"
#include "save/conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const cw::ByteView bytes(data, size);
    const cw::HtmlPreview preview = cw::make_html_preview(bytes);
    if (preview.source != cw::decode_utf8_to_first_zero(bytes)) std::abort();
    if (!cw::is_valid_utf8(preview.document)) std::abort();
    if (preview.document.find('\0') != std::string::npos) std::abort();

    auto saved = cw::convert_for_save(cw::SaveConversion::HtmlDocument,
                                      std::string(reinterpret_cast<const char*>(data), size), "html");
    if (!saved.ok() || saved->bytes != preview.document) std::abort();
    return 0;
}
