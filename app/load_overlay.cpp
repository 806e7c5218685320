// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/load_overlay.h"

#include <QPainter>
#include <algorithm>

#include "platform/translation.h"

namespace orbel::app {

namespace {

constexpr int kBarRefreshMs = 100;
constexpr int kBarWidth = 240, kBarHeight = 10;

}  // namespace

TLoadOverlay::TLoadOverlay(QWidget* window) : QWidget(window) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  hide();
  SignTimer.setSingleShot(true);
  connect(&SignTimer, &QTimer::timeout, this, [this] {
    Dimmed = true;
    BarTimer.start(kBarRefreshMs);
    update();
  });
  connect(&BarTimer, &QTimer::timeout, this, [this] { update(); });
}

void TLoadOverlay::Begin(const QImage& picture, const QRect& area, std::function<double()> progress) {
  Picture = picture;
  Progress = std::move(progress);
  Dimmed = false;
  BarTimer.stop();
  setGeometry(area);
  raise();
  show();
  // On the screen before the replay draws anything beneath it.
  repaint();
  SignTimer.start(kSignDelayMs);
}

void TLoadOverlay::Finish() {
  SignTimer.stop();
  BarTimer.stop();
  Dimmed = false;
  Picture = QImage();
  hide();
}

void TLoadOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!Picture.isNull()) painter.drawImage(rect(), Picture);
  if (!Dimmed) return;
  painter.fillRect(rect(), QColor(0, 0, 0, 150));
  const QString sign = platform::Tr("Window", "Loading").QStr();
  QFont font = painter.font();
  font.setPixelSize(20);
  painter.setFont(font);
  painter.setPen(Qt::white);
  const QRect bar(width() / 2 - kBarWidth / 2, height() / 2 + 8, kBarWidth, kBarHeight);
  painter.drawText(QRect(0, bar.top() - 40, width(), 32), Qt::AlignCenter, sign);
  painter.drawRect(bar.adjusted(0, 0, -1, -1));
  const double done = std::clamp(Progress ? Progress() : 0.0, 0.0, 1.0);
  painter.fillRect(
      bar.adjusted(2, 2, -2, -2).adjusted(0, 0, -static_cast<int>((kBarWidth - 4) * (1 - done)), 0),
      Qt::white);
}

}  // namespace orbel::app
