#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TEngineRun: one run of the game, from its first step to its end, apart from the window that shows it. It
// owns the picture buffers and the interpreter, posts and runs the script's steps, dispatches events while
// the script waits, drives the movies and the wave channel for the script and ends a batch run. Its time is
// its TRunTimeline's. A run ends when the window closes or when a load asks for another in its place: every
// wait of the script returns, no step runs any more, and once nothing of it is on the stack the window is
// told (OnEnded) and makes the next run. The window owns the controls and hands them to each run.

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/game_info.h"
#include "app/loop_watch.h"
#include "app/options.h"
#include "app/run_timeline.h"
#include "app/save_game.h"
#include "app/text_history.h"
#include "game/save_file.h"
#include "media/media_layer.h"
#include "platform/engine_clock.h"
#include "screen/screen.h"
#include "script/interpreter.h"
#include "translation/board_translation.h"

class QLabel;

namespace orbel::controls {
class TBoard;
class TMovie;
class TWaveChannel;
}  // namespace orbel::controls

namespace orbel::app {

// The window's tick, ETimer: a transition draws one frame a tick.
inline constexpr int kTimerIntervalMs = 50;

class TRunOutputs;
class TScreenView;

class TEngineRun : public QObject, private script::IScriptHost, private screen::IScreenHost {
 public:
  // The run of `game`; the window's tick falls due every kTimerIntervalMs from `tickGridOriginMs`, and its
  // pictures go to `outputs`. The window owns the run.
  TEngineRun(const TOptions& options, const TGameInfo& game, int64_t tickGridOriginMs, TRunOutputs& outputs);
  ~TEngineRun() override;

  // The window's controls the run drives, made by the window before its first run.
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
  TRunTimeline& Timeline() { return TimelineValue; }
  const TRunTimeline& Timeline() const { return TimelineValue; }

  // The run's start: the picture buffers with the wallpaper, then the script. Raises the "cannot open" and
  // "too large" errors for the script.
  void CreateBuffers();
  void LoadScript();
  // Start-up failed before the script could run: a batch run then ends as an error, not as the script's end.
  void SetStartUpFailed() { StartUpFailed = true; }
  // The board shows the catalogue's translations of the loaded script's texts from now on.
  void SetTranslation(std::shared_ptr<const translation::TCatalogue> catalogue) {
    Translation = translation::TBoardTranslation(std::move(catalogue), InterpreterValue.ScriptLines);
  }

  // Queues the next step (WM_SCRIPTSTEP), unless the run is ending.
  void PostStep() override;
  // The run is ending (the window closes, or a load takes its place): waits return, steps do nothing.
  bool Closing() override { return ClosingValue; }
  bool Closing() const { return ClosingValue; }
  // Ends the run. OnEnded is called once nothing of the run is on the stack (at once when nothing is).
  void End();
  // Something of the run is on the stack: a step, the virtual clock's loop or a fast-forward slice.
  bool Active() const { return ActiveDepth > 0; }
  // Stops the media and frees the script and the buffers of a run that has ended.
  void Release();
  // The movies and sounds a replay only followed catch up with it (the window's close reads the pictures).
  void CatchUpMedia() { ReplayMedia.reset(); }

  // One tick of the window's 50 ms timer: a transition frame, then the replay's and the batch's end checks.
  void Tick();
  // The script can post no further step on its own: none queued, no transition, no wait, no reveal.
  bool Settled() const;
  // Ends the program with the given exit status, through OnFinish (the window closes).
  void FinishProgram(int exitStatus);

  // What the window hears from the run.
  std::function<void()> OnTransitionStarted;  // a step started a transition, which the tick then draws
  std::function<void(int exitStatus)> OnFinish;
  std::function<void()> OnEnded;        // called from the run's last frame: the window takes it up later
  std::function<void()> OnReplayEnded;  // the replay has reached its start point
  std::function<void(const std::string& why)> OnRefused;  // the replay cannot reach it
  // Each text the script puts on the board, as shown, once the player's time has come (never in a replay).
  std::function<void(const QStringList& shown)> OnBoardText;

  // The board's texts so far with their instants; a replay rebuilds it.
  const TTextHistory& TextHistory() const { return History; }

  std::string FindDataFile(const std::string& name) override;

  // The window system's pending events: at once in real time, every few milliseconds of the wall clock on
  // the virtual clock.
  static void ProcessWindowEvents();

  // Where the run starts; call it before the first step. A replay runs the game on the virtual clock,
  // writing no trace and no frames, up to the start point; the run then goes on from there.
  void StartAt(const TStartPoint& start);
  // Posts the script's first step: at once, or for a replay of a save on the place of the tick's grid where
  // the saved run's first step fell, so that its ticks fall on the same moments of the game.
  void PostFirstStep();
  // Moves virtual time on until the run ends or the clock goes over to real time (a replay that reached its
  // start point): what is due now runs, then time jumps to the next due moment.
  void RunVirtualTime();
  // The run is replaying towards its start point; EndReplay is where it arrives.
  bool Replaying() const { return TimelineValue.Replaying(); }
  const std::string& ScriptSha256() const { return Game.ScriptSha256; }

  // Where the game is now, as a save names it: the instant, the line, the board's first line and the picture.
  game::TSave CurrentSave() const;
  // The run has gone on past where it started (a step of its own): it has a position worth keeping.
  bool HasOwnPosition() const;

  // The keys' hold on the run's time (TRunTimeline), stopped once the run ends.
  bool SetPaused(bool paused) { return TimelineValue.SetPaused(paused); }
  bool Paused() const { return TimelineValue.Paused(); }
  bool StartFastForward() { return !ClosingValue && TimelineValue.StartFastForward(); }
  void StopFastForward() { TimelineValue.StopFastForward(); }
  bool FastForwarding() const { return TimelineValue.FastForwarding(); }

 protected:
  bool event(QEvent* event) override;

 private:
  // Holds the run while it runs something that may dispatch events (a step, the virtual clock's loop, a
  // fast-forward slice); the last to leave tells the window of an ended run, so the window never replaces a
  // run that a frame further up still uses.
  class TActive {
   public:
    explicit TActive(TEngineRun& run) : Run(run) { ++Run.ActiveDepth; }
    ~TActive() {
      if (--Run.ActiveDepth == 0 && Run.ClosingValue) Run.Left();
    }
    TActive(const TActive&) = delete;
    TActive& operator=(const TActive&) = delete;

   private:
    TEngineRun& Run;
  };

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
  // The replay has reached its start point: the pictures are shown again and the clock is the player's.
  void EndReplay();
  // Loops on the virtual clock (run_loops.cpp): a run the player does not watch ends where its game comes
  // back to a moment it has been at, since it would play the same round for ever; a replay up to a line
  // learns there that the line never runs. A replay up to a save's instant goes on: time reaches it.
  bool WatchesLoops() const;
  bool CameBackAround();
  void EndWithoutTime();
  void Refused(const std::string& why);
  void FastForwardSlice();
  void Left();

  const TOptions& Options;
  const TGameInfo& Game;
  TRunOutputs& Outputs;
  TControls Controls;
  screen::TScreen ScreenValue;
  script::TInterpreter InterpreterValue;
  TRunTimeline TimelineValue;
  std::unique_ptr<script::IScriptMedia> Movie0Adapter, Movie1Adapter, PCMAdapter;
  int PendingSteps = 0;
  bool ClosingValue = false;
  bool StartUpFailed = false;
  // The line (from 0) the latest step ran: a save's line.
  int32_t LatestLine = 0;
  // The steps run when the replay reached the start point: the run's own position lies beyond.
  int64_t StartSteps = 0;
  std::unique_ptr<platform::TEngineTimer> FirstStepTimer;
  TLoopWatch Loops;
  // The latest step that ran a line before the one run just before it (a jump back): where a loop closes.
  struct TBackMove {
    int32_t From = 0, To = 0;
  } BackMove;
  std::optional<media::TReplayScope> ReplayMedia;  // the movies and sounds nobody sees meanwhile
  translation::TBoardTranslation Translation;      // what the board shows for the script's texts
  TTextHistory History;
  // The board holds the script's text, not the sample text it starts with.
  bool BoardTextFromScript = false;
  bool SliceQueued = false;  // a fast-forward slice waits to run at rest
  int WaitDepth = 0;         // the script's waits in progress, nested
  int ActiveDepth = 0;       // TActive holds
  bool EndedTold = false;
  bool StartReached = true;  // the replay to the start point, if any, has arrived
};

}  // namespace orbel::app
