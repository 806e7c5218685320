// SPDX-License-Identifier: GPL-3.0-or-later
// Raster operations against hand-computed pixels, and against a per-pixel model on random pictures.
#include "screen/raster.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace orbel::screen {
namespace {

QImage Filled(int w, int h, QRgb colour) {
  QImage image(w, h, kRasterFormat);
  image.fill(colour);
  return image;
}

QImage Random(int w, int h, QRandomGenerator& random) {
  QImage image(w, h, kRasterFormat);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFF));
  return image;
}

// A pattern whose every pixel differs, so a wrong anchor shows.
QImage Pattern() {
  QImage tile(8, 8, kRasterFormat);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) tile.setPixel(x, y, qRgb(0xF0 | x, 0x0F | (y << 4), (x * 8 + y) * 3));
  return tile;
}

TEST(Raster, EachOperationOnOnePixel) {
  const QImage source = Filled(1, 1, 0xFF123456);
  QImage pattern = Filled(8, 8, 0xFFF0F0F0);
  QImage dest = Filled(1, 1, 0xFF0F0F0F);
  BitBlt(dest, {0, 0}, source, source.rect(), roSrcPaint);
  EXPECT_EQ(dest.pixel(0, 0), 0xFF1F3F5Fu);
  BitBlt(dest, {0, 0}, source, source.rect(), roNotSrcCopy);
  EXPECT_EQ(dest.pixel(0, 0), 0xFFEDCBA9u);  // the unused byte stays set, as 24-bit storage would show it
  BitBlt(dest, {0, 0}, source, source.rect(), roMergeCopy, &pattern);
  EXPECT_EQ(dest.pixel(0, 0), 0xFF103050u);
  BitBlt(dest, {0, 0}, source, source.rect(), roSrcCopy);
  EXPECT_EQ(dest.pixel(0, 0), 0xFF123456u);
}

TEST(Raster, PatternIsAnchoredAtTheDestinationOrigin) {
  const QImage pattern = Pattern();
  const QImage white = Filled(20, 20, 0xFFFFFFFF);
  QImage dest = Filled(30, 30, 0xFF000000);
  BitBlt(dest, {3, 5}, white, QRect(1, 2, 12, 11), roMergeCopy, &pattern);
  EXPECT_EQ(dest.pixel(3, 5), pattern.pixel(3, 5));
  EXPECT_EQ(dest.pixel(14, 15), pattern.pixel(6, 7));
  EXPECT_EQ(dest.pixel(8, 8), pattern.pixel(0, 0));
  EXPECT_EQ(dest.pixel(2, 5), 0xFF000000u);    // left of the copy
  EXPECT_EQ(dest.pixel(15, 15), 0xFF000000u);  // right of it
}

TEST(Raster, CopiesAreClippedToBothPictures) {
  QImage source = Filled(4, 4, 0xFF00FF00);
  source.setPixel(0, 0, 0xFFFF0000);
  source.setPixel(3, 3, 0xFF0000FF);
  QImage dest = Filled(6, 6, 0xFF000000);
  // The source rectangle sticks out at the top-left; the part inside lands where it would have.
  BitBlt(dest, {1, 1}, source, QRect(-1, -1, 3, 3), roSrcCopy);
  EXPECT_EQ(dest.pixel(1, 1), 0xFF000000u);
  EXPECT_EQ(dest.pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(dest.pixel(3, 3), 0xFF00FF00u);
  EXPECT_EQ(dest.pixel(4, 4), 0xFF000000u);
  // The destination cuts the copy at its right and bottom edges, and at negative targets.
  dest.fill(0xFF000000);
  BitBlt(dest, {4, 4}, source, source.rect(), roSrcCopy);
  EXPECT_EQ(dest.pixel(4, 4), 0xFFFF0000u);
  EXPECT_EQ(dest.pixel(5, 5), 0xFF00FF00u);
  dest.fill(0xFF000000);
  BitBlt(dest, {-3, -3}, source, source.rect(), roSrcCopy);
  EXPECT_EQ(dest.pixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(dest.pixel(1, 0), 0xFF000000u);
  // Entirely outside: nothing happens.
  BitBlt(dest, {6, 0}, source, source.rect(), roSrcCopy);
  BitBlt(dest, {0, 0}, source, QRect(4, 0, 2, 2), roSrcCopy);
  EXPECT_EQ(dest.pixel(5, 0), 0xFF000000u);
}

TEST(Raster, OverlappingCopiesInOneImageReadTheSourceFirst) {
  QRandomGenerator random(7);
  for (TRasterOp op : {roSrcCopy, roNotSrcCopy, roSrcPaint})
    for (QPoint shift : {QPoint(8, 0), QPoint(-8, 0), QPoint(0, 2), QPoint(3, -2), QPoint(-1, 1)}) {
      SCOPED_TRACE(testing::Message() << op << " " << shift.x() << "," << shift.y());
      QImage image = Random(40, 12, random);
      QImage expected = image.copy();
      const QImage before = image.copy();
      const QRect from(8, 4, 20, 4);
      BitBlt(expected, from.topLeft() + shift, before, from, op);
      BitBlt(image, from.topLeft() + shift, image, from, op);
      EXPECT_EQ(image, expected);
    }
}

TEST(Raster, EveryOperationMatchesThePerPixelRule) {
  QRandomGenerator random(11);
  const QImage pattern = Pattern();
  for (int round = 0; round < 40; ++round) {
    const QImage source = Random(37, 23, random);
    QImage dest = Random(41, 19, random);
    const QImage before = dest.copy();
    const auto op = static_cast<TRasterOp>(round % 4);
    const QRect from(random.bounded(-5, 30), random.bounded(-5, 20), random.bounded(1, 40),
                     random.bounded(1, 25));
    const QPoint to(random.bounded(-10, 40), random.bounded(-10, 18));
    BitBlt(dest, to, source, from, op, &pattern);
    for (int y = 0; y < dest.height(); ++y)
      for (int x = 0; x < dest.width(); ++x) {
        const QPoint s = QPoint(x, y) - to + from.topLeft();
        QRgb want = before.pixel(x, y);
        if (from.contains(s) && source.rect().contains(s)) {
          const QRgb sp = source.pixel(s) & 0xFFFFFF, dp = want & 0xFFFFFF;
          const QRgb pp = pattern.pixel(x % 8, y % 8) & 0xFFFFFF;
          const QRgb results[4] = {sp, sp & pp, ~sp & 0xFFFFFF, sp | dp};
          want = 0xFF000000u | results[op];
        }
        ASSERT_EQ(dest.pixel(x, y), want) << "round " << round << " at " << x << "," << y;
      }
  }
}

TEST(Raster, FusedDissolveEqualsTheFourOperations) {
  QRandomGenerator random(5);
  const QImage keep = Random(8, 8, random), inverse = Random(8, 8, random), stage = Random(37, 21, random);
  QImage screen = Random(37, 21, random), spare = Random(37, 21, random), window = Random(37, 21, random);
  QImage screen2 = screen.copy(), spare2 = spare.copy(), window2 = window.copy();
  DissolveFrame(screen, stage, spare, window, keep, inverse);
  BitBlt(screen2, {0, 0}, screen2, screen2.rect(), roMergeCopy, &keep);
  BitBlt(spare2, {0, 0}, stage, stage.rect(), roMergeCopy, &inverse);
  BitBlt(spare2, {0, 0}, screen2, screen2.rect(), roSrcPaint);
  BitBlt(window2, {0, 0}, spare2, spare2.rect(), roSrcCopy);
  EXPECT_EQ(screen, screen2);
  EXPECT_EQ(spare, spare2);
  EXPECT_EQ(window, window2);
}

TEST(Raster, OtherPixelFormatsAreLeftAlone) {
  QImage narrow(16, 4, QImage::Format_RGB888);
  narrow.fill(Qt::red);
  const QImage before = narrow.copy();
  const QImage source = Filled(16, 4, 0xFF00FF00);
  BitBlt(narrow, {0, 0}, source, source.rect(), roSrcCopy);
  FillRect(narrow, narrow.rect(), 0);
  DrawTransparent(narrow, {0, 0}, source, 0);
  EXPECT_EQ(narrow, before);
  QImage dest = Filled(16, 4, 0xFF000000);
  BitBlt(dest, {0, 0}, narrow, narrow.rect(), roSrcCopy);
  EXPECT_EQ(dest.pixel(15, 3), 0xFF000000u);
}

// Only the engine's own code can break these; the check must hold in the release build the tests run in.
TEST(RasterDeathTest, BrokenCallerContractsEndTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  QImage first = Filled(8, 8, 0xFF000000), second = Filled(8, 8, 0xFF000000);
  const QImage smaller = Filled(4, 4, 0xFFFFFFFF);
  EXPECT_DEATH(CopyTwice(first, second, smaller), "raster contract broken");
  EXPECT_DEATH(BitBlt(first, {0, 0}, second, second.rect(), roMergeCopy), "raster contract broken");
  const QImage tile = Pattern(), smallTile = Filled(4, 4, 0xFFFFFFFF);
  QImage stage = Filled(8, 8, 0xFFFFFFFF), window = Filled(8, 8, 0xFF000000);
  EXPECT_DEATH(DissolveFrame(first, stage, second, window, tile, smallTile), "raster contract broken");
  QImage narrow(8, 8, QImage::Format_RGB888);
  EXPECT_DEATH(DissolveFrame(first, stage, second, narrow, tile, tile), "raster contract broken");
}

TEST(Raster, FillAndColourKey) {
  QImage dest = Filled(5, 5, 0xFF000000);
  FillRect(dest, QRect(3, 3, 10, 10), 0x00FFFFFF);
  EXPECT_EQ(dest.pixel(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(dest.pixel(4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(dest.pixel(2, 3), 0xFF000000u);

  QImage source = Filled(3, 2, 0xFF00FF00);
  source.setPixel(1, 0, 0xFF00FF01);
  source.setPixel(2, 1, 0xFFFF00FF);
  dest.fill(0xFF101010);
  DrawTransparent(dest, {3, 4}, source, 0x0000FF00);  // the key's top byte does not count
  EXPECT_EQ(dest.pixel(3, 4), 0xFF101010u);
  EXPECT_EQ(dest.pixel(4, 4), 0xFF00FF01u);  // one bit off the key is drawn
  EXPECT_EQ(dest.pixel(4, 3), 0xFF101010u);
}

// On every width, and at every offset into the destination, each pixel is the source's where it is not the
// key and stays as it was where it is.
TEST(Raster, ColourKeyOnAnyWidthAndOffset) {
  QRandomGenerator random(20261209);
  const QRgb key = 0x00336699;
  for (int w = 1; w <= 19; ++w)
    for (const QPoint at : {QPoint(0, 0), QPoint(3, 1), QPoint(-2, 0), QPoint(25, 2)}) {
      SCOPED_TRACE(testing::Message() << w << " wide at " << at.x() << "," << at.y());
      QImage source = Random(w, 3, random);
      for (int i = 0; i < w * 3 / 2; ++i)
        source.setPixel(int(random.bounded(w)), int(random.bounded(3)), (random.generate() << 24) | key);
      const QImage before = Random(32, 6, random);
      QImage dest = before;
      DrawTransparent(dest, at, source, 0xFF000000u | key);
      for (int y = 0; y < dest.height(); ++y)
        for (int x = 0; x < dest.width(); ++x) {
          const QPoint from(x - at.x(), y - at.y());
          const bool inside = source.rect().contains(from);
          const QRgb shown = inside ? source.pixel(from) : 0;
          const QRgb expected =
              inside && (shown & 0xFFFFFF) != key ? (shown | 0xFF000000u) : before.pixel(x, y);
          ASSERT_EQ(dest.pixel(x, y), expected) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace orbel::screen
