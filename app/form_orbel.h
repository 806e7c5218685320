#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TFormOrbel: the engine window: its controls, the menu, the keys and the close, and the run of the game it
// shows. The run (the script, the picture buffers, the waits, its time) is TEngineRun's; a load ends it and
// the window starts another in its place, keeping itself, its controls and every choice the player made. The
// outputs are TRunOutputs', the saves TGameSaves', and the way the picture reaches today's displays is
// TPresentation's.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine_run.h"
#include "app/game_info.h"
#include "app/game_saves.h"
#include "app/options.h"
#include "app/presentation.h"
#include "app/reader_controls.h"
#include "app/run_outputs.h"
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

class TLoadOverlay;
class TScreenView;
class TStagePresenter;

// The question at the start of a game with an automatic save: whether to go on from the save's line and the
// board text it holds, or from the line alone when it holds none.
QString ContinueQuestion(const game::TSave& save);

class TFormOrbel : public QMainWindow, private screen::IDisplayWindow {
  Q_OBJECT
 public:
  // The window of `game` (the one in the current folder when none is given); `display` is the
  // display-settings service (the platform's own when none is given).
  explicit TFormOrbel(const TOptions& options, std::unique_ptr<platform::TDisplaySettings> display = nullptr,
                      QWidget* parent = nullptr, std::optional<TGameInfo> game = std::nullopt);
  ~TFormOrbel() override;

  // The font dialog, created by the program entry right after the window.
  void SetFontDialog(dialogs::TFormFont* dialog) { FormFont = dialog; }

  // The exit status batch mode and --quit-after decided, once the window has closed.
  int ExitStatus() const { return ExitStatusValue; }

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
  TRunOutputs& Outputs() { return *OutputsValue; }
  TLoadOverlay* LoadOverlay() const { return Overlay; }
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

  // Saving and loading in a run a person watches (none in any other, which writes only --save-on-exit).
  // The game's saves; none in a run nobody watches.
  const TGameSaves* Saves() const { return SavesValue.get(); }
  // Writes where the game is now to `path`; false (and a notice) when it cannot.
  bool SaveTo(const std::string& path);
  void SaveClick();
  void LoadClick();
  void QuickSave();
  void QuickLoad();
  // Where the first run starts (before its first step).
  void StartAt(const TStartPoint& start);
  // The board shows the catalogue's translations of the script's texts, in this run and every one after.
  void SetTranslation(std::shared_ptr<const translation::TCatalogue> catalogue);
  // Loads the save at `path` in place: the run ends, and once every wait of it has returned a new run
  // replays the game up to the save's instant under the load's sign and goes on there. A save that cannot be
  // used leaves the run as it is, with a notice.
  void LoadSave(const std::string& path);
  // Asks for the run to be replaced by one that starts at `start`. Escape, while it replays, takes the player
  // back to where they were (a `cancellable` load), or to the game's start when there is no such place.
  void RequestRun(const TStartPoint& start, bool cancellable = true);
  // The runs the window shows until it closes: the virtual clock's part of each, then the event loop. Returns
  // the exit status.
  int Play();
  // The position kept at the last close: when the script is about to start, the window asks whether to go on
  // from there or start again.
  void OfferToContinue(TContinueOffer offer) { ContinueOffer = std::move(offer); }
  // The question itself: true to go on; `remember` keeps the answer for this game. Tests put their own in.
  std::function<bool(const game::TSave& save, bool& remember)> AskToContinue;
  // Whether to start a save of a changed script at its line. Tests put their own in.
  TAskChangedScript AskChangedScript;
  // Whether to save over a used slot. Tests put their own in.
  std::function<bool(const TSlot& slot)> ConfirmOverwrite;
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

  // The history, holding after each text and the fast-forward's sign.
  TReaderControls& Reader() { return *ReaderValue; }
  // Each text the script puts on the board, as the player sees it, in every run the window shows (the
  // program entry hands it to --text-out and --text-server).
  std::function<void(const QStringList& shown)> OnBoardText;

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
  // Asks about the offered position; going on asks for a run that replays the game up to it. True then.
  bool StartFromContinueOffer();
  // The run's hooks into the window, and its own start: its buffers, its script and the logo.
  void WireRun();
  void PrepareRun();
  void StartUpFailed(const std::exception& error);
  // A run of the game in the window's controls, starting at `start`.
  void MakeRun(const TStartPoint& start);
  // A load has been asked for and has not reached its instant yet.
  bool Loading() const;
  // The run has ended: the ones asked for start, one after another, while nothing else is on the stack.
  void CarryOutLoads();
  void StartRequestedRun();
  // The run cannot reach its start point: the player is told, and goes back to where they were.
  void RunRefused(const std::string& why);
  // The controls as a new run finds them: the devices closed, the board as at start with the player's font.
  void ResetControls();
  void CancelLoad();
  void SaveScreenKey();
  // At the close: tells the player, through WarnPlayer, when the automatic save could not be written.
  void TellIfNotKept();
  // A line for the player over the picture for a few seconds, and on standard error.
  void ShowNotice(const QString& text);
  void PlaceIndicators();
  bool Watched() const { return Options.Watched(); }

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
  TGameInfo GameValue;
  std::unique_ptr<TGameSaves> SavesValue;
  std::unique_ptr<TRunOutputs> OutputsValue;
  // Made before the controls (the view shows its screen) and gone before them, as the window's own parts.
  std::unique_ptr<TEngineRun> Run;
  // The run asked for in place of the one shown; and while a load replays, where Escape goes instead.
  struct TRequestedRun {
    TStartPoint Start;
    std::optional<TStartPoint> Back;  // empty: the load cannot be cancelled
  };
  std::optional<TRequestedRun> Requested;
  std::optional<TStartPoint> BackFromLoad;
  bool CancelToStart = false;  // Escape during the load starts the game again
  bool CarryingOut = false;
  std::shared_ptr<const translation::TCatalogue> Catalogue;
  bool WindowClosing = false;
  int ExitStatusValue = esOk;
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
  TLoadOverlay* Overlay = nullptr;
  TReaderControls* ReaderValue = nullptr;
};

}  // namespace orbel::app
