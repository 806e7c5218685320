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
  // Nobody sees the replay's frames: the view waits for its end, the transitions draw only what lasts, the
  // movies and sounds only keep their time.
  Controls.View->HoldFrames(true);
  ScreenValue.DeferFrames(true);
  ReplayMedia.emplace();
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
    ProcessWindowEvents();
    platform::DispatchPostedEvents();
    if (ClosingValue) break;
    if (!clock.IsVirtual() || !clock.AdvanceToNextDue(VirtualLimitMs(INT64_MAX))) break;
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
  ReplayMedia.reset();
  ScreenValue.DeferFrames(false);
  Controls.View->HoldFrames(false);
  // The picture at the start point is the first one recorded.
  RecordSoon();
  if (!Options.Fast) ContinueInRealTime();
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
