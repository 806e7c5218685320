// SPDX-License-Identifier: GPL-3.0-or-later
// Bitmap files of every variant, made by tests/data/bitmaps/make_bitmaps.py, and broken ones.
#include "screen/bitmap_file.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "screen/picture_cache.h"

namespace orbel::screen {
namespace {

std::string DataPath(const std::string& name) {
  return std::string(ORBEL_SOURCE_DIR) + "/tests/data/bitmaps/" + name;
}

// The generator's picture: index (x / 3 + y) % 8 into one of these tables.
constexpr QRgb kPalette[8] = {0x102030, 0xF00811, 0x22CC44, 0x0515EE, 0xFFFF00, 0x8040C0, 0x009999, 0xFEFDFC};
// The 16-bit files hold channels 0 or full, and full must come out as 255 (not 248 or 252).
constexpr QRgb kPure[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

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

// The cache gives the decoded picture again only while its file is the one it read: a file replaced under the
// same name (even by one of the same size) is read afresh, and a broken one still raises every time.
TEST(BitmapFile, PictureCacheFollowsTheFile) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("p.bmp").toStdString();
  const auto write = [&path](QRgb colour) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(SaveBitmapFile(image, path));
  };
  TPictureCache cache;
  write(qRgb(10, 20, 30));
  EXPECT_EQ(cache.Load(path).pixel(0, 0), qRgb(10, 20, 30));
  EXPECT_EQ(cache.Load(path).pixel(0, 0), qRgb(10, 20, 30));
  write(qRgb(200, 100, 50));
  // A modification time finer than the file system keeps may repeat; moving it on makes the change certain.
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
  file.close();
  EXPECT_EQ(cache.Load(path).pixel(0, 0), qRgb(200, 100, 50));
  {
    QFile broken(QString::fromStdString(path));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM broken");
  }
  EXPECT_THROW(cache.Load(path), EOrbelError);
  EXPECT_THROW(cache.Load(path), EOrbelError);
}

TEST(BitmapFile, ReadsEveryVariantOfThePicture) {
  for (const char* name :
       {"pal4.bmp", "pal8.bmp", "pal8_topdown.bmp", "rle8.bmp", "rle4.bmp", "rgb24.bmp", "rgb24_topdown.bmp",
        "rgb24_v5.bmp", "rgb32.bmp", "rgb32_bitfields.bmp", "rgb32_111110.bmp", "os2v1_8.bmp", "os2v1_24.bmp",
        "os2v2_8.bmp", "os2v2_short_8.bmp", "os2v2_rle4.bmp", "picture.dat", "sub/noext"}) {
    SCOPED_TRACE(name);
    ExpectPicture(LoadBitmapFile(DataPath(name)), [](int x, int y) { return kPalette[Index(x, y)]; });
  }
  ExpectPicture(LoadBitmapFile(DataPath("pal1.bmp")), [](int x, int y) { return kPalette[Index(x, y) % 2]; });
  for (const char* name : {"rgb16_555.bmp", "rgb16_565.bmp", "rgb16_231.bmp"}) {
    SCOPED_TRACE(name);
    ExpectPicture(LoadBitmapFile(DataPath(name)), [](int x, int y) { return kPure[Index(x, y)]; });
  }
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

// A 16 or 32-bit bitmap of `pixels` (rows top first, `width` to a row), bit fields when `masks` are given,
// else uncompressed; stored bottom-up unless `topDown`.
QByteArray MaskedBitmap(int bpp, int width, const std::vector<uint32_t>& pixels,
                        const std::vector<uint32_t>& masks = {}, bool topDown = false) {
  const int height = static_cast<int>(pixels.size()) / width;
  const int stride = (width * bpp + 31) / 32 * 4;
  const int offBits = 14 + 40 + 4 * static_cast<int>(masks.size());
  QByteArray bytes(offBits + stride * height, '\0');
  auto* out = reinterpret_cast<uchar*>(bytes.data());
  out[0] = 'B';
  out[1] = 'M';
  qToLittleEndian<uint32_t>(bytes.size(), out + 2);
  qToLittleEndian<uint32_t>(offBits, out + 10);
  qToLittleEndian<uint32_t>(40, out + 14);
  qToLittleEndian<int32_t>(width, out + 18);
  qToLittleEndian<int32_t>(topDown ? -height : height, out + 22);
  qToLittleEndian<uint16_t>(1, out + 26);
  qToLittleEndian<uint16_t>(bpp, out + 28);
  qToLittleEndian<uint32_t>(masks.empty() ? 0 : 3, out + 30);
  for (size_t i = 0; i < masks.size(); ++i) qToLittleEndian<uint32_t>(masks[i], out + 54 + 4 * i);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uchar* at = out + offBits + (topDown ? y : height - 1 - y) * stride + x * bpp / 8;
      const uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
      if (bpp == 16)
        qToLittleEndian<uint16_t>(static_cast<uint16_t>(pixel), at);
      else
        qToLittleEndian<uint32_t>(pixel, at);
    }
  return bytes;
}

void ExpectPixels(const QImage& picture, int width, const std::vector<QRgb>& expected) {
  ASSERT_EQ(picture.format(), QImage::Format_RGB32);
  ASSERT_EQ(picture.size(), QSize(width, static_cast<int>(expected.size()) / width));
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(picture.pixel(x, y), 0xFF000000 | expected[static_cast<size_t>(y) * width + x])
          << "at " << x << "," << y;
}

TEST(BitmapFile, EveryChannelValueOfEveryMaskWidthSpansZeroTo255) {
  // One row per channel running through all its values, the other channels 0; each value v of a channel
  // with largest value max must read as v * 255 / max to the nearest whole number.
  struct TCase {
    const char* Layout;
    int Bpp;
    std::array<uint32_t, 3> Masks;
    bool InFile;  // false: the reader's default masks for the bit count
  };
  const TCase cases[] = {
      {"5-5-5", 16, {0x7C00, 0x03E0, 0x001F}, false},
      {"5-5-5 bit fields", 16, {0x7C00, 0x03E0, 0x001F}, true},
      {"5-6-5", 16, {0xF800, 0x07E0, 0x001F}, true},
      {"2-3-1", 16, {0x0030, 0x000E, 0x0001}, true},
      {"12-0-4, no green", 16, {0xFFF0, 0, 0x000F}, true},
      {"8-8-8", 32, {0x00FF0000, 0x0000FF00, 0x000000FF}, false},
      {"11-11-10", 32, {0xFFE00000, 0x001FFC00, 0x000003FF}, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Layout);
    int width = 1;
    for (uint32_t mask : c.Masks)
      if (mask) width = std::max(width, static_cast<int>(mask >> std::countr_zero(mask)) + 1);
    std::vector<uint32_t> pixels;
    std::vector<QRgb> expected;
    for (int channel = 0; channel < 3; ++channel) {
      const uint32_t mask = c.Masks[channel];
      const int shift = mask ? std::countr_zero(mask) : 0;
      const uint32_t max = mask >> shift;
      for (int x = 0; x < width; ++x) {
        const uint32_t v = max ? x % (max + 1) : 0;
        pixels.push_back(v << shift);
        const int level = max ? static_cast<int>(std::lround(v * 255.0 / max)) : 0;
        expected.push_back(static_cast<QRgb>(level) << (16 - 8 * channel));
      }
    }
    const std::vector<uint32_t> masks =
        c.InFile ? std::vector<uint32_t>(c.Masks.begin(), c.Masks.end()) : std::vector<uint32_t>{};
    ExpectPixels(DecodeBitmap(MaskedBitmap(c.Bpp, width, pixels, masks), "ramp.bmp"), width, expected);
  }
}

TEST(BitmapFile, NarrowAndWideChannelsGiveKnownLevels) {
  // Two bits give quarters of 255, three bits eighths, one bit all or nothing.
  ExpectPixels(DecodeBitmap(MaskedBitmap(16, 8, {0x00, 0x12, 0x24, 0x36, 0x39, 0x0B, 0x0D, 0x3F},
                                         {0x0030, 0x000E, 0x0001}),
                            "231.bmp"),
               8, {0x000000, 0x552400, 0xAA4900, 0xFF6D00, 0xFF92FF, 0x00B6FF, 0x00DBFF, 0xFFFFFF});

  // Five bits, 3 among them: copying the top bits down would make it 24, not 25.
  ExpectPixels(DecodeBitmap(MaskedBitmap(16, 4, {1 << 10 | 3 << 5 | 16, 31 << 10 | 30 << 5 | 2, 0, 0x7FFF}),
                            "555.bmp"),
               4, {0x081984, 0xFFF710, 0x000000, 0xFFFFFF});

  // 11-11-10 in 32 bits, either row order: values either side of half way, and the smallest to round up.
  auto pack = [](uint32_t r, uint32_t g, uint32_t b) { return r << 21 | g << 10 | b; };
  const std::vector<uint32_t> wide = {pack(4, 8, 2), pack(1023, 1024, 3), pack(1024, 1023, 512),
                                      pack(2047, 2047, 1023)};
  const std::vector<QRgb> levels = {0x000100, 0x7F8001, 0x807F80, 0xFFFFFF};
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    ExpectPixels(
        DecodeBitmap(MaskedBitmap(32, 2, wide, {0xFFE00000, 0x001FFC00, 0x000003FF}, topDown), "w.bmp"), 2,
        levels);
  }

  // A 20-bit channel, past what a table covers, and a 32-bit-wide one.
  ExpectPixels(DecodeBitmap(MaskedBitmap(32, 3, {0x7FFFF000, 0x80000FFF, 0xFFFFFFFF}, {0xFFFFF000, 0xFFF, 0}),
                            "20.bmp"),
               3, {0x7F0000, 0x80FF00, 0xFFFF00});
  ExpectPixels(
      DecodeBitmap(MaskedBitmap(32, 3, {0x7FFFFFFF, 0x80000000, 0xFFFFFFFF}, {0xFFFFFFFF, 0, 0}), "32.bmp"),
      3, {0x7F0000, 0x800000, 0xFF0000});
}

// The error for a small bitmap whose info header is then made to claim `headerSize` bytes, `bpp` bits and
// `compression`.
std::string ErrorFor(uint32_t headerSize, uint16_t bpp, uint32_t compression) {
  QByteArray bytes = MaskedBitmap(32, 8, std::vector<uint32_t>(32, 0));
  auto* out = reinterpret_cast<uchar*>(bytes.data());
  qToLittleEndian(headerSize, out + 14);
  qToLittleEndian(bpp, out + 28);
  qToLittleEndian(compression, out + 30);
  try {
    DecodeBitmap(bytes, "x.bmp");
  } catch (const EOrbelError& error) {
    return error.what();
  }
  return "no error";
}

TEST(BitmapFile, JpegAndPngInsideABitmapAreRefusedAsSuch) {
  // Such files carry a bit count of 0, which must not be what the error blames.
  for (uint32_t headerSize : {40u, 124u}) {
    SCOPED_TRACE(headerSize);
    const std::string jpeg = ErrorFor(headerSize, 0, 4);
    EXPECT_NE(jpeg.find("JPEG で圧縮された画像には対応していません"), std::string::npos) << jpeg;
    const std::string png = ErrorFor(headerSize, 0, 5);
    EXPECT_NE(png.find("PNG で圧縮された画像には対応していません"), std::string::npos) << png;
    EXPECT_NE(png.find("x.bmp"), std::string::npos) << png;
  }
  // In an OS/2 2.x header 4 is a run-length code for 24-bit pixels, not JPEG.
  const std::string os2 = ErrorFor(64, 24, 4);
  EXPECT_NE(os2.find("この圧縮形式には対応していません"), std::string::npos) << os2;
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
  for (const char* name :
       {"pal1.bmp", "pal4.bmp", "rle8.bmp", "rle4.bmp", "rle8_delta.bmp", "rgb16_565.bmp", "rgb24_v5.bmp",
        "rgb32_bitfields.bmp", "rgb32_111110.bmp", "os2v1_8.bmp", "os2v2_rle4.bmp"}) {
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
