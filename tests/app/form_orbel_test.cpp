#include "app/form_orbel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenu>
#include <QTemporaryDir>

#include "app/orbel_application.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "controls/movie.h"

namespace orbel::app {
namespace {

TEST(StartUp, WindowSizeItemsFollowTheScreenHeight) {
  const auto at480 = DispItemsEnabledFor(480);
  EXPECT_TRUE(at480.Item1);
  EXPECT_FALSE(at480.Item2 || at480.Item3 || at480.Item4);
  const auto at600 = DispItemsEnabledFor(600);
  EXPECT_TRUE(at600.Item1 && at600.Item2 && at600.Item3);
  EXPECT_FALSE(at600.Item4);
  const auto at768 = DispItemsEnabledFor(768);
  EXPECT_TRUE(at768.Item1 && at768.Item2 && at768.Item3 && at768.Item4);
}

TEST(StartUp, WindowComesUpAsDeclared) {
  QTemporaryDir empty;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(empty.path());
  {
    TFormOrbel form(TOptions{});
    EXPECT_EQ(form.windowTitle(), "Orbel");
    EXPECT_EQ(form.Mode1->title(), "ウィンドウサイズ(&W)");
    EXPECT_EQ(form.Mode1->menuAction()->data().toInt(), 2);
    EXPECT_TRUE(form.DispItem2->isChecked());
    EXPECT_FALSE(form.MiLoad->isEnabled());
    EXPECT_FALSE(form.MiSave->isEnabled());
    EXPECT_EQ(form.Exit->text(), "終了(&x)");
    // The fallback script, the buffers and the controls' places.
    EXPECT_EQ(form.Interpreter().ScriptLines.size(), 13u);
    EXPECT_EQ(form.Interpreter().ScriptLines[3], "disp,1,2,bg");
    EXPECT_EQ(form.Interpreter().Keywords.size(), 19u);
    EXPECT_EQ(form.Screen().ScreenBuffer.pixel(320, 240), qRgb(0, 0, 0));
    EXPECT_EQ(form.MsgBoard->geometry(), QRect(40, 375, 560, 65));
    EXPECT_EQ(form.Movie0->geometry(), QRect(160, 100, 320, 240));
    EXPECT_NE(form.Movie0->DeviceID(), 0);  // opened without a file
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.View->size(), QSize(640, 480));
    EXPECT_EQ(form.Movie1->geometry(), QRect(40, 40, 560, 315));
    form.close();
    EXPECT_FALSE(form.Screen().HasBuffers());
  }
  QDir::setCurrent(previous);
}

TEST(StartUp, DisplayMenuChecksExactlyTheChosenItem) {
  TFormOrbel form(TOptions{});
  form.DispItemClick(form.DispItem4);
  EXPECT_TRUE(form.DispItem4->isChecked());
  EXPECT_FALSE(form.DispItem2->isChecked());
  EXPECT_EQ(form.Mode1->menuAction()->data().toInt(), 4);
  form.DispItemClick(form.DispItem4);
  EXPECT_TRUE(form.DispItem4->isChecked());
  form.close();
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
