#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The translator's tools run on the game in the current directory: --extract-text writes the template of its
// board texts, and --check checks a catalogue against its script.

#include <cstdio>
#include <string>

#include "translation/catalogue.h"

namespace orbel::translation {

// The translator's note on every entry of a template: the board's room.
std::string BoardRoomNote();

// Writes the template of the game's board texts to `path` (written whole or not at all). Returns 0, or 1
// after a line on `err` when there is no readable script or the file cannot be written.
int RunExtractText(const std::string& path, std::FILE* err);

// Checks `catalogue` against the game's script: one line "<catalogue>:<line>: <message>" per problem and a
// last line with the share translated, on `out`. Returns 1 when the board would show anything wrong, else 0
// (a script that cannot be read is --check's script part to report).
int RunCatalogueCheck(const TCatalogue& catalogue, std::FILE* out);

}  // namespace orbel::translation
