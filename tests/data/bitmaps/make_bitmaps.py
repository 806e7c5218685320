#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the small bitmap files the screen tests read: one 13x7 picture in every Windows/OS2 bitmap
variant, plus broken files. Run from anywhere; writes next to this script. Standard library only.

The picture: pixel (x, y) has colour index idx(x, y) = (x // 3 + y) % 8, so rows hold runs of three
(good for the RLE encoders) and the odd width exercises row padding. The C++ tests use the same formula."""

import os
import struct

W, H = 13, 7
HERE = os.path.dirname(os.path.abspath(__file__))

# Arbitrary colours for palette and true-colour files (R, G, B).
PAL = [(0x10, 0x20, 0x30), (0xF0, 0x08, 0x11), (0x22, 0xCC, 0x44), (0x05, 0x15, 0xEE),
       (0xFF, 0xFF, 0x00), (0x80, 0x40, 0xC0), (0x00, 0x99, 0x99), (0xFE, 0xFD, 0xFC)]
# Colours that 5/6-bit channels hold exactly, for the 16-bit files.
PURE = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255),
        (255, 255, 0), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def idx(x, y):
    return (x // 3 + y) % 8


def pad4(row):
    return row + b"\0" * (-len(row) % 4)


def file_header(total, offbits):
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offbits)


def info_header(w, h, bpp, compression=0, size_image=0, clr_used=0, size=40):
    hdr = struct.pack("<IiiHHIIiiII", size, w, h, 1, bpp, compression, size_image, 2835, 2835, clr_used, 0)
    return hdr + b"\0" * (size - 40)


def palette_quads(colours, count=None):
    out = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in colours)
    if count:
        out += b"\0\0\0\0" * (count - len(colours))
    return out


def pack_bits(values, bpp):
    out, acc, n = bytearray(), 0, 0
    for v in values:
        acc = (acc << bpp) | v
        n += bpp
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def rows_bottom_up(top_down):
    return range(H) if top_down else range(H - 1, -1, -1)


def pixel_rows(encode_row, top_down=False):
    return b"".join(pad4(encode_row(y)) for y in rows_bottom_up(top_down))


def assemble(info, palette, data):
    off = 14 + len(info) + len(palette)
    return file_header(off + len(data), off) + info + palette + data


def write(name, data):
    path = os.path.join(HERE, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def paletted(bpp, colours, value, top_down=False, clr_used=0, count=None):
    data = pixel_rows(lambda y: pack_bits([value(x, y) for x in range(W)], bpp), top_down)
    info = info_header(W, -H if top_down else H, bpp, clr_used=clr_used, size_image=len(data))
    return assemble(info, palette_quads(colours, count), data)


def rle8(rows_codes):
    out = bytearray()
    for y in range(H - 1, -1, -1):  # bottom row first
        out += rows_codes(y)
        out += b"\0\0"  # end of line
    out[-2:] = b"\0\1"  # end of bitmap replaces the last end of line
    return bytes(out)


def rle8_row(y):
    vals = [idx(x, y) for x in range(W)]
    out = bytearray()
    # first run encoded, then the rest as one absolute block (at least 3 pixels), then the rest as runs
    out += bytes([3, vals[0]])
    absolute = vals[3:9]
    out += bytes([0, len(absolute)]) + bytes(absolute) + (b"\0" if len(absolute) % 2 else b"")
    x = 9
    while x < W:
        run = 1
        while x + run < W and vals[x + run] == vals[x]:
            run += 1
        out += bytes([run, vals[x]])
        x += run
    return bytes(out)


def rle4_row(y):
    vals = [idx(x, y) for x in range(W)]
    out = bytearray()
    # a run of two alternating-colour pixels, then absolute pixels, then runs
    out += bytes([2, (vals[0] << 4) | vals[1]])
    absolute = vals[2:9]  # 7 pixels: 4 bytes, padded to a word
    out += bytes([0, len(absolute)]) + pack_bits(absolute, 4)
    if len(pack_bits(absolute, 4)) % 2:
        out += b"\0"
    x = 9
    while x < W:
        run = 1
        while x + run < W and vals[x + run] == vals[x]:
            run += 1
        out += bytes([run, (vals[x] << 4) | vals[x]])
        x += run
    return bytes(out)


def rle_file(bpp, stream, colours):
    info = info_header(W, H, bpp, compression=1 if bpp == 8 else 2, size_image=len(stream), clr_used=len(colours))
    return assemble(info, palette_quads(colours), stream)


def rle8_delta_stream():
    # Row 0 (bottom) drawn fully; then a delta jumps 2 right and 3 up; pixels skipped keep index 0.
    out = bytearray()
    out += bytes([W, 1])           # bottom row: all index 1
    out += b"\0\0"                  # end of line -> row 1, x 0
    out += bytes([4, 2])           # row 1: x 0..3 index 2
    out += bytes([0, 2, 2, 3])     # delta: x += 2, y += 3 -> row 4, x 6
    out += bytes([5, 3])           # row 4: x 6..10 index 3
    out += b"\0\1"                  # end of bitmap
    return bytes(out)


def rgb16(value_of, compression, masks=b""):
    def row(y):
        return b"".join(struct.pack("<H", value_of(PURE[idx(x, y)])) for x in range(W))
    data = pixel_rows(row)
    info = info_header(W, H, 16, compression=compression, size_image=len(data))
    return assemble(info, masks, data)


def rgb24(top_down=False, header_size=40):
    def row(y):
        return b"".join(bytes((PAL[idx(x, y)][2], PAL[idx(x, y)][1], PAL[idx(x, y)][0])) for x in range(W))
    data = pixel_rows(row, top_down)
    info = info_header(W, -H if top_down else H, 24, size_image=len(data), size=header_size)
    return assemble(info, b"", data)


def rgb32(compression, pack, masks=b""):
    data = pixel_rows(lambda y: b"".join(pack(PAL[idx(x, y)]) for x in range(W)))
    info = info_header(W, H, 32, compression=compression, size_image=len(data))
    return assemble(info, masks, data)


def os2v1(bpp):
    hdr = struct.pack("<IHHHH", 12, W, H, 1, bpp)
    if bpp == 8:
        pal = b"".join(bytes((b, g, r)) for r, g, b in PAL) + b"\0\0\0" * (256 - len(PAL))
        data = pixel_rows(lambda y: bytes(idx(x, y) for x in range(W)))
    else:
        pal = b""
        data = pixel_rows(lambda y: b"".join(bytes((PAL[idx(x, y)][2], PAL[idx(x, y)][1], PAL[idx(x, y)][0]))
                                             for x in range(W)))
    return assemble(hdr, pal, data)


def os2v2(size, bpp=8, compression=0, stream=None):
    # OS/2 2.x header: the Windows fields, then OS/2-only fields (zero here), 16 to 64 bytes long.
    full = struct.pack("<IIiHHIIiiII", size, W, H, 1, bpp, compression, 0, 0, 0, len(PAL), 0) + b"\0" * 24
    hdr = full[:size]
    if stream is None:
        data = pixel_rows(lambda y: pack_bits([idx(x, y) for x in range(W)], bpp))
    else:
        data = stream
    return assemble(hdr, palette_quads(PAL), data)


def main():
    p8 = paletted(8, PAL, idx, count=256)
    write("pal1.bmp", paletted(1, PAL[:2], lambda x, y: idx(x, y) % 2))
    write("pal4.bmp", paletted(4, PAL, idx, clr_used=len(PAL)))
    write("pal8.bmp", p8)
    write("pal8_topdown.bmp", paletted(8, PAL, idx, top_down=True, clr_used=len(PAL)))
    write("rle8.bmp", rle_file(8, rle8(rle8_row), PAL))
    write("rle4.bmp", rle_file(4, rle8(rle4_row), PAL))
    write("rle8_delta.bmp", rle_file(8, rle8_delta_stream(), PAL))
    write("rgb16_555.bmp", rgb16(lambda c: ((c[0] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[2] >> 3), 0))
    write("rgb16_565.bmp", rgb16(lambda c: ((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3), 3,
                                 struct.pack("<III", 0xF800, 0x07E0, 0x001F)))
    # Channels narrower than 5 bits: two, three and one bit, full intensity still 255.
    write("rgb16_231.bmp", rgb16(lambda c: ((c[0] >> 6) << 4) | ((c[1] >> 5) << 1) | (c[2] >> 7), 3,
                                 struct.pack("<III", 0x0030, 0x000E, 0x0001)))
    write("rgb24.bmp", rgb24())
    write("rgb24_topdown.bmp", rgb24(top_down=True))
    write("rgb24_v5.bmp", rgb24(header_size=124))
    write("rgb32.bmp", rgb32(0, lambda c: bytes((c[2], c[1], c[0], 0))))
    write("rgb32_bitfields.bmp", rgb32(3, lambda c: bytes((0, c[2], c[1], c[0])),
                                       struct.pack("<III", 0xFF000000, 0x00FF0000, 0x0000FF00)))
    # Channels wider than 8 bits: c * max // 255 reads back as c when scaled by 255 / max and rounded.
    # Checked by hand against other decoders: ImageMagick 6.9 reads this file up to one level darker (it
    # truncates, full intensity 254) and the 2-3-1 file with shifted channels (full red 192); ffmpeg 5.1
    # refuses both masks. Both agree exactly on the 5-5-5 and 5-6-5 files.
    write("rgb32_111110.bmp", rgb32(3, lambda c: struct.pack("<I", (c[0] * 2047 // 255) << 21 |
                                                             (c[1] * 2047 // 255) << 10 | c[2] * 1023 // 255),
                                    struct.pack("<III", 0xFFE00000, 0x001FFC00, 0x000003FF)))
    write("os2v1_8.bmp", os2v1(8))
    write("os2v1_24.bmp", os2v1(24))
    write("os2v2_8.bmp", os2v2(64))
    write("os2v2_short_8.bmp", os2v2(16))
    write("os2v2_rle4.bmp", os2v2(64, bpp=4, compression=2, stream=rle8(rle4_row)))
    # Read by content whatever the name.
    write("picture.dat", p8)
    write("sub/noext", p8)

    # Broken files.
    r24 = rgb24()
    write("broken/truncated.bmp", r24[: len(r24) // 2])
    write("broken/header_only.bmp", r24[:54])
    write("broken/empty.bmp", b"")
    write("broken/text.bmp", b"this is not a picture\n")
    write("broken/short_header.bmp", r24[:20])
    write("broken/huge.bmp", assemble(info_header(1000000, 1000000, 24), b"", b"\0" * 64))
    write("broken/huge_rle.bmp", assemble(info_header(30000, 30000, 8, compression=1), palette_quads(PAL), b"\0\1"))
    write("broken/negative_width.bmp", assemble(info_header(-13, 7, 24), b"", r24[54:]))
    write("broken/zero_height.bmp", assemble(info_header(13, 0, 24), b"", b""))
    write("broken/bad_bpp.bmp", assemble(info_header(13, 7, 7), b"", r24[54:]))
    write("broken/bad_header_size.bmp", r24[:14] + struct.pack("<I", 999) + r24[18:])
    write("broken/bad_planes.bmp", r24[:26] + struct.pack("<H", 3) + r24[28:])
    write("broken/offbits_past_end.bmp", file_header(len(r24), 100000) + r24[14:])
    write("broken/palette_too_long.bmp", assemble(info_header(13, 7, 8, clr_used=100000), palette_quads(PAL), b"\0" * 112))
    write("broken/rle_topdown.bmp", assemble(info_header(W, -H, 8, compression=1), palette_quads(PAL), rle8(rle8_row)))
    write("broken/rle_wrong_bpp.bmp", assemble(info_header(W, H, 24, compression=1), b"", rle8(rle8_row)))
    write("broken/rle_past_top.bmp", rle_file(8, b"\0\0" * H + bytes([2, 1]) + b"\0\1", PAL))
    write("broken/rle_cut_in_run.bmp", rle_file(8, bytes([0, 9, 1, 2, 3]), PAL))
    write("broken/rle_unterminated.bmp", rle_file(8, bytes([W, 1]), PAL))
    write("broken/bitfields_no_mask.bmp", rgb32(3, lambda c: bytes((c[2], c[1], c[0], 0)), struct.pack("<III", 0, 0, 0)))
    write("broken/compression_jpeg.bmp", assemble(info_header(W, H, 24, compression=4), b"", r24[54:]))


if __name__ == "__main__":
    main()
