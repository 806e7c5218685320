// SPDX-License-Identifier: GPL-3.0-or-later
// The message board: what its paint operation and its reveal leave on the board's surface.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/board.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"

namespace orbel::controls {
namespace {

const QColor kPanel(247, 255, 239);
const QColor kWhite(255, 255, 255);

QImage SolidPicture(int width, int height, const QColor& colour) {
  QImage picture(width, height, QImage::Format_RGB32);
  picture.fill(colour);
  return picture;
}

QString Line(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The first and one-past-last row of `image` in which column `x` has `colour`; (0, 0) when none has.
std::pair<int, int> RowsOfColour(const QImage& image, int x, const QColor& colour) {
  int first = -1, last = -1;
  for (int y = 0; y < image.height(); ++y) {
    if (image.pixelColor(x, y) == colour) {
      if (first < 0) first = y;
      last = y;
    }
  }
  return first < 0 ? std::pair{0, 0} : std::pair{first, last + 1};
}

// Ink: the black of the text, not the panel, the white cells or the frame.
bool HasInk(const QImage& image, const QRect& area) {
  const QRect clipped = area.intersected(image.rect());
  for (int y = clipped.top(); y <= clipped.bottom(); ++y)
    for (int x = clipped.left(); x <= clipped.right(); ++x)
      if (qGray(image.pixel(x, y)) < 64) return true;
  return false;
}

QImage SourcePicture() {
  const QImage picture(QStringLiteral(ORBEL_SOURCE_DIR "/resources/board.bmp"));
  EXPECT_FALSE(picture.isNull());
  return picture;
}

class BoardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { platform::InstallFaceSubstitutions(); }
};

struct TRevealCase {
  int PixelSize;
  std::vector<std::pair<int, int>> Frames;  // (b, a) per step
};

// An empty message renders an all-white TextImage, so after each tick the white rows on the panel are exactly
// the frame drawn (frames grow around the same centre, each covering the one before).
TEST_F(BoardTest, RevealFramesFollowTheLineHeight) {
  const std::vector<TRevealCase> cases = {
      {18, {{7, 2}, {3, 6}, {0, 10}, {0, 14}, {0, 18}}},
      {10, {{3, 2}, {1, 4}, {0, 6}, {0, 8}, {0, 10}}},
      {3, {{0, 3}, {0, 3}, {0, 3}, {0, 3}, {0, 3}}},
  };
  for (const TRevealCase& reveal : cases) {
    SCOPED_TRACE(reveal.PixelSize);
    TBoard board;
    board.SetBitmap(SolidPicture(200, 60, kPanel));
    board.SetMargin(4);
    QFont font(QStringLiteral("Ume Gothic"));
    font.setPixelSize(reveal.PixelSize);
    board.setFont(font);
    ASSERT_EQ(QFontMetrics(board.font()).height(), reveal.PixelSize);
    board.SetText({});
    for (size_t step = 0; step < reveal.Frames.size(); ++step) {
      board.RevealTick();
      const auto [b, a] = reveal.Frames[step];
      EXPECT_EQ(RowsOfColour(board.Surface(), 100, kWhite), (std::pair{4 + b, 4 + b + a})) << "step " << step;
      EXPECT_EQ(board.Surface().pixelColor(196, 4 + b), kPanel) << "the margin stays on the right";
    }
    board.RevealTick();
    EXPECT_FALSE(board.RevealRunning());
    EXPECT_EQ(RowsOfColour(board.Surface(), 100, kWhite), (std::pair{4, 56}));
  }
}

// On the virtual clock the reveal's own timer brings the frames, one every 50 ms of engine time: the same
// frames the ticks above draw, at those moments and at no others.
TEST_F(BoardTest, OnTheVirtualClockRevealFramesComeEveryFiftyMilliseconds) {
  platform::TEngineClock& clock = platform::EngineClock();
  clock.SetVirtual(true);
  {
    TBoard board;
    board.SetBitmap(SolidPicture(200, 60, kPanel));
    board.SetMargin(4);
    QFont font(QStringLiteral("Ume Gothic"));
    font.setPixelSize(18);
    board.setFont(font);
    clock.AdvanceTo(7);  // the reveal starts off the clock's own grid
    board.SetText({});
    const std::vector<std::pair<int, int>> frames = {{7, 2}, {3, 6}, {0, 10}, {0, 14}, {0, 18}};
    for (size_t step = 0; step < frames.size(); ++step) {
      SCOPED_TRACE(step);
      const int64_t due = 7 + 50 * int64_t(step + 1);
      EXPECT_EQ(clock.NextDueMs(), due);
      clock.AdvanceTo(due - 1);
      EXPECT_EQ(board.RevealStep(), int(step)) << "nothing before its moment";
      EXPECT_TRUE(clock.AdvanceToNextDue());
      EXPECT_EQ(clock.NowMs(), due);
      const auto [b, a] = frames[step];
      EXPECT_EQ(RowsOfColour(board.Surface(), 100, kWhite), (std::pair{4 + b, 4 + b + a}));
    }
    // The sixth tick puts the whole message down and ends the reveal; nothing is due after it.
    EXPECT_TRUE(clock.AdvanceToNextDue());
    EXPECT_EQ(clock.NowMs(), 307);
    EXPECT_FALSE(board.RevealRunning());
    EXPECT_EQ(RowsOfColour(board.Surface(), 100, kWhite), (std::pair{4, 56}));
    EXPECT_FALSE(clock.AdvanceToNextDue());
  }
  clock.SetVirtual(false);
}

TEST_F(BoardTest, MsgBoardPaintsAndRendersThreeLinesOfThirtyCharacters) {
  TBoard board;
  ConfigureMsgBoard(board, SourcePicture());
  // The stand-in face has the metrics the layout was made for.
  ASSERT_EQ(board.Text().size(), 3u);
  EXPECT_EQ(QFontMetrics(board.font()).horizontalAdvance(board.Text()[0]), 540);
  // Stored lines, not an assignment: no reveal runs, and nothing has been rendered yet.
  EXPECT_FALSE(board.RevealRunning());
  EXPECT_TRUE(board.TextImage().isNull());

  const QString full = Line("ＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭＭ");
  board.SetText({full, full + Line("Ｍ"), full, full});
  EXPECT_EQ(board.TextImage().size(), QSize(548, 53));
  for (int tick = 0; tick < 6; ++tick) board.RevealTick();

  // TextImage: three lines; the third is cut by one pixel, the 31st character at the picture's right edge.
  const QImage& text = board.TextImage();
  EXPECT_TRUE(HasInk(text, QRect(0, 36, 548, 17)));
  EXPECT_FALSE(HasInk(text, QRect(540, 0, 8, 18)));
  EXPECT_TRUE(HasInk(text, QRect(540, 18, 8, 18)));

  // A repaint draws the lines from the text list over the panel: three lines, the fourth would end below.
  board.show();
  const QImage& surface = board.Surface();
  EXPECT_TRUE(HasInk(surface, QRect(6, 42, 540, 18)));
  EXPECT_FALSE(HasInk(surface, QRect(0, 60, 560, 5)));
  EXPECT_TRUE(HasInk(surface, QRect(546, 24, 12, 18))) << "the 31st character runs on towards the frame";
}

TEST_F(BoardTest, AssigningDuringARevealContinuesFromItsStep) {
  TBoard board;
  ConfigureMsgBoard(board, SourcePicture());
  board.SetText({Line("あいう")});
  board.RevealTick();
  board.RevealTick();
  board.SetText({Line("かきくけこ")});
  EXPECT_EQ(board.RevealStep(), 2);
  EXPECT_TRUE(HasInk(board.TextImage(), QRect(72, 0, 18, 18))) << "the fifth character of the new text";
  // The bare background came back; the new text gets only the remaining frames.
  EXPECT_EQ(RowsOfColour(board.Surface(), 100, kWhite), (std::pair{0, 0}));
  for (int tick = 0; tick < 4; ++tick) board.RevealTick();
  EXPECT_FALSE(board.RevealRunning());
}

TEST_F(BoardTest, FinishedRevealStaysUntilThePaintOperationRuns) {
  TBoard board;
  ConfigureMsgBoard(board, SourcePicture());
  // Hidden: the reveal runs unseen and ends as usual.
  board.SetText({Line("あ")});
  for (int tick = 0; tick < 6; ++tick) board.RevealTick();
  EXPECT_FALSE(board.RevealRunning());

  board.show();
  EXPECT_EQ(board.Surface().pixelColor(300, 30), kPanel) << "showing paints the lines, not the white block";
  EXPECT_EQ(board.Surface().pixelColor(6, 6), kWhite) << "the character cell is opaque";

  board.SetText({});
  for (int tick = 0; tick < 6; ++tick) board.RevealTick();
  EXPECT_EQ(RowsOfColour(board.Surface(), 300, kWhite), (std::pair{6, 59}));
  EXPECT_EQ(board.Surface().pixelColor(554, 30), kPanel);
  board.grab();  // a repaint that is no paint operation: the block stays
  EXPECT_EQ(board.Surface().pixelColor(300, 30), kWhite);
  // Where the system repaints (a movie hidden over the board), the paint operation runs, there only.
  board.SystemRepaint(QRect(280, 20, 40, 20));
  EXPECT_EQ(board.Surface().pixelColor(300, 30), kPanel);
  EXPECT_EQ(board.Surface().pixelColor(100, 30), kWhite);
}

TEST_F(BoardTest, NewFontPaintsAtOnceWhileTheRevealKeepsItsPicture) {
  TBoard board;
  ConfigureMsgBoard(board, SourcePicture());
  board.show();
  board.Text() = {Line("あ"), Line("い")};
  board.SetText(board.Text());  // its own list: the lines must survive the emptying
  ASSERT_EQ(board.Text().size(), 2u);
  board.RevealTick();
  const QImage rendered = board.TextImage();
  QFont font = board.font();
  font.setFamily(QStringLiteral("IPAGothic"));  // a cell of 20 pixels at this size
  board.setFont(font);
  EXPECT_EQ(board.TextImage(), rendered);
  EXPECT_TRUE(HasInk(board.Surface(), QRect(6, 26, 18, 20))) << "the second line one cell of 20 down";
  EXPECT_FALSE(HasInk(board.Surface(), QRect(6, 24, 18, 2)));
}

// A board nobody sees (a replay) only notes its paints and reveal frames, and draws them when its picture is
// read or it is seen again: the picture is the one drawing each would have left, wherever it is read between.
TEST_F(BoardTest, AnUnseenBoardEndsWithThePictureASeenOneHas) {
  const auto play = [](TBoard& board, const std::function<void()>& checkpoint) {
    ConfigureMsgBoard(board, SourcePicture());
    board.show();
    board.SetText({Line("あいう"), Line("かき")});
    board.RevealTick();
    board.RevealTick();
    board.SetText({Line("さ")});  // during the reveal
    for (int tick = 0; tick < 6; ++tick) board.RevealTick();
    checkpoint();
    board.hide();
    board.SetText({Line("たちつ")});
    board.RevealTick();
    QFont font = board.font();
    font.setFamily(QStringLiteral("IPAGothic"));
    board.setFont(font);
    board.SetFontColour(QColor(200, 0, 0));
    board.show();
    for (int tick = 0; tick < 3; ++tick) board.RevealTick();
    checkpoint();
    board.SetMargin(9);
    board.SetText({Line("な"), Line("に")});
    for (int tick = 0; tick < 6; ++tick) board.RevealTick();
    board.SystemRepaint(QRect(100, 10, 50, 30));
    board.SetBitmap(QImage());  // the plain window look
    board.SetText({Line("は")});
    board.RevealTick();
    board.RevealTick();
  };
  TBoard seen;
  std::vector<QImage> seenPictures;
  play(seen, [&] { seenPictures.push_back(seen.Surface()); });
  seenPictures.push_back(seen.Surface());

  for (const bool readBetween : {false, true}) {
    SCOPED_TRACE(readBetween);
    TBoard unseen;
    unseen.SetUnseen(true);
    std::vector<QImage> pictures;
    play(unseen, [&] {
      if (readBetween) pictures.push_back(unseen.Surface());
    });
    unseen.SetUnseen(false);
    pictures.push_back(unseen.Surface());
    if (readBetween) {
      ASSERT_EQ(pictures.size(), 3u);
      EXPECT_EQ(pictures[0], seenPictures[0]);
      EXPECT_EQ(pictures[1], seenPictures[1]);
    }
    EXPECT_EQ(pictures.back(), seenPictures.back());
  }
}

TEST_F(BoardTest, MarginsWithoutRoomForTextDrawNothingOutsideTheBoard) {
  for (const int margin : {33, 40, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(margin);
    TBoard board;
    board.SetBitmap(SolidPicture(560, 65, kPanel));
    board.SetMargin(margin);
    board.SetText({Line("あ")});
    EXPECT_TRUE(board.TextImage().isNull());
    for (int tick = 0; tick < 6; ++tick) board.RevealTick();
    EXPECT_FALSE(board.RevealRunning());
    EXPECT_EQ(board.Surface().size(), QSize(560, 65));
  }
}

// A UTF-8 game's lines, decoded as the run hands them over, draw the very picture the same text decoded from
// code page 932 draws; a malformed byte draws as a replacement character, not as nothing.
TEST_F(BoardTest, Utf8LinesDrawAsTheirText) {
  TBoard sjis;
  ConfigureMsgBoard(sjis, SourcePicture());
  sjis.SetText({platform::DecodeSjis(platform::EncodeSjis(Line("あいう、漢字"))),
                platform::DecodeSjis(platform::EncodeSjis(Line("ＡＢＣ abc")))});
  TBoard utf8;
  ConfigureMsgBoard(utf8, SourcePicture());
  utf8.SetText({platform::DecodeUtf8("あいう、漢字"), platform::DecodeUtf8("ＡＢＣ abc")});
  EXPECT_EQ(utf8.TextImage(), sjis.TextImage());
  utf8.SetText({platform::DecodeUtf8("a\xE3\x81")});
  EXPECT_TRUE(HasInk(utf8.TextImage(), QRect(9, 0, 18, 18))) << "U+FFFD after the a";
}

}  // namespace
}  // namespace orbel::controls
