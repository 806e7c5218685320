// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/save_game.h"

#include <QFile>
#include <filesystem>

#include "game/data_files.h"
#include "game/save_file.h"
#include "platform/errors.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "script/script_text.h"

namespace orbel::app {

namespace {

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// --from's line, from 0: a number counts lines from 1 as editors and --check do; anything else is a label,
// with or without its '#'.
int32_t FromLine(const std::string& from, const TGameIdentity& current) {
  const script::TStringList lines =
      current.ScriptBytes.empty() ? script::TStringList{} : script::SplitScriptText(current.ScriptBytes);
  if (AllDigits(from)) {
    const unsigned long long number = from.size() > 9 ? 0 : std::stoull(from);
    if (number < 1 || number > lines.size())
      throw EOrbelError(
          platform::Tr("Saves", "--from %1: the script has lines 1 to %2").Arg(from).Arg(lines.size()));
    return static_cast<int32_t>(number - 1);
  }
  const std::string label = platform::EncodeScriptText(QString::fromStdString(from));
  const auto targets = script::FirstLineByFoldedText(lines);
  for (const std::string& candidate : {label, "#" + label}) {
    const auto found = targets.find(script::FoldCaseBlind(candidate));
    if (found != targets.end() && !candidate.empty() && candidate[0] == '#') return found->second;
  }
  throw EOrbelError(platform::Tr("Saves", "--from %1: the script has no such label").Arg(from));
}

}  // namespace

std::string ScriptIdentity(const std::string& scriptBytes) {
  if (!scriptBytes.empty()) return game::ScriptSha256(scriptBytes);
  QFile file(QStringLiteral(":/orbel/fallback_script.txt"));
  const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  return game::ScriptSha256(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

TGameIdentity CurrentGame() {
  TGameIdentity identity;
  const std::string path = game::FindDataFile("SCRIPT.TXT");
  if (!path.empty()) {
    game::TFileText file = game::ReadWholeFile(path, script::kMaxScriptBytes);
    if (file.Result == game::frRead) identity.ScriptBytes = std::move(file.Text);
  }
  identity.ScriptSha256 = ScriptIdentity(identity.ScriptBytes);
  std::error_code error;
  identity.Folder = platform::FileNameToUtf8(std::filesystem::current_path(error).string());
  return identity;
}

TStartPoint ChooseStartPoint(const TOptions& options, const TGameIdentity& current,
                             TChangedScriptChoice (*ask)(const std::string& text, int32_t line)) {
  TStartPoint start;
  if (!options.StartFrom.empty()) {
    start.UntilLine = FromLine(options.StartFrom, current);
    return start;
  }
  if (options.LoadFrom.empty()) return start;
  const game::TSave save = game::ReadSaveFile(options.LoadFrom);
  const std::string name = platform::FileNameToUtf8(options.LoadFrom);
  if (save.ScriptSha256 == current.ScriptSha256) {
    start.Instant = TSaveInstant{save.TimeMs, save.Steps, save.TickPhaseMs};
    return start;
  }
  // The same folder with another script is this game changed since; another folder is another game.
  if (save.GameFolder != current.Folder)
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

}  // namespace orbel::app
