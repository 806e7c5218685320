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

namespace {

// The size so far says little before a few pictures are in; the whole is estimated after the first second,
// or earlier when the file has already taken half of the room there was.
constexpr int64_t kFirstMeasureMs = 250;
constexpr int64_t kEstimateAfterMs = 1000;
// An export stops while this much game time at its rate still fits on its file system, rather than fill it.
constexpr int64_t kReserveMs = 5000;
// How often the room is looked at, in game time.
constexpr int64_t kRoomCheckMs = 100;

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, seconds < 10 ? "%.1f s" : "%.0f s", seconds);
  return text;
}

}  // namespace

std::string SizeText(int64_t bytes) {
  char text[32];
  const double value = double(bytes);
  if (value < 1e6)
    std::snprintf(text, sizeof text, "%.0f kB", value / 1e3);
  else if (value < 1e9)
    std::snprintf(text, sizeof text, value < 1e7 ? "%.1f MB" : "%.0f MB", value / 1e6);
  else
    std::snprintf(text, sizeof text, value < 1e10 ? "%.1f GB" : "%.0f GB", value / 1e9);
  return text;
}

std::optional<std::string> RoomShortfall(const TExportRoom& room) {
  if (room.GameMs < kFirstMeasureMs || room.Bytes <= 0) return std::nullopt;
  const double bytesPerMs = double(room.Bytes) / double(room.GameMs);
  // What the whole file can take: what is free, and what it holds already.
  const int64_t capacity = room.FreeBytes + room.BytesOnDisk;
  const double left = double(capacity - room.Bytes);
  const bool nearlyFull = left < bytesPerMs * kReserveMs;
  if (room.Lossless && room.EndMs &&
      (room.GameMs >= kEstimateAfterMs || 2 * room.Bytes >= capacity || nearlyFull)) {
    const double needed = bytesPerMs * double(*room.EndMs);
    if (needed > double(capacity))
      return platform::Tr("Export",
                          "at the rate of its first %1 it would need about %2 for the %3 up to --quit-after, "
                          "and its file system has %4 free")
          .Arg(SecondsText(double(room.GameMs) / 1000))
          .Arg(SizeText(int64_t(needed)))
          .Arg(SecondsText(double(*room.EndMs) / 1000))
          .Arg(SizeText(capacity))
          .Str();
  }
  if (!nearlyFull) return std::nullopt;
  return platform::Tr("Export",
                      "its file system is nearly full: %1 free, room for about %2 more of the game at %3 a "
                      "minute (free some space, or bound the export with --quit-after)")
      .Arg(SizeText(std::max<int64_t>(0, int64_t(left))))
      .Arg(SecondsText(std::max(0.0, left / bytesPerMs / 1000)))
      .Arg(SizeText(int64_t(bytesPerMs * 60000)))
      .Str();
}

TGameExport::TGameExport(const TOptions& options)
    : Path(options.ExportVideo),
      FramesPerSecond(options.ExportFps),
      Export(std::make_unique<media::TVideoExport>(
          options.ExportVideo, media::TVideoExportSettings{options.Scale < 1 ? 1 : options.Scale,
                                                           options.ExportFps, options.ExportLossless})),
      Lossless(options.ExportLossless),
      Terminal(isatty(STDERR_FILENO) != 0) {
  if (options.QuitAfterMs >= 0) EndMs = options.QuitAfterMs;
}

TGameExport::~TGameExport() {
  if (ObserverKey) platform::EngineClock().RemoveAdvanceObserver(ObserverKey);
  media::SetVirtualSoundSink(nullptr);
}

void TGameExport::Begin(std::function<QImage()> grab, std::function<int()> line,
                        std::function<void()> failed) {
  Grab = std::move(grab);
  Line = std::move(line);
  Failed = std::move(failed);
  Started = LastReport = std::chrono::steady_clock::now();
  media::SetVirtualSoundSink(
      [this](const int16_t* data, size_t frames) { Guarded([&] { Export->AddSound(data, frames); }); });
  ObserverKey = platform::EngineClock().AddAdvanceObserver([this](int64_t nowMs) { Advanced(nowMs); });
}

// The clock and the mixer call in here from deep inside the run's steps and waits, where an error must not
// pass: it is kept for Finish, and the run is asked to end.
template <class TWrite>
void TGameExport::Guarded(TWrite write) {
  if (Failure) return;
  try {
    write();
  } catch (const media::EVideoExportError& error) {
    Failure = error.what();
  } catch (const std::exception& error) {
    Failure = "cannot export video to " + platform::FileNameToUtf8(Path) + ": " + error.what();
  }
  if (Failure && Failed) Failed();
}

void TGameExport::Advanced(int64_t nowMs) {
  Guarded([&] {
    AddFramesBefore(nowMs);
    CheckRoom(nowMs);
  });
  if (Terminal && !Failure && std::chrono::steady_clock::now() - LastReport > std::chrono::milliseconds(200))
    Report(false);
}

void TGameExport::CheckRoom(int64_t nowMs) {
  if (nowMs - RoomCheckedMs < kRoomCheckMs) return;
  RoomCheckedMs = nowMs;
  const std::optional<int64_t> free = Export->FreeBytes();
  if (!free) return;
  const std::optional<std::string> shortfall =
      RoomShortfall({nowMs, Export->Bytes(), Export->BytesOnDisk(), *free, EndMs, Lossless});
  if (shortfall)
    throw media::EVideoExportError(platform::Tr("Export", "cannot export video to %1: %2")
                                       .Arg(platform::FileNameToUtf8(Path))
                                       .Arg(*shortfall));
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
  // The progress line ends before whatever comes next.
  if (Terminal) std::fputc('\n', stderr);
  if (Failure) throw media::EVideoExportError(*Failure);
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
  const std::string size = SizeText(Export->Bytes());
  if (!last) {
    std::fprintf(stderr, "\rorbel: %s ",
                 platform::Tr("Export", "exporting: line %1, %2 s of the game, %3, %4x real time")
                     .Arg(Line ? Line() : 0)
                     .Arg(decimals(gameSeconds, 1))
                     .Arg(size)
                     .Arg(decimals(speed, 1))
                     .Str()
                     .c_str());
    std::fflush(stderr);
    return;
  }
  const int pictures = static_cast<int>(NextFrame);
  std::fprintf(
      stderr, "orbel: %s\n",
      platform::Tr("Export", "exported %1 s of the game to %2 (%n pictures, %3) in %4 s, %5x real time",
                   nullptr, pictures)
          .Arg(decimals(gameSeconds, 2))
          .Arg(platform::FileNameToUtf8(Path))
          .Arg(size)
          .Arg(decimals(wallSeconds, 2))
          .Arg(decimals(speed, 1))
          .Str()
          .c_str());
}

}  // namespace orbel::app
