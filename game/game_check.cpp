// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/game_check.h"

#include <exception>
#include <filesystem>

#include "game/data_files.h"
#include "platform/text_codec.h"
#include "screen/bitmap_file.h"
#include "script/script_text.h"

namespace orbel::game {

std::string TGameCheckFiles::DataFileProblem(const std::string& name, script::TDataKind kind) {
  const char* what = kind == script::dkPicture ? "picture" : kind == script::dkMovie ? "movie" : "sound";
  const std::string quoted = std::string(what) + " '" + DecodeText(name) + "'";
  // The engine's own lookup says what it would open, and what comes near when it opens nothing.
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).native();
  const TDataFileCheck check = CheckDataFileIn(folder, name);
  const std::string& path = check.Path;
  if (path.empty()) return std::string(what) + ": " + DescribeDataFileCheck(folder, name, check);
  if (kind != script::dkPicture) return {};
  try {
    screen::LoadBitmapFile(path);
  } catch (const std::exception& error) {
    // The checker reports instead of stopping: it lists every problem, not only the first.
    return quoted + " cannot be read: " + error.what();
  }
  return {};
}

std::string TGameCheckFiles::DecodeText(std::string_view bytes) {
  return platform::ScriptTextToUtf8(bytes);
}

int RunScriptCheck(std::FILE* out, std::FILE* err) {
  const std::string path = FindDataFile("SCRIPT.TXT");
  if (path.empty()) {
    std::fputs("orbel: no SCRIPT.TXT in Data/ or in the game folder\n", err);
    return 1;
  }
  const TFileText file = ReadWholeFile(path, script::kMaxScriptBytes);
  const std::string shown = platform::FileNameToUtf8(path);
  if (file.Result == frTooLarge) {
    // The engine refuses such a script at start-up, so it is not clean whatever it holds.
    std::fprintf(err, "orbel: %s is larger than %zu MB; the engine would refuse it\n", shown.c_str(),
                 script::kMaxScriptBytes / (1024 * 1024));
    return 1;
  }
  if (file.Result != frRead) {
    std::fprintf(err, "orbel: cannot read %s\n", shown.c_str());
    return 1;
  }
  TGameCheckFiles files;
  const std::vector<script::TScriptProblem> problems = script::CheckScript(file.Text, files);
  for (const script::TScriptProblem& problem : problems)
    std::fprintf(out, "SCRIPT.TXT:%d: %s\n", problem.Line, problem.Message.c_str());
  return problems.empty() ? 0 : 1;
}

}  // namespace orbel::game
