// SPDX-License-Identifier: GPL-3.0-or-later
// Movies and sounds during a replay: following their files' timelines they keep every moment, mode,
// position and end that decoding gives, and catching up shows the picture and plays the sound decoding would
// have had from there on, for files whose headers lie and whose sound has no fixed rate too.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "media/media_layer.h"
#include "platform/engine_clock.h"
#include "tests/media/media_test_support.h"
#include "tests/media/virtual_media_test.h"

using namespace orbel::media;
using namespace orbel::media::tests;
using orbel::platform::EngineClock;

namespace {

// What the host sees at one moment the clock stops at.
struct TMoment {
  int64_t Ms = 0;
  uint32_t MovieMode = 0, MoviePosition = 0, WaveMode = 0, WavePosition = 0;
  size_t Notices = 0;
  QImage Picture;  // only from the catch-up on
  bool operator==(const TMoment&) const = default;
};

struct TSession {
  std::vector<TMoment> Moments;
  std::vector<int16_t> Sound;
};

class ReplayMediaTest : public VirtualMediaTest {
 protected:
  // A movie (opened before the replay begins) and a sound (opened during it) played, stopped, played again
  // and rewound on a schedule, up to 2.6 s. With `replay`, a replay runs up to catchUpMs. Pictures are noted
  // from catchUpMs on.
  TSession Run(const std::string& movieFile, const std::string& waveFile, int64_t catchUpMs, bool replay) {
    Layer.reset();
    EngineClock().SetVirtual(true);
    Layer = CreateMediaLayer();
    Sink.Codes.clear();
    TSession session;
    SetVirtualSoundSink([&](const int16_t* data, size_t frames) {
      session.Sound.insert(session.Sound.end(), data, data + frames * 2);
    });
    QWidget window;
    window.resize(200, 150);
    window.show();
    const uint16_t movie = OpenFile(movieFile, "AVIVideo");
    TMciParms attach;
    attach.Window = &window;
    EXPECT_EQ(Send(movie, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, attach), 0u);
    std::optional<TReplayScope> scope;
    if (replay) scope.emplace();
    const uint16_t wave = OpenFile(waveFile, "WaveAudio");
    EXPECT_TRUE(movie && wave);
    const auto play = [&](uint16_t id) { EXPECT_EQ(Simple(id, MCI_PLAY, MCI_NOTIFY), 0u); };
    const std::vector<std::pair<int64_t, std::function<void()>>> steps = {
        {40, [&] { play(movie); }},
        {95, [&] { play(wave); }},
        {260, [&] { EXPECT_EQ(Simple(wave, MCI_STOP, MCI_WAIT), 0u); }},
        {333, [&] { play(wave); }},
        {700, [&] { EXPECT_EQ(Simple(movie, MCI_STOP, MCI_WAIT), 0u); }},
        {950, [&] { play(movie); }},
        {1700, [&] { EXPECT_EQ(Simple(movie, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START), 0u); }},
        {1800, [&] { play(movie); }},
        {1900, [&] { play(wave); }},
    };
    constexpr int64_t endMs = 2600;
    size_t next = 0;
    while (true) {
      const int64_t now = EngineClock().NowMs();
      while (next < steps.size() && steps[next].first <= now) steps[next++].second();
      if (scope && now >= catchUpMs) scope.reset();
      QCoreApplication::sendPostedEvents();
      TMoment moment{now,
                     Status(movie, MCI_STATUS_MODE),
                     Status(movie, MCI_STATUS_POSITION),
                     Status(wave, MCI_STATUS_MODE),
                     Status(wave, MCI_STATUS_POSITION),
                     Sink.Codes.size(),
                     {}};
      const QList<QWidget*> pictures = window.findChildren<QWidget*>();
      if (now >= catchUpMs && pictures.size() == 1) moment.Picture = Shown(pictures[0]);
      session.Moments.push_back(moment);
      if (now >= endMs) break;
      int64_t limit = next < steps.size() ? std::min(endMs, steps[next].first) : endMs;
      if (now < catchUpMs) limit = std::min(limit, catchUpMs);
      EngineClock().AdvanceTo(limit);
    }
    Layer.reset();
    SetVirtualSoundSink({});
    return session;
  }

  void ExpectTheSame(const std::string& movieFile, const std::string& waveFile) {
    for (const int64_t catchUp : {int64_t{0}, int64_t{170}, int64_t{300}, int64_t{780}, int64_t{2590}}) {
      SCOPED_TRACE(testing::Message() << movieFile << " and " << waveFile << ", caught up at " << catchUp);
      const TSession decoded = Run(movieFile, waveFile, catchUp, false);
      const TSession followed = Run(movieFile, waveFile, catchUp, true);
      ASSERT_EQ(followed.Moments.size(), decoded.Moments.size()) << "the clock stopped at other moments";
      for (size_t i = 0; i < decoded.Moments.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "at " << decoded.Moments[i].Ms << " ms");
        ASSERT_EQ(followed.Moments[i].Ms, decoded.Moments[i].Ms);
        ASSERT_EQ(followed.Moments[i], decoded.Moments[i]);
        if (decoded.Moments[i].Ms >= catchUp) {
          ASSERT_FALSE(decoded.Moments[i].Picture.isNull());
        }
      }
      ASSERT_EQ(followed.Sound.size(), decoded.Sound.size());
      const auto from = ptrdiff_t(catchUp * MixRate / 1000 * 2);
      EXPECT_TRUE(
          std::equal(decoded.Sound.begin() + from, decoded.Sound.end(), followed.Sound.begin() + from))
          << "the sound after the catch-up is not decoding's";
      EXPECT_TRUE(std::all_of(followed.Sound.begin(), followed.Sound.begin() + from, [](int16_t v) {
        return v == 0;
      })) << "a replay's sound was heard";
    }
  }
};

TEST_F(ReplayMediaTest, FollowedPlaysKeepDecodingsMomentsAndCatchUpWithItsPicturesAndSound) {
  ExpectTheSame("cinepak_pcm.avi", "ima_adpcm.wav");
  ExpectTheSame("msvideo1_ima.avi", "s16_stereo.wav");
}

// A movie cut short (its header promises frames and sound that are not there) and a sound whose blocks vary
// in length (MP3): what decoding gives is what the timeline holds.
TEST_F(ReplayMediaTest, FilesWhoseHeadersLieOrWhoseRateVariesAreFollowedExactly) {
  QTemporaryDir dir;
  const std::string whole = ReadFile(Sample("cinepak_pcm.avi"));
  const std::string cut = dir.path().toStdString() + "/cut.avi";
  {
    std::ofstream out(cut, std::ios::binary);
    out.write(whole.data(), std::streamsize(whole.size() * 6 / 10));
  }
  ExpectTheSame(cut, "mp3_vbr.wav");
}

// The logo's play, made to wait: the clock moves through the same moments of its own and the play ends at
// the same time, and caught up it shows its last picture.
TEST_F(ReplayMediaTest, AWaitingPlayDuringAReplayTakesDecodingsMomentsAndShowsItsLastPicture) {
  const auto waitingPlay = [this](bool replay) {
    Layer.reset();
    EngineClock().SetVirtual(true);
    Layer = CreateMediaLayer();
    QWidget window;
    window.resize(100, 80);
    window.show();
    const uint16_t movie = OpenFile("msvideo1_ima.avi", "AVIVideo");
    TMciParms attach;
    attach.Window = &window;
    EXPECT_EQ(Send(movie, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, attach), 0u);
    std::vector<int64_t> moments;
    const int observer = EngineClock().AddAdvanceObserver([&](int64_t now) { moments.push_back(now); });
    std::optional<TReplayScope> scope;
    if (replay) scope.emplace();
    EXPECT_EQ(Simple(movie, MCI_PLAY, MCI_NOTIFY | MCI_WAIT), 0u);
    scope.reset();
    EngineClock().RemoveAdvanceObserver(observer);
    const QList<QWidget*> pictures = window.findChildren<QWidget*>();
    EXPECT_EQ(pictures.size(), 1);
    const QImage shown = pictures.empty() ? QImage() : Shown(pictures[0]);
    Layer.reset();
    return std::make_pair(moments, shown);
  };
  const auto decoded = waitingPlay(false);
  const auto followed = waitingPlay(true);
  EXPECT_GE(decoded.first.size(), 10u);
  EXPECT_EQ(followed.first, decoded.first);
  EXPECT_EQ(followed.second, decoded.second);
  EXPECT_EQ(followed.second, Decode("msvideo1_ima.avi", true).Frames.back().Image);
}

// Only the few movies used last keep their last pictures made: one that ran to its end long before the
// replay's end decodes its picture again when it catches up.
TEST_F(ReplayMediaTest, AMovieThatEndedLongBeforeTheCatchUpShowsItsLastPictureToo) {
  QTemporaryDir dir;
  const std::string movie = ReadFile(Sample("msvideo1_ima.avi"));
  QWidget window;
  window.resize(100, 80);
  window.show();
  std::optional<TReplayScope> scope(std::in_place);
  uint16_t first = 0;
  for (int copy = 0; copy < 12; ++copy) {
    const std::string path = dir.path().toStdString() + "/m" + std::to_string(copy) + ".avi";
    std::ofstream(path, std::ios::binary) << movie;
    const uint16_t id = OpenFile(path, "AVIVideo");
    if (copy == 0) {
      first = id;
      TMciParms attach;
      attach.Window = &window;
      ASSERT_EQ(Send(id, MCI_WINDOW, MCI_WAIT | MCI_ANIM_WINDOW_HWND, attach), 0u);
    }
    ASSERT_EQ(Simple(id, MCI_PLAY, MCI_WAIT), 0u);
    if (copy > 0) {
      ASSERT_EQ(Simple(id, MCI_CLOSE, MCI_WAIT), 0u);
    }
  }
  scope.reset();
  EXPECT_EQ(Status(first, MCI_STATUS_MODE), MCI_MODE_STOP);
  const QList<QWidget*> pictures = window.findChildren<QWidget*>();
  ASSERT_EQ(pictures.size(), 1);
  EXPECT_EQ(Shown(pictures[0]), Decode("msvideo1_ima.avi", true).Frames.back().Image);
}

}  // namespace
