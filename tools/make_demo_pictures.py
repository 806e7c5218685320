#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the demo game's pictures into demo/Data (all original, standard library only).

  bg          640x480 night sky over hills (24-bit)
  logo.dat    480x200 title card, drawn at (40,20) since it is lower than 316 pixels (24-bit)
  logo2.dat   480x200 second title card (8-bit, RLE8-compressed)
  01.bmp      640x480 evening sea (24-bit)
  BG01.bmp    640x480 room with a window (8-bit palette)
  BG02.bmp    640x480 path under trees (24-bit, top-down rows)
  C_09A1.bmp  640x480 character on a magenta colour-key background, eyes open (24-bit)
  C_09A2.bmp  the same character smiling with eyes closed (24-bit)
  card.bmp    320x240 small picture (16-bit 5-6-5)

Usage: tools/make_demo_pictures.py [OUTPUT_DIR]"""

import math
import os
import struct
import sys

KEY = (255, 0, 255)


def lerp(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def noise(x, y, seed=0):
    n = (x * 374761393 + y * 668265263 + seed * 982451653) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return (n & 0xFFFF) / 65535.0


class Canvas:
    def __init__(self, w, h, colour=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[colour] * w for _ in range(h)]

    def fill(self, fn):
        for y in range(self.h):
            row = self.px[y]
            for x in range(self.w):
                row[x] = fn(x, y)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = colour

    def disc(self, cx, cy, r, colour_fn):
        for y in range(max(0, int(cy - r)), min(self.h, int(cy + r) + 1)):
            for x in range(max(0, int(cx - r)), min(self.w, int(cx + r) + 1)):
                d = math.hypot(x - cx, y - cy)
                if d <= r:
                    c = colour_fn(x, y, d) if callable(colour_fn) else colour_fn
                    if c is not None:
                        self.px[y][x] = c

    def ellipse(self, cx, cy, rx, ry, colour):
        for y in range(max(0, int(cy - ry)), min(self.h, int(cy + ry) + 1)):
            for x in range(max(0, int(cx - rx)), min(self.w, int(cx + rx) + 1)):
                if ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0:
                    self.px[y][x] = colour

    def polygon(self, points, colour):
        ys = [p[1] for p in points]
        for y in range(max(0, int(min(ys))), min(self.h, int(max(ys)) + 1)):
            xs = []
            for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
                if (y0 <= y < y1) or (y1 <= y < y0):
                    xs.append(x0 + (y - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[::2], xs[1::2]):
                for x in range(max(0, int(a)), min(self.w, int(b) + 1)):
                    self.px[y][x] = colour


# ---- writers ---------------------------------------------------------------------------------------

def _file(info, palette, data):
    off = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + info + palette + data


def _info(w, h, bpp, compression, size_image, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, compression, size_image, 2835, 2835, colours, 0)


def write_24(path, c, top_down=False):
    stride = (c.w * 3 + 3) & ~3
    rows = range(c.h) if top_down else range(c.h - 1, -1, -1)
    data = b"".join(bytes(v for r, g, b in c.px[y] for v in (b, g, r)) + b"\0" * (stride - c.w * 3) for y in rows)
    with open(path, "wb") as f:
        f.write(_file(_info(c.w, -c.h if top_down else c.h, 24, 0, len(data)), b"", data))


def write_565(path, c):
    stride = (c.w * 2 + 3) & ~3
    data = b"".join(b"".join(struct.pack("<H", ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)) for r, g, b in c.px[y])
                    + b"\0" * (stride - c.w * 2) for y in range(c.h - 1, -1, -1))
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    with open(path, "wb") as f:
        f.write(_file(_info(c.w, c.h, 16, 3, len(data)), masks, data))


def _quantise(c):
    """Indices into a 6x7x6 colour cube (252 colours)."""
    levels = (6, 7, 6)
    palette = [(round(r * 255 / 5), round(g * 255 / 6), round(b * 255 / 5))
               for r in range(6) for g in range(7) for b in range(6)]
    def index(p):
        r, g, b = (min(l - 1, round(v * (l - 1) / 255)) for v, l in zip(p, levels))
        return (r * 7 + g) * 6 + b
    return palette, [[index(p) for p in row] for row in c.px]


def _rle8_row(row):
    out, x = bytearray(), 0
    while x < len(row):
        run = 1
        while x + run < len(row) and run < 255 and row[x + run] == row[x]:
            run += 1
        if run >= 3 or len(row) - x < 3:
            out += bytes([run, row[x]])
            x += run
            continue
        start = x  # absolute block until the next run of three
        while x < len(row) and x - start < 255:
            if x + 2 < len(row) and row[x] == row[x + 1] == row[x + 2]:
                break
            x += 1
        block = row[start:x]
        if len(block) < 3:
            for v in block:
                out += bytes([1, v])
        else:
            out += bytes([0, len(block)]) + bytes(block) + (b"\0" if len(block) % 2 else b"")
    return bytes(out)


def write_8(path, c, rle=False):
    palette, idx = _quantise(c)
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette) + b"\0\0\0\0" * (256 - len(palette))
    if rle:
        data = b"".join(_rle8_row(idx[y]) + b"\0\0" for y in range(c.h - 1, -1, -1))
        data = data[:-2] + b"\0\1"
        info = _info(c.w, c.h, 8, 1, len(data), 256)
    else:
        stride = (c.w + 3) & ~3
        data = b"".join(bytes(idx[y]) + b"\0" * (stride - c.w) for y in range(c.h - 1, -1, -1))
        info = _info(c.w, c.h, 8, 0, len(data), 256)
    with open(path, "wb") as f:
        f.write(_file(info, pal, data))


# ---- pictures --------------------------------------------------------------------------------------

def night_hills():
    c = Canvas(640, 480)
    def sky(x, y):
        base = lerp((8, 10, 40), (70, 60, 120), y / 330)
        if noise(x, y, 1) > 0.9985:
            return lerp(base, (255, 250, 220), 0.5 + noise(x, y, 2) / 2)
        return base
    c.fill(sky)
    c.disc(500, 90, 34, lambda x, y, d: lerp((255, 250, 215), (230, 220, 170), d / 34))
    for layer, (colour, height, freq, phase) in enumerate(
            [((40, 36, 80), 300, 0.011, 0.3), ((28, 30, 60), 340, 0.017, 1.9), ((16, 18, 38), 390, 0.023, 4.0)]):
        for x in range(640):
            top = int(height + 28 * math.sin(x * freq + phase) + 14 * math.sin(x * freq * 2.7 + phase * 2))
            for y in range(max(0, top), 480):
                c.px[y][x] = lerp(colour, (colour[0] // 2, colour[1] // 2, colour[2] // 2), (y - top) / 200)
    return c


GLYPHS = {
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
}


def text(c, word, x0, y0, cell, colour_fn):
    for i, ch in enumerate(word):
        if ch == " ":
            continue
        for gy, line in enumerate(GLYPHS[ch]):
            for gx, bit in enumerate(line):
                if bit == "1":
                    x, y = x0 + (i * 6 + gx) * cell, y0 + gy * cell
                    for yy in range(y, y + cell - 1):
                        for xx in range(x, x + cell - 1):
                            if 0 <= xx < c.w and 0 <= yy < c.h:
                                c.px[yy][xx] = colour_fn(xx, yy)


def title_card(word, hue_a, hue_b):
    c = Canvas(480, 200)
    c.fill(lambda x, y: lerp(hue_a, hue_b, (x + y) / 680))
    c.disc(90, 100, 62, lambda x, y, d: lerp((255, 255, 255), hue_b, d / 62) if d > 40 or d < 30 else None)
    for a in range(0, 360, 30):
        r = math.radians(a)
        c.disc(90 + 50 * math.cos(r), 100 + 50 * math.sin(r), 4, (255, 240, 200))
    text(c, word, 180, 62, 10, lambda x, y: lerp((255, 255, 240), (255, 200, 120), (y - 62) / 70))
    return c


def evening_sea():
    c = Canvas(640, 480)
    def scene(x, y):
        if y < 260:
            return lerp((40, 50, 120), (250, 140, 80), y / 260)
        glow = max(0.0, 1 - abs(x - 320) / 90) * (1 if noise(x // 6, y // 2, 3) > 0.45 else 0.2)
        water = lerp((60, 60, 110), (20, 24, 60), (y - 260) / 220)
        return lerp(water, (255, 190, 120), glow * 0.8)
    c.fill(scene)
    c.disc(320, 260, 46, lambda x, y, d: (255, 200, 110) if y < 260 else None)
    return c


def room():
    c = Canvas(640, 480)
    c.fill(lambda x, y: lerp((200, 180, 150), (150, 120, 90), y / 480) if y < 360
           else lerp((120, 80, 50), (90, 60, 40), (y - 360) / 120))
    c.rect(0, 355, 640, 362, (80, 55, 35))
    c.rect(200, 60, 440, 260, (90, 70, 50))
    for y in range(70, 250):
        for x in range(210, 430):
            c.px[y][x] = lerp((120, 170, 230), (200, 225, 245), (y - 70) / 180)
    c.rect(317, 70, 323, 250, (90, 70, 50))
    c.rect(210, 157, 430, 163, (90, 70, 50))
    c.rect(60, 280, 170, 420, (110, 75, 45))   # shelf
    for i, colour in enumerate([(180, 40, 40), (40, 90, 160), (60, 140, 70), (200, 170, 60)]):
        c.rect(70 + i * 24, 292, 88 + i * 24, 340, colour)
    return c


def tree_path():
    c = Canvas(640, 480)
    c.fill(lambda x, y: lerp((150, 200, 240), (220, 235, 245), y / 200) if y < 200
           else lerp((90, 150, 70), (50, 100, 40), (y - 200) / 280))
    c.polygon([(280, 200), (360, 200), (560, 480), (80, 480)], (200, 180, 140))
    for i, (x, h) in enumerate([(60, 230), (170, 190), (470, 200), (580, 240)]):
        c.rect(x - 10, 320 - h // 3, x + 10, 340, (100, 70, 40))
        for k in range(5):
            c.disc(x + 30 * math.sin(k * 1.7 + i), 320 - h // 3 - 20 * k, 55 - 6 * k,
                   lambda px, py, d: lerp((40, 110, 50), (90, 160, 80), noise(px // 3, py // 3, 5)))
    return c


def character(smiling):
    c = Canvas(640, 480, KEY)
    skin, hair, dress, outline = (250, 220, 200), (70, 40, 60), (60, 90, 160), (40, 30, 40)
    c.polygon([(230, 480), (260, 300), (380, 300), (410, 480)], dress)
    c.rect(300, 250, 340, 305, skin)  # neck
    c.ellipse(320, 200, 82, 96, hair)  # back hair
    c.rect(238, 200, 402, 330, hair)
    c.ellipse(320, 200, 66, 78, skin)  # face
    c.ellipse(320, 140, 72, 36, hair)  # fringe
    if smiling:
        for ex in (292, 348):
            c.polygon([(ex - 12, 204), (ex, 196), (ex + 12, 204), (ex + 12, 207), (ex, 200), (ex - 12, 207)],
                      outline)
        c.polygon([(304, 238), (336, 238), (320, 250)], (200, 80, 90))
    else:
        for ex in (292, 348):
            c.ellipse(ex, 202, 10, 13, (255, 255, 255))
            c.ellipse(ex, 204, 7, 10, (80, 60, 130))
            c.disc(ex + 2, 199, 2, (255, 255, 255))
        c.rect(310, 242, 330, 245, (200, 80, 90))
    c.ellipse(286, 226, 9, 4, (250, 190, 190))
    c.ellipse(354, 226, 9, 4, (250, 190, 190))
    return c


def small_card():
    c = Canvas(320, 240)
    c.fill(lambda x, y: lerp((30, 60, 90), (90, 150, 170), (y + x / 3) / 340))
    c.rect(8, 8, 312, 12, (240, 230, 200))
    c.rect(8, 228, 312, 232, (240, 230, 200))
    text(c, "DEMO", 20, 78, 12, lambda x, y: (250, 245, 230))
    return c


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "demo", "Data")
    os.makedirs(out, exist_ok=True)
    p = lambda name: os.path.join(out, name)
    write_24(p("bg"), night_hills())
    write_24(p("logo.dat"), title_card("ORBEL", (30, 20, 70), (120, 60, 140)))
    write_8(p("logo2.dat"), title_card("DEMO", (20, 60, 70), (60, 140, 150)), rle=True)
    write_24(p("01.bmp"), evening_sea())
    write_8(p("BG01.bmp"), room())
    write_24(p("BG02.bmp"), tree_path(), top_down=True)
    write_24(p("C_09A1.bmp"), character(False))
    write_24(p("C_09A2.bmp"), character(True))
    write_565(p("card.bmp"), small_card())


if __name__ == "__main__":
    main()
