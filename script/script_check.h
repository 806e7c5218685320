#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The author's script checker: reads a whole script the way the interpreter would run it and lists what would
// go wrong, without running anything. Text stays in the script's bytes (code page 932 or UTF-8, as the run's
// script encoding says); messages are UTF-8, in the language the host's Translate gives.

#include <string>
#include <string_view>
#include <vector>

namespace orbel::script {

struct TScriptProblem {
  int Line = 0;  // counted from 1, as editors count
  std::string Message;
  // A note: the line runs, but likely not as its author meant. Notes alone leave the script clean.
  bool Note = false;
};

enum TDataKind { dkPicture, dkMovie, dkSound };

// What the checker needs to know about the game folder.
class IScriptCheckFiles {
 public:
  virtual ~IScriptCheckFiles() = default;
  // What is wrong with the data file `name` (the bytes as written in the script) as the engine would
  // use it, as a message that names the file, or the empty string when nothing is.
  virtual std::string DataFileProblem(const std::string& name, TDataKind kind) = 0;
  // Script bytes as UTF-8, for messages that quote the script.
  virtual std::string DecodeText(std::string_view bytes) = 0;
  // A text of the checker's own (English, marked ORBEL_TRANSLATE_NOOP("ScriptCheck", ...)) in the user's
  // language; as it stands unless the host has a catalogue.
  virtual std::string Translate(const char* source) { return source; }
};

// Every problem and note of the script `text` (the whole file), ordered by line. No problem but notes means
// the script is clean.
std::vector<TScriptProblem> CheckScript(std::string_view text, IScriptCheckFiles& files);

}  // namespace orbel::script
