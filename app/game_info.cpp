// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/game_info.h"

#include <QFile>
#include <filesystem>

#include "game/data_files.h"
#include "game/save_file.h"
#include "platform/errors.h"
#include "platform/text_codec.h"
#include "script/script_text.h"

// The program's stored data (the built-in script) is compiled into this library; a static library must
// register it itself.
static void InitResources() {
  Q_INIT_RESOURCE(resources);
}

namespace orbel::app {

void TGameInfo::RequireScript() const {
  const std::string name = platform::FileNameToUtf8(ScriptPath);
  if (Script == srTooLarge)
    throw EOrbelError("ﾌｧｲﾙ " + name + " は大きすぎます (上限 " +
                      std::to_string(script::kMaxScriptBytes / (1024 * 1024)) + " MB)");
  if (Script == srUnreadable) throw EOrbelError("ﾌｧｲﾙ " + name + " は開けません");
}

std::string FolderName(const std::string& folder) {
  std::filesystem::path path(folder);
  // A trailing separator leaves the last name empty.
  if (!path.has_filename()) path = path.parent_path();
  return path.filename().string();
}

TGameInfo ReadGameHere(const std::string& name, platform::TScriptEncoding requested) {
  TGameInfo game;
  std::error_code error;
  game.Folder = std::filesystem::current_path(error).string();
  game.Name = name.empty() ? FolderName(game.Folder) : name;
  game.Encoding = game::GameScriptEncoding(".", requested);
  game.ScriptPath = game::FindDataFile("SCRIPT.TXT");
  if (!game.ScriptPath.empty()) {
    game::TFileText file = game::ReadWholeFile(game.ScriptPath, script::kMaxScriptBytes);
    game.Script = file.Result == game::frRead       ? TGameInfo::srRead
                  : file.Result == game::frTooLarge ? TGameInfo::srTooLarge
                                                    : TGameInfo::srUnreadable;
    game.ScriptBytes = std::move(file.Text);
  } else {
    // No script of its own: the built-in one runs, and is what its saves name.
    InitResources();
    QFile builtIn(QStringLiteral(":/orbel/fallback_script.txt"));
    if (builtIn.open(QIODevice::ReadOnly)) game.ScriptBytes = builtIn.readAll().toStdString();
  }
  game.ScriptSha256 = game::ScriptSha256(game.ScriptBytes);
  return game;
}

}  // namespace orbel::app
