#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Which game a start without arguments runs: the game in the current directory, else one the user picks, else
// the demo game installed with the program. A GAME_DIR on the command line is taken as it stands.

#include <QString>
#include <QStringList>
#include <string>

#include "game/game_archive.h"

class QSettings;

namespace orbel::game {

// The game folder a command-line path means: a folder as it stands; a file (a game's SCRIPT.TXT) its folder,
// or the folder above when the file lies in the game's Data folder.
std::string GameFolderOf(const std::string& path);

// The folder holds a script where start-up looks for one (Data/SCRIPT.TXT or SCRIPT.TXT).
bool HoldsGame(const std::string& directory);

// The bundled demo game, looked up from the program's own folder: installed under ../share/orbel/demo, or the
// source tree's demo/ beside a build folder, or, for the program in the folder its build put it in, the
// source tree's demo/ wherever that build folder is. Empty when there is none.
std::string FindDemoFolder(const QString& programDirectory);

// The last games played, newest first, as the settings remember them.
QStringList RecentGames(QSettings& settings);
void RememberGame(QSettings& settings, const QString& folder);

// A game start-up found: the folder to enter (empty: stay in the current one) and the game's name, which its
// saves are kept under (empty: the folder's own). A game unpacked from an archive is named after its folder
// inside the archive, or after the archive for a game at its top, whatever cache folder holds it.
struct TFoundGame {
  std::string Folder;
  std::string Name;
};

// First run without a game: with a display, asks for a game folder until one holds a game; cancelling, or no
// display, gives the demo (no folder: stay, the fallback script runs). An archive chosen is unpacked as
// UnpackedGame does, telling `progress`; an unpack stopped by a signal ends the choice (EUnpackCancelled),
// one the player cancelled goes back to the folders.
TFoundGame ChooseFirstRunGame(bool askUser, QSettings& settings, const TReportProgress& progress = nullptr);

// The folder holds something of a game: a script, a Data folder (in any letter case), or the files the
// built-in fallback script shows (`bg`, `logo.dat`). Start-up runs such a folder, with the fallback script
// when it has no script of its own.
bool HoldsGameFiles(const std::string& directory);

// The game of an archive or disc image: unpacked into the cache (an unpack tells `progress` how it goes) and
// held for the rest of the run, and its name. Of several games the player picks one from a list when
// `askWhichGame` is set, else the first is played. Entries left out of the copy get one note on standard
// error. Throws EArchiveError, naming the file, when the archive cannot be played: it is damaged, holds no
// game, or (oneGameOnly) several; EGameNotChosen when the player closed the list, EUnpackCancelled when the
// unpack was stopped.
TFoundGame UnpackedGame(const std::string& archive, bool oneGameOnly, bool askWhichGame = false,
                        const TReportProgress& progress = nullptr);

// The archive path as the recent games remember it.
QString AbsoluteArchivePath(const std::string& archive);

}  // namespace orbel::game
