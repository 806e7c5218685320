#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the layer knows of the files it has read, for as long as each stays the same file
// (platform::TFileStamp): the measurements of a scan, and the timeline of a file decoded through once. A game
// plays the same few movies and sounds hundreds of times, and a replay opens them one after another; reading
// each again every time would cost a long replay most of its time.

#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/decoder.h"
#include "platform/files.h"

namespace orbel::media {

// One item of a file as TMediaDecoder::Next hands it out after an Open.
struct TTimelineItem {
  TDecodeItem Kind = TDecodeItem::End;
  double Seconds = 0;  // a picture's time
  uint32_t Size = 0;   // a picture's bytes in memory (TVideoFrame::Bytes), or a block of sound's frames
};

// Everything the decoder hands out for a file, from its opening to its end or its failure, without the
// pictures and the sound themselves: what a play needs to keep its time exactly as when it decodes.
struct TTimeline {
  std::vector<TTimelineItem> Items;  // ends with an End or an Error item
  int64_t LastPictureItem = -1;      // the index of the last picture among Items; -1 when there is none
};

// The measurements (and the timeline, once made) of the file at path, when it was scanned as the file
// `stamp` names.
struct TKnownFile {
  TMediaInfo Info;
  std::shared_ptr<const TTimeline> Timeline;
};
std::optional<TKnownFile> FindKnownFile(const std::string& path, bool wantVideo,
                                        const platform::TFileStamp& stamp);
// Keeps the measurements of a scan of path, which was the file `stamp` names throughout.
void KeepScan(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp,
              const TMediaInfo& info);

// The timeline of the file at path, scanned before as the file `stamp` names: the one kept, or made now by
// decoding the file through once, timing its pictures without making them, and kept while the file stays the
// same. Nothing when the file cannot be opened any more.
std::shared_ptr<const TTimeline> TimelineOf(const std::string& path, bool wantVideo,
                                            const platform::TFileStamp& stamp);
// The file's last picture, made with its timeline: a play that has run to its end goes on showing it. Kept
// for the few files whose timelines were asked for last; null for the others.
QImage LastPictureOf(const std::string& path, bool wantVideo, const platform::TFileStamp& stamp);

}  // namespace orbel::media
