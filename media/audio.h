#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The one sound output: every playing stream (a movie's track, the wave channel) is mixed into a single SDL2
// audio device. Streams are fed from the devices' worker threads; the device's callback consumes them.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

namespace orbel::media {

class TAudioMixer {
 public:
  // Opens the default sound driver, or SDL's silent "dummy" driver when that fails; never throws. Without
  // any device the streams are consumed by no one and the devices keep time by the wall clock.
  TAudioMixer();
  ~TAudioMixer();
  TAudioMixer(const TAudioMixer&) = delete;
  TAudioMixer& operator=(const TAudioMixer&) = delete;

  // True when a real device consumes the sound, so that the consumed count is the playback clock. The silent
  // driver only approximates real time, so devices then follow the wall clock.
  bool ClockFollowsAudio() const { return RealOutput; }
  bool IsOpen() const { return DeviceId != 0; }

  int AddStream();  // a new stream, paused and empty
  void RemoveStream(int stream);
  // Appends interleaved stereo frames (MixRate, signed 16-bit).
  void Push(int stream, const int16_t* data, size_t frames);
  size_t Buffered(int stream) const;    // frames waiting
  uint64_t Consumed(int stream) const;  // frames handed to the output since the last Reset
  void SetPaused(int stream, bool paused);
  void Reset(int stream);  // drops what waits and zeroes the count

 private:
  struct TStream {
    std::deque<int16_t> Samples;
    uint64_t Consumed = 0;
    bool Paused = true;
  };
  static void Callback(void* self, uint8_t* out, int bytes);
  void Mix(int16_t* out, size_t frames);

  mutable std::mutex Mutex;
  std::map<int, TStream> Streams;
  int NextStream = 1;
  uint32_t DeviceId = 0;
  bool RealOutput = false;
  bool SubsystemInitialised = false;
};

}  // namespace orbel::media
