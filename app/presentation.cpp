// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/presentation.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>
#include <cstdio>

#include "app/screen_view.h"
#include "app/stage_presenter.h"
#include "media/media_layer.h"
#include "platform/display_settings.h"
#include "platform/translation.h"
#include "screen/screen.h"

namespace orbel::app {

TPresentation::TPresentation(QMainWindow& window, TScreenView& view, platform::TDisplaySettings& display,
                             int scale, TFit fit)
    : Window(window),
      View(view),
      Display(display),
      WindowScaleValue(std::clamp(scale, 1, 8)),
      FitModeValue(fit) {}

TPresentation::~TPresentation() {
  // The stage goes back under the window, so that its controls close their devices with it.
  if (PresenterValue && PresenterValue->Release()) View.setParent(&Window);
  media::SetSynchronousFrameHook(nullptr);
}

QSize TPresentation::WindowPictureSize() const {
  return QSize(screen::kScreenWidth, screen::kScreenHeight) * WindowScaleValue;
}

QSize TPresentation::ClientAreaSize() const {
  const QSize picture = WindowPictureSize();
  const bool menuBar = !Window.menuBar()->isHidden();
  return {picture.width(), picture.height() + (menuBar ? Window.menuBar()->sizeHint().height() : 0)};
}

bool TPresentation::HasFrame() const {
  return !(Window.windowFlags() & Qt::FramelessWindowHint) && !ScaledFullScreenValue;
}

void TPresentation::ShowFrame(bool show) {
  QRect outer = Window.geometry();
  // Back from full screen, the window returns to where the player had it.
  if (show && !HasFrame() && WindowedPosition) outer.moveTopLeft(*WindowedPosition);
  if (!show && HasFrame()) WindowedPosition = Window.geometry().topLeft();
  Window.setMinimumSize(0, 0);
  Window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  Window.setWindowFlag(Qt::FramelessWindowHint, !show);
  if (show) {
    // A fixed single frame: the size stays as the window modes set it.
    Window.setGeometry(outer);
    Window.setFixedSize(outer.size());
  } else {
    // Full screen: the window covers the screen from its top-left corner.
    Window.setGeometry(0, 0, Display.ScreenWidth(), Display.ScreenHeight());
  }
  Apply();
  Window.show();
  // A new frame means a new native window: the keys must still come here without a click.
  Window.raise();
  Window.activateWindow();
}

void TPresentation::ShowScaledFullScreen(bool show) {
  if (show == ScaledFullScreenValue) return;
  if (show) {
    if (HasFrame()) WindowedGeometry = Window.geometry();
    ScaledFullScreenValue = true;
    Window.setMinimumSize(0, 0);
    Window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    Apply();
    // An X server without a window manager places nothing itself: the window takes the screen's area.
    if (const QScreen* screen = Window.screen()) Window.setGeometry(screen->geometry());
    Window.showFullScreen();
  } else {
    ScaledFullScreenValue = false;
    Window.showNormal();
    Apply();
    if (WindowedGeometry.isValid()) Window.setGeometry(WindowedGeometry);
    FitClientArea();
  }
  Window.raise();
  Window.activateWindow();
}

void TPresentation::Apply() {
  const bool modeSwitched = !ScaledFullScreenValue && (Window.windowFlags() & Qt::FramelessWindowHint);
  const bool enlarged = ScaledFullScreenValue || (!modeSwitched && WindowScaleValue > 1);
  if (enlarged && !PresenterValue) {
    Window.takeCentralWidget();
    PresenterValue = new TStagePresenter(&Window);
    PresenterValue->OnMouseMove = [this](int y) {
      if (OnMouseMove) OnMouseMove(y);
    };
    PresenterValue->Attach(&View);
    Window.setCentralWidget(PresenterValue);
  } else if (!enlarged && PresenterValue) {
    Window.takeCentralWidget();
    View.hide();
    PresenterValue->Release();
    delete PresenterValue;
    PresenterValue = nullptr;
    Window.setCentralWidget(&View);
    View.show();
  }
  // A play made to wait paints its frames without the event loop: the presenter shows each one, and the
  // recording takes it, from the hook.
  if (PresenterValue || (Recording && Recording()))
    media::SetSynchronousFrameHook([this] {
      if (PresenterValue) PresenterValue->PresentNow();
      if (OnSynchronousFrame) OnSynchronousFrame();
    });
  else
    media::SetSynchronousFrameHook(nullptr);
  // The real full-screen modes show the picture 1:1 at the top-left, the window modes at their scale.
  if (PresenterValue) PresenterValue->SetFit(FitModeValue, ScaledFullScreenValue ? 0 : WindowScaleValue);
}

void TPresentation::PresentPending() {
  // Enlarged, the stage is off screen: the presenter reads it back and shows it.
  if (PresenterValue)
    PresenterValue->PresentNow();
  else
    View.PresentPending();
}

void TPresentation::FitScaleToScreen() {
  const QScreen* screen = Window.screen();
  if (!screen || WindowScaleValue <= 1) return;
  const QSize available = screen->availableGeometry().size();
  const int menuBar = Window.menuBar()->isHidden() ? 0 : Window.menuBar()->sizeHint().height();
  int scale = WindowScaleValue;
  while (scale > 1 && (screen::kScreenWidth * scale > available.width() ||
                       screen::kScreenHeight * scale + menuBar > available.height()))
    --scale;
  if (scale == WindowScaleValue) return;
  const std::string note =
      platform::Tr("Presentation",
                   "orbel: a %1x zoom does not fit the screen's free area of %2x%3 pixels; "
                   "the window is zoomed %4x")
          .Arg(WindowScaleValue)
          .Arg(available.width())
          .Arg(available.height())
          .Arg(scale);
  std::fprintf(stderr, "%s\n", note.c_str());
  WindowScaleValue = scale;
}

void TPresentation::FitClientArea() {
  if (ScaledFullScreenValue) return;
  const QSize outer = ClientAreaSize();
  if (Window.minimumSize() == Window.maximumSize())
    Window.setFixedSize(outer);
  else
    Window.resize(outer);
}

}  // namespace orbel::app
