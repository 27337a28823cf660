#!/usr/bin/env python3
"""Draws the application icon (Clipwright.ico): a blue clipboard holding a white sheet with an
orange arrow pointing down, at 16 to 256 pixels, 32 bits per pixel.

Pure Python (no imaging library), so the art can be regenerated on any machine:
    python3 resources/draw_art.py
Shapes are defined on a 256-unit canvas and rendered with 4x4 supersampling per pixel.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = [16, 20, 24, 32, 40, 48, 64, 128, 256]

BLUE = (0x1E, 0x6F, 0xD9)
BLUE_EDGE = (0x14, 0x4E, 0xA0)
CLIP = (0x2B, 0x3A, 0x55)
CLIP_HOLE = (0x1E, 0x6F, 0xD9)
SHEET = (0xFF, 0xFF, 0xFF)
SHEET_LINE = (0xD5, 0xDE, 0xEA)
ORANGE = (0xF2, 0x8C, 0x28)


def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


def shade(x, y):
    """Colour of the canvas point (x, y) in 0..256 units, or None for transparent."""
    colour = None
    if in_round_rect(x, y, 36, 26, 220, 244, 24):
        colour = BLUE_EDGE
        if in_round_rect(x, y, 44, 34, 212, 236, 18):
            colour = BLUE
    if in_round_rect(x, y, 64, 58, 192, 222, 10):
        colour = SHEET
        for ly in (76, 204):
            if 80 <= x <= 176 and ly <= y <= ly + 6:
                colour = SHEET_LINE
    if in_round_rect(x, y, 84, 10, 172, 56, 14):
        colour = CLIP
        if in_round_rect(x, y, 112, 18, 144, 32, 6):
            colour = CLIP_HOLE
    if (110 <= x <= 146 and 84 <= y <= 150) or in_triangle(x, y, (82, 142), (174, 142), (128, 198)):
        colour = ORANGE
    return colour


def render(size, samples=4):
    """Rows of (r, g, b, a), top row first."""
    rows = []
    step = 256.0 / size
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = shade((px + (sx + 0.5) / samples) * step, (py + (sy + 0.5) / samples) * step)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = samples * samples
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                # Colour is averaged over covered samples (straight alpha), coverage is alpha.
                row.append((r // a, g // a, b // a, a * 255 // n))
        rows.append(row)
    return rows


def png_bytes(rows):
    h = len(rows)
    w = len(rows[0])
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib_bytes(rows):
    """32-bit icon image: BITMAPINFOHEADER with doubled height, BGRA bottom-up, empty AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + b"\x00" * (mask_row * size)


def write_ico(path, images):
    count = len(images)
    out = struct.pack("<HHH", 0, 1, count)
    offset = 6 + 16 * count
    body = b""
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        body += data
    with open(path, "wb") as f:
        f.write(out + body)


def main():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_bytes(rows) if size >= 256 else dib_bytes(rows)))
        if size == 256:
            with open(os.path.join(HERE, "icon-256.png"), "wb") as f:
                f.write(png_bytes(rows))
    write_ico(os.path.join(HERE, "Clipwright.ico"), images)


if __name__ == "__main__":
    main()
