#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TLoopWatch: notices that a game on the virtual clock has come back to a moment it has been at. A script has
// no conditions, so from the same line, with the same pictures, board, movies and sound, it plays the same
// round again for ever. Only quiet moments count (nothing plays, reveals or moves on its own), each kept as a
// fingerprint with its line; a picture's fingerprint is computed again only when the picture has changed.

#include <QImage>
#include <cstdint>
#include <optional>
#include <unordered_map>

namespace orbel::screen {
class TScreen;
}
namespace orbel::controls {
class TBoard;
class TMciDevice;
class TMovie;
class TWaveChannel;
}  // namespace orbel::controls

namespace orbel::app {

class TLoopWatch {
 public:
  // What a moment of the game is: the line about to run and everything the following lines may show or use.
  struct TMoment {
    int32_t Line = 0;
    screen::TScreen* Screen = nullptr;
    controls::TBoard* Board = nullptr;
    controls::TMovie* Movies[2] = {nullptr, nullptr};
    controls::TWaveChannel* Wave = nullptr;
  };
  // When the run was first at a moment: its time and the steps run before it.
  struct TVisit {
    int64_t TimeMs = 0;
    int64_t Steps = 0;
  };

  // A step is about to run with no other step queued and no wait in progress (the caller knows those). When
  // nothing else moves on its own either (no transition, no reveal, no movie or sound playing), the moment is
  // noted; the earlier visit is returned when the run has been at this very moment before.
  std::optional<TVisit> Visit(const TMoment& moment, const TVisit& now);
  // Forgets every moment (a replay that reached its start point begins its own round).
  void Clear();

 private:
  static bool Quiet(const TMoment& moment);
  uint64_t Fingerprint(const TMoment& moment);
  uint64_t PictureFingerprint(const QImage& picture);
  uint64_t DeviceFingerprint(controls::TMciDevice& device, bool picture);

  std::unordered_map<uint64_t, TVisit> Seen;
  // By QImage::cacheKey, which changes with every write to a picture's pixels.
  std::unordered_map<qint64, uint64_t> Pictures;
};

}  // namespace orbel::app
