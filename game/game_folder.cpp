// SPDX-License-Identifier: GPL-3.0-or-later

#include "game/game_folder.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "game/data_files.h"
#include "game/game_archive.h"
#include "platform/shutdown_signals.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::game {

using platform::Tr;

namespace {

constexpr int kRecentGames = 8;
const char* const kRecentKey = "RecentGames";

// The folder dialog in its own (not the native) form, which also takes an archive or disc image: chosen with
// one click like a folder, or opened with a double click.
class TGameDialog : public QFileDialog {
 public:
  TGameDialog(const QString& caption, const QString& start) : QFileDialog(nullptr, caption, start) {
    setFileMode(QFileDialog::Directory);
    // The sidebar with the recent games exists only in Qt's own dialog.
    setOption(QFileDialog::DontUseNativeDialog);
    // In folder mode the dialog turns its choose button off for any file; it stays on for an archive.
    if (const auto* buttons = findChild<QDialogButtonBox*>())
      ChooseButton = buttons->button(QDialogButtonBox::Open);
    if (ChooseButton) ChooseButton->installEventFilter(this);
  }

 protected:
  void accept() override {
    if (ArchiveChosen()) {
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == ChooseButton && event->type() == QEvent::EnabledChange && !ChooseButton->isEnabled() &&
        ArchiveChosen())
      ChooseButton->setEnabled(true);
    return QFileDialog::eventFilter(watched, event);
  }

 private:
  bool ArchiveChosen() const {
    const QStringList files = selectedFiles();
    return files.size() == 1 && QFileInfo(files.first()).isFile() &&
           game::IsArchiveName(files.first().toStdString());
  }

  QPushButton* ChooseButton = nullptr;
};

}  // namespace

// The game folder of an archive or disc image: its game unpacked into the cache. Throws game::EArchiveError.
TFoundGame UnpackedGame(const std::string& archive, bool oneGameOnly, bool askWhichGame,
                        const TReportProgress& progress) {
  const TChooseGame ask = [&archive](const std::vector<std::string>& games) -> std::optional<std::string> {
    QStringList items;
    for (const std::string& game : games)
      items << (game.empty() ? QStringLiteral("/") : QString::fromStdString(platform::FileNameToUtf8(game)));
    bool taken = false;
    const QString item =
        QInputDialog::getItem(nullptr, QStringLiteral("Orbel"),
                              platform::Tr("GameFolder", "%1 holds several games. Which one?")
                                  .Arg(QFileInfo(QString::fromStdString(archive)).fileName())
                                  .QStr(),
                              items, 0, false, &taken);
    if (!taken) return std::nullopt;
    return games[static_cast<size_t>(std::max<qsizetype>(0, items.indexOf(item)))];
  };
  TUnpackedGame game = game::UnpackGame(archive, game::DefaultCacheRoot(), oneGameOnly, {},
                                        askWhichGame ? ask : nullptr, progress);
  if (!game.LeftOut.empty()) {
    constexpr size_t kNamed = 3;
    std::string names;
    for (size_t i = 0; i < game.LeftOut.size() && i < kNamed; ++i)
      names += (i ? ", " : "") + Tr("Archive", "%1 (%2)")
                                     .Arg(platform::FileNameToUtf8(game.LeftOut[i].Name))
                                     .Arg(game.LeftOut[i].Why)
                                     .Str();
    if (game.LeftOut.size() > kNamed)
      names += Tr("Archive", " and %1 more").Arg(game.LeftOut.size() - kNamed).Str();
    std::fprintf(stderr, "orbel: %s\n",
                 Tr("Archive", "%1: left out of the unpacked game, which does not use them: %2")
                     .Arg(platform::FileNameToUtf8(archive))
                     .Arg(names)
                     .Str()
                     .c_str());
  }
  // The run plays from the copy until it ends; nobody's clean-up removes it meanwhile.
  static platform::TFileLock playing;
  playing = std::move(game.Hold);
  // The game's name: its folder's inside the archive, or the archive's own for a game at its top.
  std::filesystem::path inside(game.Game);
  if (!inside.has_filename()) inside = inside.parent_path();
  const std::string name =
      inside.filename().empty() ? std::filesystem::path(archive).stem().string() : inside.filename().string();
  return {game.Folder, name};
}

// The archive path as the recent games remember it.
QString AbsoluteArchivePath(const std::string& archive) {
  return QFileInfo(QString::fromStdString(archive)).absoluteFilePath();
}

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
  // A build folder may lie anywhere, so the program run where the build put it finds the source tree's demo
  // by the path known when it was configured. Only there: an installed or packaged copy must not reach into a
  // source tree that may since have changed or gone.
  const QString built = QFileInfo(QString::fromUtf8(ORBEL_BUILD_PROGRAM_DIR)).canonicalFilePath();
  if (!built.isEmpty() && QFileInfo(programDirectory).canonicalFilePath() == built) {
    const std::string demo = QDir::cleanPath(QString::fromUtf8(ORBEL_SOURCE_DEMO)).toStdString();
    if (HoldsGame(demo)) return demo;
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

TFoundGame ChooseFirstRunGame(bool askUser, QSettings& settings, const TReportProgress& progress) {
  const TFoundGame demo{FindDemoFolder(QCoreApplication::applicationDirPath()), {}};
  if (!askUser) return demo;
  const QStringList recent = RecentGames(settings);
  QList<QUrl> sidebar;
  for (const QString& game : recent) sidebar << QUrl::fromLocalFile(game);
  sidebar << QUrl::fromLocalFile(QDir::homePath());
  if (!demo.Folder.empty()) sidebar << QUrl::fromLocalFile(QString::fromStdString(demo.Folder));
  QString start = recent.isEmpty() ? QDir::homePath() : recent.first();
  for (;;) {
    TGameDialog dialog(platform::Tr("GameFolder", "Choose a game folder or archive").QStr(), start);
    // Folders, and the archives and disc images a game may come in.
    dialog.setNameFilter(platform::Tr("GameFolder", "Games").QStr() +
                         QStringLiteral(" (*.zip *.ZIP *.lzh *.LZH *.lha *.LHA *.7z *.7Z *.iso *.ISO "
                                        "*.cue *.CUE *.cab *.CAB)"));
    dialog.setSidebarUrls(sidebar);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return demo;
    const QString chosen = dialog.selectedFiles().first();
    if (game::IsArchiveName(chosen.toStdString()) && QFileInfo(chosen).isFile()) {
      try {
        const TFoundGame found = UnpackedGame(chosen.toStdString(), false, true, progress);
        RememberGame(settings, AbsoluteArchivePath(chosen.toStdString()));
        return found;
      } catch (const game::EGameNotChosen&) {
        if (platform::PendingShutdownSignal() != 0) throw;
        // Back to the folders, where the player was.
        start = QFileInfo(chosen).absolutePath();
        continue;
      } catch (const game::EArchiveError& error) {
        QMessageBox::warning(nullptr, QStringLiteral("Orbel"), QString::fromStdString(error.what()));
        start = QFileInfo(chosen).absolutePath();
        continue;
      }
    }
    const std::string folder = GameFolderOf(chosen.toStdString());
    if (HoldsGame(folder)) {
      RememberGame(settings, QString::fromStdString(folder));
      return {folder, {}};
    }
    QMessageBox::warning(
        nullptr, QStringLiteral("Orbel"),
        platform::Tr("GameFolder", "%1 holds no game: a game folder holds Data/SCRIPT.TXT or SCRIPT.TXT.")
            .Arg(QDir::toNativeSeparators(chosen))
            .QStr());
    start = chosen;
  }
}

bool HoldsGameFiles(const std::string& directory) {
  if (HoldsGame(directory)) return true;
  // The Data folder counts in any letter case, as the data-file lookup takes it.
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    std::string name = entry.path().filename().string();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::error_code kindError;
    if (name == "DATA" && entry.is_directory(kindError)) return true;
  }
  // The files the built-in script shows, beside no Data folder.
  return !FindDataFileIn(directory, "bg").empty() || !FindDataFileIn(directory, "logo.dat").empty();
}

}  // namespace orbel::game
