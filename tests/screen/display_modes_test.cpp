// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/display_modes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbel::screen {
namespace {

// A display that takes any mode and remembers what it was asked; all calls go into one log.
class TFakeDisplay : public platform::TDisplaySettings {
 public:
  explicit TFakeDisplay(std::vector<std::string>& log, int height)
      : Log(log), Height(height), Stored(height) {}
  int ScreenWidth() override { return Height * 4 / 3; }
  int ScreenHeight() override { return Height; }
  bool ChangeMode(int width, int height) override {
    Log.push_back("mode " + std::to_string(width) + "x" + std::to_string(height));
    if (height > MaxHeight) return false;
    Height = height;
    return true;
  }
  void RestoreStoredMode() override {
    Log.push_back("restore");
    Height = Stored;
  }
  std::vector<std::string>& Log;
  int Height, Stored, MaxHeight = 10000;
};

class TFakeWindow : public IDisplayWindow {
 public:
  explicit TFakeWindow(std::vector<std::string>& log) : Log(log) {}
  void SetDispItemChecked(TDispItemTag tag, bool checked) override {
    Checked[tag] = checked;
    Log.push_back((checked ? "check " : "uncheck ") + std::to_string(tag));
  }
  void ShowMenuBar(bool show) override {
    Attached = show;
    Log.push_back(show ? "menu on" : "menu off");
  }
  void ShowFrame(bool show) override {
    Frame = show;
    Log.push_back(show ? "frame on" : "frame off");
  }
  void FitClientArea() override { Log.push_back("fit"); }
  bool HasFrame() const override { return Frame; }
  bool MenuBarAttached() const override { return Attached; }
  void ShowScaledFullScreen(bool show) override {
    Scaled = show;
    Log.push_back(show ? "scaled on" : "scaled off");
  }
  bool ScaledFullScreen() const override { return Scaled; }
  std::vector<std::string>& Log;
  bool Scaled = false;
  bool Checked[5] = {false, false, true, false, false};
  bool Attached = true, Frame = true;
};

using L = std::vector<std::string>;

// Chooses `item` and expects exactly `steps` of the window and the display, in that order.
void ExpectSteps(TDisplayModes& modes, L& log, TDispItemTag item, const L& steps) {
  log.clear();
  modes.DispItemClick(item);
  EXPECT_EQ(log, steps) << "item " << item;
}

TEST(DisplayModes, EnabledItemsFollowTheScreenHeight) {
  const auto at480 = DispItemsEnabledFor(480);
  EXPECT_TRUE(at480.Item1);
  EXPECT_FALSE(at480.Item2 || at480.Item3 || at480.Item4);
  const auto at600 = DispItemsEnabledFor(600);
  EXPECT_TRUE(at600.Item1 && at600.Item2 && at600.Item3);
  EXPECT_FALSE(at600.Item4);
  const auto at768 = DispItemsEnabledFor(768);
  EXPECT_TRUE(at768.Item1 && at768.Item2 && at768.Item3 && at768.Item4);
}

TEST(DisplayModes, FullScreenAndBackRunsTheStepsInOrder) {
  L log;
  TFakeDisplay display(log, 768);
  TFakeWindow window(log);
  TDisplayModes modes(window, display);
  modes.DispItemClick(diFull640x480);
  // No re-fit in full screen at 640x480: the screen is then only 480 pixels high.
  EXPECT_EQ(log, (L{"uncheck 2", "check 1", "mode 640x480", "menu off", "frame off"}));
  EXPECT_EQ(modes.Mode1Tag, diFull640x480);
  ExpectSteps(modes, log, diWindow640x480, L{"uncheck 1", "check 2", "restore", "fit", "menu on", "frame on", "fit"});
  ExpectSteps(modes, log, diFull800x600, L{"uncheck 2", "check 3", "mode 800x600", "fit", "menu off", "frame off"});
  // The checked item chosen again still goes through every step.
  ExpectSteps(modes, log, diFull800x600, L{"uncheck 3", "check 3", "mode 800x600", "fit", "menu off", "frame off"});
  ExpectSteps(modes, log, diWindow800x600, L{"uncheck 3", "check 4", "restore", "fit", "menu on", "frame on", "fit"});
  EXPECT_TRUE(window.Checked[4]);
  EXPECT_FALSE(window.Checked[1] || window.Checked[2] || window.Checked[3]);
}

TEST(DisplayModes, WithoutAModeSwitchFullScreenIsTheEnlargedPicture) {
  L log;
  TFakeDisplay display(log, 768);
  display.MaxHeight = 500;
  TFakeWindow window(log);
  TDisplayModes modes(window, display);
  modes.DispItemClick(diFull800x600);
  // The display refused 800x600: the screen stayed 768 high, the window is re-fitted, and the full screen
  // comes at that resolution.
  EXPECT_EQ(log, (L{"uncheck 2", "check 3", "mode 800x600", "fit", "menu off", "scaled on"}));
  // A mode the display takes leaves the enlarged full screen for the real one.
  ExpectSteps(modes, log, diFull640x480, L{"uncheck 3", "check 1", "mode 640x480", "menu off", "scaled off", "frame off"});
  log.clear();
  // Refused by choice: the resolution is never asked for.
  modes.ModeSwitchAllowed = false;
  modes.DispItemClick(diWindow640x480);
  modes.DispItemClick(diFull640x480);
  EXPECT_EQ(log, (L{"uncheck 1", "check 2", "restore", "fit", "menu on", "frame on", "fit", "uncheck 2",
                    "check 1", "menu off", "scaled on"}));
  // The window items leave it first.
  ExpectSteps(modes, log, diWindow800x600, L{"uncheck 1", "check 4", "scaled off", "restore", "fit", "menu on", "frame on", "fit"});
}

// The key's full screen never changes the resolution, even where the display could, and checks the item
// whose picture it shows.
TEST(DisplayModes, EnlargedFullScreenAsksNothingOfTheDisplay) {
  L log;
  TFakeDisplay display(log, 768);
  TFakeWindow window(log);
  TDisplayModes modes(window, display);
  modes.EnlargedFullScreen();
  EXPECT_EQ(log, (L{"uncheck 2", "check 1", "menu off", "scaled on"}));
  EXPECT_EQ(modes.Mode1Tag, diFull640x480);
  EXPECT_TRUE(modes.ModeSwitchAllowed);
}

TEST(DisplayModes, MenuBarFollowsThePointerOnlyWithoutFrame) {
  L log;
  TFakeDisplay display(log, 768);
  TFakeWindow window(log);
  TDisplayModes modes(window, display);
  modes.FormMouseMove(100);
  EXPECT_TRUE(log.empty());  // window mode: the bar stays
  window.Frame = false;
  window.Attached = false;
  modes.FormMouseMove(20);
  EXPECT_FALSE(window.Attached);
  modes.FormMouseMove(19);
  EXPECT_TRUE(window.Attached);
  modes.FormMouseMove(15);
  EXPECT_TRUE(window.Attached);
  modes.FormMouseMove(16);
  EXPECT_FALSE(window.Attached);
  EXPECT_EQ(log, (L{"menu on", "menu off"}));
}

}  // namespace
}  // namespace orbel::screen
