#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window-size menu's logic: which item is checked, the resolution asked of the display, the frame and the
// menu bar, and the menu bar shown on demand at the top edge in full screen.

#include "platform/display_settings.h"

namespace orbel::screen {

// What the mode logic needs of the engine window.
class IDisplayWindow {
 public:
  virtual ~IDisplayWindow() = default;
  // Checks or unchecks the window-size item with the given tag (1 to 4).
  virtual void SetDispItemChecked(int tag, bool checked) = 0;
  // Attaches (true) or detaches the menu bar; the window keeps its outer size.
  virtual void ShowMenuBar(bool show) = 0;
  // True: a fixed single frame with caption; false: no frame at all, the window covering the screen.
  virtual void ShowFrame(bool show) = 0;
  // Gives the window the outer size that makes its client area 640x480.
  virtual void FitClientArea() = 0;
  virtual bool HasFrame() const = 0;
  virtual bool MenuBarAttached() const = 0;
  // Full screen at the desktop's own resolution with the picture enlarged (true), or back to the window. The
  // menu bar is left as it is.
  virtual void ShowScaledFullScreen(bool show) = 0;
  virtual bool ScaledFullScreen() const = 0;
};

// The window-size items enabled for a screen of the given height.
struct TDispItemsEnabled {
  bool Item1 = true, Item2 = false, Item3 = false, Item4 = false;
};
TDispItemsEnabled DispItemsEnabledFor(int screenHeight);

class TDisplayModes {
 public:
  TDisplayModes(IDisplayWindow& window, platform::TDisplaySettings& display);

  // The clicked item's tag: 1 640x480 full, 2 640x480 window, 3 800x600 full, 4 800x600 window.
  void DispItemClick(int itemTag);
  // 0 restores the stored mode, 1 asks for 640x480, 2 for 800x600; then re-fits when the screen allows.
  // Returns whether the display took the mode asked for.
  bool SetDisplayMode(int mode);
  // A mouse move at client height y.
  void FormMouseMove(int y);

  // The current mode, as the submenu's tag holds it (2 at start).
  int Mode1Tag = 2;
  // False: the full-screen items never change the resolution and always give the enlarged full screen.
  bool ModeSwitchAllowed = true;

 private:
  IDisplayWindow& Window;
  platform::TDisplaySettings& Display;
};

}  // namespace orbel::screen
