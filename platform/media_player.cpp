// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/media_player.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>
#include <deque>

#include "platform/events.h"
#include "platform/media.h"

namespace orbel::platform::media {

namespace {

using Clock = std::chrono::steady_clock;

// The worker's reports to the agent.
constexpr auto FrameEventType = kMediaFrameEvent;
constexpr auto EndedEventType = kMediaEndedEvent;

class TEndedEvent : public QEvent {
 public:
  TEndedEvent(uint64_t generation, bool failed)
      : QEvent(EndedEventType), Generation(generation), Failed(failed) {}
  const uint64_t Generation;
  const bool Failed;
};

// Qt hands a posted event to the receiving thread under its own futex-based lock, which ThreadSanitizer
// cannot see (the library is not instrumented), so the event built on the worker would look unordered against
// its delivery. These two calls tell the sanitizer about that hand-off; in other builds they are empty.
#if defined(__SANITIZE_THREAD__)
#define ORBEL_TSAN_HANDOFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORBEL_TSAN_HANDOFF 1
#endif
#endif
#ifdef ORBEL_TSAN_HANDOFF
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

void PostToGuiThread(QObject* receiver, QEvent* event) {
#ifdef ORBEL_TSAN_HANDOFF
  __tsan_release(event);
#endif
  QCoreApplication::postEvent(receiver, event);
}

void ReceivedFromWorker([[maybe_unused]] QEvent* event) {
#ifdef ORBEL_TSAN_HANDOFF
  __tsan_acquire(event);
#endif
}

// How far the sound is decoded ahead of the output.
constexpr double AudioLeadSeconds = 0.3;
// Frames decoded ahead of their time; more would only cost memory.
constexpr size_t VideoLead = 3;
constexpr size_t MaxPendingFrames = 16;
constexpr size_t MaxPendingBytes = size_t(32) << 20;
constexpr double MaxBufferedAudioSeconds = 8;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The program's hook for frames a waiting play shows (GUI thread only).
std::function<void()>& SynchronousFrameHook() {
  static std::function<void()> hook;
  return hook;
}
}  // namespace

TVideoSurface::TVideoSurface(TMediaPlayer* player, QWidget* parent) : QWidget(parent), Player(player) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, player->Info().Width, player->Info().Height);
}

void TVideoSurface::paintEvent(QPaintEvent*) {
  QImage frame;
  {
    std::lock_guard lock(Player->Mutex);
    frame = Player->Frame;
  }
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);  // before the first picture, or where a smaller one does not reach
  if (!frame.isNull()) painter.drawImage(0, 0, frame);
}

void TPlayerAgent::customEvent(QEvent* event) {
  ReceivedFromWorker(event);
  if (event->type() == FrameEventType) {
    Player->UpdatePosted = false;
    if (Player->Surface) Player->Surface->update();
  } else if (event->type() == EndedEventType) {
    auto* ended = static_cast<TEndedEvent*>(event);
    if (Player->OnEnded) Player->OnEnded(ended->Generation, ended->Failed);
  }
}

std::unique_ptr<TMediaPlayer> TMediaPlayer::Open(const std::string& path, bool wantVideo,
                                                 std::shared_ptr<TAudioMixer> mixer, uint32_t& error) {
  std::unique_ptr<TMediaPlayer> player(new TMediaPlayer);
  player->Path = path;
  player->WantVideo = wantVideo;
  error = player->Decoder.Open(path, wantVideo);
  if (!error) error = player->Decoder.Scan();
  if (error) return nullptr;
  player->InfoValue = player->Decoder.Info();
  player->Mixer = std::move(mixer);
  player->AudioClock = player->InfoValue.HasAudio && player->Mixer->ClockFollowsAudio();
  if (player->InfoValue.HasAudio && player->Mixer->IsOpen()) player->Stream = player->Mixer->AddStream();
  player->Agent = new TPlayerAgent(player.get());
  player->Worker = std::thread(&TMediaPlayer::Run, player.get());
  // The device shows its first picture as soon as it is opened.
  player->Seek(0);
  return player;
}

TMediaPlayer::~TMediaPlayer() {
  {
    std::lock_guard lock(Mutex);
    Quit = true;
    Playing = false;
  }
  Wake.notify_all();
  if (Worker.joinable()) Worker.join();
  if (Stream) Mixer->RemoveStream(Stream);
  delete Surface.data();
  delete Agent;  // drops its queued reports with it
}

void TMediaPlayer::Play(uint64_t generation) {
  {
    std::lock_guard lock(Mutex);
    Generation = generation;
    if (!Playing) {
      Playing = true;
      WallStart = Clock::now();
      if (Stream) Mixer->SetPaused(Stream, false);
    }
  }
  Wake.notify_all();
}

void TMediaPlayer::Stop() {
  std::lock_guard lock(Mutex);
  if (!Playing) return;
  // The sound clock simply halts with the paused stream; the wall clock must be banked.
  if (!AudioClock) WallBase = ClockLocked();
  Playing = false;
  if (Stream) Mixer->SetPaused(Stream, true);
  Change.notify_all();
}

void TMediaPlayer::Seek(double seconds) {
  std::unique_lock lock(Mutex);
  if (Playing) {
    Playing = false;
    if (Stream) Mixer->SetPaused(Stream, true);
  }
  SeekTarget = std::clamp(seconds, 0.0, InfoValue.LengthSeconds);
  SeekPending = true;
  Wake.notify_all();
  Change.wait(lock, [&] { return !SeekPending || Quit; });
}

bool TMediaPlayer::IsPlaying() const {
  std::lock_guard lock(Mutex);
  return Playing;
}

double TMediaPlayer::PositionSeconds() const {
  std::lock_guard lock(Mutex);
  return std::min(ClockLocked(), InfoValue.LengthSeconds);
}

double TMediaPlayer::ClockLocked() const {
  if (AtEnd) return InfoValue.LengthSeconds;
  if (AudioClock) return AudioBase + double(Mixer->Consumed(Stream)) / MixRate;
  return WallBase + (Playing ? Seconds(Clock::now() - WallStart) : 0.0);
}

void TMediaPlayer::WaitWhilePlaying() {
  std::unique_lock lock(Mutex);
  uint64_t shown = FrameSerial;
  while (true) {
    Change.wait_for(lock, std::chrono::milliseconds(20), [&] { return !Playing || FrameSerial != shown; });
    bool playing = Playing;
    if (FrameSerial != shown) {
      shown = FrameSerial;
      lock.unlock();
      if (Surface && Surface->isVisible()) {
        Surface->repaint();
        if (SynchronousFrameHook()) {
          // The presentation learns of the frame as of any other change, then shows it at once.
          Surface->update();
          SynchronousFrameHook()();
        }
      }
      lock.lock();
    }
    if (!playing && FrameSerial == shown) break;
  }
}

void TMediaPlayer::SetWindow(QWidget* window) {
  if (Surface && Surface->parentWidget() == window) return;
  delete Surface.data();
  if (!window || !InfoValue.HasVideo) return;
  Surface = new TVideoSurface(this, window);
  Surface->show();
}

void TMediaPlayer::Publish(const TVideoFrame& frame) {
  {
    std::lock_guard lock(Mutex);
    Frame = frame.Image;
    ++FrameSerial;
  }
  Change.notify_all();
  if (!UpdatePosted.exchange(true)) PostToGuiThread(Agent, new QEvent(FrameEventType));
}

void TMediaPlayer::FinishLocked(bool failed) {
  if (!failed) AtEnd = true;
  WallBase = ClockLocked();
  AudioClock = false;
  Playing = false;
  if (Stream) Mixer->SetPaused(Stream, true);
  PostToGuiThread(Agent, new TEndedEvent(Generation, failed));
  Change.notify_all();
}

void TMediaPlayer::Run() {
  std::deque<TVideoFrame> pending;
  size_t pendingBytes = 0;
  TVideoFrame frame;
  std::vector<int16_t> samples;
  bool decoderAtEnd = false;
  const bool audioOut = Stream != 0;
  const size_t audioLead = size_t(AudioLeadSeconds * MixRate);
  const size_t audioCap = size_t(MaxBufferedAudioSeconds * MixRate);
  std::unique_lock lock(Mutex);
  while (!Quit) {
    if (SeekPending) {
      double target = SeekTarget;
      lock.unlock();
      // Reopening is the one rewind that every codec and container survives.
      pending.clear();
      pendingBytes = 0;
      if (audioOut) Mixer->Reset(Stream);
      bool failed = Decoder.Open(Path, WantVideo) != 0;
      decoderAtEnd = failed;
      bool shown = false;
      TVideoFrame last;
      while (!decoderAtEnd) {
        TDecodeItem item = Decoder.Next(frame, samples);
        if (item == TDecodeItem::End || item == TDecodeItem::Error) {
          decoderAtEnd = true;
        } else if (item == TDecodeItem::Video) {
          if (frame.Seconds <= target + 1e-9 || !shown) {
            last = frame;
            shown = true;
          } else {
            pendingBytes += size_t(frame.Image.sizeInBytes());
            pending.push_back(frame);
          }
          if (frame.Seconds >= target) break;
        } else if (!InfoValue.HasVideo && audioOut) {
          // Sound before the target is skipped whole blocks at a time; only rewinds happen in practice.
          Mixer->Push(Stream, samples.data(), samples.size() / 2);
          if (target <= 0) break;
        }
      }
      if (shown) Publish(last);
      lock.lock();
      AtEnd = target >= InfoValue.LengthSeconds && InfoValue.LengthSeconds > 0;
      AudioClock = InfoValue.HasAudio && Mixer->ClockFollowsAudio() && !AtEnd;
      AudioBase = target;
      WallBase = target;
      SeekPending = false;
      Change.notify_all();
      continue;
    }
    if (!Playing) {
      Wake.wait(lock);
      continue;
    }
    lock.unlock();

    bool failed = false;
    bool starved = false;  // pictures are queued to the limit, so no more sound can come for now
    for (int guard = 0; !decoderAtEnd && guard < 64; ++guard) {
      size_t buffered = audioOut ? Mixer->Buffered(Stream) : 0;
      bool audioFull = !audioOut || buffered >= audioLead;
      bool videoFull = !InfoValue.HasVideo || pending.size() >= VideoLead;
      if (audioFull && videoFull) break;
      if (pending.size() >= MaxPendingFrames || pendingBytes >= MaxPendingBytes) {
        starved = audioOut && buffered == 0;
        break;
      }
      if (buffered >= audioCap) break;
      TDecodeItem item = Decoder.Next(frame, samples);
      if (item == TDecodeItem::Video) {
        pendingBytes += size_t(frame.Image.sizeInBytes());
        pending.push_back(frame);
      } else if (item == TDecodeItem::Audio) {
        if (audioOut) Mixer->Push(Stream, samples.data(), samples.size() / 2);
      } else {
        decoderAtEnd = true;
        failed = item == TDecodeItem::Error;
      }
    }

    lock.lock();
    if (!Playing || SeekPending || Quit) continue;
    if (failed) {
      FinishLocked(true);
      continue;
    }
    double now = ClockLocked();
    // The sound has run out before the pictures (or a file holds its pictures far ahead of their sound): keep
    // time by the wall clock from here, so that playback always reaches its end.
    if (AudioClock && (decoderAtEnd || starved) && Mixer->Buffered(Stream) == 0) {
      WallBase = now;
      WallStart = Clock::now();
      AudioClock = false;
    }
    lock.unlock();
    // Late pictures are dropped; the latest one that is due is shown.
    while (pending.size() >= 2 && pending[1].Seconds <= now) {
      pendingBytes -= size_t(pending.front().Image.sizeInBytes());
      pending.pop_front();
    }
    if (!pending.empty() && pending.front().Seconds <= now) {
      Publish(pending.front());
      pendingBytes -= size_t(pending.front().Image.sizeInBytes());
      pending.pop_front();
    }
    lock.lock();
    if (!Playing || SeekPending || Quit) continue;
    if (decoderAtEnd && pending.empty() && now >= InfoValue.LengthSeconds) {
      FinishLocked(false);
      continue;
    }
    double sleep = 0.005;
    if (!pending.empty()) sleep = std::clamp(pending.front().Seconds - now, 0.0, 0.005);
    Wake.wait_for(lock, std::chrono::duration<double>(sleep));
  }
}

}  // namespace orbel::platform::media

namespace orbel::platform {

void SetSynchronousFrameHook(std::function<void()> hook) {
  media::SynchronousFrameHook() = std::move(hook);
}

}  // namespace orbel::platform
