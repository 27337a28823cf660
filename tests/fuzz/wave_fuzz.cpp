// Any payload parses to a sound that keeps no more than it was given, or to one of the parser's
// errors; a parsed sound describes itself, draws, and places every click and start inside its data.
#include <cstdlib>
#include <string>
#include <vector>

#include "preview/audio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto audio = cw::parse_wave_audio(cw::ByteView(data, size));
    if (!audio.ok()) {
        const std::string m = audio.error().message.value_or("");
        if (audio.error().code != cw::E_INVALID_DATA_HR ||
            (m != cw::WAVE_NOT_RIFF_MESSAGE && m != cw::WAVE_FORMAT_MISSING_MESSAGE &&
             m != cw::WAVE_DATA_MISSING_MESSAGE && m != cw::WAVE_FORMAT_INVALID_MESSAGE))
            std::abort();
        return 0;
    }
    if (audio->data.size() + audio->format.extension.size() > size || audio->description.empty()) std::abort();
    std::vector<std::uint32_t> pixels(120 * 61);
    cw::paint_waveform(*audio, 120, 61, pixels);
    for (std::uint32_t p : pixels)
        if (p != cw::WAVEFORM_BACKGROUND && p != cw::WAVEFORM_CENTRE_LINE && p != cw::WAVEFORM_BAR) std::abort();
    const std::uint64_t length = audio->data.size();
    for (std::int64_t x : {-1, 0, 37, 119, 120, 500}) {
        const std::uint64_t p = cw::seek_position(x, 120, *audio);
        const std::uint64_t start = cw::playback_start_position(p, *audio);
        if ((length > 0 && p >= length) || (length == 0 && p != 0) || start > p) std::abort();
    }
    if (cw::wave_format_block(audio->format).size() != 18 + audio->format.extension.size()) std::abort();
    (void)cw::progress_status(false, length, *audio);
    return 0;
}
