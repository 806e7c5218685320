// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap files of every variant, made by tests/data/bitmaps/make_bitmaps.py, and broken ones.
#include "screen/bitmap_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>
#include <string>

#include "platform/errors.h"

namespace orbel::screen {
namespace {

std::string DataPath(const std::string& name) {
  return std::string(ORBEL_SOURCE_DIR) + "/tests/data/bitmaps/" + name;
}

// The generator's picture: index (x / 3 + y) % 8 into one of these tables.
constexpr QRgb kPalette[8] = {0x102030, 0xF00811, 0x22CC44, 0x0515EE, 0xFFFF00, 0x8040C0, 0x009999, 0xFEFDFC};
// The 16-bit files hold channels 0 or full; Qt widens 5 and 6-bit channels by shifting (31 -> 248).
QRgb Widened16(int index, bool green6) {
  const QRgb pure[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  const QRgb c = pure[index];
  return qRgb(qRed(c) & 0xF8, qGreen(c) & (green6 ? 0xFC : 0xF8), qBlue(c) & 0xF8) & 0xFFFFFF;
}

int Index(int x, int y) {
  return (x / 3 + y) % 8;
}

void ExpectPicture(const QImage& picture, const std::function<QRgb(int, int)>& expected) {
  ASSERT_EQ(picture.format(), QImage::Format_RGB32);
  ASSERT_EQ(picture.size(), QSize(13, 7));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x)
      ASSERT_EQ(picture.pixel(x, y) & 0xFFFFFF, expected(x, y)) << "at " << x << "," << y;
}

TEST(BitmapFile, ReadsEveryVariantOfThePicture) {
  for (const char* name :
       {"pal4.bmp", "pal8.bmp", "pal8_topdown.bmp", "rle8.bmp", "rle4.bmp", "rgb24.bmp", "rgb24_topdown.bmp",
        "rgb24_v5.bmp", "rgb32.bmp", "rgb32_bitfields.bmp", "os2v1_8.bmp", "os2v1_24.bmp", "os2v2_8.bmp",
        "os2v2_short_8.bmp", "os2v2_rle4.bmp", "picture.dat", "sub/noext"}) {
    SCOPED_TRACE(name);
    ExpectPicture(LoadBitmapFile(DataPath(name)), [](int x, int y) { return kPalette[Index(x, y)]; });
  }
  ExpectPicture(LoadBitmapFile(DataPath("pal1.bmp")), [](int x, int y) { return kPalette[Index(x, y) % 2]; });
  ExpectPicture(LoadBitmapFile(DataPath("rgb16_555.bmp")),
                [](int x, int y) { return Widened16(Index(x, y), false); });
  ExpectPicture(LoadBitmapFile(DataPath("rgb16_565.bmp")),
                [](int x, int y) { return Widened16(Index(x, y), true); });
}

TEST(BitmapFile, RleDeltaAndEndOfLineLeavePaletteIndexZero) {
  // Bottom row index 1; next row four pixels of index 2; a delta to (6, row 4 from the bottom) and five
  // pixels of index 3; everything skipped is index 0.
  ExpectPicture(LoadBitmapFile(DataPath("rle8_delta.bmp")), [](int x, int y) {
    const int row = 6 - y;
    if (row == 0) return kPalette[1];
    if (row == 1 && x < 4) return kPalette[2];
    if (row == 4 && x >= 6 && x < 11) return kPalette[3];
    return kPalette[0];
  });
}

TEST(BitmapFile, BrokenFilesRaiseAnErrorNamingTheFile) {
  for (const char* name : {"bad_bpp.bmp",
                           "bad_header_size.bmp",
                           "bad_planes.bmp",
                           "bitfields_no_mask.bmp",
                           "compression_jpeg.bmp",
                           "empty.bmp",
                           "header_only.bmp",
                           "huge.bmp",
                           "huge_rle.bmp",
                           "negative_width.bmp",
                           "offbits_past_end.bmp",
                           "palette_too_long.bmp",
                           "rle_cut_in_run.bmp",
                           "rle_past_top.bmp",
                           "rle_topdown.bmp",
                           "rle_unterminated.bmp",
                           "rle_wrong_bpp.bmp",
                           "short_header.bmp",
                           "text.bmp",
                           "truncated.bmp",
                           "zero_height.bmp"}) {
    SCOPED_TRACE(name);
    const std::string path = DataPath(std::string("broken/") + name);
    try {
      LoadBitmapFile(path);
      ADD_FAILURE() << "no error";
    } catch (const EOrbelError& error) {
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
  }
  EXPECT_THROW(LoadBitmapFile(DataPath("no such file")), EOrbelError);
}

TEST(BitmapFile, HostileSizesNeverReachTheAllocator) {
  // Every header field that sizes an allocation, set to its worst value in an otherwise valid file.
  const QByteArray good = [] {
    QFile f(QString::fromStdString(DataPath("rgb24.bmp")));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }();
  auto patched = [&](int offset, quint32 value) {
    QByteArray bytes = good;
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
  };
  for (int offset : {10, 14, 18, 22, 46})  // offBits, header size, width, height, colours used
    for (quint32 value : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x00010000u}) {
      SCOPED_TRACE(testing::Message() << offset << "=" << value);
      try {
        const QImage picture = DecodeBitmap(patched(offset, value), "x.bmp");
        EXPECT_LE(qint64(picture.width()) * picture.height(), kMaxBitmapPixels);
      } catch (const EOrbelError&) {
      }
    }
}

TEST(BitmapFile, MangledFilesDecodeOrRaiseButNeverCrash) {
  QRandomGenerator random(1234);
  for (const char* name : {"pal1.bmp", "pal4.bmp", "rle8.bmp", "rle4.bmp", "rle8_delta.bmp", "rgb16_565.bmp",
                           "rgb24_v5.bmp", "rgb32_bitfields.bmp", "os2v1_8.bmp", "os2v2_rle4.bmp"}) {
    QFile f(QString::fromStdString(DataPath(name)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    for (int round = 0; round < 300; ++round) {
      QByteArray bytes = good;
      const int edits = 1 + random.bounded(4);
      for (int i = 0; i < edits; ++i)
        bytes[random.bounded(bytes.size())] = static_cast<char>(random.bounded(256));
      if (round % 5 == 0) bytes.truncate(random.bounded(bytes.size()));
      try {
        const QImage picture = DecodeBitmap(bytes, name);
        EXPECT_LE(qint64(picture.width()) * picture.height(), kMaxBitmapPixels);
      } catch (const EOrbelError&) {
      }
    }
  }
}

TEST(BitmapFile, WallpaperTileIsAn8BitPictureOf260By100) {
  const std::string path = std::string(ORBEL_SOURCE_DIR) + "/resources/wall.bmp";
  QFile f(QString::fromStdString(path));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.read(54);
  EXPECT_EQ(static_cast<uchar>(bytes[28]), 8);  // bits per pixel
  EXPECT_EQ(static_cast<uchar>(bytes[47]), 1);  // 256 colours used
  EXPECT_EQ(LoadBitmapFile(path).size(), QSize(260, 100));
}

TEST(BitmapFile, SavesA24BitFileThatReadsBack) {
  QTemporaryDir dir;
  QImage picture(5, 3, QImage::Format_RGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) picture.setPixel(x, y, qRgb(x * 50, y * 100, 7));
  const std::string path = dir.filePath("out.bmp").toStdString();
  ASSERT_TRUE(SaveBitmapFile(picture, path));

  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_EQ(bytes.size(), 54 + 3 * 16);  // rows of 15 bytes padded to 16
  EXPECT_EQ(bytes.left(2), "BM");
  EXPECT_EQ(static_cast<uchar>(bytes[28]), 24);  // bits per pixel
  EXPECT_EQ(static_cast<uchar>(bytes[30]), 0);   // uncompressed
  // Bottom-up: the first stored row is the picture's last, blue first.
  EXPECT_EQ(static_cast<uchar>(bytes[54 + 3 * 4 + 0]), 7);
  EXPECT_EQ(static_cast<uchar>(bytes[54 + 3 * 4 + 1]), 200);
  EXPECT_EQ(static_cast<uchar>(bytes[54 + 3 * 4 + 2]), 200);
  EXPECT_EQ(LoadBitmapFile(path), picture);

  EXPECT_FALSE(SaveBitmapFile(picture, dir.filePath("missing/dir/out.bmp").toStdString()));
}

}  // namespace
}  // namespace orbel::screen
