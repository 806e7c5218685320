#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The dissolve's pattern strip (BrushIMG): 16 cells of 8x8 one-bit pixels side by side, 128x8 in all.

#include <QImage>

namespace orbel::screen {

// Threshold of each pixel of a cell: cell k is black where the threshold is at most k. Every value 0..15
// occurs four times, so each cell turns four more pixels black than the one before.
inline constexpr int kDissolveThreshold[8][8] = {
    {4, 14, 7, 10, 2, 12, 5, 10}, {9, 0, 10, 2, 15, 1, 8, 6},  {6, 15, 4, 8, 7, 11, 4, 15},
    {11, 5, 12, 1, 14, 2, 13, 0}, {3, 8, 3, 10, 5, 9, 7, 9},   {14, 2, 13, 7, 8, 1, 11, 6},
    {0, 11, 4, 12, 3, 12, 3, 14}, {13, 6, 9, 0, 15, 5, 13, 1},
};

inline constexpr int kBrushCells = 16;
inline constexpr int kBrushCellSize = 8;

// Builds BrushIMG: a 128x8 QImage::Format_Mono picture with the two-colour palette index 0 white, index 1
// black; pixel (8k + x, y) is index 1 exactly when kDissolveThreshold[y][x] <= k. The window passes it to
// TScreen::SetBrushImage at start-up.
QImage MakeBrushImage();

}  // namespace orbel::screen
