// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/stage_presenter.h"

#include <QCoreApplication>
#include <QGraphicsProxyWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "screen/screen.h"

namespace orbel::app {

namespace {

const QRect kStageRect(0, 0, screen::kScreenWidth, screen::kScreenHeight);

}  // namespace

QRect PictureRectFor(const QSize& area, TFit fit, int scale) {
  const int w = screen::kScreenWidth, h = screen::kScreenHeight;
  if (scale > 0) return QRect(0, 0, w * scale, h * scale);
  if (area.isEmpty()) return QRect(0, 0, w, h);
  QSize size;
  switch (fit) {
    case ftStretch:
      return QRect(QPoint(0, 0), area);
    case ftAspect:
      // Width and height in 4:3, as large as fits.
      size = area.width() * h >= area.height() * w ? QSize(area.height() * w / h, area.height())
                                                   : QSize(area.width(), area.width() * h / w);
      break;
    case ftInteger: {
      const int factor = std::max(1, std::min(area.width() / w, area.height() / h));
      size = QSize(w * factor, h * factor);
      break;
    }
  }
  return QRect(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
}

int AspectFactorFor(const QRect& picture) {
  return std::max(1, (picture.width() + screen::kScreenWidth - 1) / screen::kScreenWidth);
}

TStagePresenter::TStagePresenter(QWidget* parent)
    : QWidget(parent), StageImage(kStageRect.size(), QImage::Format_RGB32) {
  // Every pixel is painted here, black where the picture does not reach.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  StageImage.fill(Qt::black);
  Scene.setSceneRect(kStageRect);
  // The scene reports what changed once per round of the event loop; only that is read back.
  connect(&Scene, &QGraphicsScene::changed, this, &TStagePresenter::StageChanged);
}

TStagePresenter::~TStagePresenter() {
  // The stage belongs to whoever gave it; the scene must not delete it.
  Release();
}

void TStagePresenter::Attach(QWidget* stage) {
  Release();
  StageWidget = stage;
  Proxy = Scene.addWidget(stage);
  // The proxy would give the stage its preferred size; the stage is the 640x480 picture.
  Proxy->setMinimumSize(kStageRect.size());
  Proxy->setMaximumSize(kStageRect.size());
  Proxy->setGeometry(kStageRect);
  // The stage paints only the area asked for, not its whole picture, when a small part changed.
  Proxy->setFlag(QGraphicsItem::ItemUsesExtendedStyleOption);
  StageChanged({kStageRect});
}

QWidget* TStagePresenter::Release() {
  QWidget* stage = StageWidget;
  if (Proxy) {
    Proxy->setWidget(nullptr);
    Scene.removeItem(Proxy);
    delete Proxy;
    Proxy = nullptr;
  }
  StageWidget = nullptr;
  return stage;
}

void TStagePresenter::SetFit(TFit fit, int scale) {
  FitValue = fit;
  ScaleValue = scale;
  EnlargedImage = QImage();
  update();
}

void TStagePresenter::PresentNow() {
  // Only the stage's own update request and the scene's queued notices are delivered: nothing else is
  // dispatched (a waiting play lets no other event through). The scene takes two rounds: the dirty items,
  // then the notice of what changed.
  if (StageWidget) QCoreApplication::sendPostedEvents(StageWidget, QEvent::UpdateRequest);
  for (int round = 0; round < 2; ++round) QCoreApplication::sendPostedEvents(&Scene, QEvent::MetaCall);
  if (isVisible()) repaint();
}

void TStagePresenter::StageChanged(const QList<QRectF>& areas) {
  if (!Proxy) return;
  QRegion changed;
  for (const QRectF& area : areas) changed += area.toAlignedRect() & kStageRect;
  if (changed.isEmpty()) return;
  QPainter painter(&StageImage);
  for (const QRect& rect : changed) {
    painter.setClipRect(rect);
    Scene.render(&painter, QRectF(rect), QRectF(rect), Qt::IgnoreAspectRatio);
  }
  painter.end();
  for (const QRect& rect : changed) {
    if (!EnlargedImage.isNull()) RefreshEnlarged(rect);
    update(ScreenAreaOf(rect));
  }
}

QRect TStagePresenter::ScreenAreaOf(const QRect& area) const {
  const QRect picture = PictureRect();
  const double sx = double(picture.width()) / kStageRect.width();
  const double sy = double(picture.height()) / kStageRect.height();
  const int left = picture.x() + int(std::floor(area.left() * sx)) - 1;
  const int top = picture.y() + int(std::floor(area.top() * sy)) - 1;
  const int right = picture.x() + int(std::ceil((area.right() + 1) * sx)) + 1;
  const int bottom = picture.y() + int(std::ceil((area.bottom() + 1) * sy)) + 1;
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)) & rect();
}

void TStagePresenter::RefreshEnlarged(const QRect& area) {
  const int factor = EnlargedImage.width() / kStageRect.width();
  QPainter painter(&EnlargedImage);
  painter.drawImage(QRect(area.topLeft() * factor, area.size() * factor), StageImage, area);
}

void TStagePresenter::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect picture = PictureRect();
  for (const QRect& rect : event->region() - picture) painter.fillRect(rect, Qt::black);
  painter.setClipRegion(event->region() & picture);
  if (FitValue == ftAspect && ScaleValue <= 0 && picture.width() % kStageRect.width() != 0) {
    // Whole-factor blocks first, so every picture pixel gets the same width; one smooth step to the size.
    const int factor = AspectFactorFor(picture);
    if (EnlargedImage.width() != kStageRect.width() * factor) {
      EnlargedImage = QImage(kStageRect.size() * factor, QImage::Format_RGB32);
      RefreshEnlarged(kStageRect);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(picture, EnlargedImage);
  } else {
    // Nearest neighbour: each picture pixel a sharp block.
    painter.drawImage(picture, StageImage);
  }
}

void TStagePresenter::resizeEvent(QResizeEvent* event) {
  EnlargedImage = QImage();
  QWidget::resizeEvent(event);
}

void TStagePresenter::mouseMoveEvent(QMouseEvent* event) {
  if (OnMouseMove) OnMouseMove(static_cast<int>(event->position().y()));
  QWidget::mouseMoveEvent(event);
}

}  // namespace orbel::app
