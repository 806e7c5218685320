// SPDX-License-Identifier: GPL-3.0-or-later
// The media layer on the virtual engine clock: pictures at their own times, the end and its notice at the
// decoded length, the sound in the mixed output at the sample it was played, all as the clock is moved and
// never by the wall clock.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "media/audio.h"
#include "media/decoder.h"
#include "media/media_layer.h"
#include "media/player.h"
#include "platform/engine_clock.h"
#include "tests/media/media_test_support.h"
#include "tests/media/virtual_media_test.h"
#include "tests/support/real_event_loop.h"

using namespace orbel::media;
using namespace orbel::media::tests;
using orbel::platform::EngineClock;
using orbel::platform::TEngineTimer;

namespace {

// Each picture comes at its own time and not a millisecond before; the play ends, with its notice, at the
// longer of its pictures and its sound; position follows the clock in frames.
TEST_F(VirtualMediaTest, MoviePicturesComeAtTheirTimesAndThePlayEndsAtItsLength) {
  const TReference reference = Decode("cinepak_pcm.avi", true);
  ASSERT_EQ(reference.Frames.size(), 10u);
  QWidget window;
  ASSERT_NO_FATAL_FAILURE(ShowMovie(window, {200, 150}, "cinepak_pcm.avi"));
  EXPECT_EQ(Shown(Picture), reference.Frames[0].Image) << "the opened device shows its first picture";

  RunTo(40);  // the play starts off any grid
  const int64_t start = EngineClock().NowMs();
  ASSERT_EQ(Simple(MovieId, MCI_PLAY, MCI_NOTIFY), 0u);
  for (size_t n = 1; n < reference.Frames.size(); ++n) {
    SCOPED_TRACE(n);
    const int64_t due = DueMs(start, reference.Frames[n].Seconds);
    RunTo(due - 1);
    EXPECT_EQ(Status(MovieId, MCI_STATUS_POSITION), n - 1);
    EXPECT_EQ(Shown(Picture), reference.Frames[n - 1].Image);
    RunTo(due);
    EXPECT_EQ(Status(MovieId, MCI_STATUS_POSITION), n);
    EXPECT_EQ(Shown(Picture), reference.Frames[n].Image);
  }
  const double length = std::max(reference.Info.LengthSeconds, reference.Info.AudioSeconds);
  const int64_t end = DueMs(start, length);
  RunTo(end - 1);
  EXPECT_EQ(Status(MovieId, MCI_STATUS_MODE), MCI_MODE_PLAY);
  EXPECT_TRUE(Sink.Codes.empty());
  RunTo(end);
  EXPECT_EQ(Status(MovieId, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(MovieId, MCI_STATUS_POSITION), 10u);
  EXPECT_EQ(Sink.Codes, std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(EngineClock().NextDueMs(), std::nullopt) << "an ended play has nothing more to do";
  EXPECT_EQ(Shown(Picture), reference.Frames.back().Image);
}

// The output holds silence up to the play's start, then exactly the decoder's samples, then silence again;
// a second sound played meanwhile is added in at its own start.
TEST_F(VirtualMediaTest, SoundReachesTheMixedOutputAtTheSampleItWasPlayed) {
  const TReference wave = Decode("s16_stereo.wav", false);
  const TReference other = Decode("u8_mono.wav", false);
  ASSERT_FALSE(wave.Sound.empty());
  ASSERT_FALSE(other.Sound.empty());
  std::vector<int16_t> output;
  SetVirtualSoundSink(
      [&](const int16_t* data, size_t frames) { output.insert(output.end(), data, data + frames * 2); });
  const uint16_t first = OpenFile("s16_stereo.wav", "WaveAudio");
  const uint16_t second = OpenFile("u8_mono.wav", "WaveAudio");
  ASSERT_TRUE(first && second);

  RunTo(130);
  ASSERT_EQ(Simple(first, MCI_PLAY, MCI_NOTIFY), 0u);
  RunTo(380);
  EXPECT_EQ(Status(first, MCI_STATUS_POSITION), 250u);
  ASSERT_EQ(Simple(second, MCI_PLAY, MCI_NOTIFY), 0u);
  const int64_t end = std::max(DueMs(130, wave.Info.AudioSeconds), DueMs(380, other.Info.AudioSeconds));
  RunTo(end + 100);
  EXPECT_EQ(Sink.Codes, (std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_SUCCESSFUL}));
  EXPECT_EQ(Status(first, MCI_STATUS_POSITION), 500u);

  ASSERT_EQ(output.size(), size_t(end + 100) * 48 * 2);
  std::vector<int16_t> expected(output.size(), 0);
  for (size_t i = 0; i < wave.Sound.size(); ++i) expected[130 * 48 * 2 + i] += wave.Sound[i];
  for (size_t i = 0; i < other.Sound.size(); ++i)
    expected[380 * 48 * 2 + i] =
        int16_t(std::clamp(expected[380 * 48 * 2 + i] + other.Sound[i], -32768, 32767));
  // Compared in parts, so that a failure names the place rather than printing millions of samples.
  for (size_t at = 0; at < output.size(); at += 4800) {
    const size_t to = std::min(output.size(), at + 4800);
    ASSERT_TRUE(std::equal(output.begin() + ptrdiff_t(at), output.begin() + ptrdiff_t(to),
                           expected.begin() + ptrdiff_t(at)))
        << "samples from frame " << at / 2;
  }
}

// Stop keeps the position however long the clock runs, a play continues from it, a seek rewinds, a close
// cuts the play off; hours pass at once.
TEST_F(VirtualMediaTest, StopPlayAgainSeekAndCloseFollowTheClock) {
  const uint16_t id = OpenFile("s16_stereo.wav", "WaveAudio");
  ASSERT_NE(id, 0);
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  RunTo(200);
  ASSERT_EQ(Simple(id, MCI_STOP, MCI_WAIT), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 200u);
  EXPECT_EQ(EngineClock().NextDueMs(), std::nullopt);
  RunTo(int64_t{3} * 3600 * 1000);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 200u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_STOP);

  const int64_t resumed = EngineClock().NowMs();
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  RunTo(resumed + 120);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 320u);
  while (EngineClock().AdvanceToNextDue()) QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 500u);
  EXPECT_EQ(EngineClock().NowMs(), DueMs(resumed, 0.5 - 0.2));

  ASSERT_EQ(Simple(id, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 0u);
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  RunTo(EngineClock().NowMs() + 50);
  EXPECT_EQ(Simple(id, MCI_CLOSE, MCI_WAIT), 0u);
  EXPECT_EQ(EngineClock().NextDueMs(), std::nullopt);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Sink.Codes,
            (std::vector<uint32_t>{MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUCCESSFUL, MCI_NOTIFY_ABORTED}));
}

// The synchronous logo play moves the clock through its own moments only, painting each picture; the
// engine's tick, blocked meanwhile, fires once afterwards and keeps its grid.
TEST_F(VirtualMediaTest, AWaitingPlayAdvancesOnlyThroughItsOwnMoments) {
  struct TPaintCounter : QWidget {
    int ChildPaints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++ChildPaints;
      return false;
    }
  } window;
  const TReference reference = Decode("msvideo1_ima.avi", true);
  ASSERT_NO_FATAL_FAILURE(ShowMovie(window, {100, 80}, "msvideo1_ima.avi"));
  Picture->installEventFilter(&window);
  QCoreApplication::processEvents();
  window.ChildPaints = 0;

  int ticks = 0;
  TEngineTimer tick([&] { ++ticks; });
  tick.Start(50);
  ASSERT_EQ(Simple(MovieId, MCI_PLAY, MCI_NOTIFY | MCI_WAIT), 0u);
  const double length = std::max(reference.Info.LengthSeconds, reference.Info.AudioSeconds);
  EXPECT_EQ(EngineClock().NowMs(), DueMs(0, length));
  EXPECT_EQ(ticks, 0);
  EXPECT_EQ(Status(MovieId, MCI_STATUS_POSITION), 10u);
  EXPECT_GE(window.ChildPaints, int(reference.Frames.size()) - 1) << "each later picture painted at once";
  EXPECT_TRUE(Sink.Codes.empty());  // posted, not yet dispatched
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Sink.Codes, std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL});

  const int64_t now = EngineClock().NowMs();
  EngineClock().AdvanceTo(now);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(EngineClock().NextDueMs(), (now / 50 + 1) * 50);
}

// ---- Switching between virtual and real time, and pausing real time ----

// The real event loop until done() holds, or for ms. The players' workers report by posted events; a short
// beat keeps the loop looking at done() meanwhile.
void RunRealUntil(const std::function<bool()>& done) {
  orbel::tests::RunRealUntil(done, 2);
}
void RunRealFor(int ms) {
  orbel::tests::RunRealFor(ms, 2);
}

// After a replay the movie goes on from the picture it had reached, with its worker, and ends at its length.
TEST_F(VirtualMediaTest, AMovieReplayedToAFrameGoesOnInRealTimeFromThere) {
  const TReference reference = Decode("cinepak_pcm.avi", true);
  ASSERT_EQ(reference.Frames.size(), 10u);
  QWidget window;
  ASSERT_NO_FATAL_FAILURE(ShowMovie(window, {200, 150}, "cinepak_pcm.avi"));

  RunTo(40);
  const int64_t start = EngineClock().NowMs();
  ASSERT_EQ(Simple(MovieId, MCI_PLAY, MCI_NOTIFY), 0u);
  const uint32_t reached = 4;
  RunTo(DueMs(start, (reference.Frames[reached].Seconds + reference.Frames[reached + 1].Seconds) / 2));
  ASSERT_EQ(Status(MovieId, MCI_STATUS_POSITION), reached);
  EXPECT_EQ(Shown(Picture), reference.Frames[reached].Image);

  EngineClock().SwitchToReal();
  std::vector<uint32_t> positions{Status(MovieId, MCI_STATUS_POSITION)};
  EXPECT_EQ(Shown(Picture), reference.Frames[reached].Image) << "the switch itself shows nothing new";
  RunRealUntil([&] {
    positions.push_back(Status(MovieId, MCI_STATUS_POSITION));
    return !Sink.Codes.empty();
  });
  EXPECT_GE(positions.front(), reached);
  EXPECT_LE(positions.front(), reached + 1) << "the position went on from the frame reached";
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ(Sink.Codes, std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(Status(MovieId, MCI_STATUS_MODE), MCI_MODE_STOP);
  EXPECT_EQ(Status(MovieId, MCI_STATUS_POSITION), 10u);
  EXPECT_GE(EngineClock().NowMs(), DueMs(start, reference.Info.LengthSeconds)) << "ended before its length";
  EXPECT_EQ(EngineClock().NextDueMs(), std::nullopt) << "the virtual play's timer went with the switch";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Shown(Picture), reference.Frames.back().Image);
}

// The layer made on real time: for the cases that start there and then skip or pause.
class RealStartMediaTest : public VirtualMediaTest {
 protected:
  RealStartMediaTest() {
    Layer.reset();
    EngineClock().SetVirtual(false);
    Layer = CreateMediaLayer();
  }
};

// Holding Ctrl during a sound: the play goes on on the schedule from its position, and what its real-time
// play had not yet handed to the device is the next thing in the virtual mix, none of it lost or repeated.
TEST_F(RealStartMediaTest, ASoundSwitchedToVirtualTimeLandsItsRemainingSamplesInTheMix) {
  const TReference wave = Decode("s16_stereo.wav", false);
  ASSERT_FALSE(wave.Sound.empty());
  const uint16_t id = OpenFile("s16_stereo.wav", "WaveAudio");
  ASSERT_NE(id, 0);
  ASSERT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u);
  RunRealUntil([&] { return Status(id, MCI_STATUS_POSITION) > 0; });

  EngineClock().SwitchToVirtual();
  const uint32_t switchedAt = Status(id, MCI_STATUS_POSITION);
  ASSERT_LT(switchedAt, 500u) << "the sound ended before the switch";
  std::vector<int16_t> output;
  SetVirtualSoundSink(
      [&](const int16_t* data, size_t frames) { output.insert(output.end(), data, data + frames * 2); });
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), MCI_MODE_PLAY);
  RunRealFor(100);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), switchedAt) << "virtual time moved by itself";

  uint32_t last = switchedAt;
  while (Sink.Codes.empty() && EngineClock().AdvanceToNextDue()) {
    orbel::platform::DispatchPostedEvents();
    EXPECT_GE(Status(id, MCI_STATUS_POSITION), last);
    last = Status(id, MCI_STATUS_POSITION);
  }
  EXPECT_EQ(Sink.Codes, std::vector<uint32_t>{MCI_NOTIFY_SUCCESSFUL});
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), 500u);
  RunTo(EngineClock().NowMs() + 50);

  // The mix from the switch on is the sound from some sample on (the silent driver may not have taken any
  // yet), to its end, then silence.
  const size_t total = wave.Sound.size() / 2;
  const auto matchesFrom = [&](size_t from) {
    const size_t left = (total - from) * 2;
    if (output.size() < left) return false;
    return std::equal(wave.Sound.begin() + ptrdiff_t(from * 2), wave.Sound.end(), output.begin()) &&
           std::all_of(output.begin() + ptrdiff_t(left), output.end(), [](int16_t v) { return v == 0; });
  };
  size_t from = 0;
  while (from < total && !matchesFrom(from)) ++from;
  EXPECT_LT(from, total) << "the virtual mix is not the rest of the sound";
}

// A pause holds the play where it is, silent and still playing; afterwards it goes on to its end.
TEST_F(RealStartMediaTest, APauseFreezesThePositionAndTheSound) {
  auto mixer = std::make_shared<TAudioMixer>();
  uint32_t error = 0;
  auto player = TMediaPlayer::Open(Sample("s16_stereo.wav"), false, mixer, error);
  ASSERT_NE(player, nullptr);
  const int stream = 1;  // the first stream of a new output
  bool ended = false;
  player->OnEnded = [&](uint64_t, bool failed) {
    EXPECT_FALSE(failed);
    ended = true;
  };
  player->Play(1);
  RunRealUntil([&] { return player->PositionSeconds() > 0 && mixer->Consumed(stream) > 0; });

  EngineClock().SetPaused(true);
  const double position = player->PositionSeconds();
  const uint64_t consumed = mixer->Consumed(stream);
  RunRealFor(200);
  EXPECT_EQ(player->PositionSeconds(), position);
  EXPECT_EQ(mixer->Consumed(stream), consumed) << "the device went on playing the held sound";
  EXPECT_TRUE(player->IsPlaying());
  EXPECT_FALSE(ended);

  EngineClock().SetPaused(false);
  std::vector<double> positions;
  RunRealUntil([&] {
    positions.push_back(player->PositionSeconds());
    return ended;
  });
  EXPECT_GE(positions.front(), position);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_DOUBLE_EQ(player->PositionSeconds(), player->Info().LengthSeconds);
}

// The one output follows the clock: a stream's waiting samples go on in the virtual mix from the moment of
// the switch with the device silent meanwhile; back in real time the paused device consumes again; an output
// made on virtual time opens its device at the switch.
TEST(SoundOutputSwitchTest, TheOutputHandsItsStreamsBetweenTheDeviceAndTheVirtualMix) {
  ASSERT_FALSE(EngineClock().IsVirtual());
  const auto waitForConsumption = [](const TAudioMixer& mixer, int stream, uint64_t beyond) {
    for (int i = 0; i < 60000 && mixer.Consumed(stream) <= beyond; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return mixer.Consumed(stream) > beyond;
  };
  // Two seconds of frames that each say where they are.
  constexpr size_t frames = 96000;
  std::vector<int16_t> ramp(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    ramp[i * 2] = int16_t(1 + i % 30000);
    ramp[i * 2 + 1] = int16_t(-1 - int(i / 30000));
  }
  std::vector<int16_t> output;
  SetVirtualSoundSink(
      [&](const int16_t* data, size_t count) { output.insert(output.end(), data, data + count * 2); });
  {
    TAudioMixer mixer;
    const int stream = mixer.AddStream();
    mixer.Push(stream, ramp.data(), frames);
    mixer.SetPaused(stream, false);
    ASSERT_TRUE(waitForConsumption(mixer, stream, 0));

    EngineClock().SwitchToVirtual();
    const uint64_t consumed = mixer.Consumed(stream);
    ASSERT_LT(consumed, frames);
    const int64_t switchedAt = EngineClock().NowMs();
    EXPECT_EQ(mixer.OutputPosition(), switchedAt * MixRate / 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(mixer.Consumed(stream), consumed) << "the device still consumes on virtual time";

    const int64_t left = int64_t(frames - consumed);
    EngineClock().AdvanceTo(switchedAt + left * 1000 / MixRate + 20);
    EXPECT_EQ(mixer.Consumed(stream), frames);
    ASSERT_GE(output.size(), size_t(left) * 2);
    EXPECT_TRUE(std::equal(ramp.begin() + ptrdiff_t(consumed * 2), ramp.end(), output.begin()));
    EXPECT_TRUE(std::all_of(output.begin() + left * 2, output.end(), [](int16_t v) { return v == 0; }));

    EngineClock().SwitchToReal();
    output.clear();
    mixer.Push(stream, ramp.data(), 4800);
    EXPECT_TRUE(waitForConsumption(mixer, stream, frames)) << "the paused device did not resume";
    EXPECT_TRUE(output.empty()) << "the virtual sink was fed in real time";
  }
  EngineClock().SetVirtual(true);
  {
    TAudioMixer mixer;
    const int stream = mixer.AddStream();
    mixer.Push(stream, ramp.data(), 4800);
    mixer.SetPaused(stream, false);
    EngineClock().AdvanceTo(50);
    EXPECT_EQ(mixer.Consumed(stream), 2400u);
    EXPECT_FALSE(mixer.ClockFollowsAudio());
    EngineClock().SwitchToReal();
    EXPECT_TRUE(waitForConsumption(mixer, stream, 2400)) << "no device opened at the switch";
  }
  SetVirtualSoundSink({});
  EngineClock().SetVirtual(false);
}

}  // namespace
