#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Windows bitmap files, read by content whatever their name, and written as 24-bit files.

#include <QImage>
#include <string>

namespace orbel::screen {

// Largest picture the reader accepts: a hostile header must never make it allocate a huge image.
inline constexpr int kMaxBitmapSide = 16384;
inline constexpr qint64 kMaxBitmapPixels = 4096LL * 4096LL;

// Loads the bitmap at `path` (every Windows and OS/2 variant: 1/4/8 bits with a palette, RLE4/RLE8,
// 16/24/32 bits with or without bit fields, bottom-up or top-down) as a QImage::Format_RGB32 picture.
// Bit-field channels of any width are scaled to 0-255: full intensity is 255 however many bits it has.
// A file that is not a readable bitmap raises EOrbelError naming the file, decoded for reading. `path` is
// opened by its bytes, whatever their encoding.
QImage LoadBitmapFile(const std::string& path);

// The same for bitmap bytes already in memory; `name` is the file named in an error.
QImage DecodeBitmap(const QByteArray& bytes, const std::string& name);

// Writes `picture` as an uncompressed 24-bit bottom-up Windows bitmap; returns false when the file
// cannot be written.
bool SaveBitmapFile(const QImage& picture, const std::string& path);

}  // namespace orbel::screen
