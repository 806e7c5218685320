#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The history of the board's texts: each text the script put on the board, as shown (the translation's when
// one is active), with the instant it was shown at, oldest first, the latest game::kMaxSavedTexts of them. A
// run records it as it goes, so a replay up to a save's instant rebuilds it exactly; a save keeps it for the
// one run that cannot replay (the script changed since, docs/saves.md). Going back to an entry is a load of
// its instant.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <vector>

#include "app/save_game.h"
#include "game/save_file.h"

namespace orbel::app {

class TTextHistory {
 public:
  struct TEntry {
    QString Text;  // the board's lines, joined by '\n'
    TSaveInstant Instant;
    // False for a text of an earlier run of a changed script: its instant is not one this script can reach.
    bool Reachable = true;
  };

  // A text the board shows now, at the run's `instant`. Blank texts are no text.
  void Add(const QStringList& lines, const TSaveInstant& instant);
  // The texts a save of a changed script kept: shown, but out of reach.
  void KeepEarlier(const std::vector<game::TSavedText>& texts);
  const std::deque<TEntry>& Entries() const { return EntriesValue; }
  // As a save keeps it; texts out of reach keep the instant 0, before anything of this run.
  std::vector<game::TSavedText> ToSave() const;

 private:
  void Append(TEntry entry);
  std::deque<TEntry> EntriesValue;
};

// The board's text on one line, for programs that read it: the lines without their trailing blanks, blank
// lines left out, joined directly where either side is a wide (Japanese) character and with a space between
// words of other scripts.
QString OneLine(const QStringList& lines);

}  // namespace orbel::app
