// SPDX-License-Identifier: GPL-3.0-or-later
// Shared entry point of the test programs: a QApplication on the offscreen platform (so widget tests run
// without a display) and the silent audio driver (so sound tests never need a sound server).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
