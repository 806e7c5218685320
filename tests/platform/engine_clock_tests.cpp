// SPDX-License-Identifier: GPL-3.0-or-later
// The engine clock: the order in which virtual time fires timers, late and nested firing, and the real mode's
// timers still running from the Qt event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/engine_clock.h"
#include "tests/support/real_event_loop.h"

namespace orbel::platform {
namespace {

using tests::RunRealFor;
using tests::RunRealUntil;

// The engine clock on virtual time for the case, and back on real time after it.
class VirtualTimeTest : public testing::Test {
 protected:
  void SetUp() override { EngineClock().SetVirtual(true); }
  void TearDown() override { EngineClock().SetVirtual(false); }
  static TEngineClock& Clock() { return EngineClock(); }
};

class VirtualClockTest : public VirtualTimeTest {
 protected:
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
    b.Stop();              // due at the same moment: does not fire
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

  // An error a callback raises passes to whoever moved the clock, and the timer ticks on; one that destroyed
  // its timer before raising leaves nothing of it behind.
  int raised = 0;
  TEngineTimer raiser([&] {
    ++raised;
    throw std::runtime_error("write failed");
  });
  raiser.Start(5);
  EXPECT_THROW(Clock().AdvanceTo(30), std::runtime_error);
  EXPECT_THROW(Clock().AdvanceTo(35), std::runtime_error);
  EXPECT_EQ(raised, 2);
  raiser.Stop();
  auto fleeting = std::make_unique<TEngineTimer>();
  fleeting->SetCallback([&] {
    fleeting.reset();
    throw std::runtime_error("gone");
  });
  fleeting->Start(5);
  EXPECT_THROW(Clock().AdvanceTo(40), std::runtime_error);
  EXPECT_EQ(Clock().NextDueMs(), std::nullopt);
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

// Switching and pausing. The real parts run the Qt event loop and check the order of what fires and the
// engine moments it fires at, never how long anything took.
class ClockSwitchTest : public VirtualTimeTest {
 protected:
  std::function<void()> Note(const std::string& name) {
    return [this, name] { Fired.push_back({name, Clock().NowMs()}); };
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& [name, at] : Fired) names.push_back(name);
    return names;
  }
  std::vector<std::pair<std::string, int64_t>> Fired;
};

// After a replay the game goes on in real time from the moment reached: the tick due in 20 ms fires then and
// keeps its 50 ms grid, a single shot keeps what it had left, and no timer fires before its moment.
TEST_F(ClockSwitchTest, VirtualToRealKeepsTheTimeAndEachTimersRemainingTime) {
  TEngineTimer tick(Note("tick")), once(Note("once"));
  tick.Start(50);
  once.StartSingleShot(130);
  Clock().AdvanceTo(30);
  Clock().SwitchToReal();
  EXPECT_FALSE(Clock().IsVirtual());
  EXPECT_GE(Clock().NowMs(), 30) << "real time goes on from the virtual time reached";
  EXPECT_EQ(Clock().NextDueMs(), std::nullopt);
  EXPECT_FALSE(Clock().AdvanceToNextDue()) << "real time is not moved by hand";
  EXPECT_TRUE(tick.IsActive() && once.IsActive());
  EXPECT_EQ(tick.DueMs(), 50);
  EXPECT_EQ(once.DueMs(), 130);
  EXPECT_TRUE(Fired.empty()) << "nothing fires from the switch itself";

  RunRealUntil([&] { return Fired.size() >= 4; });
  tick.Stop();
  EXPECT_EQ(Names(), (std::vector<std::string>{"tick", "tick", "once", "tick"}));
  const std::vector<int64_t> due = {50, 100, 130, 150};
  for (size_t i = 0; i < due.size() && i < Fired.size(); ++i)
    EXPECT_GE(Fired[i].second, due[i]) << Fired[i].first << " #" << i << " fired before its moment";
  EXPECT_FALSE(once.IsActive());
}

// Holding Ctrl: the real timers go onto the schedule with the time they had left, and their QTimers never
// fire again, however long the event loop runs.
TEST_F(ClockSwitchTest, RealToVirtualSchedulesTheRemainingTimesAndSilencesTheQTimers) {
  Clock().SetVirtual(false);
  TEngineTimer tick(Note("tick")), once(Note("once"));
  tick.Start(200);
  once.StartSingleShot(500);
  const int64_t tickDue = tick.DueMs(), onceDue = once.DueMs();
  // Each start reads the real clock anew, so a millisecond may pass between the two; the order below holds
  // as long as the single shot falls between the tick's second and third moments.
  ASSERT_GE(onceDue - tickDue, 300);
  ASSERT_LT(onceDue - tickDue, 400);
  Clock().SwitchToVirtual();
  ASSERT_TRUE(Clock().IsVirtual());
  const int64_t now = Clock().NowMs();
  ASSERT_LE(now, tickDue) << "switched within the tick's first interval";
  EXPECT_EQ(Clock().NextDueMs(), tickDue);
  EXPECT_EQ(once.DueMs(), onceDue);

  RunRealFor(300);
  EXPECT_TRUE(Fired.empty()) << "a QTimer fired after the switch";
  EXPECT_EQ(Clock().NowMs(), now) << "virtual time moved by itself";

  while (Fired.size() < 4) Clock().AdvanceToNextDue();
  EXPECT_EQ(Fired,
            (std::vector<std::pair<std::string, int64_t>>{
                {"tick", tickDue}, {"tick", tickDue + 200}, {"once", onceDue}, {"tick", tickDue + 400}}));

  // And back: the tick's next moment is still where the schedule had it.
  Clock().SwitchToReal();
  EXPECT_EQ(tick.DueMs(), tickDue + 600);
  RunRealUntil([&] { return Fired.size() >= 5; });
  EXPECT_EQ(Fired.back().first, "tick");
  EXPECT_GE(Fired.back().second, tickDue + 600);
}

// While paused engine time stands still and nothing fires; afterwards each timer has what it had left, and a
// timer started during the pause counts from the paused moment.
TEST_F(ClockSwitchTest, PauseFreezesTimeAndTimersKeepTheirRemainingTime) {
  Clock().SetVirtual(false);
  TEngineTimer tick(Note("tick")), once(Note("once")), late(Note("late"));
  tick.Start(20);
  once.StartSingleShot(1000);
  RunRealUntil([&] { return Fired.size() >= 2; });
  ASSERT_TRUE(once.IsActive());
  Clock().SetPaused(true);
  ASSERT_TRUE(Clock().IsPaused());
  const int64_t pausedAt = Clock().NowMs();
  const size_t firedBefore = Fired.size();
  const int64_t onceDue = once.DueMs();
  late.StartSingleShot(10);
  EXPECT_EQ(late.DueMs(), pausedAt + 10);

  RunRealFor(300);
  EXPECT_EQ(Fired.size(), firedBefore) << "a timer fired while paused";
  EXPECT_EQ(Clock().NowMs(), pausedAt);
  EXPECT_TRUE(once.IsActive() && late.IsActive() && tick.IsActive());
  EXPECT_EQ(once.DueMs(), onceDue);

  Clock().SetPaused(false);
  EXPECT_FALSE(Clock().IsPaused());
  EXPECT_GE(Clock().NowMs(), pausedAt);
  RunRealUntil([&] { return !once.IsActive(); });
  tick.Stop();
  // Everything after the pause fired at or after its own moment, counted without the paused time.
  std::vector<std::pair<std::string, int64_t>> after(Fired.begin() + ptrdiff_t(firedBefore), Fired.end());
  for (const auto& [name, at] : after) EXPECT_GE(at, pausedAt) << name;
  const auto find = [&](const char* name) {
    return std::find_if(after.begin(), after.end(), [name](const auto& f) { return f.first == name; });
  };
  ASSERT_NE(find("once"), after.end());
  ASSERT_NE(find("late"), after.end());
  EXPECT_GE(find("once")->second, onceDue);
  EXPECT_GE(find("late")->second, pausedAt + 10);
  EXPECT_LT(find("late"), find("once"));

  // Virtual time has no pause of its own: the host moves it or not.
  Clock().SwitchToVirtual();
  Clock().SetPaused(true);
  EXPECT_FALSE(Clock().IsPaused());
}

// The game's speed: engine time runs at the rate's pace against the wall clock, goes on without a jump when
// the rate changes, and a timer's remaining engine time is kept across the change; virtual time has no pace
// and a new start is at the usual one.
TEST_F(ClockSwitchTest, TheRateScalesRealTimeAndKeepsEachTimersRemainingTime) {
  Clock().SetVirtual(false);
  Clock().SetRate(4);
  EXPECT_EQ(Clock().Rate(), 4);
  EXPECT_EQ(Clock().RealMsFor(1000), 250);
  TEngineTimer once(Note("once"));
  once.StartSingleShot(400);
  const int64_t due = once.DueMs();
  const int64_t before = Clock().NowMs();
  RunRealFor(50);  // at least 50 ms of the wall clock
  const int64_t after = Clock().NowMs();
  EXPECT_GE(after - before, 4 * 50 - 1);
  Clock().SetRate(0.25);
  EXPECT_GE(Clock().NowMs(), after);
  EXPECT_EQ(once.DueMs(), due);
  Clock().SetRate(8);
  EXPECT_EQ(Clock().Rate(), TEngineClock::kMaxRate);
  RunRealUntil([&] { return !once.IsActive(); });
  ASSERT_EQ(Fired.size(), 1u);
  EXPECT_GE(Fired[0].second, due);

  Clock().SwitchToVirtual();
  const int64_t frozen = Clock().NowMs();
  RunRealFor(20);
  EXPECT_EQ(Clock().NowMs(), frozen);
  Clock().SetVirtual(false);
  EXPECT_EQ(Clock().Rate(), 1);
}

// A key handler may switch inside a timer's callback: the virtual round stops firing (the rest fire from the
// event loop), and a repeating timer whose callback waits on in real time skips its ticks meanwhile.
TEST_F(ClockSwitchTest, SwitchingInsideACallbackHandsTheRestToTheOtherMode) {
  TEngineTimer other(Note("other")), sameMoment(Note("same"));
  int ticks = 0;
  TEngineTimer tick([&] {
    Fired.push_back({"tick", Clock().NowMs()});
    if (++ticks > 1) return;
    // The script's wait running in the tick, and the key that ends the replay arriving meanwhile.
    Clock().SwitchToReal();
    RunRealUntil([&] { return !other.IsActive(); });
    Fired.push_back({"wait over", Clock().NowMs()});
  });
  tick.Start(50);
  sameMoment.StartSingleShot(50);
  other.StartSingleShot(180);
  Clock().AdvanceTo(50);
  EXPECT_FALSE(Clock().IsVirtual());
  RunRealUntil([&] { return ticks >= 2; });
  tick.Stop();
  EXPECT_EQ(Names(), (std::vector<std::string>{"tick", "same", "other", "wait over", "tick"}));
  EXPECT_EQ(Fired.front().second, 50);
  EXPECT_GE(Fired.back().second, 200) << "the tick keeps its grid after the skipped ticks";

  // Into virtual time from inside a real tick: the wait goes on on the schedule, the tick skipping likewise.
  Fired.clear();
  ticks = 0;
  tick.SetCallback([&] {
    Fired.push_back({"tick", Clock().NowMs()});
    if (++ticks > 1) return;
    Clock().SwitchToVirtual();
    const int64_t deadline = Clock().NowMs() + 120;
    while (Clock().NowMs() < deadline) Clock().AdvanceTo(deadline);
    Fired.push_back({"wait over", Clock().NowMs()});
  });
  tick.Start(50);
  const int64_t firstDue = tick.DueMs();
  RunRealUntil([&] { return Clock().IsVirtual() && !Fired.empty() && Fired.back().first == "wait over"; });
  Clock().AdvanceToNextDue();
  EXPECT_EQ(Names(), (std::vector<std::string>{"tick", "wait over", "tick"}));
  EXPECT_EQ((Fired.back().second - firstDue) % 50, 0) << "on the tick's own grid";
  EXPECT_GT(Fired.back().second, Fired.front().second + 120);
}

// The media layer's sound output opens before its players and closes after them: observers hear of real time
// (and of a resume) in the order they came, of virtual time (and of a pause) in reverse; a switch to virtual
// time ends a pause first.
TEST_F(ClockSwitchTest, ModeObserversHearInBuildOrderAndTakeDownOrder) {
  std::vector<std::string> heard;
  const auto observer = [&](const std::string& name) {
    return [&heard, name](TClockChange change) {
      const char* what[] = {"real", "virtual", "paused", "resumed"};
      heard.push_back(name + ":" + what[int(change)]);
    };
  };
  const int output = Clock().AddModeObserver(observer("output"));
  const int player = Clock().AddModeObserver(observer("player"));
  Clock().SwitchToReal();
  Clock().SwitchToReal();  // already real: nothing
  Clock().SetPaused(true);
  Clock().SetPaused(true);
  Clock().SwitchToVirtual();
  Clock().RemoveModeObserver(player);
  Clock().SwitchToReal();
  Clock().RemoveModeObserver(output);
  EXPECT_EQ(heard, (std::vector<std::string>{"output:real", "player:real", "player:paused", "output:paused",
                                             "output:resumed", "player:resumed", "player:virtual",
                                             "output:virtual", "output:real"}));
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
