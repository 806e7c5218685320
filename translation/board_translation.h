#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The step between the script's text and the board: what the board shows for a `board,set` line. Without a
// catalogue that is the script's text, decoded; with one, the translation of the text at that place where the
// catalogue has one. This is the shown text everywhere after it: the board, a save's board text.

#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "script/board_texts.h"
#include "translation/catalogue.h"

namespace orbel::translation {

// The name a board text has in a catalogue (its msgctxt): the label before it and its ordinal there,
// "#label/2", or "(start)/1" before the first label.
std::string ContextName(const script::TBoardText& text);
// The original text of a board text (its msgid): its lines decoded, one line break between two.
std::string OriginalText(const script::TStringList& lines);

class TBoardTranslation {
 public:
  // The script's own text.
  TBoardTranslation() = default;
  // The texts of `scriptLines` in the catalogue's translation.
  TBoardTranslation(std::shared_ptr<const TCatalogue> catalogue, const script::TStringList& scriptLines);

  bool Translating() const { return Catalogue != nullptr; }
  // The board lines shown for the board lines `fields` of the `board,set` command on script line `line`
  // (from 0): the translation broken to the board's width, or, when there is none, the text as the script
  // gives it.
  QStringList Shown(int32_t line, const script::TStringList& fields) const;

 private:
  std::shared_ptr<const TCatalogue> Catalogue;
  std::unordered_map<int32_t, std::string> Contexts;  // of each board text's line
  bool BreakAtBlanks = true;
};

}  // namespace orbel::translation
