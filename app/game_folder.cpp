// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/game_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>
#include <cctype>
#include <filesystem>

#include "app/data_files.h"
#include "game/game_archive.h"

namespace orbel::app {

namespace {

constexpr int kRecentGames = 8;
const char* const kRecentKey = "RecentGames";

// The game folder of an archive or disc image: its game unpacked into the cache. Throws game::EArchiveError.
std::string UnpackedFolder(const std::string& archive, bool oneGameOnly) {
  return game::UnpackGame(archive, game::DefaultCacheRoot(), oneGameOnly).Folder;
}

// The archive path as the recent games remember it.
QString AbsoluteArchivePath(const std::string& archive) {
  return QFileInfo(QString::fromStdString(archive)).absoluteFilePath();
}

// The folder dialog in its own (not the native) form, which also takes an archive or disc image.
class TGameDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

 protected:
  void accept() override {
    const QStringList files = selectedFiles();
    if (files.size() == 1 && QFileInfo(files.first()).isFile() &&
        game::IsArchiveName(files.first().toStdString())) {
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }
};

}  // namespace

// Paths stay bytes here: a folder named in Shift-JIS must survive the way to chdir.
std::string GameFolderOf(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_regular_file(fs::path(path), error)) return path;
  fs::path folder = fs::absolute(fs::path(path), error).parent_path();
  std::string name = folder.filename().string();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name == "DATA") folder = folder.parent_path();
  return folder.string();
}

bool HoldsGame(const std::string& directory) {
  return !FindDataFileIn(directory, "SCRIPT.TXT").empty();
}

std::string FindDemoFolder(const QString& programDirectory) {
  for (const char* relative : {ORBEL_DEMO_RELATIVE, "../demo"}) {
    const QString folder = QDir::cleanPath(programDirectory + "/" + QString::fromUtf8(relative));
    if (HoldsGame(folder.toStdString())) return folder.toStdString();
  }
  return {};
}

QStringList RecentGames(QSettings& settings) {
  return settings.value(kRecentKey).toStringList();
}

void RememberGame(QSettings& settings, const QString& folder) {
  const QString absolute = QDir(folder).absolutePath();
  QStringList games = RecentGames(settings);
  games.removeAll(absolute);
  games.prepend(absolute);
  while (games.size() > kRecentGames) games.removeLast();
  settings.setValue(kRecentKey, games);
}

std::string ChooseFirstRunGame(bool askUser, QSettings& settings) {
  const std::string demo = FindDemoFolder(QCoreApplication::applicationDirPath());
  if (!askUser) return demo;
  const QStringList recent = RecentGames(settings);
  QList<QUrl> sidebar;
  for (const QString& game : recent) sidebar << QUrl::fromLocalFile(game);
  sidebar << QUrl::fromLocalFile(QDir::homePath());
  if (!demo.empty()) sidebar << QUrl::fromLocalFile(QString::fromStdString(demo));
  QString start = recent.isEmpty() ? QDir::homePath() : recent.first();
  for (;;) {
    TGameDialog dialog(nullptr, QStringLiteral("choose a game folder or archive"), start);
    dialog.setFileMode(QFileDialog::Directory);
    // Folders, and the archives and disc images a game may come in.
    dialog.setNameFilter(QStringLiteral("Games (*.zip *.ZIP *.lzh *.LZH *.lha *.LHA *.7z *.7Z *.iso *.ISO "
                                        "*.cue *.CUE *.cab *.CAB)"));
    // The sidebar with the recent games exists only in Qt's own dialog.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setSidebarUrls(sidebar);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return demo;
    const QString chosen = dialog.selectedFiles().first();
    if (game::IsArchiveName(chosen.toStdString()) && QFileInfo(chosen).isFile()) {
      try {
        // Several games in one archive: the first for now; a choice among them is yet to come.
        const std::string folder = UnpackedFolder(chosen.toStdString(), false);
        RememberGame(settings, AbsoluteArchivePath(chosen.toStdString()));
        return folder;
      } catch (const game::EArchiveError& error) {
        QMessageBox::warning(nullptr, QStringLiteral("Orbel"), QString::fromStdString(error.what()));
        start = QFileInfo(chosen).absolutePath();
        continue;
      }
    }
    const std::string folder = GameFolderOf(chosen.toStdString());
    if (HoldsGame(folder)) {
      RememberGame(settings, QString::fromStdString(folder));
      return folder;
    }
    QMessageBox::warning(
        nullptr, QStringLiteral("Orbel"),
        QStringLiteral("%1 holds no game: a game folder holds Data/SCRIPT.TXT or SCRIPT.TXT.")
            .arg(QDir::toNativeSeparators(chosen)));
    start = chosen;
  }
}

void MakeOutputPathsAbsolute(TOptions& options) {
  for (std::string* path : {&options.SaveScreen, &options.Grab, &options.Record})
    if (!path->empty()) {
      std::error_code error;
      const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(*path), error);
      if (!error) *path = absolute.string();
    }
}

std::string StartFolder(TOptions& options, QSettings& settings) {
  if (!options.GameDir.empty() && game::IsArchiveName(options.GameDir) &&
      std::filesystem::is_regular_file(std::filesystem::path(options.GameDir))) {
    // Start-up enters the cache folder, so output paths are taken where the user started the program.
    MakeOutputPathsAbsolute(options);
    const std::string folder = UnpackedFolder(options.GameDir, options.Batch || options.Check);
    if (!options.Automated()) RememberGame(settings, AbsoluteArchivePath(options.GameDir));
    return folder;
  }
  if (!options.GameDir.empty()) {
    const std::string folder = GameFolderOf(options.GameDir);
    if (!options.Automated() && HoldsGame(folder)) RememberGame(settings, QString::fromStdString(folder));
    return folder;
  }
  if (options.Check || HoldsGame(".")) return {};
  MakeOutputPathsAbsolute(options);
  const QString platform = QGuiApplication::platformName();
  const bool display = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
  return ChooseFirstRunGame(display && !options.Batch, settings);
}

}  // namespace orbel::app
