// parse_xml_spreadsheet on the decoded text: never crashes, stays bounded and keeps the whole text as its source.
#include "preview/sheet_text.h"
#include "table_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    cw::fuzz::check_text_parser(data, size, cw::parse_xml_spreadsheet);
    return 0;
}
