// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/screen_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace orbel::app {

TScreenView::TScreenView(screen::TScreen& screen, QWidget* parent) : QWidget(parent), Screen(screen) {
  // The view paints every pixel it owns itself; the system never erases it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
}

void TScreenView::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(static_cast<int>(event->position().y()));
  QWidget::mouseMoveEvent(event);
}

void TScreenView::SurfaceChanged(const QRect& area) {
  // A change made by the repaint in progress is shown by that same paint.
  if (Repainting) return;
  FrameUpdates += area;
  update(area);
}

void TScreenView::paintEvent(QPaintEvent* event) {
  if (Closed || !Screen.HasBuffers()) return;
  const QRegion systemRepaint = event->region() - FrameUpdates;
  FrameUpdates = QRegion();
  Repainting = true;
  for (const QRect& rect : systemRepaint) Screen.RepaintSurface(rect);
  Repainting = false;
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const QRect& rect : event->region()) {
    const QRect area = rect.intersected(Screen.Surface().rect());
    if (!area.isEmpty()) painter.drawImage(area.topLeft(), Screen.Surface(), area);
  }
  if (OnPainted) OnPainted();
}

}  // namespace orbel::app
