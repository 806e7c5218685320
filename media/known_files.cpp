// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/known_files.h"

#include <algorithm>
#include <list>
#include <map>
#include <mutex>

namespace orbel::media {

namespace {

using TKey = std::pair<std::string, bool>;

class TKnownFiles {
 public:
  std::optional<TKnownFile> Find(const TKey& key, const platform::TFileStamp& stamp) {
    std::lock_guard lock(Mutex);
    const TEntry* entry = EntryLocked(key, stamp);
    if (!entry) return std::nullopt;
    return entry->File;
  }
  void Keep(const TKey& key, const platform::TFileStamp& stamp, const TMediaInfo& info) {
    std::lock_guard lock(Mutex);
    if (Known.size() >= MaxEntries) {
      Known.clear();
      Pictured.clear();
    }
    std::erase(Pictured, key);
    Known[key] = {stamp, {info, nullptr}, {}};
  }
  // Only beside the scan of the same file: a timeline alone would have no measurements to go with.
  void Keep(const TKey& key, const platform::TFileStamp& stamp, std::shared_ptr<const TTimeline> timeline,
            const QImage& lastPicture) {
    std::lock_guard lock(Mutex);
    TEntry* entry = EntryLocked(key, stamp);
    if (!entry) return;
    entry->File.Timeline = std::move(timeline);
    entry->LastPicture = lastPicture;
    if (!lastPicture.isNull()) Touch(key);
  }
  QImage LastPicture(const TKey& key, const platform::TFileStamp& stamp) {
    std::lock_guard lock(Mutex);
    TEntry* entry = EntryLocked(key, stamp);
    if (!entry || entry->LastPicture.isNull()) return QImage();
    Touch(key);
    return entry->LastPicture;
  }

 private:
  struct TEntry {
    platform::TFileStamp Stamp;
    TKnownFile File;
    QImage LastPicture;
  };
  static constexpr size_t MaxEntries = 1024;
  // Movies' last pictures are large: only the files used last keep theirs.
  static constexpr size_t MaxPictures = 8;

  TEntry* EntryLocked(const TKey& key, const platform::TFileStamp& stamp) {
    const auto found = Known.find(key);
    return found == Known.end() || !(found->second.Stamp == stamp) ? nullptr : &found->second;
  }
  void Touch(const TKey& key) {
    std::erase(Pictured, key);
    Pictured.push_back(key);
    if (Pictured.size() <= MaxPictures) return;
    Known[Pictured.front()].LastPicture = QImage();
    Pictured.pop_front();
  }

  std::mutex Mutex;
  std::map<TKey, TEntry> Known;
  std::list<TKey> Pictured;  // the entries holding a last picture, the one used last at the end
};

TKnownFiles& KnownFiles() {
  static TKnownFiles known;
  return known;
}

std::shared_ptr<const TTimeline> DecodeTimeline(const std::string& path, bool wantVideo,
                                                const TMediaInfo& info, QImage& lastPicture) {
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
  lastPicture = decoder.LastPicture();
  return timeline;
}

}  // namespace

std::optional<TKnownFile> FindKnownFile(const std::string& path, bool wantVideo,
                                        const platform::TFileStamp& stamp) {
  return KnownFiles().Find({path, wantVideo}, stamp);
}

void KeepScan(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp,
              const TMediaInfo& info) {
  KnownFiles().Keep({path, wantVideo}, stamp, info);
}

std::shared_ptr<const TTimeline> TimelineOf(const std::string& path, bool wantVideo,
                                            const platform::TFileStamp& stamp) {
  const std::optional<TKnownFile> known = FindKnownFile(path, wantVideo, stamp);
  if (!known) return nullptr;
  if (known->Timeline) {
    // Used now: its last picture is among those kept longest.
    LastPictureOf(path, wantVideo, stamp);
    return known->Timeline;
  }
  QImage lastPicture;
  std::shared_ptr<const TTimeline> timeline = DecodeTimeline(path, wantVideo, known->Info, lastPicture);
  if (timeline && platform::FileStampOf(path) == stamp)
    KnownFiles().Keep({path, wantVideo}, stamp, timeline, lastPicture);
  return timeline;
}

QImage LastPictureOf(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp) {
  return KnownFiles().LastPicture({path, wantVideo}, stamp);
}

}  // namespace orbel::media
