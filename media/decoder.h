#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Demuxing and decoding of one movie or sound file with FFmpeg, for one thread at a time. Files are
// recognised by their content only, and only the AVI and RIFF wave containers are accepted: a probe must
// never lead to playlists or other files.

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orbel::media {

// Sound leaves the decoder in the mixer's format: interleaved signed 16-bit stereo at this rate.
constexpr int MixRate = 48000;

struct TMediaInfo {
  bool HasVideo = false;
  bool HasAudio = false;
  int Width = 0, Height = 0;
  double FrameRate = 0;       // video frames per second
  int64_t FrameCount = 0;     // video frames, from the packets actually present
  double AudioSeconds = 0;    // sound duration, from the packets actually present
  double LengthSeconds = 0;   // the whole: the video's length when there is video, else the sound's
  int SampleRate = 0;         // of the file's sound, for sample positions
  double BytesPerSecond = 0;  // of the file's sound, for byte positions
};

struct TVideoFrame {
  QImage Image;  // Format_RGB32, native size; null when only timed (TMediaDecoder::SetPictures)
  double Seconds = 0;
  size_t Bytes = 0;  // the picture's size in memory, also when it was not made
  int64_t Item = 0;  // its place among the items handed out since the file was opened (set by the player)
};

enum class TDecodeItem { Video, Audio, End, Error };

class TMediaDecoder {
 public:
  TMediaDecoder();
  ~TMediaDecoder();
  TMediaDecoder(const TMediaDecoder&) = delete;
  TMediaDecoder& operator=(const TMediaDecoder&) = delete;

  // Opens path; wantVideo selects the movie device (an AVI with a video stream), otherwise the sound of a
  // wave (or AVI) file is used. Returns 0 or an MCIERR_ code; fills Info's stream fields but not the lengths.
  uint32_t Open(const std::string& path, bool wantVideo);
  // Reads every packet once to measure the lengths (a header may lie), then decodes the start to prove the
  // codecs work, and rewinds by reopening. Returns 0 or an MCIERR_ code. A file scanned before in this
  // process and unchanged since (the same file, size and times) is not read again.
  uint32_t Scan();
  const TMediaInfo& Info() const { return InfoValue; }

  // Decodes the next item: a video frame into frame, or a block of sound appended to samples (cleared first).
  TDecodeItem Next(TVideoFrame& frame, std::vector<int16_t>& samples);
  // Whether Next makes the pictures (the default) or only times them: a frame then comes with its time and
  // size and a null image, and fails where making it would fail.
  void SetPictures(bool make) { MakePictures = make; }
  // The picture of the latest frame handed out without one; null when there is none.
  QImage LastPicture() const;

 private:
  struct TState;
  void Release();
  // Proves the main stream decodes by decoding its start, then rewinds by reopening.
  uint32_t ProveDecodes(bool hasVideo);
  std::string Path;
  bool WantVideo = false;
  bool MakePictures = true;
  std::unique_ptr<TState> State;
  TMediaInfo InfoValue;
};

}  // namespace orbel::media
