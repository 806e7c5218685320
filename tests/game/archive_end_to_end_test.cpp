// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on a game packed by each tool people pack games with: every archive plays as the
// unpacked folder does, to the pixel; broken ones end with one line naming the file.

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <string>

#include "tests/game/archive_tools.h"
#include "tests/support/program_run.h"
#include "tests/support/test_pictures.h"

namespace orbel::game {
namespace {

namespace fs = std::filesystem;

using tests::TRun;

// 背景.bmp in code page 932, and the script that shows it.
const std::string kSjisPicture = "\x94\x77\x8C\x69.bmp";
const std::string kScript = "disp,1,4," + kSjisPicture + "\r\nboard,set,\x82\xA0\r\n";
const std::string kAsciiScript = "disp,1,4,bg.bmp\r\nboard,set,\x82\xA0\r\n";

class ArchiveEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    // The game twice: names in code page 932 bytes as copied from the disc, and in UTF-8 as most tools
    // store them.
    for (const bool utf8 : {false, true}) {
      const std::string data = Root() + (utf8 ? "/utf8/Data" : "/sjis/Data");
      fs::create_directories(data);
      WriteAll(data + "/SCRIPT.TXT", kScript);
      ASSERT_TRUE(
          tests::SaveScreenPicture(data + "/" + (utf8 ? std::string("背景.bmp") : kSjisPicture), qRgb(200, 40, 90)));
    }
    Picture = ReadAll(Root() + "/sjis/Data/" + kSjisPicture);
    // The same game with names in ASCII, for the LZH tool at hand, which loses every other name.
    fs::create_directories(Root() + "/ascii/Data");
    WriteAll(Root() + "/ascii/Data/SCRIPT.TXT", kAsciiScript);
    WriteAll(Root() + "/ascii/Data/BG.BMP", Picture);
  }
  void TearDown() override { fs::remove_all(Root()); }
  std::string Root() const { return Dir.path().toStdString(); }

  // Runs in the test's folder, with a cache of its own.
  TRun Run(const QStringList& arguments) {
    QProcessEnvironment cache;
    cache.insert("XDG_CACHE_HOME", Dir.path() + "/cache");
    return tests::RunProgram(arguments, Dir.path(), cache);
  }
  // Plays the game and gives the grabbed window picture's bytes. For an archive the grab's path is relative,
  // so it must land where the program was started, not in the folder it played from.
  std::string Played(const QString& game, const QString& grab = "out.bmp") {
    fs::remove(Root() + "/out.bmp");
    const TRun run = Run({"--batch", "--trace", "--grab", grab, game});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(run.Out == "0:disp,1,4,背景.bmp\n1:board,set,あ\n" || run.Out == "0:disp,1,4,bg.bmp\n1:board,set,あ\n")
        << run.Out;
    return ReadAll(Root() + "/out.bmp");
  }
  void ExpectPlaysAsTheFolder(const QString& archive, const QString& unpacked = "sjis") {
    SCOPED_TRACE(archive.toStdString());
    const std::string folder = Played(unpacked, Dir.path() + "/out.bmp");
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(Played(archive) == folder) << "the picture differs from the unpacked folder's";
  }
  QTemporaryDir Dir;
  std::string Picture;
};

TEST_F(ArchiveEndToEnd, ZipWithCodePage932Names) {
  ASSERT_TRUE(MakeRawNameZip(Root() + "/game.zip",
                             {{"Game/Data/SCRIPT.TXT", kScript}, {"Game/Data/" + kSjisPicture, Picture}},
                             Dir.path()));
  ExpectPlaysAsTheFolder("game.zip");
  // A second run plays from the cache.
  ExpectPlaysAsTheFolder("game.zip");
}

TEST_F(ArchiveEndToEnd, SevenZipLzhAndCabinet) {
  if (HaveTool("7z")) {
    ASSERT_TRUE(RunTool("7z", {"a", "-bd", "../game.7z", "Data"}, Dir.path() + "/utf8"));
    ExpectPlaysAsTheFolder("game.7z");
  }
  if (HaveTool("lha")) {
    ASSERT_TRUE(RunTool("lha", {"a", "../game.lzh", "Data/SCRIPT.TXT", "Data/BG.BMP"}, Dir.path() + "/ascii"));
    ExpectPlaysAsTheFolder("game.lzh", "ascii");
  }
  if (HaveTool("gcab")) {
    ASSERT_TRUE(RunTool("gcab", {"-c", "-z", "../game.cab", "Data/SCRIPT.TXT", "Data/背景.bmp"},
                        Dir.path() + "/utf8"));
    ExpectPlaysAsTheFolder("game.cab");
  }
  if (!HaveTool("7z") || !HaveTool("lha") || !HaveTool("gcab")) GTEST_SKIP() << "7z, lha or gcab is not installed";
}

TEST_F(ArchiveEndToEnd, IsoAndBinCue) {
  if (!HaveTool("genisoimage")) GTEST_SKIP() << "genisoimage is not installed";
  ASSERT_TRUE(RunTool("genisoimage", {"-quiet", "-J", "-R", "-input-charset", "utf-8", "-o", "game.iso", "utf8"},
                      Dir.path()));
  ExpectPlaysAsTheFolder("game.iso");
  WriteAll(Root() + "/game.bin", RawSectors(ReadAll(Root() + "/game.iso"), false));
  WriteAll(Root() + "/game.cue", "FILE \"game.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
  ExpectPlaysAsTheFolder("game.cue");
  if (HaveTool("xorriso")) {
    ASSERT_TRUE(RunTool("xorriso", {"-as", "mkisofs", "-quiet", "-J", "-R", "-o", "x.iso", "utf8"}, Dir.path()));
    ExpectPlaysAsTheFolder("x.iso");
  }
}

TEST_F(ArchiveEndToEnd, BrokenArchivesEndWithOneLineNamingTheFile) {
  WriteAll(Root() + "/broken.zip", "PK\x03\x04 not really");
  ASSERT_TRUE(MakeRawNameZip(Root() + "/empty.zip", {{"readme.txt", "r"}}, Dir.path()));
  ASSERT_TRUE(MakeRawNameZip(Root() + "/two.zip", {{"a/SCRIPT.TXT", "board,off"}, {"b/SCRIPT.TXT", "board,off"}},
                             Dir.path()));
  WriteAll(Root() + "/nobin.cue", "FILE \"gone.bin\" BINARY\nTRACK 01 MODE1/2352\n");
  const struct {
    const char* Archive;
    const char* Message;
  } cases[] = {
      {"broken.zip", "orbel: broken.zip cannot be read: "},
      {"empty.zip", "orbel: empty.zip holds no game"},
      {"two.zip", "orbel: two.zip holds several games: a, b"},
      {"nobin.cue", "orbel: nobin.cue names the track file gone.bin, which is missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Archive);
    const TRun run = Run({"--batch", c.Archive});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(run.Err.rfind(c.Message, 0), 0u) << run.Err;
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
    EXPECT_EQ(Run({"--check", c.Archive}).ExitCode, 1);
  }
}

TEST_F(ArchiveEndToEnd, CheckReportsLinesOfTheScriptInsideTheArchive) {
  ASSERT_TRUE(MakeRawNameZip(Root() + "/faulty.zip",
                             {{"Data/SCRIPT.TXT", kScript + "disp,1,4,gone.bmp\r\n"}, {"Data/" + kSjisPicture, Picture}},
                             Dir.path()));
  const TRun run = Run({"--check", "faulty.zip"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out.rfind("SCRIPT.TXT:3: ", 0), 0u) << run.Out;
  EXPECT_EQ(run.Out.find("SCRIPT.TXT:1:"), std::string::npos) << run.Out;
}

}  // namespace
}  // namespace orbel::game
