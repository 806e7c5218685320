#include "screen/screen.h"

#include <QPainter>

#include "screen/bitmap_file.h"

namespace orbel::screen {

namespace {
constexpr QImage::Format kPixelFormat = QImage::Format_RGB32;
const QRect kScreenRect(0, 0, kScreenWidth, kScreenHeight);

void CopyRect(QImage& dest, QPoint at, const QImage& source, QRect from) {
  QPainter painter(&dest);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(at, source, from);
}
}  // namespace

TScreen::TScreen(IScreenHost& host) : Host(host) {}

void TScreen::CreateBuffers() {
  PatternTile = QImage(8, 8, kPixelFormat);
  ScreenBuffer = QImage(kScreenWidth, kScreenHeight, kPixelFormat);
  ScreenBuffer.fill(Qt::black);
  StageBuffer = QImage(kScreenWidth, kScreenHeight, kPixelFormat);
  StageBuffer.fill(Qt::black);
  SpareBuffer = QImage(kScreenWidth, kScreenHeight, kPixelFormat);
  SurfaceImage = QImage(kScreenWidth, kScreenHeight, kPixelFormat);
  SurfaceImage.fill(Qt::black);
}

void TScreen::ReleaseBuffers() {
  PatternTile = QImage();
  ScreenBuffer = QImage();
  StageBuffer = QImage();
  SpareBuffer = QImage();
}

void TScreen::SetWall(const QImage& wall) { WallImage = wall.convertToFormat(kPixelFormat); }
void TScreen::SetBrushImage(const QImage& brush) { BrushImage = brush; }

void TScreen::PrepareStage(int32_t mode) {
  if (!HasBuffers()) return;
  switch (mode) {
    case 0: {
      if (WallImage.isNull()) return;
      const int w = WallImage.width(), h = WallImage.height();
      for (int r = 0; r <= (kScreenHeight - 1) / h; ++r)
        for (int c = 0; c <= (kScreenWidth - 1) / w; ++c) CopyRect(StageBuffer, {c * w, r * h}, WallImage, WallImage.rect());
      break;
    }
    case 1: StageBuffer.fill(Qt::black); break;
    case 2: StageBuffer.fill(Qt::white); break;
    case 3: StageBuffer = ScreenBuffer.copy(); break;
    default: break;
  }
}

void TScreen::DispPicture(const std::string& fileName, int32_t mode, int32_t kind) {
  PrepareStage(mode);
  const std::string path = Host.FindDataFile(fileName);
  if (!path.empty()) {
    const QImage picture = LoadBitmapFile(path);
    if (HasBuffers()) CopyRect(StageBuffer, picture.height() >= 316 ? QPoint(0, 0) : QPoint(40, 20), picture, picture.rect());
  }
  if (kind >= 1 && kind <= 4) TransitionKind = kind;
}

void TScreen::TransPicture(const std::string& fileName, int32_t kind) {
  const std::string path = Host.FindDataFile(fileName);
  if (!path.empty()) {
    const QImage picture = LoadBitmapFile(path).convertToFormat(kPixelFormat);
    if (HasBuffers() && !picture.isNull()) {
      const QRgb key = picture.pixel(0, 0);
      for (int y = 0; y < std::min(picture.height(), kScreenHeight); ++y)
        for (int x = 0; x < std::min(picture.width(), kScreenWidth); ++x)
          if (picture.pixel(x, y) != key) StageBuffer.setPixel(x, y, picture.pixel(x, y));
    }
  }
  if (kind >= 1 && kind <= 4) TransitionKind = kind;
}

void TScreen::DrawOnSurface(const QImage& source, const QRect& sourceRect, QPoint target) {
  CopyRect(SurfaceImage, target, source, sourceRect);
  Host.SurfaceChanged(QRect(target, sourceRect.size()));
}

void TScreen::CopyStageRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
  const QRect area = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(kScreenRect);
  if (area.isEmpty()) return;
  DrawOnSurface(StageBuffer, area, area.topLeft());
}

// Until the effects are in, every kind cuts straight to the new picture.
void TScreen::ETimerTimer() {
  if (!HasBuffers() || !TransitionRunning()) return;
  DrawOnSurface(StageBuffer, kScreenRect, {0, 0});
  FinishTransition();
}

void TScreen::FinishTransition() {
  TransitionKind = 0;
  TransitionStep = 0;
  if (HasBuffers()) ScreenBuffer = StageBuffer.copy();
  Host.PostStep();
}

void TScreen::RepaintSurface(const QRect& area) {
  if (!HasBuffers()) return;
  const QRect clipped = area.intersected(kScreenRect);
  if (clipped.isEmpty()) return;
  CopyRect(SurfaceImage, clipped.topLeft(), ScreenBuffer, clipped);
}

}  // namespace orbel::screen
