// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/run_timeline.h"

#include <algorithm>

#include "platform/engine_clock.h"
#include "platform/translation.h"

namespace orbel::app {

namespace {

// Far more steps than any script runs at one moment of its time; only a loop without a wait gets there.
constexpr int64_t kMaxStepsWithoutTime = 1000000;
// The window's tick, which the first step's place is counted on.
constexpr int64_t kTickMs = 50;

int64_t Modulo(int64_t value, int64_t divisor) {
  return (value % divisor + divisor) % divisor;
}

}  // namespace

TRunTimeline::TRunTimeline(int64_t tickGridOriginMs, bool staysVirtual)
    : TickGridOriginMs(tickGridOriginMs), StaysVirtual(staysVirtual) {
  if (platform::EngineClock().IsVirtual()) Watch();
}

TRunTimeline::~TRunTimeline() {
  if (ClockObserver) platform::EngineClock().RemoveAdvanceObserver(ClockObserver);
}

void TRunTimeline::Watch() {
  if (ClockObserver) return;
  ClockObserver = platform::EngineClock().AddAdvanceObserver([this](int64_t) {
    StepsWithoutTime = 0;
    // Time moved past the saved instant without passing through the host's waits (a blocking play): the
    // instant lies behind.
    if (Replay && Replay->Instant && StepsRunValue > 0 && RunTimeMs() > Replay->Instant->TimeMs)
      InstantPassed();
  });
}

int64_t TRunTimeline::RunTimeMs() const {
  return platform::EngineClock().NowMs() - OriginMs;
}

int64_t TRunTimeline::TickPhaseMs() const {
  return Modulo(OriginMs - TickGridOriginMs, kTickMs);
}

int64_t TRunTimeline::FirstStepDelayMs() const {
  if (!Replay || !Replay->Instant) return 0;
  const int64_t phaseMs = Replay->Instant->TickPhaseMs % kTickMs;
  return Modulo(TickGridOriginMs + phaseMs - platform::EngineClock().NowMs(), kTickMs);
}

// The bounds a save sets its replay. A save made in real time may name fewer steps than a replay runs by its
// time (a step the real clock brought a moment late), never many fewer; and its steps may have come a moment
// earlier than the virtual clock brings them (a movie's end, which follows the sound card). A replay that
// has run far more steps than the save names before its time, or not all of them well after it, does not fit.
int64_t TRunTimeline::StepBound() const {
  return Replay->Instant->Steps * 2 + 10000;
}

int64_t TRunTimeline::TimeBoundMs() const {
  return Replay->Instant->TimeMs + std::max<int64_t>(2000, Replay->Instant->TimeMs / 10);
}

TRunTimeline::TStepVerdict TRunTimeline::BeforeStep(int32_t nextLine) {
  if (ClockObserver && ++StepsWithoutTime > kMaxStepsWithoutTime) return svRunsWithoutTime;
  // The run's time counts from its first step, so that a save of a run the player watched names the moment
  // of the game they saw, whatever start-up took before it.
  if (StepsRunValue == 0) OriginMs = platform::EngineClock().NowMs();
  if (Replay && Replay->UntilLine) {
    if (nextLine == *Replay->UntilLine && OnReplayReached) OnReplayReached();
  } else if (Replay) {
    const TSaveInstant& instant = *Replay->Instant;
    if (StepsRunValue >= instant.Steps && RunTimeMs() >= instant.TimeMs) {
      if (OnReplayReached) OnReplayReached();
    } else if (StepsRunValue >= StepBound()) {
      Refuse(platform::Tr("Saves", "the script runs %1 steps before the save's time, which names %2")
                 .Arg(StepsRunValue)
                 .Arg(instant.Steps));
      return svRefused;
    }
  }
  return svRun;
}

void TRunTimeline::ReplayTo(const TStartPoint& start) {
  if (!start.Replays()) return;
  Replay = start;
  platform::EngineClock().SwitchToVirtual();
  Watch();
}

double TRunTimeline::ReplayProgress() const {
  if (!Replay || !Replay->Instant || Replay->Instant->Steps <= 0) return 0;
  return std::min(1.0, static_cast<double>(StepsRunValue) / static_cast<double>(Replay->Instant->Steps));
}

void TRunTimeline::ScriptRests() {
  if (!Replay) return;
  if (Replay->UntilLine) {
    Refuse({});
  } else if (StepsRunValue < Replay->Instant->Steps) {
    Refuse(platform::Tr("Saves", "the script comes to rest after %1 of the save's %2 steps")
               .Arg(StepsRunValue)
               .Arg(Replay->Instant->Steps));
  } else if (OnReplayReached) {
    OnReplayReached();
  }
}

int64_t TRunTimeline::VirtualLimitMs(int64_t wantedMs) {
  if (FastForwarding()) wantedMs = std::min(wantedMs, FastForwardLimit);
  // Before the first step the run has no zero yet; that step comes within a tick.
  if (!Replay || !Replay->Instant || StepsRunValue == 0) return wantedMs;
  // Everything due at the instant has run, and nothing can run at it any more without time moving on.
  if (RunTimeMs() >= Replay->Instant->TimeMs) {
    InstantPassed();
    return Replay ? std::min(wantedMs, OriginMs + TimeBoundMs()) : wantedMs;
  }
  return std::min(wantedMs, OriginMs + Replay->Instant->TimeMs);
}

// The replay's time has come: it has arrived once the save's steps have run too, and gives up when they do
// not come within its bound.
void TRunTimeline::InstantPassed() {
  if (!Replay) return;
  if (StepsRunValue >= Replay->Instant->Steps) {
    if (OnReplayReached) OnReplayReached();
  } else if (RunTimeMs() >= TimeBoundMs()) {
    Refuse(platform::Tr("Saves",
                        "by %1 ms the script has run %2 of the save's %3 steps, which it had run by %4 ms")
               .Arg(RunTimeMs())
               .Arg(StepsRunValue)
               .Arg(Replay->Instant->Steps)
               .Arg(Replay->Instant->TimeMs));
  }
}

// `why` says what the script did instead (empty for a line, which simply never runs).
void TRunTimeline::Refuse(const std::string& why) {
  const TStartPoint refused = *Replay;
  Replay.reset();
  std::string text;
  if (refused.UntilLine)
    text =
        platform::Tr("Run", "--from %1: line %2 never runs").Arg(refused.Origin).Arg(*refused.UntilLine + 1);
  else if (refused.Origin.empty())
    text = platform::Tr("Saves", "where the game was before the load cannot be reached again: %1").Arg(why);
  else
    text =
        platform::Tr("Saves", "the save %1 does not fit this game's script: %2").Arg(refused.Origin).Arg(why);
  if (OnReplayRefused) OnReplayRefused(text);
}

void TRunTimeline::FinishReplay() {
  if (!Replay) return;
  Replay.reset();
  if (!StaysVirtual) ContinueInRealTime();
}

// The one place where a replayed run goes over to the clock the player sees.
void TRunTimeline::ContinueInRealTime() {
  platform::TEngineClock& clock = platform::EngineClock();
  if (!clock.IsVirtual()) return;
  clock.SwitchToReal();
  // Real time moves on its own; the guard against scripts that hold virtual time still has no place there.
  if (!clock.IsVirtual() && ClockObserver) {
    clock.RemoveAdvanceObserver(ClockObserver);
    ClockObserver = 0;
  }
}

bool TRunTimeline::SetPaused(bool paused) {
  platform::TEngineClock& clock = platform::EngineClock();
  if (paused == clock.IsPaused()) return true;
  // Only the real clock stands still for the player; a replay or a --fast run has no one to wait for.
  if (clock.IsVirtual() || (paused && Released)) return false;
  clock.SetPaused(paused);
  return true;
}

bool TRunTimeline::Paused() const {
  return platform::EngineClock().IsPaused();
}

bool TRunTimeline::StartFastForward() {
  if (FastForwarding()) return true;
  platform::TEngineClock& clock = platform::EngineClock();
  // A replay or a --fast run is on the virtual clock already, and a paused game stays where it is.
  if (clock.IsVirtual() || Replay || clock.IsPaused() || Released) return false;
  clock.SwitchToVirtual();
  FastForwardLimit = clock.NowMs() + kFastForwardSliceMs;
  // A plain timer of the toolkit: the engine's own timers now wait for virtual time, which this one moves.
  FastForwardTimer = std::make_unique<QTimer>();
  FastForwardTimer->setTimerType(Qt::PreciseTimer);
  QObject::connect(FastForwardTimer.get(), &QTimer::timeout, [this] {
    platform::TEngineClock& clock = platform::EngineClock();
    if (!FastForwarding() || !clock.IsVirtual()) return;
    FastForwardLimit = clock.NowMs() + kFastForwardSliceMs;
    if (OnFastForwardFrame) OnFastForwardFrame();
  });
  FastForwardTimer->start(kFastForwardFrameMs);
  return true;
}

void TRunTimeline::StopFastForward() {
  if (!FastForwarding()) return;
  FastForwardTimer.reset();
  platform::EngineClock().SwitchToReal();
}

void TRunTimeline::Release() {
  Released = true;
  StopFastForward();
  SetPaused(false);
}

}  // namespace orbel::app
