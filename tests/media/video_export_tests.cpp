// SPDX-License-Identifier: GPL-3.0-or-later
// The video export, judged by reading its files back with FFmpeg: the lossless file must give back every
// pixel and every sound sample at the right instant, the compressed ones must probe as their codecs and look
// roughly right, and every refusal must name the file and leave nothing behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <string>
#include <vector>

#include "media/decoder.h"
#include "media/video_export.h"
#include "tests/support/video_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

using orbel::media::MixRate;
using orbel::media::TVideoExport;
using orbel::media::TVideoExportSettings;
using orbel::tests::Decode;
using orbel::tests::Rms;
using orbel::tests::SamePixels;
using orbel::tests::TDecoded;

namespace {

constexpr int W = TVideoExport::PictureWidth, H = TVideoExport::PictureHeight;
constexpr int Fps = 60;
constexpr int SoundPerFrame = MixRate / Fps;

// A picture unlike every other frame's in each pixel's neighbourhood, so a swapped row, channel or frame
// shows.
QImage Pattern(int k) {
  QImage image(W, H, QImage::Format_RGB32);
  for (int y = 0; y < H; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < W; ++x)
      row[x] = qRgb((x + 7 * k) & 255, (y + 13 * k) & 255, ((x ^ y) + 50 * k) & 255);
  }
  return image;
}

// Left half one colour, right half another: what a lossy codec must keep roughly.
QImage Halves(QRgb left, QRgb right) {
  QImage image(W, H, QImage::Format_RGB32);
  image.fill(left);
  for (int y = 0; y < H; ++y) std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + W / 2, W / 2, right);
  return image;
}

// Interleaved stereo: a 1 kHz tone at half scale from sample `from` up to `to`, silence elsewhere.
std::vector<int16_t> ToneBetween(int total, int from, int to) {
  std::vector<int16_t> sound(size_t(total) * 2, 0);
  for (int i = from; i < to; ++i)
    sound[size_t(i) * 2] = sound[size_t(i) * 2 + 1] =
        int16_t(std::lround(16384 * std::sin(2 * M_PI * 1000 * (i - from) / MixRate)));
  return sound;
}

bool Near(QRgb got, QRgb want, int tolerance) {
  return std::abs(qRed(got) - qRed(want)) <= tolerance && std::abs(qGreen(got) - qGreen(want)) <= tolerance &&
         std::abs(qBlue(got) - qBlue(want)) <= tolerance;
}

class VideoExportTest : public testing::Test {
 protected:
  QTemporaryDir Dir;
  std::string File(const std::string& name) const { return Dir.path().toStdString() + "/" + name; }
  QStringList Entries() const {
    return QDir(Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
  }
};

// The encoders the three containers and the lossless export need come with this system's FFmpeg.
TEST(VideoExportEncoders, EveryContainersEncodersArePresent) {
  for (const char* name : {"libx264", "libvpx-vp9", "libopus", "aac", "flac", "ffv1"})
    EXPECT_NE(avcodec_find_encoder_by_name(name), nullptr) << name;
}

// Twelve pictures, the tone from the instant of picture 6 to that of picture 9, sound ending before the last
// picture: the file gives back each pixel and sample, at its time, and lasts as long as its pictures.
TEST_F(VideoExportTest, LosslessFileGivesBackEveryPixelAndSampleInStep) {
  constexpr int frames = 12, toneFrom = 6, toneTo = 9;
  constexpr int soundTotal = 9000;  // 0.1875 s: the file's length must come from the pictures
  const std::vector<int16_t> sound =
      ToneBetween(soundTotal, toneFrom * SoundPerFrame, toneTo * SoundPerFrame);
  const std::string path = File("lossless.mkv");
  {
    TVideoExport exporter(path, TVideoExportSettings{.Lossless = true});
    for (int k = 0; k < frames; ++k) {
      exporter.AddFrame(Pattern(k));
      const int from = k * SoundPerFrame, count = std::clamp(soundTotal - from, 0, SoundPerFrame);
      exporter.AddSound(sound.data() + size_t(from) * 2, size_t(count));
    }
    EXPECT_EQ(exporter.FrameCount(), frames);
    EXPECT_EQ(exporter.SoundFrameCount(), soundTotal);
    exporter.Finish();
  }
  EXPECT_EQ(Entries(), QStringList{"lossless.mkv"});

  const TDecoded file = Decode(path);
  EXPECT_EQ(file.VideoCodec, "ffv1");
  EXPECT_EQ(file.AudioCodec, "flac");
  EXPECT_EQ(file.Width, W);
  EXPECT_EQ(file.Height, H);
  ASSERT_EQ(file.Frames.size(), size_t(frames));
  for (int k = 0; k < frames; ++k) {
    EXPECT_TRUE(SamePixels(file.Frames[k], Pattern(k))) << "picture " << k;
    EXPECT_NEAR(file.FrameSeconds[k], double(k) / Fps, 0.001) << "picture " << k;
  }
  // Matroska keeps whole milliseconds.
  EXPECT_NEAR(file.VideoEnd, double(frames) / Fps, 0.002);
  EXPECT_NEAR(file.Duration, double(frames) / Fps, 0.002);

  ASSERT_EQ(file.Sound.size(), sound.size());
  size_t differing = 0;
  for (size_t i = 0; i < sound.size(); ++i) differing += file.Sound[i] * 32768.0f != float(sound[i]);
  EXPECT_EQ(differing, 0u);
  EXPECT_GT(Rms(file.Sound, toneFrom * SoundPerFrame, toneTo * SoundPerFrame), 0.3);
  EXPECT_EQ(Rms(file.Sound, 0, toneFrom * SoundPerFrame), 0.0);
  EXPECT_EQ(Rms(file.Sound, toneTo * SoundPerFrame, soundTotal), 0.0);

  // In step: the tone's first sample plays within one frame of the picture it was mixed with.
  size_t onset = 0;
  while (onset < file.Sound.size() && file.Sound[onset] == 0) ++onset;
  const double toneSeconds = file.SoundStart + double(onset / 2) / MixRate;
  EXPECT_LT(std::abs(toneSeconds - file.FrameSeconds[toneFrom]), 1.0 / Fps);
}

// Scale 2 turns each pixel into an exact 2x2 block; other QImage formats give the same pixels as RGB32.
TEST_F(VideoExportTest, LosslessScaleGivesSharpBlocksFromEveryPictureFormat) {
  const QImage source = Pattern(3);
  const std::string path = File("scaled.mkv");
  {
    TVideoExport exporter(path, TVideoExportSettings{.Scale = 2, .Lossless = true});
    exporter.AddFrame(source);
    exporter.AddFrame(source.convertToFormat(QImage::Format_RGB888));
    exporter.AddFrame(source.convertToFormat(QImage::Format_ARGB32));
    exporter.AddFrame(source.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    exporter.Finish();
  }
  const TDecoded file = Decode(path);
  ASSERT_EQ(file.Frames.size(), 4u);
  EXPECT_EQ(file.Width, 2 * W);
  EXPECT_EQ(file.Height, 2 * H);
  const QImage blocks = source.scaled(2 * W, 2 * H);  // nearest neighbour at a whole factor
  for (size_t n = 0; n < file.Frames.size(); ++n)
    EXPECT_TRUE(SamePixels(file.Frames[n], blocks)) << "picture " << n;
}

struct TLossyCase {
  const char* Name;
  const char* VideoCodec;
  const char* AudioCodec;
};

class LossyExportTest : public VideoExportTest, public testing::WithParamInterface<TLossyCase> {};

// Ten pictures turning from red|blue to green|white halfway, where a tone starts: the file probes as its
// codecs, keeps the colours roughly, the tone's loudness and its start with the picture that changed, and
// lasts as long as its pictures.
TEST_P(LossyExportTest, ProbesAsItsCodecsAndKeepsColoursAndSound) {
  const TLossyCase& c = GetParam();
  constexpr int frames = 10;
  const QImage first = Halves(qRgb(220, 30, 30), qRgb(30, 30, 220));
  const QImage second = Halves(qRgb(30, 200, 30), qRgb(240, 240, 240));
  constexpr int change = frames / 2, soundTotal = frames * SoundPerFrame;
  const std::vector<int16_t> sound = ToneBetween(soundTotal, change * SoundPerFrame, soundTotal);
  const std::string path = File(c.Name);
  {
    TVideoExport exporter(path);
    for (int k = 0; k < frames; ++k) {
      exporter.AddFrame(k < change ? first : second);
      exporter.AddSound(sound.data() + size_t(k) * SoundPerFrame * 2, SoundPerFrame);
    }
    exporter.Finish();
  }
  EXPECT_EQ(Entries(), QStringList{c.Name});
  const TDecoded file = Decode(path);
  EXPECT_EQ(file.VideoCodec, c.VideoCodec);
  EXPECT_EQ(file.AudioCodec, c.AudioCodec);
  EXPECT_EQ(file.Width, W);
  EXPECT_EQ(file.Height, H);
  ASSERT_EQ(file.Frames.size(), size_t(frames));
  for (int k : {0, change - 1, change, frames - 1}) {
    const QImage& want = k < change ? first : second;
    for (QPoint at : {QPoint(W / 4, H / 2), QPoint(3 * W / 4, H / 2)})
      EXPECT_TRUE(Near(file.Frames[k].pixel(at), want.pixel(at), 16))
          << "picture " << k << " at " << at.x() << "," << at.y() << ": " << std::hex
          << file.Frames[k].pixel(at);
  }
  EXPECT_NEAR(file.VideoEnd, double(frames) / Fps, 0.002);
  EXPECT_NEAR(file.Duration, double(frames) / Fps, 0.03);
  // Half scale is an RMS of about 0.35. Lossy coding smears a start over a few milliseconds, so the windows
  // keep 10 ms from it and from the end.
  const size_t margin = MixRate / 100, onsetSample = size_t(change) * SoundPerFrame;
  EXPECT_LT(Rms(file.Sound, margin, onsetSample - margin), 0.02);
  EXPECT_NEAR(Rms(file.Sound, onsetSample + margin, soundTotal - margin), 0.35, 0.05);
  size_t onset = 0;
  while (onset < file.Sound.size() && std::abs(file.Sound[onset]) < 0.1f) ++onset;
  const double toneSeconds = file.SoundStart + double(onset / 2) / MixRate;
  EXPECT_LT(std::abs(toneSeconds - file.FrameSeconds[change]), 1.0 / Fps) << toneSeconds;
}

INSTANTIATE_TEST_SUITE_P(Containers, LossyExportTest,
                         testing::Values(TLossyCase{"h264.mp4", "h264", "aac"},
                                         TLossyCase{"vp9.webm", "vp9", "opus"},
                                         TLossyCase{"h264.mkv", "h264", "flac"}),
                         [](const auto& info) {
                           return std::string(info.param.VideoCodec) + "_" + info.param.AudioCodec;
                         });

// Each refusal comes from the constructor, names the file as a person reads it and the reason, and creates
// nothing.
TEST_F(VideoExportTest, RefusalsNameTheFileAndReasonAndLeaveNothing) {
  const auto refusal = [](const std::string& path, TVideoExportSettings settings = {}) -> std::string {
    try {
      TVideoExport exporter(path, settings);
    } catch (const orbel::EOrbelError& error) {
      return error.what();
    }
    return "(accepted)";
  };
  const auto expectRefusal = [&](const std::string& path, TVideoExportSettings settings,
                                 const std::string& shown, const std::string& reason) {
    const std::string text = refusal(path, settings);
    EXPECT_NE(text.find(shown), std::string::npos) << text;
    EXPECT_NE(text.find(reason), std::string::npos) << text;
  };
  expectRefusal(File("out.avi"), {}, "out.avi", "unknown extension '.avi'");
  expectRefusal(File("out"), {}, "/out:", "no extension");
  expectRefusal(File("dotted.folder/out"), {}, "dotted.folder/out", "no extension");
  expectRefusal(File("out.mp4"), {.Lossless = true}, "out.mp4", ".mkv only");
  expectRefusal(File("out.webm"), {.Lossless = true}, "out.webm", ".mkv only");
  expectRefusal(File("missing/out.mkv"), {}, "missing/out.mkv",
                "folder " + File("missing") + " does not exist");
  expectRefusal(File("out.mkv"), {.Scale = 9}, "out.mkv", "scale");
  expectRefusal(File("out.mkv"), {.Scale = 0}, "out.mkv", "scale");
  expectRefusal(File("out.mkv"), {.FramesPerSecond = 0}, "out.mkv", "frame rate");
  // A name in code page 932, as copied from a disc, reads as its Japanese.
  expectRefusal(File("\x83\x65\x83\x58\x83\x67.avi"), {}, "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.avi",
                "unknown");
  EXPECT_TRUE(Entries().isEmpty()) << Entries().join(" ").toStdString();

  ASSERT_TRUE(QDir(Dir.path()).mkdir("folder.mkv"));
  expectRefusal(File("folder.mkv"), {}, "folder.mkv", "it is a folder");
  QFile plain(QString::fromStdString(File("plain")));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  expectRefusal(File("plain/out.mkv"), {}, "plain/out.mkv", "is not a folder");
  if (geteuid() != 0) {  // the superuser writes anywhere
    ASSERT_TRUE(QDir(Dir.path()).mkdir("locked"));
    QFile::setPermissions(QString::fromStdString(File("locked")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    expectRefusal(File("locked/out.mkv"), {}, "locked/out.mkv", "is not writable");
    EXPECT_TRUE(QDir(QString::fromStdString(File("locked"))).isEmpty());
  }
  EXPECT_EQ(Entries().filter(".part").size(), 0);
}

// An export that ends without Finish leaves the target as it was and no temporary file; one that finishes
// replaces the target and takes no more.
TEST_F(VideoExportTest, OnlyAFinishedExportReachesTheTarget) {
  const std::string path = File("out.mkv");
  QFile old(QString::fromStdString(path));
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old");
  old.close();
  const std::vector<int16_t> sound = ToneBetween(SoundPerFrame, 0, SoundPerFrame);
  {
    TVideoExport exporter(path);
    EXPECT_EQ(Entries().size(), 2);  // the target and the file being written
    for (int k = 0; k < 3; ++k) {
      exporter.AddFrame(Pattern(k));
      exporter.AddSound(sound.data(), SoundPerFrame);
    }
  }
  EXPECT_EQ(Entries(), QStringList{"out.mkv"});
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "old");
  old.close();

  TVideoExport exporter(path);
  // A picture of the wrong size is refused without ending the export.
  EXPECT_THROW(exporter.AddFrame(QImage(320, 240, QImage::Format_RGB32)), orbel::EOrbelError);
  exporter.AddFrame(Pattern(0));
  exporter.AddSound(sound.data(), SoundPerFrame);
  exporter.Finish();
  EXPECT_THROW(exporter.AddFrame(Pattern(1)), orbel::EOrbelError);
  EXPECT_THROW(exporter.Finish(), orbel::EOrbelError);
  EXPECT_EQ(Entries(), QStringList{"out.mkv"});
  EXPECT_EQ(Decode(path).Frames.size(), 1u);
}

// A temporary file that no export holds was left by one that was killed: the next export of the same target
// removes it. One that a running export holds, and the files of other targets, stay.
TEST_F(VideoExportTest, StaleTemporaryFilesOfTheSameTargetGo) {
  const auto make = [&](const std::string& name) {
    QFile file(QString::fromStdString(File(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("half a video");
  };
  make("out.mkv.0a1b2c.part");
  make("out.mkv.notes.part");
  make("other.mkv.0a1b2c.part");
  const std::vector<int16_t> sound = ToneBetween(SoundPerFrame, 0, SoundPerFrame);
  {
    TVideoExport running(File("out.mkv"));
    ASSERT_EQ(Entries().filter(QRegularExpression("^out\\.mkv\\.[0-9a-f]{6}\\.part$")).size(), 1);
    const QString held = Entries().filter(QRegularExpression("^out\\.mkv\\.[0-9a-f]{6}\\.part$")).front();
    TVideoExport second(File("out.mkv"));
    EXPECT_TRUE(Entries().contains(held));
    for (TVideoExport* exporter : {&running, &second}) {
      exporter->AddFrame(Pattern(0));
      exporter->AddSound(sound.data(), SoundPerFrame);
    }
    second.Finish();
    EXPECT_GT(second.Bytes(), 1000);
    EXPECT_EQ(second.BytesOnDisk(), QFileInfo(QString::fromStdString(File("out.mkv"))).size());
  }
  EXPECT_EQ(Entries(), (QStringList{"other.mkv.0a1b2c.part", "out.mkv", "out.mkv.notes.part"}));
}

}  // namespace
