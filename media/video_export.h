#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the engine's pictures and mixed sound to a video file (--export-video). The caller runs the game on
// a clock of its own and hands over, in step, the 640x480 picture of each output frame and the sound mixed
// meanwhile; the file's timing comes from the counts alone: picture k shows at k / FramesPerSecond seconds,
// sound frame k plays at k / MixRate seconds.
//
// The container follows the file's extension: .mkv holds H.264 and FLAC, .mp4 H.264 and AAC, .webm VP9 and
// Opus; a lossless export is FFV1 (RGB, so every pixel comes back as it went in) and FLAC, in .mkv only.
//
// Everything that can be refused is refused by the constructor, before a game starts: the extension, the
// settings, the encoders this FFmpeg lacks, a folder that is missing or not writable. The file grows under a
// temporary name beside the target and takes the target's name only in Finish, so an export that ends any
// other way (an error, a closed window, a signal) leaves whatever was at the target untouched. The temporary
// file of an export that was killed outright is removed by the next export to the same target.

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/errors.h"

namespace orbel::media {

// Every refusal and every failure while writing; the text names the file (as a person reads its name) and
// the reason.
class EVideoExportError : public EOrbelError {
 public:
  using EOrbelError::EOrbelError;
};

struct TVideoExportSettings {
  int Scale = 1;             // each picture pixel becomes a Scale x Scale block: 1 .. TVideoExport::MaxScale
  int FramesPerSecond = 60;  // 1 .. TVideoExport::MaxFramesPerSecond
  bool Lossless = false;     // FFV1 and FLAC; needs a .mkv file
};

class TVideoExport {
 public:
  static constexpr int PictureWidth = 640, PictureHeight = 480;
  static constexpr int MaxScale = 8;
  static constexpr int MaxFramesPerSecond = 240;

  // Checks everything, creates the temporary file and writes the container's header. path is taken byte for
  // byte. Throws EVideoExportError.
  TVideoExport(const std::string& path, const TVideoExportSettings& settings = {});
  // Without Finish, removes the temporary file.
  ~TVideoExport();
  TVideoExport(const TVideoExport&) = delete;
  TVideoExport& operator=(const TVideoExport&) = delete;

  // Appends the next picture: 640x480, any QImage format (RGB32, ARGB32 and RGB888 are usual; alpha is
  // ignored). Throws EVideoExportError for another size or a failed write.
  void AddFrame(const QImage& picture);
  // Appends count frames of interleaved signed 16-bit stereo sound at MixRate (media/decoder.h). Give sound
  // and pictures alternately: the file interleaves them, so one running far ahead of the other is held in
  // memory until the other catches up.
  void AddSound(const int16_t* frames, size_t count);
  // Encodes what is buffered, completes the file and gives it the target's name. Nothing may be added after.
  void Finish();

  int64_t FrameCount() const;       // pictures added
  int64_t SoundFrameCount() const;  // sound frames added
  // The file's size so far: what has been encoded, some of which the container may still hold in memory.
  int64_t Bytes() const;
  // What of it is in the file already.
  int64_t BytesOnDisk() const;
  // The bytes still free to a user on the file system the file is written to; none when it cannot say.
  std::optional<int64_t> FreeBytes() const;

 private:
  struct TState;
  std::unique_ptr<TState> State;
};

}  // namespace orbel::media
