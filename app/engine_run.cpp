// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/engine_run.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/game_export.h"
#include "app/orbel_application.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "controls/wave_channel.h"
#include "game/data_files.h"
#include "game/save_file.h"
#include "media/video_export.h"
#include "platform/engine_clock.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "screen/bitmap_file.h"

// The program's stored data is compiled into this library; a static library must register it itself.
static void InitResources() {
  Q_INIT_RESOURCE(resources);
}

namespace orbel::app {

namespace {

// Far more steps than any script runs at one moment of its time; only a loop without a wait gets there.
constexpr int64_t kMaxStepsWithoutTime = 1000000;

std::vector<std::string> ResourceLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return script::SplitScriptText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

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

TEngineRun::TEngineRun(const TOptions& options, QWidget* window)
    : Options(options), Window(window), ScreenValue(*this), InterpreterValue(*this) {
  InitResources();
  ScriptMemo = ResourceLines(QStringLiteral(":/orbel/fallback_script.txt"));
  if (platform::EngineClock().IsVirtual()) WatchVirtualTime();
}

void TEngineRun::WatchVirtualTime() {
  if (ClockObserver) return;
  ClockObserver = platform::EngineClock().AddAdvanceObserver([this](int64_t) {
    StepsWithoutTime = 0;
    // Time moved past the saved instant without passing through the host's waits (a blocking play): the
    // instant lies behind.
    if (Replay && Replay->Instant && RunTimeMs() > Replay->Instant->TimeMs) EndReplay();
  });
}

TEngineRun::~TEngineRun() {
  if (ClockObserver) platform::EngineClock().RemoveAdvanceObserver(ClockObserver);
}

void TEngineRun::SetExport(std::unique_ptr<TGameExport> exporter) {
  Export = std::move(exporter);
  // A failed write is noticed deep inside the clock's advance; the run ends once that has returned.
  Export->Begin([this] { return Controls.View->GrabPresented(); },
                [this] { return static_cast<int>(InterpreterValue.NextLine); },
                [this] {
                  QMetaObject::invokeMethod(
                      this, [this] { FinishProgram(esError); }, Qt::QueuedConnection);
                });
}

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
  const std::string path = FindDataFile("SCRIPT.TXT");
  if (path.empty()) {
    InterpreterValue.LoadScriptLines(ScriptMemo);
    ScriptSha256Value = ScriptIdentity({});
    return;
  }
  const game::TFileText file = game::ReadWholeFile(path, script::kMaxScriptBytes);
  if (file.Result == game::frTooLarge)
    throw EOrbelError("ﾌｧｲﾙ " + platform::FileNameToUtf8(path) + " は大きすぎます (上限 " +
                      std::to_string(script::kMaxScriptBytes / (1024 * 1024)) + " MB)");
  if (file.Result != game::frRead)
    throw EOrbelError("ﾌｧｲﾙ " + platform::FileNameToUtf8(path) + " は開けません");
  InterpreterValue.LoadScript(file.Text);
  ScriptSha256Value = ScriptIdentity(file.Text);
}

std::string TEngineRun::FindDataFile(const std::string& name) {
  return game::FindDataFile(name);
}

bool TEngineRun::event(QEvent* event) {
  if (event->type() == platform::WM_SCRIPTSTEP) {
    --PendingSteps;
    if (ClockObserver && ++StepsWithoutTime > kMaxStepsWithoutTime) {
      EndWithoutTime();
      return true;
    }
    // The run's time counts from its first step, so that a save of a run the player watched names the moment
    // of the game they saw, whatever start-up took before it.
    if (StepsRun == 0) OriginMs = platform::EngineClock().NowMs();
    if (Replay) {
      if (Replay->UntilLine ? InterpreterValue.NextLine == *Replay->UntilLine
                            : StepsRun >= Replay->Instant->Steps && RunTimeMs() >= Replay->Instant->TimeMs)
        EndReplay();
    }
    if (StepsRun > 0 && InterpreterValue.NextLine <= LatestLine)
      BackMove = {LatestLine, InterpreterValue.NextLine};
    if (CameBackAround()) return true;
    ++StepsRun;
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
  if (Options.Trace && !Replay) {
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
  BoardTextFromScript = true;
  History.Add(shown, RunTimeMs(), StepsRun);
  if (!Replay && OnBoardText) OnBoardText(shown);
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
    const int64_t limit = VirtualLimitMs(clock.NowMs() + ms);
    // A replay that ended at this moment may have put the clock over to real time: the rest of the wait is
    // then a real one. A fast-forward that has run its slice waits for the display's next frame instead.
    if (clock.IsVirtual() && (!FastForwarding() || limit > clock.NowMs())) {
      clock.AdvanceTo(limit);
      return;
    }
    if (clock.IsVirtual()) ms = kFastForwardFrameMs;
  }
  ++WaitDepth;
  // Blocking in the event loop, not in a sleep: the toolkit flushes the display connection before it blocks,
  // so every frame drawn so far reaches the screen while the script waits.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  // The wait counts engine time, which may run faster or slower than the wall clock.
  deadline.start(static_cast<int>(std::min<int64_t>(clock.RealMsFor(ms), INT32_MAX)));
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
  CheckBatchEnd();
}

bool TEngineRun::Settled() const {
  return PendingSteps <= 0 && !ScreenValue.TransitionRunning() && !InterpreterValue.Waiting() &&
         !Controls.MsgBoard->RevealRunning();
}

void TEngineRun::CheckBatchEnd() {
  if (!Options.Batch || !Settled()) return;
  if (Replay && Replay->UntilLine) {
    EndAsLineNeverRuns();
    return;
  }
  // A script that rests before the saved instant rested there in the run that made the save too.
  if (Replay) EndReplay();
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
  ExitStatusValue = exitStatus;
  Window->close();
}

// Anything painted on the stage (a tick's frame, a system repaint, a step of the board's reveal, a movie's
// frame, a control shown or hidden) may change the window's picture. The picture is read once the paint is
// over: from the event loop, or right after a frame a waiting play painted without it.
void TEngineRun::RecordSoon() {
  if (Options.Record.empty() || RecordPending) return;
  RecordPending = true;
  QMetaObject::invokeMethod(
      this, [this] { FlushRecordFrame(); }, Qt::QueuedConnection);
}

void TEngineRun::FlushRecordFrame() {
  if (!RecordPending) return;
  RecordPending = false;
  WriteRecordFrame();
}

// The picture is composed as --grab composes it, and written only when it differs from the last one written:
// several paints of one change, or a repaint that restores what was there, give no new frame.
void TEngineRun::WriteRecordFrame() {
  if (Options.Record.empty() || ClosingValue || Replay || !ScreenValue.HasBuffers()) return;
  const QImage shown = Controls.View->GrabPresented();
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
  if (!screen::SaveBitmapFile(shown, Options.Record + name))
    std::fprintf(stderr, "orbel: %s\n",
                 platform::Tr("Run", "cannot write %1")
                     .Arg(platform::FileNameToUtf8(Options.Record + name))
                     .Str()
                     .c_str());
}

void TEngineRun::WriteExitOutputs() {
  WriteSaveOnExit();
  WriteAutoSave();
  ScreenValue.Settle();
  if (!Options.SaveScreen.empty() && !screen::SaveBitmapFile(ScreenValue.ScreenBuffer, Options.SaveScreen)) {
    std::fprintf(stderr, "orbel: %s\n",
                 platform::Tr("Run", "cannot write %1")
                     .Arg(platform::FileNameToUtf8(Options.SaveScreen))
                     .Str()
                     .c_str());
    ExitStatusValue = esFailure;
  }
  if (!Options.Grab.empty()) {
    const QImage shown = Controls.View->GrabPresented();
    if (!screen::SaveBitmapFile(shown, Options.Grab)) {
      std::fprintf(
          stderr, "orbel: %s\n",
          platform::Tr("Run", "cannot write %1").Arg(platform::FileNameToUtf8(Options.Grab)).Str().c_str());
      ExitStatusValue = esFailure;
    }
  }
}

void TEngineRun::BeginClose() {
  StopFastForward();
  FlushRecordFrame();
  WriteExitOutputs();
  FinishExport();
  ClosingValue = true;
}

// An export's status is its file's: a complete video is a success whatever ended the game (its end, a rest, a
// loop, --quit-after), and one that could not be completed is an error and leaves no file.
void TEngineRun::FinishExport() {
  if (!Export) return;
  try {
    Export->Finish();
    if (ExitStatusValue == esResting || ExitStatusValue == esQuitAfter) ExitStatusValue = esOk;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orbel: %s\n", error.what());
    ExitStatusValue = esError;
  }
  Export.reset();
}

void TEngineRun::Release() {
  if (Controls.PCM->DeviceID() != 0) Controls.PCM->Stop();
  if (Controls.Movie0->DeviceID() != 0) Controls.Movie0->Stop();
  if (Controls.Movie1->DeviceID() != 0) Controls.Movie1->Stop();
  InterpreterValue.Release();
  ScreenValue.ReleaseBuffers();
}

}  // namespace orbel::app
