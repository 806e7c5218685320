// SPDX-License-Identifier: GPL-3.0-or-later
// The engine window's keys and the player's saves: the test keys, F5 and F9, Space to pause, Ctrl to
// fast-forward, Escape to give a load up, the Save and Load items with their dialog, and the notices that
// answer them.

#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/form_orbel.h"
#include "app/game_saves.h"
#include "app/save_dialog.h"
#include "controls/board.h"
#include "controls/movie.h"
#include "game/save_file.h"
#include "platform/errors.h"
#include "platform/text_codec.h"
#include "platform/translation.h"
#include "screen/bitmap_file.h"

namespace orbel::app {

void TFormOrbel::keyPressEvent(QKeyEvent* event) {
  // While a load replays, the game takes no key: Escape gives the load up.
  if (Loading()) {
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) CancelLoad();
    return;
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (event->key() == Qt::Key_F11 || (enter && (event->modifiers() & Qt::AltModifier))) {
    ToggleFullScreen();
    return;
  }
  if (ReaderValue->KeyPressed(event->key(), event->isAutoRepeat())) return;
  if (FormKeyDown(event->key(), event->isAutoRepeat())) return;
  const QString text = event->text();
  if (text.size() == 1)
    FormKeyPress(text.at(0));
  else
    QMainWindow::keyPressEvent(event);
}

void TFormOrbel::keyReleaseEvent(QKeyEvent* event) {
  FormKeyUp(event->key(), event->isAutoRepeat());
  QMainWindow::keyReleaseEvent(event);
}

void TFormOrbel::FormKeyPress(QChar key) {
  switch (key.unicode()) {
    case 27:
      MsgBoardValue->setVisible(MsgBoardValue->isHidden());
      break;
    case '0':
    case '1':
    case '2':
    case '3': {
      // The wallpaper alone, or one of the demo's pictures on it.
      static const char* const pictures[] = {"", "01.bmp", "BG01.bmp", "BG02.bmp"};
      Screen().DispPicture(pictures[key.unicode() - '0'], screen::smWall, screen::tkDissolve);
      break;
    }
    case '4':
    case '5':
      Screen().PrepareStage(screen::smScreen);
      Screen().TransPicture(key == '4' ? "C_09A1.bmp" : "C_09A2.bmp", screen::tkDissolve);
      break;
    case '6':
      PlayMovieToEnd("M03.AVI");
      PlayMovieToEnd("M04.AVI");
      break;
    case '7':
      Memo1 = QStringList{QStringLiteral("１２３４５６７８９"), QStringLiteral("あいうえおかきくけ"),
                          QStringLiteral("ＡＢＣＤＥＦＧＨＩ")};
      MsgBoardValue->SetText(Memo1);
      break;
    case 'S':
    case 's':
      SaveScreenKey();
      break;
    default:
      break;
  }
  // The picture keys start a transition of their own.
  if (Screen().TransitionRunning()) WakeTimer();
}

void TFormOrbel::PlayMovieToEnd(const std::string& name) {
  Movie1->SetFileName(Run->FindDataFile(name));
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
  Screen().Settle();
  if (!Screen().HasBuffers() || !screen::SaveBitmapFile(Screen().ScreenBuffer, path))
    throw EOrbelError("ﾌｧｲﾙ " + platform::FileNameToUtf8(path) + " を作成できません");
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
      if (autoRepeat || Loading() || Run->FastForwarding()) return true;
      // A held text lets go: the player wants to move on.
      ReaderValue->ReleaseText();
      if (Run->StartFastForward())
        ReaderValue->ShowFastForward(true);
      else if (Run->Paused())
        ShowNotice(platform::Tr("Window", "The game cannot run fast while it is paused").QStr());
      return true;
    default:
      return false;
  }
}

void TFormOrbel::FormKeyUp(int key, bool autoRepeat) {
  if (key != Qt::Key_Control || autoRepeat) return;
  Run->StopFastForward();
  ReaderValue->ShowFastForward(false);
}

void TFormOrbel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && ReaderValue->LeftClick()) return;
  QMainWindow::mousePressEvent(event);
}

void TFormOrbel::wheelEvent(QWheelEvent* event) {
  if (!ReaderValue->Wheel(event->angleDelta().y())) QMainWindow::wheelEvent(event);
}

void TFormOrbel::TogglePause() {
  if (Loading() || Run->FastForwarding()) return;
  // A held text becomes a pause: the game stays where it is.
  if (!ReaderValue->HandHoldToPause() && !Run->SetPaused(!Run->Paused())) return;
  PauseIndicatorValue->setVisible(Run->Paused());
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
  // A notice goes below the pause indicator when that is shown, else in its place.
  const int below = PauseIndicatorValue->isHidden() ? 0 : PauseIndicatorValue->height() + 6;
  NoticeValue->move(corner + QPoint(12, 12 + below));
  PauseIndicatorValue->raise();
  NoticeValue->raise();
  if (ReaderValue && centralWidget()) ReaderValue->PlaceSigns(centralWidget()->geometry());
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

// The player closing the game expects to find it again next time: a failed automatic save is said while the
// window still stands (a close by a signal tells only standard error, since nobody may be there to answer).
void TFormOrbel::TellIfNotKept() {
  if (!OutputsValue->KeepProblem().empty() && ExitStatusValue == esOk && WarnPlayer)
    WarnPlayer(platform::Tr("Window",
                            "Where the game is could not be kept, so the next start cannot continue "
                            "from here:\n%1")
                   .Arg(OutputsValue->KeepProblem())
                   .QStr());
}

bool TFormOrbel::SaveTo(const std::string& path) {
  if (!SavesValue || Run->Closing() || path.empty()) return false;
  // During a replay the position is the saved one's and not yet the player's own.
  if (Loading()) {
    ShowNotice(platform::Tr("Window", "The game cannot be saved while a save is being loaded").QStr());
    return false;
  }
  try {
    SavesValue->Write(Run->CurrentSave(), path);
  } catch (const game::ESaveError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
    return false;
  }
  return true;
}

void TFormOrbel::QuickSave() {
  if (SavesValue && SaveTo(SavesValue->QuickPath())) ShowNotice(platform::Tr("Window", "Quick saved").QStr());
}

void TFormOrbel::QuickLoad() {
  if (!SavesValue || Loading()) return;
  const std::string path = SavesValue->QuickPath();
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    ShowNotice(platform::Tr("Window", "There is no quick save").QStr());
    return;
  }
  LoadSave(path);
}

void TFormOrbel::SaveClick() {
  if (!SavesValue || Run->Closing() || Loading()) return;
  Run->StopFastForward();
  // The save is of the moment the player asked for it; the game stands still while the dialog is open where
  // the clock allows.
  const game::TSave save = Run->CurrentSave();
  const bool pausedHere = !Run->Paused() && Run->SetPaused(true);
  TFormSaves dialog(TFormSaves::smSave, SavesValue->ListSlots(), this);
  if (ConfirmOverwrite) dialog.ConfirmOverwrite = ConfirmOverwrite;
  const bool taken = dialog.exec() == QDialog::Accepted && dialog.Chosen();
  if (pausedHere) Run->SetPaused(false);
  if (!taken || Run->Closing() || Loading()) return;
  try {
    SavesValue->Write(save, dialog.Chosen()->Path);
    ShowNotice(platform::Tr("Window", "Saved to slot %1").Arg(dialog.Chosen()->Number).QStr());
  } catch (const game::ESaveError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
  }
}

// The numbered slots, then the automatic saves the window kept of the positions it left.
void TFormOrbel::LoadClick() {
  if (!SavesValue || Run->Closing() || Loading()) return;
  Run->StopFastForward();
  const bool pausedHere = !Run->Paused() && Run->SetPaused(true);
  std::vector<TSlot> listed = SavesValue->ListSlots();
  for (TSlot& kept : SavesValue->ListAutoSaves()) listed.push_back(std::move(kept));
  TFormSaves dialog(TFormSaves::smLoad, listed, this);
  const bool taken = dialog.exec() == QDialog::Accepted && dialog.Chosen();
  if (pausedHere) Run->SetPaused(false);
  if (taken && !Run->Closing()) LoadSave(dialog.Chosen()->Path);
}

void TFormOrbel::LoadSave(const std::string& path) {
  if (!SavesValue || Run->Closing() || Loading()) return;
  TStartPoint start;
  try {
    start = SavesValue->StartPointOf(
        path, AskChangedScript ? AskChangedScript : [this](const std::string& text, int32_t line) {
          return AskAboutChangedScript(this, text, line);
        });
  } catch (const EOrbelError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
    return;
  }
  RequestRun(start);
}

}  // namespace orbel::app
