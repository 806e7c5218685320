// SPDX-License-Identifier: GPL-3.0-or-later
// The engine window's side of the player's saves and keys: F5 and F9, Space to pause, Ctrl to fast-forward,
// the Save and Load items with their dialog, and the notices that answer them.

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/form_orbel.h"
#include "app/save_dialog.h"
#include "app/save_slots.h"
#include "game/save_file.h"
#include "platform/errors.h"
#include "platform/text_codec.h"
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
// replays the game as a run started from the save would.
bool TFormOrbel::StartFromContinueOffer() {
  const TContinueOffer offer = std::move(*ContinueOffer);
  ContinueOffer.reset();
  bool remember = false;
  const bool resume =
      AskToContinue ? AskToContinue(offer.Save, remember) : AskToContinueOver(this, offer.Save, remember);
  if (remember && offer.Remember) offer.Remember(resume);
  if (!resume || Run->Closing()) return false;
  Run->ReplayFrom(offer.Start);
  return true;
}

// The player closing the game expects to find it again next time: a failed automatic save is said while the
// window still stands (a close by a signal tells only standard error, since nobody may be there to answer).
void TFormOrbel::TellIfNotKept() {
  if (!Run->AutoSaveProblem().empty() && Run->ExitStatus() == esOk && WarnPlayer)
    WarnPlayer(platform::Tr("Window",
                            "Where the game is could not be kept, so the next start cannot continue "
                            "from here:\n%1")
                   .Arg(Run->AutoSaveProblem())
                   .QStr());
}

// The close's box about a failed automatic save (WarnPlayer) waits for the player; a signal does not.
void TFormOrbel::FinishProgram(int exitStatus) {
  if (Run->Closing()) {
    if (QWidget* box = QApplication::activeModalWidget(); box && box != this) box->close();
    return;
  }
  Run->FinishProgram(exitStatus);
}

bool TFormOrbel::FormKeyDown(int key, bool autoRepeat) {
  switch (key) {
    case Qt::Key_F5:
      if (!autoRepeat) QuickSave();
      return true;
    case Qt::Key_F9:
      if (!autoRepeat) QuickLoad();
      return true;
    case Qt::Key_Space:
      if (!autoRepeat) TogglePause();
      return true;
    case Qt::Key_Control:
      if (autoRepeat || Run->Closing() || Run->FastForwarding()) return true;
      // Skipping goes past a text held for reading, not past the pause.
      if (TextHeld()) ReleaseText();
      if (!Run->StartFastForward() && Run->Paused())
        ShowNotice(platform::Tr("Window", "The game cannot run fast while it is paused").QStr());
      ShowReaderSigns();
      return true;
    case Qt::Key_PageUp:
      if (!autoRepeat) OpenHistory();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!TextHeld()) return false;
      ReleaseText();
      return true;
    default:
      return false;
  }
}

void TFormOrbel::FormKeyUp(int key, bool autoRepeat) {
  if (key != Qt::Key_Control || autoRepeat) return;
  Run->StopFastForward();
  ShowReaderSigns();
}

void TFormOrbel::TogglePause() {
  if (Run->Closing() || Run->FastForwarding()) return;
  if (PauseKeyHold.Holding())
    PauseKeyHold.Release();
  else
    PauseKeyHold = Run->Hold();
  PauseIndicatorValue->setVisible(PauseKeyHold.Holding());
  PlaceIndicators();
}

void TFormOrbel::PlaceIndicators() {
  if (!PauseIndicatorValue) return;
  const QPoint corner = centralWidget() ? centralWidget()->geometry().topLeft() : QPoint();
  PauseIndicatorValue->adjustSize();
  // A long notice (a path, the system's reason) wraps inside the picture: a path may break after each '/'.
  if (!NoticeValue->text().isEmpty()) {
    const int widest = std::max(80, (centralWidget() ? centralWidget()->width() : width()) - 24);
    NoticeValue->setFixedWidth(
        std::min(widest, NoticeValue->fontMetrics().horizontalAdvance(NoticeValue->text()) + 21));
    NoticeValue->setFixedHeight(NoticeValue->heightForWidth(NoticeValue->width()));
  }
  PauseIndicatorValue->move(corner + QPoint(12, 12));
  // Fast-forward's sign takes the pause's place: the game is never both.
  FastForwardSignValue->adjustSize();
  FastForwardSignValue->move(corner + QPoint(12, 12));
  HoldSignValue->adjustSize();
  const QSize picture = centralWidget() ? centralWidget()->size() : size();
  HoldSignValue->move(corner + QPoint(picture.width() - HoldSignValue->width() - 12,
                                      picture.height() - HoldSignValue->height() - 12));
  // A notice goes below the pause's or fast-forward's sign when one is shown, else in its place.
  const QLabel* above = !PauseIndicatorValue->isHidden() ? PauseIndicatorValue : FastForwardSignValue;
  const int below = above->isHidden() ? 0 : above->height() + 6;
  NoticeValue->move(corner + QPoint(12, 12 + below));
  for (QLabel* label : {PauseIndicatorValue, FastForwardSignValue, HoldSignValue, NoticeValue}) label->raise();
}

void TFormOrbel::ShowNotice(const QString& text) {
  std::fprintf(stderr, "orbel: %s\n", text.toUtf8().constData());
  NoticeValue->setText(QString(text).replace(QLatin1Char('/'), QStringLiteral("/\u200B")));
  PlaceIndicators();
  NoticeValue->show();
  // A plain timer of the toolkit: the notice lasts a few seconds of the player's time, whatever the game's
  // clock does meanwhile.
  QTimer::singleShot(3000, NoticeValue, [label = NoticeValue, shown = NoticeValue->text()] {
    if (label->text() == shown) label->hide();
  });
}

std::string TFormOrbel::SavesFolder() const {
  if (Run->ScriptSha256().empty()) return {};
  std::error_code error;
  return game::SavesFolder(platform::FileNameToUtf8(std::filesystem::current_path(error).string()),
                           Run->ScriptSha256());
}

bool TFormOrbel::SaveTo(const std::string& path) {
  if (!PlayerRun() || Run->Closing() || path.empty()) return false;
  // During a replay the position is the saved one's and not yet the player's own.
  if (Run->Replaying()) {
    ShowNotice(platform::Tr("Window", "The game cannot be saved while a save is being loaded").QStr());
    return false;
  }
  try {
    game::MakeSaveFolder(path);
    game::WriteSaveFile(Run->CurrentSave(), path);
  } catch (const game::ESaveError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
    return false;
  }
  return true;
}

void TFormOrbel::QuickSave() {
  if (!PlayerRun()) return;
  if (SaveTo(QuickSavePath(SavesFolder()))) ShowNotice(platform::Tr("Window", "Quick saved").QStr());
}

void TFormOrbel::QuickLoad() {
  if (!PlayerRun()) return;
  const std::string path = QuickSavePath(SavesFolder());
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    ShowNotice(platform::Tr("Window", "There is no quick save").QStr());
    return;
  }
  LoadAndRestart(path);
}

void TFormOrbel::SaveClick() {
  if (!PlayerRun() || Run->Closing() || SavesFolder().empty()) return;
  Run->StopFastForward();
  ShowReaderSigns();
  // The save is of the moment the player asked for it; the game stands still while the dialog is open where
  // the clock allows.
  const game::TSave save = Run->CurrentSave();
  platform::TClockHold hold = Run->Hold();
  TFormSaves dialog(TFormSaves::smSave, ListSlots(SavesFolder()), this);
  const bool taken = dialog.exec() == QDialog::Accepted && dialog.ChosenSlot();
  hold.Release();
  if (!taken || Run->Closing()) return;
  if (Run->Replaying()) return;
  const std::string path = SlotPath(SavesFolder(), *dialog.ChosenSlot());
  try {
    game::MakeSaveFolder(path);
    game::WriteSaveFile(save, path);
    ShowNotice(platform::Tr("Window", "Saved to slot %1").Arg(*dialog.ChosenSlot()).QStr());
  } catch (const game::ESaveError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
  }
}

void TFormOrbel::LoadClick() {
  if (!PlayerRun() || Run->Closing() || SavesFolder().empty()) return;
  Run->StopFastForward();
  ShowReaderSigns();
  platform::TClockHold hold = Run->Hold();
  TFormSaves dialog(TFormSaves::smLoad, ListSlots(SavesFolder()), this);
  const bool taken = dialog.exec() == QDialog::Accepted && dialog.ChosenSlot();
  hold.Release();
  if (taken && !Run->Closing()) LoadAndRestart(SlotPath(SavesFolder(), *dialog.ChosenSlot()));
}

// The interpreter keeps a running wait nested in its handlers, so this run cannot be wound back to another
// instant: the program starts again with --load, which replays the game up to it, and this run closes (its
// own position is kept as the automatic save, as at any close).
void TFormOrbel::LoadAndRestart(const std::string& path) {
  if (!PlayerRun() || Run->Closing()) return;
  try {
    TOptions loading = Options;
    loading.LoadFrom = path;
    loading.StartFrom.clear();
    ChooseStartPoint(loading, CurrentGame(), nullptr);
  } catch (const EOrbelError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
    return;
  }
  std::error_code error;
  const std::string game =
      !Options.GameDir.empty() ? Options.GameDir : std::filesystem::current_path(error).string();
  if (!StartProgram || !StartProgram(RestartArguments(Options, game, path, WindowScale(), FitMode(),
                                                      RememberedFullScreen()))) {
    ShowNotice(platform::Tr("Window", "The program cannot be started again").QStr());
    return;
  }
  FinishProgram(esOk);
}

}  // namespace orbel::app
