// SPDX-License-Identifier: GPL-3.0-or-later
// Listing archives, finding the game inside and unpacking it into the cache, with archives made by real
// tools; and the archives that must be refused.

#include "game/game_archive.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/game/archive_tools.h"

namespace orbel::game {
namespace {

namespace fs = std::filesystem;

// 背景.bmp in code page 932.
const std::string kSjisName = "\x94\x77\x8C\x69.bmp";

class GameArchive : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
  void TearDown() override { fs::remove_all(Root()); }
  std::string Root() const { return Dir.path().toStdString(); }
  std::string Cache() const { return Root() + "/cache"; }
  std::vector<std::string> CacheFolders() const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(Cache(), error), end; !error && it != end; it.increment(error))
      names.push_back(it->path().filename().native());
    return names;
  }
  std::string Zip(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
    const std::string path = Root() + "/" + name;
    EXPECT_TRUE(MakeRawNameZip(path, files, Dir.path()));
    return path;
  }
  // The message of the error UnpackGame raises, or "" when it raises none.
  std::string UnpackError(const std::string& path, bool oneGameOnly = true, const TArchiveLimits& limits = {}) {
    try {
      UnpackGame(path, Cache(), oneGameOnly, limits);
    } catch (const EArchiveError& error) {
      return error.what();
    }
    return {};
  }
  QTemporaryDir Dir;
};

TEST_F(GameArchive, ZipNamesWithoutTheUtf8FlagComeOutAsTheirBytes) {
  const std::string zip = Zip("game.zip", {{"Data/SCRIPT.TXT", "board,off\r\n"}, {"Data/" + kSjisName, "bmp"}});
  const std::vector<TArchiveEntry> entries = ListArchive(zip);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].Name, "Data/" + kSjisName);
  EXPECT_TRUE(entries[1].File);
  const TUnpackedGame game = UnpackGame(zip, Cache(), true);
  EXPECT_EQ(ReadAll(game.Folder + "/Data/" + kSjisName), "bmp");
  EXPECT_EQ(ReadAll(game.Folder + "/Data/SCRIPT.TXT"), "board,off\r\n");
  EXPECT_EQ(game.Games, std::vector<std::string>{""});
}

TEST_F(GameArchive, TheGameIsFoundWhereverItLiesAndOnlyItsFolderIsUnpacked) {
  const std::string zip = Zip("nested.zip", {{"readme.txt", "r"},
                                             {"Disc/Game/DATA/script.txt", "s"},
                                             {"Disc/Game/DATA/BG.BMP", "b"},
                                             {"Disc/Extras/x.txt", "x"}});
  const TUnpackedGame game = UnpackGame(zip, Cache(), true);
  EXPECT_EQ(game.Games, std::vector<std::string>{"Disc/Game"});
  EXPECT_TRUE(fs::is_regular_file(game.Folder + "/DATA/script.txt"));
  EXPECT_TRUE(fs::is_regular_file(game.Folder + "/DATA/BG.BMP"));
  EXPECT_FALSE(fs::exists(game.Folder + "/readme.txt"));
  EXPECT_FALSE(fs::exists(game.Folder + "/Extras"));
}

TEST_F(GameArchive, SeveralGamesAreListedWhenOneIsWantedElseTheFirstIsTaken) {
  const std::string zip = Zip("two.zip", {{"B/SCRIPT.TXT", "b"}, {"A/Data/SCRIPT.TXT", "a"}});
  const std::string error = UnpackError(zip);
  EXPECT_NE(error.find("two.zip holds several games: A, B"), std::string::npos) << error;
  const TUnpackedGame game = UnpackGame(zip, Cache(), false);
  EXPECT_EQ(game.Games, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ReadAll(game.Folder + "/Data/SCRIPT.TXT"), "a");
}

// The player picks among them; each game keeps its own cache folder until the archive changes.
TEST_F(GameArchive, ThePlayerPicksOneOfSeveralGamesAndEachIsKeptApart) {
  const std::string zip = Zip("two.zip", {{"B/SCRIPT.TXT", "b"}, {"A/Data/SCRIPT.TXT", "a"}});
  std::vector<std::string> offered;
  const auto pick = [&offered](std::optional<std::string> choice) -> TChooseGame {
    return [&offered, choice](const std::vector<std::string>& games) {
      offered = games;
      return choice;
    };
  };
  const TUnpackedGame b = UnpackGame(zip, Cache(), false, {}, pick("B"));
  EXPECT_EQ(offered, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(b.Game, "B");
  EXPECT_EQ(ReadAll(b.Folder + "/SCRIPT.TXT"), "b");
  const TUnpackedGame a = UnpackGame(zip, Cache(), false, {}, pick("A"));
  EXPECT_NE(a.Folder, b.Folder);
  EXPECT_EQ(ReadAll(a.Folder + "/Data/SCRIPT.TXT"), "a");
  EXPECT_EQ(ReadAll(b.Folder + "/SCRIPT.TXT"), "b") << "the other game's folder stays";
  EXPECT_EQ(UnpackGame(zip, Cache(), false, {}, pick("B")).Folder, b.Folder);

  EXPECT_THROW(UnpackGame(zip, Cache(), false, {}, pick(std::nullopt)), EGameNotChosen);
  EXPECT_THROW(UnpackGame(zip, Cache(), false, {}, pick("C")), EGameNotChosen);
  // Asked for one game only, the archive is refused before anyone is asked.
  offered.clear();
  EXPECT_THROW(UnpackGame(zip, Cache(), true, {}, pick("A")), EArchiveError);
  EXPECT_TRUE(offered.empty());

  // A changed archive: both old copies go once one game of it is unpacked again.
  Zip("two.zip", {{"B/SCRIPT.TXT", "bb"}, {"A/Data/SCRIPT.TXT", "aa"}});
  const TUnpackedGame changed = UnpackGame(zip, Cache(), false, {}, pick("B"));
  EXPECT_EQ(ReadAll(changed.Folder + "/SCRIPT.TXT"), "bb");
  EXPECT_EQ(CacheFolders(), std::vector<std::string>{fs::path(changed.Folder).filename().native()});
}

TEST_F(GameArchive, TheCacheIsReusedAndReplacedWhenTheArchiveChanges) {
  const std::string zip = Zip("game.zip", {{"SCRIPT.TXT", "one"}});
  const TUnpackedGame first = UnpackGame(zip, Cache(), true);
  EXPECT_EQ(UnpackGame(zip, Cache(), true).Folder, first.Folder);
  EXPECT_EQ(CacheFolders().size(), 1u);
  Zip("game.zip", {{"SCRIPT.TXT", "three"}});
  const TUnpackedGame second = UnpackGame(zip, Cache(), true);
  EXPECT_NE(second.Folder, first.Folder);
  EXPECT_EQ(ReadAll(second.Folder + "/SCRIPT.TXT"), "three");
  // The old copy is gone, and nothing half-made is left beside the new one.
  EXPECT_EQ(CacheFolders(), std::vector<std::string>{fs::path(second.Folder).filename().native()});
  // Another archive keeps its own folder.
  UnpackGame(Zip("other.zip", {{"SCRIPT.TXT", "x"}}), Cache(), true);
  EXPECT_EQ(CacheFolders().size(), 2u);
}

TEST_F(GameArchive, NamesThatLeaveTheGameAreNeverUnpacked) {
  const std::string zip = Zip("climb.zip", {{"SCRIPT.TXT", "s"},
                                            {"../escaped.txt", "e"},
                                            {"/absolute.txt", "a"},
                                            {"Data/../../up.txt", "u"}});
  const TUnpackedGame game = UnpackGame(zip, Cache(), true);
  EXPECT_TRUE(fs::is_regular_file(game.Folder + "/SCRIPT.TXT"));
  EXPECT_FALSE(fs::exists(Cache() + "/escaped.txt"));
  EXPECT_FALSE(fs::exists(Root() + "/escaped.txt"));
  EXPECT_FALSE(fs::exists(Root() + "/up.txt"));
  EXPECT_FALSE(fs::exists("/absolute.txt"));
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(game.Folder)) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(GameArchive, BadArchivesGetAMessageNamingTheFileAndLeaveNoCache) {
  WriteAll(Root() + "/garbage.zip", std::string(5000, 'G'));
  EXPECT_NE(UnpackError(Root() + "/garbage.zip").find("garbage.zip cannot be read"), std::string::npos);
  const std::string whole = ReadAll(Zip("whole.zip", {{"SCRIPT.TXT", std::string(20000, 's')}}));
  WriteAll(Root() + "/cut.zip", whole.substr(0, whole.size() / 2));
  EXPECT_NE(UnpackError(Root() + "/cut.zip").find("cut.zip"), std::string::npos);
  const std::string none = Zip("nogame.zip", {{"Data/BG.BMP", "b"}});
  EXPECT_NE(UnpackError(none).find("nogame.zip holds no game"), std::string::npos);
  EXPECT_NE(UnpackError(Root() + "/missing.7z").find("missing.7z"), std::string::npos);
  if (HaveTool("7z")) {
    ASSERT_TRUE(RunTool("7z", {"a", "-tzip", "-psecret", "locked.zip", "whole.zip"}, Dir.path()));
    fs::rename(Root() + "/whole.zip", Root() + "/SCRIPT.TXT");
    ASSERT_TRUE(RunTool("7z", {"a", "-tzip", "-psecret", "locked.zip", "SCRIPT.TXT"}, Dir.path()));
    EXPECT_NE(UnpackError(Root() + "/locked.zip").find("locked.zip is encrypted"), std::string::npos);
  }
  EXPECT_TRUE(CacheFolders().empty());
}

TEST_F(GameArchive, EntriesPastTheLimitsAreRefusedBeforeAndWhileUnpacking) {
  const std::string zip = Zip("big.zip", {{"SCRIPT.TXT", "s"}, {"Data/MOVIE.AVI", std::string(100000, 'm')}});
  TArchiveLimits limits;
  limits.EntryBytes = 50000;
  EXPECT_NE(UnpackError(zip, true, limits).find("MOVIE.AVI is larger than the engine takes"), std::string::npos);
  limits = {};
  limits.TotalBytes = 50000;
  EXPECT_NE(UnpackError(zip, true, limits).find("larger than"), std::string::npos);
  limits = {};
  limits.Entries = 1;
  EXPECT_NE(UnpackError(zip, true, limits).find("more than 1 entries"), std::string::npos);
  // A header that understates its entry: the data is stopped at the size the header gives.
  std::string bytes = ReadAll(zip);
  const std::string real("\xA0\x86\x01\x00", 4);  // 100000, little-endian
  const std::string lie("\x10\x27\x00\x00", 4);   // 10000
  size_t patched = 0;
  for (size_t at = bytes.find(real); at != std::string::npos; at = bytes.find(real, at + 4)) {
    bytes.replace(at, 4, lie);
    ++patched;
  }
  ASSERT_EQ(patched, 2u);  // the local header and the central directory
  WriteAll(Root() + "/liar.zip", bytes);
  const std::string error = UnpackError(Root() + "/liar.zip");
  EXPECT_NE(error.find("liar.zip"), std::string::npos) << error;
  EXPECT_TRUE(CacheFolders().empty());
}

TEST_F(GameArchive, DiscImagesAsIsoAndAsBinCueInEachMode) {
  if (!HaveTool("genisoimage")) GTEST_SKIP() << "genisoimage is not installed";
  fs::create_directories(Root() + "/src/Data");
  WriteAll(Root() + "/src/Data/SCRIPT.TXT", "board,off\r\n");
  WriteAll(Root() + "/src/Data/背景.bmp", "picture");
  ASSERT_TRUE(RunTool("genisoimage", {"-quiet", "-J", "-R", "-input-charset", "utf-8", "-o", "game.iso", "src"},
                      Dir.path()));
  const std::string iso = ReadAll(Root() + "/game.iso");
  const struct {
    const char* Mode;
    std::string Bin;
  } tracks[] = {{"MODE1/2352", RawSectors(iso, false)}, {"MODE2/2352", RawSectors(iso, true)}, {"MODE1/2048", iso}};
  for (const auto& track : tracks) {
    SCOPED_TRACE(track.Mode);
    WriteAll(Root() + "/Game Disc.BIN", track.Bin);
    // The sheet was written on another system: the file's letter case differs.
    WriteAll(Root() + "/game.cue", std::string("FILE \"game disc.bin\" BINARY\r\n  TRACK 01 ") + track.Mode +
                                       "\r\n    INDEX 01 00:00:00\r\n");
    const TUnpackedGame game = UnpackGame(Root() + "/game.cue", Cache(), true);
    EXPECT_EQ(ReadAll(game.Folder + "/Data/背景.bmp"), "picture");
    EXPECT_EQ(ReadAll(game.Folder + "/Data/SCRIPT.TXT"), "board,off\r\n");
  }
  EXPECT_EQ(ReadAll(UnpackGame(Root() + "/game.iso", Cache(), true).Folder + "/Data/背景.bmp"), "picture");
  // The track file cut short inside the file system, then missing altogether.
  WriteAll(Root() + "/Game Disc.BIN", RawSectors(iso, false).substr(0, 2352 * 17));
  EXPECT_NE(UnpackError(Root() + "/game.cue").find("Game Disc.BIN"), std::string::npos);
  fs::remove(Root() + "/Game Disc.BIN");
  EXPECT_NE(UnpackError(Root() + "/game.cue").find("game.cue names the track file game disc.bin, which is missing"),
            std::string::npos)
      << UnpackError(Root() + "/game.cue");
}

TEST(ArchiveNames, ByExtensionInAnyCase) {
  for (const char* name : {"a.zip", "A.ZIP", "x/y.lzh", "g.LHA", "g.7z", "disc.iso", "disc.Cue", "s.cab"})
    EXPECT_TRUE(IsArchiveName(name)) << name;
  for (const char* name : {"game", "zip", "a.zip/", "dir.zip/x", "g.bin", "SCRIPT.TXT", ".7z.d/x"})
    EXPECT_FALSE(IsArchiveName(name)) << name;
}

}  // namespace
}  // namespace orbel::game
