// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/game_saves.h"

#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::app {

namespace fs = std::filesystem;

namespace {

constexpr size_t kKeyDigits = 16;  // of the script's hash, in a folder's name

std::string InFolder(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

// A game's name as a folder's: letters, digits, '.', '_' and '-' only, never hidden.
std::string FolderSafeName(const std::string& name) {
  std::string safe;
  for (const char c : name)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
        c == '-')
      safe += c;
  if (safe.empty() || safe.front() == '.') safe = "game" + safe;
  return safe;
}

bool IsKey(const std::string& text) {
  return text.size() == kKeyDigits && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

std::optional<game::TSave> ReadIfSave(const std::string& path) {
  std::error_code error;
  if (!fs::exists(path, error)) return std::nullopt;
  // A damaged file is shown as free: saving over it is what the player can still do with it.
  try {
    return game::ReadSaveFile(path);
  } catch (const game::ESaveError&) {
    return std::nullopt;
  }
}

// The game a saves folder's saves name (UTF-8), as far as one of them is readable: its name, or for a save
// written before saves kept it, its folder's name.
std::optional<std::string> SavedGameName(const fs::path& folder) {
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    if (entry->path().extension() != ".json") continue;
    if (const auto save = ReadIfSave(entry->path().string()))
      return !save->GameName.empty() ? save->GameName
                                     : platform::FileNameToUtf8(FolderName(save->GameFolder));
  }
  return std::nullopt;
}

}  // namespace

std::string TGameSaves::DefaultRoot() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') return std::string(dataHome) + "/orbel/saves";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.local/share/orbel/saves";
}

TGameSaves::TGameSaves(const TGameInfo& game, const std::string& root)
    : Name(FolderSafeName(game.Name)),
      GameName(platform::FileNameToUtf8(game.Name)),
      GameFolder(platform::FileNameToUtf8(game.Folder)),
      ScriptSha256(game.ScriptSha256),
      BuiltInScript(game.BuiltInScript()) {
  FolderValue = FindFolder(root);
}

// The folder of this name and script; else one of the same script under another name (the built-in script
// is every game's that has none, so there the name decides); else one whose saves name this game and another
// script (a folder's name keeps only part of some names). Of several, the one written last.
std::string TGameSaves::FindFolder(const std::string& root) const {
  const std::string key = ScriptSha256.substr(0, kKeyDigits);
  const std::string exact = InFolder(root, Name + "-" + key);
  std::error_code error;
  if (fs::is_directory(exact, error)) return exact;
  std::optional<fs::path> sameScript, sameName;
  fs::file_time_type sameScriptTime, sameNameTime;
  for (fs::directory_iterator entry(root, error), end; !error && entry != end; entry.increment(error)) {
    if (!entry->is_directory(error)) continue;
    const std::string folder = entry->path().filename().string();
    if (folder.size() <= kKeyDigits + 1 || folder[folder.size() - kKeyDigits - 1] != '-') continue;
    const std::string folderKey = folder.substr(folder.size() - kKeyDigits);
    const std::string folderName = folder.substr(0, folder.size() - kKeyDigits - 1);
    if (!IsKey(folderKey)) continue;
    const fs::file_time_type time = fs::last_write_time(entry->path(), error);
    if (folderKey == key && !BuiltInScript && (!sameScript || time > sameScriptTime)) {
      sameScript = entry->path();
      sameScriptTime = time;
    } else if (folderName == Name && folderKey != key && (!sameName || time > sameNameTime) &&
               SavedGameName(entry->path()) == GameName) {
      sameName = entry->path();
      sameNameTime = time;
    }
  }
  if (sameScript) return sameScript->string();
  if (sameName) return sameName->string();
  return exact;
}

std::string TGameSaves::SlotPath(int number) const {
  char name[16];
  std::snprintf(name, sizeof name, "slot%02d.json", number);
  return InFolder(FolderValue, name);
}

std::string TGameSaves::QuickPath() const {
  return InFolder(FolderValue, "quick.json");
}

std::string TGameSaves::AutoPath(int age) const {
  return InFolder(FolderValue, age <= 1 ? "auto.json" : "auto-" + std::to_string(age) + ".json");
}

std::vector<TSlot> TGameSaves::ListSlots() const {
  std::vector<TSlot> listed;
  for (int number = 1; number <= kSaveSlots; ++number)
    listed.push_back({TSlot::skNumbered, number, SlotPath(number), ReadIfSave(SlotPath(number))});
  return listed;
}

std::vector<TSlot> TGameSaves::ListAutoSaves() const {
  std::vector<TSlot> listed;
  for (int age = 1; age <= kAutoSaves; ++age)
    if (auto save = ReadIfSave(AutoPath(age)))
      listed.push_back({TSlot::skAutomatic, age, AutoPath(age), save});
  return listed;
}

void TGameSaves::Write(const game::TSave& save, const std::string& path) const {
  game::MakeSaveFolder(path);
  game::TSave named = save;
  named.GameName = GameName;
  game::WriteSaveFile(named, path);
}

// The new position is written whole beside the others first: a save that cannot be written leaves the three
// there are as they were.
void TGameSaves::KeepAutoSave(const game::TSave& save) const {
  const std::string fresh = InFolder(FolderValue, "auto-new.json");
  Write(save, fresh);
  std::error_code error;
  for (int age = kAutoSaves - 1; age >= 1; --age)
    if (fs::exists(AutoPath(age), error)) fs::rename(AutoPath(age), AutoPath(age + 1), error);
  fs::rename(fresh, AutoPath(1), error);
  if (error)
    throw game::ESaveError(platform::Tr("Saves", "the save %1 cannot be written: %2")
                               .Arg(platform::FileNameToUtf8(AutoPath(1)))
                               .Arg(platform::SystemErrorText(error.value())));
}

TStartPoint TGameSaves::StartPointOf(const std::string& path, const TAskChangedScript& ask) const {
  const game::TSave save = game::ReadSaveFile(path);
  const std::string name = platform::FileNameToUtf8(path);
  TStartPoint start;
  start.Origin = name;
  if (save.ScriptSha256 == ScriptSha256) {
    start.Instant = TSaveInstant{save.TimeMs, save.Steps, save.TickPhaseMs};
    return start;
  }
  // Another script: this game changed since, when the save names this game (or, made before saves kept the
  // game's name, lies in its folder); else another game.
  const std::string savedName =
      !save.GameName.empty() ? save.GameName : platform::FileNameToUtf8(FolderName(save.GameFolder));
  std::error_code error;
  const bool here = fs::equivalent(fs::path(path).parent_path(), FolderValue, error);
  if (savedName != GameName && save.GameFolder != GameFolder && !here)
    throw game::ESaveError(
        platform::Tr("Saves", "the save %1 belongs to another game (%2)").Arg(name).Arg(save.GameFolder));
  const std::string text = platform::Tr("Saves",
                                        "the save %1 was made with another version of this game's script, so "
                                        "the game cannot be replayed up to it")
                               .Arg(name);
  if (!ask) throw game::ESaveError(text);
  if (ask(text, save.Line) == ccStartAtLine) {
    start.AtLine = save.Line - 1;
    start.EarlierTexts = save.History;
  }
  return start;
}

QString TGameSaves::ContinueKey() const {
  return QStringLiteral("Continue/") + QString::fromStdString(fs::path(FolderValue).filename().string());
}

TContinueAnswer ContinueAnswer(QSettings& settings, const QString& key, bool hasAutoSave) {
  if (!hasAutoSave) return caStartAgain;
  const QString remembered = settings.value(key).toString();
  if (remembered == QLatin1String("continue")) return caContinue;
  if (remembered == QLatin1String("start-again")) return caStartAgain;
  return caAsk;
}

void RememberContinueAnswer(QSettings& settings, const QString& key, bool continueRun) {
  settings.setValue(key, continueRun ? QStringLiteral("continue") : QStringLiteral("start-again"));
}

}  // namespace orbel::app
