#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real Qt event loop for a test: until a condition holds, or for a stretch of wall time; a stuck
// case fails after a minute instead of hanging.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <functional>

namespace orbel::tests {

// Runs the real event loop until done() holds. With beatMs, a timer of that period keeps the loop looking at
// done() while what it waits for reports by other means (a worker's posted events).
inline void RunRealUntil(const std::function<bool()>& done, int beatMs = 0) {
  QEventLoop loop;
  bool expired = false;
  QTimer safety;
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [&] { expired = true; });
  safety.start(60000);
  QTimer beat;
  if (beatMs > 0) beat.start(beatMs);
  while (!done() && !expired) loop.processEvents(QEventLoop::WaitForMoreEvents);
  ASSERT_FALSE(expired);
}

// Runs the real event loop for about ms of wall time, whatever fires meanwhile.
inline void RunRealFor(int ms, int beatMs = 0) {
  bool over = false;
  QTimer::singleShot(ms, [&] { over = true; });
  RunRealUntil([&] { return over; }, beatMs);
}

}  // namespace orbel::tests
