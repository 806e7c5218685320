// SPDX-License-Identifier: GPL-3.0-or-later

#include "translation/text_tools.h"

#include <QCoreApplication>
#include <filesystem>
#include <optional>

#include "game/data_files.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "script/board_texts.h"
#include "translation/board_fit.h"
#include "translation/board_translation.h"
#include "translation/catalogue_check.h"

namespace orbel::translation {

namespace {

// The name messages and references give the script.
constexpr const char* kScriptName = "SCRIPT.TXT";

// The game's script as lines; nothing, after saying why on `err` when it is given, when it cannot be read.
std::optional<script::TStringList> GameScriptLines(std::FILE* err) {
  const std::string path = game::FindDataFile(kScriptName);
  const auto fail = [err](const QString& why) -> std::optional<script::TStringList> {
    if (err) std::fprintf(err, "orbel: %s\n", qPrintable(why));
    return std::nullopt;
  };
  if (path.empty())
    return fail(QCoreApplication::translate("TextTools", "no SCRIPT.TXT in Data/ or in the game folder"));
  const game::TFileText file = game::ReadWholeFile(path, script::kMaxScriptBytes);
  if (file.Result != game::frRead)
    return fail(QCoreApplication::translate("TextTools", "cannot read %1")
                    .arg(QString::fromStdString(platform::FileNameToUtf8(path))));
  return script::SplitScriptText(file.Text);
}

}  // namespace

std::string BoardRoomNote() {
  return QCoreApplication::translate(
             "TextTools",
             "The board shows %1 lines of %2 characters; a full-width character takes two. A longer line "
             "breaks at a blank.")
      .arg(kBoardLines)
      .arg(kBoardColumns)
      .toStdString();
}

int RunExtractText(const std::string& path, std::FILE* err) {
  const std::optional<script::TStringList> lines = GameScriptLines(err);
  if (!lines) return 1;
  std::vector<TTemplateEntry> entries;
  const std::string note = BoardRoomNote();
  for (const script::TBoardText& text : script::BoardTexts(*lines))
    entries.push_back({ContextName(text), OriginalText(text.Lines), note, kScriptName, text.Line + 1});
  std::error_code error;
  const std::string project =
      platform::FileNameToUtf8(std::filesystem::current_path(error).filename().string());
  std::string bytes;
  try {
    bytes = TemplateText(project.empty() ? "game" : project, entries);
  } catch (const ECatalogueError& problem) {
    std::fprintf(err, "orbel: %s\n", problem.what());
    return 1;
  }
  if (const int code = platform::WriteFileAtomically(path, bytes); code != 0) {
    std::fprintf(err, "orbel: %s\n",
                 qPrintable(QCoreApplication::translate("TextTools", "cannot write %1: %2")
                                .arg(QString::fromStdString(platform::FileNameToUtf8(path)),
                                     QString::fromStdString(platform::SystemErrorText(code)))));
    return 1;
  }
  return 0;
}

int RunCatalogueCheck(const TCatalogue& catalogue, std::FILE* out) {
  const std::optional<script::TStringList> lines = GameScriptLines(nullptr);
  if (!lines) return 0;
  const TCatalogueCheck check = CheckCatalogue(catalogue, *lines);
  bool showsWrong = false;
  for (const TCatalogueProblem& problem : check.Problems) {
    if (problem.Line > 0)
      std::fprintf(out, "%s:%d: %s\n", catalogue.Name.c_str(), problem.Line, problem.Message.c_str());
    else
      std::fprintf(out, "%s: %s\n", catalogue.Name.c_str(), problem.Message.c_str());
    showsWrong = showsWrong || problem.ShowsWrong;
  }
  const size_t percent = check.Texts ? check.Translated * 100 / check.Texts : 100;
  QString share = QCoreApplication::translate("TextTools", "%1 of %2 board texts translated (%3%)")
                      .arg(check.Translated)
                      .arg(check.Texts)
                      .arg(percent);
  if (check.Fuzzy)
    share += QCoreApplication::translate("TextTools", "; %1 fuzzy, shown untranslated").arg(check.Fuzzy);
  if (check.Missing)
    share += QCoreApplication::translate(
                 "TextTools", "; %1 not in the catalogue: extract the texts again and merge them in")
                 .arg(check.Missing);
  std::fprintf(out, "%s: %s\n", catalogue.Name.c_str(), qPrintable(share));
  return showsWrong ? 1 : 0;
}

}  // namespace orbel::translation
