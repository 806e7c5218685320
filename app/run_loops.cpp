// SPDX-License-Identifier: GPL-3.0-or-later
// A run that comes back around on the virtual clock: a game nobody watches that loops ends after one round,
// a replay up to a line learns that the line never runs, and a script that never lets time move ends.

#include <cstdio>

#include "app/engine_run.h"
#include "app/orbel_application.h"
#include "platform/engine_clock.h"
#include "platform/translation.h"

namespace orbel::app {

bool TEngineRun::WatchesLoops() const {
  if (!platform::EngineClock().IsVirtual() || FastForwarding()) return false;
  if (const auto& target = TimelineValue.ReplayTarget()) return target->UntilLine && Options.Batch;
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
  const int64_t nowMs = TimelineValue.RunTimeMs();
  const std::optional<TLoopWatch::TVisit> earlier = Loops.Visit(moment, {nowMs, TimelineValue.StepsRun()});
  if (!earlier) return false;
  if (earlier->TimeMs == nowMs) {
    EndWithoutTime();
  } else if (Replaying()) {
    // Round and round without the line: it never runs.
    TimelineValue.ScriptRests();
  } else {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(nowMs - earlier->TimeMs) / 1000);
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

}  // namespace orbel::app
