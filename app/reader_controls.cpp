// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/reader_controls.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QWidget>
#include <algorithm>

#include "app/engine_run.h"
#include "app/history_window.h"
#include "app/volume_dialog.h"
#include "media/audio.h"
#include "platform/engine_clock.h"
#include "platform/translation.h"

namespace orbel::app {

QLabel* MakeSign(QWidget* window, const QString& text) {
  auto* label = new QLabel(text, window);
  label->setStyleSheet(
      QStringLiteral("QLabel { background: rgba(0, 0, 0, 170); color: white; padding: 4px 10px; "
                     "font-size: 16px; }"));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->hide();
  return label;
}

TReaderControls::TReaderControls(QWidget* window, THooks hooks, bool watched)
    : QObject(window), Window(window), Hooks(std::move(hooks)), Watched(watched) {
  FastForwardSignValue = MakeSign(window, platform::Tr("Window", "Fast forward").QStr());
  // Small, in the picture's lower right corner, where the eye finishes reading.
  HoldSignValue = MakeSign(window, QStringLiteral("\u25BC"));
}

void TReaderControls::SetChoices(const TReaderChoices& choices) {
  ChoicesValue = choices;
  media::SetVolumes(ChoicesValue.Volumes);
  platform::EngineClock().SetRate(ChoicesValue.Speed);
  ShowSpeed();
  if (HoldTextItemValue) HoldTextItemValue->setChecked(ChoicesValue.HoldText);
  if (!ChoicesValue.HoldText) ReleaseText();
}

void TReaderControls::AddMenuItems(QMenu* settings) {
  // The program's own items: captions in the user's language.
  settings->addSeparator();
  HoldTextItemValue = settings->addAction(platform::Tr("Window", "Hold after each &text").QStr());
  HoldTextItemValue->setCheckable(true);
  HoldTextItemValue->setChecked(ChoicesValue.HoldText);
  connect(HoldTextItemValue, &QAction::triggered, this, [this](bool checked) { SetHoldText(checked); });
  SpeedMenuValue = settings->addMenu(platform::Tr("Window", "&Speed").QStr());
  SpeedGroup = new QActionGroup(this);
  for (const double factor : kMenuSpeeds) AddSpeedItem(factor);
  ShowSpeed();
  VolumeItemValue = settings->addAction(platform::Tr("Window", "&Volume...").QStr());
  connect(VolumeItemValue, &QAction::triggered, this, &TReaderControls::VolumeClick);
}

void TReaderControls::SetHoldText(bool hold) {
  TReaderChoices choices = ChoicesValue;
  choices.HoldText = hold;
  SetChoices(choices);
  if (Watched && Remember) Remember(ChoicesValue, rcHoldText);
}

QAction* TReaderControls::AddSpeedItem(double factor) {
  QAction* item =
      SpeedMenuValue->addAction(platform::Tr("Window", "%1x").Arg(QString::number(factor, 'g', 3)).QStr());
  item->setCheckable(true);
  item->setData(factor);
  SpeedGroup->addAction(item);
  connect(item, &QAction::triggered, this, [this, factor] { SetSpeed(factor); });
  return item;
}

// The menu names the speed in force; one the command line gave that the menu does not offer is offered too.
void TReaderControls::ShowSpeed() {
  if (!SpeedGroup) return;
  QAction* chosen = nullptr;
  for (QAction* item : SpeedGroup->actions())
    if (item->data().toDouble() == ChoicesValue.Speed) chosen = item;
  if (!chosen) chosen = AddSpeedItem(ChoicesValue.Speed);
  chosen->setChecked(true);
}

void TReaderControls::SetSpeed(double factor) {
  TReaderChoices choices = ChoicesValue;
  choices.Speed = std::clamp(factor, platform::TEngineClock::kMinRate, platform::TEngineClock::kMaxRate);
  SetChoices(choices);
  if (Watched && Remember) Remember(ChoicesValue, rcSpeed);
}

void TReaderControls::VolumeClick() {
  // The game goes on meanwhile: the player hears what the sliders do.
  const media::TVolumes before = ChoicesValue.Volumes;
  TFormVolume dialog(before, Window);
  dialog.OnChanged = [this](const media::TVolumes& volumes) {
    ChoicesValue.Volumes = volumes;
    media::SetVolumes(volumes);
  };
  if (OnVolumeOpened) OnVolumeOpened(dialog);
  dialog.exec();
  if (!(ChoicesValue.Volumes == before) && Watched && Remember) Remember(ChoicesValue, rcVolumes);
}

bool TReaderControls::KeyPressed(int key, bool autoRepeat) {
  if (Hooks.Loading()) return false;
  switch (key) {
    case Qt::Key_PageUp:
      if (!autoRepeat) OpenHistory();
      return true;
    case Qt::Key_PageDown:
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!Held) return false;
      if (!autoRepeat) ReleaseText();
      return true;
    default:
      return false;
  }
}

bool TReaderControls::Wheel(int delta) {
  if (Hooks.Loading()) return false;
  if (delta > 0) {
    OpenHistory();
    return true;
  }
  if (delta < 0 && Held) {
    ReleaseText();
    return true;
  }
  return false;
}

bool TReaderControls::LeftClick() {
  if (!Held || Hooks.Loading()) return false;
  ReleaseText();
  return true;
}

void TReaderControls::TextShown() {
  TextToHold = true;
}

void TReaderControls::TextRevealed() {
  const bool shown = TextToHold;
  TextToHold = false;
  // Nobody could let a held text go in a run nobody watches.
  if (!shown || !ChoicesValue.HoldText || !Watched || Held || HistoryOpenValue || Hooks.Loading()) return;
  TEngineRun& run = Hooks.Run();
  // Only a game played in real time holds: a replay, --fast and fast-forward have nobody reading, and a
  // paused game already stands still.
  if (run.Closing() || run.Replaying() || run.FastForwarding() || run.Paused() ||
      platform::EngineClock().IsVirtual() || !run.SetPaused(true))
    return;
  Held = true;
  ShowSigns();
}

void TReaderControls::LoadArrived(bool revealing) {
  TextToHold = true;
  if (!revealing)
    QMetaObject::invokeMethod(
        this, [this] { TextRevealed(); }, Qt::QueuedConnection);
}

void TReaderControls::ReleaseText() {
  if (!Held) return;
  Held = false;
  Hooks.Run().SetPaused(false);
  ShowSigns();
}

bool TReaderControls::HandHoldToPause() {
  if (!Held) return false;
  Held = false;
  ShowSigns();
  return true;
}

void TReaderControls::RunEnds() {
  Held = false;
  TextToHold = false;
  FastForwardSignValue->hide();
  ShowSigns();
}

void TReaderControls::ShowFastForward(bool on) {
  FastForwardSignValue->setVisible(on);
  PlaceSigns(Picture);
}

void TReaderControls::ShowSigns() {
  HoldSignValue->setVisible(Held);
  PlaceSigns(Picture);
}

void TReaderControls::PlaceSigns(const QRect& picture) {
  Picture = picture;
  FastForwardSignValue->adjustSize();
  HoldSignValue->adjustSize();
  // Where the pause's sign is: the two never show together.
  FastForwardSignValue->move(picture.topLeft() + QPoint(12, 12));
  HoldSignValue->move(picture.bottomRight() -
                      QPoint(HoldSignValue->width() + 12, HoldSignValue->height() + 12));
  FastForwardSignValue->raise();
  HoldSignValue->raise();
}

void TReaderControls::OpenHistory() {
  TEngineRun& run = Hooks.Run();
  // The history of a run still replaying up to its instant is not the player's yet.
  if (HistoryOpenValue || run.Closing() || run.Replaying() || Hooks.Loading()) return;
  if (run.TextHistory().Entries().empty()) {
    Hooks.Notice(platform::Tr("Window", "No text has been shown yet").QStr());
    return;
  }
  run.StopFastForward();
  ShowFastForward(false);
  // The game stands still while the player reads back, where the clock allows; a held text stays held.
  const bool pausedHere = !run.Paused() && run.SetPaused(true);
  HistoryOpenValue = true;
  THistoryWindow window(run.TextHistory(), ChoicesValue.HistoryFontPx, Window);
  window.OnFontChanged = [this](int fontPx) {
    ChoicesValue.HistoryFontPx = fontPx;
    if (Watched && Remember) Remember(ChoicesValue, rcHistoryFont);
  };
  if (OnHistoryOpened) OnHistoryOpened(window);
  window.exec();
  HistoryOpenValue = false;
  // The run may have ended meanwhile (the window closed): nothing of it is touched then.
  TEngineRun& after = Hooks.Run();
  if (&after != &run || run.Closing()) return;
  if (pausedHere) run.SetPaused(false);
  if (!window.Chosen()) return;
  const TTextHistory::TEntry entry = run.TextHistory().Entries()[*window.Chosen()];
  if (!entry.Reachable) {
    Hooks.Notice(platform::Tr("Window",
                              "That text was shown before the script changed; the game cannot go "
                              "back to it")
                     .QStr());
    return;
  }
  ReleaseText();
  TStartPoint start;
  start.Instant = entry.Instant;
  Hooks.GoBack(start);
}

}  // namespace orbel::app
