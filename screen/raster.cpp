// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/raster.h"

#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace orbel::screen {

namespace {

constexpr uint32_t kTopByte = 0xFF000000u;

// A broken contract between this library's own parts, never bad input: every picture that reaches the entry
// points below was made here in kRasterFormat (the buffers, decoded bitmaps, the wallpaper, the brush cells),
// at the buffers' size. Checked once per call in every build, outside the row loops: rows of another layout
// read as 32-bit pixels would run past their ends.
void Require(bool holds, const char* contract) {
  if (Q_UNLIKELY(!holds)) qFatal("orbel: raster contract broken: %s", contract);
}

// The kernels get an AVX2 clone picked per CPU at load time. That choice is an ifunc whose resolver runs
// before the sanitizer runtimes are set up, which kills instrumented programs before main: sanitizer and
// fuzz builds use the plain versions.
#ifdef ORBEL_NO_CPU_DISPATCH
#define ORBEL_LINE_KERNEL
#else
#define ORBEL_LINE_KERNEL [[gnu::target_clones("avx2", "default")]]
#endif

// The part of `sourceRect` that lies inside both images once moved to `target`; `target` follows it.
// Plain integer arithmetic: the slide calls this 480 times a frame.
QRect ClipCopy(const QImage& dest, QPoint& target, const QImage& source, const QRect& sourceRect) {
  int sx = sourceRect.x(), sy = sourceRect.y(), w = sourceRect.width(), h = sourceRect.height();
  int dx = target.x(), dy = target.y();
  auto clipStart = [&](int& s, int& d, int& extent) {  // moves both starts past a negative one
    const int cut = std::max(0, std::max(-s, -d));
    s += cut;
    d += cut;
    extent -= cut;
  };
  clipStart(sx, dx, w);
  clipStart(sy, dy, h);
  w = std::min({w, source.width() - sx, dest.width() - dx});
  h = std::min({h, source.height() - sy, dest.height() - dy});
  target = QPoint(dx, dy);
  if (w <= 0 || h <= 0) return {};
  return QRect(sx, sy, w, h);
}

// Scan-line kernels. `d` and `s` never alias when these run (overlap is handled by the caller).
ORBEL_LINE_KERNEL void LineNot(uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
  for (int i = 0; i < n; ++i) d[i] = ~s[i] | kTopByte;
}

ORBEL_LINE_KERNEL void LinePaint(uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
  for (int i = 0; i < n; ++i) d[i] |= s[i];
}

// `phase` is the destination x of d[0]; the pattern row repeats every 8 pixels from destination x = 0.
ORBEL_LINE_KERNEL void LineMerge(uint32_t* __restrict d, const uint32_t* __restrict s, int n,
                                 const uint32_t* patternRow, int phase) {
  alignas(32) std::array<uint32_t, 8> p;
  for (int k = 0; k < 8; ++k) p[k] = patternRow[(phase + k) & 7];
  int i = 0;
  for (; i + 8 <= n; i += 8)
    for (int k = 0; k < 8; ++k) d[i + k] = s[i + k] & p[k];
  for (int k = 0; i < n; ++i, ++k) d[i] = s[i] & p[k];
}

// In-place MERGECOPY over the same rectangle (the dissolve's ScreenBuffer onto itself).
ORBEL_LINE_KERNEL void LineMergeInPlace(uint32_t* d, int n, const uint32_t* patternRow, int phase) {
  alignas(32) std::array<uint32_t, 8> p;
  for (int k = 0; k < 8; ++k) p[k] = patternRow[(phase + k) & 7];
  int i = 0;
  for (; i + 8 <= n; i += 8)
    for (int k = 0; k < 8; ++k) d[i + k] &= p[k];
  for (int k = 0; i < n; ++i, ++k) d[i] &= p[k];
}

// A dissolve's two tile rows, copied out of their pictures for the row kernels.
struct TTileRows {
  TTileRows(const uint32_t* keepRow, const uint32_t* inverseRow) {
    for (int k = 0; k < 8; ++k) {
      Keep[k] = keepRow[k];
      Inverse[k] = inverseRow[k];
    }
  }
  alignas(32) std::array<uint32_t, 8> Keep, Inverse;
};

// All four dissolve operations on one row; `keep` and `inverse` are the tile rows for it.
ORBEL_LINE_KERNEL void LineDissolve(uint32_t* __restrict screen, const uint32_t* __restrict stage,
                                    uint32_t* __restrict spare, uint32_t* __restrict window, int n,
                                    const uint32_t* keepRow, const uint32_t* inverseRow) {
  const TTileRows tiles(keepRow, inverseRow);
  const std::array<uint32_t, 8>&keep = tiles.Keep, &inverse = tiles.Inverse;
  int i = 0;
  for (; i + 8 <= n; i += 8)
    for (int k = 0; k < 8; ++k) {
      const uint32_t old = screen[i + k] & keep[k];
      const uint32_t mixed = (stage[i + k] & inverse[k]) | old;
      screen[i + k] = old;
      spare[i + k] = mixed;
      window[i + k] = mixed;
    }
  for (int k = 0; i < n; ++i, ++k) {
    const uint32_t old = screen[i] & keep[k];
    screen[i] = old;
    spare[i] = window[i] = (stage[i] & inverse[k]) | old;
  }
}

ORBEL_LINE_KERNEL void LineDissolveSpare(const uint32_t* __restrict screen, const uint32_t* __restrict stage,
                                         uint32_t* __restrict spare, int n, const uint32_t* keepRow,
                                         const uint32_t* inverseRow) {
  const TTileRows tiles(keepRow, inverseRow);
  const std::array<uint32_t, 8>&keep = tiles.Keep, &inverse = tiles.Inverse;
  int i = 0;
  for (; i + 8 <= n; i += 8)
    for (int k = 0; k < 8; ++k) spare[i + k] = (stage[i + k] & inverse[k]) | (screen[i + k] & keep[k]);
  for (int k = 0; i < n; ++i, ++k) spare[i] = (stage[i] & inverse[k]) | (screen[i] & keep[k]);
}

ORBEL_LINE_KERNEL void LineCopyTwice(uint32_t* __restrict first, uint32_t* __restrict second,
                                     const uint32_t* __restrict source, int n) {
  for (int i = 0; i < n; ++i) first[i] = second[i] = source[i];
}

}  // namespace

void CopyTwice(QImage& first, QImage& second, const QImage& source) {
  // Released buffers: nothing to copy.
  if (source.isNull()) return;
  const QSize size = source.size();
  Require(first.size() == size && second.size() == size, "CopyTwice: pictures of different sizes");
  Require(
      first.format() == kRasterFormat && second.format() == kRasterFormat && source.format() == kRasterFormat,
      "CopyTwice: a picture not in the raster format");
  for (int y = 0; y < size.height(); ++y)
    LineCopyTwice(reinterpret_cast<uint32_t*>(first.scanLine(y)),
                  reinterpret_cast<uint32_t*>(second.scanLine(y)),
                  reinterpret_cast<const uint32_t*>(source.constScanLine(y)), size.width());
}

namespace {

void CheckDissolve(const QImage& screen, const QImage& stage, const QImage& spare, const QImage& window,
                   const QImage& keepTile, const QImage& inverseTile) {
  const QSize size = screen.size();
  Require(stage.size() == size && spare.size() == size && window.size() == size,
          "DissolveFrame: pictures of different sizes");
  Require(keepTile.width() >= 8 && keepTile.height() >= 8 && inverseTile.width() >= 8 &&
              inverseTile.height() >= 8,
          "DissolveFrame: a tile smaller than 8x8");
  Require(screen.format() == kRasterFormat && stage.format() == kRasterFormat &&
              spare.format() == kRasterFormat && window.format() == kRasterFormat &&
              keepTile.format() == kRasterFormat && inverseTile.format() == kRasterFormat,
          "DissolveFrame: a picture not in the raster format");
}

}  // namespace

void DissolveFrame(QImage& screen, const QImage& stage, QImage& spare, QImage& window, const QImage& keepTile,
                   const QImage& inverseTile) {
  // Released buffers: nothing to draw.
  if (screen.isNull()) return;
  CheckDissolve(screen, stage, spare, window, keepTile, inverseTile);
  const QSize size = screen.size();
  for (int y = 0; y < size.height(); ++y)
    LineDissolve(reinterpret_cast<uint32_t*>(screen.scanLine(y)),
                 reinterpret_cast<const uint32_t*>(stage.constScanLine(y)),
                 reinterpret_cast<uint32_t*>(spare.scanLine(y)),
                 reinterpret_cast<uint32_t*>(window.scanLine(y)), size.width(),
                 reinterpret_cast<const uint32_t*>(keepTile.constScanLine(y & 7)),
                 reinterpret_cast<const uint32_t*>(inverseTile.constScanLine(y & 7)));
}

void DissolveSpare(const QImage& screen, const QImage& stage, QImage& spare, const QImage& keepTile,
                   const QImage& inverseTile) {
  if (screen.isNull()) return;
  CheckDissolve(screen, stage, spare, spare, keepTile, inverseTile);
  const QSize size = screen.size();
  for (int y = 0; y < size.height(); ++y)
    LineDissolveSpare(reinterpret_cast<const uint32_t*>(screen.constScanLine(y)),
                      reinterpret_cast<const uint32_t*>(stage.constScanLine(y)),
                      reinterpret_cast<uint32_t*>(spare.scanLine(y)), size.width(),
                      reinterpret_cast<const uint32_t*>(keepTile.constScanLine(y & 7)),
                      reinterpret_cast<const uint32_t*>(inverseTile.constScanLine(y & 7)));
}

// BitBlt, FillRect and DrawTransparent leave pictures of another pixel format alone, and null ones (released
// buffers): their rows read as 32-bit pixels would run past their ends.
void BitBlt(QImage& dest, QPoint target, const QImage& source, const QRect& sourceRect, TRasterOp op,
            const QImage* pattern) {
  if (dest.isNull() || source.isNull()) return;
  if (!(dest.format() == kRasterFormat && source.format() == kRasterFormat)) return;
  if (op == roMergeCopy)
    Require(pattern != nullptr && pattern->width() >= 8 && pattern->height() >= 8 &&
                pattern->format() == kRasterFormat,
            "BitBlt: MERGECOPY without an 8x8 pattern in the raster format");
  const QRect src = ClipCopy(dest, target, source, sourceRect);
  if (src.isEmpty()) return;
  const int w = src.width(), h = src.height();

  // bits() on a shared image would detach it; the same object for both sides must be read through dest.
  const bool same = &dest == &source;
  uchar* destBits = dest.bits();
  const uchar* srcBits = same ? destBits : source.constBits();
  const qsizetype destStride = dest.bytesPerLine(), srcStride = source.bytesPerLine();
  auto destRow = [&](int y) { return reinterpret_cast<uint32_t*>(destBits + y * destStride) + target.x(); };
  auto srcRow = [&](int y) { return reinterpret_cast<const uint32_t*>(srcBits + y * srcStride) + src.x(); };

  // Overlap within one image: walk rows bottom-up when moving down; a row moved sideways onto itself goes
  // through a scratch line (memmove does that for plain copies).
  const bool overlap = same && target.x() < src.x() + w && src.x() < target.x() + w &&
                       target.y() < src.y() + h && src.y() < target.y() + h;
  const bool bottomUp = overlap && target.y() > src.y();
  const bool sameRows = overlap && target.y() == src.y();
  std::vector<uint32_t> scratch;
  if (sameRows && target.x() != src.x() && op != roSrcCopy) scratch.resize(w);

  for (int i = 0; i < h; ++i) {
    const int row = bottomUp ? h - 1 - i : i;
    uint32_t* d = destRow(target.y() + row);
    const uint32_t* s = srcRow(src.y() + row);
    if (!scratch.empty()) {
      std::memcpy(scratch.data(), s, w * sizeof(uint32_t));
      s = scratch.data();
    }
    switch (op) {
      case roSrcCopy:
        if (d != s) std::memmove(d, s, w * sizeof(uint32_t));
        break;
      case roNotSrcCopy:
        if (d == s) {
          for (int x = 0; x < w; ++x) d[x] = ~d[x] | kTopByte;
        } else {
          LineNot(d, s, w);
        }
        break;
      case roSrcPaint:
        if (d != s) LinePaint(d, s, w);  // x OR x = x
        break;
      case roMergeCopy: {
        const int y = target.y() + row;
        const auto* patternRow = reinterpret_cast<const uint32_t*>(pattern->constScanLine(y & 7));
        if (d == s) {
          LineMergeInPlace(d, w, patternRow, target.x());
        } else {
          LineMerge(d, s, w, patternRow, target.x());
        }
        break;
      }
    }
  }
}

void FillRect(QImage& dest, const QRect& area, QRgb colour) {
  if (dest.isNull()) return;
  if (dest.format() != kRasterFormat) return;
  const QRect r = area.intersected(dest.rect());
  if (r.isEmpty()) return;
  const uint32_t value = colour | kTopByte;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    uint32_t* d = reinterpret_cast<uint32_t*>(dest.scanLine(y)) + r.x();
    std::fill(d, d + r.width(), value);
  }
}

namespace {

// Four pixels at a time: every one is written, from the source where it shows, else as it was. The rows are
// distinct.
void KeyedRow(uint32_t* d, const uint32_t* s, int w, uint32_t keyColour) {
  using TFour = uint32_t __attribute__((vector_size(16)));
  int x = 0;
  for (; x + 4 <= w; x += 4) {
    TFour source, target;
    std::memcpy(&source, s + x, sizeof source);
    std::memcpy(&target, d + x, sizeof target);
    const TFour shows = reinterpret_cast<TFour>((source & ~kTopByte) != keyColour);
    target = (target & ~shows) | ((source | kTopByte) & shows);
    std::memcpy(d + x, &target, sizeof target);
  }
  for (; x < w; ++x)
    if ((s[x] & ~kTopByte) != keyColour) d[x] = s[x] | kTopByte;
}

}  // namespace

void DrawTransparent(QImage& dest, QPoint target, const QImage& source, QRgb key) {
  if (dest.isNull() || source.isNull()) return;
  if (!(dest.format() == kRasterFormat && source.format() == kRasterFormat)) return;
  const QRect src = ClipCopy(dest, target, source, source.rect());
  if (src.isEmpty()) return;
  const uint32_t keyColour = key & ~kTopByte;
  uchar* destBits = dest.bits();
  const uchar* srcBits = source.constBits();
  const qsizetype destStride = dest.bytesPerLine(), srcStride = source.bytesPerLine();
  const int w = src.width();
  for (int row = 0; row < src.height(); ++row) {
    uint32_t* d = reinterpret_cast<uint32_t*>(destBits + (target.y() + row) * destStride) + target.x();
    const uint32_t* s = reinterpret_cast<const uint32_t*>(srcBits + (src.y() + row) * srcStride) + src.x();
    if (static_cast<const void*>(d) == static_cast<const void*>(s))
      for (int x = 0; x < w; ++x) d[x] |= (s[x] & ~kTopByte) != keyColour ? kTopByte : 0;
    else
      KeyedRow(d, s, w, keyColour);
  }
}

}  // namespace orbel::screen
