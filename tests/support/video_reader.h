#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a video file back with FFmpeg, for the tests that judge what the export wrote: every picture as RGB32
// with its time, and the sound as interleaved stereo floats.

#include <QImage>
#include <cstddef>
#include <string>
#include <vector>

namespace orbel::tests {

// Everything the tests look at in a written file.
struct TDecoded {
  std::string VideoCodec, AudioCodec;
  int Width = 0, Height = 0;
  std::vector<QImage> Frames;  // RGB32
  std::vector<double> FrameSeconds;
  double VideoEnd = 0;       // the last picture's end: its time plus its duration
  double Duration = 0;       // the file's, as the container gives it
  std::vector<float> Sound;  // interleaved stereo, -1..1
  double SoundStart = 0;
};

TDecoded Decode(const std::string& path);

// Compares without the alpha byte, which neither pixel format of the file keeps.
bool SamePixels(const QImage& a, const QImage& b);

// The root mean square of the sound frames [from, to) (stereo frames, both channels).
double Rms(const std::vector<float>& sound, size_t from, size_t to);

}  // namespace orbel::tests
