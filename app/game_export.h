#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// --export-video: a game played on the virtual clock, written as a video. Each moment the clock moves on,
// the pictures of the output frames that fell into the time just passed are the window's picture as it
// stood (everything due before had happened, nothing due after yet), and the sound is what the mixer gave
// the speakers meanwhile. A progress line goes to standard error while it runs on a terminal, a summary line
// when it ends.
//
// The file's size is watched against the room its file system has left: a lossless export bounded by
// --quit-after stops as soon as its size so far says the whole would not fit, and any export stops while a
// few seconds' worth of room is still free. A failed write or such a stop ends the export without a file.

#include <QImage>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/options.h"

namespace orbel::media {
class TVideoExport;
}

namespace orbel::app {

// How an export's file grows against the room its file system has.
struct TExportRoom {
  int64_t GameMs = 0;            // the game time exported so far
  int64_t Bytes = 0;             // the file's size so far
  int64_t BytesOnDisk = 0;       // of which written to the file system already
  int64_t FreeBytes = 0;         // still free there
  std::optional<int64_t> EndMs;  // where the export ends at the latest (--quit-after)
  bool Lossless = false;
};
// Why the export must stop before it fills its file system (a text for after "cannot export video to
// FILE: "); none while it may go on.
std::optional<std::string> RoomShortfall(const TExportRoom& room);
// A size as people read it: "812 kB", "3.1 MB", "49 GB".
std::string SizeText(int64_t bytes);

class TGameExport {
 public:
  // Opens the file the options name (media::EVideoExportError, naming it, when it cannot be written).
  explicit TGameExport(const TOptions& options);
  ~TGameExport();
  TGameExport(const TGameExport&) = delete;
  TGameExport& operator=(const TGameExport&) = delete;

  // From now on, as virtual time passes: `grab` gives the window's 640x480 picture, `line` the script's
  // line for the progress report (counted from 1). `failed` is called once when the export cannot go on (a
  // write failed, the file system is nearly full); it is called from inside the clock's advance, so it
  // should only arrange for the run to end. Nothing is written after that.
  void Begin(std::function<QImage()> grab, std::function<int()> line, std::function<void()> failed);
  // The run ended at the clock's present moment: its last pictures, then the file is completed and named.
  // Throws media::EVideoExportError when the file cannot be completed or the export failed before; the
  // temporary file is then removed when this is destroyed.
  void Finish();

 private:
  void Advanced(int64_t nowMs);
  void AddFramesBefore(int64_t endMs);
  void CheckRoom(int64_t nowMs);
  // Runs what writes to the file; an error it raises ends the export.
  template <class TWrite>
  void Guarded(TWrite write);
  void Report(bool last);

  std::string Path;
  int FramesPerSecond = 60;
  std::unique_ptr<media::TVideoExport> Export;
  std::function<QImage()> Grab;
  std::function<int()> Line;
  std::function<void()> Failed;
  std::optional<std::string> Failure;  // the error that ended the export
  std::optional<int64_t> EndMs;
  bool Lossless = false;
  int64_t RoomCheckedMs = 0;
  int ObserverKey = 0;
  int64_t NextFrame = 0;  // the number of the next picture to write
  std::chrono::steady_clock::time_point Started;
  std::chrono::steady_clock::time_point LastReport;
  bool Terminal = false;
};

}  // namespace orbel::app
