#pragma once
// The text spreadsheet formats of the clipboard: SYLK, DIF and XML Spreadsheet. Each takes the
// decoded text and never fails: what makes no sense gives fewer rows, or none.

#include <string>

#include "report/report.h"

namespace cw {

PropertyTable parse_sylk(std::string text);
PropertyTable parse_dif(std::string text);
PropertyTable parse_xml_spreadsheet(std::string text);

}  // namespace cw
