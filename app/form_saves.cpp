// SPDX-License-Identifier: GPL-3.0-or-later
// The engine window's side of the player's saves and keys: F5 and F9, Space to pause, Ctrl to fast-forward,
// the Save and Load items with their dialog, and the notices that answer them.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "app/form_orbel.h"
#include "app/save_dialog.h"
#include "app/save_slots.h"
#include "game/save_file.h"
#include "platform/errors.h"
#include "platform/text_codec.h"

namespace orbel::app {

namespace {

// The game closed last time with its position kept: go on from there, or start again. A ticked box keeps the
// answer for this game, so later starts ask nothing.
bool AskToContinueOver(QWidget* window, const game::TSave& save, bool& remember) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Orbel"),
                  QStringLiteral("前回の続きから始めますか?\n\n%1 行目: %2")
                      .arg(save.Line)
                      .arg(QString::fromStdString(save.Text)),
                  QMessageBox::NoButton, window);
  box.setWindowModality(Qt::WindowModal);
  QPushButton* resume = box.addButton(QStringLiteral("続きから"), QMessageBox::AcceptRole);
  QPushButton* again = box.addButton(QStringLiteral("最初から"), QMessageBox::RejectRole);
  box.setDefaultButton(resume);
  box.setEscapeButton(again);
  auto* keep = new QCheckBox(QStringLiteral("このゲームではいつもこうする"));
  box.setCheckBox(keep);
  box.exec();
  remember = keep->isChecked();
  return box.clickedButton() == resume;
}

}  // namespace

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
      if (!autoRepeat && !Run->Closing() && !Run->FastForwarding() && !Run->StartFastForward() &&
          Run->Paused())
        ShowNotice(QStringLiteral("一時停止中は早送りできません"));
      return true;
    default:
      return false;
  }
}

void TFormOrbel::FormKeyUp(int key, bool autoRepeat) {
  if (key == Qt::Key_Control && !autoRepeat) Run->StopFastForward();
}

void TFormOrbel::TogglePause() {
  if (Run->Closing() || Run->FastForwarding()) return;
  if (!Run->SetPaused(!Run->Paused())) return;
  PauseIndicatorValue->setVisible(Run->Paused());
  PlaceIndicators();
}

void TFormOrbel::PlaceIndicators() {
  if (!PauseIndicatorValue) return;
  const QPoint corner = centralWidget() ? centralWidget()->geometry().topLeft() : QPoint();
  for (QLabel* label : {PauseIndicatorValue, NoticeValue}) label->adjustSize();
  PauseIndicatorValue->move(corner + QPoint(12, 12));
  // A notice goes below the pause indicator when that is shown, else in its place.
  const int below = PauseIndicatorValue->isHidden() ? 0 : PauseIndicatorValue->height() + 6;
  NoticeValue->move(corner + QPoint(12, 12 + below));
  PauseIndicatorValue->raise();
  NoticeValue->raise();
}

void TFormOrbel::ShowNotice(const QString& text) {
  std::fprintf(stderr, "orbel: %s\n", text.toUtf8().constData());
  NoticeValue->setText(text);
  PlaceIndicators();
  NoticeValue->show();
  // A plain timer of the toolkit: the notice lasts a few seconds of the player's time, whatever the game's
  // clock does meanwhile.
  QTimer::singleShot(3000, NoticeValue, [label = NoticeValue, text] {
    if (label->text() == text) label->hide();
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
    ShowNotice(QStringLiteral("ロード中はセーブできません"));
    return false;
  }
  try {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    game::WriteSaveFile(Run->CurrentSave(), path);
  } catch (const game::ESaveError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
    return false;
  }
  return true;
}

void TFormOrbel::QuickSave() {
  if (!PlayerRun()) return;
  if (SaveTo(QuickSavePath(SavesFolder()))) ShowNotice(QStringLiteral("クイックセーブしました"));
}

void TFormOrbel::QuickLoad() {
  if (!PlayerRun()) return;
  const std::string path = QuickSavePath(SavesFolder());
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    ShowNotice(QStringLiteral("クイックセーブがありません"));
    return;
  }
  LoadAndRestart(path);
}

void TFormOrbel::SaveClick() {
  if (!PlayerRun() || Run->Closing() || SavesFolder().empty()) return;
  Run->StopFastForward();
  // The save is of the moment the player asked for it; the game stands still while the dialog is open where
  // the clock allows.
  const game::TSave save = Run->CurrentSave();
  const bool pausedHere = !Run->Paused() && Run->SetPaused(true);
  TFormSaves dialog(TFormSaves::smSave, ListSlots(SavesFolder()), this);
  const bool taken = dialog.exec() == QDialog::Accepted && dialog.ChosenSlot();
  if (pausedHere) Run->SetPaused(false);
  if (!taken || Run->Closing()) return;
  if (Run->Replaying()) return;
  const std::string path = SlotPath(SavesFolder(), *dialog.ChosenSlot());
  try {
    std::error_code error;
    std::filesystem::create_directories(SavesFolder(), error);
    game::WriteSaveFile(save, path);
    ShowNotice(QStringLiteral("%1 番にセーブしました").arg(*dialog.ChosenSlot()));
  } catch (const game::ESaveError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
  }
}

void TFormOrbel::LoadClick() {
  if (!PlayerRun() || Run->Closing() || SavesFolder().empty()) return;
  Run->StopFastForward();
  const bool pausedHere = !Run->Paused() && Run->SetPaused(true);
  TFormSaves dialog(TFormSaves::smLoad, ListSlots(SavesFolder()), this);
  const bool taken = dialog.exec() == QDialog::Accepted && dialog.ChosenSlot();
  if (pausedHere) Run->SetPaused(false);
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
    ShowNotice(QStringLiteral("プログラムを起動し直せません"));
    return;
  }
  FinishProgram(esOk);
}

}  // namespace orbel::app
