#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TFormOrbel: the engine window. It owns the picture buffers, the script, the controls and the menu, runs the
// start-up sequence, and hands every posted step to the interpreter.

#include <QEvent>
#include <QImage>
#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/options.h"
#include "platform/display_settings.h"
#include "platform/events.h"
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

class TScreenView;
class TStagePresenter;

inline constexpr int kTimerIntervalMs = 50;

class TFormOrbel : public QMainWindow,
                   private script::IScriptHost,
                   private screen::IScreenHost,
                   private screen::IDisplayWindow {
  Q_OBJECT
 public:
  // `display` is the display-settings service (the platform's own when none is given).
  explicit TFormOrbel(const TOptions& options, std::unique_ptr<platform::TDisplaySettings> display = nullptr,
                      QWidget* parent = nullptr);
  ~TFormOrbel() override;

  // The font dialog, created by the program entry right after the window.
  void SetFontDialog(dialogs::TFormFont* dialog) { FormFont = dialog; }

  // The exit status batch mode and --quit-after decided, once the window has closed.
  int ExitStatus() const { return ExitStatusValue; }

  // Start-up, run by the constructor (errors reported, the remaining steps skipped).
  void FormCreate();
  void FormKeyPress(QChar key);
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

  std::string FindDataFile(const std::string& name) override;

  // Read access for tests and the program entry.
  screen::TScreen& Screen() { return ScreenValue; }
  screen::TDisplayModes& DisplayModes() { return DisplayModesValue; }
  script::TInterpreter& Interpreter() { return InterpreterValue; }
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

  // Ends the program with the given exit status (the close handling runs as for any close).
  void FinishProgram(int exitStatus);

  // F11 and Alt+Enter: full screen at the desktop's own resolution with the picture enlarged, and back.
  void ToggleFullScreen();
  // The presentation the player has: the window's scale, the full-screen fit, and whether the enlarged full
  // screen is on. The presenter exists only while the picture is enlarged.
  int WindowScale() const { return WindowScaleValue; }
  TFit FitMode() const { return FitModeValue; }
  bool ScaledFullScreen() const override { return ScaledFullScreenValue; }
  // The full screen to open with next time: only one entered by F11, Alt+Enter or --fullscreen. The menu's
  // display items last for the run, as the next run's menu starts at the window item.
  bool RememberedFullScreen() const { return ScaledFullScreenValue && FullScreenByKey; }
  TStagePresenter* Presenter() const { return PresenterValue; }

  // The script can post no further step on its own: none queued, no transition, no wait, no reveal.
  bool Settled() const;

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // IScriptHost
  void PostStep() override;
  void SetStatusLine(const std::string& text) override;
  std::string DecodeText(std::string_view bytes) override;
  void PrepareStage(script::TStageMode mode) override;
  void DispPicture(const std::string& fileName, int32_t mode, int32_t kind) override;
  void TransPicture(const std::string& fileName, int32_t kind) override;
  void BoardClear() override;
  void BoardSetVisible(bool visible) override;
  void BoardSetText(const script::TStringList& lines) override;
  script::IScriptMedia& LogoMovie() override;
  script::IScriptMedia& ScriptMovie() override;
  script::IScriptMedia& WaveChannel() override;
  void DispatchPending() override;
  void WaitForEvents(int ms) override;
  uint32_t TickCount() override;
  bool Closing() override { return ClosingValue; }

  // IScreenHost
  void SurfaceChanged(const QRect& area) override;

  // IDisplayWindow
  void SetDispItemChecked(screen::TDispItemTag tag, bool checked) override;
  void ShowMenuBar(bool show) override;
  void ShowFrame(bool show) override;
  void FitClientArea() override;
  bool HasFrame() const override {
    return !(windowFlags() & Qt::FramelessWindowHint) && !ScaledFullScreenValue;
  }
  bool MenuBarAttached() const override;
  void ShowScaledFullScreen(bool show) override;

  // Shows the stage directly (1:1) or through the presenter (enlarged), as the presentation now asks.
  void ApplyPresentation();
  // What the frames drew last reaches the display now.
  void PresentPending();
  // The picture area a window mode gives: 640x480 times the window's scale.
  QSize WindowPictureSize() const;
  // The window's size without its frame for that picture: the picture area and the menu bar when attached.
  QSize ClientAreaSize() const;

  void CreateMenu();
  void SizeClientArea();
  void LoadScript();
  void ScriptStart();
  void RecordSoon();
  void FlushRecordFrame();
  void WriteRecordFrame();
  void WriteExitOutputs();
  void CheckBatchEnd();
  void SaveScreenKey();

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
  QTimer ETimer;
  std::vector<std::string> ScriptMemo;
  std::vector<std::string> Memo1;
  TOptions Options;
  std::unique_ptr<platform::TDisplaySettings> Display;
  screen::TDisplayModes DisplayModesValue;
  screen::TScreen ScreenValue;
  script::TInterpreter InterpreterValue;
  std::unique_ptr<script::IScriptMedia> Movie0Adapter, Movie1Adapter, PCMAdapter;
  dialogs::TFormFont* FormFont = nullptr;
  QLabel* StatusPanels[3] = {};
  QActionGroup* DispGroup = nullptr;
  int PendingSteps = 0;
  bool ClosingValue = false;
  bool PlacedValue = false;
  std::optional<QPoint> WindowedPosition;
  TStagePresenter* PresenterValue = nullptr;
  int WindowScaleValue = 1;
  TFit FitModeValue = ftInteger;
  bool ScaledFullScreenValue = false;
  bool FullScreenByKey = false;
  QRect WindowedGeometry;
  bool RecordPending = false;
  QImage LastRecorded;  // the picture --record wrote last
  bool StartUpFailed = false;
  int RecordFrame = 0;
  int ExitStatusValue = esOk;
};

}  // namespace orbel::app
