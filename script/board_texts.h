#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The texts a script shows on the board, each named by where it stands: the nearest label before it and its
// place among the board texts under labels of that name. The name stays the same when lines are added under
// other labels, which is what a translation of the texts is keyed by. Text stays in the script's bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "script/script_text.h"

namespace orbel::script {

struct TBoardText {
  int32_t Line = 0;  // the `board,set` line, from 0
  // Field 0 of the nearest label line before it, or empty before the first label.
  std::string Label;
  // 1 for the first board text under a label of that name; counted over the whole script, so that a label
  // written twice still gives each of its texts a name of its own.
  int Ordinal = 1;
  TStringList Lines;  // the board lines the command gives
};

// Whether a script line's fields are a `board,set` command as the interpreter runs it (its board lines are
// then the fields after those two words).
bool IsBoardSetLine(const TStringList& fields);

// Every board text of `lines` in script order. A command whose lines are all empty shows nothing to
// translate and is left out (it takes no ordinal).
std::vector<TBoardText> BoardTexts(const TStringList& lines);

}  // namespace orbel::script
