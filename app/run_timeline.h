#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TRunTimeline: one run's time. Its zero is the moment its first step ran, on the window's 50 ms tick grid;
// it counts the steps run; it replays the game on the virtual clock up to a start point, refuses a start
// point the script cannot reach, and hands the run over to the clock the player sees there; and it holds the
// player's pause and fast-forward. The engine clock is one for the process: the timeline is one run's hold
// on it, and goes with the run. A speed factor belongs here too, as one number the clock is driven by.

#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/save_game.h"

namespace orbel::app {

class TRunTimeline {
 public:
  // `tickGridOriginMs`: the engine time the window's tick counts from. `staysVirtual`: a run that goes on on
  // the virtual clock once its replay has reached its point (--fast).
  TRunTimeline(int64_t tickGridOriginMs, bool staysVirtual);
  ~TRunTimeline();
  TRunTimeline(const TRunTimeline&) = delete;
  TRunTimeline& operator=(const TRunTimeline&) = delete;

  // ---- the run's zero and its steps ----

  enum TStepVerdict {
    svRun,
    svRunsWithoutTime,  // on the virtual clock, far more steps at one moment than any script runs
    svRefused,          // the replay cannot reach its point (OnReplayRefused has been told)
  };
  // The step about to run line `nextLine`: the first one sets the run's zero; a replay may end before it.
  TStepVerdict BeforeStep(int32_t nextLine);
  // The step runs: it counts.
  void StepStarts() { ++StepsRunValue; }
  // The run's time since its first step, the steps run, and where its first step fell between two ticks.
  int64_t RunTimeMs() const;
  int64_t StepsRun() const { return StepsRunValue; }
  int64_t TickPhaseMs() const;
  // The window's tick falls due every 50 ms from this moment of engine time.
  void SetTickGrid(int64_t originMs) { TickGridOriginMs = originMs; }
  // How long the first step waits to fall on the place of the tick's grid its replay asks for (0: at once).
  int64_t FirstStepDelayMs() const;

  // ---- the replay ----

  // Replays the game up to `start` on the virtual clock; nothing for a start point that replays nothing.
  void ReplayTo(const TStartPoint& start);
  bool Replaying() const { return Replay.has_value(); }
  // What the replay runs up to (empty when none runs).
  const std::optional<TStartPoint>& ReplayTarget() const { return Replay; }
  // What the replay has done of its way, from 0 to 1, as steps run of the save's (0 for a replay to a line).
  double ReplayProgress() const;
  // The script rests (nothing queued, no transition, no wait, no reveal): a replay with all its steps run has
  // reached its point, as the saving run rested there too; one short of them, or of its line, cannot fit.
  void ScriptRests();
  // The latest moment virtual time may move to when asked for `wantedMs`: a replay stops at its instant, a
  // fast-forward at its slice's end.
  int64_t VirtualLimitMs(int64_t wantedMs);
  // The replay is over: the run goes on on the clock the player sees, unless it stays virtual.
  void FinishReplay();
  // The replay has reached its point (the run ends it with FinishReplay), or cannot: the text says which
  // start point and why.
  std::function<void()> OnReplayReached;
  std::function<void(const std::string& why)> OnReplayRefused;

  // ---- the player's hold on time ----

  // The pause key: the clock stands still, the movies and the sound pause. False when the clock cannot.
  bool SetPaused(bool paused);
  bool Paused() const;
  // The fast-forward key, held: the game runs on the virtual clock as fast as the window can show it, in
  // slices of game time between repaints, and goes back to real time on release. False when the clock cannot.
  bool StartFastForward();
  void StopFastForward();
  bool FastForwarding() const { return FastForwardTimer != nullptr; }
  int64_t FastForwardLimitMs() const { return FastForwardLimit; }
  // Each frame of the display while fast-forwarding, once the slice has been moved on.
  std::function<void()> OnFastForwardFrame;
  static constexpr int kFastForwardFrameMs = 16;

  // The run ends: nothing of it moves the clock any more. Fast-forward ends, a pause is lifted.
  void Release();

 private:
  // Every frame of the display (about 60 a second) lets the game run this much further, some 20 times real
  // speed, so the player still sees where it is going and lets go of the key in time.
  static constexpr int64_t kFastForwardSliceMs = 320;

  void Watch();
  void ContinueInRealTime();
  void InstantPassed();
  void Refuse(const std::string& why);
  int64_t StepBound() const;
  int64_t TimeBoundMs() const;

  int64_t TickGridOriginMs;
  const bool StaysVirtual;
  int64_t StepsRunValue = 0;
  int64_t OriginMs = 0;  // the engine time the first step ran at
  // On the virtual clock: the steps run since time last moved. A script that never waits would run for ever
  // at one moment, where real time would at least have let --quit-after end it.
  int64_t StepsWithoutTime = 0;
  int ClockObserver = 0;
  std::optional<TStartPoint> Replay;
  int64_t FastForwardLimit = 0;
  std::unique_ptr<QTimer> FastForwardTimer;
  bool Released = false;
};

}  // namespace orbel::app
