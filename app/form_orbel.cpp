// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/form_orbel.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>

#include "game/data_files.h"
#include "app/orbel_application.h"
#include "app/screen_view.h"
#include "app/stage_presenter.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "controls/wave_channel.h"
#include "dialogs/font_dialog.h"
#include "platform/errors.h"
#include "media/media_layer.h"
#include "platform/text_codec.h"
#include "screen/bitmap_file.h"

// The program's stored data is compiled into this library; a static library must register it itself.
static void InitResources() {
  Q_INIT_RESOURCE(resources);
}

namespace orbel::app {

namespace {

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

TFormOrbel::TFormOrbel(const TOptions& options, std::unique_ptr<platform::TDisplaySettings> display,
                       QWidget* parent)
    : QMainWindow(parent),
      Options(options),
      Display(display ? std::move(display) : platform::CreateDisplaySettings()),
      DisplayModesValue(*this, *Display),
      ScreenValue(*this),
      InterpreterValue(*this),
      WindowScaleValue(std::clamp(options.Scale, 1, 8)),
      FitModeValue(options.Fit.value_or(ftInteger)) {
  InitResources();
  DisplayModesValue.ModeSwitchAllowed = !options.NoModeSwitch;
  setWindowTitle(kApplicationTitle);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setFocusPolicy(Qt::StrongFocus);

  // The controls in the order the window declares them; later children lie above earlier ones.
  ViewValue = new TScreenView(ScreenValue, this);
  ViewValue->OnPainted = [this] { RecordSoon(); };
  ViewValue->OnMouseMove = [this](int y) { FormMouseMove(y); };
  setMouseTracking(true);
  setCentralWidget(ViewValue);
  CreateMenu();
  Button1 = new QPushButton(QStringLiteral("IME Close"), ViewValue);
  Button1->hide();
  connect(Button1, &QPushButton::clicked, this, &TFormOrbel::Button1Click);
  ETimer.setTimerType(Qt::PreciseTimer);
  ETimer.setInterval(kTimerIntervalMs);
  connect(&ETimer, &QTimer::timeout, this, &TFormOrbel::ETimerTimer);
  PCM = new controls::TWaveChannel(this);
  Movie1 = new controls::TMovie(ViewValue);
  Movie1->hide();
  MsgBoardValue = new controls::TBoard(ViewValue);
  controls::ConfigureMsgBoard(*MsgBoardValue);
  Movie0 = new controls::TMovie(ViewValue);
  Movie0->hide();
  ScriptMemo = ResourceLines(QStringLiteral(":/orbel/fallback_script.txt"));
  Status = new QStatusBar(this);
  for (int i = 0; i < 3; ++i) {
    StatusPanels[i] = new QLabel(Status);
    StatusPanels[i]->setFixedWidth(i == 2 ? 50 : 70);
    Status->addWidget(StatusPanels[i]);
  }
  setStatusBar(Status);
  Status->hide();
  Movie0Adapter = std::make_unique<TMediaAdapter>(*Movie0);
  Movie1Adapter = std::make_unique<TMediaAdapter>(*Movie1);
  PCMAdapter = std::make_unique<TMediaAdapter>(*PCM);

  // The timer runs from creation to close; its frames do nothing until a transition starts.
  ETimer.start();
  try {
    FormCreate();
  } catch (const std::exception& error) {
    // As in the application's event handling: the engine's errors and the standard library's alike.
    StartUpFailed = true;
    if (auto* application = TOrbelApplication::Instance()) application->ReportError(error.what());
  }
  // A zoomed window shows its picture enlarged from the start, whatever start-up met.
  ApplyPresentation();
}

TFormOrbel::~TFormOrbel() {
  // The stage goes back under the window, so that its controls close their devices with it.
  if (PresenterValue && PresenterValue->Release()) ViewValue->setParent(this);
  media::SetSynchronousFrameHook(nullptr);
}

void TFormOrbel::CreateMenu() {
  QMenuBar* bar = menuBar();
  MiLoadValue = bar->addAction(QStringLiteral("ロード(&L)"));
  MiLoadValue->setEnabled(false);
  MiSaveValue = bar->addAction(QStringLiteral("セーブ(&S)"));
  MiSaveValue->setEnabled(false);
  N1 = bar->addMenu(QStringLiteral("設定(&O)"));
  Mode1Value = N1->addMenu(QStringLiteral("ウィンドウサイズ(&W)"));
  Mode1Value->menuAction()->setData(DisplayModesValue.Mode1Tag);
  DispGroup = new QActionGroup(this);
  DispGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  const char* captions[] = {"640x480 (Full)", "640x480 (Window)", "800x600 (Full)", "800x600 (Window)"};
  for (int i = 0; i < 4; ++i) {
    QAction* item = Mode1Value->addAction(QString::fromLatin1(captions[i]));
    item->setCheckable(true);
    DispGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, item] { DispItemClick(item); });
    DispItems[i] = item;
  }
  DispItem(screen::diWindow640x480)->setChecked(true);
  DispItem(screen::diWindow640x480)->setEnabled(false);
  DispItem(screen::diFull800x600)->setEnabled(false);
  DispItem(screen::diWindow800x600)->setEnabled(false);
  miFont = N1->addAction(QStringLiteral("フォント(&F)"));
  connect(miFont, &QAction::triggered, this, &TFormOrbel::miFontClick);
  ExitValue = bar->addAction(QStringLiteral("終了(&x)"));
  connect(ExitValue, &QAction::triggered, this, &TFormOrbel::ExitClick);
}

void TFormOrbel::FormCreate() {
  ScreenValue.TransitionKind = screen::tkNone;
  ScreenValue.TransitionStep = 0;
  // The window-size items the screen can take.
  const screen::TDispItemsEnabled enabled = screen::DispItemsEnabledFor(Display->ScreenHeight());
  DispItem(screen::diWindow800x600)->setEnabled(enabled.Item4);
  DispItem(screen::diWindow640x480)->setEnabled(enabled.Item2);
  DispItem(screen::diFull800x600)->setEnabled(enabled.Item3);
  InterpreterValue.NextLine = 0;
  SizeClientArea();
  MsgBoardValue->setGeometry(40, 375, 560, 65);
  ScreenValue.CreateBuffers();
  ScreenValue.SetWall(ResourceImage(QStringLiteral(":/orbel/wall.bmp")));
  LoadScript();
  Movie0->SetFileName(FindDataFile("LOGO01.AVI"));
  Movie0->Open();
  Movie0->setGeometry(160, 100, 320, 240);
  Movie0->SelectTimeFormat(0);
  Movie1->SelectTimeFormat(0);
  PCM->SelectTimeFormat(0);
  QCoreApplication::postEvent(this, new QEvent(platform::WM_SCRIPTSTART));
}

void TFormOrbel::SizeClientArea() {
  resize(ClientAreaSize());
}

QSize TFormOrbel::WindowPictureSize() const {
  return QSize(screen::kScreenWidth, screen::kScreenHeight) * WindowScaleValue;
}

QSize TFormOrbel::ClientAreaSize() const {
  const QSize picture = WindowPictureSize();
  return {picture.width(), picture.height() + (MenuBarAttached() ? menuBar()->sizeHint().height() : 0)};
}

bool TFormOrbel::MenuBarAttached() const {
  return !menuBar()->isHidden();
}

void TFormOrbel::SetDispItemChecked(screen::TDispItemTag tag, bool checked) {
  if (tag >= screen::diFull640x480 && tag <= screen::diWindow800x600) DispItem(tag)->setChecked(checked);
}

void TFormOrbel::ShowMenuBar(bool show) {
  menuBar()->setHidden(!show);
}

void TFormOrbel::ShowFrame(bool show) {
  QRect outer = geometry();
  // Back from full screen, the window returns to where the player had it.
  if (show && !HasFrame() && WindowedPosition) outer.moveTopLeft(*WindowedPosition);
  if (!show && HasFrame()) WindowedPosition = geometry().topLeft();
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  setWindowFlag(Qt::FramelessWindowHint, !show);
  if (show) {
    // A fixed single frame: the size stays as the window modes set it.
    setGeometry(outer);
    setFixedSize(outer.size());
  } else {
    // Full screen: the window covers the screen from its top-left corner.
    setGeometry(0, 0, Display->ScreenWidth(), Display->ScreenHeight());
  }
  ApplyPresentation();
  QWidget::show();
  // A new frame means a new native window: the keys must still come here without a click.
  raise();
  activateWindow();
}

void TFormOrbel::ShowScaledFullScreen(bool show) {
  if (show == ScaledFullScreenValue) return;
  if (show) {
    if (HasFrame()) WindowedGeometry = geometry();
    ScaledFullScreenValue = true;
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    ApplyPresentation();
    // An X server without a window manager places nothing itself: the window takes the screen's area.
    if (const QScreen* screen = this->screen()) setGeometry(screen->geometry());
    showFullScreen();
  } else {
    ScaledFullScreenValue = false;
    showNormal();
    ApplyPresentation();
    if (WindowedGeometry.isValid()) setGeometry(WindowedGeometry);
    FitClientArea();
  }
  raise();
  activateWindow();
}

void TFormOrbel::ToggleFullScreen() {
  if (ClosingValue) return;
  // Both ways go through the menu's logic, so that the checked item always names what the window shows.
  FullScreenByKey = HasFrame();
  if (FullScreenByKey)
    DisplayModesValue.EnlargedFullScreen();
  else
    DisplayModesValue.DispItemClick(screen::diWindow640x480);
  Mode1Value->menuAction()->setData(DisplayModesValue.Mode1Tag);
}

void TFormOrbel::ApplyPresentation() {
  const bool modeSwitched = !ScaledFullScreenValue && (windowFlags() & Qt::FramelessWindowHint);
  const bool enlarged = ScaledFullScreenValue || (!modeSwitched && WindowScaleValue > 1);
  if (enlarged && !PresenterValue) {
    takeCentralWidget();
    PresenterValue = new TStagePresenter(this);
    PresenterValue->OnMouseMove = [this](int y) { FormMouseMove(y); };
    PresenterValue->Attach(ViewValue);
    setCentralWidget(PresenterValue);
  } else if (!enlarged && PresenterValue) {
    takeCentralWidget();
    ViewValue->hide();
    PresenterValue->Release();
    delete PresenterValue;
    PresenterValue = nullptr;
    setCentralWidget(ViewValue);
    ViewValue->show();
  }
  // A play made to wait paints its frames without the event loop: the presenter shows each one, and the
  // recording takes it, from the hook.
  if (PresenterValue || !Options.Record.empty())
    media::SetSynchronousFrameHook([this] {
      if (PresenterValue) PresenterValue->PresentNow();
      FlushRecordFrame();
    });
  else
    media::SetSynchronousFrameHook(nullptr);
  // The real full-screen modes show the picture 1:1 at the top-left, the window modes at their scale.
  if (PresenterValue) PresenterValue->SetFit(FitModeValue, ScaledFullScreenValue ? 0 : WindowScaleValue);
}

void TFormOrbel::PresentPending() {
  // Enlarged, the stage is off screen: the presenter reads it back and shows it.
  if (PresenterValue)
    PresenterValue->PresentNow();
  else
    ViewValue->PresentPending();
}

void TFormOrbel::showEvent(QShowEvent* event) {
  // Placed centred on its screen the first time it is shown, with the size start-up gave it.
  if (!PlacedValue && !event->spontaneous()) {
    PlacedValue = true;
    if (const QScreen* screen = this->screen()) {
      const QRect available = screen->availableGeometry();
      const QSize outer = frameGeometry().size();
      // A window larger than the screen keeps its menu bar and top-left corner on it.
      move(available.x() + std::max(0, (available.width() - outer.width()) / 2),
           available.y() + std::max(0, (available.height() - outer.height()) / 2));
    }
  }
  QMainWindow::showEvent(event);
}

void TFormOrbel::FitClientArea() {
  if (ScaledFullScreenValue) return;
  const QSize outer = ClientAreaSize();
  if (minimumSize() == maximumSize())
    setFixedSize(outer);
  else
    resize(outer);
}

void TFormOrbel::LoadScript() {
  const std::string path = FindDataFile("SCRIPT.TXT");
  if (path.empty()) {
    InterpreterValue.LoadScriptLines(ScriptMemo);
    return;
  }
  const game::TFileText file = game::ReadWholeFile(path, script::kMaxScriptBytes);
  if (file.Result == game::frTooLarge)
    throw EOrbelError("ﾌｧｲﾙ " + platform::FileNameToUtf8(path) + " は大きすぎます (上限 " +
                      std::to_string(script::kMaxScriptBytes / (1024 * 1024)) + " MB)");
  if (file.Result != game::frRead) throw EOrbelError("ﾌｧｲﾙ " + platform::FileNameToUtf8(path) + " は開けません");
  InterpreterValue.LoadScript(file.Text);
}

std::string TFormOrbel::FindDataFile(const std::string& name) {
  return game::FindDataFile(name);
}

bool TFormOrbel::event(QEvent* event) {
  if (event->type() == platform::WM_SCRIPTSTART) {
    ScriptStart();
    return true;
  }
  if (event->type() == platform::WM_SCRIPTSTEP) {
    --PendingSteps;
    InterpreterValue.Step();
    return true;
  }
  return QMainWindow::event(event);
}

void TFormOrbel::ScriptStart() {
  if (ClosingValue) return;
  // A window manager may have given the view another size than asked for; bring it back to 640x480.
  const QSize wanted = WindowPictureSize();
  if (HasFrame() && centralWidget()->size() != wanted) resize(size() + wanted - centralWidget()->size());
  repaint();
  Movie1->setGeometry(40, 40, 560, 315);
  PostStep();
}

void TFormOrbel::PostStep() {
  if (ClosingValue) return;
  ++PendingSteps;
  QCoreApplication::postEvent(this, new QEvent(platform::WM_SCRIPTSTEP));
}

void TFormOrbel::SetStatusLine(const std::string& text) {
  StatusPanels[2]->setText(platform::DecodeScriptText(text));
  if (Options.Trace) {
    const std::string utf8 = platform::ScriptTextToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}

std::string TFormOrbel::DecodeText(std::string_view bytes) {
  return platform::ScriptTextToUtf8(bytes);
}

void TFormOrbel::PrepareStage(script::TStageMode mode) {
  ScreenValue.PrepareStage(ToScreen(mode));
}
// The script's numbers become the picture side's modes and effects here, and only here.
void TFormOrbel::DispPicture(const std::string& fileName, int32_t mode, int32_t kind) {
  ScreenValue.DispPicture(fileName, ToScreen(script::StageModeFromScript(mode)),
                          ToScreen(script::TransitionKindFromScript(kind)));
}
void TFormOrbel::TransPicture(const std::string& fileName, int32_t kind) {
  ScreenValue.TransPicture(fileName, ToScreen(script::TransitionKindFromScript(kind)));
}

void TFormOrbel::BoardClear() {
  MsgBoardValue->Text().clear();
}
void TFormOrbel::BoardSetVisible(bool visible) {
  MsgBoardValue->setVisible(visible);
}
void TFormOrbel::BoardSetText(const script::TStringList& lines) {
  MsgBoardValue->SetText(lines);
}

script::IScriptMedia& TFormOrbel::LogoMovie() {
  return *Movie0Adapter;
}
script::IScriptMedia& TFormOrbel::ScriptMovie() {
  return *Movie1Adapter;
}
script::IScriptMedia& TFormOrbel::WaveChannel() {
  return *PCMAdapter;
}

void TFormOrbel::DispatchPending() {
  // A round of the event loop takes what the display and the timers have delivered; the posted events are
  // then sent by name, since a dispatcher may leave those posted during its round for the next one (glib
  // does, at its own priority). Rounds repeat until no step is queued, so a chain of steps that do not wait
  // runs to its end in here, whichever dispatcher runs the loop.
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
  } while (PendingSteps > 0 && !ClosingValue);
}

void TFormOrbel::WaitForEvents(int ms) {
  if (ms <= 0 || ClosingValue) return;
  // Blocking in the event loop, not in a sleep: the toolkit flushes the display connection before it blocks,
  // so every frame drawn so far reaches the screen while the script waits.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  deadline.start(ms);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
uint32_t TFormOrbel::TickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TFormOrbel::SurfaceChanged(const QRect& area) {
  ViewValue->SurfaceChanged(area);
}

void TFormOrbel::ETimerTimer() {
  if (ClosingValue) return;
  ScreenValue.ETimerTimer();
  CheckBatchEnd();
}

bool TFormOrbel::Settled() const {
  return PendingSteps <= 0 && !ScreenValue.TransitionRunning() && !InterpreterValue.Waiting() &&
         !MsgBoardValue->RevealRunning();
}

void TFormOrbel::CheckBatchEnd() {
  if (!Options.Batch || !Settled()) return;
  const auto* application = TOrbelApplication::Instance();
  // A start-up that failed (an unreadable script) never ran the script: that is an error, not its end.
  if (InterpreterValue.Ended() && !InterpreterValue.LastStepFailed() && !StartUpFailed)
    FinishProgram(esOk);
  else
    FinishProgram(application && application->ErrorReported() ? esError : esResting);
}

void TFormOrbel::FinishProgram(int exitStatus) {
  if (ClosingValue) return;
  ExitStatusValue = exitStatus;
  close();
}

// Anything painted on the stage (a tick's frame, a system repaint, a step of the board's reveal, a movie's
// frame, a control shown or hidden) may change the window's picture. The picture is read once the paint is
// over: from the event loop, or right after a frame a waiting play painted without it.
void TFormOrbel::RecordSoon() {
  if (Options.Record.empty() || RecordPending) return;
  RecordPending = true;
  QMetaObject::invokeMethod(
      this, [this] { FlushRecordFrame(); }, Qt::QueuedConnection);
}

void TFormOrbel::FlushRecordFrame() {
  if (!RecordPending) return;
  RecordPending = false;
  WriteRecordFrame();
}

// The picture is composed as --grab composes it, and written only when it differs from the last one written:
// several paints of one change, or a repaint that restores what was there, give no new frame.
void TFormOrbel::WriteRecordFrame() {
  if (Options.Record.empty() || ClosingValue || !ScreenValue.HasBuffers()) return;
  const QImage shown = ViewValue->GrabPresented();
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
    std::fprintf(stderr, "orbel: cannot write %s%s\n", platform::FileNameToUtf8(Options.Record).c_str(),
                 name);
}

void TFormOrbel::WriteExitOutputs() {
  if (!Options.SaveScreen.empty() && !screen::SaveBitmapFile(ScreenValue.ScreenBuffer, Options.SaveScreen)) {
    std::fprintf(stderr, "orbel: cannot write %s\n", platform::FileNameToUtf8(Options.SaveScreen).c_str());
    ExitStatusValue = esFailure;
  }
  if (!Options.Grab.empty()) {
    const QImage shown = ViewValue->GrabPresented();
    if (!screen::SaveBitmapFile(shown, Options.Grab)) {
      std::fprintf(stderr, "orbel: cannot write %s\n", platform::FileNameToUtf8(Options.Grab).c_str());
      ExitStatusValue = esFailure;
    }
  }
}

void TFormOrbel::closeEvent(QCloseEvent* event) {
  if (ClosingValue) {
    event->accept();
    return;
  }
  // What the frames drew last is shown and recorded before the picture is saved.
  PresentPending();
  FlushRecordFrame();
  WriteExitOutputs();
  ClosingValue = true;
  ViewValue->Closed = true;
  // A changed resolution never outlives the program, however it ends.
  Display->RestoreStoredMode();
  if (PCM->DeviceID() != 0) PCM->Stop();
  if (Movie0->DeviceID() != 0) Movie0->Stop();
  if (Movie1->DeviceID() != 0) Movie1->Stop();
  InterpreterValue.Release();
  ScreenValue.ReleaseBuffers();
  event->accept();
  QCoreApplication::exit(ExitStatusValue);
}

void TFormOrbel::ExitClick() {
  Display->RestoreStoredMode();
  close();
}

void TFormOrbel::DispItemClick(QAction* item) {
  FullScreenByKey = false;
  // An item's tag is its place in the submenu.
  const auto found = std::find(std::begin(DispItems), std::end(DispItems), item);
  if (found != std::end(DispItems))
    DisplayModesValue.DispItemClick(
        static_cast<screen::TDispItemTag>(screen::diFull640x480 + (found - std::begin(DispItems))));
  Mode1Value->menuAction()->setData(DisplayModesValue.Mode1Tag);
}

void TFormOrbel::FormMouseMove(int y) {
  if (!ClosingValue) DisplayModesValue.FormMouseMove(y);
}

void TFormOrbel::miFontClick() {
  if (!FormFont) return;
  QFont font = MsgBoardValue->font();
  font.setFamily(FormFont->SelectFont(font.family()));
  MsgBoardValue->setFont(font);
  // The face is set even when it is unchanged (Cancel), and the board repaints either way.
  MsgBoardValue->RepaintNow();
}

void TFormOrbel::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (event->key() == Qt::Key_F11 || (enter && (event->modifiers() & Qt::AltModifier))) {
    ToggleFullScreen();
    return;
  }
  const QString text = event->text();
  if (text.size() == 1)
    FormKeyPress(text.at(0));
  else
    QMainWindow::keyPressEvent(event);
}

void TFormOrbel::FormKeyPress(QChar key) {
  switch (key.unicode()) {
    case 27:
      MsgBoardValue->setVisible(MsgBoardValue->isHidden());
      break;
    case '0':
      ScreenValue.DispPicture("", screen::smWall, screen::tkDissolve);
      break;
    case '1':
      ScreenValue.DispPicture("01.bmp", screen::smWall, screen::tkDissolve);
      break;
    case '2':
      ScreenValue.DispPicture("BG01.bmp", screen::smWall, screen::tkDissolve);
      break;
    case '3':
      ScreenValue.DispPicture("BG02.bmp", screen::smWall, screen::tkDissolve);
      break;
    case '4':
    case '5':
      ScreenValue.PrepareStage(screen::smScreen);
      ScreenValue.TransPicture(key == '4' ? "C_09A1.bmp" : "C_09A2.bmp", screen::tkDissolve);
      break;
    case '6':
      PlayMovieToEnd("M03.AVI");
      PlayMovieToEnd("M04.AVI");
      break;
    case '7':
      Memo1.clear();
      for (const char* line : {"１２３４５６７８９", "あいうえおかきくけ", "ＡＢＣＤＥＦＧＨＩ"})
        Memo1.push_back(platform::EncodeSjis(QString::fromUtf8(line)));
      MsgBoardValue->SetText(Memo1);
      break;
    case 'S':
    case 's':
      SaveScreenKey();
      break;
    default:
      break;
  }
}

void TFormOrbel::PlayMovieToEnd(const std::string& name) {
  Movie1->SetFileName(FindDataFile(name));
  if (Movie1->FileName().empty()) return;
  Movie1->Open();
  Movie1->WaitOnce(true);
  Movie1->Play();
  Movie1->hide();
}

void TFormOrbel::SaveScreenKey() {
  if (Options.Batch) return;
  QFileDialog dialog(this, QStringLiteral("画像の保存"), QString(), QStringLiteral("Bitmap (*.bmp)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("bmp"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QByteArray path = QFile::encodeName(dialog.selectedFiles().first());
  SaveScreenTo(path.toStdString());
}

void TFormOrbel::SaveScreenTo(const std::string& path) {
  if (!ScreenValue.HasBuffers() || !screen::SaveBitmapFile(ScreenValue.ScreenBuffer, path))
    throw EOrbelError("ﾌｧｲﾙ " + platform::FileNameToUtf8(path) + " を作成できません");
}

void TFormOrbel::Button1Click() {
  CloseIme();
}

// Closes the input method for the window: any composition is dropped and its panel put away.
void TFormOrbel::CloseIme() {
  QInputMethod* inputMethod = QGuiApplication::inputMethod();
  if (!inputMethod) return;
  inputMethod->reset();
  inputMethod->hide();
}

}  // namespace orbel::app
