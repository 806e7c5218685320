// SPDX-License-Identifier: GPL-3.0-or-later
// The player's saves in the window: the slot dialog's rows, the quick save and load keys, the pause and
// fast-forward keys (as far as the engine clock offers them), the automatic save at a player's close and none
// at an automated one, and the remembered answer to "continue?".

#include "app/game_saves.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "app/form_orbel.h"
#include "app/load_overlay.h"
#include "app/save_dialog.h"
#include "app/screen_view.h"
#include "controls/board.h"
#include "game/save_file.h"
#include "screen/bitmap_file.h"
#include "tests/support/test_pictures.h"

namespace orbel::app {
namespace {

game::TSave SampleSave(int line, const std::string& text) {
  game::TSave save;
  save.ScriptSha256 = std::string(64, 'a');
  save.GameFolder = "/games/sample";
  save.TimeMs = 1234;
  save.Steps = 7;
  save.Line = line;
  save.Text = text;
  save.Date = "2026-01-02T03:04:05+09:00";
  save.Thumbnail = tests::FilledFileBytes(QSize(160, 120), qRgb(200, 0, 0), "PNG");
  return save;
}

TGameInfo SampleGame(const std::string& name) {
  TGameInfo game;
  game.Name = name;
  game.Script = TGameInfo::srRead;
  game.ScriptSha256 = game::ScriptSha256(name);
  return game;
}

class SlotDialog : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Folder.isValid());
    Saves.Write(SampleSave(12, "こんにちは"), Saves.SlotPath(1));
    Saves.Write(SampleSave(40, "二つ目"), Saves.SlotPath(3));
    QFile damaged(QString::fromStdString(Saves.SlotPath(5)));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"format\": \"orbel-save\"");
  }
  std::string Path() const { return Saves.Folder(); }
  static void Key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
  }
  QTemporaryDir Folder;
  TGameSaves Saves{SampleGame("sample"), Folder.path().toStdString()};
};

TEST_F(SlotDialog, RowsShowEachSlotsPictureDateLineAndTextAndFreeSlots) {
  const std::vector<TSlot> listed = Saves.ListSlots();
  ASSERT_EQ(listed.size(), 10u);
  EXPECT_EQ(listed[0].Path, Path() + "/slot01.json");
  EXPECT_EQ(listed[9].Path, Path() + "/slot10.json");
  ASSERT_TRUE(listed[0].Save && listed[2].Save);
  EXPECT_FALSE(listed[1].Save);
  EXPECT_FALSE(listed[4].Save);  // damaged: shown as free, so that it can be saved over

  TFormSaves dialog(TFormSaves::smSave, listed);
  QListWidget* list = dialog.List();
  ASSERT_EQ(list->count(), 10);
  const QString first = list->item(0)->text();
  EXPECT_TRUE(first.startsWith("01  ")) << first.toStdString();
  EXPECT_TRUE(first.contains("line 12")) << first.toStdString();
  EXPECT_TRUE(first.contains("こんにちは")) << first.toStdString();
  EXPECT_TRUE(first.contains("2026-01-0")) << first.toStdString();  // in the local time zone
  EXPECT_EQ(list->item(1)->text(), "02  (free)");
  EXPECT_EQ(list->item(4)->text(), "05  (free)");
  EXPECT_EQ(list->item(9)->text(), "10  (free)");
  const QImage thumbnail = list->item(0)->icon().pixmap(160, 120).toImage();
  EXPECT_EQ(thumbnail.pixel(80, 60), qRgb(200, 0, 0));
  EXPECT_NE(list->item(1)->icon().pixmap(160, 120).toImage().pixel(80, 60), qRgb(200, 0, 0));
}

TEST_F(SlotDialog, SavingTakesAnySlotLoadingOnlyUsedOnesByTheKeys) {
  {
    TFormSaves saving(TFormSaves::smSave, Saves.ListSlots());
    EXPECT_EQ(saving.List()->currentRow(), 0);
    Key(saving.List(), Qt::Key_Down);
    Key(saving.List(), Qt::Key_Return);
    EXPECT_EQ(saving.result(), QDialog::Accepted);
    EXPECT_EQ(saving.ChosenSlot(), 2);  // a free slot
  }
  {
    TFormSaves loading(TFormSaves::smLoad, Saves.ListSlots());
    // The free slot 2 is passed over by the arrow key.
    Key(loading.List(), Qt::Key_Down);
    EXPECT_EQ(loading.List()->currentRow(), 2);
    Key(loading.List(), Qt::Key_Return);
    EXPECT_EQ(loading.ChosenSlot(), 3);
  }
  {
    TFormSaves loading(TFormSaves::smLoad, Saves.ListSlots());
    // A free slot activated all the same (a click on its row) is not taken.
    emit loading.List()->itemActivated(loading.List()->item(1));
    EXPECT_FALSE(loading.ChosenSlot());
    EXPECT_EQ(loading.result(), QDialog::Rejected);
  }
  {
    TFormSaves loading(TFormSaves::smLoad, TGameSaves(SampleGame("none"), Path()).ListSlots());
    EXPECT_EQ(loading.List()->currentRow(), -1);  // nothing to load at all
  }
}

// Saving over a used slot asks first, and a no leaves the dialog open. Loading lists the automatic saves
// after the slots, the newest first, each with its date; the last three positions are kept.
TEST_F(SlotDialog, SavingOverAUsedSlotAsksFirstAndLoadingListsTheKeptPositions) {
  TFormSaves saving(TFormSaves::smSave, Saves.ListSlots());
  std::vector<int> asked;
  bool answer = false;
  saving.ConfirmOverwrite = [&](const TSlot& slot) {
    asked.push_back(slot.Number);
    return answer;
  };
  Key(saving.List(), Qt::Key_Return);  // slot 1 is used
  EXPECT_FALSE(saving.Chosen());
  answer = true;
  Key(saving.List(), Qt::Key_Return);
  EXPECT_EQ(saving.ChosenSlot(), 1);
  EXPECT_EQ(asked, std::vector<int>({1, 1}));

  for (const int line : {5, 6, 7, 8}) Saves.KeepAutoSave(SampleSave(line, "kept"));
  const std::vector<TSlot> kept = Saves.ListAutoSaves();
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[0].Save->Line, 8);
  EXPECT_EQ(kept[2].Save->Line, 6);
  std::vector<TSlot> listed = Saves.ListSlots();
  listed.insert(listed.end(), kept.begin(), kept.end());
  TFormSaves loading(TFormSaves::smLoad, listed);
  ASSERT_EQ(loading.List()->count(), 13);
  const QString newest = loading.List()->item(10)->text();
  EXPECT_TRUE(newest.startsWith("Auto 1  2026-01-0")) << newest.toStdString();
  EXPECT_TRUE(newest.contains("line 8")) << newest.toStdString();
  emit loading.List()->itemActivated(loading.List()->item(12));
  ASSERT_TRUE(loading.Chosen());
  EXPECT_EQ(loading.Chosen()->Path, Saves.AutoPath(3));
  EXPECT_FALSE(loading.ChosenSlot());
}

// A game's saves folder is found by what the game is: the same script under another name (a folder an earlier
// version named after an archive's cache folder), or the same name whose saves name it with another script.
// A folder's name keeps only part of some names, and the built-in script is every game's that has none: those
// alone never make two games one.
TEST(SavesFolder, FoundByWhatTheGameIsNotWhereItLies) {
  QTemporaryDir folder;
  const std::string root = folder.path().toStdString();
  const auto keep = [&root](const std::string& name, const TGameInfo& game) {
    game::TSave save = SampleSave(1, "");
    save.ScriptSha256 = game.ScriptSha256;
    save.GameName = game.Name;
    std::filesystem::create_directories(root + "/" + name);
    game::WriteSaveFile(save, root + "/" + name + "/auto.json");
    return root + "/" + name;
  };
  const TGameInfo summer = SampleGame("夏");
  const std::string key = summer.ScriptSha256.substr(0, 16);
  const std::string cacheNamed = keep("orbel-3f2a-1d20-" + key, summer);
  EXPECT_EQ(TGameSaves(summer, root).Folder(), cacheNamed);
  TGameInfo changed = summer;
  changed.ScriptSha256 = game::ScriptSha256("夏, changed");
  EXPECT_EQ(TGameSaves(changed, root).Folder(), root + "/game-" + changed.ScriptSha256.substr(0, 16));
  const std::string summerHere = keep("game-" + key, summer);
  EXPECT_EQ(TGameSaves(summer, root).Folder(), summerHere);
  EXPECT_EQ(TGameSaves(changed, root).Folder(), summerHere);
  const TGameInfo winter = SampleGame("冬");
  EXPECT_EQ(TGameSaves(winter, root).Folder(), root + "/game-" + winter.ScriptSha256.substr(0, 16));

  TGameInfo builtIn = SampleGame("bg");
  builtIn.Script = TGameInfo::srMissing;
  TGameInfo otherBuiltIn = builtIn;
  otherBuiltIn.Name = "logo";
  keep("bg-" + builtIn.ScriptSha256.substr(0, 16), builtIn);
  EXPECT_EQ(TGameSaves(otherBuiltIn, root).Folder(), root + "/logo-" + builtIn.ScriptSha256.substr(0, 16));
}

TEST(ContinueQuestion, RememberedAnswerHoldsForItsGameAlone) {
  QTemporaryDir folder;
  QSettings settings(folder.path() + "/orbel.conf", QSettings::IniFormat);
  const QString game = TGameSaves(SampleGame("game"), folder.path().toStdString()).ContinueKey();
  const QString other = TGameSaves(SampleGame("other"), folder.path().toStdString()).ContinueKey();
  EXPECT_EQ(game, QString::fromStdString("Continue/game-" + game::ScriptSha256("game").substr(0, 16)));
  EXPECT_NE(game, other);
  EXPECT_EQ(ContinueAnswer(settings, game, true), caAsk);
  // Without a kept position there is nothing to continue, whatever was remembered.
  EXPECT_EQ(ContinueAnswer(settings, game, false), caStartAgain);
  RememberContinueAnswer(settings, game, true);
  EXPECT_EQ(ContinueAnswer(settings, game, true), caContinue);
  EXPECT_EQ(ContinueAnswer(settings, game, false), caStartAgain);
  EXPECT_EQ(ContinueAnswer(settings, other, true), caAsk);
  RememberContinueAnswer(settings, game, false);
  EXPECT_EQ(ContinueAnswer(settings, game, true), caStartAgain);
  // A value this program never writes asks again.
  settings.setValue(other, "maybe");
  EXPECT_EQ(ContinueAnswer(settings, other, true), caAsk);
}

// A game folder, and the saves folder in a data home of the test's own.
class PlayerKeys : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Game.isValid() && Data.isValid());
    Previous = QDir::currentPath();
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home) PreviousDataHome = home;
    setenv("XDG_DATA_HOME", Data.path().toUtf8().constData(), 1);
    QDir(Game.path()).mkpath("Data");
    tests::SaveScreenPicture((Game.path() + "/Data/01.bmp").toStdString(), qRgb(0, 120, 0));
    QFile script(Game.path() + "/Data/SCRIPT.TXT");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(kScript);
    QDir::setCurrent(Game.path());
  }
  void TearDown() override {
    QDir::setCurrent(Previous);
    if (PreviousDataHome.empty())
      unsetenv("XDG_DATA_HOME");
    else
      setenv("XDG_DATA_HOME", PreviousDataHome.c_str(), 1);
  }
  // Start-up and the script's steps, up to where it rests.
  static void Settle(TFormOrbel& form) {
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    for (int tick = 0; tick < 100 && form.Screen().TransitionRunning(); ++tick) form.ETimerTimer();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  }
  static bool Exists(const std::string& path) { return std::filesystem::exists(path); }
  // The board's text, a picture brought in, then a rest for good.
  static constexpr const char* kScript = "board,set,hello\r\nboard,on\r\ndisp,1,1,01.bmp\r\ndisp,1,0,x\r\n";
  QTemporaryDir Game, Data;
  QString Previous;
  std::string PreviousDataHome;
};

// F5 keeps where the run is; F9 goes back there in the same window: the run is replaced by one that replays
// up to the save, with the save's board and picture, and what the player chose for the window stays.
TEST_F(PlayerKeys, QuickSaveKeepsWhereTheRunIsAndQuickLoadGoesBackThereInTheSameWindow) {
  TFormOrbel form(TOptions{});
  form.show();
  Settle(form);
  ASSERT_TRUE(form.Saves());
  const std::string quick = form.Saves()->QuickPath();
  EXPECT_EQ(quick.rfind(Data.path().toStdString() + "/orbel/saves/", 0), 0u) << quick;
  // Nothing to load yet: the player is told, the run goes on.
  EXPECT_TRUE(form.FormKeyDown(Qt::Key_F9));
  EXPECT_FALSE(form.Notice()->isHidden());
  EXPECT_FALSE(form.EngineRun().Closing());

  EXPECT_TRUE(form.FormKeyDown(Qt::Key_F5));
  const game::TSave save = game::ReadSaveFile(quick);
  EXPECT_EQ(save.ScriptSha256, game::ScriptSha256(kScript));
  EXPECT_EQ(save.GameName, QDir(Game.path()).dirName().toStdString());
  EXPECT_EQ(save.Steps, 4);
  EXPECT_EQ(save.Line, 4);
  EXPECT_EQ(save.Text, "hello");
  EXPECT_LE(save.TimeMs, platform::EngineClock().NowMs());
  EXPECT_EQ(QImage::fromData(save.Thumbnail, "PNG").size(), QSize(160, 120));
  EXPECT_EQ(QImage::fromData(save.Thumbnail, "PNG").pixel(10, 10), qRgb(0, 120, 0));
  // A key held down saves once.
  std::filesystem::remove(quick);
  EXPECT_TRUE(form.FormKeyDown(Qt::Key_F5, true));
  EXPECT_FALSE(Exists(quick));
  EXPECT_TRUE(form.FormKeyDown(Qt::Key_F5));

  // The player goes on: other text on the board, the board put away, a font of their own, a picture key.
  form.FormKeyPress('7');
  form.FormKeyPress(QChar(27));
  QFont font = form.MsgBoard()->font();
  font.setFamily("DejaVu Serif");
  form.MsgBoard()->setFont(font);
  form.FormKeyPress('0');
  Settle(form);
  ASSERT_NE(form.View()->GrabPresented().pixel(10, 10), qRgb(0, 120, 0));
  const game::TSave left = form.EngineRun().CurrentSave();
  EXPECT_TRUE(form.FormKeyDown(Qt::Key_F9));
  Settle(form);
  EXPECT_FALSE(form.EngineRun().Closing());
  EXPECT_FALSE(form.EngineRun().Replaying());
  EXPECT_FALSE(form.LoadOverlay()->Active());
  EXPECT_FALSE(platform::EngineClock().IsVirtual());
  EXPECT_EQ(form.EngineRun().CurrentSave().Steps, 4);
  EXPECT_EQ(form.MsgBoard()->Text(), QStringList{"hello"});
  EXPECT_TRUE(form.MsgBoard()->isVisible());
  EXPECT_EQ(form.MsgBoard()->font().family(), "DejaVu Serif");
  EXPECT_EQ(form.View()->GrabPresented().pixel(10, 10), qRgb(0, 120, 0));
  EXPECT_TRUE(form.isVisible());
  // The position the player left is the newest automatic save.
  EXPECT_EQ(game::ReadSaveFile(form.Saves()->AutoPath()).Steps, left.Steps);
  form.close();
}

// A load the script cannot reach is refused in a message naming the save, and Escape during a load gives it
// up: either way the player is back where they were, and the automatic save is the position they left.
TEST_F(PlayerKeys, ALoadRefusedOrGivenUpGoesBackToWhereThePlayerWas) {
  QFile script(Game.path() + "/Data/SCRIPT.TXT");
  ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
  script.write(
      "board,set,hello\r\nboard,on\r\ndisp,1,1,01.bmp\r\nwait,time,500\r\nboard,set,later\r\n"
      "disp,1,0,x\r\n");
  script.close();
  TFormOrbel form(TOptions{});
  // F5 in the wait; the script then goes on to rest for good.
  QTimer::singleShot(300, &form, [&form] { form.FormKeyDown(Qt::Key_F5); });
  form.show();
  Settle(form);
  const QString quick = QString::fromStdString(form.Saves()->QuickPath());
  ASSERT_TRUE(QFile::copy(quick, QString::fromStdString(form.Saves()->SlotPath(1))));
  QFile file(quick);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
  ASSERT_EQ(object["steps"].toInt(), 4);
  object["steps"] = 1e9;
  file.resize(0);
  file.write(QJsonDocument(object).toJson());
  file.close();
  const game::TSave left = form.EngineRun().CurrentSave();
  ASSERT_EQ(left.Steps, 6);
  ASSERT_EQ(left.Text, "later");
  const QImage shown = form.View()->GrabPresented();

  EXPECT_TRUE(form.FormKeyDown(Qt::Key_F9));
  Settle(form);
  auto* message = form.findChild<QMessageBox*>();
  ASSERT_TRUE(message);
  EXPECT_TRUE(message->text().contains("quick.json does not fit")) << message->text().toStdString();
  EXPECT_FALSE(form.LoadOverlay()->Active());
  EXPECT_EQ(form.EngineRun().CurrentSave().Steps, left.Steps);
  EXPECT_EQ(form.EngineRun().CurrentSave().Text, "later");
  EXPECT_EQ(form.View()->GrabPresented(), shown);
  EXPECT_EQ(game::ReadSaveFile(form.Saves()->AutoPath()).Steps, left.Steps);

  // Escape as the load's replay begins: the run the player had is replayed, not the save's.
  QMetaObject::invokeMethod(
      &form,
      [&form] {
        EXPECT_TRUE(form.LoadOverlay()->Active());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &escape);
      },
      Qt::QueuedConnection);
  form.LoadSave(form.Saves()->SlotPath(1));
  Settle(form);
  EXPECT_FALSE(form.LoadOverlay()->Active());
  EXPECT_EQ(form.EngineRun().CurrentSave().Steps, left.Steps);
  EXPECT_EQ(form.EngineRun().CurrentSave().Text, "later");
  EXPECT_EQ(form.View()->GrabPresented(), shown);
  EXPECT_EQ(form.Saves()->ListAutoSaves().size(), 1u);
  form.close();
}

// A save that cannot be written names the system's reason for the call that failed (here the saves folder,
// under a file), in a notice that wraps inside the picture, and at the close in a box before the window goes.
TEST_F(PlayerKeys, SavesThatCannotBeWrittenSayWhyInsideTheWindow) {
  QFile blocker(Data.path() + "/file");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  setenv("XDG_DATA_HOME", (blocker.fileName() + "/deeper").toUtf8().constData(), 1);
  std::vector<QString> warned;
  {
    TFormOrbel form(TOptions{});
    form.show();
    Settle(form);
    // The box is the player's to close; a signal meanwhile (FinishProgram) closes it instead of waiting.
    form.WarnPlayer = [&warned, &form](const QString& text) {
      warned.push_back(text);
      QMessageBox box(QMessageBox::Warning, "Orbel", text, QMessageBox::Ok, &form);
      QTimer::singleShot(0, &form, [&form] { form.FinishProgram(128 + SIGTERM); });
      box.exec();
    };
    EXPECT_TRUE(form.FormKeyDown(Qt::Key_F5));
    const QLabel* notice = form.Notice();
    EXPECT_TRUE(notice->text().contains("Not a directory")) << notice->text().toStdString();
    EXPECT_FALSE(notice->text().contains("No such file")) << notice->text().toStdString();
    const QRect picture = form.centralWidget()->geometry();
    EXPECT_TRUE(picture.contains(notice->geometry())) << notice->width() << "x" << notice->height();
    EXPECT_GT(notice->height(), 2 * notice->fontMetrics().height()) << "a long text wraps";
    EXPECT_TRUE(warned.empty());
    form.close();
  }
  ASSERT_EQ(warned.size(), 1u);
  EXPECT_TRUE(warned[0].contains("Not a directory")) << warned[0].toStdString();
}

TEST(ContinueQuestion, NamesTheLineAndTheBoardTextOrTheLineAlone) {
  game::TSave save;
  save.Line = 44;
  EXPECT_EQ(ContinueQuestion(save), "Continue from where you left off last time?\n\nLine 44");
  save.Text = "夕暮れの海。";
  EXPECT_EQ(ContinueQuestion(save), "Continue from where you left off last time?\n\nLine 44: 夕暮れの海。");
}

TEST_F(PlayerKeys, AnAutomatedRunSavesNothingByKeyOrMenu) {
  TOptions options;
  options.Batch = true;
  TFormOrbel form(options);
  Settle(form);
  EXPECT_FALSE(form.MiSave()->isEnabled());
  EXPECT_FALSE(form.MiLoad()->isEnabled());
  form.FormKeyDown(Qt::Key_F5);
  form.FormKeyDown(Qt::Key_F9);
  EXPECT_FALSE(form.Saves());
  form.close();
  EXPECT_TRUE(QDir(Data.path()).isEmpty());
}

TEST_F(PlayerKeys, PlayersCloseKeepsThePositionAndTheMenuOffersSaveAndLoad) {
  std::string autoSave;
  {
    TFormOrbel form(TOptions{});
    Settle(form);
    EXPECT_TRUE(form.MiSave()->isEnabled());
    EXPECT_TRUE(form.MiLoad()->isEnabled());
    autoSave = form.Saves()->AutoPath();
    form.close();
  }
  const game::TSave save = game::ReadSaveFile(autoSave);
  EXPECT_EQ(save.Line, 4);
  EXPECT_EQ(save.Text, "hello");
}

// The question comes when the window is shown and before the script's first step. Going on replays the game
// to the kept instant, five minutes into a wait: the run then counts its time from there, and closing during
// the question keeps the save as it was.
TEST_F(PlayerKeys, TheWindowAsksBeforeTheScriptStartsAndGoesOnFromTheKeptInstant) {
  constexpr const char* kWaiting = "board,set,hello\r\nboard,on\r\nwait,time,600000\r\nboard,set,late\r\n";
  QFile script(Game.path() + "/Data/SCRIPT.TXT");
  ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
  script.write(kWaiting);
  script.close();
  game::TSave kept;
  kept.ScriptSha256 = game::ScriptSha256(kWaiting);
  kept.GameFolder = Game.path().toStdString();
  kept.TimeMs = 300000;
  kept.Steps = 3;
  kept.Line = 3;
  kept.Text = "hello";
  TStartPoint start;
  start.Instant = TSaveInstant{kept.TimeMs, kept.Steps};

  for (const bool resume : {true, false}) {
    SCOPED_TRACE(resume);
    TFormOrbel form(TOptions{});
    std::optional<bool> remembered;
    form.OfferToContinue({kept, start, [&remembered](bool continueRun) { remembered = continueRun; }});
    int asked = 0;
    int64_t askedAtMs = 0;
    form.AskToContinue = [&](const game::TSave& save, bool& remember) {
      ++asked;
      askedAtMs = platform::EngineClock().NowMs();
      // The player takes a while to answer: the game's time starts only with its first step.
      QThread::msleep(200);
      EXPECT_TRUE(form.isVisible());
      EXPECT_EQ(save.Line, 3);
      EXPECT_EQ(form.EngineRun().CurrentSave().Steps, 0) << "the script has not started";
      EXPECT_EQ(form.EngineRun().CurrentSave().Text, "") << "the board's sample text is nobody's";
      remember = resume;
      return resume;
    };
    // The wait runs on in real time; a look from inside it, once the run has been in it a while on the
    // player's clock (a slow machine's replay may take longer), then the close that ends it.
    std::optional<game::TSave> now;
    int64_t nowMs = 0;
    bool waiting = false, virtualTime = true;
    QElapsedTimer started;
    started.start();
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &form, [&] {
      if (started.elapsed() < 300 || !form.Interpreter().Waiting() || platform::EngineClock().IsVirtual())
        return;
      look.stop();
      now = form.EngineRun().CurrentSave();
      nowMs = platform::EngineClock().NowMs();
      waiting = form.Interpreter().Waiting();
      virtualTime = platform::EngineClock().IsVirtual();
      form.close();
    });
    look.start(20);
    form.show();
    Settle(form);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(remembered, resume ? std::optional(true) : std::nullopt);
    ASSERT_TRUE(now);
    EXPECT_TRUE(waiting);
    EXPECT_FALSE(virtualTime);
    EXPECT_EQ(now->Steps, 3);
    EXPECT_EQ(now->Text, "hello");
    if (resume) {
      EXPECT_GE(now->TimeMs, kept.TimeMs);
      EXPECT_LT(now->TimeMs, kept.TimeMs + 60000);
    } else {
      EXPECT_LE(now->TimeMs, nowMs - askedAtMs - 200);
    }
  }

  // Closed while asked: nothing ran, and the kept position stays.
  TFormOrbel form(TOptions{});
  const std::string autoSave = form.Saves()->AutoPath();
  form.Saves()->Write(kept, autoSave);
  form.OfferToContinue({kept, start, nullptr});
  form.AskToContinue = [&form](const game::TSave&, bool&) {
    form.close();
    return true;
  };
  form.show();
  Settle(form);
  EXPECT_EQ(game::ReadSaveFile(autoSave).TimeMs, kept.TimeMs);
}

// Space pauses and resumes; Ctrl held runs the game on the virtual clock until it is let go.
TEST_F(PlayerKeys, PauseShowsItsIndicatorOutsideThePictureAndFastForwardEndsOnRelease) {
  TFormOrbel form(TOptions{});
  form.show();
  Settle(form);
  const QImage before = form.View()->GrabPresented();
  EXPECT_TRUE(form.FormKeyDown(Qt::Key_Space));
  EXPECT_TRUE(form.EngineRun().Paused());
  EXPECT_TRUE(form.PauseIndicator()->isVisible());
  // Ctrl does not run a paused game on.
  EXPECT_TRUE(form.FormKeyDown(Qt::Key_Control));
  EXPECT_FALSE(form.EngineRun().FastForwarding());
  form.FormKeyUp(Qt::Key_Control);
  form.FormKeyDown(Qt::Key_Space);
  EXPECT_FALSE(form.EngineRun().Paused());
  EXPECT_FALSE(form.PauseIndicator()->isVisible());
  // The indicator and the notices lie over the picture but are no part of what --grab and --record take.
  form.PauseIndicator()->show();
  EXPECT_EQ(form.View()->GrabPresented(), before);
  form.PauseIndicator()->hide();

  EXPECT_TRUE(form.FormKeyDown(Qt::Key_Control));
  EXPECT_TRUE(form.EngineRun().FastForwarding());
  EXPECT_TRUE(platform::EngineClock().IsVirtual());
  form.FormKeyUp(Qt::Key_Control);
  EXPECT_FALSE(form.EngineRun().FastForwarding());
  EXPECT_FALSE(platform::EngineClock().IsVirtual());
  form.close();
}

// The real program: a player's run closed by a signal keeps its position; an automated run writes nothing.
class AutoSaveRun : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Game.isValid() && Home.isValid());
    QDir(Game.path()).mkpath("Data");
    QFile script(Game.path() + "/Data/SCRIPT.TXT");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("board,set,waiting\r\nboard,on\r\nwait,time,600000\r\n");
  }
  void Start(QProcess& process, const QStringList& arguments, const QString& game = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("SDL_AUDIODRIVER", "dummy");
    environment.insert("XDG_DATA_HOME", Home.path() + "/data");
    environment.insert("XDG_CONFIG_HOME", Home.path() + "/config");
    environment.insert("XDG_CACHE_HOME", Home.path() + "/cache");
    process.setProcessEnvironment(environment);
    process.start(ORBEL_BINARY, arguments + QStringList{game.isEmpty() ? Game.path() : game});
    ASSERT_TRUE(process.waitForStarted());
  }
  // A player's run of `game` (the test's folder when empty), closed by a signal once the script waits.
  void PlayAndClose(const QString& game = {}) {
    QProcess player;
    Start(player, {"--trace"}, game);
    // The trace's third line is the wait's step: the run is inside the wait.
    QByteArray trace;
    while (trace.count('\n') < 3 && player.waitForReadyRead(60000)) trace += player.readAllStandardOutput();
    ASSERT_EQ(trace.count('\n'), 3) << trace.toStdString() << player.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(player.processId()), SIGTERM);
    ASSERT_TRUE(player.waitForFinished(60000));
  }
  // The games' saves folders, each with the files it holds.
  std::map<std::string, QStringList> SavesFolders() const {
    std::map<std::string, QStringList> folders;
    for (const auto& folder :
         std::filesystem::directory_iterator((Home.path() + "/data/orbel/saves").toStdString())) {
      QStringList& files = folders[folder.path().filename().string()];
      for (const auto& file : std::filesystem::directory_iterator(folder.path()))
        files << QString::fromStdString(file.path().filename().string());
      files.sort();
    }
    return folders;
  }
  QStringList Saves() const {
    QStringList found;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator((Home.path() + "/data").toStdString()))
      if (entry.is_regular_file()) found << QString::fromStdString(entry.path().filename().string());
    return found;
  }
  QTemporaryDir Game, Home;
};

TEST_F(AutoSaveRun, PlayersRunKeepsItsPositionAtCloseAnAutomatedOneWritesNothing) {
  QProcess automated;
  Start(automated, {"--batch", "--fast"});
  ASSERT_TRUE(automated.waitForFinished(60000));
  EXPECT_EQ(automated.exitCode(), 0) << automated.readAllStandardError().toStdString();
  EXPECT_FALSE(QDir(Home.path() + "/data").exists());

  PlayAndClose();
  EXPECT_EQ(Saves(), QStringList{"auto.json"});
  const QString folder =
      QDir(Home.path() + "/data/orbel/saves").entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
  const game::TSave save =
      game::ReadSaveFile((Home.path() + "/data/orbel/saves/" + folder + "/auto.json").toStdString());
  EXPECT_EQ(save.Steps, 3);
  EXPECT_EQ(save.Line, 3);
  EXPECT_EQ(save.Text, "waiting");
}

// The saves follow the game, not where it lies: a zip played, copied elsewhere under another name, and the
// game folder inside it played as a folder keep one saves folder, whose automatic save holds the last three
// positions; so does the game with its script changed. Another game has its own.
TEST_F(AutoSaveRun, SavesFollowTheGameNotWhereItLies) {
  ASSERT_TRUE(QDir(Home.path()).mkpath("a/Sample") && QDir(Home.path()).mkpath("b"));
  const QString sample = Home.path() + "/a/Sample";
  ASSERT_TRUE(QDir(sample).mkpath("Data"));
  ASSERT_TRUE(QFile::copy(Game.path() + "/Data/SCRIPT.TXT", sample + "/Data/SCRIPT.TXT"));
  QProcess zip;
  zip.setWorkingDirectory(sample);
  zip.start("zip", {"-qr", Home.path() + "/a/Sample.zip", "Data"});
  ASSERT_TRUE(zip.waitForFinished(60000) && zip.exitCode() == 0) << zip.readAllStandardError().toStdString();

  PlayAndClose(Home.path() + "/a/Sample.zip");
  ASSERT_EQ(SavesFolders().size(), 1u);
  const std::string folder = SavesFolders().begin()->first;
  EXPECT_EQ(folder.rfind("Sample-", 0), 0u) << folder;
  ASSERT_TRUE(QFile::copy(Home.path() + "/a/Sample.zip", Home.path() + "/b/Copy of the game.zip"));
  ASSERT_TRUE(QFile::remove(Home.path() + "/a/Sample.zip"));
  PlayAndClose(Home.path() + "/b/Copy of the game.zip");
  PlayAndClose(sample);
  // A changed script of the same game: its saves ask before they load, but they are found.
  QFile script(sample + "/Data/SCRIPT.TXT");
  ASSERT_TRUE(script.open(QIODevice::Append));
  script.write("board,off\r\n");
  script.close();
  PlayAndClose(sample);
  const auto folders = SavesFolders();
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_EQ(folders.begin()->first, folder);
  EXPECT_EQ(folders.begin()->second, QStringList({"auto-2.json", "auto-3.json", "auto.json"}));

  // Another game: another name and another script.
  QFile other(Game.path() + "/Data/SCRIPT.TXT");
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("board,set,other\r\nboard,on\r\nwait,time,600000\r\n");
  other.close();
  PlayAndClose();
  EXPECT_EQ(SavesFolders().size(), 2u);
}

}  // namespace
}  // namespace orbel::app
