// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/form_orbel.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>

#include "app/load_overlay.h"
#include "app/orbel_application.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "controls/wave_channel.h"
#include "dialogs/font_dialog.h"
#include "game/save_file.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::app {

TFormOrbel::TFormOrbel(const TOptions& options, std::unique_ptr<platform::TDisplaySettings> display,
                       QWidget* parent, std::optional<TGameInfo> game)
    : QMainWindow(parent),
      Options(options),
      Display(display ? std::move(display) : platform::CreateDisplaySettings()),
      GameValue(game ? std::move(*game) : ReadGameHere({}, options.Encoding)),
      SavesValue(options.Watched() ? std::make_unique<TGameSaves>(GameValue) : nullptr),
      OutputsValue(std::make_unique<TRunOutputs>(options, SavesValue.get())),
      Run(std::make_unique<TEngineRun>(Options, GameValue, 0, *OutputsValue)),
      DisplayModesValue(*this, *Display) {
  DisplayModesValue.ModeSwitchAllowed = !options.NoModeSwitch;
  setWindowTitle(kApplicationTitle);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setFocusPolicy(Qt::StrongFocus);

  // The controls in the order the window declares them; later children lie above earlier ones.
  ViewValue = new TScreenView(Run->Screen(), this);
  ViewValue->OnPainted = [this] { OutputsValue->RecordSoon(); };
  ViewValue->OnMouseMove = [this](int y) { FormMouseMove(y); };
  OutputsValue->SetView(ViewValue);
  setMouseTracking(true);
  setCentralWidget(ViewValue);
  Presentation = std::make_unique<TPresentation>(*this, *ViewValue, *Display, options.Scale,
                                                 options.Fit.value_or(ftInteger));
  Presentation->OnMouseMove = [this](int y) { FormMouseMove(y); };
  Presentation->OnSynchronousFrame = [this] { OutputsValue->FlushRecordFrame(); };
  Presentation->Recording = [this] { return OutputsValue->Recording(); };
  CreateMenu();
  Presentation->FitScaleToScreen();
  Button1 = new QPushButton(QStringLiteral("IME Close"), ViewValue);
  Button1->hide();
  connect(Button1, &QPushButton::clicked, this, &TFormOrbel::Button1Click);
  ETimer.SetCallback([this] { ETimerTimer(); });
  PCM = new controls::TWaveChannel(this);
  Movie1 = new controls::TMovie(ViewValue);
  Movie1->hide();
  MsgBoardValue = new controls::TBoard(ViewValue);
  controls::ConfigureMsgBoard(*MsgBoardValue);
  Movie0 = new controls::TMovie(ViewValue);
  Movie0->hide();
  Status = new QStatusBar(this);
  for (int i = 0; i < 3; ++i) {
    StatusPanels[i] = new QLabel(Status);
    StatusPanels[i]->setFixedWidth(i == 2 ? 50 : 70);
    Status->addWidget(StatusPanels[i]);
  }
  setStatusBar(Status);
  Status->hide();
  Overlay = new TLoadOverlay(this);
  PauseIndicatorValue = new QLabel(platform::Tr("Window", "Paused").QStr(), this);
  NoticeValue = new QLabel(this);
  NoticeValue->setWordWrap(true);
  for (QLabel* label : {PauseIndicatorValue, NoticeValue}) {
    label->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(0, 0, 0, 170); color: white; padding: 4px 10px; "
                       "font-size: 16px; }"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->hide();
  }
  ReaderValue = new TReaderControls(this,
                                    {[this]() -> TEngineRun& { return *Run; }, [this] { return Loading(); },
                                     [this](const TStartPoint& start) { RequestRun(start); },
                                     [this](const QString& text) { ShowNotice(text); }},
                                    Watched());
  MsgBoardValue->OnRevealed = [this] { ReaderValue->TextRevealed(); };
  ReaderValue->AddMenuItems(N1);
  WarnPlayer = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("Orbel"), text); };

  // The timer runs from creation to close; its frames do nothing until a transition starts.
  TimerOriginMs = platform::EngineClock().NowMs();
  ETimer.Start(kTimerIntervalMs);
  WireRun();
  try {
    FormCreate();
  } catch (const std::exception& error) {
    StartUpFailed(error);
  }
  // A zoomed window shows its picture enlarged from the start, whatever start-up met.
  Presentation->Apply();
}

// The presentation goes first: it puts the stage back under the window, so that its controls close their
// devices with it.
TFormOrbel::~TFormOrbel() {
  // A window destroyed without a close repaints nothing of a run that is gone.
  ViewValue->Closed = true;
  Presentation.reset();
}

// As in the application's event handling: the engine's errors and the standard library's alike. A run whose
// start failed never runs its script.
void TFormOrbel::StartUpFailed(const std::exception& error) {
  Run->SetStartUpFailed();
  if (auto* application = TOrbelApplication::Instance()) application->ReportError(error.what());
}

void TFormOrbel::CreateMenu() {
  QMenuBar* bar = menuBar();
  MiLoadValue = bar->addAction(QStringLiteral("ロード(&L)"));
  MiSaveValue = bar->addAction(QStringLiteral("セーブ(&S)"));
  // An automated run writes nothing but what --save-on-exit names and never asks anything.
  MiLoadValue->setEnabled(Watched());
  MiSaveValue->setEnabled(Watched());
  connect(MiLoadValue, &QAction::triggered, this, &TFormOrbel::LoadClick);
  connect(MiSaveValue, &QAction::triggered, this, &TFormOrbel::SaveClick);
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
  Screen().TransitionKind = screen::tkNone;
  Screen().TransitionStep = 0;
  // The window-size items the screen can take.
  const screen::TDispItemsEnabled enabled = screen::DispItemsEnabledFor(Display->ScreenHeight());
  DispItem(screen::diWindow800x600)->setEnabled(enabled.Item4);
  DispItem(screen::diWindow640x480)->setEnabled(enabled.Item2);
  DispItem(screen::diFull800x600)->setEnabled(enabled.Item3);
  Interpreter().NextLine = 0;
  SizeClientArea();
  MsgBoardValue->setGeometry(40, 375, 560, 65);
  Movie0->setGeometry(160, 100, 320, 240);
  PrepareRun();
  QCoreApplication::postEvent(this, new QEvent(platform::WM_SCRIPTSTART));
}

// A run's own start: its buffers, its script and the logo.
void TFormOrbel::PrepareRun() {
  Run->CreateBuffers();
  Run->LoadScript();
  Movie0->SetFileName(Run->FindDataFile("LOGO01.AVI"));
  Movie0->Open();
  Movie0->SelectTimeFormat(0);
  Movie1->SelectTimeFormat(0);
  PCM->SelectTimeFormat(0);
}

void TFormOrbel::SizeClientArea() {
  resize(Presentation->ClientAreaSize());
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

void TFormOrbel::ToggleFullScreen() {
  if (WindowClosing) return;
  // Both ways go through the menu's logic, so that the checked item always names what the window shows.
  FullScreenByKey = HasFrame();
  if (FullScreenByKey)
    DisplayModesValue.EnlargedFullScreen();
  else
    DisplayModesValue.DispItemClick(screen::diWindow640x480);
  Mode1Value->menuAction()->setData(DisplayModesValue.Mode1Tag);
}

bool TFormOrbel::event(QEvent* event) {
  if (event->type() == platform::WM_SCRIPTSTART) {
    ScriptStart();
    return true;
  }
  return QMainWindow::event(event);
}

void TFormOrbel::ScriptStart() {
  if (WindowClosing) return;
  // A window manager may have given the view another size than asked for; bring it back to 640x480.
  const QSize wanted = Presentation->WindowPictureSize();
  if (HasFrame() && centralWidget()->size() != wanted) resize(size() + wanted - centralWidget()->size());
  repaint();
  Movie1->setGeometry(40, 40, 560, 315);
  if (Run->Closing() || (ContinueOffer && StartFromContinueOffer())) return;
  Run->PostFirstStep();
}

void TFormOrbel::ETimerTimer() {
  Run->Tick();
  // A tick without a transition draws nothing, so a window the player watches lets it rest until the next
  // transition: a wait then sleeps through to its end. Batch runs end on a tick, and the virtual clock's
  // runs keep it as their heartbeat.
  if (!Options.Batch && !platform::EngineClock().IsVirtual() && !Run->Screen().TransitionRunning())
    ETimer.Stop();
}

// The resting tick wakes on the grid it has had since the window was made, however late it is woken: a
// transition's frames fall on the same moments as in a run whose tick never rested.
void TFormOrbel::WakeTimer() {
  if (ETimer.IsActive() || WindowClosing) return;
  const int64_t sinceOrigin = platform::EngineClock().NowMs() - TimerOriginMs;
  ETimer.StartFrom(platform::EngineClock().NowMs() + kTimerIntervalMs - sinceOrigin % kTimerIntervalMs,
                   kTimerIntervalMs);
}

void TFormOrbel::closeEvent(QCloseEvent* event) {
  if (WindowClosing) {
    event->accept();
    return;
  }
  WindowClosing = true;
  // What the frames drew last is shown and recorded before the picture is saved.
  Presentation->PresentPending();
  Run->StopFastForward();
  // The outputs read the pictures: the movies of a replay that ends here show what they have reached.
  Run->CatchUpMedia();
  OutputsValue->WriteAtExit(ExitStatusValue);
  TellIfNotKept();
  Run->End();
  ViewValue->Closed = true;
  // A changed resolution never outlives the program, however it ends.
  Display->RestoreStoredMode();
  Run->Release();
  event->accept();
  QCoreApplication::exit(ExitStatusValue);
}

// The close's box about a failed automatic save (WarnPlayer) waits for the player; a signal does not.
void TFormOrbel::FinishProgram(int exitStatus) {
  if (WindowClosing) {
    if (QWidget* box = QApplication::activeModalWidget(); box && box != this) box->close();
    return;
  }
  ExitStatusValue = exitStatus;
  close();
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
  if (!WindowClosing) DisplayModesValue.FormMouseMove(y);
}

void TFormOrbel::miFontClick() {
  if (!FormFont) return;
  QFont font = MsgBoardValue->font();
  font.setFamily(FormFont->SelectFont(font.family()));
  MsgBoardValue->setFont(font);
  // The face is set even when it is unchanged (Cancel), and the board repaints either way.
  MsgBoardValue->RepaintNow();
}

// A key released while another window has the focus never reaches this one: fast-forward ends with the focus.
void TFormOrbel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
    Run->StopFastForward();
    ReaderValue->ShowFastForward(false);
  }
  QMainWindow::changeEvent(event);
}

void TFormOrbel::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (Overlay->Active() && centralWidget()) Overlay->setGeometry(centralWidget()->geometry());
  PlaceIndicators();
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
