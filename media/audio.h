#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The one sound output: every playing stream (a movie's track, the wave channel) is mixed into a single SDL2
// audio device. Streams are fed from the devices' worker threads; the device's callback consumes them.
//
// On the virtual engine clock there is no device: the output keeps a position in frames (MixRate a second)
// that follows the clock, mixing exactly as the device's callback does each time the clock moves, before
// anything due at the new time runs. The mixed sound goes to the virtual sound sink, or nowhere.
//
// The output follows the clock's switches: into real time it opens the device (resumes the one it paused),
// out of it it pauses the device and mixes on the clock from the current moment on. What waits in a stream
// stays there across a switch and is what the new output plays next.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace orbel::media {

class TTempoFilter;

// What a stream is, for the player's volume: the wave channel's sound or a movie's track.
enum TSoundChannel { scSound, scMovie };

// The player's volume, each from 0 (silent) to 100 (as the game made it).
struct TVolumes {
  int Master = 100;
  int Sound = 100;
  int Movie = 100;
  bool Mute = false;
  bool operator==(const TVolumes&) const = default;
};
// The factor a volume of 0 to 100 multiplies the sound by: the steps of a slider sound even to the ear, about
// -60 dB at 1 to 0 dB at 100 (0 is silence).
double VolumeGain(int percent);
// From now on the sound device plays every stream at these volumes (any thread). What the virtual clock mixes
// (an export) is never changed.
void SetVolumes(const TVolumes& volumes);

class TAudioMixer {
 public:
  // Opens the default sound driver, or SDL's silent "dummy" driver when that fails; never throws. Without
  // any device the streams are consumed by no one and the devices keep time by the wall clock. On the
  // virtual engine clock it opens nothing and mixes as the clock moves.
  TAudioMixer();
  ~TAudioMixer();
  TAudioMixer(const TAudioMixer&) = delete;
  TAudioMixer& operator=(const TAudioMixer&) = delete;

  // True when a real device consumes the sound, so that the consumed count is the playback clock. The silent
  // driver only approximates real time, so devices then follow the wall clock; so they do on virtual time.
  bool ClockFollowsAudio() const { return RealOutput && !Virtual; }
  bool IsOpen() const { return DeviceId != 0 || Virtual; }

  // Virtual clock only (GUI thread): mixes from the output position up to frame sampleIndex, as the device's
  // callback would, appending the interleaved stereo frames to out (null: they are dropped). The clock does
  // this itself whenever it moves; a stream's sound begins at the output position current when it is
  // pushed.
  void MixUntil(int64_t sampleIndex, std::vector<int16_t>* out);
  int64_t OutputPosition() const { return OutputFrames; }

  int AddStream(TSoundChannel channel = scSound);  // a new stream, paused and empty
  void RemoveStream(int stream);
  // Appends interleaved stereo frames (MixRate, signed 16-bit).
  void Push(int stream, const int16_t* data, size_t frames);
  // Appends frames nobody will hear (a play during a replay): they wait and are consumed as sound would be,
  // after the stream's real frames, and add nothing to the mix.
  void PushUnheard(int stream, size_t frames);
  size_t Buffered(int stream) const;    // frames waiting, unheard ones included
  uint64_t Consumed(int stream) const;  // frames handed to the output since the last Reset
  void SetPaused(int stream, bool paused);
  void Reset(int stream);  // drops what waits and zeroes the count

 private:
  struct TStream {
    TStream();
    ~TStream();
    std::deque<int16_t> Samples;
    size_t Unheard = 0;
    uint64_t Consumed = 0;
    bool Paused = true;
    TSoundChannel Channel = scSound;
    // At another pace than the stream's own (the game's speed): the filter its sound goes through, what had
    // been consumed when it was made, what it has been fed and how much of the stream's time it gave back.
    std::unique_ptr<TTempoFilter> Tempo;
    uint64_t TempoBase = 0;
    uint64_t TempoFed = 0;
    double TempoHeard = 0;
  };
  static void Callback(void* self, uint8_t* out, int bytes);
  void OpenDevice();
  void StartVirtualOutput();
  // Mixes `frames` stereo frames of every playing stream into `out`: the device's output (`device`) at the
  // player's volumes, the virtual output as the game made it.
  void Mix(int16_t* out, size_t frames, bool device);
  // One stream's sound added to `sum`, straight or through its tempo filter.
  static void AddStraight(TStream& stream, int32_t* sum, size_t frames, double gain);
  static void AddAtTempo(TStream& stream, int32_t* sum, size_t frames, double gain, double tempo);
  static void EndTempo(TStream& stream);
  bool AnythingToMix() const;
  // Consumes the unheard frames of up to `frames` of output, when no stream has real ones to mix.
  void ConsumeUnheard(size_t frames);

  mutable std::mutex Mutex;
  std::map<int, TStream> Streams;
  int NextStream = 1;
  uint32_t DeviceId = 0;
  bool RealOutput = false;
  bool SubsystemInitialised = false;
  // The virtual output: its position in frames and its key with the clock. Changed on the GUI thread only
  // while no player has a worker: the output switches to real time before the players start their workers
  // and back after they have ended them (the clock's observer order).
  bool Virtual = false;
  int64_t OutputFrames = 0;
  int ClockObserver = 0;
  int ModeObserver = 0;
  std::vector<int16_t> Scratch;
};

// Where the virtual output's sound goes as the clock moves it on: interleaved signed 16-bit stereo at
// MixRate, in order, with silence where nothing plays (an export writes it out). An empty function (the
// default) drops it. Set it on the GUI thread; it is called there.
using TSoundSink = std::function<void(const int16_t* data, size_t frames)>;
void SetVirtualSoundSink(TSoundSink sink);

}  // namespace orbel::media
