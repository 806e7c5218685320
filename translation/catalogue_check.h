#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue's part of --check: what of a translation would show wrong on the board, what no longer
// belongs to the script, and how much of the script is translated.

#include <cstddef>
#include <string>
#include <vector>

#include "script/script_text.h"
#include "translation/catalogue.h"

namespace orbel::translation {

struct TCatalogueProblem {
  int Line = 0;  // in the catalogue, from 1; 0 when unknown
  std::string Message;
  bool ShowsWrong = false;  // the board would show it wrong; else a note (a stale entry)
};

struct TCatalogueCheck {
  std::vector<TCatalogueProblem> Problems;  // ordered by line
  size_t Texts = 0;                         // the script's board texts
  size_t Translated = 0;                    // of them, those the catalogue translates
  size_t Fuzzy = 0;    // of them, those with a fuzzy translation only (shown untranslated)
  size_t Missing = 0;  // of them, those the catalogue has no entry for
};

// Checks `catalogue` against the script `scriptLines`: each translation the board would show, broken as the
// board shows it, must fit its width and its lines; an entry whose context no board text of the script has,
// or whose original text is no longer the script's text there, is stale.
TCatalogueCheck CheckCatalogue(const TCatalogue& catalogue, const script::TStringList& scriptLines);

}  // namespace orbel::translation
