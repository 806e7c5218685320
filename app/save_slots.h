#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The player's saves of one game: ten numbered slots, the quick slot (F5, F9) and the automatic save written
// when the window closes, all in the game's saves folder (game::SavesFolder). Also what the next start of the
// game does with the automatic save, and the command line that restarts the program from a save.

#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/save_game.h"
#include "game/save_file.h"

class QSettings;

namespace orbel::app {

inline constexpr int kSaveSlots = 10;

// slot01.json .. slot10.json, quick.json and auto.json in `folder`.
std::string SlotPath(const std::string& folder, int number);
std::string QuickSavePath(const std::string& folder);
std::string AutoSavePath(const std::string& folder);
// The save that going back to a text of the history loads (TFormOrbel::RequestLoad).
std::string BackSavePath(const std::string& folder);

struct TSlot {
  int Number = 0;  // from 1
  std::string Path;
  std::optional<game::TSave> Save;  // empty: the slot is free (no file, or one that is not a save)
};
// The ten slots as the folder holds them now.
std::vector<TSlot> ListSlots(const std::string& folder);

// The next start of a game with an automatic save: ask the player, or do what they chose to keep doing.
enum TContinueAnswer { caAsk, caContinue, caStartAgain };
// What names a game among the settings: the saves folder's own name (the game and its script).
QString GameSettingsName(const std::string& savesFolder);
// The settings key of a game's remembered choice.
QString ContinueKey(const std::string& savesFolder);
// What to do at start. Without an automatic save there is nothing to continue: start again, asking nothing.
TContinueAnswer ContinueAnswer(QSettings& settings, const QString& key, bool hasAutoSave);
// The player answered and ticked "remember": later starts of this game do the same without asking.
void RememberContinueAnswer(QSettings& settings, const QString& key, bool continueRun);

// The automatic save a player's start offers: the window asks once it is shown, before the script starts.
struct TContinueOffer {
  game::TSave Save;
  TStartPoint Start;  // where the save starts the game
  // Keeps the answer for later starts of the game, when the player asked for that.
  std::function<void(bool continueRun)> Remember;
};

// The arguments that start the program again on the same game from the save `savePath`, with the window's
// present scale, fit and full screen and the options that chose how the game is read and shown.
QStringList RestartArguments(const TOptions& options, const std::string& game, const std::string& savePath,
                             int scale, TFit fit, bool fullScreen);

}  // namespace orbel::app
