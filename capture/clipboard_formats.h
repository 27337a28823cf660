#pragma once
// The predefined clipboard format numbers, for portable code that cannot include <windows.h>.
// clipboard_formats_win.cpp checks each against the system's CF_* value.

#include <cstdint>

namespace cw {

inline constexpr std::uint32_t CF_TEXT_ID = 1;
inline constexpr std::uint32_t CF_BITMAP_ID = 2;
inline constexpr std::uint32_t CF_METAFILEPICT_ID = 3;
inline constexpr std::uint32_t CF_SYLK_ID = 4;
inline constexpr std::uint32_t CF_DIF_ID = 5;
inline constexpr std::uint32_t CF_TIFF_ID = 6;
inline constexpr std::uint32_t CF_OEMTEXT_ID = 7;
inline constexpr std::uint32_t CF_DIB_ID = 8;
inline constexpr std::uint32_t CF_PALETTE_ID = 9;
inline constexpr std::uint32_t CF_PENDATA_ID = 10;
inline constexpr std::uint32_t CF_RIFF_ID = 11;
inline constexpr std::uint32_t CF_WAVE_ID = 12;
inline constexpr std::uint32_t CF_UNICODETEXT_ID = 13;
inline constexpr std::uint32_t CF_ENHMETAFILE_ID = 14;
inline constexpr std::uint32_t CF_HDROP_ID = 15;
inline constexpr std::uint32_t CF_LOCALE_ID = 16;
inline constexpr std::uint32_t CF_DIBV5_ID = 17;
inline constexpr std::uint32_t CF_OWNERDISPLAY_ID = 0x80;
inline constexpr std::uint32_t CF_DSPTEXT_ID = 0x81;
inline constexpr std::uint32_t CF_DSPBITMAP_ID = 0x82;
inline constexpr std::uint32_t CF_DSPMETAFILEPICT_ID = 0x83;
inline constexpr std::uint32_t CF_DSPENHMETAFILE_ID = 0x8E;
inline constexpr std::uint32_t CF_PRIVATEFIRST_ID = 0x200;
inline constexpr std::uint32_t CF_GDIOBJFIRST_ID = 0x300;

}  // namespace cw
