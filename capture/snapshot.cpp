#include "capture/snapshot.h"

#include <algorithm>
#include <cstdio>

#include "capture/format_identity.h"

namespace cw {

std::uint64_t ClipboardSnapshot::win32_count() const
{
    return static_cast<std::uint64_t>(
        std::count_if(entries.begin(), entries.end(), [](const FormatEntry& e) { return e.listed_by_win32; }));
}

namespace {
FormatEntry make_entry(std::vector<FormatEntry>& entries, std::uint32_t id, bool listed, FormatNameLookup name_of)
{
    FormatEntry entry;
    entry.ordinal = entries.size() + 1;
    entry.id = id;
    entry.name = name_of(id);
    entry.class_label = std::string(format_class(id));
    entry.listed_by_win32 = listed;
    return entry;
}
}  // namespace

void add_win32_format(std::vector<FormatEntry>& entries, std::uint32_t id, FormatNameLookup name_of)
{
    entries.push_back(make_entry(entries, id, true, name_of));
}

bool merge_ole_offer(std::vector<FormatEntry>& entries, std::uint16_t cf_format, const FormatOffer& offer,
                     FormatNameLookup name_of)
{
    const std::uint32_t id = cf_format;
    auto it = std::find_if(entries.begin(), entries.end(), [id](const FormatEntry& e) { return e.id == id; });
    if (it == entries.end()) {
        entries.push_back(make_entry(entries, id, false, name_of));
        it = entries.end() - 1;
    }
    if (std::find(it->offers.begin(), it->offers.end(), offer) != it->offers.end()) return false;
    it->offers.push_back(offer);
    return true;
}

namespace {
const char* plural(std::uint64_t n) { return n == 1 ? "" : "s"; }
}  // namespace

std::string snapshot_summary(const ClipboardSnapshot& s)
{
    const std::uint64_t win32 = s.win32_count();
    const std::uint64_t ole = s.ole_offer_count;
    const std::uint64_t unique = s.unique_count();
    char owner[32];
    std::snprintf(owner, sizeof owner, "%llX", static_cast<unsigned long long>(s.owner_window));
    std::string text = std::to_string(win32) + " Win32 format" + plural(win32) + " | " + std::to_string(ole) +
                       " OLE offer" + plural(ole) + " | " + std::to_string(unique) + " unique format" +
                       plural(unique) + " | Sequence " + std::to_string(s.sequence_number) + " | Owner 0x" + owner +
                       " | Enum end " + std::to_string(s.enum_end_code);
    if (s.ole_error) text += " | OLE: " + *s.ole_error;
    return text;
}

std::string enumeration_log_fields(const ClipboardSnapshot& s)
{
    return "result=success win32=" + std::to_string(s.win32_count()) + " ole=" + std::to_string(s.ole_offer_count) +
           " unique=" + std::to_string(s.unique_count());
}

std::string clipboard_busy_text(std::string_view error_display)
{
    return "Clipwright did not change the clipboard.\r\n\r\nWin32 error: " + std::string(error_display) +
           "\r\n\r\nAnother application may have the clipboard open. Click Refresh to try again.";
}

}  // namespace cw
