// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/save_game.h"

#include "platform/errors.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "script/script_text.h"

namespace orbel::app {

namespace {

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

TStartPoint StartPointAtLine(const std::string& from, const TGameInfo& game) {
  const script::TStringList lines = script::SplitScriptText(game.ScriptBytes);
  TStartPoint start;
  start.Origin = from;
  if (AllDigits(from)) {
    const unsigned long long number = from.size() > 9 ? 0 : std::stoull(from);
    if (number < 1 || number > lines.size())
      throw EOrbelError(
          platform::Tr("Saves", "--from %1: the script has lines 1 to %2").Arg(from).Arg(lines.size()));
    start.UntilLine = static_cast<int32_t>(number - 1);
    return start;
  }
  const std::string label = platform::EncodeScriptText(QString::fromStdString(from));
  const auto targets = script::FirstLineByFoldedText(lines);
  for (const std::string& candidate : {label, "#" + label}) {
    const auto found = targets.find(script::FoldCaseBlind(candidate));
    if (found != targets.end() && !candidate.empty() && candidate[0] == '#') {
      start.UntilLine = found->second;
      return start;
    }
  }
  throw EOrbelError(platform::Tr("Saves", "--from %1: the script has no such label").Arg(from));
}

}  // namespace orbel::app
