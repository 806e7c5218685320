#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TPresentation: how the window shows its 640x480 stage on today's displays: 1:1, in a zoomed window, or in
// the enlarged full screen at the desktop's resolution (through a TStagePresenter), and the window's frame
// and size for each. The picture itself never changes size; only its way to the screen does.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

#include "app/options.h"

class QMainWindow;

namespace orbel::platform {
class TDisplaySettings;
}

namespace orbel::app {

class TScreenView;
class TStagePresenter;

class TPresentation {
 public:
  // `window` shows `view` as its central widget; `display` gives the screen's size for the framed-less modes.
  TPresentation(QMainWindow& window, TScreenView& view, platform::TDisplaySettings& display, int scale,
                TFit fit);
  ~TPresentation();

  // Shows the stage directly (1:1) or through the presenter (enlarged), as the presentation now asks.
  void Apply();
  // What the frames drew last reaches the display now.
  void PresentPending();

  void ShowFrame(bool show);
  bool HasFrame() const;
  void ShowScaledFullScreen(bool show);
  void FitClientArea();
  // Lowers the window's scale to the largest whose picture and menu bar fit the screen's available area,
  // with a note on standard error: a window larger than the screen hides the board and the menu.
  void FitScaleToScreen();
  // The picture area a window mode gives: 640x480 times the window's scale.
  QSize WindowPictureSize() const;
  // The window's size without its frame for that picture: the picture area and the menu bar when attached.
  QSize ClientAreaSize() const;

  int WindowScale() const { return WindowScaleValue; }
  TFit FitMode() const { return FitModeValue; }
  bool ScaledFullScreen() const { return ScaledFullScreenValue; }
  TStagePresenter* Presenter() const { return PresenterValue; }

  // A mouse move over the enlarged picture, at client height y.
  std::function<void(int)> OnMouseMove;
  // Called after each frame a waiting play paints outside the event loop, when Recording says so.
  std::function<void()> OnSynchronousFrame;
  std::function<bool()> Recording;

 private:
  QMainWindow& Window;
  TScreenView& View;
  platform::TDisplaySettings& Display;
  TStagePresenter* PresenterValue = nullptr;
  int WindowScaleValue = 1;
  TFit FitModeValue = ftInteger;
  bool ScaledFullScreenValue = false;
  QRect WindowedGeometry;
  std::optional<QPoint> WindowedPosition;
};

}  // namespace orbel::app
