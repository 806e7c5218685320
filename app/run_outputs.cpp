// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/run_outputs.h"

#include <cstdio>

#include "app/engine_run.h"
#include "app/game_export.h"
#include "app/game_saves.h"
#include "app/screen_view.h"
#include "game/save_file.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "screen/bitmap_file.h"

namespace orbel::app {

namespace {

bool WriteBitmap(const QImage& picture, const std::string& path) {
  if (screen::SaveBitmapFile(picture, path)) return true;
  std::fprintf(stderr, "orbel: %s\n",
               platform::Tr("Run", "cannot write %1").Arg(platform::FileNameToUtf8(path)).Str().c_str());
  return false;
}

}  // namespace

TRunOutputs::TRunOutputs(const TOptions& options, const TGameSaves* saves)
    : RecordFolder(options.Record),
      SaveScreen(options.SaveScreen),
      Grab(options.Grab),
      SaveOnExit(options.SaveOnExit),
      Saves(saves) {}

TRunOutputs::~TRunOutputs() = default;

void TRunOutputs::SetExport(std::unique_ptr<TGameExport> exporter) {
  Export = std::move(exporter);
  // A failed write is noticed deep inside the clock's advance; the run ends once that has returned.
  Export->Begin([this] { return View->GrabPresented(); },
                [this] { return Run ? static_cast<int>(Run->Interpreter().NextLine) : 0; },
                [this] {
                  QMetaObject::invokeMethod(
                      &Context,
                      [this] {
                        if (Run) Run->FinishProgram(esError);
                      },
                      Qt::QueuedConnection);
                });
}

// Anything painted on the stage (a tick's frame, a system repaint, a step of the board's reveal, a movie's
// frame, a control shown or hidden) may change the window's picture. The picture is read once the paint is
// over: from the event loop, or right after a frame a waiting play painted without it.
void TRunOutputs::RecordSoon() {
  if (!Recording() || RecordPending) return;
  RecordPending = true;
  QMetaObject::invokeMethod(
      &Context, [this] { FlushRecordFrame(); }, Qt::QueuedConnection);
}

void TRunOutputs::FlushRecordFrame() {
  if (!RecordPending) return;
  RecordPending = false;
  WriteRecordFrame();
}

// The picture is composed as --grab composes it, and written only when it differs from the last one written:
// several paints of one change, or a repaint that restores what was there, give no new frame. A replay's
// pictures are nobody's.
void TRunOutputs::WriteRecordFrame() {
  if (!Recording() || !Run || !View || Run->Closing() || Run->Replaying() || !Run->Screen().HasBuffers())
    return;
  const QImage shown = View->GrabPresented();
  // Before the window has its size, there is no whole picture yet.
  if (shown.size() != QSize(screen::kScreenWidth, screen::kScreenHeight)) return;
  if (LastRecorded.isNull()) {
    // The start: a black screen, the board and the movies hidden. It is no change, so it is not written.
    LastRecorded = QImage(shown.size(), shown.format());
    LastRecorded.fill(Qt::black);
  }
  if (shown == LastRecorded) return;
  LastRecorded = shown;
  char name[32];
  std::snprintf(name, sizeof name, "/%06d.bmp", ++RecordFrame);
  WriteBitmap(shown, RecordFolder + name);
}

void TRunOutputs::WriteAtExit(int& exitStatus) {
  if (!Run) return;
  bool written = true;
  FlushRecordFrame();
  if (!SaveOnExit.empty()) try {
      if (Run->ScriptSha256().empty())
        throw game::ESaveError(
            platform::Tr("Saves", "the save %1 cannot be written: the game's script was never read")
                .Arg(platform::FileNameToUtf8(SaveOnExit)));
      game::WriteSaveFile(Run->CurrentSave(), SaveOnExit);
    } catch (const game::ESaveError& problem) {
      std::fprintf(stderr, "orbel: %s\n", problem.what());
      written = false;
    }
  KeepPosition();
  Run->Screen().Settle();
  if (!SaveScreen.empty()) written = WriteBitmap(Run->Screen().ScreenBuffer, SaveScreen) && written;
  if (!Grab.empty() && View) written = WriteBitmap(View->GrabPresented(), Grab) && written;
  if (!written) exitStatus = esFailure;
  if (!Export) return;
  try {
    Export->Finish();
    if (exitStatus == esResting || exitStatus == esQuitAfter) exitStatus = esOk;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orbel: %s\n", error.what());
    exitStatus = esError;
  }
  Export.reset();
}

// A failed automatic save costs the player only the offer to continue; the run's status stays as it was. A
// run closed before it went past its start (while the player was asked whether to continue, or right after a
// load) keeps the saves there are.
void TRunOutputs::KeepPosition() {
  if (!Saves || !Run || Kept || !Run->HasOwnPosition()) return;
  Kept = true;
  KeepProblemValue.clear();
  try {
    Saves->KeepAutoSave(Run->CurrentSave());
  } catch (const game::ESaveError& problem) {
    std::fprintf(stderr, "orbel: %s\n", problem.what());
    KeepProblemValue = problem.what();
  }
}

}  // namespace orbel::app
