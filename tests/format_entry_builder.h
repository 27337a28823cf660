#pragma once
// A format entry for tests: the identifier, the name and the OLE offers, and the fields a test
// relies on named one by one, e.g. format_entry(13, "CF_UNICODETEXT").at(1).listed().

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "capture/format_identity.h"
#include "capture/snapshot.h"

namespace cw::test {

struct EntryBuilder : FormatEntry {
    EntryBuilder at(std::uint64_t position) &&
    {
        ordinal = position;
        return std::move(*this);
    }
    EntryBuilder listed(bool win32 = true) &&
    {
        listed_by_win32 = win32;
        return std::move(*this);
    }
    EntryBuilder labelled(std::string label) &&
    {
        class_label = std::move(label);
        return std::move(*this);
    }
    // As the snapshot lists a Win32 format at this position.
    EntryBuilder listed_at(std::uint64_t position) &&
    {
        return std::move(*this).at(position).listed().labelled(std::string(format_class(id)));
    }
};

inline EntryBuilder format_entry(std::uint32_t id, std::string name, std::vector<FormatOffer> offers = {})
{
    EntryBuilder entry;
    entry.id = id;
    entry.name = std::move(name);
    entry.offers = std::move(offers);
    return entry;
}

}  // namespace cw::test
