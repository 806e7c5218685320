#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's picture area. It only ever shows the screen's surface image, which is "the window": the
// frames draw into the surface and ask for their area to be shown. A system repaint (the view shown, resized
// or moved, a child control hidden, moved or shrunk over it) copies ScreenBuffer into that area of the
// surface at the moment it happens, as the engine's paint handling prescribes, and is then shown like a
// frame; so no repaint is lost to a frame pending at the same place, and painting itself has no side
// effects (a grab of the window changes nothing).

#include <QImage>
#include <QRegion>
#include <QWidget>
#include <functional>

#include "screen/screen.h"

namespace orbel::app {

class TScreenView : public QWidget {
  Q_OBJECT
 public:
  TScreenView(screen::TScreen& screen, QWidget* parent);

  // The screen of the run the window shows from now on: what it holds is shown at once.
  void SetScreen(screen::TScreen& screen);

  // A frame drew into the surface: show that area without touching the surface.
  void SurfaceChanged(const QRect& area);
  // Paints at once what has changed and has not been shown yet.
  void PresentPending();
  // While held, frames are collected but not painted (a replay draws thousands nobody sees); on release the
  // view shows everything they changed.
  void HoldFrames(bool hold);
  // The 640x480 picture as the window presents it, child controls included.
  QImage GrabPresented();

  // Called whenever the view or a control on it (the board, a movie and its picture) paints, a grab
  // excepted: the window's picture may have changed. A control's paint is reported as it starts, so the
  // picture is to be read once the paint is over, not from inside this call.
  std::function<void()> OnPainted;
  // The pointer moved over the view, at client height y.
  std::function<void(int)> OnMouseMove;
  bool Closed = false;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void childEvent(QChildEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The system repaints `area` (view coordinates) now: the surface below from ScreenBuffer, and the boards
  // that a child control uncovered through their own paint operation.
  void SystemRepaint(const QRect& area, const QWidget* uncoveredBy = nullptr);

  // A child control that covered `before` no longer covers all of it.
  void Uncovered(const QRect& before, const QWidget* child);

  screen::TScreen* Screen;
  QRegion FrameUpdates;
  bool Grabbing = false;
  bool Held = false;
};

}  // namespace orbel::app
