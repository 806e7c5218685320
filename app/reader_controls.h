#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TReaderControls: the reader's side of the window. The history of the board's texts (Page Up, the wheel
// turned up) and the way back to one of them, which is a load in place of that text's instant; holding once
// each text is fully shown, with its sign, until Return, a left click or the wheel turned down; and the sign
// of fast-forward; and the volume dialog. None of these keys means anything to the original games. The window
// forwards the player's keys, wheel and clicks here first, and owns it.

#include <QObject>
#include <QRect>
#include <functional>

#include "app/reader_options.h"
#include "app/save_game.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QWidget;

namespace orbel::app {

class TEngineRun;
class THistoryWindow;
class TFormVolume;

class TReaderControls : public QObject {
 public:
  struct THooks {
    std::function<TEngineRun&()> Run;  // the run shown now
    std::function<bool()> Loading;     // a load is on its way: the reader's controls rest
    std::function<void(const TStartPoint& start)> GoBack;
    std::function<void(const QString& text)> Notice;
  };
  // `window`: the parent of the signs and of the history; `watched`: the choices are the player's to keep.
  TReaderControls(QWidget* window, THooks hooks, bool watched);

  void SetChoices(const TReaderChoices& choices);
  const TReaderChoices& Choices() const { return ChoicesValue; }
  // Keeps the choices the player changed for later runs; the program entry sets it for a watched run.
  std::function<void(const TReaderChoices& choices, unsigned changed)> Remember;
  // The 設定 menu's items.
  void AddMenuItems(QMenu* settings);

  // The player's input, first: true when it was the reader's.
  bool KeyPressed(int key, bool autoRepeat);
  bool Wheel(int delta);
  bool LeftClick();

  // The script has put a text on the board (in the player's time): it is held once fully shown.
  void TextShown();
  // The board has shown the whole of its text: the game holds here when the player asked for that.
  void TextRevealed();
  // A load has arrived at its instant: the text it shows is held too, once the player's clock has taken over.
  void LoadArrived(bool revealing);
  bool TextHeld() const { return Held; }
  void ReleaseText();
  // The pause key takes over a held text: the game stays still, with the pause's sign instead.
  bool HandHoldToPause();
  // The run ends (a load, the close): nothing of it is held any more.
  void RunEnds();
  // Fast-forward started or stopped.
  void ShowFastForward(bool on);
  // The signs in the picture's corners, `picture` being where the picture lies in the window.
  void PlaceSigns(const QRect& picture);

  void OpenHistory();
  // Called with the history window as it opens (tests drive it from here).
  std::function<void(THistoryWindow& window)> OnHistoryOpened;
  bool HistoryOpen() const { return HistoryOpenValue; }

  QLabel* HoldSign() const { return HoldSignValue; }
  QLabel* FastForwardSign() const { return FastForwardSignValue; }
  QAction* HoldTextItem() const { return HoldTextItemValue; }
  QAction* VolumeItem() const { return VolumeItemValue; }
  QMenu* SpeedMenu() const { return SpeedMenuValue; }
  // Called with the volume dialog as it opens (tests drive it from here).
  std::function<void(TFormVolume& dialog)> OnVolumeOpened;

 private:
  void SetHoldText(bool hold);
  void SetSpeed(double factor);
  QAction* AddSpeedItem(double factor);
  void ShowSpeed();
  void VolumeClick();
  void ShowSigns();

  QWidget* Window;
  THooks Hooks;
  const bool Watched;
  TReaderChoices ChoicesValue;
  bool Held = false;
  bool TextToHold = false;
  QRect Picture;  // where the picture lies in the window
  bool HistoryOpenValue = false;
  QLabel* HoldSignValue = nullptr;
  QLabel* FastForwardSignValue = nullptr;
  QAction* HoldTextItemValue = nullptr;
  QAction* VolumeItemValue = nullptr;
  QMenu* SpeedMenuValue = nullptr;
  QActionGroup* SpeedGroup = nullptr;
};

// A small label over the picture in the look of the pause's sign, hidden: a child of the window, not of the
// view, so --grab and --record never see it.
QLabel* MakeSign(QWidget* window, const QString& text);

}  // namespace orbel::app
