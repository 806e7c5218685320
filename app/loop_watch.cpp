// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/loop_watch.h"

#include <QHashFunctions>
#include <string>

#include "controls/board.h"
#include "controls/movie.h"
#include "controls/wave_channel.h"
#include "screen/screen.h"

namespace orbel::app {

namespace {

// Folds one value into a fingerprint (the finaliser of MurmurHash3, so that nearby values spread).
uint64_t Mix(uint64_t fingerprint, uint64_t value) {
  uint64_t h = fingerprint ^ (value + 0x9e3779b97f4a7c15ULL + (fingerprint << 6) + (fingerprint >> 2));
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

uint64_t BytesFingerprint(const void* data, size_t size) {
  return Mix(size, qHashBits(data, size, 0x4f72));
}

uint64_t TextFingerprint(const std::string& text) {
  return BytesFingerprint(text.data(), text.size());
}

// A device plays, seeks or records: its moment is not one to come back to.
bool Busy(controls::TMciDevice& device) {
  if (device.DeviceID() == 0) return false;
  const controls::TMPModes mode = device.Mode();
  return mode != controls::mpStopped && mode != controls::mpNotReady && mode != controls::mpOpen;
}

// Cached fingerprints of pictures that no longer exist are never asked for again.
constexpr size_t kMaxCachedPictures = 64;

}  // namespace

bool TLoopWatch::Quiet(const TMoment& moment) {
  if (moment.Screen->TransitionRunning() || moment.Board->RevealRunning()) return false;
  return !Busy(*moment.Movies[0]) && !Busy(*moment.Movies[1]) && !Busy(*moment.Wave);
}

std::optional<TLoopWatch::TVisit> TLoopWatch::Visit(const TMoment& moment, const TVisit& now) {
  if (!Quiet(moment)) return std::nullopt;
  const auto [seen, added] = Seen.try_emplace(Fingerprint(moment), now);
  if (added) return std::nullopt;
  return seen->second;
}

void TLoopWatch::Clear() {
  Seen.clear();
  Pictures.clear();
}

uint64_t TLoopWatch::PictureFingerprint(const QImage& picture) {
  const qint64 key = picture.cacheKey();
  if (const auto known = Pictures.find(key); known != Pictures.end()) return known->second;
  if (Pictures.size() >= kMaxCachedPictures) Pictures.clear();
  const uint64_t fingerprint =
      Mix(Mix(uint64_t(picture.width()) << 32 | uint32_t(picture.height()), picture.format()),
          BytesFingerprint(picture.constBits(), size_t(picture.sizeInBytes())));
  Pictures.emplace(key, fingerprint);
  return fingerprint;
}

// A stopped device still tells what the lines after it may do: a sound's open device reads the field of a
// "time" that a closed one skips, and a movie shown again shows the picture it stopped at.
uint64_t TLoopWatch::DeviceFingerprint(controls::TMciDevice& device, bool picture) {
  uint64_t fingerprint = Mix(0, device.DeviceID() != 0);
  if (picture && device.DeviceID() != 0)
    fingerprint = Mix(Mix(fingerprint, TextFingerprint(device.FileName())), uint32_t(device.Position()));
  return fingerprint;
}

uint64_t TLoopWatch::Fingerprint(const TMoment& moment) {
  screen::TScreen& screen = *moment.Screen;
  uint64_t fingerprint = Mix(0, uint32_t(moment.Line));
  // The surface first: it settles frames a replay deferred, so the buffers read below are drawn.
  fingerprint = Mix(fingerprint, PictureFingerprint(screen.Surface()));
  for (const QImage* picture :
       {&screen.ScreenBuffer, &screen.StageBuffer, &screen.SpareBuffer, &screen.PatternTile})
    fingerprint = Mix(fingerprint, PictureFingerprint(*picture));
  fingerprint = Mix(Mix(fingerprint, screen.TransitionKind), uint32_t(screen.TransitionStep));

  controls::TBoard& board = *moment.Board;
  fingerprint = Mix(fingerprint, !board.isHidden());
  for (const QString& line : board.Text())
    fingerprint = Mix(fingerprint, BytesFingerprint(line.constData(), size_t(line.size()) * sizeof(QChar)));
  fingerprint = Mix(Mix(fingerprint, board.Text().size()), PictureFingerprint(board.Surface()));

  for (controls::TMovie* movie : moment.Movies)
    fingerprint = Mix(Mix(fingerprint, !movie->isHidden()), DeviceFingerprint(*movie, true));
  return Mix(fingerprint, DeviceFingerprint(*moment.Wave, false));
}

}  // namespace orbel::app
