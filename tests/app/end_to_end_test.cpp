// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real program in batch mode on small game folders made by each test.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <string>

#include "tests/support/program_run.h"

namespace {

using orbel::tests::TRun;

class EndToEnd : public orbel::tests::TGameFolderTest {
 protected:
  TRun Batch(const QByteArray& script) {
    Script(script);
    return Run({"--batch", "--trace", "--quit-after", "20000"});
  }
  // Runs `script` as Batch does: the exit status and the trace it gives.
  void ExpectBatch(const QByteArray& script, int exitCode, const std::string& trace) {
    const TRun run = Batch(script);
    EXPECT_EQ(run.ExitCode, exitCode);
    EXPECT_EQ(run.Out, trace);
  }
};

TEST_F(EndToEnd, EndedScriptExitsZeroWithTrace) {
  const TRun run = Batch("board,clear\r\n#x\r\nwait,time,1\nboard,off");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Out, "0:board,clear\n1:#x\n2:wait,time,1\n3:board,off\n");
  EXPECT_EQ(run.Err, "");
}

TEST_F(EndToEnd, ErrorRestsWithExitTwoAndOneLineOnStandardError) {
  const TRun run = Batch("board,on\r\ndisp,1\r\nboard,off");
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Out, "0:board,on\n1:disp,1\n");
  // The text ends in ")", which sorts before ".", so no full stop is added.
  EXPECT_EQ(run.Err, "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (2)\n");
  const TRun number = Batch("wait,time,12a");
  EXPECT_EQ(number.ExitCode, 2);
  EXPECT_EQ(number.Err, "'12a' は整数ではありません.\n");
  // The cut posts a second step, so the last line fails inside the wait of the line before it; the wait then
  // returns normally and the script has ended, but the run failed all the same.
  const TRun nested = Batch("disp,0,4,a.bmp\r\nwait,time,300\r\nwait,time,abc");
  EXPECT_EQ(nested.ExitCode, 2);
  EXPECT_EQ(nested.Err, "'abc' は整数ではありません.\n");
}

TEST_F(EndToEnd, RestingWithoutErrorExitsThree) {
  ExpectBatch("disp,1,0,x\r\nboard,off", 3, "0:disp,1,0,x\n");
}

TEST_F(EndToEnd, TransitionResumesTheScript) {
  ExpectBatch("disp,1,4,missing\r\ndisp,2,2,missing\r\nboard,off", 0,
              "0:disp,1,4,missing\n1:disp,2,2,missing\n2:board,off\n");
}

TEST_F(EndToEnd, ShiftJisStatusTextIsDecoded) {
  // board,set,あい with a half-width katakana ｱ (B1).
  ExpectBatch("board,set,\x82\xA0\x82\xA2,\xB1", 0, "0:board,set,あい,ｱ\n");
}

TEST_F(EndToEnd, DataFolderScriptWinsAndFallbackRunsWithoutOne) {
  Write("SCRIPT.TXT", "board,on\r\n");
  Script("board,off\r\n");
  EXPECT_EQ(Run({"--batch", "--trace"}).Out, "0:board,off\n");
  QFile::remove(Dir.path() + "/Data/SCRIPT.TXT");
  EXPECT_EQ(Run({"--batch", "--trace"}).Out, "0:board,on\n");
  QFile::remove(Dir.path() + "/SCRIPT.TXT");
  const TRun fallback = Run({"--batch", "--trace", "--quit-after", "1500"});
  EXPECT_EQ(fallback.ExitCode, 4);
  EXPECT_EQ(fallback.Out.substr(0, 56), "0:board,clear\n1:board,off\n2:#001\n3:disp,1,2,bg\n4:disp,1,");
}

TEST_F(EndToEnd, SavedScreenIsTheComposedPicture) {
  Script("disp,2,4,missing");
  const QString saved = Dir.path() + "/screen.bmp";
  const QString grabbed = Dir.path() + "/grab.bmp";
  const TRun run = Run({"--batch", "--save-screen", saved, "--grab", grabbed});
  EXPECT_EQ(run.ExitCode, 0);
  for (const QString& path : {saved, grabbed}) {
    const QImage picture(path, "BMP");
    ASSERT_EQ(picture.size(), QSize(640, 480)) << path.toStdString();
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(picture.pixel(639, 479), qRgb(255, 255, 255));
  }
  QFile header(saved);
  ASSERT_TRUE(header.open(QIODevice::ReadOnly));
  const QByteArray bytes = header.read(30);
  EXPECT_EQ(bytes.left(2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);  // bits per pixel
}

// The recording holds the frames the window presented, one per change, at 640x480 whatever the zoom.
TEST_F(EndToEnd, RecordingHoldsEachPresentedFrameOnce) {
  Script("board,off\r\ndisp,2,4,missing\r\ndisp,1,2,missing\r\n");
  for (const QString& scale : {QStringLiteral("1"), QStringLiteral("3")}) {
    const QString folder = Dir.path() + "/record" + scale;
    const TRun run = Run({"--batch", "--scale", scale, "--record", folder});
    EXPECT_EQ(run.ExitCode, 0);
    const QStringList frames = QDir(folder).entryList({"*.bmp"}, QDir::Files, QDir::Name);
    // The cut, then the dissolve's eight mixed frames and its last one; on a machine too busy to present
    // every tick, frames drawn between two presentations are shown, and written, as one.
    ASSERT_GE(frames.size(), 2) << scale.toStdString();
    EXPECT_LE(frames.size(), 10) << scale.toStdString();
    for (qsizetype i = 1; i < frames.size(); ++i)
      EXPECT_NE(QImage(folder + "/" + frames[i - 1], "BMP"), QImage(folder + "/" + frames[i], "BMP")) << i;
    const QImage first(folder + "/" + frames.first(), "BMP"), last(folder + "/" + frames.last(), "BMP");
    EXPECT_EQ(first.size(), QSize(640, 480));
    EXPECT_EQ(first.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(last.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(last.pixel(639, 479), qRgb(0, 0, 0));
  }
}

// A script that only plays a movie is recorded too: each of the movie's frames where the movie lies, and the
// board, composed as --grab composes the window's picture.
TEST_F(EndToEnd, RecordingHoldsTheMovieAndTheBoard) {
  QFile movie(ORBEL_SOURCE_DIR "/tests/data/media/raw24.avi");  // 5 frames of 32x24 at 10 per second
  ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
  Write("Data/m.avi", movie.readAll());
  Script("avi,play,m.avi\r\navi,wait\r\navi,off\r\nboard,on\r\n");
  const QString folder = Dir.path() + "/record";
  const QString grabbed = Dir.path() + "/grab.bmp";
  const TRun run = Run({"--batch", "--record", folder, "--grab", grabbed});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  const QStringList names = QDir(folder).entryList({"*.bmp"}, QDir::Files, QDir::Name);
  ASSERT_GE(names.size(), 3);
  QList<QImage> frames;
  for (const QString& name : names)
    frames << QImage(folder + "/" + name, "BMP").convertToFormat(QImage::Format_RGB32);
  for (qsizetype i = 1; i < frames.size(); ++i) EXPECT_NE(frames[i - 1], frames[i]) << i;
  // The script's movie control lies at (40, 40); the movie's first frame starts violet, its last red, and the
  // picture around it stays black.
  const QPoint corner(40, 40);
  EXPECT_EQ(frames.first().pixel(corner), qRgb(127, 0, 254));
  EXPECT_EQ(frames.first().pixel(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(frames.first().pixel(40 + 16, 40 + 12), qRgb(0, 0, 62));
  EXPECT_TRUE(std::any_of(frames.begin(), frames.end(),
                          [&](const QImage& frame) { return frame.pixel(corner) == qRgb(253, 0, 0); }));
  // The movie put away and the board shown: the last frame is the picture --grab wrote at the end.
  const QImage last = frames.last();
  EXPECT_EQ(last.pixel(corner), qRgb(0, 0, 0));
  EXPECT_NE(last.pixel(300, 400), qRgb(0, 0, 0));
  EXPECT_EQ(last, QImage(grabbed, "BMP").convertToFormat(QImage::Format_RGB32));
}

// With a GAME_DIR as well, a relative output path means the folder the program was started in, not the game
// folder it enters: into a subfolder that exists only there, and never into the game.
TEST_F(EndToEnd, RelativeOutputsStayInTheStartingFolder) {
  Script("disp,2,4,missing");
  QTemporaryDir start;
  ASSERT_TRUE(start.isValid());
  QDir(start.path()).mkpath("out");
  const TRun run = RunIn(start.path(), {"--batch", "--save-screen", "out/screen.bmp", "--grab", "grab.bmp",
                                        "--record", "out/frames", Dir.path()});
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(QImage(start.path() + "/out/screen.bmp", "BMP").size(), QSize(640, 480));
  EXPECT_EQ(QImage(start.path() + "/grab.bmp", "BMP").size(), QSize(640, 480));
  EXPECT_FALSE(QDir(start.path() + "/out/frames").entryList({"*.bmp"}, QDir::Files).isEmpty());
  for (const char* stray : {"out", "grab.bmp", "Data/out", "Data/grab.bmp"})
    EXPECT_FALSE(QFileInfo::exists(Dir.path() + "/" + stray)) << stray;
}

TEST_F(EndToEnd, HostileScriptsNeverCrashOrHang) {
  QByteArray garbage;
  for (int i = 0; i < 4096; ++i) garbage.append(static_cast<char>((i * 7919) % 256));
  const QByteArray hugeLine = "board,set," + QByteArray(1 << 20, 'x') + "\r\n";
  for (const QByteArray& script :
       {garbage, hugeLine, QByteArray("board,set,\"never closed\r\n\"\r\n\",\r\nboard,set,\x82"),
        QByteArray("jump,#nowhere,\x82\r\n"), QByteArray(",,,\r\n\"\"\r\n#\r\n")}) {
    Script(script);
    const TRun run = Run({"--batch", "--quit-after", "3000"});
    EXPECT_TRUE(run.ExitCode == 0 || run.ExitCode == 2 || run.ExitCode == 3 || run.ExitCode == 4)
        << run.ExitCode << " " << run.Err.substr(0, 200);
  }
}

TEST_F(EndToEnd, CommandLine) {
  QProcess process;
  process.setProcessEnvironment(orbel::tests::ProgramEnvironment());
  process.start(ORBEL_BINARY, {"--help"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_NE(process.readAllStandardOutput().indexOf("--save-screen"), -1);
  process.start(ORBEL_BINARY, {"--no-such-option"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 1);
  process.start(ORBEL_BINARY, {"--batch", "--encoding", "latin1"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 1);
  EXPECT_EQ(process.readAllStandardError(), "orbel: --encoding takes cp932 or utf-8, not 'latin1'\n");
  process.start(ORBEL_BINARY, {"--batch", "/no/such/folder"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 1);
  process.start(ORBEL_BINARY, {"--version"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_TRUE(process.readAllStandardOutput().startsWith("orbel "));
}

TEST_F(EndToEnd, CheckListsFaultsByLineAndPassesCleanGames) {
  QFile picture(ORBEL_SOURCE_DIR "/demo/Data/BG01.bmp");
  ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
  Write("Data/BG01.bmp", picture.readAll());
  Write("Data/broken.bmp", "BM");
  Script(
      "#top \r\ndisp,1,2,bg01.BMP\r\ndisp,1,2,broken.bmp\r\ndisp,1,2,BG01\r\nwiat,time,10\r\njump,#top\r\n");
  const TRun faulty = Run({"--check"});
  EXPECT_EQ(faulty.ExitCode, 1);
  EXPECT_EQ(faulty.Err, "");
  const QStringList lines = QString::fromStdString(faulty.Out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 5) << faulty.Out;
  EXPECT_TRUE(lines[0].startsWith("SCRIPT.TXT:1: label '#top' has blanks"));
  EXPECT_TRUE(lines[1].startsWith("SCRIPT.TXT:3: picture 'broken.bmp' cannot be read: "));
  EXPECT_EQ(lines[2],
            "SCRIPT.TXT:4: picture: file BG01 not found; near match Data/BG01.bmp differs in its extension");
  EXPECT_EQ(lines[3], "SCRIPT.TXT:5: unknown command 'wiat': the line is skipped");
  EXPECT_TRUE(lines[4].startsWith("SCRIPT.TXT:6: jump to '#top', a label that does not exist"));

  // A clean script, named by its own path; nothing is printed.
  Script("disp,1,2,bg01.bmp\r\n");
  QProcess process;
  process.setProcessEnvironment(orbel::tests::ProgramEnvironment());
  process.start(ORBEL_BINARY, {"--check", Dir.path() + "/Data/SCRIPT.TXT"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAll(), "");
  // The bundled demo is a clean game.
  process.start(ORBEL_BINARY, {"--check", ORBEL_SOURCE_DIR "/demo"});
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(process.readAllStandardOutput(), "");

  QFile::remove(Dir.path() + "/Data/SCRIPT.TXT");
  const TRun none = Run({"--check"});
  EXPECT_EQ(none.ExitCode, 1);
  EXPECT_EQ(none.Err, "orbel: no SCRIPT.TXT in Data/ or in the game folder\n");
}

// Without GAME_DIR: the game in the current directory, else the demo beside the program (batch: no dialog).
TEST_F(EndToEnd, StartWithoutGameDirRunsTheCurrentGameOrTheDemo) {
  QTemporaryDir empty;
  ASSERT_TRUE(empty.isValid());
  const TRun demo = RunIn(empty.path(), {"--batch", "--trace", "--quit-after", "1500", "--grab", "shot.bmp"});
  EXPECT_EQ(demo.ExitCode, 4);
  // An output named relative to where the program started stays there, not in the demo's folder.
  EXPECT_FALSE(QImage(empty.path() + "/shot.bmp").isNull());
  EXPECT_EQ(demo.Out.substr(0, 37), "0:board,clear\n1:board,off\n2:avi,logo\n") << demo.Out;
  Script("board,on\r\n");
  EXPECT_EQ(Run({"--batch", "--trace"}, false).Out, "0:board,on\n");
  // A path to the script opens its game.
  EXPECT_EQ(Run({"--batch", "--trace", Dir.path() + "/Data/SCRIPT.TXT"}, false).Out, "0:board,on\n");
}

// A folder with something of a game but no script is a game all the same: the built-in script runs there,
// showing its own files, and neither the demo nor the dialog takes over.
TEST_F(EndToEnd, FolderWithGameFilesButNoScriptRunsTheBuiltInScript) {
  QFile picture(ORBEL_SOURCE_DIR "/demo/Data/BG01.bmp");
  ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
  const QByteArray bitmap = picture.readAll();
  Write("Data/bg", bitmap);
  Write("Data/logo.dat", bitmap);
  const QStringList arguments = {"--batch", "--trace", "--quit-after", "1500"};
  const std::string fallback = "0:board,clear\n1:board,off\n2:#001\n3:disp,1,2,bg\n";
  const TRun withData = Run(arguments, false);
  EXPECT_EQ(withData.ExitCode, 4);
  EXPECT_EQ(withData.Out.substr(0, fallback.size()), fallback) << withData.Out;
  // The script's pictures were found: nothing went to standard error.
  EXPECT_EQ(withData.Err, "");
  // The same files beside no Data folder, named in another letter case.
  QDir(Dir.path() + "/Data").removeRecursively();
  Write("BG", bitmap);
  Write("Logo.DAT", bitmap);
  const TRun beside = Run(arguments, false);
  EXPECT_EQ(beside.Out.substr(0, fallback.size()), fallback) << beside.Out;
  EXPECT_EQ(beside.Err, "");
}

}  // namespace

namespace {

// A wave file of `seconds` of silence, 8 kHz, 8 bits, mono.
QByteArray SilentWave(int seconds) {
  const quint32 dataSize = 8000u * static_cast<quint32>(seconds);
  QByteArray wave;
  auto put32 = [&wave](quint32 v) {
    for (int i = 0; i < 4; ++i) wave.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  auto put16 = [&wave](quint16 v) {
    wave.append(static_cast<char>(v & 0xFF));
    wave.append(static_cast<char>(v >> 8));
  };
  wave.append("RIFF");
  put32(36 + dataSize);
  wave.append("WAVEfmt ");
  put32(16);
  put16(1);
  put16(1);
  put32(8000);
  put32(8000);
  put16(1);
  put16(8);
  wave.append("data");
  put32(dataSize);
  wave.append(QByteArray(static_cast<qsizetype>(dataSize), static_cast<char>(0x80)));
  return wave;
}

// Closing while a command waits ends the wait early: the program exits long before the wait's time is up,
// and (under the sanitizers) nothing touches the released buffers and lists.
// A step already queued when a command waits runs inside that wait, and so does the chain it starts, at
// once and whichever event dispatcher the toolkit uses.
TEST_F(EndToEnd, QueuedStepsRunInsideAWaitWithEitherDispatcher) {
  QByteArray chain = "wait,time,100\r\ndisp,0,4,x\r\nwait,time,3000\r\n";
  for (int i = 0; i < 300; ++i) chain += "#l" + QByteArray::number(i) + "\r\n";
  chain += "board,on\r\n";
  Script(chain);
  for (const QString& variable : {QString(), QStringLiteral("QT_NO_GLIB")}) {
    for (int run = 0; run < 10; ++run) {
      // The waits would end at 3.1 s; everything after line 2 must have run long before the program quits.
      const TRun result = Run({"--batch", "--trace", "--quit-after", "1000"}, true, variable);
      SCOPED_TRACE(variable.toStdString() + " run " + std::to_string(run));
      EXPECT_EQ(result.ExitCode, 4);
      EXPECT_NE(result.Out.find("\n302:#l299\n303:board,on\n"), std::string::npos)
          << result.Out.substr(0, 200);
    }
  }
}

// Each damaged file gets its message on standard error and the script rests at its line (exit 2); the
// program itself never dies. The messages are matched by their fixed part only.
TEST_F(EndToEnd, HostileDataFilesGetTheirMessage) {
  QFile source(QString(ORBEL_SOURCE_DIR) + "/tests/data/media/raw8_palette.avi");
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  QByteArray brokenIndex = source.readAll();
  const qsizetype index = brokenIndex.indexOf("idx1");
  ASSERT_GT(index, 0);
  for (qsizetype i = index + 8; i < brokenIndex.size(); ++i) brokenIndex[i] = static_cast<char>(0xFF);
  Write("Data/index.avi", brokenIndex);
  Write("Data/empty.wav", QByteArray());
  Write("Data/short.wav", SilentWave(1).left(36));
  QFile huge(QString(ORBEL_SOURCE_DIR) + "/tests/data/bitmaps/broken/huge.bmp");
  ASSERT_TRUE(huge.open(QIODevice::ReadOnly));
  Write("Data/huge.bmp", huge.readAll());
  const std::string broken = "ﾌｧｲﾙが壊れているか、再生できない形式です";
  const struct {
    const char* Script;
    std::string Message;  // empty: the file may play
  } cases[] = {
      {"pcm,play,empty.wav", broken},
      {"pcm,play,short.wav", broken},
      {"avi,play,empty.wav", broken},
      {"disp,1,0,huge.bmp", "はビットマップとして読めません (画像が大きすぎます)"},
      {"trans,1,0,empty.wav", "はビットマップとして読めません"},
      {"avi,play,index.avi\r\navi,wait", ""},
  };
  for (const auto& c : cases) {
    Script(QByteArray(c.Script) + "\r\nboard,on");
    const TRun run = Run({"--batch", "--trace", "--quit-after", "20000"});
    if (c.Message.empty()) {
      EXPECT_TRUE(run.ExitCode == 0 || run.ExitCode == 2) << c.Script << " " << run.ExitCode;
      continue;
    }
    EXPECT_EQ(run.ExitCode, 2) << c.Script;
    EXPECT_NE(run.Err.find(c.Message), std::string::npos) << c.Script << ": " << run.Err;
  }
}

// A script over the size limit is refused at start-up with its own message; a large one below it runs, and
// its jumps cost no more than in a small one.
TEST_F(EndToEnd, ScriptSizeLimit) {
  QByteArray large = "jump,#end\r\n";
  while (large.size() < 5 * 1024 * 1024) large += "#filler line that is never run\r\n";
  large += "#END\r\nboard,off\r\n";
  const TRun run = Batch(large);
  EXPECT_EQ(run.ExitCode, 0);
  // The jump and the line after its label: nothing in between ran.
  EXPECT_EQ(std::count(run.Out.begin(), run.Out.end(), '\n'), 2);
  EXPECT_TRUE(run.Out.ends_with(":board,off\n")) << run.Out.substr(0, 100);
  large.append(QByteArray(4 * 1024 * 1024, '#'));
  const TRun refused = Batch(large);
  EXPECT_NE(refused.Err.find("は大きすぎます (上限 8 MB)"), std::string::npos) << refused.Err;
  EXPECT_EQ(refused.Out, "");
}

TEST_F(EndToEnd, ClosingDuringEveryKindOfWait) {
  QFile movie(QString(ORBEL_SOURCE_DIR) + "/demo/Data/M05.AVI");
  ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
  Write("Data/m.avi", movie.readAll());
  Write("Data/s.wav", SilentWave(10));
  const QByteArray scripts[] = {
      "wait,time,2000000000\r\nboard,on",
      // The transition's step runs the second wait nested inside the first.
      "disp,0,2,x\r\nwait,time,2000000000\r\nwait,time,2000000000",
      "avi,play,m.avi\r\navi,wait",
      "avi,play,m.avi\r\navi,time,2000000000",
      "pcm,play,s.wav\r\npcm,wait",
      "pcm,play,s.wav\r\npcm,time,2000000000",
  };
  for (const QByteArray& script : scripts) {
    Script(script);
    const TRun run = Run({"--batch", "--quit-after", "700"});
    EXPECT_EQ(run.ExitCode, 4) << script.toStdString() << "\n" << run.Err;
  }
}

}  // namespace
