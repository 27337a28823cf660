#include "app/layout.h"

#include <algorithm>
#include <limits>

#include "base/dpi.h"

namespace cw {

namespace {

// Sums of scaled values and a client size can leave the int range at absurd sizes or DPIs, so
// the arithmetic runs in 64 bits and only the final coordinates are narrowed.
using Px = std::int64_t;

int narrow(Px v)
{
    return static_cast<int>(std::clamp<Px>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

Rect rect(Px x, Px y, Px width, Px height)
{
    return Rect{narrow(x), narrow(y), narrow(width), narrow(height)};
}

}  // namespace

MainLayout compute_main_layout(int client_width, int client_height, bool advanced_view, std::uint32_t dpi)
{
    const auto S = [dpi](int v) -> Px { return scale(v, dpi); };
    const Px W = std::max(client_width, 0);
    const Px H = std::max(client_height, 0);

    const Px M = S(16);
    const Px G = S(12);
    const Px BW = S(128);
    const Px RW = S(88);
    const Px T = M + S(58);

    const Px LW = advanced_view ? std::clamp(W * 48 / 100, S(460), S(620))
                                : std::min(std::max(W - S(300) - 2 * M - G, S(220)), S(310));
    const Px LT = T + S(66);
    const Px LH = std::max<Px>(H - M - T - 2 * S(66), 0);
    const Px B = LT + LH + G;

    MainLayout layout;
    auto place = [&layout](MainControl control, Rect r) { layout.rects[index_of(control)] = r; };

    place(MainControl::logo_control, rect(M, M, S(149), S(48)));
    place(MainControl::title_label, rect(M + S(165), M + S(2), S(238), S(38)));
    place(MainControl::subtitle_label, rect(M + S(407), M + S(17), S(112), S(22)));
    place(MainControl::version_label, rect(M + S(523), M + S(17), S(120), S(22)));
    place(MainControl::theme_button, rect(std::max<Px>(W - M - S(108), 0), M + S(7), S(108), S(34)));

    place(MainControl::heading_label, rect(M, T + S(5), std::max<Px>(W - 2 * M - RW - S(8) - BW - G, 0), S(24)));
    place(MainControl::view_toggle_button, rect(std::max<Px>(W - M - RW - S(8) - BW, 0), T, BW, S(30)));
    place(MainControl::refresh_button, rect(std::max<Px>(W - M - RW, 0), T, RW, S(30)));
    place(MainControl::save_in_label, rect(M, T + S(36), std::max<Px>(W - 2 * M, 0), S(22)));
    place(MainControl::format_list, rect(M, LT, LW, LH));

    // The name box keeps a usable width even when that makes it run under the buttons.
    const Px EW = std::max(W - 2 * M - BW - S(82) - 2 * S(8) - S(58) - S(76), S(100));
    place(MainControl::file_name_label, rect(M, B + S(7), S(72), S(20)));
    place(MainControl::file_name_edit, rect(M + S(76), B + S(2), EW, S(30)));
    place(MainControl::extension_label, rect(M + S(76) + EW + S(6), B + S(8), S(58) - S(6), S(22)));
    place(MainControl::cancel_button, rect(W - M - BW - S(82) - S(8), B + S(2), S(82), S(30)));
    place(MainControl::save_button, rect(W - M - BW, B + S(2), BW, S(30)));

    const Px DX = M + LW + G;
    const Px DW = std::max<Px>(W - DX - M, 0);
    const Px PT = LT + S(30);
    const Px PH = std::max<Px>(LH - S(30), 0);
    place(MainControl::detail_title, rect(DX, LT + S(5), DW, S(22)));

    const Rect panel = rect(DX, PT, DW, PH);
    for (MainControl control : {MainControl::text_view, MainControl::image_control, MainControl::report_view,
                                MainControl::rich_tabs, MainControl::html_tabs, MainControl::table_tabs})
        place(control, panel);

    const Rect page = rect(DX + S(5), PT + S(31), std::max<Px>(DW - S(10), 0), std::max<Px>(PH - S(36), 0));
    for (MainControl control : {MainControl::rich_view, MainControl::rich_source, MainControl::html_host,
                                MainControl::html_source, MainControl::table_list, MainControl::table_source})
        place(control, page);
    layout.webview_bounds = Rect{0, 0, page.width, page.height};

    const Px AX = DX + S(6);
    const Px AW = std::max<Px>(DW - G, 0);
    const Px AH = std::max(PH - S(76), S(70));
    const Px BX = AX + std::max<Px>(AW - S(276), 0);
    const Px button_y = PT + AH + S(22);
    place(MainControl::audio_info_label, rect(AX, PT + S(6), AW, S(38)));
    place(MainControl::waveform_control, rect(AX, PT + S(48), AW, std::max(AH - G - S(48), S(40))));
    place(MainControl::audio_progress, rect(AX, PT + AH, AW, S(18)));
    place(MainControl::audio_status, rect(AX, PT + AH + S(24), std::max(AW - S(282), S(80)), S(26)));
    place(MainControl::play_button, rect(BX, button_y, RW, S(28)));
    place(MainControl::pause_button, rect(BX + S(94), button_y, RW, S(28)));
    place(MainControl::stop_button, rect(BX + 2 * S(94), button_y, RW, S(28)));

    return layout;
}

Size minimum_track_size(std::uint32_t dpi)
{
    return Size{scale(820, dpi), scale(600, dpi)};
}

Size initial_window_size(std::uint32_t dpi)
{
    return Size{scale(1050, dpi), scale(720, dpi)};
}

}  // namespace cw
