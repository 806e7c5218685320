// SPDX-License-Identifier: GPL-3.0-or-later
// The media layer on small committed files: decoding of every sample codec, the command semantics of the real
// and the null layer, playback progress with the silent driver, and hostile files.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <vector>

#include "media/decoder.h"
#include "media/media_layer.h"
#include "tests/media/media_test_support.h"

using namespace orbel::media;
using namespace orbel::media::tests;
using orbel::media::TDecodeItem;
using orbel::media::TMediaDecoder;
using orbel::media::TVideoFrame;

namespace {

struct TCodecCase {
  const char* File;
  bool Video;
  int64_t Frames;  // video frames, or 0
  bool HasAudio;
  double Seconds;  // length
};

class DecoderTest : public testing::TestWithParam<TCodecCase> {};

// Each sample decodes completely: as many pictures as the length says, sound for the sound's duration.
TEST_P(DecoderTest, DecodesEveryFrameAndTheWholeSound) {
  const TCodecCase& c = GetParam();
  TMediaDecoder decoder;
  ASSERT_EQ(decoder.Open(Sample(c.File), c.Video), 0u);
  ASSERT_EQ(decoder.Scan(), 0u);
  const auto& info = decoder.Info();
  EXPECT_EQ(info.HasVideo, c.Video);
  EXPECT_EQ(info.HasAudio, c.HasAudio);
  EXPECT_EQ(info.FrameCount, c.Frames);
  EXPECT_NEAR(info.LengthSeconds, c.Seconds, 0.03);

  TVideoFrame frame;
  std::vector<int16_t> samples;
  int64_t frames = 0;
  size_t soundFrames = 0;
  for (TDecodeItem item; (item = decoder.Next(frame, samples)) != TDecodeItem::End;) {
    ASSERT_NE(item, TDecodeItem::Error);
    if (item == TDecodeItem::Video) {
      EXPECT_EQ(frame.Image.width(), info.Width);
      ++frames;
    } else {
      soundFrames += samples.size() / 2;
    }
  }
  EXPECT_EQ(frames, c.Frames);
  if (c.HasAudio) {
    EXPECT_NEAR(double(soundFrames) / orbel::media::MixRate, info.AudioSeconds, 0.03);
  }
}

INSTANTIATE_TEST_SUITE_P(Codecs, DecoderTest,
                         testing::Values(TCodecCase{"cinepak_pcm.avi", true, 10, true, 1.0},
                                         TCodecCase{"msvideo1_ima.avi", true, 10, true, 0.5},
                                         TCodecCase{"raw24.avi", true, 5, false, 0.5},
                                         TCodecCase{"pal8.avi", true, 5, false, 0.5},
                                         TCodecCase{"msrle_palette.avi", true, 8, false, 0.8},
                                         TCodecCase{"raw8_palette.avi", true, 8, false, 0.8},
                                         TCodecCase{"u8_mono.wav", false, 0, true, 0.5},
                                         TCodecCase{"s16_stereo.wav", false, 0, true, 0.5},
                                         TCodecCase{"ima_adpcm.wav", false, 0, true, 0.555},
                                         TCodecCase{"ms_adpcm.wav", false, 0, true, 0.5}));

// A sound played again is not measured again, unless another file has taken its name or it was rewritten.
TEST(DecoderTest, AFileChangedUnderItsNameIsMeasuredAfresh) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("sound.wav").toStdString();
  const auto put = [&path](const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  };
  const auto length = [&path]() -> double {
    TMediaDecoder decoder;
    if (decoder.Open(path, false) || decoder.Scan()) return -1;
    return decoder.Info().LengthSeconds;
  };
  put(ReadFile(Sample("s16_stereo.wav")));
  EXPECT_NEAR(length(), 0.5, 0.03);
  EXPECT_NEAR(length(), 0.5, 0.03);
  put(ReadFile(Sample("ima_adpcm.wav")));  // rewritten in place
  EXPECT_NEAR(length(), 0.555, 0.03);
  const std::string other = dir.filePath("other.wav").toStdString();
  std::ofstream(other, std::ios::binary) << ReadFile(Sample("cinepak_pcm.avi"));
  std::filesystem::rename(other, path);  // another file under the name
  EXPECT_NEAR(length(), 1.0, 0.03);
  put(std::string(4000, '\x5A'));
  EXPECT_EQ(length(), -1) << "a file broken since is refused";
}

// Entry 1 of the palette turns from red to blue at frame 4; entry 2 stays green.
TEST(PaletteTest, PaletteChangesMidStreamReachThePictures) {
  for (const char* file : {"msrle_palette.avi", "raw8_palette.avi"}) {
    SCOPED_TRACE(file);
    TMediaDecoder decoder;
    ASSERT_EQ(decoder.Open(Sample(file), true), 0u);
    TVideoFrame frame;
    std::vector<int16_t> samples;
    std::vector<QImage> pictures;
    while (decoder.Next(frame, samples) == TDecodeItem::Video) pictures.push_back(frame.Image);
    ASSERT_EQ(pictures.size(), 8u);
    for (size_t n = 0; n < pictures.size(); ++n) {
      QRgb left = pictures[n].pixel(1, 12), right = pictures[n].pixel(30, 12);
      EXPECT_EQ(qRgb(qRed(left), qGreen(left), qBlue(left)), n < 4 ? qRgb(255, 0, 0) : qRgb(0, 0, 255)) << n;
      EXPECT_EQ(qRgb(qRed(right), qGreen(right), qBlue(right)), qRgb(0, 255, 0)) << n;
    }
    // The bar moves, and DIB rows come out top-down: the bar runs the full height.
    EXPECT_EQ(pictures[1].pixel(3, 0), pictures[1].pixel(3, 23));
    EXPECT_EQ(qGreen(pictures[1].pixel(3, 0)), 255);
  }
}

// ---- the layer ----

class LayerTest : public TMciLayerTest {
 protected:
  LayerTest() { Layer = CreateMediaLayer(); }

  uint16_t OpenFile(const std::string& path, const char* type, uint32_t* error = nullptr) {
    TMciParms parms;
    parms.Callback = &Sink;
    parms.DeviceType = type;
    parms.ElementName = path;
    uint32_t result = Send(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, parms);
    if (error) *error = result;
    return result ? 0 : parms.DeviceID;
  }
  void SetFormat(uint16_t id, uint32_t format) {
    TMciParms parms;
    parms.TimeFormat = format;
    ASSERT_EQ(Send(id, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, parms), 0u);
  }
  // Dispatches events until the device stops playing, at most timeoutMs; returns the positions seen.
  std::vector<uint32_t> PlayOut(uint16_t id, int timeoutMs = 3000) {
    std::vector<uint32_t> positions;
    QElapsedTimer timer;
    timer.start();
    while (Status(id, MCI_STATUS_MODE) == MCI_MODE_PLAY && timer.elapsed() < timeoutMs) {
      positions.push_back(Status(id, MCI_STATUS_POSITION));
      QCoreApplication::processEvents();
      QThread::msleep(10);
    }
    Drain();
    return positions;
  }
  // Reports reach the layer as events and the notices they cause are posted in turn: two rounds.
  static void Drain() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }
  std::string Temp(const std::string& name, const std::string& bytes) {
    std::string path = Dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  QTemporaryDir Dir;
};

TEST_F(LayerTest, DevicesAreNumberedFromOneAndTypesAreChecked) {
  TMciParms parms;
  parms.DeviceType = "AVIVideo";
  ASSERT_EQ(Send(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE, parms), 0u);  // a type alone opens
  EXPECT_EQ(parms.DeviceID, 1);
  uint16_t wave = OpenFile(Sample("u8_mono.wav"), "WaveAudio");
  EXPECT_EQ(wave, 2);
  EXPECT_EQ(Simple(1, MCI_CLOSE, MCI_WAIT), 0u);
  EXPECT_EQ(OpenFile(Sample("raw24.avi"), "AVIVideo"), 1);  // a freed number is used again
  EXPECT_EQ(Simple(1, MCI_PLAY, MCI_NOTIFY), 0u);

  parms.DeviceType = "CDAudio";
  EXPECT_EQ(Send(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE, parms), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(Simple(9, MCI_STOP, MCI_WAIT), MCIERR_INVALID_DEVICE_ID);
  EXPECT_EQ(Simple(0, MCI_SET, MCI_SET_TIME_FORMAT), MCIERR_INVALID_DEVICE_ID);

  std::string text;
  EXPECT_TRUE(Layer->GetErrorString(MCIERR_INVALID_DEVICE_NAME, text));
  EXPECT_FALSE(text.empty());
  EXPECT_FALSE(Layer->GetErrorString(12345, text));

  // Capabilities: the movie device has video, the wave device has not; no window for a wave device.
  TMciParms caps;
  caps.Item = MCI_GETDEVCAPS_HAS_VIDEO;
  ASSERT_EQ(Send(1, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, caps), 0u);
  EXPECT_EQ(caps.Return, 1u);
  ASSERT_EQ(Send(wave, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, caps), 0u);
  EXPECT_EQ(caps.Return, 0u);
  EXPECT_EQ(Simple(wave, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND), MCIERR_UNRECOGNIZED_COMMAND);
}

TEST_F(LayerTest, ADeviceOpenedByTypeAloneHasNothingToPlay) {
  TMciParms parms;
  parms.DeviceType = "AVIVideo";
  ASSERT_EQ(Send(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE, parms), 0u);
  EXPECT_EQ(Simple(parms.DeviceID, MCI_PLAY, MCI_NOTIFY | MCI_WAIT), MCIERR_NONAPPLICABLE_FUNCTION);
  EXPECT_NE(Status(parms.DeviceID, MCI_STATUS_MODE), MCI_MODE_PLAY);
  EXPECT_EQ(Status(parms.DeviceID, MCI_STATUS_POSITION), 0u);
  EXPECT_EQ(Status(parms.DeviceID, MCI_STATUS_LENGTH), 0u);
}

TEST_F(LayerTest, UnitsAreFramesForMoviesAndMillisecondsForSoundPerInstance) {
  uint16_t movie = OpenFile(Sample("cinepak_pcm.avi"), "AVIVideo");
  uint16_t other = OpenFile(Sample("cinepak_pcm.avi"), "AVIVideo");
  uint16_t wave = OpenFile(Sample("s16_stereo.wav"), "WaveAudio");
  ASSERT_TRUE(movie && other && wave);
  EXPECT_EQ(Status(movie, MCI_STATUS_LENGTH), 10u);
  EXPECT_EQ(Status(wave, MCI_STATUS_LENGTH), 500u);
  SetFormat(movie, MCI_FORMAT_MILLISECONDS);
  EXPECT_EQ(Status(movie, MCI_STATUS_LENGTH), 1000u);
  EXPECT_EQ(Status(other, MCI_STATUS_LENGTH), 10u);  // the other instance keeps frames
  SetFormat(wave, MCI_FORMAT_SAMPLES);
  EXPECT_EQ(Status(wave, MCI_STATUS_LENGTH), 11025u);
  TMciParms parms;
  parms.TimeFormat = MCI_FORMAT_TMSF;
  EXPECT_EQ(Send(movie, MCI_SET, MCI_SET_TIME_FORMAT, parms), MCIERR_BAD_TIME_FORMAT);
}

// The element is recognised by content: an AVI called ".dat" plays; a name without a type is chosen by
// content.
TEST_F(LayerTest, FilesAreRecognisedByContentNotByName) {
  std::string dat = Temp("demo.dat", ReadFile(Sample("raw24.avi")));
  EXPECT_NE(OpenFile(dat, "AVIVideo"), 0);
  std::string sound = Temp("sound.avi", ReadFile(Sample("u8_mono.wav")));
  uint32_t error = 0;
  EXPECT_EQ(OpenFile(sound, "AVIVideo", &error), 0);
  EXPECT_EQ(error, MCIERR_INVALID_FILE);
  EXPECT_NE(OpenFile(sound, "WaveAudio"), 0);
  TMciParms parms;
  parms.ElementName = dat;
  ASSERT_EQ(Send(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_ELEMENT, parms), 0u);
  TMciParms caps;
  caps.Item = MCI_GETDEVCAPS_HAS_VIDEO;
  Send(parms.DeviceID, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, caps);
  EXPECT_EQ(caps.Return, 1u);
}

TEST_F(LayerTest, HostileFilesAreRefusedOrPlayedOutWithoutHanging) {
  std::string movie = ReadFile(Sample("cinepak_pcm.avi"));
  std::string sound = ReadFile(Sample("s16_stereo.wav"));
  std::string garbage(5000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 7919 + 13) % 251);
  // A valid container whose pictures are noise: the same header, the payload overwritten.
  std::string noisy = movie;
  for (size_t i = 2048; i < noisy.size() - 400; ++i) noisy[i] = garbage[i % garbage.size()];
  // A picture size far beyond any screen, in both headers that carry one.
  std::string giant = ReadFile(Sample("raw24.avi"));
  for (const char* tag : {"avih", "strf"}) {
    size_t at = giant.find(tag) + (std::string(tag) == "avih" ? 8 + 32 : 8 + 4);
    giant.replace(at, 4, std::string("\x60\xEA\x00\x00", 4));  // 60000
  }
  // A wave header that claims far more data than the file holds.
  std::string liar = sound.substr(0, 2000);
  const std::vector<std::pair<std::string, std::string>> refused = {{"empty.avi", ""},
                                                                    {"garbage.avi", garbage},
                                                                    {"header_only.avi", movie.substr(0, 300)},
                                                                    {"giant.avi", giant}};
  for (const auto& [name, bytes] : refused) {
    uint32_t error = 0;
    EXPECT_EQ(OpenFile(Temp(name, bytes), "AVIVideo", &error), 0) << name;
    EXPECT_NE(error, 0u) << name;
    std::string text;
    EXPECT_TRUE(Layer->GetErrorString(error, text)) << name;
  }
  uint32_t error = 0;
  EXPECT_EQ(OpenFile(Temp("empty.wav", ""), "WaveAudio", &error), 0);
  EXPECT_EQ(OpenFile(Temp("missing.wav", "") + ".not-there", "WaveAudio", &error), 0);
  EXPECT_EQ(error, MCIERR_FILE_NOT_FOUND);

  // What opens must also end: truncated files play what they hold.
  for (const auto& [name, bytes, type] : std::vector<std::tuple<std::string, std::string, const char*>>{
           {"half.avi", movie.substr(0, movie.size() / 2), "AVIVideo"},
           {"noisy.avi", noisy, "AVIVideo"},
           {"liar.wav", liar, "WaveAudio"}}) {
    uint16_t id = OpenFile(Temp(name, bytes), type, &error);
    if (!id) {
      EXPECT_NE(error, 0u) << name;
      continue;
    }
    EXPECT_EQ(Simple(id, MCI_PLAY, 0), 0u) << name;
    PlayOut(id);
    EXPECT_NE(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY) << name;
  }
}

// Mode and position run through to the end at real-time pace; the end reports the length and a notice.
TEST_F(LayerTest, PlaybackProgressesToTheEndAndNotifies) {
  uint16_t movie = OpenFile(Sample("cinepak_pcm.avi"), "AVIVideo");
  uint16_t wave = OpenFile(Sample("u8_mono.wav"), "WaveAudio");
  ASSERT_TRUE(movie && wave);
  EXPECT_EQ(Status(movie, MCI_STATUS_MODE), MCI_MODE_STOP);
  QElapsedTimer timer;
  timer.start();
  ASSERT_EQ(Simple(movie, MCI_PLAY, MCI_NOTIFY), 0u);
  ASSERT_EQ(Simple(wave, MCI_PLAY, MCI_NOTIFY), 0u);  // both sound at once through the one output
  EXPECT_EQ(Status(movie, MCI_STATUS_MODE), MCI_MODE_PLAY);
  std::vector<uint32_t> positions, wavePositions;
  while (Status(movie, MCI_STATUS_MODE) == MCI_MODE_PLAY && timer.elapsed() < 3000) {
    positions.push_back(Status(movie, MCI_STATUS_POSITION));
    if (Status(wave, MCI_STATUS_MODE) == MCI_MODE_PLAY)
      wavePositions.push_back(Status(wave, MCI_STATUS_POSITION));
    QThread::msleep(10);
  }
  Drain();
  qint64 elapsed = timer.elapsed();
  EXPECT_GE(elapsed, 950);
  EXPECT_LT(elapsed, 2500);
  EXPECT_EQ(Status(movie, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(movie, MCI_STATUS_POSITION), 10u);
  EXPECT_EQ(Status(wave, MCI_STATUS_POSITION), 500u);
  ASSERT_GT(positions.size(), 5u);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_LT(positions.front(), 3u);
  EXPECT_GE(positions.back(), 7u);
  ASSERT_GT(wavePositions.size(), 5u);
  EXPECT_TRUE(std::is_sorted(wavePositions.begin(), wavePositions.end()));
  EXPECT_GT(wavePositions.back(), 300u);
  EXPECT_EQ(Sink.Codes, (std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_SUCCESSFUL}));
}

TEST_F(LayerTest, StopKeepsThePositionAndReplayContinuesSeekRewinds) {
  uint16_t id = OpenFile(Sample("s16_stereo.wav"), "WaveAudio");
  ASSERT_TRUE(id);
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  QThread::msleep(200);
  ASSERT_EQ(Simple(id, MCI_STOP, MCI_WAIT), 0u);
  uint32_t stopped = Status(id, MCI_STATUS_POSITION);
  EXPECT_GT(stopped, 100u);
  EXPECT_LT(stopped, 400u);
  QThread::msleep(100);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), stopped);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  // A second play supersedes nothing now, but one more play while playing supersedes the first.
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  PlayOut(id);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 500u);
  ASSERT_EQ(Simple(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  QThread::msleep(50);
  EXPECT_EQ(Simple(id, MCI_CLOSE, MCI_WAIT), 0u);  // cut off while playing
  Drain();
  EXPECT_EQ(Sink.Codes, (std::vector<uint32_t>{MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUPERSEDED,
                                               MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_ABORTED}));
}

// A waiting play returns at the end, having painted each new frame without the event loop, into a picture of
// its own at the window's top-left corner, never repainting the window beneath.
TEST_F(LayerTest, WaitingPlayRepaintsItsPictureUntilTheEnd) {
  struct TPaintCounter : QWidget {
    int Paints = 0;
    void paintEvent(QPaintEvent*) override { ++Paints; }
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++ChildPaints;
      return false;
    }
    int ChildPaints = 0;
  } window;
  window.resize(100, 80);
  window.show();
  uint16_t id = OpenFile(Sample("msvideo1_ima.avi"), "AVIVideo");
  ASSERT_TRUE(id);
  TMciParms parms;
  parms.Window = &window;
  ASSERT_EQ(Send(id, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, parms), 0u);
  QList<QWidget*> pictures = window.findChildren<QWidget*>();
  ASSERT_EQ(pictures.size(), 1);
  EXPECT_EQ(pictures[0]->geometry(), QRect(0, 0, 64, 48));
  pictures[0]->installEventFilter(&window);
  QCoreApplication::processEvents();
  window.Paints = 0;
  QElapsedTimer timer;
  timer.start();
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY | MCI_WAIT), 0u);
  EXPECT_GE(timer.elapsed(), 450);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 10u);
  EXPECT_GE(window.ChildPaints, 8);
  EXPECT_EQ(window.Paints, 0);
  EXPECT_TRUE(Sink.Codes.empty());  // posted, not yet dispatched
  Drain();
  EXPECT_EQ(Sink.Codes, std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL});
  QImage shot = window.grab().toImage();
  EXPECT_NE(shot.pixel(2, 2), QColor(Qt::black).rgb());
  // Detached or closed, the picture goes.
  parms.Window = nullptr;
  ASSERT_EQ(Send(id, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, parms), 0u);
  EXPECT_TRUE(window.findChildren<QWidget*>().isEmpty());
}

TEST(NullLayerTest, OpensByTypeAloneAndRefusesEveryFile) {
  auto layer = CreateNullMediaLayer();
  TMciParms parms;
  parms.DeviceType = "WaveAudio";
  ASSERT_EQ(layer->SendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE, parms), 0u);
  EXPECT_EQ(parms.DeviceID, 1);
  parms.ElementName = Sample("u8_mono.wav");
  uint32_t error = layer->SendCommand(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, parms);
  EXPECT_NE(error, 0u);
  std::string text;
  EXPECT_TRUE(layer->GetErrorString(error, text));
}

}  // namespace
