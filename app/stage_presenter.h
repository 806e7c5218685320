#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shows the 640x480 stage (the picture view with the board and the movies on it) enlarged: in a zoomed window
// or in full screen at the desktop's own resolution. The stage stays a 640x480 widget tree that the script,
// the frames and the controls use as they always do; it lives off screen, and each area it changes is read
// back into a 640x480 image and drawn enlarged. Nothing is drawn while nothing changes.

#include <QGraphicsScene>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <functional>

#include "app/options.h"

class QGraphicsProxyWidget;

namespace orbel::app {

// The picture's place in an area of the given size: `scale` pixels per picture pixel when it is above 0 (at
// the top-left corner), else as `fit` says.
QRect PictureRectFor(const QSize& area, TFit fit, int scale);
// The whole factor the aspect fit enlarges by before its smooth step (at least 1).
int AspectFactorFor(const QRect& picture);

class TStagePresenter : public QWidget {
  Q_OBJECT
 public:
  explicit TStagePresenter(QWidget* parent = nullptr);
  ~TStagePresenter() override;

  // Takes `stage` (640x480) off screen and shows it; Release gives it back without a parent.
  void Attach(QWidget* stage);
  QWidget* Release();
  QWidget* Stage() const { return StageWidget; }

  void SetFit(TFit fit, int scale);
  TFit Fit() const { return FitValue; }
  int Scale() const { return ScaleValue; }
  // Where the picture lies in the presenter.
  QRect PictureRect() const { return PictureRectFor(size(), FitValue, ScaleValue); }

  // The presenter's area that shows the stage's `area`, with a pixel to spare for the smooth step.
  QRect ScreenAreaOf(const QRect& area) const;

  // Reads the changed stage areas back and presents them now (for frames shown without the event loop).
  void PresentNow();

  // The pointer moved over the presenter, at height y in its own (screen) pixels.
  std::function<void(int)> OnMouseMove;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void StageChanged(const QList<QRectF>& areas);
  void RefreshEnlarged(const QRect& area);

  QGraphicsScene Scene;
  QGraphicsProxyWidget* Proxy = nullptr;
  QWidget* StageWidget = nullptr;
  QImage StageImage;     // the stage as last read back
  QImage EnlargedImage;  // the aspect fit's whole-factor enlargement
  TFit FitValue = ftInteger;
  int ScaleValue = 1;
};

}  // namespace orbel::app
