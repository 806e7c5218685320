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

void TDisplayModes::DispItemClick(int itemTag) {
  if (Mode1Tag >= 1 && Mode1Tag <= 4) Window.SetDispItemChecked(Mode1Tag, false);
  Window.SetDispItemChecked(itemTag, true);
  Mode1Tag = itemTag;
  const bool fullScreen = itemTag == 1 || itemTag == 3;
  if (itemTag == 1)
    SetDisplayMode(1);
  else if (itemTag == 3)
    SetDisplayMode(2);
  else if (itemTag == 2 || itemTag == 4)
    SetDisplayMode(0);
  if (fullScreen) {
    Window.ShowMenuBar(false);
    Window.ShowFrame(false);
  } else if (itemTag == 2 || itemTag == 4) {
    Window.ShowMenuBar(true);
    Window.ShowFrame(true);
    // The frame and menu changes keep the outer size; window modes promise a 640x480 client area.
    Window.FitClientArea();
  }
}

void TDisplayModes::SetDisplayMode(int mode) {
  switch (mode) {
    case 0:
      Display.RestoreStoredMode();
      break;
    case 1:
      Display.ChangeMode(640, 480);
      break;
    case 2:
      Display.ChangeMode(800, 600);
      break;
    default:
      break;
  }
  if (Display.ScreenHeight() > 480) Window.FitClientArea();
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
