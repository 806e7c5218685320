// SPDX-License-Identifier: GPL-3.0-or-later
// A player during a replay: it follows its file's timeline in place of the decoder, and catches up with what
// it would hold when the replay ends.

#include <algorithm>
#include <deque>
#include <set>

#include "media/known_files.h"
#include "media/media_layer.h"
#include "media/player.h"
#include "media/player_work.h"

namespace orbel::media {

namespace {

std::vector<TMediaPlayer*>& Players() {
  static std::vector<TMediaPlayer*> players;
  return players;
}

bool& ReplayInProgress() {
  static bool replaying = false;
  return replaying;
}

}  // namespace

void TMediaPlayer::Remember(TMediaPlayer* player) {
  Players().push_back(player);
}

void TMediaPlayer::Forget(TMediaPlayer* player) {
  std::erase(Players(), player);
}

bool TMediaPlayer::Replaying() {
  return ReplayInProgress();
}

TReplayScope::TReplayScope() {
  ReplayInProgress() = true;
  for (TMediaPlayer* player : Players()) player->Follow();
}

TReplayScope::~TReplayScope() {
  ReplayInProgress() = false;
  for (TMediaPlayer* player : std::vector<TMediaPlayer*>(Players())) player->CatchUp();
}

bool TMediaPlayer::OpenKnown() {
  const std::optional<platform::TFileStamp> stamp = platform::FileStampOf(Path);
  if (!stamp) return false;
  const std::optional<TKnownFile> known = FindKnownFile(Path, WantVideo, *stamp);
  if (!known || !known->Timeline) return false;
  InfoValue = known->Info;
  return true;
}

void TMediaPlayer::Follow() {
  TWorkerState& worker = *Work;
  if (!Virtual || worker.Timeline) return;
  // The decoder hands out the same items as the timeline, so the timeline goes on from the place reached.
  if (const std::optional<platform::TFileStamp> stamp = platform::FileStampOf(Path))
    worker.Timeline = TimelineOf(Path, WantVideo, *stamp);
}

void TMediaPlayer::CatchUp() {
  TWorkerState& worker = *Work;
  if (!worker.Timeline) return;
  const std::shared_ptr<const TTimeline> timeline = std::move(worker.Timeline);
  worker.Timeline = nullptr;
  const size_t soundLeft = worker.AudioOut ? Mixer->Buffered(Stream) : 0;
  int64_t shown = -1;
  {
    std::lock_guard lock(Mutex);
    shown = ShownItem;
  }
  QImage picture;
  // A play that has run to its end decodes nothing more before a rewind opens the file again, and shows the
  // file's last picture, made with the timeline and most likely still kept.
  const bool ended = worker.DecoderAtEnd && worker.Pending.empty() && soundLeft == 0;
  const std::optional<platform::TFileStamp> stamp = platform::FileStampOf(Path);
  if (ended && shown >= 0 && shown == timeline->LastPictureItem && stamp)
    picture = LastPictureOf(Path, WantVideo, *stamp);
  if (!(ended && (shown < 0 || !picture.isNull()))) picture = Redecode(worker, shown, soundLeft);
  if (!picture.isNull()) {
    std::lock_guard lock(Mutex);
    Frame = picture;
    ++FrameSerial;
  }
  ShowInWindow();
  if (Surface) Surface->update();
}

// The file opened again and decoded up to where the timeline had got, making only the pictures still wanted
// (the one shown and those queued) and keeping the sound still waiting in the stream. Returns the picture
// shown.
QImage TMediaPlayer::Redecode(TWorkerState& worker, int64_t shown, size_t soundLeft) {
  const int64_t handed = worker.Handed;
  std::set<int64_t> wanted{shown};
  for (const TVideoFrame& queued : worker.Pending) wanted.insert(queued.Item);
  QImage picture;
  std::deque<int16_t> sound;
  worker.Handed = 0;
  const bool readable = Decoder.Open(Path, WantVideo) == 0;
  while (readable && worker.Handed < handed) {
    Decoder.SetPictures(wanted.count(worker.Handed) != 0);
    const TDecodeItem item = NextItem(worker);
    if (item == TDecodeItem::Video) {
      const TVideoFrame& frame = worker.Decoded;
      if (frame.Item == shown) picture = frame.Image;
      for (TVideoFrame& queued : worker.Pending)
        if (queued.Item == frame.Item) queued.Image = frame.Image;
    } else if (item == TDecodeItem::Audio) {
      sound.insert(sound.end(), worker.Samples.begin(), worker.Samples.end());
      if (sound.size() > soundLeft * 2) sound.erase(sound.begin(), sound.end() - ptrdiff_t(soundLeft * 2));
    } else {
      break;
    }
  }
  Decoder.SetPictures(true);
  // A file gone or changed since cannot give what the timeline held: it has nothing more to give.
  if (!readable || worker.Handed != handed) worker.DecoderAtEnd = true;
  worker.Handed = handed;
  if (worker.AudioOut) {
    const std::vector<int16_t> waiting(sound.begin(), sound.end());
    Mixer->Reset(Stream);
    Mixer->Push(Stream, waiting.data(), waiting.size() / 2);
  }
  return picture;
}

}  // namespace orbel::media
