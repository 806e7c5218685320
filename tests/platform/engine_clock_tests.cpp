// SPDX-License-Identifier: GPL-3.0-or-later
// The engine clock: the order in which virtual time fires timers, late and nested firing, and the real mode's
// timers still running from the Qt event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/engine_clock.h"

namespace orbel::platform {
namespace {

class VirtualClockTest : public testing::Test {
 protected:
  void SetUp() override { EngineClock().SetVirtual(true); }
  void TearDown() override { EngineClock().SetVirtual(false); }
  static TEngineClock& Clock() { return EngineClock(); }
  // A callback that notes "<name>@<now>".
  std::function<void()> Note(const std::string& name) {
    return [this, name] { Fired.push_back(name + "@" + std::to_string(Clock().NowMs())); };
  }
  std::vector<std::string> Fired;
};

TEST_F(VirtualClockTest, TimeStandsStillAndTimersFireInDueThenStartOrder) {
  TEngineTimer late(Note("late")), first(Note("first")), second(Note("second")), once(Note("once"));
  late.StartSingleShot(70);
  first.Start(50);
  second.Start(50);  // same due time, started later: fires after first
  once.StartSingleShot(50);
  EXPECT_EQ(Clock().NowMs(), 0);
  EXPECT_EQ(Clock().NextDueMs(), 50);

  // A limit before the next due time moves time only up to the limit.
  EXPECT_FALSE(Clock().AdvanceTo(20));
  EXPECT_EQ(Clock().NowMs(), 20);
  EXPECT_DOUBLE_EQ(Clock().NowSeconds(), 0.02);
  EXPECT_TRUE(Fired.empty());

  // A later limit stops at the first due moment and fires everything due there.
  EXPECT_TRUE(Clock().AdvanceTo(1000));
  EXPECT_EQ(Fired, (std::vector<std::string>{"first@50", "second@50", "once@50"}));
  EXPECT_FALSE(once.IsActive());
  EXPECT_TRUE(first.IsActive());

  // At 100 the two repeating timers again come in their scheduling order, after "late" at 70.
  Fired.clear();
  while (Clock().NowMs() < 100) Clock().AdvanceToNextDue();
  EXPECT_EQ(Fired, (std::vector<std::string>{"late@70", "first@100", "second@100"}));

  first.Stop();
  second.Stop();
  EXPECT_EQ(Clock().NextDueMs(), std::nullopt);
  EXPECT_FALSE(Clock().AdvanceToNextDue());
  EXPECT_EQ(Clock().NowMs(), 100);
  // Hours pass at once when nothing is due.
  EXPECT_FALSE(Clock().AdvanceTo(int64_t{5} * 3600 * 1000));
  EXPECT_EQ(Clock().NowMs(), int64_t{5} * 3600 * 1000);
}

// A tick fired late keeps to its grid and does not fire again for the ticks it missed; the others still fire
// when the clock is next advanced, once.
TEST_F(VirtualClockTest, LateRepeatingTimersFireOnceAndKeepTheirGrid) {
  TEngineTimer tick(Note("tick")), movie(Note("movie"));
  tick.Start(50);
  movie.StartSingleShot(230);
  // The blocking play: only the movie's own moment is reached; the tick due at 50..200 waits.
  EXPECT_TRUE(Clock().AdvanceThrough(movie));
  EXPECT_EQ(Fired, std::vector<std::string>{"movie@230"});
  EXPECT_EQ(Clock().NextDueMs(), 50);  // overdue
  EXPECT_TRUE(Clock().AdvanceTo(230));
  EXPECT_EQ(Fired, (std::vector<std::string>{"movie@230", "tick@230"}));
  EXPECT_EQ(Clock().NextDueMs(), 250);
  // Tests may reset the clock: timers stop, time is 0 again.
  Clock().SetVirtual(true);
  EXPECT_FALSE(tick.IsActive());
  EXPECT_EQ(Clock().NowMs(), 0);
  EXPECT_EQ(Clock().NextDueMs(), std::nullopt);
}

// A callback that waits (advances the clock itself) sees the later moments fire inside its wait, and every
// timer fires once per due time.
TEST_F(VirtualClockTest, NestedAdvanceFromACallbackFiresEachDueTimeOnce) {
  TEngineTimer tick(Note("tick")), other(Note("other"));
  std::vector<int64_t> waits;
  TEngineTimer waiter([&] {
    waits.push_back(Clock().NowMs());
    // The wait of a step running in the callback: up to 120 ms from now.
    const int64_t deadline = Clock().NowMs() + 120;
    while (Clock().NowMs() < deadline) Clock().AdvanceTo(deadline);
    waits.push_back(Clock().NowMs());
  });
  tick.Start(50);
  other.StartSingleShot(60);
  waiter.StartSingleShot(50);  // due with the first tick, scheduled after it
  Clock().AdvanceTo(50);
  EXPECT_EQ(waits, (std::vector<int64_t>{50, 170}));
  EXPECT_EQ(Fired, (std::vector<std::string>{"tick@50", "other@60", "tick@100", "tick@150"}));
  Clock().AdvanceToNextDue();
  EXPECT_EQ(Fired.back(), "tick@200");

  // A repeating timer whose own callback waits skips its ticks meanwhile, as Qt's timers do.
  Fired.clear();
  int runs = 0;
  TEngineTimer self;
  self.SetCallback([&] {
    ++runs;
    Fired.push_back("self@" + std::to_string(Clock().NowMs()));
    if (runs == 1) Clock().AdvanceTo(Clock().NowMs() + 100);
  });
  tick.Stop();
  self.Start(30);  // due at 230, 260, 290, 320, ...
  Clock().AdvanceTo(230);
  EXPECT_EQ(Fired, std::vector<std::string>{"self@230"});
  EXPECT_EQ(Clock().NowMs(), 260);  // the nested advance stopped at the skipped tick
  Clock().AdvanceToNextDue();
  EXPECT_EQ(Fired, (std::vector<std::string>{"self@230", "self@290"}));
}

TEST_F(VirtualClockTest, CallbacksMayStopRestartOrDestroyTimers) {
  TEngineTimer a, b(Note("b")), c(Note("c"));
  auto doomed = std::make_unique<TEngineTimer>();
  a.SetCallback([&] {
    Fired.push_back("a@" + std::to_string(Clock().NowMs()));
    b.Stop();            // due at the same moment: does not fire
    c.StartSingleShot(0);  // due now: fires in this round, after the others already due
  });
  doomed->SetCallback([&] {
    Fired.push_back("doomed");
    doomed.reset();  // a timer may go in its own callback
  });
  a.StartSingleShot(10);
  b.StartSingleShot(10);
  doomed->Start(10);
  Clock().AdvanceTo(10);
  EXPECT_EQ(Fired, (std::vector<std::string>{"a@10", "doomed", "c@10"}));
  EXPECT_EQ(doomed, nullptr);
  EXPECT_EQ(Clock().NextDueMs(), std::nullopt);

  // A repeating timer stopped by its own callback stays stopped.
  int count = 0;
  TEngineTimer stopper;
  stopper.SetCallback([&] {
    if (++count == 3) stopper.Stop();
  });
  stopper.Start(5);
  while (Clock().AdvanceToNextDue()) {
  }
  EXPECT_EQ(count, 3);
  EXPECT_EQ(Clock().NowMs(), 25);
}

TEST_F(VirtualClockTest, ObserversSeeEveryMoveBeforeTheTimersOfThatMoment) {
  std::vector<std::string> seen;
  int key = Clock().AddAdvanceObserver([&](int64_t now) { seen.push_back("move@" + std::to_string(now)); });
  TEngineTimer timer([&] { seen.push_back("timer@" + std::to_string(Clock().NowMs())); });
  timer.StartSingleShot(30);
  Clock().AdvanceTo(10);
  Clock().AdvanceTo(10);  // no move, no call
  Clock().AdvanceTo(100);
  Clock().RemoveAdvanceObserver(key);
  Clock().AdvanceTo(200);
  EXPECT_EQ(seen, (std::vector<std::string>{"move@10", "move@30", "timer@30"}));
}

// Real mode is Qt's timer: the callback comes from the event loop, never from Start itself.
TEST(RealClockTest, TimersFireFromTheEventLoop) {
  ASSERT_FALSE(EngineClock().IsVirtual());
  const int64_t before = EngineClock().NowMs();
  QEventLoop loop;
  int repeats = 0, once = 0;
  TEngineTimer repeating([&] {
    if (++repeats == 3) loop.quit();
  });
  TEngineTimer single([&] { ++once; });
  repeating.Start(1);
  single.StartSingleShot(0);
  EXPECT_EQ(repeats + once, 0);
  EXPECT_TRUE(repeating.IsActive());
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);  // a stuck loop fails instead of hanging
  loop.exec();
  EXPECT_EQ(repeats, 3);
  EXPECT_EQ(once, 1);
  EXPECT_FALSE(single.IsActive());
  repeating.Stop();
  EXPECT_FALSE(repeating.IsActive());
  EXPECT_GE(EngineClock().NowMs(), before);
  EXPECT_EQ(EngineClock().NextDueMs(), std::nullopt);  // real timers are not in the virtual schedule
}

// The virtual host's dispatch: a chain of events that post one another runs out in one call.
TEST(DispatchPostedEventsTest, DeliversWhatHandlersPostUntilNothingIsLeft) {
  QObject receiver;
  int delivered = 0;
  std::function<void()> chain = [&] {
    if (++delivered < 5) QMetaObject::invokeMethod(&receiver, chain, Qt::QueuedConnection);
  };
  QMetaObject::invokeMethod(&receiver, chain, Qt::QueuedConnection);
  EXPECT_TRUE(DispatchPostedEvents());
  EXPECT_EQ(delivered, 5);
  EXPECT_FALSE(DispatchPostedEvents());
}

}  // namespace
}  // namespace orbel::platform
