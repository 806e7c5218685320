#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// orbel --check: the script checker run on the game in the current directory.

#include <cstdio>
#include <string>

#include "script/script_check.h"

namespace orbel::game {

// The game folder as the engine sees it: files found by FindDataFile, pictures read by the bitmap reader.
class TGameCheckFiles : public script::IScriptCheckFiles {
 public:
  std::string DataFileProblem(const std::string& name, script::TDataKind kind) override;
  std::string DecodeText(std::string_view bytes) override;
  std::string Translate(const char* source) override;
};

// Checks the game in the current directory: one line "SCRIPT.TXT:<line>: <message>" per problem on `out`,
// "SCRIPT.TXT:<line>: note: <message>" per note. Returns 0 when the script is clean (notes alone leave it
// clean), 1 when problems were found, or when there is no readable script or it is larger than the engine
// takes (said on `err`).
int RunScriptCheck(std::FILE* out, std::FILE* err);

}  // namespace orbel::game
