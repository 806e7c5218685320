#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the player sees while an archive is unpacked at start-up: nothing for the first half second, then a
// progress bar in a window of its own with a Cancel button, or, without a window, a progress line on a
// terminal. SIGINT, SIGTERM and SIGHUP stop the unpack the way Cancel does (the unpack removes what it wrote
// first), and stay pending for start-up to end the program with.

#include "game/game_archive.h"

namespace orbel::app {

// The report game::UnpackGame tells an unpack's progress. `window`: show the progress bar (a run the player
// watches on a display); otherwise a line goes to standard error when that is a terminal.
game::TReportProgress UnpackProgressReport(bool window);

}  // namespace orbel::app
