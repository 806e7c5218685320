// SPDX-License-Identifier: GPL-3.0-or-later
// The engine window's side of the reader's controls: the history of the board's texts (Page Up, the wheel)
// and the way back to one of them, holding after each text, the game's speed, the volume dialog, and the
// signs of a held text and of fast-forward.

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>

#include "app/form_orbel.h"
#include "app/history_window.h"
#include "app/save_slots.h"
#include "app/volume_dialog.h"
#include "controls/board.h"
#include "game/save_file.h"
#include "media/audio.h"
#include "platform/engine_clock.h"
#include "platform/translation.h"

namespace orbel::app {

namespace {

QString SpeedCaption(double factor) {
  return platform::Tr("Window", "%1x").Arg(QString::number(factor, 'g', 3)).QStr();
}

}  // namespace

void TFormOrbel::CreateReaderMenu(QMenu* settings) {
  // The program's own items, in the menu's style: captions in the user's language.
  settings->addSeparator();
  SpeedMenuValue = settings->addMenu(platform::Tr("Window", "&Speed").QStr());
  SpeedGroup = new QActionGroup(this);
  for (const double factor : kMenuSpeeds) {
    QAction* item = SpeedMenuValue->addAction(SpeedCaption(factor));
    item->setCheckable(true);
    item->setData(factor);
    SpeedGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, factor] { SetSpeed(factor); });
  }
  HoldTextItemValue = settings->addAction(platform::Tr("Window", "Hold after each &text").QStr());
  HoldTextItemValue->setCheckable(true);
  connect(HoldTextItemValue, &QAction::triggered, this, [this](bool checked) { SetHoldText(checked); });
  QAction* volume = settings->addAction(platform::Tr("Window", "&Volume...").QStr());
  connect(volume, &QAction::triggered, this, &TFormOrbel::VolumeClick);
  SetReaderChoices(Reader);
}

void TFormOrbel::CreateReaderSigns() {
  FastForwardSignValue = MakeIndicator(platform::Tr("Window", "Fast forward").QStr());
  // The sign of a held text: small, in the picture's lower right corner, where the eye finishes reading.
  HoldSignValue = MakeIndicator(QStringLiteral("\u25BC"));
}

void TFormOrbel::SetReaderChoices(const TReaderChoices& choices) {
  Reader = choices;
  platform::EngineClock().SetRate(Reader.Speed);
  media::SetVolumes(Reader.Volumes);
  if (!SpeedGroup) return;
  QAction* chosen = nullptr;
  for (QAction* item : SpeedGroup->actions())
    if (item->data().toDouble() == Reader.Speed) chosen = item;
  // A speed the command line gave that the menu does not offer is offered for this run.
  if (!chosen) {
    chosen = new QAction(SpeedCaption(Reader.Speed), SpeedGroup);
    chosen->setCheckable(true);
    chosen->setData(Reader.Speed);
    SpeedMenuValue->addAction(chosen);
    connect(chosen, &QAction::triggered, this, [this, factor = Reader.Speed] { SetSpeed(factor); });
  }
  chosen->setChecked(true);
  HoldTextItemValue->setChecked(Reader.HoldText);
}

void TFormOrbel::Remember(unsigned changed) {
  if (RememberReader && PlayerRun()) RememberReader(Reader, changed);
}

void TFormOrbel::SetSpeed(double factor) {
  Reader.Speed = std::clamp(factor, platform::TEngineClock::kMinRate, platform::TEngineClock::kMaxRate);
  SetReaderChoices(Reader);
  Remember(rcSpeed);
}

void TFormOrbel::SetHoldText(bool hold) {
  Reader.HoldText = hold;
  if (!hold) ReleaseText();
  SetReaderChoices(Reader);
  Remember(rcHoldText);
}

void TFormOrbel::VolumeClick() {
  // The game goes on meanwhile: the player hears what the sliders do.
  TFormVolume dialog(Reader.Volumes, this);
  dialog.OnChanged = [this](const media::TVolumes& volumes) {
    Reader.Volumes = volumes;
    media::SetVolumes(volumes);
  };
  const media::TVolumes before = Reader.Volumes;
  dialog.exec();
  if (!(Reader.Volumes == before)) Remember(rcVolumes);
}

void TFormOrbel::TextRevealed() {
  // Only a game the player watches in real time holds: a replay, --fast and fast-forward have nobody reading.
  if (!Reader.HoldText || TextHold.Holding() || Run->Closing() || Run->Replaying() || Run->FastForwarding() ||
      platform::EngineClock().IsVirtual() || !MsgBoardValue->isVisible())
    return;
  TextHold = Run->Hold();
  ShowReaderSigns();
}

void TFormOrbel::ReleaseText() {
  TextHold.Release();
  ShowReaderSigns();
}

void TFormOrbel::ShowReaderSigns() {
  HoldSignValue->setVisible(TextHold.Holding());
  FastForwardSignValue->setVisible(Run->FastForwarding());
  PlaceIndicators();
}

void TFormOrbel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && TextHeld()) {
    ReleaseText();
    return;
  }
  QMainWindow::mousePressEvent(event);
}

void TFormOrbel::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta > 0)
    OpenHistory();
  else if (delta < 0 && TextHeld())
    ReleaseText();
  else
    QMainWindow::wheelEvent(event);
}

void TFormOrbel::OpenHistory() {
  // The history of a run still replaying up to its instant is not the player's yet.
  if (HistoryOpen || Run->Closing() || Run->Replaying()) return;
  if (Run->TextHistory().Entries().empty()) {
    ShowNotice(platform::Tr("Window", "No text has been shown yet").QStr());
    return;
  }
  Run->StopFastForward();
  ShowReaderSigns();
  HistoryOpen = true;
  platform::TClockHold hold = Run->Hold();
  THistoryWindow window(Run->TextHistory(), Reader.HistoryFontPx, this);
  window.OnFontChanged = [this](int fontPx) {
    Reader.HistoryFontPx = fontPx;
    Remember(rcHistoryFont);
  };
  if (OnHistoryOpened) OnHistoryOpened(window);
  window.exec();
  HistoryOpen = false;
  hold.Release();
  if (!window.Chosen() || Run->Closing()) return;
  const TTextHistory::TEntry& entry = Run->TextHistory().Entries()[*window.Chosen()];
  if (!entry.Reachable) {
    ShowNotice(platform::Tr("Window", "That text was shown before the script changed; the game cannot go back "
                                      "to it")
                   .QStr());
    return;
  }
  RequestLoad({entry.TimeMs, entry.Steps, 0});
}

// The one load the history asks for. Today it is the load every save gets: the program starts again from a
// save of the instant, which it replays up to.
void TFormOrbel::RequestLoad(const TSaveInstant& instant) {
  if (!PlayerRun() || Run->Closing() || SavesFolder().empty()) return;
  game::TSave save = Run->CurrentSave();
  save.TimeMs = instant.TimeMs;
  save.Steps = instant.Steps;
  save.Thumbnail.clear();
  save.History.clear();
  save.Text.clear();
  save.Line = 1;
  const std::string path = BackSavePath(SavesFolder());
  try {
    game::MakeSaveFolder(path);
    game::WriteSaveFile(save, path);
  } catch (const game::ESaveError& problem) {
    ShowNotice(QString::fromUtf8(problem.what()));
    return;
  }
  LoadAndRestart(path);
}

}  // namespace orbel::app
