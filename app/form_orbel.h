#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TFormOrbel: the engine window: its controls, the menu, the keys and the close. The game's run (the script,
// the picture buffers, the waits, the outputs) is TEngineRun's, and the way the picture reaches today's
// displays is TPresentation's.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine_run.h"
#include "app/options.h"
#include "app/presentation.h"
#include "app/reader_options.h"
#include "app/save_slots.h"
#include "platform/display_settings.h"
#include "platform/engine_clock.h"
#include "screen/display_modes.h"
#include "screen/screen.h"
#include "script/interpreter.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;

namespace orbel::controls {
class TBoard;
class TMovie;
class TWaveChannel;
}  // namespace orbel::controls
namespace orbel::dialogs {
class TFormFont;
}

namespace orbel::app {

class THistoryWindow;
class TScreenView;
class TStagePresenter;

// The question at the start of a game with an automatic save: whether to go on from the save's line and the
// board text it holds, or from the line alone when it holds none.
QString ContinueQuestion(const game::TSave& save);

class TFormOrbel : public QMainWindow, private screen::IDisplayWindow {
  Q_OBJECT
 public:
  // `display` is the display-settings service (the platform's own when none is given).
  explicit TFormOrbel(const TOptions& options, std::unique_ptr<platform::TDisplaySettings> display = nullptr,
                      QWidget* parent = nullptr);
  ~TFormOrbel() override;

  // The font dialog, created by the program entry right after the window.
  void SetFontDialog(dialogs::TFormFont* dialog) { FormFont = dialog; }

  // The exit status batch mode and --quit-after decided, once the window has closed.
  int ExitStatus() const { return Run->ExitStatus(); }

  // Start-up, run by the constructor (errors reported, the remaining steps skipped).
  void FormCreate();
  void FormKeyPress(QChar key);
  // The keys that have no character: F5 (quick save), F9 (quick load), Space (pause) and Ctrl held
  // (fast-forward). True when the key is one of them; a key held down repeats only where that means
  // something.
  bool FormKeyDown(int key, bool autoRepeat = false);
  void FormKeyUp(int key, bool autoRepeat = false);
  void DispItemClick(QAction* item);
  void FormMouseMove(int y);
  void ExitClick();
  void miFontClick();
  void ETimerTimer();
  void PlayMovieToEnd(const std::string& name);
  // Writes ScreenBuffer to `path` as a 24-bit bitmap; raises the "cannot create" error when it cannot.
  void SaveScreenTo(const std::string& path);
  void Button1Click();
  void CloseIme();

  // Read access for tests and the program entry.
  TEngineRun& EngineRun() { return *Run; }
  screen::TScreen& Screen() { return Run->Screen(); }
  screen::TDisplayModes& DisplayModes() { return DisplayModesValue; }
  script::TInterpreter& Interpreter() { return Run->Interpreter(); }
  controls::TBoard* MsgBoard() const { return MsgBoardValue; }
  // Movie0 and Movie1: the controls behind LogoMovie and ScriptMovie.
  controls::TMovie* LogoMovieControl() const { return Movie0; }
  controls::TMovie* ScriptMovieControl() const { return Movie1; }
  TScreenView* View() const { return ViewValue; }
  QMenu* Mode1() const { return Mode1Value; }
  QAction* DispItem(screen::TDispItemTag tag) const { return DispItems[tag - screen::diFull640x480]; }
  QAction* MiLoad() const { return MiLoadValue; }
  QAction* MiSave() const { return MiSaveValue; }
  QAction* Exit() const { return ExitValue; }
  QLabel* PauseIndicator() const { return PauseIndicatorValue; }
  QLabel* Notice() const { return NoticeValue; }
  // The 50 ms tick and the moment of engine time its grid counts from.
  const platform::TEngineTimer& Timer() const { return ETimer; }
  int64_t TimerOrigin() const { return TimerOriginMs; }

  // Saving and loading in a player's run (none in an automated one, which writes only --save-on-exit). The
  // game's saves folder holds the slots; it is known once the script has been read.
  std::string SavesFolder() const;
  // Writes where the game is now to `path`; false (and a notice) when it cannot.
  bool SaveTo(const std::string& path);
  void SaveClick();
  void LoadClick();
  void QuickSave();
  void QuickLoad();
  // Starts the program again from the save at `path` and closes this run: the game is replayed up to the
  // save's instant and goes on in real time. A save that cannot be used leaves this run as it was.
  void LoadAndRestart(const std::string& path);
  // Starts the program again; the program's own path and the arguments. Tests put their own in.
  std::function<bool(const QStringList& arguments)> StartProgram;
  // The position kept at the last close: when the script is about to start, the window asks whether to go on
  // from there or start again.
  void OfferToContinue(TContinueOffer offer) { ContinueOffer = std::move(offer); }
  // The question itself: true to go on; `remember` keeps the answer for this game. Tests put their own in.
  std::function<bool(const game::TSave& save, bool& remember)> AskToContinue;
  // Tells the player something they must see before the window goes (a box they close); tests put their own
  // in.
  std::function<void(const QString& text)> WarnPlayer;
  void TogglePause();
  // Ends the program with the given exit status (the close handling runs as for any close). During the close,
  // a box still open for the player (WarnPlayer) is closed: a signal does not wait for an answer.
  void FinishProgram(int exitStatus);

  // F11 and Alt+Enter: full screen at the desktop's own resolution with the picture enlarged, and back.
  void ToggleFullScreen();
  // The presentation the player has: the window's scale, the full-screen fit, and whether the enlarged full
  // screen is on. The presenter exists only while the picture is enlarged.
  int WindowScale() const { return Presentation->WindowScale(); }
  TFit FitMode() const { return Presentation->FitMode(); }
  bool ScaledFullScreen() const override { return Presentation->ScaledFullScreen(); }
  // The full screen to open with next time: only one entered by F11, Alt+Enter or --fullscreen. The menu's
  // display items last for the run, as the next run's menu starts at the window item.
  bool RememberedFullScreen() const { return ScaledFullScreen() && FullScreenByKey; }
  TStagePresenter* Presenter() const { return Presentation->Presenter(); }

  // The script can post no further step on its own: none queued, no transition, no wait, no reveal.
  bool Settled() const { return Run->Settled(); }

  // ---- the reader's controls (form_reader.cpp) ----
  // The player's choices for the run: the speed, holding after each text, the volumes and the history's text
  // size. The program entry gives them once the window is made; the 設定 menu and its dialogs change them.
  void SetReaderChoices(const TReaderChoices& choices);
  const TReaderChoices& ReaderChoices() const { return Reader; }
  // Keeps a choice the player changed for later runs; the program entry sets it for a player's run.
  std::function<void(const TReaderChoices& choices, unsigned changed)> RememberReader;
  void SetSpeed(double factor);
  void SetHoldText(bool hold);
  void VolumeClick();
  // Page Up and the wheel turned up: the history of the board's texts, the game held while it is open.
  void OpenHistory();
  // Called with the history window as it opens (tests drive it from here).
  std::function<void(THistoryWindow& window)> OnHistoryOpened;
  // Takes the game back to `instant` of this run (time and steps; the tick's phase is the run's): the one
  // way the history asks for a load.
  void RequestLoad(const TSaveInstant& instant);
  // Held after a text: until Return, a left click or the wheel turned down.
  bool TextHeld() const { return TextHold.Holding(); }
  void ReleaseText();
  QLabel* HoldSign() const { return HoldSignValue; }
  QLabel* FastForwardSign() const { return FastForwardSignValue; }
  QAction* HoldTextItem() const { return HoldTextItemValue; }
  QMenu* SpeedMenu() const { return SpeedMenuValue; }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // IDisplayWindow
  void SetDispItemChecked(screen::TDispItemTag tag, bool checked) override;
  void ShowMenuBar(bool show) override;
  void ShowFrame(bool show) override { Presentation->ShowFrame(show); }
  void FitClientArea() override { Presentation->FitClientArea(); }
  bool HasFrame() const override { return Presentation->HasFrame(); }
  bool MenuBarAttached() const override;
  void ShowScaledFullScreen(bool show) override { Presentation->ShowScaledFullScreen(show); }

  // The tick wakes for a transition: it comes back on the grid it has kept since start-up.
  void WakeTimer();

  void CreateMenu();
  void SizeClientArea();
  void ScriptStart();
  // Asks about the offered position and, when the player goes on, replays the game up to it; true then.
  bool StartFromContinueOffer();
  void SaveScreenKey();
  // At the close: tells the player, through WarnPlayer, when the automatic save could not be written.
  void TellIfNotKept();
  // A small hidden label over the picture, in the look of the pause's: a child of the window, not of the
  // view, so --grab and --record never see it.
  QLabel* MakeIndicator(const QString& text);
  // A line for the player over the picture for a few seconds, and on standard error.
  void ShowNotice(const QString& text);
  void PlaceIndicators();
  bool PlayerRun() const { return !Options.Automated(); }
  // The reader's items of the 設定 menu and its signs over the picture.
  void CreateReaderMenu(QMenu* settings);
  void CreateReaderSigns();
  // The signs of fast-forward and of a held text show what the run does now.
  void ShowReaderSigns();
  // The board's reveal has brought a text onto it: the game holds there when the player asked for that.
  void TextRevealed();
  void Remember(unsigned changed);

  controls::TBoard* MsgBoardValue = nullptr;
  controls::TMovie* Movie0 = nullptr;
  controls::TMovie* Movie1 = nullptr;
  controls::TWaveChannel* PCM = nullptr;
  QStatusBar* Status = nullptr;
  QMenu* N1 = nullptr;
  QMenu* Mode1Value = nullptr;
  QAction *MiLoadValue = nullptr, *MiSaveValue = nullptr, *miFont = nullptr, *ExitValue = nullptr;
  // The window-size items in the order of their tags.
  QAction* DispItems[4] = {};
  TScreenView* ViewValue = nullptr;
  QPushButton* Button1 = nullptr;
  platform::TEngineTimer ETimer;  // the 50 ms tick, on the engine clock
  int64_t TimerOriginMs = 0;      // when the tick started: it falls due on this grid
  QStringList Memo1;
  TOptions Options;
  std::unique_ptr<platform::TDisplaySettings> Display;
  // Made before the controls (the view shows its screen) and gone before them, as the window's own parts.
  std::unique_ptr<TEngineRun> Run;
  screen::TDisplayModes DisplayModesValue;
  std::unique_ptr<TPresentation> Presentation;
  dialogs::TFormFont* FormFont = nullptr;
  QLabel* StatusPanels[3] = {};
  QActionGroup* DispGroup = nullptr;
  bool PlacedValue = false;
  std::optional<TContinueOffer> ContinueOffer;
  bool FullScreenByKey = false;
  // Over the picture, children of the window and not of the view, so --grab and --record never see them.
  QLabel* PauseIndicatorValue = nullptr;
  QLabel* NoticeValue = nullptr;
  // The pause key's hold on the game, one of the reasons it may stand still.
  platform::TClockHold PauseKeyHold;
  // The reader's controls: the choices, the hold on a text just shown and its sign, the fast-forward's
  // sign, the menu items.
  TReaderChoices Reader;
  platform::TClockHold TextHold;
  QLabel* HoldSignValue = nullptr;
  QLabel* FastForwardSignValue = nullptr;
  QMenu* SpeedMenuValue = nullptr;
  QActionGroup* SpeedGroup = nullptr;
  QAction* HoldTextItemValue = nullptr;
  bool HistoryOpen = false;
};

}  // namespace orbel::app
