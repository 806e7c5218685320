// SPDX-License-Identifier: GPL-3.0-or-later
// Where a run is, and the player's hold on its pace: the replay up to a start point and the hand-over to real
// time, the position a save holds, pause, and fast-forward on the virtual clock.

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "app/engine_run.h"
#include "app/orbel_application.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "game/save_file.h"
#include "platform/engine_clock.h"
#include "platform/text_codec.h"

namespace orbel::app {

void TEngineRun::StartAt(const TStartPoint& start) {
  if (start.AtLine) InterpreterValue.NextLine = *start.AtLine;
  if (!start.Replays()) return;
  Replay = start;
  // Nobody sees the replay's frames: the view waits for its end, the transitions draw only what lasts.
  Controls.View->HoldFrames(true);
  ScreenValue.DeferFrames(true);
}

void TEngineRun::ReplayFrom(const TStartPoint& start, int64_t gridOriginMs, int64_t gridIntervalMs) {
  platform::TEngineClock& clock = platform::EngineClock();
  clock.SwitchToVirtual();
  WatchVirtualTime();
  const int64_t sinceGrid = clock.NowMs() - gridOriginMs;
  const int64_t originMs = clock.NowMs() + (gridIntervalMs - sinceGrid % gridIntervalMs) % gridIntervalMs;
  // What falls due on the way (the tick) finds no script running yet.
  while (!ClosingValue && clock.NowMs() < originMs) {
    platform::DispatchPostedEvents();
    clock.AdvanceTo(originMs);
  }
  StartAt(start);
  PostStep();
  RunVirtualTime();
  // A script that comes to rest before the instant goes on in real time from where it rests.
  if (ClosingValue) return;
  if (Replay)
    EndReplay();
  else
    ContinueInRealTime();
}

void TEngineRun::RunVirtualTime() {
  platform::TEngineClock& clock = platform::EngineClock();
  while (clock.IsVirtual() && !ClosingValue) {
    try {
      ProcessWindowEvents();
      platform::DispatchPostedEvents();
      if (ClosingValue) break;
      if (!clock.IsVirtual() || !clock.AdvanceToNextDue(VirtualLimitMs(INT64_MAX))) break;
    } catch (const std::exception& error) {
      // A timer's callback runs here outside any event handler, so nothing else would take its error: it is
      // reported as the application reports an event's, and the run goes on.
      if (TOrbelApplication* application = TOrbelApplication::Instance())
        application->ReportError(error.what());
      else
        std::fprintf(stderr, "orbel: %s\n", error.what());
    }
  }
}

int64_t TEngineRun::VirtualLimitMs(int64_t wantedMs) {
  if (FastForwarding()) wantedMs = std::min(wantedMs, FastForwardLimitMs);
  if (!Replay || !Replay->Instant) return wantedMs;
  // Everything due at the instant has run, and nothing can run at it any more without time moving on.
  if (RunTimeMs() >= Replay->Instant->TimeMs) {
    EndReplay();
    return wantedMs;
  }
  return std::min(wantedMs, OriginMs + Replay->Instant->TimeMs);
}

void TEngineRun::EndReplay() {
  if (!Replay) return;
  Replay.reset();
  Loops.Clear();
  ScreenValue.DeferFrames(false);
  Controls.View->HoldFrames(false);
  // The picture at the start point is the first one recorded.
  RecordSoon();
  if (!Options.Fast) ContinueInRealTime();
}

bool TEngineRun::WatchesLoops() const {
  if (!platform::EngineClock().IsVirtual() || FastForwarding()) return false;
  if (Replay) return Replay->UntilLine && Options.Batch;
  return Options.Fast;
}

// Called as a step is about to run. Only a step with nothing queued or waiting beside it is a moment that can
// come round again.
bool TEngineRun::CameBackAround() {
  if (!WatchesLoops() || PendingSteps > 0 || InterpreterValue.Waiting() || InterpreterValue.Ended())
    return false;
  const TLoopWatch::TMoment moment{.Line = InterpreterValue.NextLine,
                                   .Screen = &ScreenValue,
                                   .Board = Controls.MsgBoard,
                                   .Movies = {Controls.Movie0, Controls.Movie1},
                                   .Wave = Controls.PCM};
  const std::optional<TLoopWatch::TVisit> earlier = Loops.Visit(moment, {RunTimeMs(), StepsRun});
  if (!earlier) return false;
  if (earlier->TimeMs == RunTimeMs()) {
    EndWithoutTime();
  } else if (Replay) {
    EndAsLineNeverRuns();
  } else {
    std::fprintf(stderr,
                 "orbel: the game loops back to line %d (from line %d): at line %d it is as it was %.2f s "
                 "before, so the run ends after one round\n",
                 static_cast<int>(BackMove.To) + 1, static_cast<int>(BackMove.From) + 1,
                 static_cast<int>(InterpreterValue.NextLine) + 1,
                 static_cast<double>(RunTimeMs() - earlier->TimeMs) / 1000);
    const TOrbelApplication* application = TOrbelApplication::Instance();
    FinishProgram(application && application->ErrorReported() ? esError : esOk);
  }
  return true;
}

void TEngineRun::EndWithoutTime() {
  std::fprintf(stderr,
               "orbel: the script runs on at line %d without ever waiting, so its time cannot move on\n",
               static_cast<int>(InterpreterValue.NextLine) + 1);
  FinishProgram(esError);
}

void TEngineRun::EndAsLineNeverRuns() {
  std::fprintf(stderr, "orbel: --from %s: line %d never runs\n", Options.StartFrom.c_str(),
               static_cast<int>(*Replay->UntilLine) + 1);
  FinishProgram(esError);
}

// The one place where a replayed run goes over to the clock the player sees.
void TEngineRun::ContinueInRealTime() {
  platform::TEngineClock& clock = platform::EngineClock();
  if (!clock.IsVirtual()) return;
  clock.SwitchToReal();
  // Real time moves on its own; the guard against scripts that hold virtual time still has no place there.
  if (!clock.IsVirtual() && ClockObserver) {
    clock.RemoveAdvanceObserver(ClockObserver);
    ClockObserver = 0;
  }
}

// The save names the instant the run is at: the steps run so far and the engine's time.
game::TSave TEngineRun::CurrentSave() const {
  game::TSave save;
  save.ScriptSha256 = ScriptSha256Value;
  std::error_code error;
  save.GameFolder = platform::FileNameToUtf8(std::filesystem::current_path(error).string());
  save.TimeMs = RunTimeMs();
  save.Steps = StepsRun;
  save.Line = LatestLine + 1;
  const QImage shown = Controls.View->GrabPresented();
  if (!shown.isNull()) {
    QBuffer png(&save.Thumbnail);
    png.open(QIODevice::WriteOnly);
    shown
        .scaled(game::kThumbnailWidth, game::kThumbnailHeight, Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation)
        .save(&png, "PNG");
  }
  const std::vector<std::string>& board = Controls.MsgBoard->Text();
  if (!board.empty()) save.Text = platform::ScriptTextToUtf8(board.front());
  save.Date = QDateTime::currentDateTime()
                  .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                  .toString(Qt::ISODate)
                  .toStdString();
  return save;
}

void TEngineRun::WriteSaveOnExit() {
  if (Options.SaveOnExit.empty()) return;
  try {
    if (ScriptSha256Value.empty())
      throw game::ESaveError("the save " + platform::FileNameToUtf8(Options.SaveOnExit) +
                             " cannot be written: the game's script was never read");
    game::WriteSaveFile(CurrentSave(), Options.SaveOnExit);
  } catch (const game::ESaveError& problem) {
    std::fprintf(stderr, "orbel: %s\n", problem.what());
    ExitStatusValue = esFailure;
  }
}

// A failed automatic save costs the player only the offer to continue; the run's status stays as it was. A
// run closed before its first step (while the player was asked whether to continue) keeps the save there is.
void TEngineRun::WriteAutoSave() {
  if (AutoSavePath.empty() || Options.Automated() || ScriptSha256Value.empty() || StartUpFailed || Replay ||
      StepsRun == 0)
    return;
  try {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(AutoSavePath).parent_path(), error);
    game::WriteSaveFile(CurrentSave(), AutoSavePath);
  } catch (const game::ESaveError& problem) {
    std::fprintf(stderr, "orbel: %s\n", problem.what());
  }
}

bool TEngineRun::SetPaused(bool paused) {
  platform::TEngineClock& clock = platform::EngineClock();
  if (paused == clock.IsPaused()) return true;
  // Only the real clock stands still for the player; a replay or a --fast run has no one to wait for.
  if (clock.IsVirtual()) return false;
  clock.SetPaused(paused);
  return true;
}

bool TEngineRun::StartFastForward() {
  if (FastForwarding()) return true;
  platform::TEngineClock& clock = platform::EngineClock();
  // A replay or a --fast run is on the virtual clock already, and a paused game stays where it is.
  if (clock.IsVirtual() || Replay || clock.IsPaused() || ClosingValue) return false;
  clock.SwitchToVirtual();
  FastForwardLimitMs = clock.NowMs() + kFastForwardSliceMs;
  // A plain timer of the toolkit: the engine's own timers now wait for virtual time, which this one moves.
  FastForwardTimer = std::make_unique<QTimer>();
  FastForwardTimer->setTimerType(Qt::PreciseTimer);
  QObject::connect(FastForwardTimer.get(), &QTimer::timeout, this, [this] { FastForwardSlice(); });
  FastForwardTimer->start(kFastForwardFrameMs);
  return true;
}

// One frame of the display: the game may run one slice further. Inside a wait of the script the wait itself
// moves the clock (WaitForEvents). At rest nobody else does, so the slice runs here, though not inside this
// timer's own call: a wait the slice runs into would hold the timer, whose next frame must come.
void TEngineRun::FastForwardSlice() {
  platform::TEngineClock& clock = platform::EngineClock();
  if (!FastForwarding() || !clock.IsVirtual()) return;
  FastForwardLimitMs = clock.NowMs() + kFastForwardSliceMs;
  if (WaitDepth > 0 || SliceQueued) return;
  SliceQueued = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        SliceQueued = false;
        platform::TEngineClock& clock = platform::EngineClock();
        while (FastForwarding() && clock.IsVirtual() && !ClosingValue && clock.NowMs() < FastForwardLimitMs) {
          platform::DispatchPostedEvents();
          if (!clock.AdvanceToNextDue(FastForwardLimitMs)) break;
        }
      },
      Qt::QueuedConnection);
}

void TEngineRun::StopFastForward() {
  if (!FastForwarding()) return;
  FastForwardTimer.reset();
  platform::EngineClock().SwitchToReal();
}

}  // namespace orbel::app
