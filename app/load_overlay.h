#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TLoadOverlay: what the window shows while a load replays the game. Nobody is to see a replayed scene, so
// from the moment the load is asked for it covers the picture area with the picture the window showed then;
// after a moment (a quick load shows nothing else) that picture is dimmed under a sign and a bar of the steps
// replayed of the save's. It is a child of the window, over the view or the enlarged presentation alike, so
// nothing drawn beneath it reaches the screen, and neither --grab nor --record ever sees it.

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace orbel::app {

class TLoadOverlay : public QWidget {
  Q_OBJECT
 public:
  // How long a load runs before its sign comes.
  static constexpr int kSignDelayMs = 300;

  explicit TLoadOverlay(QWidget* window);

  // Covers `area` (window coordinates) with `picture` until Finish; `progress` says how far the replay is,
  // from 0 to 1.
  void Begin(const QImage& picture, const QRect& area, std::function<double()> progress);
  void Finish();
  bool Active() const { return !isHidden(); }
  // The sign and the bar are shown (the load has run for kSignDelayMs).
  bool Signed() const { return Dimmed; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage Picture;
  std::function<double()> Progress;
  QTimer SignTimer, BarTimer;  // the toolkit's own: they count the player's time, not the game's
  bool Dimmed = false;
};

}  // namespace orbel::app
