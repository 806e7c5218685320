#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TRunOutputs: what the window writes of the runs it shows: --record's frames as they change, the video of
// --export-video, and at the close --save-on-exit, --save-screen and --grab; and, in a run a person watches,
// the automatic save of the position a run leaves. The window owns them; they follow the run it shows now, so
// a recording and an export go on over a load.

#include <QImage>
#include <QObject>
#include <memory>
#include <string>

#include "app/options.h"

namespace orbel::app {

class TEngineRun;
class TGameExport;
class TGameSaves;
class TScreenView;

class TRunOutputs {
 public:
  // `saves`: where the automatic save goes, none in a run nobody watches.
  TRunOutputs(const TOptions& options, const TGameSaves* saves);
  ~TRunOutputs();

  // The window's picture, and the run the window shows from now on.
  void SetView(TScreenView* view) { View = view; }
  void Follow(TEngineRun* run) {
    Run = run;
    Kept = false;
  }

  // --record: something painted on the stage, and the window's picture is recorded once the paint is over.
  bool Recording() const { return !RecordFolder.empty(); }
  void RecordSoon();
  // Records now what is waiting to be recorded (a frame painted outside the event loop).
  void FlushRecordFrame();

  // --export-video: from now on the game's pictures and sound go to `exporter`, completed at the close.
  void SetExport(std::unique_ptr<TGameExport> exporter);

  // The window closes: --save-on-exit, the automatic save, --save-screen, --grab and the export, from the
  // run as it ends. `exitStatus` becomes 1 when an output the command line asked for could not be written
  // (each says why); an export's status is its file's: a complete video is a success whatever ended the
  // game (its end, a rest, a loop, --quit-after), one that could not be completed an error.
  void WriteAtExit(int& exitStatus);
  // The run leaves its position (the window closes, or a load ends it): a run the player has taken past
  // where it started is kept as the newest automatic save.
  void KeepPosition();
  // Why the last automatic save could not be written (empty when it was, or was not due): the window tells
  // the player before it goes.
  const std::string& KeepProblem() const { return KeepProblemValue; }

 private:
  void WriteRecordFrame();

  const std::string RecordFolder, SaveScreen, Grab, SaveOnExit;
  TScreenView* View = nullptr;
  const TGameSaves* const Saves;
  TEngineRun* Run = nullptr;
  bool Kept = false;  // the run's position is kept already
  std::string KeepProblemValue;
  QObject Context;  // for the queued record
  bool RecordPending = false;
  QImage LastRecorded;  // the picture --record wrote last
  int RecordFrame = 0;
  std::unique_ptr<TGameExport> Export;
};

}  // namespace orbel::app
