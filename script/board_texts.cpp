// SPDX-License-Identifier: GPL-3.0-or-later

#include "script/board_texts.h"

#include <algorithm>
#include <unordered_map>

namespace orbel::script {

namespace {

bool IsLabelLine(const TStringList& fields) {
  return !fields.empty() && !fields[0].empty() && fields[0][0] == '#';
}

}  // namespace

bool IsBoardSetLine(const TStringList& fields) {
  return fields.size() >= 2 && !IsLabelLine(fields) && KeywordCode(fields[0]) == kwBoard &&
         KeywordCode(fields[1]) == kwSet;
}

std::vector<TBoardText> BoardTexts(const TStringList& lines) {
  std::vector<TBoardText> texts;
  std::unordered_map<std::string, int> counts;  // board texts so far under each label name
  std::string label;
  for (size_t i = 0; i < lines.size(); ++i) {
    // The interpreter refuses such a line before it splits it.
    if (lines[i].size() > kMaxScriptLineBytes) continue;
    TStringList fields = SplitCommaText(lines[i]);
    if (IsLabelLine(fields)) {
      label = fields[0];
      continue;
    }
    if (!IsBoardSetLine(fields)) continue;
    fields.erase(fields.begin(), fields.begin() + 2);
    if (std::all_of(fields.begin(), fields.end(), [](const std::string& field) { return field.empty(); }))
      continue;
    texts.push_back({static_cast<int32_t>(i), label, ++counts[label], std::move(fields)});
  }
  return texts;
}

}  // namespace orbel::script
