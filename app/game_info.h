#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What is known of a game before it runs: where it lies, what it is called, its script's bytes and encoding,
// and the identity its saves name. Start-up reads it once; every run the window starts uses the same, so a
// load replays exactly the script the saves were made with.

#include <string>

#include "platform/script_encoding.h"

namespace orbel::app {

struct TGameInfo {
  // The game folder start-up entered (absolute, its bytes): for an archive, the folder it is unpacked into.
  std::string Folder;
  // The game's own name: the game folder's name, or for a game unpacked from an archive the name of its
  // folder inside the archive (the archive's own name for a game at its top). Saves are kept under it.
  std::string Name;
  enum TScriptRead { srRead, srMissing, srTooLarge, srUnreadable };
  TScriptRead Script = srMissing;
  std::string ScriptPath;   // where SCRIPT.TXT was found (empty when missing)
  std::string ScriptBytes;  // the script that runs: the game's, or the built-in one when it has none
  platform::TScriptEncoding Encoding = platform::seCp932;
  std::string ScriptSha256;  // the identity a save names: SHA-256 of ScriptBytes

  bool BuiltInScript() const { return Script == srMissing; }
  // Raises the error a script that could not be read gives ("cannot open", "too large"), naming the file.
  void RequireScript() const;
};

// The game in the current folder, as start-up has entered it: its script found and read with the data-file
// lookup, its encoding from `requested` and the script's byte-order mark. `name` is the name start-up found
// for it (empty: the folder's own). The script encoding is not set here; the caller sets it for the process.
TGameInfo ReadGameHere(const std::string& name, platform::TScriptEncoding requested);

// The name a game folder gives its game: its last part.
std::string FolderName(const std::string& folder);

}  // namespace orbel::app
