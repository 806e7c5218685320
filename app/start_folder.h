#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up's choice of the folder to run: the command line's GAME_DIR, the game in the current directory, one
// the user picks, or the demo.

#include <string>

#include "app/options.h"
#include "game/game_folder.h"

class QSettings;

namespace orbel::app {

// The folder start-up enters (empty: stay in the current directory) and the game's name. A GAME_DIR is taken
// as it stands, and a game it names is remembered only in a run a person watches (TOptions::Watched), since
// other runs leave the player's settings alone. Output paths named on the command line are made absolute
// first, so that they stay where the user started the program whichever folder is entered. A GAME_DIR that
// names an archive or disc image (.zip .lzh .7z .iso .cue .cab) gives the cache folder its game is unpacked
// into, showing the unpack's progress (app/unpack_progress.h); throws game::EArchiveError, naming the file,
// when the archive cannot be played, game::EGameNotChosen when the player chose nothing or stopped the unpack
// (a signal that stopped it is then pending: platform::PendingShutdownSignal).
game::TFoundGame StartFolder(TOptions& options, QSettings& settings);

}  // namespace orbel::app
