// The name given to items another program hands over: whatever the bytes, every component that
// comes out is one plain name that stays inside the folder it is created in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"
#include "inspect/file_probe.h"
#include "save/paste_names.h"

namespace {

void check_component(const std::string& component)
{
    const std::u16string units = cw::utf8_to_utf16(component);
    if (units.empty() || units.size() > cw::MAX_COMPONENT_UNITS + 1) std::abort();  // + the device guard's "_"
    if (component == "." || component == "..") std::abort();
    if (units.back() == u'.' || units.back() == u' ') std::abort();
    for (char16_t c : units)
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || std::u16string_view(u"\\/\"*:<>?|").find(c) != std::u16string_view::npos)
            std::abort();
    if (cw::is_device_path(component)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const auto safe = cw::sanitize_item_path(name);
    if (safe) {
        if (safe->components.empty() || safe->components.size() > cw::MAX_NAME_DEPTH) std::abort();
        for (const std::string& component : safe->components) check_component(component);
    }
    const std::string one = cw::sanitize_component(name);
    if (!one.empty()) check_component(one);
    return 0;
}
