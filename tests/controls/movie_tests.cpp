// SPDX-License-Identifier: GPL-3.0-or-later
// The movie control and the wave channel: the commands they send (against a recording layer), and the movie
// on the real layer drawing its picture.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "controls/movie.h"
#include "controls/wave_channel.h"
#include "media/decoder.h"
#include "platform/engine_clock.h"
#include "platform/errors.h"
#include "tests/support/media_fake.h"

using namespace orbel::media;
using orbel::EMCIDeviceError;
using orbel::controls::mpNotReady;
using orbel::controls::mpPlaying;
using orbel::controls::mpStopped;
using orbel::controls::TMovie;
using orbel::controls::TWaveChannel;
using Names = std::vector<std::string>;

namespace {

class MovieTest : public testing::Test {
 protected:
  MovieTest() {
    Fake.CapabilityValues[MCI_GETDEVCAPS_HAS_VIDEO] = 1;
    Movie = std::make_unique<TMovie>(Fake);
    Movie->SetFileName("/data/M03.AVI");
  }
  const TRecordingMediaLayer::TCommand& Last(const std::string& name) {
    for (auto it = Fake.Commands.rbegin(); it != Fake.Commands.rend(); ++it)
      if (TRecordingMediaLayer::Name(it->Command) == name) return *it;
    static TRecordingMediaLayer::TCommand none{};
    ADD_FAILURE() << "no " << name;
    return none;
  }
  void OpenClean() {
    Movie->Open();
    Fake.Commands.clear();
  }
  TRecordingMediaLayer Fake;
  std::unique_ptr<TMovie> Movie;
};

TEST_F(MovieTest, OpenSendsTheRecordAndAttachesTheControlWhenThereIsVideo) {
  Movie->Open();
  EXPECT_EQ(Fake.Names(), (Names{"OPEN", "GETDEVCAPS", "WINDOW"}));
  const auto& open = Fake.Commands[0];
  EXPECT_EQ(open.DeviceID, 0);
  EXPECT_EQ(open.Flags, MCI_WAIT | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE);
  EXPECT_EQ(open.Parms.DeviceType, "AVIVideo");
  EXPECT_EQ(open.Parms.ElementName, "/data/M03.AVI");
  EXPECT_EQ(open.Parms.Callback, Movie.get());
  EXPECT_EQ(Fake.Commands[1].Flags, 0x102u);
  EXPECT_EQ(Fake.Commands[1].Parms.Item, MCI_GETDEVCAPS_HAS_VIDEO);
  EXPECT_EQ(Fake.Commands[2].Flags, 0x10002u);
  EXPECT_EQ(Fake.Commands[2].Parms.Window, Movie.get());
  EXPECT_EQ(Movie->DeviceID(), 1);
  EXPECT_EQ(Movie->DisplayWindow(), Movie.get());

  // Without a file and without video: no element flag, no window; a failed attach does not fail Open.
  Fake.Commands.clear();
  Fake.CapabilityValues[MCI_GETDEVCAPS_HAS_VIDEO] = 0;
  Movie->SetFileName("");
  Movie->SetShareable(true);
  Movie->Open();
  EXPECT_EQ(Fake.Names(), (Names{"CLOSE", "OPEN", "GETDEVCAPS"}));
  EXPECT_EQ(Fake.Commands[1].Flags, MCI_WAIT | MCI_OPEN_TYPE | MCI_OPEN_SHAREABLE);
  Fake.CapabilityValues[MCI_GETDEVCAPS_HAS_VIDEO] = 1;
  Fake.Results[MCI_WINDOW] = {MCIERR_UNSUPPORTED_FUNCTION};
  Movie->Open();
  EXPECT_NE(Movie->DeviceID(), 0);
  EXPECT_EQ(Movie->DisplayWindow(), nullptr);
}

TEST_F(MovieTest, TheWaitChoiceIsUsedOnceAndConsumedByTheImplicitClose) {
  OpenClean();
  Movie->WaitOnce(true);
  Movie->Play();
  Movie->Play();
  std::vector<uint32_t> playFlags;
  for (const auto& c : Fake.Commands)
    if (c.Command == MCI_PLAY) playFlags.push_back(c.Flags);
  EXPECT_EQ(playFlags, (std::vector<uint32_t>{MCI_NOTIFY | MCI_WAIT, MCI_NOTIFY}));

  Fake.Commands.clear();
  Movie->WaitOnce(true);
  Movie->Open();  // the close inside takes the choice
  Movie->Play();
  EXPECT_EQ(Fake.Commands[0].Flags, MCI_WAIT);                                     // CLOSE
  EXPECT_EQ(Fake.Commands[1].Flags, MCI_WAIT | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE);  // OPEN
  EXPECT_EQ(Last("PLAY").Flags, MCI_NOTIFY);

  Movie->WaitOnce(false);
  Movie->Stop();
  EXPECT_EQ(Last("STOP").Flags, 0u);
  Movie->Stop();
  EXPECT_EQ(Last("STOP").Flags, MCI_WAIT);
  Movie->WaitOnce(false);
  Movie->Close();
  EXPECT_EQ(Last("CLOSE").Flags, 0u);
  EXPECT_EQ(Movie->DeviceID(), 0);
}

TEST_F(MovieTest, PlayRewindsAtTheEndShowsTheControlAndNeverRaisesForAFailedPlay) {
  OpenClean();
  Fake.StatusValues[MCI_STATUS_POSITION] = 75;
  Fake.StatusValues[MCI_STATUS_LENGTH] = 75;
  ASSERT_TRUE(Movie->isHidden());
  Fake.Results[MCI_PLAY] = {MCIERR_INTERNAL};
  Movie->Play();
  EXPECT_EQ(Fake.Names(), (Names{"STATUS", "STATUS", "SEEK", "PLAY"}));
  EXPECT_EQ(Fake.Commands[2].Flags, MCI_SEEK_TO_START | MCI_WAIT);
  EXPECT_EQ(Fake.Commands[0].Parms.Item, MCI_STATUS_POSITION);
  EXPECT_EQ(Fake.Commands[1].Parms.Item, MCI_STATUS_LENGTH);
  EXPECT_FALSE(Movie->isHidden());
  EXPECT_EQ(Movie->LastError(), MCIERR_INTERNAL);

  Fake.Commands.clear();
  Movie->SetAutoRewind(false);
  Movie->Play();
  EXPECT_EQ(Fake.Names(), (Names{"PLAY"}));
  Fake.Commands.clear();
  Movie->SetAutoRewind(true);
  Fake.StatusValues[MCI_STATUS_POSITION] = 30;  // stopped in the middle: continue from there
  Movie->Play();
  EXPECT_EQ(Fake.Names(), (Names{"STATUS", "STATUS", "PLAY"}));
  // Stop leaves the control visible.
  Movie->Stop();
  EXPECT_FALSE(Movie->isHidden());
}

TEST_F(MovieTest, QueriesTranslateModesAndAClosedControlRaisesOnlyWhereItMust) {
  Fake.StatusValues[MCI_STATUS_MODE] = MCI_MODE_PLAY;
  EXPECT_EQ(Movie->Mode(), mpNotReady);  // nothing open: the query is rejected, never "playing"
  EXPECT_EQ(Movie->Position(), 0);
  EXPECT_THROW(Movie->Play(), EMCIDeviceError);
  try {
    Movie->Stop();
    FAIL();
  } catch (const EMCIDeviceError& e) {
    EXPECT_STREQ(e.what(), "MCI ﾃﾞﾊﾞｲｽがありません");
  }
  Fake.Commands.clear();
  Movie->Close();
  EXPECT_TRUE(Fake.Commands.empty());
  Movie->SelectTimeFormat(0);
  EXPECT_EQ(Fake.Commands[0].DeviceID, 0);
  EXPECT_EQ(Fake.Commands[0].Flags, MCI_SET_TIME_FORMAT | MCI_NOTIFY);
  EXPECT_EQ(Movie->LastError(), MCIERR_INVALID_DEVICE_ID);

  OpenClean();
  EXPECT_EQ(Movie->Mode(), mpPlaying);
  Fake.StatusValues[MCI_STATUS_MODE] = MCI_MODE_STOP;
  EXPECT_EQ(Movie->Mode(), mpStopped);
  Fake.StatusValues[MCI_STATUS_POSITION] = 0xFFFFFFFF;
  EXPECT_EQ(Movie->Position(), -1);
  EXPECT_EQ(Fake.Commands[0].Flags, MCI_WAIT | MCI_STATUS_ITEM);
}

TEST_F(MovieTest, OpenFailuresRaiseTheLayersTextOrTheUnknownText) {
  Fake.ErrorTexts[MCIERR_INVALID_FILE] = "ﾌｧｲﾙが壊れています";
  Fake.Results[MCI_OPEN] = {MCIERR_INVALID_FILE, 9999};
  try {
    Movie->Open();
    FAIL();
  } catch (const EMCIDeviceError& e) {
    EXPECT_STREQ(e.what(), "/data/M03.AVI: ﾌｧｲﾙが壊れています");
  }
  // Opened by device type alone, there is no file to name.
  Movie->SetFileName("");
  try {
    Movie->Open();
    FAIL();
  } catch (const EMCIDeviceError& e) {
    EXPECT_STREQ(e.what(), "原因不明のｴﾗｰ");
  }
  EXPECT_EQ(Movie->DeviceID(), 0);
  // An open control whose reopen fails is left closed.
  Movie->Open();
  Fake.Results[MCI_OPEN] = {MCIERR_INVALID_FILE};
  EXPECT_THROW(Movie->Open(), EMCIDeviceError);
  EXPECT_EQ(Movie->DeviceID(), 0);
  // A failed close keeps the device.
  Movie->Open();
  Fake.Results[MCI_CLOSE] = {MCIERR_INTERNAL};
  Movie->Close();
  EXPECT_NE(Movie->DeviceID(), 0);
}

TEST_F(MovieTest, TrackTypesSelectTheirTimeFormatAndDestructionClosesWithWait) {
  Movie->SetDeviceType(orbel::controls::dtCDAudio);
  Movie->Open();
  EXPECT_EQ(Fake.Commands.back().Command, MCI_SET);
  EXPECT_EQ(Fake.Commands.back().Parms.TimeFormat, MCI_FORMAT_TMSF);
  EXPECT_EQ(Fake.Commands[0].Parms.DeviceType, "CDAudio");
  Fake.Commands.clear();
  Movie->WaitOnce(false);  // a pending choice does not reach the destructor's close
  Movie.reset();
  ASSERT_EQ(Fake.Names(), (Names{"CLOSE"}));
  EXPECT_EQ(Fake.Commands[0].Flags, MCI_WAIT);
}

TEST_F(MovieTest, NoticesRaiseOnNotify) {
  int notices = 0;
  Movie->OnNotify = [&](TMovie* sender) {
    EXPECT_EQ(sender, Movie.get());
    ++notices;
  };
  QCoreApplication::postEvent(Movie.get(), new TMciNotifyEvent(MCI_NOTIFY_ABORTED, 1));
  QCoreApplication::postEvent(Movie.get(), new TMciNotifyEvent(MCI_NOTIFY_SUCCESSFUL, 1));
  QCoreApplication::processEvents();
  EXPECT_EQ(notices, 2);
}

TEST(WaveChannelTest, EachPlayOpensAFreshDeviceWithoutAWindow) {
  TRecordingMediaLayer fake;
  fake.StatusValues[MCI_STATUS_LENGTH] = 500;  // a fresh device stands at 0: no rewind
  TWaveChannel channel(fake);
  channel.SelectTimeFormat(0);  // start-up: still closed, rejected, nothing raised
  EXPECT_EQ(channel.LastError(), MCIERR_INVALID_DEVICE_ID);
  channel.SetFileName("/data/SE01.WAV");
  channel.Open();
  channel.Play();
  // The next sound: close, open, play.
  if (channel.DeviceID() != 0) channel.Close();
  channel.Open();
  channel.Play();
  EXPECT_EQ(fake.Names(), (Names{"SET", "OPEN", "GETDEVCAPS", "STATUS", "STATUS", "PLAY", "CLOSE", "OPEN",
                                 "GETDEVCAPS", "STATUS", "STATUS", "PLAY"}));
  EXPECT_EQ(fake.Commands[1].Parms.DeviceType, "WaveAudio");
  EXPECT_EQ(fake.Commands[1].Flags, MCI_WAIT | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE);
  EXPECT_EQ(fake.Commands[1].Parms.Callback, &channel);
  EXPECT_EQ(fake.Commands[6].DeviceID, 1);
  EXPECT_EQ(channel.DeviceID(), 2);
  EXPECT_EQ(fake.Commands.back().Flags, MCI_NOTIFY);
  channel.Close();
  EXPECT_EQ(channel.Mode(), mpNotReady);  // a closed channel never reads as playing
  EXPECT_THROW(channel.Stop(), EMCIDeviceError);
}

// ---- on the real layer ----

std::string Sample(const std::string& name) {
  return std::string(ORBEL_SOURCE_DIR) + "/tests/data/media/" + name;
}

TEST(MovieOnRealLayerTest, ASynchronousPlayDrawsTheMovieAtTheTopLeftAndEndsStopped) {
  auto layer = CreateMediaLayer();
  QWidget window;
  window.resize(200, 150);
  window.setStyleSheet("background: rgb(10, 200, 30)");
  TMovie movie(*layer, &window);
  movie.setGeometry(20, 20, 160, 120);
  window.show();
  movie.SetFileName(Sample("cinepak_pcm.avi"));
  movie.Open();
  movie.SelectTimeFormat(0);
  movie.WaitOnce(true);
  // Nothing is dispatched while a waiting play runs: an event posted before it is still queued after it.
  bool dispatched = false;
  QMetaObject::invokeMethod(
      &window, [&] { dispatched = true; }, Qt::QueuedConnection);
  QElapsedTimer timer;
  timer.start();
  movie.Play();
  EXPECT_GE(timer.elapsed(), 950);
  EXPECT_FALSE(dispatched);
  QCoreApplication::processEvents();
  EXPECT_TRUE(dispatched);
  EXPECT_TRUE(movie.isVisible());
  EXPECT_EQ(movie.Mode(), mpStopped);
  EXPECT_EQ(movie.Position(), 1000);
  QImage shot = window.grab().toImage();
  shot.save(QString::fromStdString(std::string(ORBEL_SOURCE_DIR) + "/build-media/movie_grab.png"));
  // The movie is 64x48: its last picture sits at the control's top-left corner.
  QImage last = movie.grab(QRect(0, 0, 64, 48)).toImage();
  EXPECT_NE(last.pixel(32, 24), qRgb(10, 200, 30));

  // Playing again rewinds; a second movie cuts nothing of the first but the control's device.
  movie.Play();
  EXPECT_EQ(movie.Mode(), mpPlaying);
  EXPECT_LT(movie.Position(), 500);
  movie.SetFileName(Sample("raw24.avi"));
  movie.Open();
  EXPECT_EQ(movie.Position(), 0);
  movie.Play();
  EXPECT_EQ(movie.Mode(), mpPlaying);
}

// Destroying the controls closes their devices: nothing of theirs decodes or sounds afterwards.
TEST(MovieOnRealLayerTest, DestroyedControlsLeaveNoDeviceBehind) {
  auto layer = CreateMediaLayer();
  uint16_t movieId = 0, soundId = 0;
  {
    QWidget window;
    auto* movie = new TMovie(*layer, &window);
    auto* channel = new TWaveChannel(*layer, &window);
    movie->SetFileName(Sample("cinepak_pcm.avi"));
    channel->SetFileName(Sample("s16_stereo.wav"));
    movie->Open();
    channel->Open();
    movie->Play();
    channel->Play();
    EXPECT_EQ(movie->Mode(), mpPlaying);
    EXPECT_EQ(channel->Mode(), mpPlaying);
    movieId = movie->DeviceID();
    soundId = channel->DeviceID();
  }
  for (uint16_t id : {movieId, soundId}) {
    TMciParms parms;
    parms.Item = MCI_STATUS_MODE;
    EXPECT_EQ(layer->SendCommand(id, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, parms),
              MCIERR_INVALID_DEVICE_ID);
  }
}

TEST(MovieOnRealLayerTest, AnUnplayableFileRaisesTheLayersText) {
  auto layer = CreateMediaLayer();
  TWaveChannel channel(*layer);
  channel.SetFileName(Sample("raw24.avi"));  // pictures only: nothing for the wave device
  try {
    channel.Open();
    FAIL();
  } catch (const EMCIDeviceError& e) {
    // The text names the file: with several sounds, the text alone would not tell which one is broken.
    std::string text;
    layer->GetErrorString(MCIERR_INVALID_FILE, text);
    EXPECT_EQ(e.what(), Sample("raw24.avi") + ": " + text);
  }
  EXPECT_EQ(channel.DeviceID(), 0);
}

// On the virtual clock a play's notice reaches the control at the moment the play ends, its decoded length
// after its start (what `avi,wait` and `pcm,wait` wait for), whatever the machine's speed.
TEST(MovieOnVirtualClockTest, NoticesArriveAtTheDecodedLength) {
  orbel::platform::TEngineClock& clock = orbel::platform::EngineClock();
  clock.SetVirtual(true);
  {
    auto layer = CreateMediaLayer();
    QWidget window;
    window.resize(200, 150);
    TMovie movie(*layer, &window);
    TWaveChannel channel(*layer, &window);
    window.show();
    std::vector<std::pair<std::string, int64_t>> notices;
    movie.OnNotify = [&](TMovie*) { notices.emplace_back("movie", clock.NowMs()); };
    channel.OnNotify = [&](TWaveChannel*) { notices.emplace_back("sound", clock.NowMs()); };
    movie.SetFileName(Sample("cinepak_pcm.avi"));
    channel.SetFileName(Sample("u8_mono.wav"));
    movie.Open();
    channel.Open();
    clock.AdvanceTo(25);
    movie.Play();
    // The host's loop: what is posted first, then time on to the next due moment (each advance stops at the
    // first moment due on the way).
    const auto runTo = [&](int64_t limit) {
      do {
        orbel::platform::DispatchPostedEvents();
      } while (clock.NowMs() < limit && clock.AdvanceToNextDue(limit));
    };
    runTo(300);
    channel.Play();
    runTo(INT64_MAX);
    const auto lengthMs = [](const char* file, bool video) {
      TMediaDecoder decoder;
      EXPECT_EQ(decoder.Open(Sample(file), video), 0u);
      EXPECT_EQ(decoder.Scan(), 0u);
      const TMediaInfo& info = decoder.Info();
      return int64_t(std::ceil(std::max(info.LengthSeconds, info.AudioSeconds) * 1000 - 1e-3));
    };
    EXPECT_EQ(notices, (std::vector<std::pair<std::string, int64_t>>{
                           {"sound", 300 + lengthMs("u8_mono.wav", false)},
                           {"movie", 25 + lengthMs("cinepak_pcm.avi", true)}}));
    EXPECT_EQ(movie.Mode(), mpStopped);
    EXPECT_EQ(movie.Position(), 10);  // frames, the movie's own unit
  }
  clock.SetVirtual(false);
}

}  // namespace
