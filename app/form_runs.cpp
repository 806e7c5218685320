// SPDX-License-Identifier: GPL-3.0-or-later
// The window's runs: the first one, and the ones a load asks for in its place. A load is a request: the run
// shown ends (every wait of its script returns, as at a close), and once nothing of it is on the stack the
// window starts the requested run in the same controls, which replays the game up to its start point under
// the load's sign. Window, size, full screen, the board's font and every option stay as they were.

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>

#include "app/form_orbel.h"
#include "app/load_overlay.h"
#include "app/orbel_application.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "controls/wave_channel.h"
#include "platform/engine_clock.h"
#include "platform/translation.h"

namespace orbel::app {

namespace {

// The game closed last time with its position kept: go on from there, or start again. A ticked box keeps the
// answer for this game, so later starts ask nothing.
bool AskToContinueOver(QWidget* window, const game::TSave& save, bool& remember) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Orbel"), ContinueQuestion(save),
                  QMessageBox::NoButton, window);
  box.setWindowModality(Qt::WindowModal);
  QPushButton* resume = box.addButton(platform::Tr("Window", "Continue").QStr(), QMessageBox::AcceptRole);
  QPushButton* again = box.addButton(platform::Tr("Window", "Start again").QStr(), QMessageBox::RejectRole);
  box.setDefaultButton(resume);
  box.setEscapeButton(again);
  auto* keep = new QCheckBox(platform::Tr("Window", "Always do this for this game").QStr());
  box.setCheckBox(keep);
  box.exec();
  remember = keep->isChecked();
  return box.clickedButton() == resume;
}

}  // namespace

QString ContinueQuestion(const game::TSave& save) {
  const QString where = save.Text.empty()
                            ? platform::Tr("Window", "Line %1").Arg(save.Line).QStr()
                            : platform::Tr("Window", "Line %1: %2").Arg(save.Line).Arg(save.Text).QStr();
  return platform::Tr("Window", "Continue from where you left off last time?").QStr() +
         QStringLiteral("\n\n") + where;
}

// Asked over the shown window before the script's first step, while nothing of the game has run. Going on
// loads the save as any load does: this run ends before it began and the replay takes its place.
bool TFormOrbel::StartFromContinueOffer() {
  const TContinueOffer offer = std::move(*ContinueOffer);
  ContinueOffer.reset();
  bool remember = false;
  const bool resume =
      AskToContinue ? AskToContinue(offer.Save, remember) : AskToContinueOver(this, offer.Save, remember);
  if (remember && offer.Remember) offer.Remember(resume);
  if (!resume || Run->Closing()) return false;
  RequestRun(offer.Start);
  return true;
}

void TFormOrbel::WireRun() {
  Run->Attach({ViewValue, MsgBoardValue, Movie0, Movie1, PCM, StatusPanels[2]});
  Run->Timeline().SetTickGrid(TimerOriginMs);
  Run->OnTransitionStarted = [this] { WakeTimer(); };
  Run->OnFinish = [this](int exitStatus) { FinishProgram(exitStatus); };
  // Taken up from the event loop, where nothing of the ended run is left.
  Run->OnEnded = [this] {
    QMetaObject::invokeMethod(
        this, [this] { CarryOutLoads(); }, Qt::QueuedConnection);
  };
  Run->OnReplayEnded = [this] {
    BackFromLoad.reset();
    Overlay->Finish();
    ReaderValue->LoadArrived(MsgBoardValue->RevealRunning());
  };
  Run->OnRefused = [this](const std::string& why) { RunRefused(why); };
  Run->OnBoardText = [this](const QStringList& shown) {
    ReaderValue->TextShown();
    if (OnBoardText) OnBoardText(shown);
  };
  OutputsValue->Follow(Run.get());
}

void TFormOrbel::StartAt(const TStartPoint& start) {
  Run->StartAt(start);
  // A start-up load given up goes to the game's start.
  if (start.Replays() && Watched()) BackFromLoad = TStartPoint{};
  if (Watched() && Run->Replaying())
    Overlay->Begin({}, centralWidget()->geometry(), [this] { return Run->Timeline().ReplayProgress(); });
}

void TFormOrbel::SetTranslation(std::shared_ptr<const translation::TCatalogue> catalogue) {
  Catalogue = std::move(catalogue);
  if (Catalogue) Run->SetTranslation(Catalogue);
}

bool TFormOrbel::Loading() const {
  return Requested || Overlay->Active() || Run->Replaying();
}

void TFormOrbel::RequestRun(const TStartPoint& start, bool cancellable) {
  if (WindowClosing || Requested) return;
  Requested = TRequestedRun{start, std::nullopt};
  // Escape takes the player back to where they are now: the run's instant, or the game's start when it has
  // not begun.
  if (cancellable) {
    Requested->Back = TStartPoint{};
    const game::TSave here = Run->CurrentSave();
    if (here.Steps > 0 && !Run->Replaying())
      Requested->Back->Instant = TSaveInstant{here.TimeMs, here.Steps, here.TickPhaseMs};
  }
  // From now until the requested run has reached its instant, the window shows what it shows now.
  if (Watched() && !Overlay->Active())
    Overlay->Begin(centralWidget()->grab().toImage(), centralWidget()->geometry(),
                   [this] { return Run->Timeline().ReplayProgress(); });
  PauseIndicatorValue->hide();
  ReaderValue->RunEnds();
  OutputsValue->KeepPosition();
  Run->End();
  // At rest nothing of the run is on the stack: the requested run starts now.
  if (!Run->Active()) CarryOutLoads();
}

// Carried out from the event loop once the ended run has left the stack (TEngineRun::OnEnded) or from Play;
// a run that ends while its successor replays in here is followed by the next in the same loop, so loads
// never nest.
void TFormOrbel::CarryOutLoads() {
  if (CarryingOut || WindowClosing) return;
  CarryingOut = true;
  while (Requested && Run->Closing() && !WindowClosing) {
    StartRequestedRun();
    Run->RunVirtualTime();
  }
  CarryingOut = false;
}

void TFormOrbel::StartRequestedRun() {
  const TRequestedRun next = std::move(*Requested);
  Requested.reset();
  Run->Release();
  ResetControls();
  std::unique_ptr<TEngineRun> ended = std::move(Run);
  platform::TEngineClock& clock = platform::EngineClock();
  // A run given up during its replay leaves the clock virtual; a run without a replay goes on in real time.
  if (!next.Start.Replays() && !Options.Fast) clock.SwitchToReal();
  MakeRun(next.Start);
  ended.reset();
  BackFromLoad = Run->Replaying() ? next.Back : std::nullopt;
  if (!Run->Replaying()) Overlay->Finish();
}

void TFormOrbel::MakeRun(const TStartPoint& start) {
  Run = std::make_unique<TEngineRun>(Options, GameValue, TimerOriginMs, *OutputsValue);
  WireRun();
  try {
    PrepareRun();
  } catch (const std::exception& error) {
    StartUpFailed(error);
  }
  if (Catalogue) Run->SetTranslation(Catalogue);
  // A replay given up left the view waiting for its end.
  ViewValue->HoldFrames(false);
  ViewValue->SetScreen(Run->Screen());
  Run->StartAt(start);
  Run->PostFirstStep();
  WakeTimer();
}

// The controls belong to the window and go on from run to run: their devices close, the board takes its
// first look again but keeps the font the player chose.
void TFormOrbel::ResetControls() {
  for (controls::TMovie* movie : {Movie0, Movie1}) {
    if (movie->DeviceID() != 0) movie->Close();
    movie->hide();
  }
  if (PCM->DeviceID() != 0) PCM->Close();
  while (MsgBoardValue->RevealRunning()) MsgBoardValue->RevealTick();
  const QFont font = MsgBoardValue->font();
  controls::ConfigureMsgBoard(*MsgBoardValue);
  MsgBoardValue->setFont(font);
  MsgBoardValue->RepaintNow();
  StatusPanels[2]->clear();
}

void TFormOrbel::CancelLoad() {
  if (!Run->Replaying() || !BackFromLoad) return;
  const TStartPoint back = *BackFromLoad;
  BackFromLoad.reset();
  RequestRun(back, false);
}

// The player hears why, in a message of its own, and goes back to where they were.
void TFormOrbel::RunRefused(const std::string& why) {
  std::fprintf(stderr, "orbel: %s\n", why.c_str());
  auto* box = new QMessageBox(QMessageBox::Warning, kApplicationTitle, QString::fromStdString(why),
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
  const TStartPoint back = BackFromLoad.value_or(TStartPoint{});
  BackFromLoad.reset();
  RequestRun(back, false);
}

int TFormOrbel::Play() {
  CarryingOut = true;
  Run->RunVirtualTime();
  CarryingOut = false;
  CarryOutLoads();
  if (!WindowClosing) QCoreApplication::exec();
  return ExitStatusValue;
}

}  // namespace orbel::app
