// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/display_settings.h"

// Qt first: the X11 headers define macros (Status, Bool) that Qt's headers refuse to follow.
#include <QtGui/qguiapplication_platform.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>

namespace orbel::platform {

namespace {

// The live objects that may hold a changed mode. Both are built before main, so the crash path never runs a
// static's first-use guard; the flag is a lock-free atomic, which a signal handler may test.
std::atomic_flag RegistryBusy = ATOMIC_FLAG_INIT;
std::set<TDisplaySettings*> Registry;

// Held only around an insertion or a removal on the GUI thread; nothing blocks while it is held.
class TRegistryLock {
 public:
  TRegistryLock() {
    while (RegistryBusy.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  ~TRegistryLock() { RegistryBusy.clear(std::memory_order_release); }
};

QSize QtScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize();
}

// Millimetres for a size in pixels at 96 pixels per inch.
int Millimetres(int pixels) {
  return pixels * 254 / 960;
}

class TNullDisplaySettings : public TDisplaySettings {
 public:
  int ScreenWidth() override { return QtScreenSize().width(); }
  int ScreenHeight() override { return QtScreenSize().height(); }
  bool ChangeMode(int, int) override { return false; }
  void RestoreStoredMode() override {}
};

// Switches the CRTC of the primary (or first connected) output. Modes the output lacks are created and added,
// and the screen is grown first where the CRTC would not fit, as the X server requires.
class TX11DisplaySettings : public TDisplaySettings {
 public:
  explicit TX11DisplaySettings(Display* display) : Dpy(display), Root(DefaultRootWindow(display)) {
    TRegistryLock lock;
    Registry.insert(this);
  }
  ~TX11DisplaySettings() override {
    RestoreStoredMode();
    TRegistryLock lock;
    Registry.erase(this);
  }

  int ScreenWidth() override { return CrtcSize().width(); }
  int ScreenHeight() override { return CrtcSize().height(); }

  bool ChangeMode(int width, int height) override {
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(Dpy, Root);
    if (!resources) return false;
    bool done = false;
    const RRCrtc crtc = PrimaryCrtc(resources);
    XRRCrtcInfo* info = crtc ? XRRGetCrtcInfo(Dpy, resources, crtc) : nullptr;
    if (info && info->noutput > 0) {
      if (!Stored) {
        Stored = true;
        StoredCrtc = crtc;
        StoredMode = info->mode;
        StoredX = info->x;
        StoredY = info->y;
        StoredRotation = info->rotation;
        RootSize(StoredScreenWidth, StoredScreenHeight);
      }
      const RRMode mode = FindOrAddMode(resources, info->outputs[0], width, height);
      if (mode)
        done = SetCrtc(crtc, mode, info->x, info->y, info->rotation, info->outputs, info->noutput, width,
                       height, resources);
    }
    if (info) XRRFreeCrtcInfo(info);
    XRRFreeScreenResources(resources);
    return done;
  }

  void RestoreStoredMode() override {
    if (!Stored) return;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(Dpy, Root);
    if (!resources) return;
    if (XRRCrtcInfo* info = XRRGetCrtcInfo(Dpy, resources, StoredCrtc)) {
      int modeWidth = StoredScreenWidth, modeHeight = StoredScreenHeight;
      for (int i = 0; i < resources->nmode; ++i)
        if (resources->modes[i].id == StoredMode) {
          modeWidth = static_cast<int>(resources->modes[i].width);
          modeHeight = static_cast<int>(resources->modes[i].height);
        }
      SetCrtc(StoredCrtc, StoredMode, StoredX, StoredY, StoredRotation, info->outputs, info->noutput,
              modeWidth, modeHeight, resources);
      // The screen goes back to its stored size, never smaller than the CRTC on it.
      const int screenWidth = std::max(StoredScreenWidth, StoredX + modeWidth);
      const int screenHeight = std::max(StoredScreenHeight, StoredY + modeHeight);
      XRRSetScreenSize(Dpy, Root, screenWidth, screenHeight, Millimetres(screenWidth),
                       Millimetres(screenHeight));
      XRRFreeCrtcInfo(info);
    }
    XRRFreeScreenResources(resources);
    XSync(Dpy, False);
    Stored = false;
  }

 private:
  // The screen's size as the server has it now (the library's cached figures go stale after a change).
  void RootSize(int& width, int& height) {
    Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    XGetGeometry(Dpy, Root, &root, &x, &y, &w, &h, &border, &depth);
    width = static_cast<int>(w);
    height = static_cast<int>(h);
  }

  QSize CrtcSize() {
    QSize size;
    if (XRRScreenResources* resources = XRRGetScreenResourcesCurrent(Dpy, Root)) {
      if (const RRCrtc crtc = PrimaryCrtc(resources)) {
        if (XRRCrtcInfo* info = XRRGetCrtcInfo(Dpy, resources, crtc)) {
          size = QSize(static_cast<int>(info->width), static_cast<int>(info->height));
          XRRFreeCrtcInfo(info);
        }
      }
      XRRFreeScreenResources(resources);
    }
    if (size.isEmpty()) {
      int width = 0, height = 0;
      RootSize(width, height);
      size = QSize(width, height);
    }
    return size;
  }

  RRCrtc PrimaryCrtc(XRRScreenResources* resources) {
    const RROutput primary = XRRGetOutputPrimary(Dpy, Root);
    RRCrtc found = 0;
    for (int i = 0; i < resources->noutput && !found; ++i) {
      XRROutputInfo* output = XRRGetOutputInfo(Dpy, resources, resources->outputs[i]);
      if (!output) continue;
      if (output->crtc && output->connection == RR_Connected &&
          (!primary || resources->outputs[i] == primary))
        found = output->crtc;
      XRRFreeOutputInfo(output);
    }
    if (!found && primary) return PrimaryCrtcAny(resources);
    return found;
  }
  RRCrtc PrimaryCrtcAny(XRRScreenResources* resources) {
    for (int i = 0; i < resources->ncrtc; ++i) {
      XRRCrtcInfo* info = XRRGetCrtcInfo(Dpy, resources, resources->crtcs[i]);
      const bool used = info && info->mode && info->noutput > 0;
      if (info) XRRFreeCrtcInfo(info);
      if (used) return resources->crtcs[i];
    }
    return 0;
  }

  RRMode FindOrAddMode(XRRScreenResources* resources, RROutput output, int width, int height) {
    XRROutputInfo* info = XRRGetOutputInfo(Dpy, resources, output);
    if (!info) return 0;
    RRMode found = 0;
    for (int m = 0; m < info->nmode && !found; ++m)
      for (int i = 0; i < resources->nmode; ++i)
        if (resources->modes[i].id == info->modes[m] &&
            static_cast<int>(resources->modes[i].width) == width &&
            static_cast<int>(resources->modes[i].height) == height) {
          found = info->modes[m];
          break;
        }
    XRRFreeOutputInfo(info);
    if (found) return found;
    // Not offered by the output: create a 60 Hz mode with simple blanking, as a mode line would.
    std::string name = std::to_string(width) + "x" + std::to_string(height) + "_orbel";
    XRRModeInfo mode{};
    mode.width = static_cast<unsigned>(width);
    mode.height = static_cast<unsigned>(height);
    mode.hSyncStart = mode.width + 16;
    mode.hSyncEnd = mode.width + 112;
    mode.hTotal = mode.width + 160;
    mode.vSyncStart = mode.height + 3;
    mode.vSyncEnd = mode.height + 7;
    mode.vTotal = mode.height + 25;
    mode.dotClock = static_cast<unsigned long>(mode.hTotal) * mode.vTotal * 60;
    mode.name = name.data();
    mode.nameLength = static_cast<unsigned>(name.size());
    const RRMode created = XRRCreateMode(Dpy, Root, &mode);
    if (!created) return 0;
    XRRAddOutputMode(Dpy, output, created);
    XSync(Dpy, False);
    return created;
  }

  bool SetCrtc(RRCrtc crtc, RRMode mode, int x, int y, Rotation rotation, RROutput* outputs, int noutput,
               int width, int height, XRRScreenResources* resources) {
    int screenWidth = 0, screenHeight = 0;
    RootSize(screenWidth, screenHeight);
    // The screen may never be smaller than a CRTC on it: grow it first when needed.
    if (x + width > screenWidth || y + height > screenHeight) {
      const int grownWidth = std::max(screenWidth, x + width),
                grownHeight = std::max(screenHeight, y + height);
      XRRSetScreenSize(Dpy, Root, grownWidth, grownHeight, Millimetres(grownWidth), Millimetres(grownHeight));
    }
    const Status status =
        XRRSetCrtcConfig(Dpy, resources, crtc, CurrentTime, x, y, mode, rotation, outputs, noutput);
    if (status != RRSetConfigSuccess) return false;
    // Then shrink the screen to the new mode, so that the desktop is the mode's size.
    XRRSetScreenSize(Dpy, Root, x + width, y + height, Millimetres(x + width), Millimetres(y + height));
    XSync(Dpy, False);
    return true;
  }

  Display* Dpy;
  Window Root;
  bool Stored = false;
  RRCrtc StoredCrtc = 0;
  RRMode StoredMode = 0;
  int StoredX = 0, StoredY = 0;
  Rotation StoredRotation = RR_Rotate_0;
  int StoredScreenWidth = 0, StoredScreenHeight = 0;
};

}  // namespace

std::unique_ptr<TDisplaySettings> CreateNullDisplaySettings() {
  return std::make_unique<TNullDisplaySettings>();
}

std::unique_ptr<TDisplaySettings> CreateDisplaySettings() {
  if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
    Display* display = x11->display();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (display && XRRQueryExtension(display, &eventBase, &errorBase) &&
        XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 2)))
      return std::make_unique<TX11DisplaySettings>(display);
  }
  return CreateNullDisplaySettings();
}

void RestoreAllDisplayModes() {
  // Interrupted in the middle of an insertion or a removal, the set cannot be walked: give up rather than
  // wait for a thread that may be the one this runs on.
  if (RegistryBusy.test_and_set(std::memory_order_acquire)) return;
  for (TDisplaySettings* settings : Registry) settings->RestoreStoredMode();
  RegistryBusy.clear(std::memory_order_release);
}

}  // namespace orbel::platform
