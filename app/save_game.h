#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Where a run starts: at the script's first line, at a save's instant (--load, a load in the window) or at
// the first time a line or label runs (--from). A save holds only the instant; the run gets there by
// replaying the game on the virtual clock (TRunTimeline::ReplayTo).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/game_info.h"
#include "game/save_file.h"

namespace orbel::app {

struct TSaveInstant {
  int64_t TimeMs = 0;
  int64_t Steps = 0;
  // Where the first step fell on the tick's grid (game::TSave::TickPhaseMs).
  int64_t TickPhaseMs = 0;
};

struct TStartPoint {
  // Replay until this instant: time TimeMs reached and Steps steps run.
  std::optional<TSaveInstant> Instant;
  // Replay until this line (from 0) is about to run for the first time.
  std::optional<int32_t> UntilLine;
  // Start at once at this line (from 0), nothing replayed: a save of a script that has changed since.
  std::optional<int32_t> AtLine;
  // With AtLine: the board's texts the save kept, which no replay can show again.
  std::vector<game::TSavedText> EarlierTexts;
  // Where the start point comes from, as messages name it: the save's file (UTF-8), or --from's line or
  // label; empty for the place a load left, which the window goes back to when the load is given up.
  std::string Origin;
  bool Replays() const { return Instant || UntilLine; }
};

// --from's start point: a line number counting from 1 as editors and --check do, or a label with or without
// its '#'. Raises EOrbelError, naming it, for a line or label the script does not have.
TStartPoint StartPointAtLine(const std::string& from, const TGameInfo& game);

}  // namespace orbel::app
