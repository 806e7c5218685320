// SPDX-License-Identifier: GPL-3.0-or-later

#include "translation/catalogue_check.h"

#include <QCoreApplication>
#include <algorithm>
#include <unordered_map>

#include "script/board_texts.h"
#include "translation/board_fit.h"
#include "translation/board_translation.h"

namespace orbel::translation {

namespace {

// What the board makes of a translation that shows: each line too wide, and too many lines.
void CheckFit(const TCatalogueEntry& entry, bool breakAtBlanks, std::vector<TCatalogueProblem>& problems) {
  const QStringList lines = BoardLinesOf(QString::fromStdString(entry.Text), breakAtBlanks);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const int columns = BoardColumns(lines[i]);
    if (columns > kBoardColumns)
      problems.push_back(
          {entry.Line,
           QCoreApplication::translate(
               "CatalogueCheck", "board line %1 of the translation is %2 characters wide; the board shows %3")
               .arg(i + 1)
               .arg(columns)
               .arg(kBoardColumns)
               .toStdString(),
           true});
  }
  if (lines.size() > kBoardLines)
    problems.push_back({entry.Line,
                        QCoreApplication::translate(
                            "CatalogueCheck", "the translation takes %1 board lines; the board shows %2")
                            .arg(lines.size())
                            .arg(kBoardLines)
                            .toStdString(),
                        true});
}

}  // namespace

TCatalogueCheck CheckCatalogue(const TCatalogue& catalogue, const script::TStringList& scriptLines) {
  TCatalogueCheck check;
  // The original text of each context the script has, and its line.
  std::unordered_map<std::string, std::pair<std::string, int32_t>> script;
  for (const script::TBoardText& text : script::BoardTexts(scriptLines)) {
    const std::string context = ContextName(text);
    const std::string original = OriginalText(text.Lines);
    ++check.Texts;
    if (catalogue.Translation(context, original))
      ++check.Translated;
    else if (const TCatalogueEntry* entry = catalogue.Find(context, original); !entry)
      ++check.Missing;
    else if (entry->Fuzzy && !entry->Text.empty())
      ++check.Fuzzy;
    script.emplace(context, std::make_pair(original, text.Line));
  }
  const bool breakAtBlanks = BreaksAtBlanks(catalogue.Language);
  for (const TCatalogueEntry& entry : catalogue.Entries) {
    const auto place = script.find(entry.Context);
    if (place == script.end()) {
      check.Problems.push_back(
          {entry.Line,
           QCoreApplication::translate("CatalogueCheck",
                                       "stale entry: the script has no board text \"%1\" any more")
               .arg(QString::fromStdString(entry.Context))
               .toStdString(),
           false});
    } else if (place->second.first != entry.Id) {
      check.Problems.push_back(
          {entry.Line,
           QCoreApplication::translate(
               "CatalogueCheck", "stale entry: the script's text at SCRIPT.TXT:%1 is no longer its original")
               .arg(place->second.second + 1)
               .toStdString(),
           false});
    } else if (catalogue.Translation(entry.Context, entry.Id)) {
      CheckFit(entry, breakAtBlanks, check.Problems);
    }
  }
  std::stable_sort(check.Problems.begin(), check.Problems.end(),
                   [](const TCatalogueProblem& a, const TCatalogueProblem& b) { return a.Line < b.Line; });
  return check;
}

}  // namespace orbel::translation
