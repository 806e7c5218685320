#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The raster operations the picture buffers need, on 32-bit images (QImage::Format_RGB32).
//
// Every result equals the one a 24-bit bitmap would give: the unused top byte is kept at 0xFF, so a
// bitwise operation on the colour bits never leaks into it. Copies are 1:1 and clipped to both images.

#include <QImage>
#include <QRect>

namespace orbel::screen {

// The four operations of the picture side, per pixel and per colour bit.
enum TRasterOp {
  roSrcCopy,     // dest = source
  roMergeCopy,   // dest = source AND pattern (8x8, anchored at the destination's origin)
  roNotSrcCopy,  // dest = NOT source
  roSrcPaint,    // dest = source OR dest
};

// The pixel format every buffer of the picture side uses.
inline constexpr QImage::Format kRasterFormat = QImage::Format_RGB32;

// What the entry points below require of their pictures (a pattern for roMergeCopy, pictures of one size, the
// fused operations' formats) only the engine's own code can break, never a file: a broken requirement ends
// the program. Null pictures (released buffers) draw nothing, and so does another pixel format handed to
// BitBlt, FillRect or DrawTransparent.

// Copies `sourceRect` of `source` to `dest` at `target` with `op`. Both images must be kRasterFormat (else
// nothing is drawn); `pattern` (at least 8x8, kRasterFormat) is required for roMergeCopy only. `dest` and
// `source` may be the same image with overlapping rectangles (the result is as if the source were read
// first).
void BitBlt(QImage& dest, QPoint target, const QImage& source, const QRect& sourceRect, TRasterOp op,
            const QImage* pattern = nullptr);

// Fills `area` (clipped to `dest`) with `colour` (its top byte is ignored).
void FillRect(QImage& dest, const QRect& area, QRgb colour);

// Draws `source` at `target`: every pixel whose colour (top byte ignored) differs from `key` replaces the
// destination pixel; pixels of the key colour leave it unchanged.
void DrawTransparent(QImage& dest, QPoint target, const QImage& source, QRgb key);

// Copies all of `source` into `first` and `second` (both of its size and kRasterFormat) in one pass; nothing
// when `source` is null.
void CopyTwice(QImage& first, QImage& second, const QImage& source);

// One frame of the patterned dissolve over all rows, in one pass per row, with the same result as these
// operations one after the other over the whole picture:
//   screen = screen MERGECOPY keepTile (in place); spare = stage MERGECOPY inverseTile;
//   spare = screen SRCPAINT spare; window = spare SRCCOPY.
// All four pictures must have the same size and kRasterFormat, the tiles at least 8x8 in kRasterFormat;
// nothing is drawn when `screen` is null.
void DissolveFrame(QImage& screen, const QImage& stage, QImage& spare, QImage& window, const QImage& keepTile,
                   const QImage& inverseTile);
// Only the spare picture of such a frame, for one whose screen and window are replaced whole right after:
//   spare = (screen MERGECOPY keepTile) SRCPAINT (stage MERGECOPY inverseTile).
void DissolveSpare(const QImage& screen, const QImage& stage, QImage& spare, const QImage& keepTile,
                   const QImage& inverseTile);

}  // namespace orbel::screen
