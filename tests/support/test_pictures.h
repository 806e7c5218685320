#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of one colour for the tests' games: as a file's bytes, or saved as the game's bitmap file.
// Header-only: what includes it links the screen library.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <string>

#include "screen/bitmap_file.h"

namespace orbel::tests {

// The game's screen: what a full-screen picture covers.
inline constexpr QSize kScreenSize(640, 480);

// A picture of `size` filled with `colour`.
inline QImage Filled(QSize size, QRgb colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// The bytes of a `format` file ("BMP", "PNG") holding a picture of `size` filled with `colour`.
inline QByteArray FilledFileBytes(QSize size, QRgb colour, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  Filled(size, colour).save(&buffer, format);
  return bytes;
}

// The bytes of a full-screen BMP of one colour.
inline QByteArray ScreenPicture(QRgb colour) {
  return FilledFileBytes(kScreenSize, colour, "BMP");
}

// Saves a full-screen picture of one colour as the bitmap file `path`; false when it cannot.
inline bool SaveScreenPicture(const std::string& path, QRgb colour) {
  return screen::SaveBitmapFile(Filled(kScreenSize, colour), path);
}

}  // namespace orbel::tests
