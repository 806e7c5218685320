#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Which game a start without arguments runs: the game in the current directory, else one the user picks, else
// the demo game installed with the program. A GAME_DIR on the command line is taken as it stands.

#include <QString>
#include <QStringList>
#include <string>

#include "app/options.h"

class QSettings;

namespace orbel::app {

// The game folder a command-line path means: a folder as it stands; a file (a game's SCRIPT.TXT) its folder,
// or the folder above when the file lies in the game's Data folder.
std::string GameFolderOf(const std::string& path);

// The folder holds a script where start-up looks for one (Data/SCRIPT.TXT or SCRIPT.TXT).
bool HoldsGame(const std::string& directory);

// The bundled demo game, looked up from the program's own folder: installed under ../share/orbel/demo, or the
// source tree's demo/ beside a build folder. Empty when there is none.
std::string FindDemoFolder(const QString& programDirectory);

// The last games played, newest first, as the settings remember them.
QStringList RecentGames(QSettings& settings);
void RememberGame(QSettings& settings, const QString& folder);

// First run without a game: with a display, asks for a game folder until one holds a game; cancelling, or no
// display, gives the demo. Returns the folder to enter (empty: stay, the fallback script runs).
std::string ChooseFirstRunGame(bool askUser, QSettings& settings);

// The folder start-up enters (empty: stay in the current directory). A GAME_DIR is taken as it stands, and a
// game it names is remembered unless the run is automated (TOptions::Automated), since such runs leave the
// player's settings alone. Without GAME_DIR and without a game here, output paths named on the command line
// are made absolute first, so that they stay where the user started the program.
// A GAME_DIR that names an archive or disc image (.zip .lzh .7z .iso .cue .cab) gives the cache folder its
// game is unpacked into; the output paths are made absolute first. Throws game::EArchiveError, naming the
// file, when the archive cannot be played: it is damaged, holds no game, or (batch runs and checks) several.
std::string StartFolder(TOptions& options, QSettings& settings);

// The output paths named on the command line, made absolute against the current directory.
void MakeOutputPathsAbsolute(TOptions& options);

}  // namespace orbel::app
