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
#include "platform/translation.h"

namespace orbel::app {

void TEngineRun::StartAt(const TStartPoint& start) {
  if (start.AtLine) {
    InterpreterValue.NextLine = *start.AtLine;
    History.KeepEarlier(start.EarlierTexts);
  }
  if (!start.Replays()) return;
  Replay = start;
  // Nobody sees the replay's frames: the view waits for its end, the transitions draw only what lasts.
  Controls.View->HoldFrames(true);
  ScreenValue.DeferFrames(true);
}

void TEngineRun::PostFirstStep() {
  const int64_t phaseMs = Replay && Replay->Instant ? Replay->Instant->TickPhaseMs % kTimerIntervalMs : 0;
  const int64_t nowMs = platform::EngineClock().NowMs();
  const int64_t waitMs =
      ((TickGridOriginMs + phaseMs - nowMs) % kTimerIntervalMs + kTimerIntervalMs) % kTimerIntervalMs;
  if (!Replay || waitMs == 0) {
    PostStep();
    return;
  }
  // Counted as a step on its way, so that a batch run does not take the wait for a script at rest.
  ++PendingSteps;
  FirstStepTimer = std::make_unique<platform::TEngineTimer>([this] {
    --PendingSteps;
    PostStep();
  });
  FirstStepTimer->StartSingleShot(waitMs);
}

void TEngineRun::ReplayFrom(const TStartPoint& start) {
  platform::EngineClock().SwitchToVirtual();
  WatchVirtualTime();
  StartAt(start);
  PostFirstStep();
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
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(RunTimeMs() - earlier->TimeMs) / 1000);
    std::fprintf(
        stderr, "orbel: %s\n",
        platform::Tr("Run",
                     "the game loops back to line %1 (from line %2): at line %3 it is as it was %4 s "
                     "before, so the run ends after one round")
            .Arg(static_cast<int>(BackMove.To) + 1)
            .Arg(static_cast<int>(BackMove.From) + 1)
            .Arg(static_cast<int>(InterpreterValue.NextLine) + 1)
            .Arg(seconds)
            .Str()
            .c_str());
    const TOrbelApplication* application = TOrbelApplication::Instance();
    FinishProgram(application && application->ErrorReported() ? esError : esOk);
  }
  return true;
}

void TEngineRun::EndWithoutTime() {
  std::fprintf(
      stderr, "orbel: %s\n",
      platform::Tr("Run", "the script runs on at line %1 without ever waiting, so its time cannot move on")
          .Arg(static_cast<int>(InterpreterValue.NextLine) + 1)
          .Str()
          .c_str());
  FinishProgram(esError);
}

void TEngineRun::EndAsLineNeverRuns() {
  std::fprintf(stderr, "orbel: %s\n",
               platform::Tr("Run", "--from %1: line %2 never runs")
                   .Arg(Options.StartFrom)
                   .Arg(static_cast<int>(*Replay->UntilLine) + 1)
                   .Str()
                   .c_str());
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
  save.TickPhaseMs = ((OriginMs - TickGridOriginMs) % kTimerIntervalMs + kTimerIntervalMs) % kTimerIntervalMs;
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
  // The first line of the text the script put on the board that holds anything, as shown; the sample text
  // the board starts with is nobody's, and blank lines say nothing.
  if (BoardTextFromScript)
    for (const QString& line : Controls.MsgBoard->Text())
      if (!line.trimmed().isEmpty()) {
        save.Text = line.toStdString();
        break;
      }
  save.History = History.ToSave();
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
      throw game::ESaveError(
          platform::Tr("Saves", "the save %1 cannot be written: the game's script was never read")
              .Arg(platform::FileNameToUtf8(Options.SaveOnExit)));
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
    game::MakeSaveFolder(AutoSavePath);
    game::WriteSaveFile(CurrentSave(), AutoSavePath);
  } catch (const game::ESaveError& problem) {
    std::fprintf(stderr, "orbel: %s\n", problem.what());
    AutoSaveProblemValue = problem.what();
  }
}

platform::TClockHold TEngineRun::Hold() {
  platform::TEngineClock& clock = platform::EngineClock();
  // Only the real clock stands still for the player; a replay or a --fast run has no one to wait for.
  if (clock.IsVirtual()) return {};
  return clock.Hold();
}

bool TEngineRun::StartFastForward() {
  if (FastForwarding()) return true;
  platform::TEngineClock& clock = platform::EngineClock();
  // A replay or a --fast run is on the virtual clock already, and a paused game stays where it is.
  if (clock.IsVirtual() || Replay || clock.IsHeld() || ClosingValue) return false;
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
