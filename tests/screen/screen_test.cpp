// SPDX-License-Identifier: GPL-3.0-or-later
// Composition and the four transitions, frame by frame through ETimerTimer.
#include "screen/screen.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <map>
#include <random>

#include "platform/errors.h"
#include "screen/bitmap_file.h"
#include "screen/dissolve_brush.h"
#include "screen/raster.h"

namespace orbel::screen {
namespace {

using enum screen::TStageMode;
using enum screen::TTransitionKind;

// The threshold matrix, typed apart from the code's copy on purpose so that a slip in either shows.
constexpr int kT[8][8] = {{4, 14, 7, 10, 2, 12, 5, 10}, {9, 0, 10, 2, 15, 1, 8, 6},
                          {6, 15, 4, 8, 7, 11, 4, 15},  {11, 5, 12, 1, 14, 2, 13, 0},
                          {3, 8, 3, 10, 5, 9, 7, 9},    {14, 2, 13, 7, 8, 1, 11, 6},
                          {0, 11, 4, 12, 3, 12, 3, 14}, {13, 6, 9, 0, 15, 5, 13, 1}};

class THost : public IScreenHost {
 public:
  std::string FindDataFile(const std::string& name) override {
    const auto it = Files.find(name);
    return it == Files.end() ? std::string() : it->second;
  }
  void PostStep() override { ++Steps; }
  void SurfaceChanged(const QRect& area) override { Changes.push_back(area); }

  std::map<std::string, std::string> Files;
  int Steps = 0;
  std::vector<QRect> Changes;
};

// Two pictures whose every pixel tells where it came from, so a shifted copy shows.
QRgb Old(int x, int y) {
  return qRgb(x & 0xFF, y & 0xFF, 0x10 | (x >> 8) | ((y >> 8) << 1));
}
QRgb New(int x, int y) {
  return qRgb(y & 0xFF, x & 0xFF, 0xA0 | (x >> 8) | ((y >> 8) << 1));
}

QImage Picture(int w, int h, QRgb (*colour)(int, int)) {
  QImage image(w, h, kRasterFormat);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, colour(x, y));
  return image;
}

class ScreenTest : public testing::Test {
 protected:
  void SetUp() override {
    Screen.CreateBuffers();  // the dissolve's pattern strip is there without being set
  }

  // Puts `picture` on the window and into ScreenBuffer through a cut.
  void Show(QRgb (*colour)(int, int)) {
    Screen.StageBuffer = Picture(kScreenWidth, kScreenHeight, colour);
    Screen.TransitionKind = tkCut;
    Screen.ETimerTimer();
    Host.Steps = 0;
    Host.Changes.clear();
  }

  // Starts `kind` from the picture now shown to the `New` picture.
  void Start(TTransitionKind kind) {
    Show(Old);
    Screen.StageBuffer = Picture(kScreenWidth, kScreenHeight, New);
    Screen.TransitionKind = kind;
  }

  std::string Write(const std::string& name, const QImage& picture) {
    const std::string path = Dir.filePath(QString::fromStdString(name)).toStdString();
    EXPECT_TRUE(SaveBitmapFile(picture, path));
    Host.Files[name] = path;
    return path;
  }

  // Counts the pixels of the window that differ from `expected`.
  int Mismatches(const std::function<QRgb(int, int)>& expected) {
    int count = 0;
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x) count += Screen.Surface().pixel(x, y) != expected(x, y);
    return count;
  }

  THost Host;
  TScreen Screen{Host};
  QTemporaryDir Dir;
};

TEST_F(ScreenTest, PrepareStageModes) {
  QImage wall = Picture(260, 100, [](int x, int y) { return qRgb(x, y, 9); });
  Screen.SetWall(wall);
  Screen.PrepareStage(smWall);
  for (QPoint p : {QPoint(0, 0), QPoint(259, 99), QPoint(260, 0), QPoint(639, 479), QPoint(520 + 7, 400 + 3)})
    EXPECT_EQ(Screen.StageBuffer.pixel(p), qRgb(p.x() % 260, p.y() % 100, 9)) << p.x() << "," << p.y();

  Screen.PrepareStage(smWhite);
  EXPECT_EQ(Screen.StageBuffer.pixel(639, 479), 0xFFFFFFFFu);
  Screen.PrepareStage(static_cast<TStageMode>(4));  // not a mode: unchanged
  EXPECT_EQ(Screen.StageBuffer.pixel(0, 0), 0xFFFFFFFFu);
  Screen.PrepareStage(smScreen);  // the black start picture
  EXPECT_EQ(Screen.StageBuffer, Screen.ScreenBuffer);
  Screen.PrepareStage(smWhite);
  Screen.PrepareStage(smBlack);
  EXPECT_EQ(Screen.StageBuffer.pixel(320, 240), 0xFF000000u);

  Screen.SetWall(QImage());
  Screen.PrepareStage(smWhite);
  Screen.PrepareStage(smWall);  // no wall: the stage stays as it was
  EXPECT_EQ(Screen.StageBuffer.pixel(5, 5), 0xFFFFFFFFu);
  EXPECT_EQ(Host.Changes.size(), 0u);  // composition never touches the window
}

TEST_F(ScreenTest, DispPicturePlacesByHeightAndClips) {
  Write("tall", Picture(100, 316, New));
  Write("low", Picture(700, 315, New));
  Write("big", Picture(700, 500, New));

  Screen.DispPicture("tall", smBlack, tkDissolve);
  EXPECT_EQ(Screen.StageBuffer.pixel(0, 0), New(0, 0));
  EXPECT_EQ(Screen.StageBuffer.pixel(99, 315), New(99, 315));
  EXPECT_EQ(Screen.StageBuffer.pixel(100, 0), 0xFF000000u);
  EXPECT_EQ(Screen.TransitionKind, tkDissolve);

  Screen.DispPicture("low", smWhite,
                     std::nullopt);  // no kind (a script number outside 1..4) leaves the kind alone
  EXPECT_EQ(Screen.TransitionKind, tkDissolve);
  EXPECT_EQ(Screen.StageBuffer.pixel(39, 20), 0xFFFFFFFFu);
  EXPECT_EQ(Screen.StageBuffer.pixel(40, 19), 0xFFFFFFFFu);
  EXPECT_EQ(Screen.StageBuffer.pixel(40, 20), New(0, 0));
  EXPECT_EQ(Screen.StageBuffer.pixel(639, 334), New(599, 314));  // cut at the right edge
  EXPECT_EQ(Screen.StageBuffer.pixel(40, 335), 0xFFFFFFFFu);

  // No mode (a script number other than 0..3): drawn over the previous composition.
  Screen.DispPicture("big", std::nullopt, std::nullopt);
  EXPECT_EQ(Screen.StageBuffer.pixel(639, 479), New(639, 479));

  Screen.DispPicture("missing", smBlack, tkSlide);  // no file: the bare background, and the kind still counts
  EXPECT_EQ(Screen.StageBuffer.pixel(40, 20), 0xFF000000u);
  EXPECT_EQ(Screen.TransitionKind, tkSlide);
}

TEST_F(ScreenTest, BrokenPictureRaisesAndKeepsTheKind) {
  Host.Files["broken"] = std::string(ORBEL_SOURCE_DIR) + "/tests/data/bitmaps/broken/truncated.bmp";
  Screen.TransitionKind = tkNone;
  EXPECT_THROW(Screen.DispPicture("broken", smWhite, tkBox), EOrbelError);
  EXPECT_EQ(Screen.TransitionKind, tkNone);
  EXPECT_EQ(Screen.StageBuffer.pixel(0, 0), 0xFFFFFFFFu);  // the prepared background
  EXPECT_THROW(Screen.TransPicture("broken", tkBox), EOrbelError);
  EXPECT_EQ(Screen.TransitionKind, tkNone);
  Screen.ETimerTimer();
  EXPECT_EQ(Host.Changes.size(), 0u);
  EXPECT_EQ(Host.Steps, 0);
}

TEST_F(ScreenTest, TransPictureKeysOnTheTopLeftColour) {
  QImage character = Picture(50, 40, New);
  FillRect(character, QRect(0, 0, 50, 10), qRgb(255, 0, 255));
  character.setPixel(49, 39, qRgb(255, 0, 255));
  Write("chara", character);
  Write("plain", Picture(640, 480, [](int, int) { return qRgb(1, 2, 3); }));

  Screen.PrepareStage(smWhite);
  Screen.TransPicture("chara", tkSlide);
  EXPECT_EQ(Screen.TransitionKind, tkSlide);
  EXPECT_EQ(Screen.StageBuffer.pixel(0, 9), 0xFFFFFFFFu);
  EXPECT_EQ(Screen.StageBuffer.pixel(49, 39), 0xFFFFFFFFu);
  EXPECT_EQ(Screen.StageBuffer.pixel(0, 10), New(0, 10));
  EXPECT_EQ(Screen.StageBuffer.pixel(48, 39), New(48, 39));

  const QImage before = Screen.StageBuffer.copy();
  Screen.TransPicture("plain", tkBox);  // one colour: every pixel is the key
  EXPECT_EQ(Screen.StageBuffer, before);
}

TEST_F(ScreenTest, IdleTicksChangeNothing) {
  Show(Old);
  // Stray values too: none of them is an effect.
  for (int kind : {0, 5, -1}) {
    Screen.TransitionKind = static_cast<TTransitionKind>(kind);
    Screen.ETimerTimer();
  }
  EXPECT_EQ(Host.Changes.size(), 0u);
  EXPECT_EQ(Host.Steps, 0);
}

TEST_F(ScreenTest, EachKindTakesItsTicksAndPostsOneStep) {
  for (auto [kind, ticks] : {std::pair{tkBox, 30}, {tkDissolve, 9}, {tkSlide, 80}, {tkCut, 1}}) {
    SCOPED_TRACE(kind);
    Start(kind);
    for (int tick = 1; tick <= ticks; ++tick) {
      Screen.ETimerTimer();
      ASSERT_EQ(Host.Steps, tick == ticks ? 1 : 0) << "tick " << tick;
      ASSERT_EQ(Host.Changes.size(), static_cast<size_t>(tick)) << "every frame reports its area";
    }
    EXPECT_EQ(Screen.TransitionKind, tkNone);
    EXPECT_EQ(Screen.TransitionStep, 0);
    EXPECT_EQ(Screen.ScreenBuffer, Screen.StageBuffer);
    EXPECT_EQ(Mismatches(New), 0);
    Screen.ETimerTimer();
    EXPECT_EQ(Host.Steps, 1);
  }
}

TEST_F(ScreenTest, BoxOpensFromTheCentre) {
  Start(tkBox);
  for (int s = 0; s < 30; ++s) {
    Screen.ETimerTimer();
    const QRect box(QPoint(232 - 8 * s, 232 - 8 * s), QPoint(408 + 8 * s - 1, 248 + 8 * s - 1));
    if (s == 0 || s == 5 || s == 29) {
      SCOPED_TRACE(s);
      EXPECT_EQ(Host.Changes.back(), box);
      EXPECT_EQ(Mismatches([&](int x, int y) { return box.contains(x, y) ? New(x, y) : Old(x, y); }), 0);
    }
  }
  EXPECT_EQ(QRect(QPoint(232, 232), QPoint(407, 247)).size(), QSize(176, 16));
  EXPECT_EQ(Host.Changes.back(), QRect(0, 0, 640, 480));
}

TEST_F(ScreenTest, DissolveFollowsTheThresholdMatrix) {
  Start(tkDissolve);
  for (int frame = 0; frame < 8; ++frame) {
    const int s = 2 * frame;
    SCOPED_TRACE(s);
    Screen.ETimerTimer();
    auto taken = [&](int x, int y) { return kT[y % 8][x % 8] <= s; };
    EXPECT_EQ(Mismatches([&](int x, int y) { return taken(x, y) ? New(x, y) : Old(x, y); }), 0);
    // ScreenBuffer is changed in place: the pixels handed over are black.
    for (QPoint p : {QPoint(0, 6), QPoint(1, 1), QPoint(5, 3), QPoint(637, 477), QPoint(4, 1)})
      EXPECT_EQ(Screen.ScreenBuffer.pixel(p), taken(p.x(), p.y()) ? 0xFF000000u : Old(p.x(), p.y()));
  }
  // s = 14 still leaves 4 of every 64 pixels on the old picture.
  int old = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) old += Screen.Surface().pixel(x, y) == Old(x, y);
  EXPECT_EQ(old, 4);
  Screen.ETimerTimer();
  EXPECT_EQ(Host.Steps, 1);
  EXPECT_EQ(Mismatches(New), 0);
}

TEST_F(ScreenTest, SlideMovesBandsAndReadsTheWindowBack) {
  Start(tkSlide);
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    Screen.ETimerTimer();
    const int edge = 8 * n;
    EXPECT_EQ(Mismatches([&](int x, int y) {
                if (y % 4 < 2) return x < edge ? New(x, y) : Old(x - edge, y);
                return x >= 640 - edge ? New(x, y) : Old(x + edge, y);
              }),
              0);
  }
  // A repaint puts the old picture back; the next frame slides from that, and the columns uncovered before it
  // stay lost.
  Screen.RepaintSurface(QRect(0, 0, 640, 480));
  EXPECT_EQ(Mismatches(Old), 0);
  Screen.ETimerTimer();
  EXPECT_EQ(Mismatches([&](int x, int y) {
              if (y % 4 < 2) {
                if (x >= 24 && x < 32) return New(x, y);
                return x < 32 ? Old(x, y) : Old(x - 8, y);
              }
              if (x >= 608 && x < 616) return New(x, y);
              return x >= 616 ? Old(x, y) : Old(x + 8, y);
            }),
            0);
}

TEST_F(ScreenTest, RepaintDuringBoxAndDissolve) {
  Start(tkBox);
  for (int i = 0; i < 3; ++i) Screen.ETimerTimer();
  Host.Changes.clear();
  Screen.RepaintSurface(QRect(-10, -10, 1000, 1000));
  EXPECT_EQ(Mismatches(Old), 0);
  ASSERT_EQ(Host.Changes.size(), 1u);
  EXPECT_EQ(Host.Changes[0], QRect(0, 0, 640, 480));
  Screen.ETimerTimer();  // s = 3 redraws the whole opened box
  const QRect box(QPoint(208, 208), QPoint(431, 271));
  EXPECT_EQ(Mismatches([&](int x, int y) { return box.contains(x, y) ? New(x, y) : Old(x, y); }), 0);

  Start(tkDissolve);
  Screen.ETimerTimer();
  Screen.ETimerTimer();  // s = 0 and 2 shown
  Screen.RepaintSurface(QRect(0, 0, 16, 16));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool repainted = x < 16 && y < 16;
      const bool taken = kT[y % 8][x % 8] <= 2;
      const QRgb want = taken ? (repainted ? 0xFF000000u : New(x, y)) : Old(x, y);
      ASSERT_EQ(Screen.Surface().pixel(x, y), want) << x << "," << y;
    }
  // A repaint that changes nothing is not reported.
  Host.Changes.clear();
  Screen.RepaintSurface(QRect(0, 0, 16, 16));
  EXPECT_TRUE(Host.Changes.empty());
}

TEST_F(ScreenTest, NewKindTakesOverAtTheRunningStep) {
  Start(tkBox);
  for (int i = 0; i < 17; ++i) Screen.ETimerTimer();
  Screen.TransitionKind = tkDissolve;  // step 17: past the last cell, ends in its first tick
  Screen.ETimerTimer();
  EXPECT_EQ(Host.Steps, 1);
  EXPECT_EQ(Mismatches(New), 0);

  Start(tkBox);
  Screen.ETimerTimer();
  Screen.TransitionKind = tkDissolve;  // step 1: the odd cells from here on
  Screen.ETimerTimer();
  EXPECT_EQ(Screen.TransitionStep, 3);
  EXPECT_EQ(Mismatches([&](int x, int y) { return kT[y % 8][x % 8] <= 1 ? New(x, y) : Old(x, y); }), 0);

  Start(tkDissolve);
  Screen.ETimerTimer();
  Screen.ETimerTimer();
  Screen.TransitionKind = tkSlide;  // step 4: runs on to 80
  int ticks = 0;
  while (Host.Steps == 0 && ticks < 200) {
    Screen.ETimerTimer();
    ++ticks;
  }
  EXPECT_EQ(ticks, 76);

  Start(tkSlide);
  Screen.TransitionStep = 79 + 40;  // cannot happen through the effects, but must still end
  Screen.ETimerTimer();
  EXPECT_EQ(Host.Steps, 1);
  Start(tkBox);
  Screen.TransitionStep = 40;  // the box's rectangle lies outside the window: nothing drawn, it ends
  Screen.ETimerTimer();
  EXPECT_EQ(Host.Steps, 1);
  EXPECT_EQ(Mismatches(Old), 0);
}

// A replay defers the box's, the dissolve's and the slide's frames: whatever mix of frames, kind changes,
// picture commands and repaints runs in between, every buffer and the window come out as drawn frame by
// frame.
TEST_F(ScreenTest, DeferredFramesDrawTheSamePictures) {
  THost deferredHost;
  deferredHost.Files = {{"full.bmp", Write("full.bmp", Picture(640, 480, New))},
                        {"small.bmp", Write("small.bmp", Picture(200, 100, Old))}};
  Host.Files = deferredHost.Files;
  TScreen deferred{deferredHost};
  deferred.CreateBuffers();
  deferred.DeferFrames(true);
  for (TScreen* screen : {&Screen, &deferred}) screen->SetWall(Picture(64, 48, Old));

  // Every kind handing over to every other after a few frames, which the random mix below seldom does early
  // enough in a transition for the box to draw.
  for (const TTransitionKind first : {tkBox, tkDissolve, tkSlide})
    for (const TTransitionKind second : {tkBox, tkDissolve, tkSlide}) {
      SCOPED_TRACE(testing::Message() << first << " then " << second);
      for (TScreen* screen : {&Screen, &deferred}) {
        screen->DispPicture(first == tkBox ? "full.bmp" : "small.bmp", smWall, first);
        for (int frame = 0; frame < 6; ++frame) {
          if (frame == 3) screen->TransitionKind = second;
          screen->ETimerTimer();
        }
      }
      deferred.Settle();
      ASSERT_EQ(deferred.Surface(), Screen.Surface());
      for (TScreen* screen : {&Screen, &deferred}) screen->FinishTransition();
    }
  std::mt19937 random(20261208);
  const auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int op = 0; op < 1500; ++op) {
    const int what = pick(20), kind = 1 + pick(4), mode = pick(4), x = pick(700) - 30, y = pick(520) - 20;
    for (TScreen* screen : {&Screen, &deferred}) {
      if (what < 12) {
        screen->ETimerTimer();
      } else if (what == 12) {
        screen->TransitionKind = static_cast<TTransitionKind>(kind);
      } else if (what == 13) {
        // Without a mode the picture goes over the stage as it is, in the middle of a transition too.
        screen->DispPicture(x % 2 ? "full.bmp" : "small.bmp",
                            y % 2 ? std::optional(static_cast<TStageMode>(mode)) : std::nullopt,
                            static_cast<TTransitionKind>(kind));
      } else if (what == 14) {
        screen->PrepareStage(static_cast<TStageMode>(mode));
        screen->TransPicture("small.bmp", static_cast<TTransitionKind>(kind));
      } else if (what == 15) {
        screen->RepaintSurface(QRect(x, y, 90, 70));
      } else if (what == 16) {
        screen->FinishTransition();
      } else if (what == 17) {
        screen->CopyStageRect(static_cast<uint16_t>(x), static_cast<uint16_t>(y),
                              static_cast<uint16_t>(x + 50), static_cast<uint16_t>(y + 40));
      }
      // 18 and 19: nothing, so that runs of frames pile up between the checks.
    }
    if (op % 11 != 10) continue;
    SCOPED_TRACE(op);
    deferred.Settle();
    ASSERT_EQ(deferred.ScreenBuffer, Screen.ScreenBuffer);
    ASSERT_EQ(deferred.StageBuffer, Screen.StageBuffer);
    ASSERT_EQ(deferred.SpareBuffer, Screen.SpareBuffer);
    ASSERT_EQ(deferred.PatternTile, Screen.PatternTile);
    ASSERT_EQ(deferred.Surface(), Screen.Surface());
    ASSERT_EQ(deferred.TransitionStep, Screen.TransitionStep);
    ASSERT_EQ(deferredHost.Steps, Host.Steps);
    ASSERT_EQ(deferredHost.Changes, Host.Changes) << "the host hears of every frame's area all the same";
  }
  // Ending the deferral draws what is pending.
  for (TScreen* screen : {&Screen, &deferred}) {
    screen->DispPicture("full.bmp", smBlack, tkDissolve);
    screen->ETimerTimer();
    screen->ETimerTimer();
  }
  deferred.DeferFrames(false);
  const QImage window = Screen.Surface();
  EXPECT_EQ(deferred.ScreenBuffer, Screen.ScreenBuffer);
  EXPECT_EQ(deferred.SpareBuffer, Screen.SpareBuffer);
  EXPECT_EQ(deferred.Surface(), window);
}

TEST(DissolveBrush, CellsFollowTheThresholdMatrix) {
  const QImage brush = MakeBrushImage();
  ASSERT_EQ(brush.size(), QSize(128, 8));
  ASSERT_EQ(brush.format(), QImage::Format_Mono);
  EXPECT_EQ(brush.color(0), qRgb(255, 255, 255));
  EXPECT_EQ(brush.color(1), qRgb(0, 0, 0));
  for (int k = 0; k < 16; ++k) {
    int black = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const int index = brush.pixelIndex(8 * k + x, y);
        EXPECT_EQ(index, kT[y][x] <= k ? 1 : 0) << k << " " << x << "," << y;
        black += index;
      }
    EXPECT_EQ(black, 4 * (k + 1));
  }
}

}  // namespace
}  // namespace orbel::screen
