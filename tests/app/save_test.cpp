// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and continuing, end to end with the real program on the virtual clock: a save made at any instant
// loads to the picture shown at that instant and goes on with the rest of the run; --from starts at a line's
// first run; a save that cannot be used starts nothing and stays as it was.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "game/save_file.h"
#include "tests/support/program_run.h"
#include "tests/support/test_pictures.h"

namespace {

using orbel::tests::ScreenPicture;
using orbel::tests::TRun;

// A transition, the board's reveal, a wait, a chain that does not wait for its transition, and a movie with
// sound waited for.
const QByteArray kGame =
    "disp,1,1,red.bmp\r\nboard,set,one,two\r\nboard,on\r\nwait,time,300\r\n#scene\r\n"
    "disp,0,2,blue.bmp\r\ntrans,1,3,red.bmp\r\nboard,set,three\r\navi,play,m.avi\r\navi,wait\r\navi,off\r\n"
    "disp,2,4,blue.bmp\r\nwait,time,120\r\n";

class Saves : public orbel::tests::TGameFolderTest {
 protected:
  void SetUp() override {
    TGameFolderTest::SetUp();
    QFile movie(ORBEL_SOURCE_DIR "/tests/data/media/cinepak_pcm.avi");
    ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
    Write("Data/m.avi", movie.readAll());
    Write("Data/red.bmp", ScreenPicture(qRgb(200, 0, 0)));
    Write("Data/blue.bmp", ScreenPicture(qRgb(0, 0, 200)));
    Script(kGame);
  }
  QString Path(const QString& name) const { return Dir.path() + "/" + name; }
  static QImage Load(const QString& path) {
    return QImage(path, "BMP").convertToFormat(QImage::Format_RGB32);
  }
  static QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // The save is refused: status 2, its name in the message, nothing run, the file as it was.
  void ExpectRefused(const QString& save, const char* why) {
    const QByteArray before = Bytes(save);
    const TRun run = Run({"--batch", "--fast", "--trace", "--load", save});
    EXPECT_EQ(run.ExitCode, 2) << why << ": " << run.Err;
    EXPECT_EQ(run.Out, "") << why;
    EXPECT_NE(run.Err.find(QFileInfo(save).fileName().toStdString()), std::string::npos)
        << why << ": " << run.Err;
    EXPECT_EQ(Bytes(save), before) << why;
  }
};

// At each instant (in the board's reveal, in a transition, in a wait, between the chain's two transitions, in
// the movie and after it) the loaded game shows what the saving run showed, and goes on with what that run
// had left to do.
TEST_F(Saves, LoadShowsTheSavedPictureAndGoesOnWithTheRestOfTheRun) {
  const TRun whole = Run({"--batch", "--fast", "--trace"});
  ASSERT_EQ(whole.ExitCode, 0) << whole.Err;
  // The box transition runs to 1.5 s, the wait with the reveal to 1.8 s, the chain's two transitions to 6 s,
  // then the movie and the last wait.
  for (const int instant : {0, 700, 1600, 1850, 2500, 4000, 6500, 7000, 9000}) {
    SCOPED_TRACE(instant);
    const QString save = Path(QString("at%1.json").arg(instant));
    const QString number = QString::number(instant);
    const TRun saving = Run({"--batch", "--fast", "--trace", "--quit-after", number, "--save-on-exit", save,
                             "--grab", Path("saved.bmp")});
    ASSERT_TRUE(saving.ExitCode == 4 || saving.ExitCode == 0) << saving.Err;
    const TRun atOnce = Run({"--batch", "--fast", "--trace", "--load", save, "--quit-after", number, "--grab",
                             Path("loaded.bmp")});
    EXPECT_EQ(atOnce.ExitCode, saving.ExitCode) << atOnce.Err;
    EXPECT_EQ(atOnce.Out, "");
    EXPECT_EQ(Load(Path("loaded.bmp")), Load(Path("saved.bmp")));
    const TRun rest = Run({"--batch", "--fast", "--trace", "--load", save});
    EXPECT_EQ(rest.ExitCode, whole.ExitCode) << rest.Err;
    EXPECT_EQ(saving.Out + rest.Out, whole.Out);
  }
}

// Loaded in a run on the real clock (a window's run), the replay hands over to real time at the saved
// instant: in the wait, in the chain's transitions and in the movie, the game goes on with the rest of its
// run and ends with the picture it ends with on the virtual clock.
TEST_F(Saves, LoadGoesOnInRealTime) {
  const TRun whole = Run({"--batch", "--fast", "--trace", "--grab", Path("whole.bmp")});
  ASSERT_EQ(whole.ExitCode, 0) << whole.Err;
  for (const int instant : {1700, 4000, 7000}) {
    SCOPED_TRACE(instant);
    const QString save = Path(QString("real%1.json").arg(instant));
    const TRun saving = Run(
        {"--batch", "--fast", "--trace", "--quit-after", QString::number(instant), "--save-on-exit", save});
    ASSERT_EQ(saving.ExitCode, 4) << saving.Err;
    const TRun rest = Run({"--batch", "--trace", "--load", save, "--grab", Path("real.bmp")});
    EXPECT_EQ(rest.ExitCode, 0) << rest.Err;
    EXPECT_EQ(saving.Out + rest.Out, whole.Out);
    EXPECT_EQ(Load(Path("real.bmp")), Load(Path("whole.bmp")));
  }
}

// A movie with sound and a sound beside it, waited for to a frame and to their ends; at the movie's end (1050
// ms) the board's reveal starts, then the sound plays again.
const QByteArray kMovieAndSound =
    "disp,1,4,red.bmp\r\navi,play,m.avi\r\npcm,play,s.wav\r\navi,time,4\r\nboard,set,four\r\nboard,on\r\n"
    "pcm,wait\r\navi,wait\r\nboard,set,ended\r\npcm,play,s.wav\r\npcm,wait\r\nwait,time,200\r\n"
    "disp,2,4,blue.bmp\r\n";

// Saved in the middle of the movie and the sound, at the frame waited for, right at the movie's end and just
// after it, and in the second sound: the loaded game shows what the saving run showed, and 51 ms on (a frame
// of the reveal, which counts from the movie's end) too; it goes on with the rest of the run, on the virtual
// clock and on the real one.
TEST_F(Saves, LoadInAMovieAndASoundOrAtTheirEndGoesOnAsTheSavingRunDid) {
  QFile sound(ORBEL_SOURCE_DIR "/tests/data/media/ima_adpcm.wav");
  ASSERT_TRUE(sound.open(QIODevice::ReadOnly));
  Write("Data/s.wav", sound.readAll());
  Script(kMovieAndSound);
  const TRun whole = Run({"--batch", "--fast", "--trace", "--grab", Path("whole.bmp")});
  ASSERT_EQ(whole.ExitCode, 0) << whole.Err;
  for (const int instant : {300, 450, 600, 1050, 1051, 1300}) {
    SCOPED_TRACE(instant);
    const QString save = Path(QString("at%1.json").arg(instant));
    const TRun saving = Run({"--batch", "--fast", "--trace", "--quit-after", QString::number(instant),
                             "--save-on-exit", save, "--grab", Path("saved.bmp")});
    ASSERT_EQ(saving.ExitCode, 4) << saving.Err;
    const QString later = QString::number(instant + 51);
    ASSERT_EQ(Run({"--batch", "--fast", "--quit-after", later, "--grab", Path("later.bmp")}).ExitCode, 4);
    for (const auto& [quitAfter, expected] :
         {std::pair(QString::number(instant), Path("saved.bmp")), std::pair(later, Path("later.bmp"))}) {
      const TRun loaded =
          Run({"--batch", "--fast", "--load", save, "--quit-after", quitAfter, "--grab", Path("loaded.bmp")});
      EXPECT_EQ(loaded.ExitCode, 4) << loaded.Err;
      EXPECT_EQ(Load(Path("loaded.bmp")), Load(expected)) << "at " << quitAfter.toStdString();
    }
    const TRun rest = Run({"--batch", "--fast", "--trace", "--load", save});
    EXPECT_EQ(rest.ExitCode, 0) << rest.Err;
    EXPECT_EQ(saving.Out + rest.Out, whole.Out);
    if (instant != 600 && instant != 1050) continue;
    const TRun real = Run({"--batch", "--trace", "--load", save, "--grab", Path("real.bmp")});
    EXPECT_EQ(real.ExitCode, 0) << real.Err;
    EXPECT_EQ(saving.Out + real.Out, whole.Out);
    EXPECT_EQ(Load(Path("real.bmp")), Load(Path("whole.bmp")));
  }
}

// The save names the game and the instant, and a save made after a load counts from the game's start too.
TEST_F(Saves, SaveHoldsTheGameTheInstantAndAThumbnail) {
  ASSERT_EQ(Run({"--batch", "--fast", "--quit-after", "1600", "--save-on-exit", Path("first.json")}).ExitCode,
            4);
  const orbel::game::TSave first = orbel::game::ReadSaveFile(Path("first.json").toStdString());
  EXPECT_EQ(first.ScriptSha256, orbel::game::ScriptSha256(kGame.toStdString()));
  EXPECT_EQ(first.GameFolder, QDir(Dir.path()).canonicalPath().toStdString());
  EXPECT_EQ(first.TimeMs, 1600);
  EXPECT_EQ(first.Steps, 4);
  EXPECT_EQ(first.Line, 4);  // the wait
  EXPECT_EQ(first.Text, "one");
  EXPECT_EQ(QImage::fromData(first.Thumbnail, "PNG").size(), QSize(160, 120));
  ASSERT_EQ(Run({"--batch", "--fast", "--load", Path("first.json"), "--quit-after", "6500", "--save-on-exit",
                 Path("second.json")})
                .ExitCode,
            4);
  ASSERT_EQ(
      Run({"--batch", "--fast", "--quit-after", "6500", "--save-on-exit", Path("direct.json")}).ExitCode, 4);
  const orbel::game::TSave second = orbel::game::ReadSaveFile(Path("second.json").toStdString());
  const orbel::game::TSave direct = orbel::game::ReadSaveFile(Path("direct.json").toStdString());
  EXPECT_EQ(second.TimeMs, direct.TimeMs);
  EXPECT_EQ(second.Steps, direct.Steps);
  EXPECT_EQ(second.Line, direct.Line);
  EXPECT_EQ(second.Text, "three");
  EXPECT_EQ(second.Thumbnail, direct.Thumbnail);
  // Written whole: nothing but the saves is left in the folder.
  EXPECT_EQ(QDir(Dir.path()).entryList({"*.json*"}, QDir::Files),
            QStringList({"direct.json", "first.json", "second.json"}));
  // A save that could not be written is refused before anything runs, as an export is.
  const TRun nowhere = Run({"--batch", "--fast", "--trace", "--save-on-exit", Path("no/such/folder/s.json")});
  EXPECT_EQ(nowhere.ExitCode, 1);
  EXPECT_EQ(nowhere.Out, "");
  EXPECT_EQ(nowhere.Err, "orbel: the save " + Path("no/such/folder/s.json").toStdString() +
                             " cannot be written: the folder " + Path("no/such/folder").toStdString() +
                             " does not exist\n");
  const TRun folder = Run({"--batch", "--fast", "--trace", "--save-on-exit", Dir.path()});
  EXPECT_EQ(folder.ExitCode, 1);
  EXPECT_EQ(folder.Out, "");
}

// A window's game starts between two ticks, wherever start-up left it. Its saves keep that place, and a
// replay starts its first step there, so that a cut ends as long after it as in the saving run (20 ms, not 50
// ms).
TEST_F(Saves, ReplayStartsOnThePlaceOfTheTicksGridWhereTheSavedRunStarted) {
  Script("disp,1,4,red.bmp\r\nwait,time,1000\r\n");
  ASSERT_EQ(Run({"--batch", "--fast", "--quit-after", "0", "--save-on-exit", Path("start.json")}).ExitCode,
            4);
  QJsonObject object = QJsonDocument::fromJson(Bytes(Path("start.json"))).object();
  EXPECT_EQ(object["tick_phase_ms"].toInt(-1), 0);
  object["tick_phase_ms"] = 30;
  Write("start.json", QJsonDocument(object).toJson());
  ASSERT_EQ(
      Run({"--batch", "--fast", "--load", Path("start.json"), "--save-on-exit", Path("end.json")}).ExitCode,
      0);
  const orbel::game::TSave end = orbel::game::ReadSaveFile(Path("end.json").toStdString());
  EXPECT_EQ(end.TickPhaseMs, 30);
  EXPECT_EQ(end.TimeMs % 50, 20) << end.TimeMs;
}

// --from a line number or a label: the run starts where the script first runs that line, with what it showed.
TEST_F(Saves, FromStartsAtTheFirstRunOfALineOrLabel) {
  const TRun whole = Run({"--batch", "--fast", "--trace", "--grab", Path("whole.bmp")});
  ASSERT_EQ(whole.ExitCode, 0) << whole.Err;
  const std::string fromScene = whole.Out.substr(whole.Out.find("4:#scene"));
  for (const char* from : {"5", "#scene", "SCENE"}) {
    const TRun run = Run({"--batch", "--fast", "--trace", "--from", from, "--grab", Path("from.bmp")});
    EXPECT_EQ(run.ExitCode, 0) << from << ": " << run.Err;
    EXPECT_EQ(run.Out, fromScene) << from;
    EXPECT_EQ(Load(Path("from.bmp")), Load(Path("whole.bmp"))) << from;
  }
  // The picture and the board as the replay left them: --from the line after the first wait, quitting as that
  // line runs, shows what the whole game showed then.
  ASSERT_EQ(Run({"--batch", "--fast", "--quit-after", "1850", "--grab", Path("a.bmp")}).ExitCode, 4);
  ASSERT_EQ(
      Run({"--batch", "--fast", "--from", "6", "--quit-after", "1850", "--grab", Path("b.bmp")}).ExitCode, 4);
  EXPECT_EQ(Load(Path("b.bmp")), Load(Path("a.bmp")));
  for (const char* from : {"0", "99", "#nowhere"}) {
    const TRun run = Run({"--batch", "--fast", "--trace", "--from", from});
    EXPECT_EQ(run.ExitCode, 2) << from;
    EXPECT_EQ(run.Out, "") << from;
    EXPECT_NE(run.Err.find(from), std::string::npos) << run.Err;
  }
  // A line that exists but never runs is found out when the script ends.
  Script("wait,time,10\r\njump,#end\r\nboard,on\r\n#end\r\n");
  const TRun never = Run({"--batch", "--fast", "--from", "3"});
  EXPECT_EQ(never.ExitCode, 2);
  EXPECT_NE(never.Err.find("line 3 never runs"), std::string::npos) << never.Err;
}

// Every way a save can be unusable: nothing starts, status 2, the file named and left as it is.
TEST_F(Saves, UnusableSavesStartNothing) {
  ASSERT_EQ(Run({"--batch", "--fast", "--quit-after", "800", "--save-on-exit", Path("good.json")}).ExitCode,
            4);
  const QByteArray good = Bytes(Path("good.json"));
  Write("truncated.json", good.left(good.size() / 2));
  Write("empty.json", "");
  // A picture's header with its NUL bytes: the array's own size, less its terminating NUL, keeps them all.
  static constexpr char kGarbage[] = "\x89PNG\r\n\x1a\n\0\0\0 not a save";
  Write("garbage.json", QByteArray(kGarbage, sizeof kGarbage - 1));
  Write("other.json", R"({"format": "something else", "version": 1})");
  QJsonObject object = QJsonDocument::fromJson(good).object();
  object["version"] = 2;
  Write("future.json", QJsonDocument(object).toJson());
  object = QJsonDocument::fromJson(good).object();
  object["time_ms"] = -5;
  Write("negative.json", QJsonDocument(object).toJson());
  object = QJsonDocument::fromJson(good).object();
  object["thumbnail_png"] = "***";
  Write("thumbnail.json", QJsonDocument(object).toJson());
  object = QJsonDocument::fromJson(good).object();
  object["script_sha256"] = QString(64, 'a');
  object["game_folder"] = "/some/other/game";
  Write("foreign.json", QJsonDocument(object).toJson());
  for (const char* name : {"truncated.json", "empty.json", "garbage.json", "other.json", "future.json",
                           "negative.json", "thumbnail.json", "foreign.json"})
    ExpectRefused(Path(name), name);
  QDir(Dir.path()).mkdir("folder.json");
  ExpectRefused(Path("folder.json"), "a folder");
  const TRun missing = Run({"--batch", "--fast", "--load", Path("missing.json")});
  EXPECT_EQ(missing.ExitCode, 2);
  EXPECT_NE(missing.Err.find("missing.json"), std::string::npos);
  if (geteuid() != 0) {  // the superuser reads any file
    Write("locked.json", good);
    QFile::setPermissions(Path("locked.json"), QFileDevice::WriteOwner);
    ExpectRefused(Path("locked.json"), "unreadable");
  }
  // The same game folder with a changed script: an automated run cannot ask, so it refuses.
  Script(kGame + "board,off\r\n");
  ExpectRefused(Path("good.json"), "changed script");
  const TRun changed = Run({"--batch", "--fast", "--load", Path("good.json")});
  EXPECT_NE(changed.Err.find("another version"), std::string::npos) << changed.Err;
}

// A save the script cannot reach is refused, naming the file, within its own replay: one whose steps the
// script never runs (it comes to rest first), one whose steps have not come well after its time, and one
// whose time lies far beyond the steps it names in a script that runs for ever.
TEST_F(Saves, SavesTheScriptCannotReachAreRefused) {
  ASSERT_EQ(Run({"--batch", "--fast", "--quit-after", "800", "--save-on-exit", Path("rests.json")}).ExitCode,
            4);
  QJsonObject object = QJsonDocument::fromJson(Bytes(Path("rests.json"))).object();
  object["steps"] = 1e9;
  Write("rests.json", QJsonDocument(object).toJson());
  ExpectRefused(Path("rests.json"), "steps beyond the script's end");
  EXPECT_NE(Run({"--batch", "--fast", "--load", Path("rests.json")}).Err.find("does not fit"),
            std::string::npos);

  // A looping game on the virtual clock ends after its first round, and its save is kept there.
  Script("#top\r\nboard,set,again\r\nwait,time,10\r\njump,#top\r\n");
  ASSERT_EQ(Run({"--batch", "--fast", "--quit-after", "5000", "--save-on-exit", Path("loop.json")}).ExitCode,
            0);
  object = QJsonDocument::fromJson(Bytes(Path("loop.json"))).object();
  object["steps"] = 1e9;
  Write("steps.json", QJsonDocument(object).toJson());
  ExpectRefused(Path("steps.json"), "steps far beyond the time");
  object = QJsonDocument::fromJson(Bytes(Path("loop.json"))).object();
  object["time_ms"] = 1e12;
  Write("time.json", QJsonDocument(object).toJson());
  ExpectRefused(Path("time.json"), "time far beyond the steps");
  // The save as it was still loads.
  EXPECT_EQ(Run({"--batch", "--fast", "--load", Path("loop.json"), "--quit-after", "6000"}).ExitCode, 0);
}

}  // namespace
