// SPDX-License-Identifier: GPL-3.0-or-later

#include "screen/dissolve_brush.h"

namespace orbel::screen {

QImage MakeBrushImage() {
  QImage brush(kBrushCells * kBrushCellSize, kBrushCellSize, QImage::Format_Mono);
  brush.setColorCount(2);
  brush.setColor(0, qRgb(255, 255, 255));
  brush.setColor(1, qRgb(0, 0, 0));
  for (int k = 0; k < kBrushCells; ++k)
    for (int y = 0; y < kBrushCellSize; ++y)
      for (int x = 0; x < kBrushCellSize; ++x)
        brush.setPixel(k * kBrushCellSize + x, y, kDissolveThreshold[y][x] <= k ? 1 : 0);
  return brush;
}

}  // namespace orbel::screen
