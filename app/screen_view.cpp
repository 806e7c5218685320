// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/screen_view.h"

#include <QChildEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include "controls/board.h"

namespace orbel::app {

TScreenView::TScreenView(screen::TScreen& screen, QWidget* parent) : QWidget(parent), Screen(&screen) {
  // The view paints every pixel it owns itself; the system never erases it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
}

void TScreenView::SetScreen(screen::TScreen& screen) {
  Screen = &screen;
  FrameUpdates = QRegion();
  SystemRepaint(rect());
}

void TScreenView::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(static_cast<int>(event->position().y()));
  QWidget::mouseMoveEvent(event);
}

void TScreenView::SurfaceChanged(const QRect& area) {
  FrameUpdates += area;
  if (!Held) update(area);
}

void TScreenView::PresentPending() {
  if (!Held && !FrameUpdates.isEmpty() && isVisible()) repaint(FrameUpdates);
}

void TScreenView::HoldFrames(bool hold) {
  if (hold == Held) return;
  Held = hold;
  if (!Held && !FrameUpdates.isEmpty()) update(FrameUpdates);
}

QImage TScreenView::GrabPresented() {
  Grabbing = true;
  const QImage shown = grab(QRect(0, 0, screen::kScreenWidth, screen::kScreenHeight)).toImage();
  Grabbing = false;
  return shown.convertToFormat(QImage::Format_RGB32);
}

void TScreenView::SystemRepaint(const QRect& area, const QWidget* uncoveredBy) {
  if (Closed || area.isEmpty()) return;
  // The surface reports through SurfaceChanged when this changed what it shows.
  Screen->RepaintSurface(area);
  if (!uncoveredBy) return;
  // Siblings of the child that went away are repainted too where it lay over them (Movie1 over the board).
  for (QObject* object : children()) {
    auto* board = qobject_cast<controls::TBoard*>(object);
    if (board && board != uncoveredBy && board->isVisible() && board->geometry().intersects(area))
      board->SystemRepaint(area.intersected(board->geometry()).translated(-board->pos()));
  }
}

void TScreenView::Uncovered(const QRect& before, const QWidget* child) {
  for (const QRect& rect : QRegion(before) - child->geometry()) SystemRepaint(rect, child);
}

// The toolkit repaints whatever a child control uncovers; those areas are repainted by the system's rule.
void TScreenView::childEvent(QChildEvent* event) {
  if (event->added() && event->child()->isWidgetType()) event->child()->installEventFilter(this);
  QWidget::childEvent(event);
}

bool TScreenView::eventFilter(QObject* watched, QEvent* event) {
  // The controls' own children (a movie's picture) are watched as well: their paints change the picture too.
  if (event->type() == QEvent::ChildAdded) {
    QObject* added = static_cast<QChildEvent*>(event)->child();
    if (added->isWidgetType()) added->installEventFilter(this);
  }
  if (event->type() == QEvent::Paint && !Grabbing && !Closed && OnPainted) OnPainted();
  auto* child = qobject_cast<QWidget*>(watched);
  if (child && child->parentWidget() == this && !child->isWindow()) {
    switch (event->type()) {
      case QEvent::Hide:
        SystemRepaint(child->geometry(), child);
        break;
      case QEvent::Move:
        if (child->isVisible())
          Uncovered(QRect(static_cast<QMoveEvent*>(event)->oldPos(), child->size()), child);
        break;
      case QEvent::Resize:
        if (child->isVisible())
          Uncovered(QRect(child->pos(), static_cast<QResizeEvent*>(event)->oldSize()), child);
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TScreenView::resizeEvent(QResizeEvent* event) {
  SystemRepaint(rect());
  QWidget::resizeEvent(event);
}

void TScreenView::moveEvent(QMoveEvent* event) {
  SystemRepaint(rect());
  QWidget::moveEvent(event);
}

void TScreenView::showEvent(QShowEvent* event) {
  SystemRepaint(rect());
  QWidget::showEvent(event);
}

void TScreenView::paintEvent(QPaintEvent* event) {
  if (Closed || !Screen->HasBuffers()) return;
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const QRect& rect : event->region()) {
    const QRect area = rect.intersected(Screen->Surface().rect());
    if (!area.isEmpty()) painter.drawImage(area.topLeft(), Screen->Surface(), area);
  }
  if (Grabbing) return;
  FrameUpdates -= event->region();
  if (OnPainted) OnPainted();
}

}  // namespace orbel::app
