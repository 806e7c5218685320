// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "app/form_orbel.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "platform/text_codec.h"
#include "screen/bitmap_file.h"

namespace orbel::app {
namespace {

// A game folder holding the pictures the test keys name, each one colour.
class Keys : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Game.isValid());
    Previous = QDir::currentPath();
    QDir(Game.path()).mkpath("Data");
    Picture("01.bmp", QSize(640, 480), qRgb(200, 10, 10));
    QImage overlay(64, 64, QImage::Format_RGB32);
    overlay.fill(qRgb(0, 255, 0));  // the key colour
    overlay.setPixel(10, 10, qRgb(1, 2, 3));
    screen::SaveBitmapFile(overlay, (Game.path() + "/Data/C_09A1.bmp").toStdString());
    QDir::setCurrent(Game.path());
    // A script that rests at once, so that the keys alone drive the screen.
    QFile script(Game.path() + "/Data/SCRIPT.TXT");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("disp,1,0,x\r\nboard,on\r\n");
  }
  void TearDown() override { QDir::setCurrent(Previous); }
  void Picture(const QString& name, QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    screen::SaveBitmapFile(image, (Game.path() + "/Data/" + name).toStdString());
  }
  // Runs the timer until the running transition has ended.
  static void FinishTransition(TFormOrbel& form) {
    for (int tick = 0; tick < 100 && form.Screen().TransitionRunning(); ++tick) form.ETimerTimer();
  }
  QTemporaryDir Game;
  QString Previous;
};

TEST_F(Keys, PictureKeyDissolvesAndResumesARestingScript) {
  TFormOrbel form(TOptions{});
  form.show();
  for (int i = 0; i < 5; ++i)
    QCoreApplication::processEvents();  // start-up and the first step: the script rests
  EXPECT_EQ(form.Interpreter().NextLine, 1);
  form.FormKeyPress('1');
  EXPECT_EQ(form.Screen().TransitionKind, screen::tkDissolve);
  int ticks = 0;
  while (form.Screen().TransitionRunning()) {
    form.ETimerTimer();
    ++ticks;
  }
  EXPECT_EQ(ticks, 9);
  EXPECT_EQ(form.Screen().ScreenBuffer.pixel(320, 240), qRgb(200, 10, 10));
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();  // the transition's step runs line 1
  EXPECT_TRUE(form.MsgBoard()->isVisible());
  form.close();
}

TEST_F(Keys, OverlayKeysKeepTheScreenUnderTheKeyColour) {
  TFormOrbel form(TOptions{});
  form.FormKeyPress('1');
  FinishTransition(form);
  form.FormKeyPress('4');
  EXPECT_EQ(form.Screen().TransitionKind, screen::tkDissolve);
  EXPECT_EQ(form.Screen().StageBuffer.pixel(0, 0), qRgb(200, 10, 10));
  EXPECT_EQ(form.Screen().StageBuffer.pixel(10, 10), qRgb(1, 2, 3));
  // A missing picture still starts the transition, of the prepared stage alone.
  FinishTransition(form);
  form.FormKeyPress('5');
  EXPECT_EQ(form.Screen().TransitionKind, screen::tkDissolve);
  form.close();
}

TEST_F(Keys, EscapeTogglesTheBoardAndSevenFillsIt) {
  TFormOrbel form(TOptions{});
  EXPECT_FALSE(form.MsgBoard()->isVisibleTo(&form));
  form.FormKeyPress(QChar(27));
  EXPECT_TRUE(form.MsgBoard()->isVisibleTo(&form));
  form.FormKeyPress(QChar(27));
  EXPECT_FALSE(form.MsgBoard()->isVisibleTo(&form));
  form.FormKeyPress('7');
  ASSERT_EQ(form.MsgBoard()->Text().size(), 3u);
  EXPECT_EQ(form.MsgBoard()->Text()[1], QStringLiteral("あいうえおかきくけ"));
  EXPECT_FALSE(form.MsgBoard()->isVisibleTo(&form));  // a hidden board stays hidden
  // Keys without an action, and a movie key whose files are missing, change nothing.
  form.FormKeyPress('x');
  form.FormKeyPress('6');
  EXPECT_EQ(form.ScriptMovieControl()->DeviceID(), 0);
  form.close();
}

TEST_F(Keys, SavingTheScreenToWritableAndUnwritablePaths) {
  TFormOrbel form(TOptions{});
  form.FormKeyPress('1');
  FinishTransition(form);
  const std::string path = (Game.path() + "/saved.bmp").toStdString();
  form.SaveScreenTo(path);
  const QImage saved(QString::fromStdString(path), "BMP");
  EXPECT_EQ(saved.size(), QSize(640, 480));
  EXPECT_EQ(saved.pixel(100, 100), qRgb(200, 10, 10));
  try {
    form.SaveScreenTo("/no/such/folder/x.bmp");
    FAIL() << "no error";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "ﾌｧｲﾙ /no/such/folder/x.bmp を作成できません");
  }
  form.close();
}

}  // namespace
}  // namespace orbel::app
