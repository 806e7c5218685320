#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's picture area: shows the screen's surface image at the top-left and nothing else. Areas the
// frames drew are simply shown; any other repaint (show, expose, a child hidden over it) first copies
// ScreenBuffer into the surface, as the engine's paint handling prescribes.

#include <QRegion>
#include <QWidget>
#include <functional>

#include "screen/screen.h"

namespace orbel::app {

class TScreenView : public QWidget {
  Q_OBJECT
 public:
  TScreenView(screen::TScreen& screen, QWidget* parent);

  // A frame drew into the surface: show that area without touching the surface.
  void SurfaceChanged(const QRect& area);

  // Called after every paint (a repaint may have changed the surface).
  std::function<void()> OnPainted;
  // The pointer moved over the view, at client height y.
  std::function<void(int)> OnMouseMove;
  bool Closed = false;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  screen::TScreen& Screen;
  QRegion FrameUpdates;
  bool Repainting = false;
};

}  // namespace orbel::app
