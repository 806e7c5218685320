#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TEngineRun: the run of one game, apart from the window that shows it. It owns the picture buffers and the
// interpreter, posts and runs the script's steps, dispatches events while the script waits, reads the
// engine's time, drives the movies and the wave channel for the script, writes --record, --grab and
// --save-screen, and ends a batch run. The window owns the controls and hands them over once it has made
// them.

#include <QImage>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/loop_watch.h"
#include "app/options.h"
#include "app/save_game.h"
#include "app/text_history.h"
#include "game/save_file.h"
#include "platform/engine_clock.h"
#include "screen/screen.h"
#include "script/interpreter.h"
#include "translation/board_translation.h"

class QLabel;
class QTimer;
class QWidget;

namespace orbel::controls {
class TBoard;
class TMovie;
class TWaveChannel;
}  // namespace orbel::controls

namespace orbel::app {

// The window's tick, ETimer: a transition draws one frame a tick.
inline constexpr int kTimerIntervalMs = 50;

class TGameExport;
class TScreenView;

class TEngineRun : public QObject, private script::IScriptHost, private screen::IScreenHost {
 public:
  // `window` is the engine window: what a finished run closes. The window owns the run.
  TEngineRun(const TOptions& options, QWidget* window);
  ~TEngineRun() override;

  // The window's controls the run drives, made by the window before its start-up runs.
  struct TControls {
    TScreenView* View = nullptr;
    controls::TBoard* MsgBoard = nullptr;
    controls::TMovie* Movie0 = nullptr;
    controls::TMovie* Movie1 = nullptr;
    controls::TWaveChannel* PCM = nullptr;
    QLabel* StatusPanel = nullptr;  // the step's status text
  };
  void Attach(const TControls& controls);

  screen::TScreen& Screen() { return ScreenValue; }
  const screen::TScreen& Screen() const { return ScreenValue; }
  script::TInterpreter& Interpreter() { return InterpreterValue; }

  // Start-up's part of the run: the picture buffers with the wallpaper, then the script (the game's, or the
  // built-in one when the game has none). Raises the "cannot open" and "too large" errors for the script.
  void CreateBuffers();
  void LoadScript();
  // Start-up failed before the script could run: a batch run then ends as an error, not as the script's end.
  void SetStartUpFailed() { StartUpFailed = true; }
  // The board shows the catalogue's translations of the loaded script's texts from now on.
  void SetTranslation(std::shared_ptr<const translation::TCatalogue> catalogue) {
    Translation = translation::TBoardTranslation(std::move(catalogue), InterpreterValue.ScriptLines);
  }

  // Queues the next step (WM_SCRIPTSTEP), unless the run is closing.
  void PostStep() override;
  bool Closing() override { return ClosingValue; }
  bool Closing() const { return ClosingValue; }

  // One tick of the window's 50 ms timer: a transition frame, then the batch end check.
  void Tick();
  // The script can post no further step on its own: none queued, no transition, no wait, no reveal.
  bool Settled() const;
  // Ends the program with the given exit status (the window's close handling runs as for any close).
  void FinishProgram(int exitStatus);
  int ExitStatus() const { return ExitStatusValue; }

  // The window is closing: the last picture is recorded, the exit outputs written, and nothing is started
  // any more. Release then stops the media and frees the script and the buffers.
  void BeginClose();
  void Release();
  // Why the automatic save could not be written at the close (empty when it was, or was not due): the window
  // tells the player before it goes.
  const std::string& AutoSaveProblem() const { return AutoSaveProblemValue; }

  // Called when a script step has started a transition, which the window's tick then draws.
  std::function<void()> OnTransitionStarted;
  // Called with each text the script puts on the board, as shown, when the player sees it (never in a
  // replay): for the programs that read the game's texts.
  std::function<void(const QStringList& shown)> OnBoardText;
  // The board's texts so far with their instants; a replay rebuilds it.
  const TTextHistory& TextHistory() const { return History; }

  // --export-video: from now on the game's pictures and sound go to `exporter`, which is completed when the
  // run closes.
  void SetExport(std::unique_ptr<TGameExport> exporter);

  // Something painted on the stage: the window's picture is recorded once the paint is over.
  void RecordSoon();
  // Records now what is waiting to be recorded (a frame painted outside the event loop).
  void FlushRecordFrame();
  bool Recording() const { return !Options.Record.empty(); }

  std::string FindDataFile(const std::string& name) override;

  // The window system's pending events: at once in real time, every few milliseconds of the wall clock on
  // the virtual clock.
  static void ProcessWindowEvents();

  // Where the run starts; call it before the first step. A replay runs the game on the virtual clock,
  // writing no trace and no frames, up to the start point; the run then goes on from there.
  void StartAt(const TStartPoint& start);
  // The window's tick falls due every kTimerIntervalMs from this moment of engine time.
  void SetTickGrid(int64_t originMs) { TickGridOriginMs = originMs; }
  // Posts the script's first step: at once, or for a replay of a save on the place of the tick's grid where
  // the saved run's first step fell, so that its ticks fall on the same moments of the game.
  void PostFirstStep();
  // Starts the game with a replay up to `start` when the run has been going in real time without a step
  // (the player was asked first): the clock goes over to virtual time, the first step runs as in a run
  // loaded from the save, and the game is replayed from there.
  void ReplayFrom(const TStartPoint& start);
  // Moves virtual time on until the run closes or the clock goes over to real time (a replay that reached
  // its start point): what is due now runs, then time jumps to the next due moment.
  void RunVirtualTime();
  bool Replaying() const { return Replay.has_value(); }
  // The identity of the script the run loaded (empty before LoadScript).
  const std::string& ScriptSha256() const { return ScriptSha256Value; }
  // The latest moment virtual time may move to when asked for `wantedMs`: a replay stops at its instant.
  // Reaching the instant ends the replay (the clock may then have gone over to real time).
  int64_t VirtualLimitMs(int64_t wantedMs);

  // Where the game is now, as a save names it: the instant, the line, the board's first line and the picture.
  game::TSave CurrentSave() const;
  // A player's run writes its position here when it closes (docs/saves.md); automated runs never do, and a
  // run that closes before its replay reached the saved instant has no position of its own to keep.
  void SetAutoSavePath(const std::string& path) { AutoSavePath = path; }

  // One reason for the game to stand still for the player (the pause key, a dialog, the history, a text
  // being read): the clock stands still, the movies and the sound pause, until the last hold goes. Empty when
  // the clock cannot stand still (a replay, a --fast run: nobody to wait for).
  platform::TClockHold Hold();
  bool Paused() const { return platform::EngineClock().IsPaused(); }
  // The fast-forward key, held: the game runs on the virtual clock as fast as the window can show it, in
  // slices of game time between repaints, and goes back to real time on release. False when the clock cannot.
  bool StartFastForward();
  void StopFastForward();
  bool FastForwarding() const { return FastForwardTimer != nullptr; }

 protected:
  bool event(QEvent* event) override;

 private:
  // Fast-forward: every frame of the display (about 60 a second) lets the game run this much further, some 20
  // times real speed, so the player still sees where it is going and lets go of the key in time.
  static constexpr int kFastForwardFrameMs = 16;
  static constexpr int64_t kFastForwardSliceMs = 320;

  // IScriptHost
  void SetStatusLine(const std::string& text) override;
  std::string DecodeText(std::string_view bytes) override;
  void PrepareStage(script::TStageMode mode) override;
  void DispPicture(const std::string& fileName, int32_t mode, int32_t kind) override;
  void TransPicture(const std::string& fileName, int32_t kind) override;
  void BoardClear() override;
  void BoardSetVisible(bool visible) override;
  void BoardSetText(int32_t line, const script::TStringList& lines) override;
  script::IScriptMedia& LogoMovie() override;
  script::IScriptMedia& ScriptMovie() override;
  script::IScriptMedia& WaveChannel() override;
  void DispatchPending() override;
  void WaitForEvents(int ms) override;
  uint32_t TickCount() override;

  // IScreenHost
  void SurfaceChanged(const QRect& area) override;

  void TransitionStarted();
  void CheckBatchEnd();
  // Loops on the virtual clock (run_position.cpp): a run the player does not watch ends where its game comes
  // back to a moment it has been at, since it would play the same round for ever; a replay up to a line
  // learns there that the line never runs. A replay up to a save's instant goes on: time reaches it.
  bool WatchesLoops() const;
  bool CameBackAround();
  void EndWithoutTime();
  void EndAsLineNeverRuns();
  // On the virtual clock: notes when time moves, for the guard against a script that never waits and for a
  // replay whose instant time has passed.
  void WatchVirtualTime();
  void EndReplay();
  void ContinueInRealTime();
  void WriteSaveOnExit();
  void WriteAutoSave();
  void FastForwardSlice();
  void WriteRecordFrame();
  void WriteExitOutputs();
  void FinishExport();

  TOptions Options;
  QWidget* const Window;
  TControls Controls;
  screen::TScreen ScreenValue;
  script::TInterpreter InterpreterValue;
  std::unique_ptr<script::IScriptMedia> Movie0Adapter, Movie1Adapter, PCMAdapter;
  std::vector<std::string> ScriptMemo;  // the built-in script
  int PendingSteps = 0;
  bool ClosingValue = false;
  bool StartUpFailed = false;
  bool RecordPending = false;
  QImage LastRecorded;  // the picture --record wrote last
  int RecordFrame = 0;
  int ExitStatusValue = esOk;
  std::unique_ptr<TGameExport> Export;
  // On the virtual clock: the steps run since time last moved. A script that never waits would run for ever
  // at one moment, where real time would at least have let --quit-after end it.
  int64_t StepsWithoutTime = 0;
  int ClockObserver = 0;
  // The steps run since the start, and the line (from 0) the latest of them ran: a save's instant and line.
  // The instant's time counts from OriginMs, the engine time the first step ran at (RunTimeMs).
  int64_t StepsRun = 0;
  int64_t OriginMs = 0;
  int64_t TickGridOriginMs = 0;
  std::unique_ptr<platform::TEngineTimer> FirstStepTimer;
  int64_t RunTimeMs() const { return platform::EngineClock().NowMs() - OriginMs; }
  int32_t LatestLine = 0;
  TLoopWatch Loops;
  // The latest step that ran a line before the one run just before it (a jump back): where a loop closes.
  struct TBackMove {
    int32_t From = 0, To = 0;
  } BackMove;
  // What a replay runs up to: an instant, or the first step of a line.
  std::optional<TStartPoint> Replay;
  std::string ScriptSha256Value;               // the identity of the script that was loaded
  translation::TBoardTranslation Translation;  // what the board shows for the script's texts
  TTextHistory History;
  std::string AutoSavePath;
  std::string AutoSaveProblemValue;
  // The board holds the script's text, not the sample text it starts with.
  bool BoardTextFromScript = false;
  // While fast-forwarding: virtual time runs up to this moment, then waits for the next slice.
  int64_t FastForwardLimitMs = 0;
  std::unique_ptr<QTimer> FastForwardTimer;
  bool SliceQueued = false;  // a slice waits to run at rest
  int WaitDepth = 0;         // the script's waits in progress, nested
};

}  // namespace orbel::app
