// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/start_folder.h"

#include <QGuiApplication>
#include <QSettings>
#include <filesystem>

#include "app/unpack_progress.h"
#include "game/game_archive.h"
#include "game/game_folder.h"

namespace orbel::app {

game::TFoundGame StartFolder(TOptions& options, QSettings& settings) {
  // Whatever folder start-up enters, the output paths named on the command line mean the folder the user
  // started the program in; they are fixed before any change of directory. std::filesystem keeps their bytes.
  for (std::string* path :
       {&options.SaveScreen, &options.Grab, &options.Record, &options.ExportVideo, &options.SaveOnExit,
        &options.LoadFrom, &options.ExtractText, &options.TranslationFile})
    if (!path->empty()) {
      std::error_code error;
      const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(*path), error);
      if (!error) *path = absolute.string();
    }
  const QString platform = QGuiApplication::platformName();
  const bool display = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
  std::error_code kindError;
  if (!options.GameDir.empty() && game::IsArchiveName(options.GameDir) &&
      !std::filesystem::is_directory(std::filesystem::path(options.GameDir), kindError)) {
    // An archive or disc image plays from the cache folder its game is unpacked into; of several games, the
    // player picks one, and runs nobody watches refuse them or take the first. What is no file at all (a
    // named pipe, a device) is refused there by what it is.
    const bool watched = display && options.Watched();
    const game::TFoundGame found =
        game::UnpackedGame(options.GameDir, options.Batch || options.Check || !options.ExtractText.empty(),
                           watched, UnpackProgressReport(watched));
    if (options.Watched()) game::RememberGame(settings, game::AbsoluteArchivePath(options.GameDir));
    return found;
  }
  if (!options.GameDir.empty()) {
    const std::string folder = game::GameFolderOf(options.GameDir);
    if (options.Watched() && game::HoldsGame(folder))
      game::RememberGame(settings, QString::fromStdString(folder));
    return {folder, {}};
  }
  // Anything of a game here (a Data folder without a script included) runs here, the built-in script standing
  // in for a missing one; the dialog and the demo are for folders that hold nothing of a game.
  if (options.Check || !options.ExtractText.empty() || game::HoldsGameFiles(".")) return {};
  return game::ChooseFirstRunGame(display && !options.Batch, settings,
                                  UnpackProgressReport(display && !options.Batch));
}

}  // namespace orbel::app
