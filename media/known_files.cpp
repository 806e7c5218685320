// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/known_files.h"

#include <map>
#include <mutex>

namespace orbel::media {

namespace {

class TKnownFiles {
 public:
  std::optional<TKnownFile> Find(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp) {
    std::lock_guard lock(Mutex);
    const auto found = Known.find({path, wantVideo});
    if (found == Known.end() || !(found->second.Stamp == stamp)) return std::nullopt;
    return found->second.File;
  }
  void Keep(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp,
            const TMediaInfo& info) {
    std::lock_guard lock(Mutex);
    if (Known.size() >= MaxEntries) Known.clear();
    Known[{path, wantVideo}] = {stamp, {info, nullptr}};
  }
  // Only beside the scan of the same file: a timeline alone would have no measurements to go with.
  void Keep(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp,
            std::shared_ptr<const TTimeline> timeline) {
    std::lock_guard lock(Mutex);
    const auto found = Known.find({path, wantVideo});
    if (found != Known.end() && found->second.Stamp == stamp)
      found->second.File.Timeline = std::move(timeline);
  }

 private:
  struct TEntry {
    platform::TFileStamp Stamp;
    TKnownFile File;
  };
  static constexpr size_t MaxEntries = 1024;
  std::mutex Mutex;
  std::map<std::pair<std::string, bool>, TEntry> Known;
};

TKnownFiles& KnownFiles() {
  static TKnownFiles known;
  return known;
}

std::shared_ptr<const TTimeline> DecodeTimeline(const std::string& path, bool wantVideo,
                                                const TMediaInfo& info) {
  TMediaDecoder decoder;
  if (decoder.Open(path, wantVideo) != 0) return nullptr;
  // Another file in its place since the scan: its items would not be this file's.
  const TMediaInfo& opened = decoder.Info();
  if (opened.HasVideo != info.HasVideo || opened.HasAudio != info.HasAudio || opened.Width != info.Width ||
      opened.Height != info.Height)
    return nullptr;
  decoder.SetPictures(false);
  auto timeline = std::make_shared<TTimeline>();
  TVideoFrame frame;
  std::vector<int16_t> samples;
  while (true) {
    const TDecodeItem kind = decoder.Next(frame, samples);
    TTimelineItem item{kind, 0, 0};
    if (kind == TDecodeItem::Video) {
      item.Seconds = frame.Seconds;
      item.Size = uint32_t(frame.Bytes);
      timeline->LastPictureItem = int64_t(timeline->Items.size());
    } else if (kind == TDecodeItem::Audio) {
      item.Size = uint32_t(samples.size() / 2);
    }
    timeline->Items.push_back(item);
    if (kind == TDecodeItem::End || kind == TDecodeItem::Error) break;
  }
  timeline->LastPicture = decoder.LastPicture();
  // A last picture that cannot be made is made again by the play that shows it.
  if (timeline->LastPicture.isNull()) timeline->LastPictureItem = -1;
  return timeline;
}

}  // namespace

std::optional<TKnownFile> FindKnownFile(const std::string& path, bool wantVideo,
                                        const platform::TFileStamp& stamp) {
  return KnownFiles().Find(path, wantVideo, stamp);
}

void KeepScan(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp,
              const TMediaInfo& info) {
  KnownFiles().Keep(path, wantVideo, stamp, info);
}

std::shared_ptr<const TTimeline> TimelineOf(const std::string& path, bool wantVideo,
                                            const platform::TFileStamp& stamp) {
  const std::optional<TKnownFile> known = FindKnownFile(path, wantVideo, stamp);
  if (!known) return nullptr;
  if (known->Timeline) return known->Timeline;
  std::shared_ptr<const TTimeline> timeline = DecodeTimeline(path, wantVideo, known->Info);
  if (timeline && platform::FileStampOf(path) == stamp) KnownFiles().Keep(path, wantVideo, stamp, timeline);
  return timeline;
}

}  // namespace orbel::media
