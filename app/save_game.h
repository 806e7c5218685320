#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Where a run starts: at the script's first line, at a save's instant (--load) or at the first time a line or
// label runs (--from). A save holds only the instant; the run gets there by replaying the game on the virtual
// clock (TEngineRun::StartAt).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/options.h"
#include "game/save_file.h"

namespace orbel::app {

// The game in the current folder as a save names it.
struct TGameIdentity {
  std::string ScriptBytes;   // empty when there is no script to read (the built-in one then runs)
  std::string ScriptSha256;  // of the script that runs, the built-in one included
  std::string Folder;        // the game folder as UTF-8 text
};

// Reads the script the run will load, as TEngineRun::LoadScript finds it.
TGameIdentity CurrentGame();
// The hash a save names for the script's bytes; the built-in script's when `scriptBytes` is empty.
std::string ScriptIdentity(const std::string& scriptBytes);

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
  // Start at once at this line (from 0), nothing replayed: a save of a script that has changed since, whose
  // history of texts is then all there is of what led there.
  std::optional<int32_t> AtLine;
  std::vector<game::TSavedText> EarlierTexts;
  bool Replays() const { return Instant || UntilLine; }
};

// What the player is asked when a save's script has changed: start at its line without replay, or start
// the game again.
enum TChangedScriptChoice { ccStartAtLine, ccStartAgain };

// The start point --load or --from chooses. Raises game::ESaveError (a save that cannot be used) or
// EOrbelError (a --from the script does not have) with the text for the player. A save of a changed script
// is refused unless `ask` is given, which then chooses.
TStartPoint ChooseStartPoint(const TOptions& options, const TGameIdentity& game,
                             TChangedScriptChoice (*ask)(const std::string& text, int32_t line));

}  // namespace orbel::app
