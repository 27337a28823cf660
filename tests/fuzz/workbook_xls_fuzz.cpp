// The XLS reader on hostile bytes, through the library and the "Biff8" preview.
#include "table_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    cw::fuzz::check_workbook_reader(data, size, workbook::Workbook::open_xls, "Biff8");
    return 0;
}
