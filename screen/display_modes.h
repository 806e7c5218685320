#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The window-size menu's logic: which item is checked, the resolution asked of the display, the frame and the
// menu bar, and the menu bar shown on demand at the top edge in full screen.

#include "platform/display_settings.h"

namespace orbel::screen {

// The window-size items, by the tags the menu gives them; Mode1Tag holds the one chosen last.
enum TDispItemTag : int { diFull640x480 = 1, diWindow640x480 = 2, diFull800x600 = 3, diWindow800x600 = 4 };

// What SetDisplayMode asks of the display.
enum TDisplayMode : int { dmStored = 0, dm640x480 = 1, dm800x600 = 2 };

// What the mode logic needs of the engine window.
class IDisplayWindow {
 public:
  virtual ~IDisplayWindow() = default;
  // Checks or unchecks the window-size item with the given tag.
  virtual void SetDispItemChecked(TDispItemTag tag, bool checked) = 0;
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

  void DispItemClick(TDispItemTag itemTag);
  // The full screen of F11 and Alt+Enter: at the desktop's own resolution with the picture enlarged, never a
  // resolution change. The menu shows it as the 640x480 full-screen item, which is what the player sees.
  void EnlargedFullScreen();
  // Restores the stored mode or asks for a resolution; then re-fits when the screen allows. Returns whether
  // the display took the mode asked for.
  bool SetDisplayMode(TDisplayMode mode);
  // A mouse move at client height y.
  void FormMouseMove(int y);

  // The current mode, as the submenu's tag holds it.
  TDispItemTag Mode1Tag = diWindow640x480;
  // False: the full-screen items never change the resolution and always give the enlarged full screen.
  bool ModeSwitchAllowed = true;

 private:
  void Choose(TDispItemTag itemTag, bool modeSwitch);

  IDisplayWindow& Window;
  platform::TDisplaySettings& Display;
};

}  // namespace orbel::screen
