// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/game_check.h"

#include <QCoreApplication>
#include <algorithm>
#include <exception>
#include <filesystem>

#include "game/data_files.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "screen/bitmap_file.h"
#include "script/script_text.h"

namespace orbel::game {

std::string TGameCheckFiles::DataFileProblem(const std::string& name, script::TDataKind kind) {
  const std::string what = kind == script::dkPicture ? platform::Tr("ScriptCheck", "picture")
                           : kind == script::dkMovie ? platform::Tr("ScriptCheck", "movie")
                                                     : platform::Tr("ScriptCheck", "sound");
  // The engine's own lookup says what it would open, and what comes near when it opens nothing.
  std::error_code error;
  const std::string folder = std::filesystem::current_path(error).native();
  const TDataFileCheck check = CheckDataFileIn(folder, name);
  const std::string& path = check.Path;
  if (path.empty())
    return platform::Tr("ScriptCheck", "%1: %2").Arg(what).Arg(DescribeDataFileCheck(folder, name, check));
  if (kind != script::dkPicture) return {};
  try {
    screen::LoadBitmapFile(path);
  } catch (const std::exception& error) {
    // The checker reports instead of stopping: it lists every problem, not only the first.
    return platform::Tr("ScriptCheck", "%1 '%2' cannot be read: %3")
        .Arg(what)
        .Arg(DecodeText(name))
        .Arg(error.what());
  }
  return {};
}

std::string TGameCheckFiles::DecodeText(std::string_view bytes) {
  return platform::ScriptTextToUtf8(bytes);
}

std::string TGameCheckFiles::Translate(const char* source) {
  return QCoreApplication::translate("ScriptCheck", source).toStdString();
}

int RunScriptCheck(std::FILE* out, std::FILE* err) {
  const std::string path = FindDataFile("SCRIPT.TXT");
  if (path.empty()) {
    std::fprintf(err, "orbel: %s\n",
                 platform::Tr("ScriptCheck", "no SCRIPT.TXT in Data/ or in the game folder").Str().c_str());
    return 1;
  }
  const TFileText file = ReadWholeFile(path, script::kMaxScriptBytes);
  const std::string shown = platform::FileNameToUtf8(path);
  if (file.Result == frTooLarge) {
    // The engine refuses such a script at start-up, so it is not clean whatever it holds.
    std::fprintf(err, "orbel: %s\n",
                 platform::Tr("ScriptCheck", "%1 is larger than %2 MB; the engine would refuse it")
                     .Arg(shown)
                     .Arg(script::kMaxScriptBytes / (1024 * 1024))
                     .Str()
                     .c_str());
    return 1;
  }
  if (file.Result != frRead) {
    std::fprintf(err, "orbel: %s\n", platform::Tr("ScriptCheck", "cannot read %1").Arg(shown).Str().c_str());
    return 1;
  }
  TGameCheckFiles files;
  const std::vector<script::TScriptProblem> problems = script::CheckScript(file.Text, files);
  // "note:" stays as compilers spell it, so that editors tell notes from problems.
  for (const script::TScriptProblem& problem : problems)
    std::fprintf(out, "SCRIPT.TXT:%d: %s%s\n", problem.Line, problem.Note ? "note: " : "",
                 problem.Message.c_str());
  const bool clean = std::all_of(problems.begin(), problems.end(),
                                 [](const script::TScriptProblem& problem) { return problem.Note; });
  return clean ? 0 : 1;
}

}  // namespace orbel::game
