// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/engine_run.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

#include "app/orbel_application.h"
#include "app/run_outputs.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "controls/wave_channel.h"
#include "game/data_files.h"
#include "platform/engine_clock.h"
#include "platform/events.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

// The program's stored data is compiled into this library; a static library must register it itself.
static void InitResources() {
  Q_INIT_RESOURCE(resources);
}

namespace orbel::app {

namespace {

QImage ResourceImage(const QString& path) {
  QFile file(path);
  if (!file.exists()) return {};
  return QImage(path, "BMP");
}

// The script's stage modes and effects are the picture side's, number for number; they become one another
// here and nowhere else.
static_assert(int(script::smWall) == int(screen::smWall) && int(script::smBlack) == int(screen::smBlack) &&
              int(script::smWhite) == int(screen::smWhite) && int(script::smScreen) == int(screen::smScreen));
static_assert(int(script::tkNone) == int(screen::tkNone) && int(script::tkBox) == int(screen::tkBox) &&
              int(script::tkDissolve) == int(screen::tkDissolve) &&
              int(script::tkSlide) == int(screen::tkSlide) && int(script::tkCut) == int(screen::tkCut));
screen::TStageMode ToScreen(script::TStageMode mode) {
  return static_cast<screen::TStageMode>(mode);
}
screen::TTransitionKind ToScreen(script::TTransitionKind kind) {
  return static_cast<screen::TTransitionKind>(kind);
}
template <class TScript>
auto ToScreen(std::optional<TScript> value) -> std::optional<decltype(ToScreen(*value))> {
  if (!value) return std::nullopt;
  return ToScreen(*value);
}

// The modes pass through as they are: both sides count them in the same order.
static_assert(int(script::mmNotReady) == controls::mpNotReady &&
              int(script::mmStopped) == controls::mpStopped &&
              int(script::mmPlaying) == controls::mpPlaying &&
              int(script::mmRecording) == controls::mpRecording &&
              int(script::mmSeeking) == controls::mpSeeking && int(script::mmPaused) == controls::mpPaused &&
              int(script::mmOpen) == controls::mpOpen);

// A movie control or the wave channel as the interpreter sees it: the one layer between the script's media
// interface and the controls' device commands.
class TMediaAdapter : public script::IScriptMedia {
 public:
  // A movie control is also the window to show and hide; the wave channel has none.
  explicit TMediaAdapter(controls::TMciDevice& device)
      : Device(device), Window(dynamic_cast<QWidget*>(&device)) {}

  uint16_t DeviceID() override { return Device.DeviceID(); }
  script::TMediaMode Mode() override { return script::TMediaMode(Device.Mode()); }
  int32_t Position() override { return Device.Position(); }
  void SetFileName(const std::string& path) override { Device.SetFileName(path); }
  void Open() override { Device.Open(); }
  void Close() override { Device.Close(); }
  void Play() override { Device.Play(); }
  void Stop() override { Device.Stop(); }
  void WaitOnce(bool wait) override { Device.WaitOnce(wait); }
  void SetVisible(bool visible) override {
    if (Window) Window->setVisible(visible);
  }

 private:
  controls::TMciDevice& Device;
  QWidget* const Window;
};

}  // namespace

TEngineRun::TEngineRun(const TOptions& options, const TGameInfo& game, int64_t tickGridOriginMs,
                       TRunOutputs& outputs)
    : Options(options),
      Game(game),
      Outputs(outputs),
      ScreenValue(*this),
      InterpreterValue(*this),
      TimelineValue(tickGridOriginMs, options.Fast) {
  InitResources();
  TimelineValue.OnReplayReached = [this] { EndReplay(); };
  TimelineValue.OnReplayRefused = [this](const std::string& why) { Refused(why); };
  TimelineValue.OnFastForwardFrame = [this] { FastForwardSlice(); };
}

TEngineRun::~TEngineRun() = default;

void TEngineRun::Attach(const TControls& controls) {
  Controls = controls;
  Movie0Adapter = std::make_unique<TMediaAdapter>(*Controls.Movie0);
  Movie1Adapter = std::make_unique<TMediaAdapter>(*Controls.Movie1);
  PCMAdapter = std::make_unique<TMediaAdapter>(*Controls.PCM);
}

void TEngineRun::CreateBuffers() {
  ScreenValue.CreateBuffers();
  ScreenValue.SetWall(ResourceImage(QStringLiteral(":/orbel/wall.bmp")));
}

void TEngineRun::LoadScript() {
  Game.RequireScript();
  InterpreterValue.LoadScript(Game.ScriptBytes);
}

std::string TEngineRun::FindDataFile(const std::string& name) {
  return game::FindDataFile(name);
}

bool TEngineRun::event(QEvent* event) {
  if (event->type() == platform::WM_SCRIPTSTEP) {
    --PendingSteps;
    if (ClosingValue) return true;
    const TActive active(*this);
    switch (TimelineValue.BeforeStep(InterpreterValue.NextLine)) {
      case TRunTimeline::svRunsWithoutTime:
        EndWithoutTime();
        return true;
      case TRunTimeline::svRefused:
        return true;
      case TRunTimeline::svRun:
        break;
    }
    if (TimelineValue.StepsRun() > 0 && InterpreterValue.NextLine <= LatestLine)
      BackMove = {LatestLine, InterpreterValue.NextLine};
    if (CameBackAround()) return true;
    TimelineValue.StepStarts();
    if (!InterpreterValue.Ended()) LatestLine = InterpreterValue.NextLine;
    InterpreterValue.Step();
    return true;
  }
  return QObject::event(event);
}

void TEngineRun::PostStep() {
  if (ClosingValue) return;
  ++PendingSteps;
  QCoreApplication::postEvent(this, new QEvent(platform::WM_SCRIPTSTEP));
}

void TEngineRun::SetStatusLine(const std::string& text) {
  Controls.StatusPanel->setText(platform::DecodeScriptText(text));
  // The replayed steps were traced by the run that made the save.
  if (Options.Trace && !Replaying()) {
    const std::string utf8 = platform::ScriptTextToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}

std::string TEngineRun::DecodeText(std::string_view bytes) {
  return platform::ScriptTextToUtf8(bytes);
}

void TEngineRun::PrepareStage(script::TStageMode mode) {
  ScreenValue.PrepareStage(ToScreen(mode));
}
// The script's numbers become the picture side's modes and effects here, and only here.
void TEngineRun::DispPicture(const std::string& fileName, int32_t mode, int32_t kind) {
  ScreenValue.DispPicture(fileName, ToScreen(script::StageModeFromScript(mode)),
                          ToScreen(script::TransitionKindFromScript(kind)));
  TransitionStarted();
}
void TEngineRun::TransPicture(const std::string& fileName, int32_t kind) {
  ScreenValue.TransPicture(fileName, ToScreen(script::TransitionKindFromScript(kind)));
  TransitionStarted();
}

void TEngineRun::TransitionStarted() {
  if (ScreenValue.TransitionRunning() && OnTransitionStarted) OnTransitionStarted();
}

void TEngineRun::BoardClear() {
  Controls.MsgBoard->Text().clear();
  BoardTextFromScript = true;
}
void TEngineRun::BoardSetVisible(bool visible) {
  Controls.MsgBoard->setVisible(visible);
}
void TEngineRun::BoardSetText(int32_t line, const script::TStringList& lines) {
  const QStringList shown = Translation.Shown(line, lines);
  Controls.MsgBoard->SetText(shown);
  History.Add(shown, {TimelineValue.RunTimeMs(), TimelineValue.StepsRun(), TimelineValue.TickPhaseMs()});
  if (!Replaying() && OnBoardText) OnBoardText(shown);
  BoardTextFromScript = true;
}

script::IScriptMedia& TEngineRun::LogoMovie() {
  return *Movie0Adapter;
}
script::IScriptMedia& TEngineRun::ScriptMovie() {
  return *Movie1Adapter;
}
script::IScriptMedia& TEngineRun::WaveChannel() {
  return *PCMAdapter;
}

void TEngineRun::ProcessWindowEvents() {
  // Nothing the game does on the virtual clock depends on the window system, so it is asked for its events (a
  // key, a signal's notice, a close) every few milliseconds of the wall clock rather than at each moment of
  // game time, which would cost a fast run or a replay most of its time.
  if (platform::EngineClock().IsVirtual()) {
    static std::chrono::steady_clock::time_point last;
    const auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::milliseconds(5)) return;
    last = now;
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TEngineRun::DispatchPending() {
  // A round of the event loop takes what the display and the timers have delivered; the posted events are
  // then sent by name, since a dispatcher may leave those posted during its round for the next one (glib
  // does, at its own priority). Rounds repeat until no step is queued, so a chain of steps that do not wait
  // runs to its end in here, whichever dispatcher runs the loop.
  // On the virtual clock every event posted at this moment runs now, those posted meanwhile included.
  const bool virtualTime = platform::EngineClock().IsVirtual();
  do {
    ProcessWindowEvents();
    if (virtualTime)
      platform::DispatchPostedEvents();
    else
      QCoreApplication::sendPostedEvents();
  } while (PendingSteps > 0 && !ClosingValue);
}

void TEngineRun::WaitForEvents(int ms) {
  if (ms <= 0 || ClosingValue) return;
  platform::TEngineClock& clock = platform::EngineClock();
  if (clock.IsVirtual()) {
    // What the event loop would do meanwhile: the events pending now, else time moves on to the next due
    // moment (a tick, a frame, an end) or to the end of this wait.
    if (platform::DispatchPostedEvents()) return;
    const int64_t limit = TimelineValue.VirtualLimitMs(clock.NowMs() + ms);
    // A replay that ended at this moment may have put the clock over to real time: the rest of the wait is
    // then a real one. A fast-forward that has run its slice waits for the display's next frame instead.
    if (ClosingValue) return;
    if (clock.IsVirtual() && (!FastForwarding() || limit > clock.NowMs())) {
      clock.AdvanceTo(limit);
      return;
    }
    if (clock.IsVirtual()) ms = TRunTimeline::kFastForwardFrameMs;
  }
  ++WaitDepth;
  // Blocking in the event loop, not in a sleep: the toolkit flushes the display connection before it blocks,
  // so every frame drawn so far reaches the screen while the script waits.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  // The wait counts engine time, which runs at the game's speed.
  deadline.start(static_cast<int>(std::min<int64_t>(platform::EngineClock().RealMsFor(ms), INT32_MAX)));
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  --WaitDepth;
}

uint32_t TEngineRun::TickCount() {
  // Milliseconds wrapping at 2^32, as the script's waits count them.
  return static_cast<uint32_t>(platform::EngineClock().NowMs());
}

void TEngineRun::SurfaceChanged(const QRect& area) {
  Controls.View->SurfaceChanged(area);
}

void TEngineRun::Tick() {
  if (ClosingValue) return;
  ScreenValue.ETimerTimer();
  if (Replaying() && Settled()) TimelineValue.ScriptRests();
  CheckBatchEnd();
}

bool TEngineRun::Settled() const {
  return PendingSteps <= 0 && !ScreenValue.TransitionRunning() && !InterpreterValue.Waiting() &&
         !Controls.MsgBoard->RevealRunning();
}

void TEngineRun::CheckBatchEnd() {
  if (!Options.Batch || ClosingValue || !Settled()) return;
  const auto* application = TOrbelApplication::Instance();
  // A start-up that failed (an unreadable script) never ran the script: that is an error, not its end. A line
  // that failed inside another line's wait let the script go on to its end, but it failed all the same.
  const bool errorReported = application && application->ErrorReported();
  if (InterpreterValue.Ended() && !InterpreterValue.LastStepFailed() && !StartUpFailed && !errorReported)
    FinishProgram(esOk);
  else
    FinishProgram(errorReported ? esError : esResting);
}

void TEngineRun::FinishProgram(int exitStatus) {
  if (ClosingValue) return;
  if (OnFinish) OnFinish(exitStatus);
}

// A start point the script does not reach is refused: a run nobody watches ends as an error; the window the
// player watches decides what comes instead.
void TEngineRun::Refused(const std::string& why) {
  if (OnRefused && Options.Watched()) {
    OnRefused(why);
    return;
  }
  std::fprintf(stderr, "orbel: %s\n", why.c_str());
  FinishProgram(esError);
}

void TEngineRun::End() {
  if (ClosingValue) return;
  ClosingValue = true;
  TimelineValue.Release();
  if (ActiveDepth == 0) Left();
}

// The run has ended and nothing of it is on the stack any more.
void TEngineRun::Left() {
  if (EndedTold || !OnEnded) return;
  EndedTold = true;
  OnEnded();
}

void TEngineRun::Release() {
  // A replay given up leaves its followed movies and sounds to catch up before they stop; scopes never nest.
  ReplayMedia.reset();
  Controls.MsgBoard->SetUnseen(false);
  if (Controls.PCM->DeviceID() != 0) Controls.PCM->Stop();
  if (Controls.Movie0->DeviceID() != 0) Controls.Movie0->Stop();
  if (Controls.Movie1->DeviceID() != 0) Controls.Movie1->Stop();
  InterpreterValue.Release();
  ScreenValue.ReleaseBuffers();
}

}  // namespace orbel::app
