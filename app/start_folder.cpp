// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/start_folder.h"

#include <QGuiApplication>
#include <QSettings>
#include <filesystem>

#include "game/game_archive.h"
#include "game/game_folder.h"

namespace orbel::app {

game::TFoundGame StartFolder(TOptions& options, QSettings& settings) {
  // Whatever folder start-up enters, the output paths named on the command line mean the folder the user
  // started the program in; they are fixed before any change of directory. std::filesystem keeps their bytes.
  for (std::string* path : {&options.SaveScreen, &options.Grab, &options.Record, &options.ExportVideo,
                            &options.SaveOnExit, &options.LoadFrom})
    if (!path->empty()) {
      std::error_code error;
      const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(*path), error);
      if (!error) *path = absolute.string();
    }
  const QString platform = QGuiApplication::platformName();
  const bool display = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
  if (!options.GameDir.empty() && game::IsArchiveName(options.GameDir) &&
      std::filesystem::is_regular_file(std::filesystem::path(options.GameDir))) {
    // An archive or disc image plays from the cache folder its game is unpacked into; of several games, the
    // player picks one, and runs nobody watches refuse them or take the first.
    const game::TFoundGame found =
        game::UnpackedGame(options.GameDir, options.Batch || options.Check, display && options.Watched());
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
  if (options.Check || game::HoldsGameFiles(".")) return {};
  return game::ChooseFirstRunGame(display && !options.Batch, settings);
}

}  // namespace orbel::app
