// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of presenting the 640x480 picture enlarged, as a ratio to a plain 640x480 copy measured in the same
// run: a whole changed frame at 1920x1080 and 3840x2160 (integer and aspect fit), one small change (a 32x32
// area, about what the board's reveal or a slide band changes), and a round of the event loop in which
// nothing changed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "app/stage_presenter.h"
#include "bench/ratio_reporter.h"

namespace {

using namespace orbel::app;

QImage Noise(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) line[x] = 0xFF000000u | ((seed = seed * 1664525u + 1013904223u) >> 8);
  }
  return image;
}

// Stands for the picture view: paints its image, as the view paints its surface.
class TStage : public QWidget {
 public:
  TStage() : Picture(Noise(640, 480)) { resize(640, 480); }
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, Picture);
  }
  QImage Picture;
};

struct TFixture {
  TFixture(QSize screen, TFit fit) : Stage(new TStage), Target(screen, QImage::Format_RGB32) {
    Presenter.resize(screen);
    Presenter.SetFit(fit, 0);
    Presenter.Attach(Stage);
    QApplication::processEvents();
  }
  ~TFixture() { delete Presenter.Release(); }
  // One change of the stage as the event loop delivers it, then the presenter's paint of what it covers.
  void Present(const QRect& change) {
    Stage->update(change);
    QApplication::processEvents();
    Presenter.render(&Target, QPoint(), QRegion(Presenter.ScreenAreaOf(change)),
                     QWidget::DrawWindowBackground);
  }
  TStagePresenter Presenter;
  TStage* Stage;
  QImage Target;
};

void PlainCopy(benchmark::State& state) {
  const QImage source = Noise(640, 480);
  QImage target(640, 480, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    painter.drawImage(0, 0, source);
    benchmark::DoNotOptimize(target.bits());
  }
}

void WholeFrame(benchmark::State& state, int width, int height, TFit fit) {
  TFixture fixture(QSize(width, height), fit);
  for (auto _ : state) fixture.Present(QRect(0, 0, 640, 480));
}

void SmallChange(benchmark::State& state, int width, int height) {
  TFixture fixture(QSize(width, height), ftInteger);
  for (auto _ : state) fixture.Present(QRect(300, 200, 32, 32));
}

void NothingChanged(benchmark::State& state) {
  TFixture fixture(QSize(3840, 2160), ftInteger);
  for (auto _ : state) QApplication::processEvents();
}

BENCHMARK(PlainCopy)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeFrame, integer_1920x1080, 1920, 1080, ftInteger)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeFrame, integer_3840x2160, 3840, 2160, ftInteger)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeFrame, aspect_1920x1080, 1920, 1080, ftAspect)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(WholeFrame, aspect_3840x2160, 3840, 2160, ftAspect)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(SmallChange, integer_3840x2160, 3840, 2160)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(NothingChanged)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  return orbel::bench::RunWithRatios(argc, argv, "PlainCopy", "a plain 640x480 copy (QPainter)");
}
