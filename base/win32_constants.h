#pragma once
// Win32 constants that portable code needs, with the values the system headers give them: the
// portable tree cannot include <windows.h>. win32_constants_win.cpp checks each against them.

#include <cstdint>

namespace cw {

// Window, static, edit and list-view styles (winuser.h, commctrl.h).
inline constexpr std::uint32_t WS_CHILD_STYLE = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE_STYLE = 0x10000000;
inline constexpr std::uint32_t WS_TABSTOP_STYLE = 0x00010000;
inline constexpr std::uint32_t WS_BORDER_STYLE = 0x00800000;
inline constexpr std::uint32_t WS_HSCROLL_STYLE = 0x00100000;
inline constexpr std::uint32_t WS_VSCROLL_STYLE = 0x00200000;
inline constexpr std::uint32_t WS_EX_CLIENTEDGE_STYLE = 0x00000200;
inline constexpr std::uint32_t SS_BITMAP_STYLE = 0x0000000E;
inline constexpr std::uint32_t SS_NOTIFY_STYLE = 0x00000100;
inline constexpr std::uint32_t SS_CENTERIMAGE_STYLE = 0x00000200;
inline constexpr std::uint32_t ES_MULTILINE_STYLE = 0x0004;
inline constexpr std::uint32_t ES_AUTOVSCROLL_STYLE = 0x0040;
inline constexpr std::uint32_t ES_AUTOHSCROLL_STYLE = 0x0080;
inline constexpr std::uint32_t ES_READONLY_STYLE = 0x0800;
inline constexpr std::uint32_t ES_WANTRETURN_STYLE = 0x1000;
inline constexpr std::uint32_t LVS_REPORT_STYLE = 0x0001;
inline constexpr std::uint32_t LVS_SINGLESEL_STYLE = 0x0004;
inline constexpr std::uint32_t LVS_SHOWSELALWAYS_STYLE = 0x0008;
inline constexpr std::uint32_t LVS_OWNERDATA_STYLE = 0x1000;

// List-view extended styles (commctrl.h).
inline constexpr std::uint32_t LVS_EX_GRIDLINES_STYLE = 0x00000001;
inline constexpr std::uint32_t LVS_EX_FULLROWSELECT_STYLE = 0x00000020;
inline constexpr std::uint32_t LVS_EX_DOUBLEBUFFER_STYLE = 0x00010000;

// One notch of a mouse wheel (WHEEL_DELTA).
inline constexpr int WHEEL_NOTCH = 120;

}  // namespace cw
