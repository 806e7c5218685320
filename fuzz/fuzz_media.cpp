// SPDX-License-Identifier: GPL-3.0-or-later
// Movies and sounds from arbitrary bytes: opened both as a movie device and as a sound device through the
// engine's decoder, measured, proven and decoded for the first items, then closed; and timed through to their
// end without pictures, as a replay learns a file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "fuzz/input_file.h"
#include "media/decoder.h"
#include "media/known_files.h"
#include "platform/files.h"

namespace {

using namespace orbel::media;

// The first frames and a little sound are enough: later packets go through the same code.
constexpr int kDecodeItems = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The decoder reads files by name, as the devices open them.
  static const orbel::fuzz::TInputFile input(".avi");
  if (!input.Write(data, size)) return 0;
  for (const bool wantVideo : {true, false}) {
    TMediaDecoder decoder;
    if (decoder.Open(input.Path, wantVideo) != 0 || decoder.Scan() != 0) continue;
    TVideoFrame frame;
    std::vector<int16_t> samples;
    for (int items = 0; items < kDecodeItems; ++items) {
      const TDecodeItem item = decoder.Next(frame, samples);
      if (item == TDecodeItem::End || item == TDecodeItem::Error) break;
      if (item == TDecodeItem::Video &&
          (frame.Image.format() != QImage::Format_RGB32 || frame.Image.width() != decoder.Info().Width))
        __builtin_trap();  // the device shows frames at the size it reported
    }
    const std::optional<orbel::platform::TFileStamp> stamp = orbel::platform::FileStampOf(input.Path);
    if (!stamp) continue;
    const std::shared_ptr<const TTimeline> timeline = TimelineOf(input.Path, wantVideo, *stamp);
    if (timeline && (timeline->Items.empty() || (timeline->Items.back().Kind != TDecodeItem::End &&
                                                 timeline->Items.back().Kind != TDecodeItem::Error)))
      __builtin_trap();  // a timeline says how the file ends
  }
  return 0;
}
