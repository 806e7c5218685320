#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the wallpaper tile resources/wall.bmp: 260x100, 8 bits per pixel with a 256-colour palette.

A pattern of overlapping wave scales in muted indigo, periodic in 260 and 100 so that the tiles meet
seamlessly. Standard library only. Usage: tools/make_wall.py [OUTPUT]"""

import math
import os
import struct
import sys

W, H = 260, 100
RADIUS = 26.0           # scale radius; centres 52 apart horizontally (260 / 52 = 5 per tile)
ROW_STEP = 12.5         # rows of scales; two rows make a period of 25 (100 / 25 = 4 per tile)
RINGS = 4               # concentric bands per scale
SHADES = 256 // RINGS   # palette entries per band

# Each band goes from its dark to its light colour across the scale, inner band first.
BANDS = [((0x1C, 0x1F, 0x3A), (0x3E, 0x45, 0x78)),
         ((0x24, 0x30, 0x52), (0x5A, 0x6E, 0x9C)),
         ((0x1A, 0x2A, 0x40), (0x42, 0x62, 0x7E)),
         ((0x2E, 0x2A, 0x4C), (0x8C, 0x86, 0xB4))]


def palette():
    entries = []
    for dark, light in BANDS:
        for s in range(SHADES):
            t = s / (SHADES - 1)
            entries.append(tuple(round(d + (l - d) * t) for d, l in zip(dark, light)))
    return entries


def scale_at(x, y):
    """(band, shade) of the topmost scale covering (x, y): lower rows lie over upper ones."""
    k_max = math.floor((y + RADIUS) / ROW_STEP)
    for k in range(k_max, k_max - 8, -1):
        cy = k * ROW_STEP
        offset = 26.0 if k % 2 else 0.0
        j0 = math.floor((x - offset) / 52.0)
        for j in (j0, j0 + 1):
            cx = j * 52.0 + offset
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d < RADIUS and y + 0.5 <= cy:  # the upper half of each scale shows
                band = min(RINGS - 1, int(d / (RADIUS / RINGS)))
                # light towards each band's outer edge and towards the top of the scale
                within = (d % (RADIUS / RINGS)) / (RADIUS / RINGS)
                lift = (cy - (y + 0.5)) / RADIUS
                shade = 0.55 * within + 0.45 * lift
                return band, max(0, min(SHADES - 1, int(shade * (SHADES - 1))))
    return RINGS - 1, 0


def write_bmp(path, pixels, colours):
    stride = (W + 3) & ~3
    data = b"".join(bytes(pixels[y]) + b"\0" * (stride - W) for y in range(H - 1, -1, -1))
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in colours)
    off = 14 + 40 + len(pal)
    header = b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "wall.bmp")
    pixels = []
    for y in range(H):
        row = []
        for x in range(W):
            band, shade = scale_at(x, y)
            row.append(band * SHADES + shade)
        pixels.append(row)
    write_bmp(out, pixels, palette())


if __name__ == "__main__":
    main()
