// SPDX-License-Identifier: GPL-3.0-or-later
// Where a run is: its start (a replay up to a start point and the hand-over to the player's clock), the
// virtual clock's loop and the fast-forward slices that move it, and the position a save holds.

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <cstdint>

#include "app/engine_run.h"
#include "app/orbel_application.h"
#include "app/run_outputs.h"
#include "app/screen_view.h"
#include "controls/board.h"
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
  StartReached = false;
  TimelineValue.ReplayTo(start);
  // Nobody sees the replay's frames: the view waits for its end, the transitions and the board draw only what
  // lasts, the movies and sounds only keep their time.
  Controls.View->HoldFrames(true);
  ScreenValue.DeferFrames(true);
  Controls.MsgBoard->SetUnseen(true);
  ReplayMedia.emplace();
}

void TEngineRun::PostFirstStep() {
  const int64_t waitMs = TimelineValue.FirstStepDelayMs();
  if (waitMs == 0) {
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

void TEngineRun::RunVirtualTime() {
  const TActive active(*this);
  platform::TEngineClock& clock = platform::EngineClock();
  while (clock.IsVirtual() && !ClosingValue) {
    try {
      ProcessWindowEvents();
      platform::DispatchPostedEvents();
      if (ClosingValue) break;
      const int64_t limit = TimelineValue.VirtualLimitMs(INT64_MAX);
      if (ClosingValue || !clock.IsVirtual() || !clock.AdvanceToNextDue(limit)) break;
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

// The one place where a replay arrives: the picture at the start point is shown and is the first one
// recorded, and the run goes on on the clock the player sees.
void TEngineRun::EndReplay() {
  if (!Replaying()) return;
  Loops.Clear();
  // The movies and sounds catch up while the clock is still the replay's.
  ReplayMedia.reset();
  StartReached = true;
  StartSteps = TimelineValue.StepsRun();
  ScreenValue.DeferFrames(false);
  Controls.MsgBoard->SetUnseen(false);
  Controls.View->HoldFrames(false);
  TimelineValue.FinishReplay();
  Outputs.RecordSoon();
  if (OnReplayEnded) OnReplayEnded();
}

// One frame of the display while fast-forwarding: the game may run one slice further. Inside a wait of the
// script the wait itself moves the clock (WaitForEvents). At rest nobody else does, so the slice runs here,
// though not inside the timer's own call: a wait the slice runs into would hold the timer, whose next frame
// must come.
void TEngineRun::FastForwardSlice() {
  if (WaitDepth > 0 || SliceQueued) return;
  SliceQueued = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        SliceQueued = false;
        const TActive active(*this);
        platform::TEngineClock& clock = platform::EngineClock();
        while (FastForwarding() && clock.IsVirtual() && !ClosingValue &&
               clock.NowMs() < TimelineValue.FastForwardLimitMs()) {
          platform::DispatchPostedEvents();
          if (!clock.AdvanceToNextDue(TimelineValue.FastForwardLimitMs())) break;
        }
      },
      Qt::QueuedConnection);
}

// The save names the instant the run is at: the steps run so far and the engine's time.
game::TSave TEngineRun::CurrentSave() const {
  game::TSave save;
  save.ScriptSha256 = Game.ScriptSha256;
  save.GameFolder = platform::FileNameToUtf8(Game.Folder);
  save.GameName = platform::FileNameToUtf8(Game.Name);
  save.TimeMs = TimelineValue.RunTimeMs();
  save.Steps = TimelineValue.StepsRun();
  save.TickPhaseMs = TimelineValue.TickPhaseMs();
  save.Line = LatestLine + 1;
  save.History = History.ToSave();
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
  save.Date = QDateTime::currentDateTime()
                  .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                  .toString(Qt::ISODate)
                  .toStdString();
  return save;
}

bool TEngineRun::HasOwnPosition() const {
  return !Game.ScriptSha256.empty() && !StartUpFailed && StartReached &&
         TimelineValue.StepsRun() > StartSteps;
}

}  // namespace orbel::app
