#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TGameSaves: the player's saves of one game, and the one place that knows where they live. A game's saves
// folder is found by what the game is, never by where it lies: $XDG_DATA_HOME/orbel/saves/<name>-<script>/
// (~/.local/share when unset), where <name> is the game's name and <script> the start of its script's hash.
// A folder of the same script under another name (the game folder renamed, the archive copied under another
// name, a folder an earlier version named after the archive's cache) is the game's too, and so is a folder of
// the game's name with another script (the script changed since: its saves ask before they load). It holds
// ten numbered slots, the quick slot (F5, F9) and the automatic save that keeps the last three positions a
// window left. Also the start point a save gives, and what the next start does with the automatic save.

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/game_info.h"
#include "app/save_game.h"
#include "game/save_file.h"

class QSettings;

namespace orbel::app {

inline constexpr int kSaveSlots = 10;
inline constexpr int kAutoSaves = 3;

struct TSlot {
  enum TKind { skNumbered, skAutomatic };
  TKind Kind = skNumbered;
  int Number = 0;  // from 1: the slot's number, or the automatic save's age (1: the newest)
  std::string Path;
  std::optional<game::TSave> Save;  // empty: the slot is free (no file, or one that is not a save)
};

// What the player is asked when a save's script has changed: start at its line without replay, or start
// the game again.
enum TChangedScriptChoice { ccStartAtLine, ccStartAgain };
using TAskChangedScript = std::function<TChangedScriptChoice(const std::string& text, int32_t line)>;

class TGameSaves {
 public:
  // The saves of `game` among the games' saves folders in `root`.
  explicit TGameSaves(const TGameInfo& game, const std::string& root = DefaultRoot());
  // $XDG_DATA_HOME/orbel/saves, or ~/.local/share/orbel/saves.
  static std::string DefaultRoot();

  // The game's saves folder (made when the first save is written).
  const std::string& Folder() const { return FolderValue; }
  // slot01.json .. slot10.json, quick.json; auto.json, auto-2.json and auto-3.json from the newest.
  std::string SlotPath(int number) const;
  std::string QuickPath() const;
  std::string AutoPath(int age = 1) const;

  // The ten slots as the folder holds them now, and the automatic saves it holds, newest first.
  std::vector<TSlot> ListSlots() const;
  std::vector<TSlot> ListAutoSaves() const;

  // Writes `save` to `path` in the folder, made when missing. ESaveError naming the file when it cannot.
  void Write(const game::TSave& save, const std::string& path) const;
  // Keeps `save` as the newest automatic save; the oldest of three goes.
  void KeepAutoSave(const game::TSave& save) const;

  // The start point the save at `path` gives this game: its instant, the same script's or not. A save of this
  // game with a changed script starts at its line or again, as `ask` chooses, and is refused without it;
  // another game's save is refused. Raises game::ESaveError naming the file.
  TStartPoint StartPointOf(const std::string& path, const TAskChangedScript& ask) const;

  // The settings key of the game's remembered answer to the continue question.
  QString ContinueKey() const;

 private:
  std::string FindFolder(const std::string& root) const;

  std::string Name;  // the game's name as a folder name keeps it
  std::string GameName, GameFolder, ScriptSha256;
  bool BuiltInScript = false;
  std::string FolderValue;
};

// The next start of a game with an automatic save: ask the player, or do what they chose to keep doing.
enum TContinueAnswer { caAsk, caContinue, caStartAgain };
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

}  // namespace orbel::app
