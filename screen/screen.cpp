// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/screen.h"

#include <algorithm>
#include <cstring>

#include "screen/bitmap_file.h"
#include "screen/dissolve_brush.h"
#include "screen/raster.h"

namespace orbel::screen {

namespace {
const QRect kScreenRect(0, 0, kScreenWidth, kScreenHeight);

// Pictures at least this high are drawn from the top-left corner, lower ones at (40, 20).
constexpr int kFullPictureHeight = 316;
const QPoint kSmallPictureOrigin(40, 20);

// Box opening: the first frame is a 176x16 bar around the centre; it grows by 8 pixels a side per frame.
constexpr int kBoxTicks = 30;
// Dissolve: only even cells are shown; the tick that finds the step past the last cell finishes.
constexpr int kDissolveLastCell = 15;
constexpr int kDissolveStepIncrement = 2;
// Interlaced slide: 120 bands of 4 rows; 8 pixels a frame for 80 frames.
constexpr int kSlideBands = kScreenHeight / 4;
constexpr int kSlideShift = 8;
constexpr int kSlideTicks = kScreenWidth / kSlideShift;
}  // namespace

// The pattern strip is built in, like a picture stored with the window; SetBrushImage may replace it.
TScreen::TScreen(IScreenHost& host) : Host(host) {
  SetBrushImage(MakeBrushImage());
}

void TScreen::CreateBuffers() {
  DissolvePending = false;
  PendingCopy = QRect();
  PendingSlideFrom = PendingSlideTo = -1;
  SurfaceShowsScreen = false;
  PatternTile = QImage(8, 8, kRasterFormat);
  PatternTile.fill(Qt::black);
  KeepTile = PatternTile.copy();
  ScreenBuffer = QImage(kScreenWidth, kScreenHeight, kRasterFormat);
  ScreenBuffer.fill(Qt::black);
  // Undefined until first used; black keeps runs reproducible.
  StageBuffer = QImage(kScreenWidth, kScreenHeight, kRasterFormat);
  StageBuffer.fill(Qt::black);
  SpareBuffer = QImage(kScreenWidth, kScreenHeight, kRasterFormat);
  SpareBuffer.fill(Qt::black);
  SurfaceImage = QImage(kScreenWidth, kScreenHeight, kRasterFormat);
  SurfaceImage.fill(Qt::black);
}

void TScreen::ReleaseBuffers() {
  Settle();
  PatternTile = QImage();
  KeepTile = QImage();
  ScreenBuffer = QImage();
  StageBuffer = QImage();
  SpareBuffer = QImage();
}

void TScreen::SetWall(const QImage& wall) {
  WallImage = wall.convertToFormat(kRasterFormat);
}

void TScreen::SetBrushImage(const QImage& brush) {
  BrushCells = brush.convertToFormat(kRasterFormat);
}

void TScreen::PrepareStage(TStageMode mode) {
  if (!HasBuffers()) return;
  SettleBeforeStageChanges();
  switch (mode) {
    case smWall: {
      if (WallImage.isNull()) return;
      const int w = WallImage.width(), h = WallImage.height();
      for (int r = 0; r <= (kScreenHeight - 1) / h; ++r)
        for (int c = 0; c <= (kScreenWidth - 1) / w; ++c)
          BitBlt(StageBuffer, {c * w, r * h}, WallImage, WallImage.rect(), roSrcCopy);
      break;
    }
    case smBlack:
      FillRect(StageBuffer, kScreenRect, qRgb(0, 0, 0));
      break;
    case smWhite:
      FillRect(StageBuffer, kScreenRect, qRgb(255, 255, 255));
      break;
    case smScreen:
      BitBlt(StageBuffer, {0, 0}, ScreenBuffer, ScreenBuffer.rect(), roSrcCopy);
      break;
    default:
      break;
  }
}

void TScreen::DispPicture(const std::string& fileName, std::optional<TStageMode> mode,
                          std::optional<TTransitionKind> kind) {
  if (mode) PrepareStage(*mode);
  const std::string path = Host.FindDataFile(fileName);
  if (!path.empty()) {
    // A broken file raises here: the stage keeps the prepared background and the kind stays as it was.
    const QImage picture = Pictures.Load(path);
    const QPoint at = picture.height() >= kFullPictureHeight ? QPoint(0, 0) : kSmallPictureOrigin;
    SettleBeforeStageChanges();
    if (HasBuffers()) BitBlt(StageBuffer, at, picture, picture.rect(), roSrcCopy);
  }
  if (kind) TransitionKind = *kind;
}

void TScreen::TransPicture(const std::string& fileName, std::optional<TTransitionKind> kind) {
  const std::string path = Host.FindDataFile(fileName);
  if (!path.empty()) {
    const QImage picture = Pictures.Load(path);
    SettleBeforeStageChanges();
    if (HasBuffers()) DrawTransparent(StageBuffer, {0, 0}, picture, picture.pixel(0, 0));
  }
  if (kind) TransitionKind = *kind;
}

QRect TScreen::StageArea(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return {};
  return QRect(left, top, right - left, bottom - top).intersected(kScreenRect);
}

QRect TScreen::CopyStageRectQuiet(int left, int top, int right, int bottom) {
  const QRect area = StageArea(left, top, right, bottom);
  if (area.isEmpty()) return {};
  BitBlt(SurfaceImage, area.topLeft(), StageBuffer, area, roSrcCopy);
  return area;
}

void TScreen::CopyStageRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
  if (!HasBuffers()) return;
  Settle();
  const QRect area = CopyStageRectQuiet(left, top, right, bottom);
  if (!area.isEmpty()) Host.SurfaceChanged(area);
}

void TScreen::DeferFrames(bool defer) {
  if (!defer) Settle();
  Deferring = defer;
}

void TScreen::SettleBeforeStageChanges() {
  if (DissolvePending || !PendingCopy.isEmpty() || PendingSlideFrom >= 0) Settle();
}

void TScreen::Settle() {
  if (SurfaceShowsScreen) {
    SurfaceShowsScreen = false;
    // A dissolve's frame draws the whole window anyway.
    if (!DissolvePending) BitBlt(SurfaceImage, {0, 0}, ScreenBuffer, ScreenBuffer.rect(), roSrcCopy);
  }
  if (DissolvePending) {
    DissolvePending = false;
    orbel::screen::DissolveFrame(ScreenBuffer, StageBuffer, SpareBuffer, SurfaceImage, PendingKeep,
                                 PendingInverse);
  }
  if (!PendingCopy.isEmpty()) {
    const QRect area = PendingCopy;
    PendingCopy = QRect();
    BitBlt(SurfaceImage, area.topLeft(), StageBuffer, area, roSrcCopy);
  }
  if (PendingSlideFrom >= 0) {
    const int from = PendingSlideFrom, to = PendingSlideTo;
    PendingSlideFrom = PendingSlideTo = -1;
    DrawSlide(from, to);
  }
}

void TScreen::ETimerTimer() {
  if (!HasBuffers()) return;
  switch (TransitionKind) {
    case tkBox:
      BoxFrame();
      break;
    case tkDissolve:
      DissolveFrame();
      break;
    case tkSlide:
      SlideFrame();
      break;
    case tkCut:
      CutFrame();
      break;
    default:
      break;
  }
}

void TScreen::BoxFrame() {
  const int s = TransitionStep;
  if (s == kBoxTicks - 1) {  // the box is the whole window
    FinishOnWindow();
    return;
  }
  // The coordinates are 16-bit like the call's: past step 29 the left edge wraps and nothing is drawn.
  const auto left = static_cast<uint16_t>(232 - 8 * s), top = static_cast<uint16_t>(232 - 8 * s),
             right = static_cast<uint16_t>(408 + 8 * s), bottom = static_cast<uint16_t>(248 + 8 * s);
  if (Deferring) {
    const QRect area = StageArea(left, top, right, bottom);
    if (!area.isEmpty()) {
      if (DissolvePending || PendingSlideFrom >= 0 || (!PendingCopy.isEmpty() && !area.contains(PendingCopy)))
        Settle();
      PendingCopy = area;
      Host.SurfaceChanged(area);
    }
  } else {
    CopyStageRect(left, top, right, bottom);
  }
  ++TransitionStep;
  if (TransitionStep >= kBoxTicks) FinishTransition();
}

void TScreen::DissolveFrame() {
  const int s = TransitionStep;
  if (s > kDissolveLastCell) {  // ScreenBuffer becomes the stage and goes to the window
    FinishOnWindow();
    return;
  }
  const QRect cell(s * kBrushCellSize, 0, kBrushCellSize, kBrushCellSize);
  // The tile is white where the old picture stays. Without a brush strip every cell counts as white: the old
  // picture stays until the last tick.
  if (BrushCells.isNull()) {
    FillRect(PatternTile, PatternTile.rect(), qRgb(255, 255, 255));
  } else {
    BitBlt(PatternTile, {0, 0}, BrushCells, cell, roSrcCopy);
  }
  BitBlt(KeepTile, {0, 0}, PatternTile, PatternTile.rect(), roSrcCopy);
  // Inverted: black where the old picture stays.
  if (BrushCells.isNull()) {
    FillRect(PatternTile, PatternTile.rect(), qRgb(0, 0, 0));
  } else {
    BitBlt(PatternTile, {0, 0}, BrushCells, cell, roNotSrcCopy);
  }
  // ScreenBuffer keeps the old picture where the cell is white and turns black where it is not, in place,
  // frame after frame; SpareBuffer gets the new picture on the cell's black pixels and the old one on the
  // rest, and goes to the window. The four operations run fused, row by row, while the rows are in the cache.
  if (Deferring) {
    if (!PendingCopy.isEmpty() || PendingSlideFrom >= 0) Settle();
    if (DissolvePending) {
      BitBlt(PendingKeep, {0, 0}, PendingKeep, PendingKeep.rect(), roMergeCopy, &KeepTile);
    } else {
      PendingKeep = KeepTile.copy();
      DissolvePending = true;
    }
    PendingInverse = PatternTile.copy();
  } else {
    orbel::screen::DissolveFrame(ScreenBuffer, StageBuffer, SpareBuffer, SurfaceImage, KeepTile, PatternTile);
  }
  Host.SurfaceChanged(kScreenRect);
  TransitionStep += kDissolveStepIncrement;
}

void TScreen::SlideFrame() {
  const int s = TransitionStep;
  if (Deferring) {
    // Frames that follow one another are drawn as one.
    if (DissolvePending || !PendingCopy.isEmpty() || (PendingSlideFrom >= 0 && PendingSlideTo != s)) Settle();
    if (PendingSlideFrom < 0) PendingSlideFrom = s;
    PendingSlideTo = s + 1;
  } else {
    Settle();
    DrawSlide(s, s + 1);
  }
  Host.SurfaceChanged(kScreenRect);
  ++TransitionStep;
  // At or past the last frame: a step can only get there through another kind handing over, and the effect
  // must still end.
  if (TransitionStep >= kSlideTicks) FinishTransition();
}

// The frames from step `from` up to `to`, in one pass: each frame moves the window's own picture on by the
// shift and shows another strip of the stage, so together they move it on by the strips they show.
void TScreen::DrawSlide(int from, int to) {
  to = std::min(to, kSlideTicks);  // past the last frame nothing is left to move or show
  if (from >= to) return;
  const int x0 = kSlideShift * from, x1 = kSlideShift * to, shift = x1 - x0;
  for (int i = 0; i < kSlideBands; ++i) {
    const int upper = 4 * i, lower = 4 * i + 2;
    // Upper pair of rows: the window's own picture moves right, the stage shows from the left edge.
    BitBlt(SurfaceImage, {x1, upper}, SurfaceImage, QRect(x0, upper, kScreenWidth - x1, 2), roSrcCopy);
    CopyStageRectQuiet(x0, upper, x1, upper + 2);
    // Lower pair: it moves left, the stage shows from the right edge.
    BitBlt(SurfaceImage, {0, lower}, SurfaceImage, QRect(shift, lower, kScreenWidth - x1, 2), roSrcCopy);
    CopyStageRectQuiet(kScreenWidth - x1, lower, kScreenWidth - x0, lower + 2);
  }
}

void TScreen::CutFrame() {
  FinishOnWindow();
}

// The stage goes to the window and, as FinishTransition's copy, into ScreenBuffer in one pass: the same
// pictures as drawing and finishing one after the other, for the cost of little more than one copy.
void TScreen::FinishOnWindow() {
  if (Deferring) {
    // The window's picture is replaced whole: what the box's and the slide's frames noted for it goes, and it
    // is copied from ScreenBuffer when anything reads it. A dissolve's frames changed the buffers too.
    PendingCopy = QRect();
    PendingSlideFrom = PendingSlideTo = -1;
    SurfaceShowsScreen = false;
    Settle();
    if (HasBuffers()) BitBlt(ScreenBuffer, {0, 0}, StageBuffer, StageBuffer.rect(), roSrcCopy);
    SurfaceShowsScreen = true;
  } else {
    Settle();
    CopyTwice(SurfaceImage, ScreenBuffer, StageBuffer);
  }
  Host.SurfaceChanged(kScreenRect);
  TransitionKind = tkNone;
  TransitionStep = 0;
  Host.PostStep();
}

void TScreen::FinishTransition() {
  Settle();
  TransitionKind = tkNone;
  TransitionStep = 0;
  if (HasBuffers()) BitBlt(ScreenBuffer, {0, 0}, StageBuffer, StageBuffer.rect(), roSrcCopy);
  Host.PostStep();
}

void TScreen::RepaintSurface(const QRect& area) {
  if (!HasBuffers()) return;
  const QRect clipped = area.intersected(kScreenRect);
  if (clipped.isEmpty()) return;
  // A window that is to show ScreenBuffer whole, and nothing over it, shows it there too.
  if (SurfaceShowsScreen && !DissolvePending && PendingCopy.isEmpty() && PendingSlideFrom < 0) return;
  Settle();
  bool changed = false;
  const size_t rowBytes = static_cast<size_t>(clipped.width()) * sizeof(QRgb);
  for (int y = clipped.top(); y <= clipped.bottom() && !changed; ++y)
    changed = std::memcmp(reinterpret_cast<const QRgb*>(SurfaceImage.constScanLine(y)) + clipped.x(),
                          reinterpret_cast<const QRgb*>(ScreenBuffer.constScanLine(y)) + clipped.x(),
                          rowBytes) != 0;
  if (!changed) return;
  BitBlt(SurfaceImage, clipped.topLeft(), ScreenBuffer, clipped, roSrcCopy);
  Host.SurfaceChanged(clipped);
}

}  // namespace orbel::screen
