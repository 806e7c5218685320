// SPDX-License-Identifier: GPL-3.0-or-later
// Media figures as ratios within one run: decode speed of each sample codec as a multiple of real time, and
// the share of one core the GUI thread spends while a movie plays and the thread polls as the script's waits
// do.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <ctime>
#include <vector>

#include "controls/movie.h"
#include "media/media_layer.h"
#include "media/decoder.h"

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
