#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// --export-video: a game played on the virtual clock, written as a video. Each moment the clock moves on,
// the pictures of the output frames that fell into the time just passed are the window's picture as it
// stood (everything due before had happened, nothing due after yet), and the sound is what the mixer gave
// the speakers meanwhile. A progress line goes to standard error while it runs on a terminal, a summary line
// when it ends.

#include <QImage>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/options.h"

namespace orbel::media {
class TVideoExport;
}

namespace orbel::app {

class TGameExport {
 public:
  // Opens the file the options name (media::EVideoExportError, naming it, when it cannot be written).
  explicit TGameExport(const TOptions& options);
  ~TGameExport();
  TGameExport(const TGameExport&) = delete;
  TGameExport& operator=(const TGameExport&) = delete;

  // From now on, as virtual time passes: `grab` gives the window's 640x480 picture, `line` the script's
  // line for the progress report (counted from 1).
  void Begin(std::function<QImage()> grab, std::function<int()> line);
  // The run ended at the clock's present moment: its last pictures, then the file is completed and named.
  // Throws media::EVideoExportError when the file cannot be completed.
  void Finish();

 private:
  void Advanced(int64_t nowMs);
  void AddFramesBefore(int64_t endMs);
  void Report(bool last);

  std::string Path;
  int FramesPerSecond = 60;
  std::unique_ptr<media::TVideoExport> Export;
  std::function<QImage()> Grab;
  std::function<int()> Line;
  int ObserverKey = 0;
  int64_t NextFrame = 0;  // the number of the next picture to write
  std::chrono::steady_clock::time_point Started;
  std::chrono::steady_clock::time_point LastReport;
  bool Terminal = false;
};

}  // namespace orbel::app
