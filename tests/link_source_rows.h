#pragma once
// The rows a "Link Source" to a workbook range gives, whoever wrote its moniker: a composite of
// the file moniker for C:\Data\Budget.xlsx and the item moniker "!" / "Sheet1!R1C1:R3C2".

#include <string>
#include <vector>

namespace cw::test {

inline std::vector<std::vector<std::string>> workbook_range_link_rows()
{
    return {{"Moniker type", "Composite moniker"}, {"Components", "2"},    {"Component 1", "File moniker"},
            {"Workbook", "C:\\Data\\Budget.xlsx"},  {"Component 2", "Item moniker"},
            {"Delimiter", "!"},                    {"Item", "Sheet1!R1C1:R3C2"}};
}

}  // namespace cw::test
