// SPDX-License-Identifier: GPL-3.0-or-later

#include "controls/board.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/errors.h"

namespace orbel::controls {

namespace {

// The standard window colours of the era's default scheme: the plain board look and the text colour.
const QColor kWindowColour(255, 255, 255);
const QColor kWindowFrameColour(0, 0, 0);
const QColor kWindowTextColour(0, 0, 0);
const QColor kTextImageBrush(255, 255, 255);

// The reveal zooms in over five frames before the full picture.
constexpr int kRevealFrames = 5;
constexpr int kRevealIntervalMs = 50;

// A hostile margin must not turn into a huge off-screen picture; no real board comes near this.
constexpr std::int64_t kMaxTextImagePixels = 16 * 1024 * 1024;

// Drawing copy of the board's font. The text is drawn without smoothing, like the bitmap-era system the
// games were written for, so the ink is the font colour and nothing in between.
QFont CanvasCopy(const QFont& font) {
  QFont copy(font);
  copy.setStyleStrategy(QFont::NoAntialias);
  return copy;
}

// The height of a string as drawn: the font's cell (ascent plus descent), whatever the characters.
int TextHeight(const QFont& font, const QString& text) {
  return QFontMetrics(font).size(Qt::TextSingleLine, text).height();
}

// Whether the rectangle (x, y, width, height) reaches into an area of `areaWidth` x `areaHeight` from (0, 0).
// Wide integers: a hostile margin or line count must not wrap around onto the area.
bool Overlaps(int areaWidth, int areaHeight, std::int64_t x, std::int64_t y, std::int64_t width,
              std::int64_t height) {
  return x < areaWidth && y < areaHeight && x + width > 0 && y + height > 0;
}

// Whether the rectangle (x, y, width, height) overlaps the picture `painter` draws on.
bool OnPicture(const QPainter& painter, std::int64_t x, std::int64_t y, std::int64_t width,
               std::int64_t height) {
  const QPaintDevice* device = painter.device();
  return device != nullptr && Overlaps(device->width(), device->height(), x, y, width, height);
}

// Draws one board line with its top-left corner at (x, y), opaque: every character cell takes `brush` first.
void DrawLine(QPainter& painter, const QFont& font, const QColor& colour, const QColor& brush, int x, int y,
              const QString& text) {
  if (text.isEmpty()) return;
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(text);
  // Lines wholly off the picture are skipped: far-off coordinates are not worth handing to the rasterizer.
  if (!OnPicture(painter, x, y, width, metrics.height())) return;
  painter.fillRect(QRect(x, y, width, metrics.height()), brush);
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(x, y + metrics.ascent(), text);
}

// Draws the board's lines one line height apart from (x, top), in `font`'s height of "M". Only whole lines
// down to `bottom` are drawn: the first one that would reach past it ends the list.
void DrawLines(QPainter& painter, const QFont& font, const QColor& colour, const QColor& brush, int x,
               int top, int bottom, const QStringList& lines) {
  const int h = TextHeight(font, QStringLiteral("M"));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const std::int64_t lineTop = top + std::int64_t{h} * static_cast<std::int64_t>(i);
    if (lineTop + h > bottom) break;
    DrawLine(painter, font, colour, brush, x, static_cast<int>(lineTop), lines[i]);
  }
}

// Copies `source` into `area` of `target`, squeezing or stretching it vertically by dropping or repeating
// whole rows (no smoothing); the width is not scaled. Both images are 32 bits per pixel. Clipped to `target`.
void StretchRows(const QImage& source, QImage& target, const QRect& area) {
  if (source.isNull() || target.isNull() || area.height() <= 0 || area.width() <= 0) return;
  const int left = std::max(0, area.left());
  const int right = std::min(target.width(), area.left() + std::min(area.width(), source.width()));
  if (left >= right) return;
  const int sourceX = left - area.left();
  const std::int64_t rows = area.height();
  for (int dy = 0; dy < area.height(); ++dy) {
    const int y = area.top() + dy;
    if (y < 0 || y >= target.height()) continue;
    // The source row under the middle of the target row.
    const int sourceY = static_cast<int>(((2 * std::int64_t{dy} + 1) * source.height()) / (2 * rows));
    const auto* from = reinterpret_cast<const std::uint32_t*>(source.constScanLine(sourceY)) + sourceX;
    auto* to = reinterpret_cast<std::uint32_t*>(target.scanLine(y)) + left;
    std::memcpy(to, from, static_cast<size_t>(right - left) * sizeof(std::uint32_t));
  }
}

}  // namespace

TBoard::TBoard(QWidget* parent)
    : QWidget(parent), FontColourValue(kWindowTextColour), CanvasBrush(kTextImageBrush) {
  // The board paints every pixel itself; nothing is erased or painted behind it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  // Keys belong to the main window.
  setFocusPolicy(Qt::NoFocus);
  QFont fixedPitch = font();
  fixedPitch.setFixedPitch(true);
  setFont(fixedPitch);
  CanvasFont = CanvasCopy(font());
  RevealTimer.SetCallback([this] { RevealTick(); });
  resize(320, 72);
}

void TBoard::SetText(const QStringList& lines) {
  // Copied first: the caller may hand in Text() itself, which is emptied next.
  QStringList newLines(lines);
  TextLines.clear();
  RepaintNow();
  TextLines = std::move(newLines);
  RenderTextImage();
  // A running reveal goes on from its step; starting the timer again would also delay its next frame.
  if (!RevealTimer.IsActive()) RevealTimer.Start(kRevealIntervalMs);
}

void TBoard::SetBitmap(const QImage& picture) {
  BitmapImage = picture;
  if (!picture.isNull()) resize(picture.size());
  RepaintNow();
}

void TBoard::SetMargin(int margin) {
  MarginValue = margin;
  RepaintNow();
}

void TBoard::SetFontColour(const QColor& colour) {
  // The colour belongs to the font: like any font change, it shows in a paint at once.
  FontColourValue = colour;
  PaintBoard();
  ShowSurface(rect());
}

void TBoard::RepaintNow() {
  PaintBoard();
  if (isVisible() && !Unseen) repaint();
}

void TBoard::SetUnseen(bool unseen) {
  if (unseen == Unseen) return;
  Unseen = unseen;
  if (unseen) return;
  Settle();
  ShowSurface(rect());
}

void TBoard::Settle() {
  if (OwedPaint) {
    const TPaint paint = std::move(*OwedPaint);
    OwedPaint.reset();
    Paint(paint, QRect());
  }
  if (OwedFrames.empty()) return;
  const std::vector<TOwedFrame> frames = std::move(OwedFrames);
  OwedFrames.clear();
  for (const TOwedFrame& frame : frames) {
    if (frame.Whole) {
      QPainter painter(&SurfaceImage);
      painter.drawImage(frame.Area.topLeft(), TextImageValue);
    } else {
      StretchRows(TextImageValue, SurfaceImage, frame.Area);
    }
  }
}

void TBoard::SystemRepaint(const QRect& area) {
  const QRect clipped = area.intersected(rect());
  if (clipped.isEmpty()) return;
  PaintBoard(clipped);
  ShowSurface(clipped);
}

void TBoard::RevealTick() {
  const int textWidth = TextImageValue.width();
  const int textHeight = TextImageValue.height();
  // A margin changed since the text was rendered may put the picture anywhere; only what lands on the board
  // is drawn.
  const auto onBoard = [this](std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
    return w > 0 && h > 0 && Overlaps(width(), height(), x, y, w, h);
  };
  if (RevealStepValue >= kRevealFrames) {
    RevealTimer.Stop();
    RevealStepValue = 0;
    if (!SurfaceImage.isNull() && onBoard(MarginValue, MarginValue, textWidth, textHeight)) {
      const QRect area(MarginValue, MarginValue, textWidth, textHeight);
      if (Unseen) {
        OwedFrames.push_back({area, true});
      } else {
        Settle();
        QPainter painter(&SurfaceImage);
        painter.drawImage(MarginValue, MarginValue, TextImageValue);
        ShowSurface(area);
      }
    }
    if (OnRevealed) OnRevealed();
    return;
  }
  // The frames grow to one line height, centred on the first line while they are shorter than half of it.
  const int step = RevealStepValue;
  const int h = TextHeight(CanvasFont, QString(QChar(0xFF21)));  // full-width "Ａ"
  const int a = h - (4 - step) * (h / 4);
  const int b = std::max(0, (h - 2 * a) / 2);
  if (!SurfaceImage.isNull() && onBoard(MarginValue, std::int64_t{MarginValue} + b, textWidth, a)) {
    const QRect frame(MarginValue, MarginValue + b, textWidth, a);
    if (Unseen) {
      OwedFrames.push_back({frame, false});
    } else {
      Settle();
      StretchRows(TextImageValue, SurfaceImage, frame);
      ShowSurface(frame);
    }
  }
  ++RevealStepValue;
}

void TBoard::PaintBoard(const QRect& clip) {
  if (width() <= 0 || height() <= 0) return;
  if (SurfaceImage.size() != size()) {
    Settle();
    QImage resized(size(), QImage::Format_RGB32);
    resized.fill(Qt::black);
    if (!SurfaceImage.isNull()) {
      QPainter keep(&resized);
      keep.drawImage(0, 0, SurfaceImage);
    }
    SurfaceImage = resized;
  }
  CanvasFont = CanvasCopy(font());
  if (BitmapImage.isNull()) CanvasBrush = kWindowColour;
  // A whole paint covers everything drawn before it, unless its picture lets that show through.
  if (Unseen && !clip.isValid() && !BitmapImage.hasAlphaChannel()) {
    OwedPaint = CurrentPaint();
    OwedFrames.clear();
    return;
  }
  Settle();
  Paint(CurrentPaint(), clip);
}

TBoard::TPaint TBoard::CurrentPaint() const {
  return {TextLines, BitmapImage, CanvasFont, FontColourValue, CanvasBrush, MarginValue};
}

void TBoard::Paint(const TPaint& paint, const QRect& clip) {
  QPainter painter(&SurfaceImage);
  if (clip.isValid()) painter.setClipRect(clip);
  if (paint.Bitmap.isNull()) {
    painter.fillRect(SurfaceImage.rect(), kWindowColour);
    painter.setPen(QPen(kWindowFrameColour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, SurfaceImage.width() - 1, SurfaceImage.height() - 1);
  } else {
    painter.drawImage(0, 0, paint.Bitmap);
  }
  DrawLines(painter, paint.Font, paint.Colour, paint.Brush, paint.Margin, paint.Margin, SurfaceImage.height(),
            paint.Lines);
}

void TBoard::RenderTextImage() {
  const std::int64_t imageWidth = std::int64_t{width()} - 2 * std::int64_t{MarginValue};
  const std::int64_t imageHeight = std::int64_t{height()} - 2 * std::int64_t{MarginValue};
  if (imageWidth <= 0 || imageHeight <= 0 || imageWidth > kMaxTextImagePixels ||
      imageHeight > kMaxTextImagePixels || imageWidth * imageHeight > kMaxTextImagePixels) {
    TextImageValue = QImage();
    return;
  }
  TextImageValue = QImage(static_cast<int>(imageWidth), static_cast<int>(imageHeight), QImage::Format_RGB32);
  TextImageValue.fill(kTextImageBrush);
  QPainter painter(&TextImageValue);
  // Lines are counted against the board's height, not the picture's: the last one may be cut at its bottom.
  DrawLines(painter, CanvasCopy(font()), FontColourValue, kTextImageBrush, 0, 0, height(), TextLines);
}

void TBoard::ShowSurface(const QRect& area) {
  if (isVisible() && !Unseen && area.isValid()) update(area);
}

void TBoard::paintEvent(QPaintEvent* event) {
  if (SurfaceImage.size() != size()) PaintBoard();
  // Unseen, the window shows what it had; being seen again shows the rest.
  if (!Unseen) Settle();
  QPainter painter(this);
  painter.drawImage(event->rect(), SurfaceImage, event->rect());
}

void TBoard::showEvent(QShowEvent* event) {
  // Showing the board paints it through the paint operation: the lines appear at once, without a reveal.
  PaintBoard();
  QWidget::showEvent(event);
}

void TBoard::resizeEvent(QResizeEvent* event) {
  PaintBoard();
  QWidget::resizeEvent(event);
}

void TBoard::changeEvent(QEvent* event) {
  // A new font shows in the next paint; a reveal already running keeps stretching the old picture.
  if (event->type() == QEvent::FontChange) PaintBoard();
  QWidget::changeEvent(event);
}

QImage LoadBoardPicture() {
  const QString path = QStringLiteral(":/orbel/board.bmp");
  QImage picture(path);
  if (picture.isNull()) throw EOrbelError(QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(path).toStdString());
  return picture;
}

void ConfigureMsgBoard(TBoard& board) {
  ConfigureMsgBoard(board, LoadBoardPicture());
}

void ConfigureMsgBoard(TBoard& board, const QImage& picture) {
  board.SetBitmap(picture);
  board.SetMargin(6);
  QFont font(QStringLiteral("ＭＳ ゴシック"));
  font.setPixelSize(18);
  font.setFixedPitch(true);
  font.setWeight(QFont::Normal);
  font.setStyle(QFont::StyleNormal);
  board.setFont(font);
  board.SetFontColour(kWindowTextColour);
  board.hide();
  board.Text() = QStringList{QStringLiteral("１２３４５６７８９０１２３４５６７８９０１２３４５６７８９０"),
                             QStringLiteral("てすとすてすとくめま"), QStringLiteral("くはめひろりまろりこ")};
  board.RepaintNow();
}

}  // namespace orbel::controls
