#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the message board's background picture: a pale panel in a three-pixel blue frame, 560x65 pixels,
4 bits per pixel with a 16-colour palette, uncompressed Windows bitmap.

Usage: tools/make_board_picture.py [OUTPUT]   (default: resources/board.bmp next to this script's folder)
Standard library only; the output is the same on every run.
"""

import os
import struct
import sys

WIDTH, HEIGHT = 560, 65
PANEL = (247, 255, 239)

# Index 0 is the panel; 1..15 run from the deep frame blue to the palest blue.
DEEP = (16, 115, 239)
PALEST = (214, 234, 255)
PALETTE = [PANEL] + [
    tuple(round(d + (p - d) * i / 14) for d, p in zip(DEEP, PALEST)) for i in range(15)
]

# Frame rings from the outer edge inwards (palette indices): deep blue, a middle blue, a light blue.
RINGS = [1, 5, 9]
# The outer ring's corner pixels take the middle blue, which softens the corners a little.
CORNER = 6


def pixel(x, y):
    ring = min(x, y, WIDTH - 1 - x, HEIGHT - 1 - y)
    if ring >= len(RINGS):
        return 0
    at_corner = (x in (0, WIDTH - 1)) and (y in (0, HEIGHT - 1))
    return CORNER if at_corner else RINGS[ring]


def bitmap():
    row_bytes = (WIDTH * 4 + 31) // 32 * 4
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up
        indices = [pixel(x, y) for x in range(WIDTH)]
        packed = bytearray()
        for x in range(0, WIDTH, 2):
            high = indices[x]
            low = indices[x + 1] if x + 1 < WIDTH else 0
            packed.append(high << 4 | low)
        packed.extend(b"\0" * (row_bytes - len(packed)))
        rows.append(bytes(packed))
    pixels = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(pixels), 3780, 3780, 16, 16)
    return header + info + palette + pixels


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "board.bmp")
    with open(out, "wb") as f:
        f.write(bitmap())


if __name__ == "__main__":
    main()
