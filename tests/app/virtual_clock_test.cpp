// SPDX-License-Identifier: GPL-3.0-or-later
// The game on the virtual clock: a --fast run gives what a real-time run gives, and --export-video writes
// what the window showed and the speakers played, at the instants they did.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

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

}  // namespace
