#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Display settings: the screen resolution for this run. The engine asks for 640x480 or 800x600 when the user
// picks a full-screen size and for the stored mode when leaving it or ending; it reads the screen height
// back.

#include <memory>

namespace orbel::platform {

class TDisplaySettings {
 public:
  virtual ~TDisplaySettings() = default;
  // Size in pixels of the screen as it is now.
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  // Asks for width x height for this run only. Returns false when the display cannot take it; the screen then
  // stays as it was. The first change remembers the mode in force, for RestoreStoredMode.
  virtual bool ChangeMode(int width, int height) = 0;
  // Back to the mode in force before the first change; nothing when nothing was changed.
  virtual void RestoreStoredMode() = 0;
};

// The X11 implementation (XRandR on the application's own connection) when the program runs on X11, the null
// one elsewhere (the display "cannot take" any mode). Call after the QApplication exists.
std::unique_ptr<TDisplaySettings> CreateDisplaySettings();
// Never changes anything; reports the primary screen's height.
std::unique_ptr<TDisplaySettings> CreateNullDisplaySettings();

// Restores the stored mode of every live display-settings object; the fatal-error paths call it (see
// InstallFatalErrorRestore). It never waits for a lock: when it interrupted a display-settings object being
// created or destroyed it restores nothing. It is not async-signal-safe: the restore itself goes through
// Xlib, which allocates and, with threads initialised, takes the display's lock. A signal handler may call it
// only as a best effort bounded by a watchdog, the way InstallFatalErrorRestore does.
void RestoreAllDisplayModes();

}  // namespace orbel::platform
