#!/usr/bin/env python3
"""Draws the header logo (header-logo.png, 298 x 96, RGBA): the icon's clipboard at the left and
the word "Clipwright" in round-ended strokes, on a transparent background.

The window scales the logo to half size at 96 DPI and composites it over the theme's background,
light or dark, so the letters use a blue that reads on both. Pure Python, like draw_art.py:
    python3 resources/draw_logo.py
Letters are centre lines (segments and elliptical arcs) stroked with a round pen; every pixel is
sampled SAMPLES x SAMPLES times.
"""
import math
import os

from draw_art import png_bytes, shade

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 298, 96
SAMPLES = 6
TEXT = (0x2A, 0x7D, 0xE1)

# Icon placement: its 256-unit drawing scaled to 96 pixels, shifted so the board starts near x = 3.
ICON_SIZE = 96
ICON_LEFT = -10

# Font metrics in font units (pixels before the fit below): the pen, the baseline, the x-height,
# the ascender and the descender, all measured to the outer edge of a stroke.
PEN = 8.0
R = PEN / 2
BASE, XH, ASC, DESC = 64.0, 34.0, 22.0, 78.0
b, x, a, d = BASE - R, XH + R, ASC + R, DESC - R  # the same levels for centre lines
GAP = 5.0  # between the outer edges of neighbouring letters
TEXT_LEFT, TEXT_RIGHT = 84.0, 295.0


def arc(cx, cy, rx, ry, start, end, steps=40):
    """Centre line of an elliptical arc; angles in degrees, counter-clockwise on screen."""
    pts = []
    for i in range(steps + 1):
        t = math.radians(start + (end - start) * i / steps)
        pts.append((cx + rx * math.cos(t), cy - ry * math.sin(t)))
    return [pts]


def line(*pts):
    return [list(pts)]


# Each glyph: (width to the outer edges, polylines, dots as (x, y, radius)).
GLYPHS = {
    "C": (30, arc(15, (a + b) / 2, 15 - R, (b - a) / 2, 48, 312, 60), []),
    "l": (PEN, line((R, a), (R, b)), []),
    "i": (PEN, line((R, x + 2), (R, b)), [(R, a + 1, R + 0.6)]),
    "p": (23, line((R, x), (R, d)) + arc(11.5, (x + b) / 2, 23 - R - 11.5, (b - x) / 2, 0, 360, 60), []),
    "w": (32, line((R, x), (R + 6.5, b), (16, x + 3), (32 - R - 6.5, b), (32 - R, x)), []),
    "r": (17, line((R, x), (R, b)) + arc(R + 9, x + 9, 9, 9, 180, 62, 30), []),
    "g": (23, arc(11.5, (x + b) / 2, 23 - R - 11.5, (b - x) / 2, 0, 360, 60) + line((23 - R, x), (23 - R, d - 6)) +
          arc(11.5, d - 6, 23 - R - 11.5, 6, 0, -155, 30), []),
    "h": (23, line((R, a), (R, b)) + arc(11.5, x + 8, 23 - R - 11.5, 8, 180, 0, 40) + line((23 - R, x + 8), (23 - R, b)),
          []),
    "t": (18, line((R + 3, a + 2), (R + 3, b - 6)) + arc(R + 9, b - 6, 6, 6, 180, 270, 20) + line((R + 9, b), (17 - R, b)) +
          line((R - 2, x), (17 - R, x)), []),
}


def layout(word):
    """Pen strokes and dots of `word` in canvas pixels, scaled to fit the text area."""
    natural = sum(GLYPHS[c][0] for c in word) + GAP * (len(word) - 1)
    scale = min(1.0, (TEXT_RIGHT - TEXT_LEFT) / natural)
    # Keep the letters centred on the canvas's middle line whatever the scale.
    mid = (ASC + DESC) / 2
    ox, oy = TEXT_LEFT, HEIGHT / 2 - mid * scale

    def place(px, py, left):
        return (ox + (left + px) * scale, oy + py * scale)

    strokes, dots = [], []
    left = 0.0
    for c in word:
        width, polylines, glyph_dots = GLYPHS[c]
        for poly in polylines:
            strokes.append([place(px, py, left) for px, py in poly])
        for px, py, radius in glyph_dots:
            dots.append((*place(px, py, left), radius * scale))
        left += width + GAP
    return strokes, dots, R * scale


def text_coverage(word):
    """A SAMPLES-times grid of booleans: which sample points the pen covers."""
    sw, sh = WIDTH * SAMPLES, HEIGHT * SAMPLES
    grid = bytearray(sw * sh)
    strokes, dots, radius = layout(word)

    def stamp_segment(p, q, rad):
        (x0, y0), (x1, y1) = p, q
        lo_x = max(0, int((min(x0, x1) - rad) * SAMPLES))
        hi_x = min(sw - 1, int((max(x0, x1) + rad) * SAMPLES) + 1)
        lo_y = max(0, int((min(y0, y1) - rad) * SAMPLES))
        hi_y = min(sh - 1, int((max(y0, y1) + rad) * SAMPLES) + 1)
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy
        r2 = rad * rad
        for sy in range(lo_y, hi_y + 1):
            py = (sy + 0.5) / SAMPLES
            row = sy * sw
            for sx in range(lo_x, hi_x + 1):
                px = (sx + 0.5) / SAMPLES
                t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
                ex, ey = px - (x0 + t * dx), py - (y0 + t * dy)
                if ex * ex + ey * ey <= r2:
                    grid[row + sx] = 1

    for poly in strokes:
        for p, q in zip(poly, poly[1:]):
            stamp_segment(p, q, radius)
    for cx, cy, rad in dots:
        stamp_segment((cx, cy), (cx, cy), rad)
    return grid


def render():
    grid = text_coverage("Clipwright")
    sw = WIDTH * SAMPLES
    step = 256.0 / ICON_SIZE
    n = SAMPLES * SAMPLES
    rows = []
    for py in range(HEIGHT):
        row = []
        for px in range(WIDTH):
            r = g = bl = covered = 0
            in_icon = ICON_LEFT <= px < ICON_LEFT + ICON_SIZE
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = None
                    if in_icon:
                        colour = shade((px - ICON_LEFT + (sx + 0.5) / SAMPLES) * step, (py + (sy + 0.5) / SAMPLES) * step)
                    if colour is None and grid[(py * SAMPLES + sy) * sw + px * SAMPLES + sx]:
                        colour = TEXT
                    if colour is not None:
                        r += colour[0]
                        g += colour[1]
                        bl += colour[2]
                        covered += 1
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                # Straight alpha: the colour of what is covered, the coverage as alpha.
                row.append((r // covered, g // covered, bl // covered, (covered * 255 + n // 2) // n))
        rows.append(row)
    return rows


def main():
    with open(os.path.join(HERE, "header-logo.png"), "wb") as f:
        f.write(png_bytes(render()))


if __name__ == "__main__":
    main()
