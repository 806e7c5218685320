// SPDX-License-Identifier: GPL-3.0-or-later
// The reader's controls: the history of the board's texts and the way back to one (a load in place of its
// instant), holding after each text among the other holds on the game, the texts for other programs (a file
// and the WebSocket server), and the history a save keeps and a replay rebuilds.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>
#include <QWheelEvent>
#include <cmath>
#include <cstdlib>

#include "app/form_orbel.h"
#include "app/history_window.h"
#include "app/text_outlets.h"
#include "controls/board.h"
#include "game/save_file.h"
#include "media/audio.h"
#include "platform/engine_clock.h"
#include "tests/support/program_run.h"
#include "tests/support/real_event_loop.h"

namespace orbel::app {
namespace {

using tests::RunRealUntil;

void Key(QObject* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QCoreApplication::sendEvent(target, &press);
}

void Wheel(QWidget* target, int delta) {
  QWheelEvent wheel(QPointF(10, 10), target->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(target, &wheel);
}

// Runs the real event loop through `stages` in order, each waiting for its condition and then acting. The
// game's waits nest event loops of their own, which a test's loop never sees return while the game holds, so
// the conditions are looked at from a timer; an action that opens a dialog runs no further stage meanwhile.
// The last action must let the game's waits return (closing the window does).
using TStage = std::pair<std::function<bool()>, std::function<void()>>;
void RunStages(const std::vector<TStage>& stages) {
  size_t next = 0;
  bool acting = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (acting) return;
    while (next < stages.size() && stages[next].first()) {
      acting = true;
      stages[next++].second();
      acting = false;
    }
  });
  poll.start(5);
  RunRealUntil([&] { return next == stages.size(); }, 5);
}

// A game folder of the test's own as the current directory, with its saves in a data home of its own. Its
// texts come further apart than the board takes to reveal one.
class ReaderWindow : public testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_THREAD__)
    // Under the thread checker's slowdown the holds and the way back do not come in the game's time.
    GTEST_SKIP() << "the reader's real-time cases need a build without the thread checker";
#endif
    ASSERT_TRUE(Game.isValid() && Data.isValid());
    Previous = QDir::currentPath();
    setenv("XDG_DATA_HOME", Data.path().toUtf8().constData(), 1);
    QDir(Game.path()).mkpath("Data");
    QFile script(Game.path() + "/Data/SCRIPT.TXT");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(
        "board,set,one\r\nboard,on\r\nwait,time,400\r\nboard,set,two,\"and a half\"\r\nwait,time,400\r\n"
        "board,set,three\r\nwait,time,600000\r\n");
    QDir::setCurrent(Game.path());
  }
  void TearDown() override {
    QDir::setCurrent(Previous);
    unsetenv("XDG_DATA_HOME");
  }
  QTemporaryDir Game, Data;
  QString Previous;
};

// Page Up holds the game and lists its texts, the newest chosen; Page Down there closes the list; the wheel
// opens and closes it the same way; Ctrl and + make the text larger, which is remembered; Return on the
// first text takes the game back to the instant it was shown at, in the same window, with the history as it
// was then, and a player who holds after each text finds it held there.
TEST_F(ReaderWindow, HistoryHoldsTheGameAndGoesBackToTheChosenText) {
  TFormOrbel form(TOptions{});
  std::vector<int> remembered;
  form.Reader().Remember = [&remembered](const TReaderChoices& choices, unsigned changed) {
    EXPECT_EQ(changed, rcHistoryFont);
    remembered.push_back(choices.HistoryFontPx);
  };
  int opened = 0;
  std::vector<int> keys;
  form.Reader().OnHistoryOpened = [&](THistoryWindow& window) {
    ++opened;
    EXPECT_TRUE(platform::EngineClock().IsPaused()) << "the game holds while the history is open";
    QListWidget* list = window.List();
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith("0:00:00  one"));
    // The keys as the player presses them, until one of them closes the window.
    QTimer::singleShot(0, list, [list, &window, &keys] {
      for (const int key : keys) {
        if (!window.isVisible()) return;
        if (key == Qt::Key_Plus)
          Key(list, key, Qt::ControlModifier);
        else if (key == -1)
          Wheel(list->viewport(), -120);
        else
          Key(list, key);
      }
      if (window.isVisible()) window.reject();
    });
  };
  std::deque<TTextHistory::TEntry> shown;
  form.show();
  RunStages({
      {[&] { return form.EngineRun().TextHistory().Entries().size() == 3; },
       [&] {
         shown = form.EngineRun().TextHistory().Entries();
         EXPECT_EQ(shown[1].Text, "two\nand a half");
         EXPECT_LT(shown[0].Instant.Steps, shown[1].Instant.Steps);
         keys = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Return};
         Key(&form, Qt::Key_PageUp);
         EXPECT_EQ(opened, 1);
         EXPECT_FALSE(form.EngineRun().Closing()) << "Page Down at the newest text closed the history";
         EXPECT_FALSE(platform::EngineClock().IsPaused());

         keys = {-1, Qt::Key_Plus};
         Wheel(&form, 120);
         EXPECT_EQ(opened, 2);
         EXPECT_TRUE(remembered.empty())
             << "the wheel turned down at the newest text closed the history first";

         TReaderChoices holding = form.Reader().Choices();
         holding.HoldText = true;
         form.Reader().SetChoices(holding);
         keys = {Qt::Key_Plus, Qt::Key_Up, Qt::Key_Up, Qt::Key_Return};
         Key(&form, Qt::Key_PageUp);
         EXPECT_EQ(remembered, std::vector<int>{18});
       }},
      {[&] {
         return !form.EngineRun().Closing() && !form.EngineRun().Replaying() && form.Reader().TextHeld();
       },
       [&] {
         EXPECT_EQ(form.MsgBoard()->Text(), QStringList{"one"});
         // Held once the text was fully shown, before the next one.
         const game::TSave here = form.EngineRun().CurrentSave();
         EXPECT_LT(here.Steps, shown[1].Instant.Steps);
         EXPECT_LT(here.TimeMs, shown[1].Instant.TimeMs);
         const std::deque<TTextHistory::TEntry>& rebuilt = form.EngineRun().TextHistory().Entries();
         ASSERT_EQ(rebuilt.size(), 1u) << "the replay rebuilt the history up to there";
         EXPECT_EQ(rebuilt[0].Instant.Steps, shown[0].Instant.Steps);
         EXPECT_EQ(rebuilt[0].Text, "one");
         EXPECT_TRUE(form.Reader().HoldSign()->isVisible());
         form.close();
       }},
  });
}

// Holding after a text: the pause key takes it over, and lets the game go; a left click and the wheel turned
// down end it too, and Ctrl runs past it with the fast-forward's sign shown.
TEST_F(ReaderWindow, HoldAfterEachTextUntilThePlayerMovesOn) {
  TFormOrbel form(TOptions{});
  TReaderChoices choices;
  choices.HoldText = true;
  form.Reader().SetChoices(choices);
  EXPECT_TRUE(form.Reader().HoldTextItem()->isChecked());
  const auto heldAt = [&form](const char* text) {
    return [&form, text] { return form.Reader().TextHeld() && form.MsgBoard()->Text().value(0) == text; };
  };
  form.show();
  RunStages({
      {heldAt("one"),
       [&] {
         EXPECT_TRUE(form.Reader().HoldSign()->isVisible());
         EXPECT_TRUE(form.centralWidget()->geometry().contains(form.Reader().HoldSign()->geometry()));
         EXPECT_TRUE(platform::EngineClock().IsPaused());
         Key(&form, Qt::Key_Space);
         EXPECT_FALSE(form.Reader().TextHeld());
         EXPECT_FALSE(form.Reader().HoldSign()->isVisible());
         EXPECT_TRUE(form.PauseIndicator()->isVisible());
         EXPECT_TRUE(platform::EngineClock().IsPaused()) << "the pause key holds the game now";
         Key(&form, Qt::Key_Space);
         EXPECT_FALSE(platform::EngineClock().IsPaused());
       }},
      {heldAt("two"),
       [&] {
         QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                           Qt::LeftButton, Qt::NoModifier);
         QCoreApplication::sendEvent(&form, &click);
         EXPECT_FALSE(form.Reader().TextHeld());
       }},
      {heldAt("three"),
       [&] {
         EXPECT_TRUE(form.FormKeyDown(Qt::Key_Control));
         EXPECT_FALSE(form.Reader().TextHeld()) << "fast-forward runs past a held text";
         EXPECT_TRUE(form.Reader().FastForwardSign()->isVisible());
         form.FormKeyUp(Qt::Key_Control);
         EXPECT_FALSE(form.Reader().FastForwardSign()->isVisible());
         form.Reader().HoldTextItem()->trigger();
         EXPECT_FALSE(form.Reader().Choices().HoldText);
         form.close();
       }},
  });
}

// The server sends each text as one message to every client in the order shown; a client that never reads is
// dropped instead of holding the game, and the rest go on receiving. It listens on the loopback address only.
TEST(TextServer, SendsEachTextInOrderAndDropsAClientThatStopsReading) {
  // The test's clients connect directly, without looking up the system's proxy settings in a thread.
  QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  TTextServer server;
  server.Listen(0);
  ASSERT_GT(server.Port(), 0);
  QTcpSocket outside;
  for (const QHostAddress& address : QNetworkInterface::allAddresses())
    if (!address.isLoopback() && address.protocol() == QAbstractSocket::IPv4Protocol) {
      outside.connectToHost(address, static_cast<quint16>(server.Port()));
      EXPECT_FALSE(outside.waitForConnected(5000)) << "reached from " << address.toString().toStdString();
      break;
    }
  QWebSocket reader;
  QStringList received;
  QObject::connect(&reader, &QWebSocket::textMessageReceived,
                   [&received](const QString& text) { received << text; });
  reader.open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server.Port())));
  QTcpSocket stalled;
  stalled.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.Port()));
  ASSERT_TRUE(stalled.waitForConnected(10000));
  stalled.write(
      QByteArrayLiteral("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                        "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                        "Sec-WebSocket-Version: 13\r\n\r\n"));
  stalled.setReadBufferSize(1);
  RunRealUntil([&] { return server.Clients() == 2; }, 10);
  server.Send(QStringLiteral("一つ目"));
  server.Send(QStringLiteral("second"));
  RunRealUntil([&] { return received.size() == 2; }, 10);
  EXPECT_EQ(received, (QStringList{"一つ目", "second"}));

  // Far more than the stalled client's socket buffers hold: it stops taking them and goes.
  const QString big(6000, QChar(u'あ'));
  int sent = 0;
  while (server.Clients() == 2 && sent < 20000) {
    server.Send(big);
    ++sent;
    // The reader keeps up.
    for (int round = 0; round < 200 && received.size() < sent + 2; ++round)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  EXPECT_EQ(server.Clients(), 1u) << "after " << sent << " texts";
  server.Send(QStringLiteral("last"));
  RunRealUntil([&] { return received.contains(QStringLiteral("last")); }, 10);
  EXPECT_EQ(received.back(), "last");
}

// The real program: --text-out writes each text as it is shown, one line each; a save keeps the history,
// and a run loaded from it rebuilds the same history by its replay while writing only what it shows itself.
TEST(ReaderRun, TextsGoOutInOrderAndAReplayRebuildsTheHistoryWithoutSendingItAgain) {
  QTemporaryDir game;
  ASSERT_TRUE(game.isValid());
  QDir(game.path()).mkpath("Data");
  QFile script(game.path() + "/Data/SCRIPT.TXT");
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(
      QStringLiteral("board,set,最初の文。,\"続きです。\"\r\nwait,time,1000\r\nboard,set,Two,words\r\n"
                     "wait,time,1000\r\nboard,clear\r\nboard,set,\"\",\r\nwait,time,1000\r\n"
                     "board,set,三つ目\r\nwait,time,1000\r\n")
          .toUtf8());
  script.close();
  const QString first = game.path() + "/first.json", second = game.path() + "/second.json";
  const tests::TRun saving =
      tests::RunProgram({"--batch", "--fast", "--encoding", "utf-8", "--quit-after", "1500", "--save-on-exit",
                         first, "--text-out", "-", game.path()});
  EXPECT_EQ(saving.ExitCode, esQuitAfter) << saving.Err;
  EXPECT_EQ(saving.Out, "最初の文。続きです。\nTwo words\n");
  const game::TSave saved = game::ReadSaveFile(first.toStdString());
  ASSERT_EQ(saved.History.size(), 2u);
  EXPECT_EQ(saved.History[0].Text, "最初の文。\n続きです。");
  EXPECT_EQ(saved.History[1].Text, "Two\nwords");
  EXPECT_EQ(saved.History[1].TimeMs, 1000);

  const QString out = game.path() + "/texts.txt";
  const tests::TRun loading = tests::RunProgram({"--batch", "--fast", "--encoding", "utf-8", "--load", first,
                                                 "--save-on-exit", second, "--text-out", out, game.path()});
  EXPECT_EQ(loading.ExitCode, esOk) << loading.Err;
  QFile texts(out);
  ASSERT_TRUE(texts.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(texts.readAll()), "三つ目\n");
  const game::TSave ended = game::ReadSaveFile(second.toStdString());
  ASSERT_EQ(ended.History.size(), 3u);
  EXPECT_EQ(std::vector<game::TSavedText>(ended.History.begin(), ended.History.begin() + 2), saved.History);
  EXPECT_EQ(ended.History[2].TimeMs, 3000);

  const tests::TRun refused =
      tests::RunProgram({"--batch", "--text-out", game.path() + "/no/such/folder/t.txt", game.path()});
  EXPECT_EQ(refused.ExitCode, esFailure);
  EXPECT_NE(refused.Err.find("no/such/folder/t.txt"), std::string::npos) << refused.Err;
}

// What the sound device receives (SDL's disk output): silence at --volume 0, the sound as made at 100, and
// half-way down the slider about -30 dB, since the slider's steps are even to the ear; at --speed 2 the same
// tone in half as many frames, at its own pitch.
TEST(ReaderRun, TheVolumeAndTheSpeedReachTheSoundDevice) {
  QTemporaryDir game;
  ASSERT_TRUE(game.isValid());
  QDir(game.path()).mkpath("Data");
  constexpr int kRate = 48000;
  QByteArray samples;
  for (int i = 0; i < kRate; ++i) {
    const auto value = static_cast<int16_t>(std::lround(10000 * std::sin(2 * M_PI * 1000.0 * i / kRate)));
    for (int channel = 0; channel < 2; ++channel) samples.append(reinterpret_cast<const char*>(&value), 2);
  }
  QByteArray wave = "RIFF";
  const auto put32 = [&wave](uint32_t v) { wave.append(reinterpret_cast<const char*>(&v), 4); };
  const auto put16 = [&wave](uint16_t v) { wave.append(reinterpret_cast<const char*>(&v), 2); };
  put32(uint32_t(36 + samples.size()));
  wave += "WAVEfmt ";
  put32(16), put16(1), put16(2), put32(kRate), put32(kRate * 4), put16(4), put16(16);
  wave += "data";
  put32(uint32_t(samples.size()));
  wave += samples;
  QFile file(game.path() + "/Data/TONE.WAV");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(wave);
  file.close();
  QFile script(game.path() + "/Data/SCRIPT.TXT");
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write("pcm,play,TONE.WAV\r\npcm,wait\r\nwait,time,300\r\n");
  script.close();

  struct THeard {
    int Peak = 0;
    int Loud = 0;          // frames from the first to the last of the tone
    double Frequency = 0;  // its pitch
  };
  const auto play = [&game](const QStringList& options) {
    const QString output = game.path() + "/heard.raw";
    QFile::remove(output);
    QProcessEnvironment environment;
    environment.insert("SDL_AUDIODRIVER", "disk");
    environment.insert("SDL_DISKAUDIOFILE", output);
    const tests::TRun run =
        tests::RunProgram(QStringList{"--batch"} + options + QStringList{game.path()}, {}, environment);
    EXPECT_EQ(run.ExitCode, esOk) << run.Err;
    QFile heard(output);
    EXPECT_TRUE(heard.open(QIODevice::ReadOnly));
    const QByteArray bytes = heard.readAll();
    const auto* left = reinterpret_cast<const int16_t*>(bytes.constData());
    THeard result;
    int first = -1, last = -1, rising = 0;
    for (qsizetype i = 0; i < bytes.size() / 4; ++i) {
      const int value = left[2 * i];
      result.Peak = std::max(result.Peak, std::abs(value));
      if (std::abs(value) > 200) {
        if (first < 0) first = int(i);
        last = int(i);
      }
      if (i > 0 && left[2 * (i - 1)] < 0 && value >= 0 && first >= 0) ++rising;
    }
    result.Loud = first < 0 ? 0 : last - first + 1;
    result.Frequency = result.Loud ? rising / (double(result.Loud) / kRate) : 0;
    return result;
  };
  EXPECT_EQ(play({"--volume", "0"}).Peak, 0);
  const THeard full = play({"--volume", "100"});
  EXPECT_NEAR(full.Peak, 10000, 100);
  EXPECT_NEAR(full.Loud, kRate, kRate / 50);
  EXPECT_NEAR(play({"--volume", "50"}).Peak, full.Peak * media::VolumeGain(50), 20);
  EXPECT_NEAR(media::VolumeGain(50), 0.0316, 0.001);
  const THeard fast = play({"--speed", "2"});
  EXPECT_NEAR(fast.Loud, kRate / 2, kRate / 20);
  EXPECT_NEAR(fast.Frequency, full.Frequency, 30) << "the tone keeps its pitch";
}

}  // namespace
}  // namespace orbel::app
