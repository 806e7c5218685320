#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Sound played faster or slower at its own pitch: FFmpeg's atempo filter over interleaved signed 16-bit
// stereo at MixRate. The game's speed plays every stream through one of these, so that a voice at twice the
// pace still sounds like the same voice.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orbel::media {

class TTempoFilter {
 public:
  // tempo: 0.25 to 4 (clamped). A filter the library cannot build is not Valid and passes nothing.
  explicit TTempoFilter(double tempo);
  ~TTempoFilter();
  TTempoFilter(const TTempoFilter&) = delete;
  TTempoFilter& operator=(const TTempoFilter&) = delete;

  bool Valid() const { return Graph != nullptr; }
  double Tempo() const { return TempoValue; }
  // Feeds `frames` stereo frames; what the filter gives back for them waits for Pull.
  void Push(const int16_t* data, size_t frames);
  // Takes up to `frames` stereo frames of the filtered sound into `out`; returns how many it took.
  size_t Pull(int16_t* out, size_t frames);
  // Filtered frames waiting to be pulled.
  size_t Available() const { return (Output.size() - OutputStart) / 2; }

 private:
  struct TGraph;
  void Drain();

  double TempoValue = 1.0;
  std::unique_ptr<TGraph> Graph;
  int64_t FedFrames = 0;  // the input's time stamps count its frames
  std::vector<int16_t> Output;
  size_t OutputStart = 0;
};

}  // namespace orbel::media
