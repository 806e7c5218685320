// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/audio.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

#include "media/decoder.h"
#include "media/tempo.h"
#include "platform/engine_clock.h"

namespace orbel::media {

namespace {

uint32_t OpenOutput(void* self, void (*callback)(void*, uint8_t*, int)) {
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = MixRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = callback;
  want.userdata = self;
  // No changes allowed: SDL converts to whatever the hardware wants.
  return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

TSoundSink& VirtualSink() {
  static TSoundSink sink;
  return sink;
}

// The virtual output mixes in blocks of this many frames, so that hours of time need no hours of buffer.
constexpr int64_t MixBlockFrames = 4096;

// A tempo filter is fed this many frames at a time, about as many as the device asks for in one call.
constexpr size_t kTempoChunkFrames = 1024;

// The player's volumes as the device's callback reads them: one factor for each channel, master and mute in
// it.
std::atomic<double> ChannelGains[2] = {1.0, 1.0};

}  // namespace

double VolumeGain(int percent) {
  if (percent <= 0) return 0.0;
  if (percent >= 100) return 1.0;
  return std::pow(10.0, (percent - 100) * 0.6 / 20.0);
}

void SetVolumes(const TVolumes& volumes) {
  const double master = volumes.Mute ? 0.0 : VolumeGain(volumes.Master);
  ChannelGains[scSound] = master * VolumeGain(volumes.Sound);
  ChannelGains[scMovie] = master * VolumeGain(volumes.Movie);
}

void SetVirtualSoundSink(TSoundSink sink) {
  VirtualSink() = std::move(sink);
}

TAudioMixer::TAudioMixer() {
  platform::TEngineClock& clock = platform::EngineClock();
  if (clock.IsVirtual())
    StartVirtualOutput();
  else
    OpenDevice();
  ModeObserver = clock.AddModeObserver([this](platform::TClockChange change) {
    if (change == platform::TClockChange::ToReal) {
      platform::EngineClock().RemoveAdvanceObserver(ClockObserver);
      ClockObserver = 0;
      Virtual = false;
      // The device of an earlier stretch of real time was only paused; a run that began virtual opens one
      // now.
      if (DeviceId)
        SDL_PauseAudioDevice(DeviceId, 0);
      else
        OpenDevice();
    } else if (change == platform::TClockChange::ToVirtual) {
      // Paused rather than closed: holding Ctrl for a moment must not cost a reconnection to the sound
      // server. Once the call returns the device's callback is not running and will not run again.
      if (DeviceId) SDL_PauseAudioDevice(DeviceId, 1);
      StartVirtualOutput();
    }
    // A pause needs nothing here: the players hold their streams, and a device with nothing to mix plays
    // silence.
  });
}

void TAudioMixer::StartVirtualOutput() {
  Virtual = true;
  // The output goes on from the current moment; its sound before that was played or never made.
  OutputFrames = platform::EngineClock().NowMs() * MixRate / 1000;
  ClockObserver = platform::EngineClock().AddAdvanceObserver([this](int64_t nowMs) {
    const int64_t target = nowMs * MixRate / 1000;
    if (!VirtualSink()) {
      MixUntil(target, nullptr);
      return;
    }
    std::vector<int16_t> mixed;
    MixUntil(target, &mixed);
    VirtualSink()(mixed.data(), mixed.size() / 2);
  });
}

void TAudioMixer::OpenDevice() {
  SDL_SetMainReady();
  const char* silent = "dummy";
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SubsystemInitialised = true;
    const char* driver = SDL_GetCurrentAudioDriver();
    DeviceId = OpenOutput(this, &TAudioMixer::Callback);
    RealOutput = DeviceId != 0 && driver && std::strcmp(driver, silent) != 0;
    if (!DeviceId) SDL_AudioQuit();
  }
  if (!DeviceId) {
    // No sound server: the silent driver still consumes the streams at about real-time pace.
    if (SDL_AudioInit(silent) == 0) {
      DeviceId = OpenOutput(this, &TAudioMixer::Callback);
      if (!DeviceId) SDL_AudioQuit();
    }
    RealOutput = false;
  }
  if (DeviceId) SDL_PauseAudioDevice(DeviceId, 0);
}

TAudioMixer::~TAudioMixer() {
  platform::EngineClock().RemoveModeObserver(ModeObserver);
  if (ClockObserver) platform::EngineClock().RemoveAdvanceObserver(ClockObserver);
  if (DeviceId) SDL_CloseAudioDevice(DeviceId);
  if (SubsystemInitialised) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (DeviceId || SubsystemInitialised) {
    if (SDL_GetCurrentAudioDriver()) SDL_AudioQuit();
  }
}

TAudioMixer::TStream::TStream() = default;
TAudioMixer::TStream::~TStream() = default;

int TAudioMixer::AddStream(TSoundChannel channel) {
  std::lock_guard lock(Mutex);
  int id = NextStream++;
  Streams[id].Channel = channel;
  return id;
}

void TAudioMixer::RemoveStream(int stream) {
  std::lock_guard lock(Mutex);
  Streams.erase(stream);
}

void TAudioMixer::Push(int stream, const int16_t* data, size_t frames) {
  std::lock_guard lock(Mutex);
  auto it = Streams.find(stream);
  if (it != Streams.end()) it->second.Samples.insert(it->second.Samples.end(), data, data + frames * 2);
}

void TAudioMixer::PushUnheard(int stream, size_t frames) {
  std::lock_guard lock(Mutex);
  auto it = Streams.find(stream);
  if (it != Streams.end()) it->second.Unheard += frames;
}

size_t TAudioMixer::Buffered(int stream) const {
  std::lock_guard lock(Mutex);
  auto it = Streams.find(stream);
  return it == Streams.end() ? 0 : it->second.Samples.size() / 2 + it->second.Unheard;
}

uint64_t TAudioMixer::Consumed(int stream) const {
  std::lock_guard lock(Mutex);
  auto it = Streams.find(stream);
  return it == Streams.end() ? 0 : it->second.Consumed;
}

void TAudioMixer::SetPaused(int stream, bool paused) {
  std::lock_guard lock(Mutex);
  auto it = Streams.find(stream);
  if (it != Streams.end()) it->second.Paused = paused;
}

void TAudioMixer::Reset(int stream) {
  std::lock_guard lock(Mutex);
  auto it = Streams.find(stream);
  if (it != Streams.end()) {
    it->second.Samples.clear();
    it->second.Unheard = 0;
    it->second.Tempo.reset();
    it->second.Consumed = 0;
  }
}

bool TAudioMixer::AnythingToMix() const {
  std::lock_guard lock(Mutex);
  for (const auto& [id, stream] : Streams)
    if (!stream.Paused && !stream.Samples.empty()) return true;
  return false;
}

void TAudioMixer::ConsumeUnheard(size_t frames) {
  std::lock_guard lock(Mutex);
  for (auto& [id, stream] : Streams) {
    if (stream.Paused) continue;
    const size_t take = std::min(frames, stream.Unheard);
    stream.Unheard -= take;
    stream.Consumed += take;
  }
}

void TAudioMixer::MixUntil(int64_t sampleIndex, std::vector<int16_t>* out) {
  while (OutputFrames < sampleIndex) {
    if (!AnythingToMix()) {
      // Silence to the end: only unheard frames are consumed on the way, each stream's as far as it goes.
      ConsumeUnheard(size_t(sampleIndex - OutputFrames));
      if (out) out->resize(out->size() + size_t(sampleIndex - OutputFrames) * 2, 0);
      OutputFrames = sampleIndex;
      return;
    }
    const size_t frames = size_t(std::min(MixBlockFrames, sampleIndex - OutputFrames));
    int16_t* to = nullptr;
    if (out) {
      out->resize(out->size() + frames * 2);
      to = out->data() + out->size() - frames * 2;
    } else {
      Scratch.resize(frames * 2);
      to = Scratch.data();
    }
    Mix(to, frames, false);
    OutputFrames += int64_t(frames);
  }
}

void TAudioMixer::Callback(void* self, uint8_t* out, int bytes) {
  static_cast<TAudioMixer*>(self)->Mix(reinterpret_cast<int16_t*>(out), size_t(bytes) / 4, true);
}

void TAudioMixer::Mix(int16_t* out, size_t frames, bool device) {
  // The game's speed and the player's volumes are the listener's; the virtual clock's sound (an export) is
  // the game's own.
  const double tempo = device ? platform::EngineClock().Rate() : 1.0;
  const double gains[2] = {device ? ChannelGains[scSound].load() : 1.0,
                           device ? ChannelGains[scMovie].load() : 1.0};
  std::vector<int32_t> sum(frames * 2, 0);
  {
    std::lock_guard lock(Mutex);
    for (auto& [id, stream] : Streams) {
      if (stream.Paused) continue;
      if (tempo != 1.0) {
        AddAtTempo(stream, sum.data(), frames, gains[stream.Channel], tempo);
      } else {
        EndTempo(stream);
        AddStraight(stream, sum.data(), frames, gains[stream.Channel]);
      }
    }
  }
  for (size_t i = 0; i < frames * 2; ++i) out[i] = int16_t(std::clamp(sum[i], -32768, 32767));
}

void TAudioMixer::AddStraight(TStream& stream, int32_t* sum, size_t frames, double gain) {
  const size_t take = std::min(frames * 2, stream.Samples.size());
  auto begin = stream.Samples.begin();
  if (gain == 1.0)
    for (size_t i = 0; i < take; ++i) sum[i] += begin[ptrdiff_t(i)];
  else
    for (size_t i = 0; i < take; ++i) sum[i] += int32_t(std::lrint(begin[ptrdiff_t(i)] * gain));
  stream.Samples.erase(begin, begin + ptrdiff_t(take));
  const size_t unheard = std::min(frames - take / 2, stream.Unheard);
  stream.Unheard -= unheard;
  stream.Consumed += take / 2 + unheard;
}

// The stream's clock (Consumed) counts the stream's own time that has been heard: each frame the filter gives
// back stands for `tempo` frames of it. What waits inside the filter has not been heard yet.
void TAudioMixer::AddAtTempo(TStream& stream, int32_t* sum, size_t frames, double gain, double tempo) {
  if (stream.Unheard > 0 && stream.Samples.empty()) {
    // Frames nobody hears pass at the pace's rate too.
    const size_t unheard = std::min(size_t(double(frames) * tempo), stream.Unheard);
    stream.Unheard -= unheard;
    stream.Consumed += unheard;
    return;
  }
  if (!stream.Tempo || stream.Tempo->Tempo() != tempo) {
    EndTempo(stream);
    auto filter = std::make_unique<TTempoFilter>(tempo);
    // Without the filter the sound plays at its own pace rather than not at all.
    if (!filter->Valid()) {
      AddStraight(stream, sum, frames, gain);
      return;
    }
    stream.Tempo = std::move(filter);
    stream.TempoBase = stream.Consumed;
    stream.TempoFed = 0;
    stream.TempoHeard = 0;
  }
  TTempoFilter& filter = *stream.Tempo;
  int16_t chunk[kTempoChunkFrames * 2];
  while (filter.Available() < frames && !stream.Samples.empty()) {
    const size_t count = std::min(kTempoChunkFrames, stream.Samples.size() / 2);
    if (count == 0) break;
    const auto begin = stream.Samples.begin();
    std::copy_n(begin, count * 2, chunk);
    stream.Samples.erase(begin, begin + ptrdiff_t(count * 2));
    filter.Push(chunk, count);
    stream.TempoFed += count;
  }
  std::vector<int16_t> pulled(frames * 2);
  const size_t got = filter.Pull(pulled.data(), frames);
  if (gain == 1.0)
    for (size_t i = 0; i < got * 2; ++i) sum[i] += pulled[i];
  else
    for (size_t i = 0; i < got * 2; ++i) sum[i] += int32_t(std::lrint(pulled[i] * gain));
  stream.TempoHeard += double(got) * filter.Tempo();
  stream.Consumed = stream.TempoBase + std::min<uint64_t>(stream.TempoFed, uint64_t(stream.TempoHeard));
  // The filter keeps its last moment of sound until more comes: a stream that has nothing more counts it as
  // played, so that its end comes.
  if (got == 0 && stream.Samples.empty()) EndTempo(stream);
}

// Back at the stream's own pace: what the filter still held counts as played, so that the stream's clock
// stays with its sound.
void TAudioMixer::EndTempo(TStream& stream) {
  if (!stream.Tempo) return;
  stream.Consumed = stream.TempoBase + stream.TempoFed;
  stream.Tempo.reset();
}

}  // namespace orbel::media
