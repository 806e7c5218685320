// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/form_orbel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <vector>

#include "app/orbel_application.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "tests/support/real_event_loop.h"

namespace orbel::app {
namespace {

class TFixedDisplay : public platform::TDisplaySettings {
 public:
  explicit TFixedDisplay(int height) : Height(height) {}
  int ScreenWidth() override { return Height * 4 / 3; }
  int ScreenHeight() override { return Height; }
  bool ChangeMode(int, int) override { return false; }
  void RestoreStoredMode() override { ++Restores; }
  int Height;
  int Restores = 0;
};

TEST(StartUp, WindowSizeItemsEnabledByScreenHeight) {
  const struct {
    int height;
    bool item1, item2, item3, item4;
  } cases[] = {
      {480, true, false, false, false}, {600, true, true, true, false}, {768, true, true, true, true}};
  for (const auto& c : cases) {
    TFormOrbel form(TOptions{}, std::make_unique<TFixedDisplay>(c.height));
    EXPECT_EQ(form.DispItem(screen::diFull640x480)->isEnabled(), c.item1) << c.height;
    EXPECT_EQ(form.DispItem(screen::diWindow640x480)->isEnabled(), c.item2) << c.height;
    EXPECT_EQ(form.DispItem(screen::diFull800x600)->isEnabled(), c.item3) << c.height;
    EXPECT_EQ(form.DispItem(screen::diWindow800x600)->isEnabled(), c.item4) << c.height;
    EXPECT_TRUE(form.DispItem(screen::diWindow640x480)->isChecked());
    form.close();
  }
}

TEST(Shutdown, EveryCloseRestoresTheStoredMode) {
  auto display = std::make_unique<TFixedDisplay>(768);
  TFixedDisplay* seen = display.get();
  TFormOrbel form(TOptions{}, std::move(display));
  form.close();
  EXPECT_EQ(seen->Restores, 1);
}

TEST(StartUp, WindowComesUpAsDeclared) {
  QTemporaryDir empty;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(empty.path());
  {
    TFormOrbel form(TOptions{});
    EXPECT_EQ(form.windowTitle(), "Orbel");
    EXPECT_EQ(form.Mode1()->title(), "ウィンドウサイズ(&W)");
    EXPECT_EQ(form.Mode1()->menuAction()->data().toInt(), 2);
    EXPECT_TRUE(form.DispItem(screen::diWindow640x480)->isChecked());
    // A player's run saves and loads from the menu.
    EXPECT_EQ(form.MiLoad()->text(), "ロード(&L)");
    EXPECT_EQ(form.MiSave()->text(), "セーブ(&S)");
    EXPECT_TRUE(form.MiLoad()->isEnabled());
    EXPECT_TRUE(form.MiSave()->isEnabled());
    EXPECT_EQ(form.Exit()->text(), "終了(&x)");
    // The fallback script, the buffers and the controls' places.
    EXPECT_EQ(form.Interpreter().ScriptLines.size(), 13u);
    EXPECT_EQ(form.Interpreter().ScriptLines[3], "disp,1,2,bg");
    EXPECT_EQ(form.Interpreter().Keywords.size(), 19u);
    EXPECT_EQ(form.Screen().ScreenBuffer.pixel(320, 240), qRgb(0, 0, 0));
    EXPECT_EQ(form.MsgBoard()->geometry(), QRect(40, 375, 560, 65));
    EXPECT_EQ(form.LogoMovieControl()->geometry(), QRect(160, 100, 320, 240));
    EXPECT_NE(form.LogoMovieControl()->DeviceID(), 0);  // opened without a file
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.View()->size(), QSize(640, 480));
    EXPECT_EQ(form.ScriptMovieControl()->geometry(), QRect(40, 40, 560, 315));
    form.close();
    EXPECT_FALSE(form.Screen().HasBuffers());
  }
  QDir::setCurrent(previous);
}

TEST(StartUp, DisplayMenuChecksExactlyTheChosenItem) {
  TFormOrbel form(TOptions{}, std::make_unique<TFixedDisplay>(768));
  form.DispItemClick(form.DispItem(screen::diWindow800x600));
  EXPECT_TRUE(form.DispItem(screen::diWindow800x600)->isChecked());
  EXPECT_FALSE(form.DispItem(screen::diWindow640x480)->isChecked());
  EXPECT_EQ(form.Mode1()->menuAction()->data().toInt(), 4);
  form.DispItemClick(form.DispItem(screen::diWindow800x600));
  EXPECT_TRUE(form.DispItem(screen::diWindow800x600)->isChecked());
  form.close();
}

// This display refuses every resolution, as Wayland does, so the menu's full-screen items give the enlarged
// full screen, the same picture F11 gives. Whichever way it came, the checked item names what the window
// shows; only the full screen of the key (or --fullscreen) is kept for the next run.
TEST(StartUp, FullScreenByMenuLastsTheRunAndTheCheckFollowsTheWindow) {
  TFormOrbel form(TOptions{}, std::make_unique<TFixedDisplay>(768));
  form.show();
  const auto checked = [&form] {
    std::vector<int> tags;
    for (int tag = screen::diFull640x480; tag <= screen::diWindow800x600; ++tag)
      if (form.DispItem(static_cast<screen::TDispItemTag>(tag))->isChecked()) tags.push_back(tag);
    return tags;
  };
  using T = std::vector<int>;
  form.DispItemClick(form.DispItem(screen::diFull640x480));
  EXPECT_TRUE(form.ScaledFullScreen());
  EXPECT_EQ(checked(), T{screen::diFull640x480});
  EXPECT_FALSE(form.RememberedFullScreen());
  // F11 leaves it for the window.
  form.ToggleFullScreen();
  EXPECT_FALSE(form.ScaledFullScreen());
  EXPECT_EQ(checked(), T{screen::diWindow640x480});
  EXPECT_FALSE(form.menuBar()->isHidden());
  EXPECT_FALSE(form.RememberedFullScreen());
  // F11 into it again: the same picture, the same check, and this one is remembered.
  form.ToggleFullScreen();
  EXPECT_TRUE(form.ScaledFullScreen());
  EXPECT_TRUE(form.menuBar()->isHidden());
  EXPECT_EQ(checked(), T{screen::diFull640x480});
  EXPECT_EQ(form.Mode1()->menuAction()->data().toInt(), screen::diFull640x480);
  EXPECT_TRUE(form.RememberedFullScreen());
  // The menu's item chosen in it makes it the menu's again, for this run only.
  form.DispItemClick(form.DispItem(screen::diFull640x480));
  EXPECT_TRUE(form.ScaledFullScreen());
  EXPECT_FALSE(form.RememberedFullScreen());
  form.DispItemClick(form.DispItem(screen::diWindow800x600));
  EXPECT_FALSE(form.ScaledFullScreen());
  EXPECT_EQ(checked(), T{screen::diWindow800x600});
  form.close();
}

// In a window the tick rests between transitions. However late the real clock lets it wake, every
// transition's frames fall on the grid the tick has had since the window was made.
TEST(Tick, WakesOnTheGridOfStartUpAfterEveryRest) {
  QTemporaryDir game;
  ASSERT_TRUE(QDir(game.path()).mkpath("Data"));
  QFile script(game.filePath("Data/SCRIPT.TXT"));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  // Each wait outlasts the tick after the cut, so the tick rests before the next cut wakes it.
  for (int i = 0; i < 12; ++i) script.write("disp,1,4,x\r\nwait,time,60\r\n");
  script.close();
  const QString previous = QDir::currentPath();
  QDir::setCurrent(game.path());
  {
    TFormOrbel form(TOptions{}, std::make_unique<TFixedDisplay>(768));
    const int64_t origin = form.TimerOrigin();
    std::vector<int64_t> wakes;
    const auto wake = form.EngineRun().OnTransitionStarted;
    form.EngineRun().OnTransitionStarted = [&] {
      const bool resting = !form.Timer().IsActive();
      wake();
      if (resting) wakes.push_back(form.Timer().DueMs());
    };
    form.show();
    tests::RunRealUntil([&] { return form.Interpreter().Ended() && form.Settled(); });
    EXPECT_GE(wakes.size(), 6u);
    for (const int64_t due : wakes) EXPECT_EQ((due - origin) % kTimerIntervalMs, 0) << due - origin;
    form.close();
  }
  QDir::setCurrent(previous);
}

TEST(ErrorBox, FullStopOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText("'x' は整数ではありません"), "'x' は整数ではありません.");
  EXPECT_EQ(ErrorBoxText("range (3)"), "range (3)");
  EXPECT_EQ(ErrorBoxText("done."), "done.");
  EXPECT_EQ(ErrorBoxText("abc"), "abc.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
}  // namespace orbel::app
