// SPDX-License-Identifier: GPL-3.0-or-later
// The game on the virtual clock: a --fast run gives what a real-time run gives, and --export-video writes
// what the window showed and the speakers played, at the instants they did.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/game_export.h"
#include "tests/support/program_run.h"
#include "tests/support/test_pictures.h"
#include "tests/support/video_reader.h"

namespace {

using orbel::tests::ScreenPicture;
using orbel::tests::TRun;

// A 16-bit stereo wave at 48 kHz: a 1 kHz tone at half scale.
QByteArray ToneWave(int toneMs) {
  const int rate = 48000;
  std::vector<int16_t> samples;
  for (int i = 0; i < rate * toneMs / 1000; ++i) {
    const int16_t value = int16_t(std::lround(16384 * std::sin(2 * M_PI * 1000 * i / rate)));
    samples.push_back(value);
    samples.push_back(value);
  }
  const auto u32 = [](QByteArray& to, uint32_t v) { to.append(reinterpret_cast<const char*>(&v), 4); };
  const auto u16 = [](QByteArray& to, uint16_t v) { to.append(reinterpret_cast<const char*>(&v), 2); };
  const uint32_t dataBytes = uint32_t(samples.size() * 2);
  QByteArray wave("RIFF");
  u32(wave, 36 + dataBytes);
  wave += "WAVEfmt ";
  u32(wave, 16);
  u16(wave, 1);
  u16(wave, 2);
  u32(wave, rate);
  u32(wave, rate * 4);
  u16(wave, 4);
  u16(wave, 16);
  wave += "data";
  u32(wave, dataBytes);
  wave.append(reinterpret_cast<const char*>(samples.data()), dataBytes);
  return wave;
}

class VirtualClock : public orbel::tests::TGameFolderTest {
 protected:
  void SetUp() override {
    TGameFolderTest::SetUp();
    QFile movie(ORBEL_SOURCE_DIR "/tests/data/media/cinepak_pcm.avi");  // a movie with sound
    ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
    Write("Data/m.avi", movie.readAll());
    Write("Data/tone.wav", ToneWave(300));
    Write("Data/red.bmp", ScreenPicture(qRgb(200, 0, 0)));
    Write("Data/blue.bmp", ScreenPicture(qRgb(0, 0, 200)));
  }
  QStringList Recorded(const QString& folder) const {
    QStringList frames;
    for (const QString& name : QDir(folder).entryList({"*.bmp"}, QDir::Files, QDir::Name))
      frames << folder + "/" + name;
    return frames;
  }
  static QImage Load(const QString& path) {
    return QImage(path, "BMP").convertToFormat(QImage::Format_RGB32);
  }
};

// Waits, the four transitions, the board's reveal, a chain that does not wait for its transition, a wave and
// a movie with sound waited for: the trace, the exit status and the final picture are the real-time run's.
TEST_F(VirtualClock, FastRunEndsAsTheRealTimeRunDoes) {
  Script(
      "disp,1,1,red.bmp\r\nboard,set,one,two\r\nboard,on\r\nwait,time,300\r\n"
      "disp,0,2,blue.bmp\r\ntrans,1,3,red.bmp\r\npcm,play,tone.wav\r\npcm,wait\r\n"
      "avi,play,m.avi\r\navi,wait\r\navi,off\r\ndisp,2,4,blue.bmp\r\nwait,time,120\r\n");
  const QString realGrab = Dir.path() + "/real.bmp", fastGrab = Dir.path() + "/fast.bmp";
  const TRun real = Run({"--batch", "--trace", "--grab", realGrab, "--quit-after", "30000"});
  const TRun fast = Run({"--batch", "--fast", "--trace", "--grab", fastGrab, "--quit-after", "30000"});
  EXPECT_EQ(real.ExitCode, 0) << real.Err;
  EXPECT_EQ(fast.ExitCode, real.ExitCode) << fast.Err;
  EXPECT_EQ(fast.Out, real.Out);
  EXPECT_EQ(fast.Err, real.Err);
  EXPECT_EQ(Load(fastGrab), Load(realGrab));
  // --quit-after counts virtual milliseconds: a script waiting 100 s ends at once, with the status of a run
  // that ran out of time.
  Script("board,on\r\nwait,time,100000\r\nboard,off\r\n");
  const TRun long_wait = Run({"--batch", "--fast", "--trace", "--quit-after", "99000"});
  EXPECT_EQ(long_wait.ExitCode, 4);
  EXPECT_EQ(long_wait.Out, "0:board,on\n1:wait,time,100000\n");
}

// The pictures a fast run records are the real-time run's, one for one. Real time under an instrumented
// build is too slow for its own transitions' ticks, so that comparison needs a plain build.
TEST_F(VirtualClock, FastRunRecordsTheRealTimePictures) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "real-time frames need an uninstrumented build";
#endif
  Script("disp,1,1,red.bmp\r\nboard,set,reveal\r\nboard,on\r\nwait,time,400\r\ndisp,1,3,blue.bmp\r\n");
  const QString realFolder = Dir.path() + "/real", fastFolder = Dir.path() + "/fast";
  ASSERT_EQ(Run({"--batch", "--record", realFolder}).ExitCode, 0);
  ASSERT_EQ(Run({"--batch", "--fast", "--record", fastFolder}).ExitCode, 0);
  const QStringList real = Recorded(realFolder), fast = Recorded(fastFolder);
  ASSERT_EQ(fast.size(), real.size());
  for (qsizetype i = 0; i < fast.size(); ++i) EXPECT_EQ(Load(fast[i]), Load(real[i])) << i;
}

// A loop that never waits would hold virtual time still for ever: it ends as an error naming its line.
TEST_F(VirtualClock, ScriptThatNeverWaitsEndsWithAnError) {
  Script("#loop\r\njump,#loop\r\n");
  const TRun run = Run({"--batch", "--fast"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_NE(run.Err.find("without ever waiting"), std::string::npos) << run.Err;
}

// A lossless export at 20 pictures a second: its distinct pictures are the recorded ones in order, each at
// the instant the script made it, and the wave's tone sounds from the moment the script played it.
TEST_F(VirtualClock, ExportShowsTheRecordedPicturesAndPlaysTheToneWhereTheScriptPutIt) {
  Script(
      "disp,1,4,red.bmp\r\nwait,time,500\r\npcm,play,tone.wav\r\npcm,wait\r\ndisp,1,4,blue.bmp\r\n"
      "wait,time,400\r\n");
  const QString video = Dir.path() + "/game.mkv", folder = Dir.path() + "/record";
  const TRun run =
      Run({"--export-video", video, "--export-lossless", "--export-fps", "20", "--record", folder});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const orbel::tests::TDecoded decoded = orbel::tests::Decode(video.toStdString());
  EXPECT_EQ(decoded.VideoCodec, "ffv1");
  EXPECT_EQ(decoded.AudioCodec, "flac");
  // Red from the first tick, blue from the tick after the 300 ms tone has ended (it starts at 0.5 s), the end
  // 400 ms and a tick later.
  ASSERT_GE(decoded.Frames.size(), 24u);
  EXPECT_GT(decoded.VideoEnd, 1.2);
  EXPECT_LT(decoded.VideoEnd, 1.4);
  // The window is black until the first tick draws the cut; --record leaves out that start.
  QImage black(640, 480, QImage::Format_RGB32);
  black.fill(Qt::black);
  std::vector<QImage> distinct;
  for (const QImage& frame : decoded.Frames)
    if (!orbel::tests::SamePixels(distinct.empty() ? black : distinct.back(), frame))
      distinct.push_back(frame);

  const QStringList recorded = Recorded(folder);
  ASSERT_EQ(distinct.size(), size_t(recorded.size()));
  for (size_t i = 0; i < distinct.size(); ++i)
    EXPECT_TRUE(orbel::tests::SamePixels(distinct[i], Load(recorded[qsizetype(i)]))) << i;
  EXPECT_EQ(decoded.Frames[8].pixel(320, 240), qRgb(200, 0, 0));
  EXPECT_EQ(decoded.Frames[20].pixel(320, 240), qRgb(0, 0, 200));
  // Silence before the play at 0.5 s, the tone for 300 ms after it, silence again.
  const auto rms = [&](double from, double to) {
    return orbel::tests::Rms(decoded.Sound, size_t(from * 48000), size_t(to * 48000));
  };
  EXPECT_LT(rms(0.0, 0.49), 1e-4);
  EXPECT_GT(rms(0.52, 0.78), 0.2);
  EXPECT_LT(rms(0.85, 1.15), 1e-4);
}

// What cannot be exported is refused before the game starts, naming the file.
TEST_F(VirtualClock, ExportRefusalsComeBeforeTheGameStarts) {
  Script("board,on\r\n");
  const TRun unknown = Run({"--trace", "--export-video", Dir.path() + "/game.avi"});
  EXPECT_EQ(unknown.ExitCode, 1);
  EXPECT_EQ(unknown.Out, "");
  EXPECT_NE(unknown.Err.find("game.avi"), std::string::npos) << unknown.Err;
  const TRun missing = Run({"--trace", "--export-video", Dir.path() + "/no/such/folder/game.mkv"});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_EQ(missing.Out, "");
  EXPECT_TRUE(QDir(Dir.path()).entryList({"*.part", "game.*"}).isEmpty());
}

// A loop of about 0.9 s, one line after it that never runs. The first time at each line differs from the
// second (the wave channel was never opened before line 5), so the game is first as it was at line 7, before
// the second round's cut to red.
constexpr char kLoop[] =
    "disp,1,4,red.bmp\r\n#top\r\nwait,time,300\r\ndisp,1,4,blue.bmp\r\npcm,play,tone.wav\r\nwait,time,500\r\n"
    "disp,1,4,red.bmp\r\njump,#top\r\nboard,on\r\n";

// A looping game on the virtual clock ends after one round, exit 0, naming where the loop goes back to;
// --quit-after ends it earlier, and a movie still playing is no loop. A replay reaches a saved instant
// beyond the loop point, and a replay to a line the loop never reaches says so.
TEST_F(VirtualClock, LoopingGameEndsAfterOneRound) {
  Script(kLoop);
  const TRun fast = Run({"--batch", "--fast", "--trace"});
  EXPECT_EQ(fast.ExitCode, 0) << fast.Err;
  EXPECT_EQ(
      fast.Err.rfind("orbel: the game loops back to line 3 (from line 8): at line 7 it is as it was ", 0), 0u)
      << fast.Err;
  EXPECT_EQ(std::count(fast.Err.begin(), fast.Err.end(), '\n'), 1) << fast.Err;
  const std::string firstRound =
      "0:disp,1,4,red.bmp\n1:#top\n2:wait,time,300\n3:disp,1,4,blue.bmp\n4:pcm,play,tone.wav\n"
      "5:wait,time,500\n6:disp,1,4,red.bmp\n7:jump,#top\n";
  EXPECT_EQ(fast.Out,
            firstRound + "2:wait,time,300\n3:disp,1,4,blue.bmp\n4:pcm,play,tone.wav\n5:wait,time,500\n");
  const TRun bounded = Run({"--batch", "--fast", "--quit-after", "500"});
  EXPECT_EQ(bounded.ExitCode, 4);
  EXPECT_EQ(bounded.Err, "");

  // A replay runs up to its instant whatever comes round on the way, then the run has a round of its own. The
  // save is made on the real clock, which never looks for loops, three rounds in.
  const QString save = Dir.path() + "/late.json", after = Dir.path() + "/after.json";
  ASSERT_EQ(Run({"--batch", "--quit-after", "2800", "--save-on-exit", save}).ExitCode, 4);
  const TRun loaded = Run({"--batch", "--fast", "--load", save, "--save-on-exit", after});
  EXPECT_EQ(loaded.ExitCode, 0) << loaded.Err;
  EXPECT_NE(loaded.Err.find("the game loops back to line 3"), std::string::npos) << loaded.Err;
  const auto savedMs = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QJsonDocument::fromJson(file.readAll()).object()["time_ms"].toInteger()
               : -1;
  };
  EXPECT_GT(savedMs(after), savedMs(save) + 800);
  const TRun never = Run({"--batch", "--fast", "--from", "9"});
  EXPECT_EQ(never.ExitCode, 2);
  EXPECT_EQ(never.Err, "orbel: --from 9: line 9 never runs\n");

  // The movie plays for a second over rounds of 0.1 s: nothing comes round while it plays.
  Script("avi,play,m.avi\r\n#top\r\nwait,time,100\r\njump,#top\r\n");
  EXPECT_EQ(Run({"--batch", "--fast", "--quit-after", "900"}).ExitCode, 4);
  const TRun movie = Run({"--batch", "--fast", "--trace"});
  EXPECT_EQ(movie.ExitCode, 0) << movie.Err;
  EXPECT_GT(std::count(movie.Out.begin(), movie.Out.end(), '\n'), 20);
}

// An export's status is its file's: a video cut short by --quit-after or ended by a loop is complete (exit
// 0); a write that fails (the file size limit here, as a full disk would) ends the export with the file's
// name and the reason, exit 2, and nothing left behind.
TEST_F(VirtualClock, ExportStatusIsTheFiles) {
  Script(kLoop);
  const QString bounded = Dir.path() + "/bounded.mkv", looped = Dir.path() + "/looped.mp4";
  const TRun quit = Run({"--export-video", bounded, "--quit-after", "600"});
  EXPECT_EQ(quit.ExitCode, 0) << quit.Err;
  EXPECT_NEAR(orbel::tests::Decode(bounded.toStdString()).VideoEnd, 0.6, 0.02);
  const TRun loop = Run({"--export-video", looped});
  EXPECT_EQ(loop.ExitCode, 0) << loop.Err;
  EXPECT_GT(orbel::tests::Decode(looped.toStdString()).VideoEnd, 1.5);

  QDir(Dir.path()).mkdir("out");
  const QString big = Dir.path() + "/out/big.mkv";
  const TRun full =
      orbel::tests::RunProgram({"-c", "ulimit -f 40; exec \"$0\" \"$@\"", ORBEL_BINARY, "--export-video", big,
                                "--export-lossless", "--export-fps", "240", Dir.path()},
                               {}, {}, "/bin/bash");
  EXPECT_EQ(full.ExitCode, 2);
  EXPECT_EQ(full.Err,
            "orbel: cannot export video to " + big.toStdString() + ": writing failed (File too large)\n");
  EXPECT_TRUE(QDir(Dir.path() + "/out").isEmpty());
}

// A lossless export bounded by --quit-after stops when its size so far says the whole would not fit; any
// export stops while a few seconds at its rate still fit, not when the disk is full.
TEST(ExportRoom, StopsBeforeTheFileSystemFills) {
  using orbel::app::RoomShortfall;
  constexpr int64_t MB = 1000000;
  // 2 s written at 5 MB a second; 60 s up to --quit-after need 300 MB.
  orbel::app::TExportRoom room{2000, 10 * MB, 4 * MB, 400 * MB, 60000, true};
  EXPECT_EQ(RoomShortfall(room), std::nullopt);
  room.FreeBytes = 200 * MB;
  EXPECT_EQ(RoomShortfall(room),
            "at the rate of its first 2.0 s it would need about 300 MB for the 60 s up to --quit-after, and "
            "its file system has 204 MB free");
  room.Lossless = false;  // a compressed file's first seconds say too little about the rest
  EXPECT_EQ(RoomShortfall(room), std::nullopt);
  room.EndMs.reset();
  room.FreeBytes = 20 * MB;  // 14 MB left when the 6 MB in memory are written: less than 5 s
  EXPECT_EQ(RoomShortfall(room),
            "its file system is nearly full: 14 MB free, room for about 2.8 s more of the "
            "game at 300 MB a minute (free some space, or bound the export with --quit-after)");
  room.GameMs = 100;  // too early to tell
  EXPECT_EQ(RoomShortfall(room), std::nullopt);
  // Half the room gone in the first quarter second: the estimate does not wait for the first second.
  EXPECT_EQ(RoomShortfall({300, 2 * MB, 1 * MB, 2 * MB, 20000, true}),
            "at the rate of its first 0.3 s it would need about 133 MB for the 20 s up to --quit-after, and "
            "its file system has 3.0 MB free");
}

}  // namespace
