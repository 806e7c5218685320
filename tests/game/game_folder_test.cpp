// SPDX-License-Identifier: GPL-3.0-or-later
// Which game a start runs, the recent games, and the near-match hint of the checker.

#include "game/game_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <filesystem>

#include "game/data_files.h"
#include "tests/support/temp_folder.h"

namespace orbel::game {
namespace {

using GameFolder = tests::TTempFolderTest;

TEST_F(GameFolder, ScriptPathMeansItsGameFolder) {
  EXPECT_EQ(GameFolderOf(Root()), Root());
  EXPECT_EQ(GameFolderOf(Make("a/Data/SCRIPT.TXT")), Root() + "/a");
  EXPECT_EQ(GameFolderOf(Make("b/data/script.txt")), Root() + "/b");
  EXPECT_EQ(GameFolderOf(Make("c/SCRIPT.TXT")), Root() + "/c");
  // A path that names nothing stays as it is, so entering it fails as before.
  EXPECT_EQ(GameFolderOf(Root() + "/none"), Root() + "/none");
  EXPECT_TRUE(HoldsGame(Root() + "/a"));
  EXPECT_TRUE(HoldsGame(Root() + "/c"));
  EXPECT_FALSE(HoldsGame(Root()));
}

// What makes a start without GAME_DIR stay in its folder instead of offering the dialog or the demo.
TEST_F(GameFolder, AnythingOfAGameMakesAFolderAGame) {
  const auto holds = [this](const std::string& folder) { return HoldsGameFiles(Root() + "/" + folder); };
  std::filesystem::create_directories(Root() + "/empty");
  Make("other/readme.txt");
  Make("file/Data");  // a file, not a folder
  Make("script/SCRIPT.TXT");
  std::filesystem::create_directories(Root() + "/lower/data");
  Make("bg/BG");
  Make("logo/Data/LOGO.dat");
  EXPECT_FALSE(holds("empty"));
  EXPECT_FALSE(holds("other"));
  EXPECT_FALSE(holds("file"));
  EXPECT_FALSE(holds("none"));
  EXPECT_TRUE(holds("script"));
  EXPECT_TRUE(holds("lower"));
  EXPECT_TRUE(holds("bg"));
  EXPECT_TRUE(holds("logo"));
}

TEST_F(GameFolder, DemoBesideTheProgramInstalledOrInTheSourceTree) {
  std::filesystem::create_directories(Root() + "/usr/bin");
  std::filesystem::create_directories(Root() + "/src/build");
  EXPECT_EQ(FindDemoFolder(Dir.path() + "/usr/bin"), "");
  Make("usr/share/orbel/demo/Data/SCRIPT.TXT");
  EXPECT_EQ(FindDemoFolder(Dir.path() + "/usr/bin"), Root() + "/usr/share/orbel/demo");
  Make("src/demo/Data/SCRIPT.TXT");
  EXPECT_EQ(FindDemoFolder(Dir.path() + "/src/build"), Root() + "/src/demo");
}

// A build folder configured outside the source tree has no demo beside it; the program there still finds the
// source tree's, also when reached through a symbolic link, while a copy anywhere else does not (above).
TEST_F(GameFolder, BuiltProgramFindsTheSourceDemoWhereverItsBuildFolderIs) {
  const QString program = QFileInfo(QStringLiteral(ORBEL_BINARY)).absolutePath();
  const std::string demo = QDir::cleanPath(QStringLiteral(ORBEL_SOURCE_DIR "/demo")).toStdString();
  EXPECT_EQ(FindDemoFolder(program), demo);
  std::filesystem::create_directory_symlink(program.toStdString(), Root() + "/link");
  EXPECT_EQ(FindDemoFolder(Dir.path() + "/link"), demo);
}

TEST_F(GameFolder, RecentGamesNewestFirstWithoutRepeats) {
  QSettings settings(Dir.path() + "/orbel.conf", QSettings::IniFormat);
  EXPECT_TRUE(RecentGames(settings).isEmpty());
  for (int i = 0; i < 12; ++i) RememberGame(settings, Dir.path() + QStringLiteral("/g%1").arg(i));
  RememberGame(settings, Dir.path() + "/g5");
  const QStringList games = RecentGames(settings);
  ASSERT_EQ(games.size(), 8);
  EXPECT_EQ(games[0], Dir.path() + "/g5");
  EXPECT_EQ(games[1], Dir.path() + "/g11");
  EXPECT_EQ(games.count(Dir.path() + "/g5"), 1);
}

TEST_F(GameFolder, NearMatchesForFilesTheLookupMisses) {
  Make("Data/pics/BG01.bmp");
  Make("Data/\xE5\xA4\x95\xE7\x84\xBC\xE3\x81\x91.bmp");  // 夕焼け.bmp in UTF-8
  Make("Data/\x83\x4A\x81\x5B\x83\x68.bmp");              // カード.bmp left in Shift-JIS
  Make("Data/logo.dat");
  const auto near = [this](const std::string& name) {
    const TDataFileCheck check = CheckDataFileIn(Root(), name);
    return check.Path.empty() ? check.NearPath.substr(check.NearPath.empty() ? 0 : Root().size() + 1)
                              : "found " + check.Path.substr(Root().size() + 1);
  };
  EXPECT_EQ(near("pics/bg01.bmp"), "found Data/pics/BG01.bmp");
  EXPECT_EQ(near("BG01.bmp"), "Data/pics/BG01.bmp");
  EXPECT_EQ(near("pics\\\x82\x61\x82\x66\x82\x4F\x82\x50.bmp"), "Data/pics/BG01.bmp");  // ＢＧ０１
  EXPECT_EQ(near("\x97\x5B\x8F\xC4\x82\xAF.bmp"), "found Data/\xE5\xA4\x95\xE7\x84\xBC\xE3\x81\x91.bmp");
  EXPECT_EQ(near("\x83\x4A\x81\x5B\x83\x68.BMP"), "found Data/\x83\x4A\x81\x5B\x83\x68.bmp");
  EXPECT_EQ(near("logo"), "Data/logo.dat");
  EXPECT_EQ(near("other.bmp"), "");
  EXPECT_EQ(near(""), "");
  // The toolkit cannot remove a name that is not UTF-8.
  std::filesystem::remove(Root() + "/Data/\x83\x4A\x81\x5B\x83\x68.bmp");
}

}  // namespace
}  // namespace orbel::game
