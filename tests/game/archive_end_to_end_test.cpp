// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program on a game packed by each tool people pack games with: every archive plays as the
// unpacked folder does, to the pixel; broken ones end with one line naming the file.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

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
// The exit status of a run that --quit-after ended.
constexpr int kQuitAfterStatus = 4;

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
      ASSERT_TRUE(tests::SaveScreenPicture(data + "/" + (utf8 ? std::string("背景.bmp") : kSjisPicture),
                                           qRgb(200, 40, 90)));
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
  TRun Run(const QStringList& arguments, const QString& locale = {}) {
    return tests::RunProgram(arguments, Dir.path(), Environment(locale));
  }
  QProcessEnvironment Environment(const QString& locale = {}) const {
    QProcessEnvironment environment;
    environment.insert("XDG_CACHE_HOME", Dir.path() + "/cache");
    if (!locale.isEmpty()) environment.insert("LC_ALL", locale);
    return environment;
  }
  // Starts the program as Run does, without waiting for it.
  void Start(QProcess& process, const QStringList& arguments) const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(Environment());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(Dir.path());
    process.start(ORBEL_BINARY, arguments);
  }
  // The names in the cache folder.
  std::vector<std::string> Cached() const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(Root() + "/cache/orbel", error), end; !error && it != end;
         it.increment(error))
      names.push_back(it->path().filename().native());
    return names;
  }
  // Plays the game and gives the grabbed window picture's bytes. For an archive the grab's path is relative,
  // so it must land where the program was started, not in the folder it played from.
  std::string Played(const QString& game, const QString& grab = "out.bmp", const QString& locale = {}) {
    fs::remove(Root() + "/out.bmp");
    const TRun run = Run({"--batch", "--trace", "--grab", grab, game}, locale);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(run.Out == "0:disp,1,4,背景.bmp\n1:board,set,あ\n" ||
                run.Out == "0:disp,1,4,bg.bmp\n1:board,set,あ\n")
        << run.Out;
    return ReadAll(Root() + "/out.bmp");
  }
  void ExpectPlaysAsTheFolder(const QString& archive, const QString& unpacked = "sjis",
                              const QString& locale = {}) {
    SCOPED_TRACE(archive.toStdString() + " " + locale.toStdString());
    const std::string folder = Played(unpacked, Dir.path() + "/out.bmp");
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(Played(archive, "out.bmp", locale) == folder)
        << "the picture differs from the unpacked folder's";
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
    ASSERT_TRUE(
        RunTool("lha", {"a", "../game.lzh", "Data/SCRIPT.TXT", "Data/BG.BMP"}, Dir.path() + "/ascii"));
    ExpectPlaysAsTheFolder("game.lzh", "ascii");
  }
  if (HaveTool("gcab")) {
    ASSERT_TRUE(RunTool("gcab", {"-c", "-z", "../game.cab", "Data/SCRIPT.TXT", "Data/背景.bmp"},
                        Dir.path() + "/utf8"));
    ExpectPlaysAsTheFolder("game.cab");
  }
  if (!HaveTool("7z") || !HaveTool("lha") || !HaveTool("gcab"))
    GTEST_SKIP() << "7z, lha or gcab is not installed";
}

// LHA tools store the names in Shift-JIS, as the games were handed around; they are taken as those bytes,
// whatever the user's locale.
TEST_F(ArchiveEndToEnd, LzhWithShiftJisNamesAtHeaderLevelsOneAndTwo) {
  if (!HaveTool("lha")) GTEST_SKIP() << "lha is not installed";
  for (const char* level : {"1", "2"}) {
    const QString archive = QString("game%1.lzh").arg(level);
    // "y": the tool writes the UTF-8 names it is given in Shift-JIS.
    ASSERT_TRUE(RunTool("lha",
                        {QString("ay%1").arg(level), "../" + archive, "Data/SCRIPT.TXT", "Data/背景.bmp"},
                        Dir.path() + "/utf8"));
    ASSERT_NE(ReadAll(Root() + "/" + archive.toStdString()).find(kSjisPicture), std::string::npos);
    for (const QString locale : {"C", "C.UTF-8"}) {
      fs::remove_all(Root() + "/cache");
      ExpectPlaysAsTheFolder(archive, "sjis", locale);
    }
  }
}

TEST_F(ArchiveEndToEnd, IsoAndBinCue) {
  if (!HaveTool("genisoimage")) GTEST_SKIP() << "genisoimage is not installed";
  // The picture shares its data with a name before it: the image stores it once, for both.
  fs::create_hard_link(Root() + "/utf8/Data/背景.bmp", Root() + "/utf8/Data/a.bmp");
  ASSERT_TRUE(RunTool("genisoimage",
                      {"-quiet", "-J", "-R", "-input-charset", "utf-8", "-o", "game.iso", "utf8"},
                      Dir.path()));
  ExpectPlaysAsTheFolder("game.iso");
  WriteAll(Root() + "/game.bin", RawSectors(ReadAll(Root() + "/game.iso"), false));
  WriteAll(Root() + "/game.cue",
           "FILE \"game.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
  ExpectPlaysAsTheFolder("game.cue");
  if (HaveTool("xorriso")) {
    ASSERT_TRUE(
        RunTool("xorriso", {"-as", "mkisofs", "-quiet", "-J", "-R", "-o", "x.iso", "utf8"}, Dir.path()));
    ExpectPlaysAsTheFolder("x.iso");
  }
}

TEST_F(ArchiveEndToEnd, BrokenArchivesEndWithOneLineNamingTheFile) {
  WriteAll(Root() + "/broken.zip", "PK\x03\x04 not really");
  ASSERT_TRUE(MakeRawNameZip(Root() + "/empty.zip", {{"readme.txt", "r"}}, Dir.path()));
  ASSERT_TRUE(MakeRawNameZip(Root() + "/two.zip",
                             {{"a/SCRIPT.TXT", "board,off"}, {"b/SCRIPT.TXT", "board,off"}}, Dir.path()));
  WriteAll(Root() + "/nobin.cue", "FILE \"gone.bin\" BINARY\nTRACK 01 MODE1/2352\n");
  const struct {
    const char* Archive;
    const char* Message;
  } cases[] = {
      {"broken.zip", "orbel: broken.zip is truncated: "},
      {"empty.zip", "orbel: empty.zip holds no game"},
      {"two.zip", "orbel: two.zip holds several games: a, b"},
      {"nobin.cue", "orbel: nobin.cue names a track file that cannot be used: gone.bin is missing"},
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

// An unpack ended by a signal removes what it wrote; one killed outright leaves it to the next start. A start
// of a changed archive while a run plays the old copy makes a copy of its own and leaves the old one until
// the run ends.
TEST_F(ArchiveEndToEnd, SignalsKillsAndASecondStartLeaveEveryCopyWholeOrGone) {
  // Enough small files that the unpack takes a while.
  std::string script =
      "import zipfile,sys\nz=zipfile.ZipFile('game.zip','w')\n"
      "z.write('ascii/Data/SCRIPT.TXT','Data/SCRIPT.TXT')\nz.write('ascii/Data/BG.BMP','Data/BG.BMP')\n"
      "for i in range(int(sys.argv[1])): z.writestr('Data/x/%05d.txt' % i, 'x' * 100)\nz.close()\n";
  ASSERT_TRUE(RunTool("python3", {"-c", QString::fromStdString(script), "3000"}, Dir.path()));
  const auto unpackUntilStarted = [this](int signalNumber) {
    QProcess process;
    Start(process, {"--batch", "game.zip"});
    EXPECT_TRUE(process.waitForStarted());
    // Its folder being unpacked is named after its process.
    const std::string unpacking = "." + std::to_string(process.processId()) + ".";
    bool seen = false;
    for (int i = 0; i < 20000 && !seen && process.state() == QProcess::Running; ++i) {
      for (const std::string& name : Cached())
        seen = seen || (name[0] == '.' && name.find(unpacking) != std::string::npos);
      if (!seen) ::usleep(1000);
    }
    EXPECT_TRUE(seen) << "the unpack was never seen";
    ::kill(static_cast<pid_t>(process.processId()), signalNumber);
    EXPECT_TRUE(process.waitForFinished(60000));
    return process.exitStatus() == QProcess::CrashExit ? -signalNumber : process.exitCode();
  };
  EXPECT_EQ(unpackUntilStarted(SIGKILL), -SIGKILL);
  EXPECT_EQ(Cached().size(), 1u);
  // The next start removes the killed run's leftover; stopped itself, it removes its own.
  EXPECT_EQ(unpackUntilStarted(SIGTERM), 128 + SIGTERM);
  EXPECT_TRUE(Cached().empty()) << testing::PrintToString(Cached());
  const TRun first = Run({"--batch", "game.zip"});
  EXPECT_EQ(first.ExitCode, 0) << first.Err;
  ASSERT_EQ(Cached().size(), 1u);
  EXPECT_NE(Cached()[0][0], '.');
  const std::string oldCopy = Cached()[0];

  // A run that plays for a while, and a start of the archive changed meanwhile.
  WriteAll(Root() + "/ascii/Data/SCRIPT.TXT", kAsciiScript + "wait,time,60000\r\n");
  ASSERT_TRUE(RunTool("python3", {"-c", QString::fromStdString(script), "10"}, Dir.path()));
  QProcess playing;
  Start(playing, {"--batch", "game.zip"});
  // It plays once its copy is there and the copy from before the change is gone.
  const auto playedCopy = [&] {
    const std::vector<std::string> names = Cached();
    return names.size() == 1 && names[0][0] != '.' && names[0] != oldCopy;
  };
  for (int i = 0; i < 30000 && !playedCopy(); ++i) ::usleep(1000);
  ASSERT_TRUE(playedCopy()) << "the first run never unpacked its game: " << testing::PrintToString(Cached());
  fs::last_write_time(Root() + "/game.zip",
                      fs::last_write_time(Root() + "/game.zip") + std::chrono::seconds(5));
  EXPECT_EQ(Run({"--batch", "--quit-after", "100", "game.zip"}).ExitCode, kQuitAfterStatus);
  EXPECT_EQ(Cached().size(), 2u) << "the copy being played went, or the changed archive got none: "
                                 << testing::PrintToString(Cached());
  ::kill(static_cast<pid_t>(playing.processId()), SIGTERM);
  EXPECT_TRUE(playing.waitForFinished(30000));
  EXPECT_EQ(Run({"--batch", "--quit-after", "100", "game.zip"}).ExitCode, kQuitAfterStatus);
  EXPECT_EQ(Cached().size(), 1u) << "the copies nobody plays stayed: " << testing::PrintToString(Cached());
}

TEST_F(ArchiveEndToEnd, AnEntryLeftOutGetsOneNote) {
  ASSERT_TRUE(MakeRawNameZip(Root() + "/long.zip",
                             {{"Data/SCRIPT.TXT", kAsciiScript},
                              {"Data/BG.BMP", Picture},
                              {"Data/" + std::string(300, 'n'), "x"},
                              {"Data/" + std::string(280, 'm'), "y"}},
                             Dir.path()));
  const TRun run = Run({"--batch", "long.zip"});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(
      run.Err.rfind("orbel: long.zip: left out of the unpacked game, which does not use them: Data/nnn", 0),
      0u)
      << run.Err;
  EXPECT_NE(run.Err.find("(File name too long)"), std::string::npos) << run.Err;
  EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
}

TEST_F(ArchiveEndToEnd, CheckReportsLinesOfTheScriptInsideTheArchive) {
  ASSERT_TRUE(MakeRawNameZip(
      Root() + "/faulty.zip",
      {{"Data/SCRIPT.TXT", kScript + "disp,1,4,gone.bmp\r\n"}, {"Data/" + kSjisPicture, Picture}},
      Dir.path()));
  const TRun run = Run({"--check", "faulty.zip"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Out.rfind("SCRIPT.TXT:3: ", 0), 0u) << run.Out;
  EXPECT_EQ(run.Out.find("SCRIPT.TXT:1:"), std::string::npos) << run.Out;
}

}  // namespace
}  // namespace orbel::game
