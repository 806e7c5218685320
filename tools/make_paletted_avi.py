#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a small 8-bit paletted AVI (MS-RLE or uncompressed) whose palette changes mid-stream.

The ffmpeg command-line tool can neither encode MS-RLE nor write palette-change chunks, so these samples are
written here by hand. Frames: left half colour index 1, right half index 2, a moving bar of index 3.
Palette: 1 red, 2 green, 3 white; from frame CHANGE_AT on, entry 1 turns blue.

usage: make_paletted_avi.py OUT.avi rle|raw [WIDTH HEIGHT FRAMES FPS]
"""
import struct
import sys

CHANGE_AT = 4


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, body):
    return chunk(b"LIST", kind + body)


def frame_indices(width, height, n):
    rows = []
    bar = (n * 3) % width
    for _y in range(height):
        row = bytearray(1 if x < width // 2 else 2 for x in range(width))
        row[bar] = 3
        rows.append(bytes(row))
    return rows  # top-down


def encode_raw(rows):
    stride = (len(rows[0]) + 3) & ~3
    return b"".join(r + b"\0" * (stride - len(r)) for r in reversed(rows))


def encode_rle8(rows):
    out = bytearray()
    for row in reversed(rows):  # DIB rows run bottom-up
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes((run, row[x]))
            x += run
        out += b"\0\0"  # end of line
    out[-2:] = b"\0\1"  # the last end of line becomes end of bitmap
    return bytes(out)


def palette_bytes(entries):
    return b"".join(bytes((b, g, r, 0)) for (r, g, b) in entries)  # RGBQUAD order


def main():
    out, kind = sys.argv[1], sys.argv[2]
    width, height, frames, fps = (int(v) for v in (sys.argv[3:7] or (32, 24, 8, 10)))
    palette = [(0, 0, 0)] * 256
    palette[1], palette[2], palette[3] = (255, 0, 0), (0, 255, 0), (255, 255, 255)
    rle = kind == "rle"
    tag = b"00dc" if rle else b"00db"
    movi = bytearray()
    index = bytearray()
    biggest = 0
    for n in range(frames):
        if n == CHANGE_AT:
            change = struct.pack("<BBH", 1, 1, 0) + bytes((0, 0, 255, 0))  # entry 1 := blue (r, g, b, flags)
            movi += chunk(b"00pc", change)
        data = (encode_rle8 if rle else encode_raw)(frame_indices(width, height, n))
        biggest = max(biggest, len(data))
        index += tag + struct.pack("<III", 0x10, 4 + len(movi), len(data))
        movi += chunk(tag, data)
    stride = (width + 3) & ~3
    bih = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1 if rle else 0, stride * height, 0, 0, 256, 0)
    strf = bih + palette_bytes(palette)
    handler = b"mrle" if rle else b"\0\0\0\0"
    strh = (b"vids" + handler + struct.pack("<IHHIIIIIIiI", 0x10000, 0, 0, 0, 1, fps, 0, frames, biggest, -1, 0)
            + struct.pack("<hhhh", 0, 0, width, height))
    avih = struct.pack("<IIIIIIIIII", 1000000 // fps, biggest * fps, 0, 0x10, frames, 0, 1, biggest, width, height)
    avih += b"\0" * 16
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    body = b"AVI " + hdrl + lst(b"movi", bytes(movi)) + chunk(b"idx1", bytes(index))
    with open(out, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


if __name__ == "__main__":
    main()
