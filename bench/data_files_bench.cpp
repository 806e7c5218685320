// SPDX-License-Identifier: GPL-3.0-or-later
// The data-file lookup in a large game: a Data folder of 2,000 files with Japanese names stored in UTF-8. A
// name the script gives in Shift-JIS bytes never matches exactly there, so each lookup reads and compares the
// whole folder; its cost is set against loading the 640x480 picture that such a lookup usually precedes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/data_files.h"
#include "bench/ratio_reporter.h"
#include "platform/text_codec.h"
#include "screen/bitmap_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;

struct TGame {
  TGame() {
    char pattern[] = "/tmp/orbel-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
      std::perror("data_files_bench: cannot make a temporary folder");
      std::exit(EXIT_FAILURE);
    }
    Root = pattern;
    fs::create_directories(Root + "/Data");
    for (int i = 0; i < kFiles; ++i) std::ofstream(Root + "/Data/背景" + std::to_string(i) + ".bmp") << "x";
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    orbel::screen::SaveBitmapFile(picture, Root + "/Data/絵.bmp");
  }
  ~TGame() { fs::remove_all(Root); }
  std::string Root;
};

TGame& Game() {
  static TGame game;
  return game;
}

void Lookup(benchmark::State& state, const std::string& name) {
  const std::string& root = Game().Root;
  for (auto _ : state) benchmark::DoNotOptimize(orbel::game::FindDataFileIn(root, name));
}

void BM_LookupExactBytes(benchmark::State& state) {
  Lookup(state, "背景1999.bmp");
}
void BM_LookupShiftJisNameOfUtf8File(benchmark::State& state) {
  Lookup(state, orbel::platform::EncodeSjis(QStringLiteral("背景1999.BMP")));
}
void BM_LookupMissingName(benchmark::State& state) {
  Lookup(state, orbel::platform::EncodeSjis(QStringLiteral("無い.bmp")));
}
void BM_LoadPicture(benchmark::State& state) {
  const std::string path = Game().Root + "/Data/絵.bmp";
  for (auto _ : state) benchmark::DoNotOptimize(orbel::screen::LoadBitmapFile(path));
}

BENCHMARK(BM_LookupExactBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupShiftJisNameOfUtf8File)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupMissingName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadPicture)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return orbel::bench::RunWithRatios(argc, argv, "BM_LoadPicture", "loading the 640x480 picture");
}
