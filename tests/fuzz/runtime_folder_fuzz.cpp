// A registry value naming the WebView2 runtime folder, as any installer (or anyone) may write it:
// the version and the DLL path drawn from it must never fault, and a folder only counts when its
// DLL path stays inside it.
#include <cstdlib>
#include <string>

#include "preview/webview_runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u16string folder(size / 2, u'\0');
    for (std::size_t i = 0; i < folder.size(); ++i)
        folder[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const auto version = cw::runtime_folder_version(folder);
    if (version && cw::runtime_version_supported(*version) != (version->build >= cw::MINIMUM_RUNTIME_BUILD))
        std::abort();
    const std::u16string client = cw::runtime_client_path(folder);
    if (client.rfind(folder, 0) != 0) std::abort();
    if (cw::is_fully_qualified_path(folder) && !cw::is_fully_qualified_path(client)) std::abort();
    return 0;
}
