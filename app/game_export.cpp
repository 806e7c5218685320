// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/game_export.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "media/media_layer.h"
#include "media/video_export.h"
#include "platform/engine_clock.h"
#include "platform/text_codec.h"
#include "platform/translation.h"

namespace orbel::app {

TGameExport::TGameExport(const TOptions& options)
    : Path(options.ExportVideo),
      FramesPerSecond(options.ExportFps),
      Export(std::make_unique<media::TVideoExport>(
          options.ExportVideo, media::TVideoExportSettings{options.Scale < 1 ? 1 : options.Scale,
                                                           options.ExportFps, options.ExportLossless})),
      Terminal(isatty(STDERR_FILENO) != 0) {}

TGameExport::~TGameExport() {
  if (ObserverKey) platform::EngineClock().RemoveAdvanceObserver(ObserverKey);
  media::SetVirtualSoundSink(nullptr);
}

void TGameExport::Begin(std::function<QImage()> grab, std::function<int()> line) {
  Grab = std::move(grab);
  Line = std::move(line);
  Started = LastReport = std::chrono::steady_clock::now();
  media::SetVirtualSoundSink([this](const int16_t* data, size_t frames) { Export->AddSound(data, frames); });
  ObserverKey = platform::EngineClock().AddAdvanceObserver([this](int64_t nowMs) { Advanced(nowMs); });
}

void TGameExport::Advanced(int64_t nowMs) {
  AddFramesBefore(nowMs);
  if (Terminal && std::chrono::steady_clock::now() - LastReport > std::chrono::milliseconds(200))
    Report(false);
}

// Picture k shows at k / FramesPerSecond seconds; those before endMs show the picture as it stands now, since
// nothing has changed it since the clock last moved.
void TGameExport::AddFramesBefore(int64_t endMs) {
  const int64_t end = endMs * FramesPerSecond;  // compared in 1/1000 frames
  if (NextFrame * 1000 >= end) return;
  const QImage picture = Grab();
  while (NextFrame * 1000 < end) {
    Export->AddFrame(picture);
    ++NextFrame;
  }
}

void TGameExport::Finish() {
  if (ObserverKey) platform::EngineClock().RemoveAdvanceObserver(ObserverKey);
  ObserverKey = 0;
  media::SetVirtualSoundSink(nullptr);
  AddFramesBefore(platform::EngineClock().NowMs());
  // A game that ends at once still makes a video of one picture.
  if (NextFrame == 0) {
    Export->AddFrame(Grab());
    ++NextFrame;
  }
  Export->Finish();
  Report(true);
}

void TGameExport::Report(bool last) {
  LastReport = std::chrono::steady_clock::now();
  const double gameSeconds = double(platform::EngineClock().NowMs()) / 1000;
  const double wallSeconds = std::chrono::duration<double>(LastReport - Started).count();
  const double speed = wallSeconds > 0 ? gameSeconds / wallSeconds : 0;
  const auto decimals = [](double value, int places) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", places, value);
    return std::string(text);
  };
  if (!last) {
    std::fprintf(stderr, "\rorbel: %s ",
                 platform::Tr("Export", "exporting: line %1, %2 s of the game, %3x real time")
                     .Arg(Line ? Line() : 0)
                     .Arg(decimals(gameSeconds, 1))
                     .Arg(decimals(speed, 1))
                     .Str()
                     .c_str());
    std::fflush(stderr);
    return;
  }
  if (Terminal) std::fputc('\n', stderr);
  const int pictures = static_cast<int>(NextFrame);
  std::fprintf(stderr, "orbel: %s\n",
               platform::Tr("Export", "exported %1 s of the game to %2 (%n pictures) in %3 s, %4x real time",
                            nullptr, pictures)
                   .Arg(decimals(gameSeconds, 2))
                   .Arg(platform::FileNameToUtf8(Path))
                   .Arg(decimals(wallSeconds, 2))
                   .Arg(decimals(speed, 1))
                   .Str()
                   .c_str());
}

}  // namespace orbel::app
