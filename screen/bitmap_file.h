#pragma once
// Windows bitmap files, read by content whatever their name, and written as 24-bit files.

#include <QImage>
#include <string>

namespace orbel::screen {

// Loads the bitmap at `path`. A file that is not a readable bitmap raises EOrbelError naming the file.
QImage LoadBitmapFile(const std::string& path);

// Writes `picture` as an uncompressed 24-bit Windows bitmap; returns false when the file cannot be written.
bool SaveBitmapFile(const QImage& picture, const std::string& path);

}  // namespace orbel::screen
