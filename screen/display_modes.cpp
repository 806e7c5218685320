// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/display_modes.h"

namespace orbel::screen {

TDispItemsEnabled DispItemsEnabledFor(int screenHeight) {
  TDispItemsEnabled enabled;
  enabled.Item4 = screenHeight > 600;
  enabled.Item2 = enabled.Item3 = screenHeight > 480;
  return enabled;
}

TDisplayModes::TDisplayModes(IDisplayWindow& window, platform::TDisplaySettings& display)
    : Window(window), Display(display) {}

void TDisplayModes::DispItemClick(TDispItemTag itemTag) {
  Choose(itemTag, ModeSwitchAllowed);
}

void TDisplayModes::EnlargedFullScreen() {
  Choose(diFull640x480, false);
}

void TDisplayModes::Choose(TDispItemTag itemTag, bool modeSwitch) {
  if (Mode1Tag >= diFull640x480 && Mode1Tag <= diWindow800x600) Window.SetDispItemChecked(Mode1Tag, false);
  Window.SetDispItemChecked(itemTag, true);
  Mode1Tag = itemTag;
  const bool fullScreen = itemTag == diFull640x480 || itemTag == diFull800x600;
  const bool windowed = itemTag == diWindow640x480 || itemTag == diWindow800x600;
  // Out of an enlarged full screen first, so that the window steps below act on a window.
  if (windowed && Window.ScaledFullScreen()) Window.ShowScaledFullScreen(false);
  bool switched = false;
  if (fullScreen && !modeSwitch)
    switched = false;
  else if (itemTag == diFull640x480)
    switched = SetDisplayMode(dm640x480);
  else if (itemTag == diFull800x600)
    switched = SetDisplayMode(dm800x600);
  else if (windowed)
    SetDisplayMode(dmStored);
  if (fullScreen) {
    Window.ShowMenuBar(false);
    // Where the display cannot take the resolution (no mode switch on Wayland, a mode refused), the full
    // screen comes at the desktop's own resolution with the picture enlarged.
    if (switched) {
      if (Window.ScaledFullScreen()) Window.ShowScaledFullScreen(false);
      Window.ShowFrame(false);
    } else {
      Window.ShowScaledFullScreen(true);
    }
  } else if (windowed) {
    Window.ShowMenuBar(true);
    Window.ShowFrame(true);
    // The frame and menu changes keep the outer size; window modes promise a 640x480 client area.
    Window.FitClientArea();
  }
}

bool TDisplayModes::SetDisplayMode(TDisplayMode mode) {
  bool taken = true;
  switch (mode) {
    case dmStored:
      Display.RestoreStoredMode();
      break;
    case dm640x480:
      taken = Display.ChangeMode(640, 480);
      break;
    case dm800x600:
      taken = Display.ChangeMode(800, 600);
      break;
  }
  if (Display.ScreenHeight() > 480) Window.FitClientArea();
  return taken;
}

void TDisplayModes::FormMouseMove(int y) {
  if (Window.HasFrame()) return;
  if (Window.MenuBarAttached()) {
    if (y > 15) Window.ShowMenuBar(false);
  } else if (y < 20) {
    Window.ShowMenuBar(true);
  }
}

}  // namespace orbel::screen
