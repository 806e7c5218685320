// SPDX-License-Identifier: GPL-3.0-or-later
// Listing archives, finding the game inside and unpacking it into the cache, with archives made by real
// tools; and the archives that must be refused.

#include "game/game_archive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
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
  std::string UnpackError(const std::string& path, bool oneGameOnly = true,
                          const TArchiveLimits& limits = {}) {
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
  const std::string zip =
      Zip("game.zip", {{"Data/SCRIPT.TXT", "board,off\r\n"}, {"Data/" + kSjisName, "bmp"}});
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
  TUnpackedGame b = UnpackGame(zip, Cache(), false, {}, pick("B"));
  EXPECT_EQ(offered, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(b.Game, "B");
  EXPECT_EQ(ReadAll(b.Folder + "/SCRIPT.TXT"), "b");
  TUnpackedGame a = UnpackGame(zip, Cache(), false, {}, pick("A"));
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

  // A changed archive: both old copies go once one game of it is unpacked again, nobody playing them.
  a.Hold = {};
  b.Hold = {};
  Zip("two.zip", {{"B/SCRIPT.TXT", "bb"}, {"A/Data/SCRIPT.TXT", "aa"}});
  const TUnpackedGame changed = UnpackGame(zip, Cache(), false, {}, pick("B"));
  EXPECT_EQ(ReadAll(changed.Folder + "/SCRIPT.TXT"), "bb");
  EXPECT_EQ(CacheFolders(), std::vector<std::string>{fs::path(changed.Folder).filename().native()});
}

// A copy somebody plays from stays until they stop, however often the archive changes meanwhile.
TEST_F(GameArchive, TheCacheIsReusedAndReplacedWhenTheArchiveChangesAndNobodyPlaysIt) {
  const std::string zip = Zip("game.zip", {{"SCRIPT.TXT", "one"}});
  TUnpackedGame first = UnpackGame(zip, Cache(), true);
  EXPECT_EQ(UnpackGame(zip, Cache(), true).Folder, first.Folder);
  EXPECT_EQ(CacheFolders().size(), 1u);
  Zip("game.zip", {{"SCRIPT.TXT", "three"}});
  TUnpackedGame second = UnpackGame(zip, Cache(), true);
  EXPECT_NE(second.Folder, first.Folder);
  EXPECT_EQ(ReadAll(second.Folder + "/SCRIPT.TXT"), "three");
  EXPECT_EQ(ReadAll(first.Folder + "/SCRIPT.TXT"), "one") << "the copy being played was removed";
  first.Hold = {};
  second.Hold = {};
  EXPECT_EQ(UnpackGame(zip, Cache(), true).Folder, second.Folder);
  // The old copy is gone, and nothing half-made is left beside the new one.
  EXPECT_EQ(CacheFolders(), std::vector<std::string>{fs::path(second.Folder).filename().native()});
  // Another archive keeps its own folder.
  UnpackGame(Zip("other.zip", {{"SCRIPT.TXT", "x"}}), Cache(), true);
  EXPECT_EQ(CacheFolders().size(), 2u);
}

TEST_F(GameArchive, NamesThatLeaveTheGameAreNeverUnpacked) {
  const std::string zip =
      Zip("climb.zip",
          {{"SCRIPT.TXT", "s"}, {"../escaped.txt", "e"}, {"/absolute.txt", "a"}, {"Data/../../up.txt", "u"}});
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
  EXPECT_NE(UnpackError(zip, true, limits).find("MOVIE.AVI is larger than the engine takes"),
            std::string::npos);
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
  ASSERT_TRUE(RunTool(
      "genisoimage", {"-quiet", "-J", "-R", "-input-charset", "utf-8", "-o", "game.iso", "src"}, Dir.path()));
  const std::string iso = ReadAll(Root() + "/game.iso");
  const struct {
    const char* Mode;
    std::string Bin;
  } tracks[] = {
      {"MODE1/2352", RawSectors(iso, false)}, {"MODE2/2352", RawSectors(iso, true)}, {"MODE1/2048", iso}};
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
  EXPECT_NE(UnpackError(Root() + "/game.cue")
                .find("game.cue names a track file that cannot be used: game disc.bin is missing"),
            std::string::npos)
      << UnpackError(Root() + "/game.cue");
}

// genisoimage stores a file once for all its names; each name of it in the game is unpacked, even when the
// name that holds the data lies outside the game's folder.
TEST_F(GameArchive, NamesThatShareAFileInADiscImageAreEachUnpacked) {
  if (!HaveTool("genisoimage")) GTEST_SKIP() << "genisoimage is not installed";
  fs::create_directories(Root() + "/src/GAME/DATA");
  fs::create_directories(Root() + "/src/AAA");
  WriteAll(Root() + "/src/GAME/DATA/SCRIPT.TXT", "disp,1,4,B.BMP\r\n");
  WriteAll(Root() + "/src/AAA/A.BMP", "picture");
  fs::create_hard_link(Root() + "/src/AAA/A.BMP", Root() + "/src/GAME/DATA/B.BMP");
  fs::create_hard_link(Root() + "/src/AAA/A.BMP", Root() + "/src/GAME/DATA/C.BMP");
  for (const QString kind : {"", "-R", "-J"}) {
    SCOPED_TRACE(kind.toStdString());
    QStringList arguments{"-quiet", "-o", "game.iso", "src"};
    if (!kind.isEmpty()) arguments.prepend(kind);
    ASSERT_TRUE(RunTool("genisoimage", arguments, Dir.path()));
    const std::vector<TArchiveEntry> entries = ListArchive(Root() + "/game.iso");
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [](const TArchiveEntry& e) { return !e.SameAs.empty(); }),
              2);
    // The plain ISO 9660 image and the BIN/CUE of it too.
    WriteAll(Root() + "/game.bin", RawSectors(ReadAll(Root() + "/game.iso"), false));
    WriteAll(Root() + "/game.cue", "FILE game.bin BINARY\nTRACK 01 MODE1/2352\n");
    for (const char* image : {"game.iso", "game.cue"}) {
      TUnpackedGame game = UnpackGame(Root() + "/" + image, Cache(), true);
      EXPECT_EQ(ReadAll(game.Folder + "/DATA/B.BMP"), "picture") << image;
      EXPECT_EQ(ReadAll(game.Folder + "/DATA/C.BMP"), "picture") << image;
      EXPECT_FALSE(fs::exists(game.Folder + "/AAA")) << image;
      EXPECT_TRUE(game.LeftOut.empty()) << image;
      game.Hold = {};
      fs::remove_all(Cache());
    }
  }
}

// A name the file system cannot hold, or an entry of a kind that is not unpacked, costs only itself, unless
// the script needs it.
TEST_F(GameArchive, AnEntryThatCannotBeUnpackedIsLeftOutUnlessTheScriptNamesIt) {
  const std::string longName(300, 'n');
  const std::string zip = Zip(
      "long.zip",
      {{"Data/SCRIPT.TXT", "disp,1,4,bg.bmp\r\n"}, {"Data/BG.BMP", "b"}, {"Data/" + longName + ".bmp", "x"}});
  const TUnpackedGame game = UnpackGame(zip, Cache(), true);
  EXPECT_EQ(ReadAll(game.Folder + "/Data/BG.BMP"), "b");
  ASSERT_EQ(game.LeftOut.size(), 1u);
  EXPECT_EQ(game.LeftOut[0].Name, "Data/" + longName + ".bmp");
  EXPECT_EQ(game.LeftOut[0].Why, "File name too long");
  // The same entry named by the script, in another letter case, refuses the archive.
  const std::string needed = Zip("needed.zip", {{"Data/SCRIPT.TXT", "disp,1,4," + longName + ".BMP\r\n"},
                                                {"Data/" + longName + ".bmp", "x"}});
  const std::string error = UnpackError(needed);
  EXPECT_NE(
      error.find("needed.zip: Data/" + longName + ".bmp, which the game's script names, cannot be unpacked"),
      std::string::npos)
      << error;
  EXPECT_EQ(CacheFolders().size(), 1u) << "the refused unpack left something behind";
}

// An archive cut short reports it, naming the file, also where it was cut exactly after an entry (an LZH
// archive then lacks only its end mark).
TEST_F(GameArchive, TruncatedArchivesAreReportedAsTruncated) {
  if (!HaveTool("lha") || !HaveTool("7z")) GTEST_SKIP() << "lha or 7z is not installed";
  fs::create_directories(Root() + "/src/Data");
  WriteAll(Root() + "/src/Data/SCRIPT.TXT", "board,off\r\n");
  WriteAll(Root() + "/src/Data/BG.BMP", std::string(30000, 'b'));
  ASSERT_TRUE(RunTool("lha", {"a", "../game.lzh", "Data/SCRIPT.TXT", "Data/BG.BMP"},
                      Root().c_str() + QString("/src")));
  ASSERT_TRUE(RunTool("7z", {"a", "-bd", "../game.7z", "Data"}, Root().c_str() + QString("/src")));
  const std::string lzh = ReadAll(Root() + "/game.lzh"), sevenZip = ReadAll(Root() + "/game.7z");
  ASSERT_EQ(lzh.back(), '\0');
  EXPECT_EQ(UnpackError(Root() + "/game.lzh"), "");
  const struct {
    const char* Name;
    std::string Bytes;
  } cut[] = {{"end.lzh", lzh.substr(0, lzh.size() - 1)},
             {"inside.lzh", lzh.substr(0, lzh.size() / 2)},
             {"cut.7z", sevenZip.substr(0, sevenZip.size() - 40)}};
  for (const auto& archive : cut) {
    WriteAll(Root() + "/" + archive.Name, archive.Bytes);
    const std::string error = UnpackError(Root() + "/" + archive.Name);
    EXPECT_EQ(error.rfind(Root() + "/" + archive.Name + " is truncated", 0), 0u) << error;
  }
  EXPECT_EQ(CacheFolders().size(), 1u) << "a truncated archive left something behind";
}

// A named pipe would block the program until someone writes into it; what is no file is refused at once,
// saying what it is.
TEST_F(GameArchive, PipesDevicesAndFoldersAreRefusedAtOnceSayingWhatTheyAre) {
  ASSERT_EQ(::mkfifo((Root() + "/pipe.zip").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((Root() + "/track.bin").c_str(), 0600), 0);
  fs::create_directories(Root() + "/folder.bin");
  WriteAll(Root() + "/pipe.cue", "FILE track.bin BINARY\nTRACK 01 MODE1/2352\n");
  WriteAll(Root() + "/folder.cue", "FILE folder.bin BINARY\nTRACK 01 MODE1/2352\n");
  WriteAll(Root() + "/device.cue", "FILE /dev/null BINARY\nTRACK 01 MODE1/2352\n");
  EXPECT_NE(UnpackError(Root() + "/pipe.zip").find("pipe.zip is a named pipe, not a file"),
            std::string::npos);
  EXPECT_NE(UnpackError(Root() + "/pipe.cue")
                .find("pipe.cue names a track file that cannot be used: track.bin is a named pipe"),
            std::string::npos);
  EXPECT_NE(UnpackError(Root() + "/folder.cue").find("is a folder, not a file"), std::string::npos);
  EXPECT_NE(UnpackError(Root() + "/device.cue").find("is a device, not a file"), std::string::npos);
}

// Stopped halfway, an unpack leaves nothing; what a killed run left is removed by the next unpack, unless
// its run still goes on.
TEST_F(GameArchive, AnUnpackStoppedOrKilledLeavesNothingForLong) {
  std::vector<std::pair<std::string, std::string>> files{{"SCRIPT.TXT", "s"}};
  for (int i = 0; i < 20; ++i)
    files.emplace_back("Data/" + std::to_string(100 + i) + ".BMP", std::string(1000, 'b'));
  const std::string zip = Zip("game.zip", files);
  std::vector<TUnpackProgress> reports;
  const auto stopAfter = [&reports](size_t files) -> TReportProgress {
    return [&reports, files](const TUnpackProgress& progress) {
      reports.push_back(progress);
      return progress.Files < files;
    };
  };
  EXPECT_THROW(UnpackGame(zip, Cache(), true, {}, nullptr, stopAfter(5)), EUnpackCancelled);
  EXPECT_TRUE(CacheFolders().empty());
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports.front().TotalFiles, 21u);
  EXPECT_EQ(reports.front().TotalBytes, 20001u);
  EXPECT_TRUE(reports.back().Ended);
  EXPECT_EQ(std::count_if(reports.begin(), reports.end(), [](const TUnpackProgress& p) { return p.Ended; }),
            1);

  // A process that has ended, for the name of a killed run's folder.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::string name = "/.0123456789abcdef-0123456789abcdef.";
  const std::string killed = Cache() + name + std::to_string(child) + ".aB3dE9";
  const std::string running = Cache() + name + std::to_string(::getpid()) + ".Zz9Yy8";
  const std::string held = Cache() + name + std::to_string(child) + ".Qq8Ww7";
  for (const std::string& folder : {killed, running, held}) fs::create_directories(folder + "/Data");
  const platform::TFileLock holding = platform::TFileLock::Take(held, true, false);
  ASSERT_TRUE(holding.Held());
  reports.clear();
  TUnpackedGame game = UnpackGame(zip, Cache(), true, {}, nullptr, stopAfter(100));
  EXPECT_TRUE(reports.back().Ended);
  EXPECT_EQ(reports[reports.size() - 2].Files, 21u);
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_TRUE(fs::exists(running)) << "a folder of this very run, young, was taken for a leftover";
  EXPECT_TRUE(fs::exists(held)) << "a folder somebody holds was removed";
  EXPECT_EQ(ReadAll(game.Folder + "/Data/119.BMP"), std::string(1000, 'b'));
}

TEST(ArchiveNames, ByExtensionInAnyCase) {
  for (const char* name : {"a.zip", "A.ZIP", "x/y.lzh", "g.LHA", "g.7z", "disc.iso", "disc.Cue", "s.cab"})
    EXPECT_TRUE(IsArchiveName(name)) << name;
  for (const char* name : {"game", "zip", "a.zip/", "dir.zip/x", "g.bin", "SCRIPT.TXT", ".7z.d/x"})
    EXPECT_FALSE(IsArchiveName(name)) << name;
}

}  // namespace
}  // namespace orbel::game
