// SPDX-License-Identifier: GPL-3.0-or-later
// Media figures as ratios within one run: decode speed of each sample codec as a multiple of real time, the
// share of one core the GUI thread spends while a movie plays and the thread polls as the script's waits do,
// and the video export's speed as a multiple of real time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include "controls/movie.h"
#include "media/decoder.h"
#include "media/media_layer.h"
#include "media/video_export.h"

namespace {

using namespace orbel::media;

const char* const Samples[] = {"cinepak_pcm.avi",   "msvideo1_ima.avi", "raw24.avi",   "pal8.avi",
                               "msrle_palette.avi", "raw8_palette.avi", "u8_mono.wav", "s16_stereo.wav",
                               "ima_adpcm.wav",     "ms_adpcm.wav"};

// The source tree, from this file's own path (the build passes absolute paths).
std::string SourceDir() {
  std::string file = __FILE__;
  return file.substr(0, file.rfind("/bench/"));
}

std::string Sample(const char* name) {
  return SourceDir() + "/tests/data/media/" + name;
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

void BM_DecodeSample(benchmark::State& state) {
  const char* name = Samples[state.range(0)];
  state.SetLabel(name);
  bool video = std::string(name).ends_with(".avi");
  double mediaSeconds = 0;
  double wallSeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    orbel::media::TMediaDecoder decoder;
    decoder.Open(Sample(name), video);
    decoder.Scan();
    orbel::media::TVideoFrame frame;
    std::vector<int16_t> samples;
    while (true) {
      orbel::media::TDecodeItem item = decoder.Next(frame, samples);
      if (item == orbel::media::TDecodeItem::End || item == orbel::media::TDecodeItem::Error) break;
      benchmark::DoNotOptimize(samples.data());
    }
    wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mediaSeconds += decoder.Info().LengthSeconds;
  }
  state.counters["x_realtime"] = mediaSeconds / wallSeconds;
}
BENCHMARK(BM_DecodeSample)->DenseRange(0, std::size(Samples) - 1)->Unit(benchmark::kMicrosecond);

// One movie played through the control while the GUI thread polls Mode every 10 ms and dispatches events.
void BM_GuiThreadWhileMoviePlays(benchmark::State& state) {
  auto layer = CreateMediaLayer();
  QWidget window;
  window.resize(640, 480);
  orbel::controls::TMovie movie(*layer, &window);
  movie.setGeometry(40, 40, 560, 315);
  window.show();
  movie.SetFileName(SourceDir() + "/demo/Data/M05.AVI");
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    movie.Open();
    double cpuStart = ThreadCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    movie.Play();
    while (movie.Mode() == orbel::controls::mpPlaying) {
      QApplication::processEvents();
      QThread::msleep(10);
    }
    cpu += ThreadCpuSeconds() - cpuStart;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["gui_cpu_share"] = cpu / wall;
}
BENCHMARK(BM_GuiThreadWhileMoviePlays)->Iterations(2)->Unit(benchmark::kMillisecond);

struct TExportCase {
  const char* Name;
  TVideoExportSettings Settings;
};

const TExportCase ExportCases[] = {
    {"h264_flac.mkv", {}},
    {"h264_aac.mp4", {}},
    {"vp9_opus.webm", {}},
    {"lossless.mkv", {.Lossless = true}},
    {"h264_flac_x2.mkv", {.Scale = 2}},
};

// One second at 60 frames per second: a dissolve between the demo's two backgrounds, so every picture
// differs from the last as in a transition (a still picture costs the encoders far less), with a 1 kHz tone.
void BM_ExportOneSecond(benchmark::State& state) {
  const TExportCase& c = ExportCases[state.range(0)];
  state.SetLabel(c.Name);
  const QImage from(QString::fromStdString(SourceDir() + "/demo/Data/BG01.bmp"));
  const QImage to(QString::fromStdString(SourceDir() + "/demo/Data/BG02.bmp"));
  constexpr int fps = 60, soundPerFrame = MixRate / fps;
  std::vector<QImage> pictures;
  for (int k = 0; k < fps; ++k) {
    QImage picture = from.convertToFormat(QImage::Format_RGB32)
                         .scaled(TVideoExport::PictureWidth, TVideoExport::PictureHeight);
    QPainter painter(&picture);
    painter.setOpacity(double(k) / fps);
    painter.drawImage(picture.rect(), to);
    pictures.push_back(picture);
  }
  std::vector<int16_t> sound(size_t(soundPerFrame) * 2);
  QTemporaryDir dir;
  const std::string path = dir.path().toStdString() + "/" + c.Name;
  double mediaSeconds = 0, wallSeconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    TVideoExport exporter(path, c.Settings);
    for (int k = 0; k < fps; ++k) {
      for (int i = 0; i < soundPerFrame; ++i)
        sound[size_t(i) * 2] = sound[size_t(i) * 2 + 1] =
            int16_t(8000 * std::sin(2 * M_PI * 1000 * (k * soundPerFrame + i) / MixRate));
      exporter.AddFrame(pictures[size_t(k)]);
      exporter.AddSound(sound.data(), size_t(soundPerFrame));
    }
    exporter.Finish();
    wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mediaSeconds += 1;
  }
  state.counters["x_realtime"] = mediaSeconds / wallSeconds;
}
BENCHMARK(BM_ExportOneSecond)
    ->DenseRange(0, std::size(ExportCases) - 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
