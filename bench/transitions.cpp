// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one transition frame of each kind and of each background mode, as a ratio to a plain 640x480
// copy measured in the same run. The ratios (of CPU time, which other processes on a shared machine disturb
// less than wall time) are printed after the table.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <string>

#include "bench/ratio_reporter.h"
#include "screen/dissolve_brush.h"
#include "screen/raster.h"
#include "screen/screen.h"

namespace {

using namespace orbel::screen;
using enum orbel::screen::TStageMode;
using enum orbel::screen::TTransitionKind;

class TNullHost : public IScreenHost {
 public:
  std::string FindDataFile(const std::string&) override { return {}; }
  void PostStep() override {}
  void SurfaceChanged(const QRect&) override {}
};

QImage Noise(int w, int h, uint32_t seed) {
  QImage image(w, h, kRasterFormat);
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      line[x] = 0xFF000000u | (seed >> 8);
    }
  }
  return image;
}

struct TFixture {
  TNullHost Host;
  TScreen Screen{Host};
  TFixture() {
    Screen.CreateBuffers();
    Screen.SetBrushImage(MakeBrushImage());
    Screen.SetWall(Noise(260, 100, 3));
    Screen.StageBuffer = Noise(kScreenWidth, kScreenHeight, 1);
    BitBlt(Screen.ScreenBuffer, {0, 0}, Noise(kScreenWidth, kScreenHeight, 2), QRect(0, 0, 640, 480),
           roSrcCopy);
  }
};

void PlainCopy(benchmark::State& state) {
  const QImage source = Noise(kScreenWidth, kScreenHeight, 1);
  QImage dest = Noise(kScreenWidth, kScreenHeight, 2);
  for (auto _ : state) {
    BitBlt(dest, {0, 0}, source, source.rect(), roSrcCopy);
    benchmark::DoNotOptimize(dest.constBits());
    benchmark::ClobberMemory();
  }
}

// The same copy through QPainter, for comparison with a straightforward Qt drawing layer.
void PainterCopy(benchmark::State& state) {
  const QImage source = Noise(kScreenWidth, kScreenHeight, 1);
  QImage dest = Noise(kScreenWidth, kScreenHeight, 2);
  for (auto _ : state) {
    QPainter painter(&dest);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, source);
    painter.end();
    benchmark::ClobberMemory();
  }
}

// Mean frame of whole effects, the finishing frame included.
void EffectFrame(benchmark::State& state, TTransitionKind kind) {
  TFixture f;
  for (auto _ : state) {
    if (f.Screen.TransitionKind == tkNone) f.Screen.TransitionKind = kind;
    f.Screen.ETimerTimer();
    benchmark::ClobberMemory();
  }
}

// One frame at a fixed step, the effect never finishing.
void FrameAtStep(benchmark::State& state, TTransitionKind kind, int step) {
  TFixture f;
  for (auto _ : state) {
    f.Screen.TransitionKind = kind;
    f.Screen.TransitionStep = step;
    f.Screen.ETimerTimer();
    benchmark::ClobberMemory();
  }
}

// A whole effect from its first frame to its end, drawn frame by frame or deferred as in a replay.
void WholeEffect(benchmark::State& state, TTransitionKind kind, bool deferred) {
  TFixture f;
  f.Screen.DeferFrames(deferred);
  for (auto _ : state) {
    f.Screen.TransitionKind = kind;
    while (f.Screen.TransitionKind != tkNone) f.Screen.ETimerTimer();
    benchmark::ClobberMemory();
  }
}

void PrepareStage(benchmark::State& state, TStageMode mode) {
  TFixture f;
  for (auto _ : state) {
    f.Screen.PrepareStage(mode);
    benchmark::ClobberMemory();
  }
}

BENCHMARK(PlainCopy)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(PainterCopy)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(EffectFrame, box_mean, tkBox)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(FrameAtStep, box_last, tkBox, 29)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(FrameAtStep, dissolve, tkDissolve, 6)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(FrameAtStep, dissolve_last, tkDissolve, 16)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(EffectFrame, slide_mean, tkSlide)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(FrameAtStep, slide_first, tkSlide, 0)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(FrameAtStep, slide_last, tkSlide, 79)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(EffectFrame, cut, tkCut)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeEffect, box_drawn, tkBox, false)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeEffect, box_deferred, tkBox, true)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeEffect, dissolve_drawn, tkDissolve, false)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeEffect, dissolve_deferred, tkDissolve, true)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(PrepareStage, mode0_wall, smWall)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(PrepareStage, mode1_black, smBlack)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(PrepareStage, mode2_white, smWhite)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(PrepareStage, mode3_screen, smScreen)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  return orbel::bench::RunWithRatios(argc, argv, "PlainCopy", "a plain 640x480 copy (row by row memcpy)",
                                     "PainterCopy");
}
