#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Inside the player (player.cpp, player_replay.cpp): the state of its decoding.

#include <deque>
#include <memory>
#include <vector>

#include "media/known_files.h"
#include "media/player.h"

namespace orbel::media {

// What the worker decodes ahead of the clock; only the worker thread touches it (on the virtual clock, only
// the GUI thread).
struct TMediaPlayer::TWorkerState {
  explicit TWorkerState(bool audioOut) : AudioOut(audioOut) {}
  const bool AudioOut;  // the sound goes to a mixer stream
  std::deque<TVideoFrame> Pending;
  size_t PendingBytes = 0;
  TVideoFrame Decoded;
  std::vector<int16_t> Samples;
  size_t SoundFrames = 0;  // of the latest block of sound
  bool DecoderAtEnd = false;
  int64_t Handed = 0;  // items handed out since the file was last opened
  // While following: the items come from here, Handed being the place reached.
  std::shared_ptr<const TTimeline> Timeline;

  void Queue(const TVideoFrame& frame) {
    PendingBytes += frame.Bytes;
    Pending.push_back(frame);
  }
  void DropFront() {
    PendingBytes -= Pending.front().Bytes;
    Pending.pop_front();
  }
};

}  // namespace orbel::media
