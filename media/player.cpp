// SPDX-License-Identifier: GPL-3.0-or-later

#include "media/player.h"

#include <QCoreApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <deque>

#include "media/known_files.h"
#include "media/media_layer.h"
#include "media/player_work.h"
#include "platform/events.h"

namespace orbel::media {

namespace {

class TEndedEvent : public QEvent {
 public:
  TEndedEvent(uint64_t generation, bool failed)
      : QEvent(platform::kMediaEndedEvent), Generation(generation), Failed(failed) {}
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
constexpr size_t AudioLeadFrames = size_t(AudioLeadSeconds * MixRate);
constexpr size_t MaxBufferedAudioFrames = size_t(MaxBufferedAudioSeconds * MixRate);

// On the virtual clock times are whole milliseconds: what falls due within this of a moment is due then.
constexpr double DueSlackSeconds = 1e-6;

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
  if (event->type() == platform::kMediaFrameEvent) {
    Player->UpdatePosted = false;
    if (Player->Surface) Player->Surface->update();
  } else if (event->type() == platform::kMediaEndedEvent) {
    auto* ended = static_cast<TEndedEvent*>(event);
    if (Player->OnEnded) Player->OnEnded(ended->Generation, ended->Failed);
  }
}

std::unique_ptr<TMediaPlayer> TMediaPlayer::Open(const std::string& path, bool wantVideo,
                                                 std::shared_ptr<TAudioMixer> mixer, uint32_t& error) {
  std::unique_ptr<TMediaPlayer> player(new TMediaPlayer);
  player->Path = path;
  player->WantVideo = wantVideo;
  player->Virtual = platform::EngineClock().IsVirtual();
  // A replay opens a file it knows without reading it.
  const bool follow = player->Virtual && Replaying();
  if (!follow || !player->OpenKnown()) {
    error = player->Decoder.Open(path, wantVideo);
    if (!error) error = player->Decoder.Scan();
    if (error) return nullptr;
    player->InfoValue = player->Decoder.Info();
  }
  player->Mixer = std::move(mixer);
  player->AudioClock = player->InfoValue.HasAudio && player->Mixer->ClockFollowsAudio();
  if (player->InfoValue.HasAudio && player->Mixer->IsOpen())
    player->Stream = player->Mixer->AddStream(wantVideo ? scMovie : scSound);
  player->Agent = new TPlayerAgent(player.get());
  player->Work = std::make_unique<TWorkerState>(player->Stream != 0);
  player->DueTimer.SetCallback([raw = player.get()] { raw->VirtualRound(); });
  if (follow) player->Follow();
  if (!player->Virtual) player->Worker = std::thread(&TMediaPlayer::Run, player.get());
  player->ModeObserver = platform::EngineClock().AddModeObserver(
      [raw = player.get()](platform::TClockChange change) { raw->ClockChanged(change); });
  // The device shows its first picture as soon as it is opened.
  player->Seek(0);
  Remember(player.get());
  return player;
}

TMediaPlayer::~TMediaPlayer() {
  Forget(this);
  if (ModeObserver) platform::EngineClock().RemoveModeObserver(ModeObserver);
  DueTimer.Stop();
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
  bool started = false;
  {
    std::lock_guard lock(Mutex);
    Generation = generation;
    if (!Playing) {
      Playing = true;
      started = true;
      WallStart = platform::EngineClock().NowSeconds();
      if (Virtual) VirtualStartMs = platform::EngineClock().NowMs();
      ApplyStreamPauseLocked();
    }
  }
  if (Virtual) {
    // The play's first due moment is its start: its sound reaches the output from now on.
    if (started) VirtualRound();
    return;
  }
  Wake.notify_all();
}

void TMediaPlayer::Stop() {
  std::lock_guard lock(Mutex);
  if (!Playing) return;
  // The sound clock simply halts with the paused stream; the wall clock must be banked.
  if (!AudioClock) WallBase = ClockLocked();
  Playing = false;
  ApplyStreamPauseLocked();
  if (Virtual) DueTimer.Stop();
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
  if (Virtual) {
    DueTimer.Stop();
    SeekLocked(*Work, lock);
    return;
  }
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
  if (!Playing) return WallBase;
  if (Virtual) return WallBase + double(platform::EngineClock().NowMs() - VirtualStartMs) / 1000.0;
  return WallBase + (platform::EngineClock().NowSeconds() - WallStart);
}

void TMediaPlayer::WaitWhilePlaying() {
  if (Virtual) {
    uint64_t shown = 0;
    {
      std::lock_guard lock(Mutex);
      shown = FrameSerial;
    }
    // Nothing else runs meanwhile, as the real wait blocks the GUI thread: only this play's moments come.
    while (IsPlaying() && platform::EngineClock().AdvanceThrough(DueTimer)) {
      std::unique_lock lock(Mutex);
      if (FrameSerial == shown) continue;
      shown = FrameSerial;
      lock.unlock();
      RepaintNow();
    }
    return;
  }
  std::unique_lock lock(Mutex);
  uint64_t shown = FrameSerial;
  while (true) {
    Change.wait_for(lock, std::chrono::milliseconds(20), [&] { return !Playing || FrameSerial != shown; });
    bool playing = Playing;
    if (FrameSerial != shown) {
      shown = FrameSerial;
      lock.unlock();
      RepaintNow();
      lock.lock();
    }
    if (!playing && FrameSerial == shown) break;
  }
}

void TMediaPlayer::RepaintNow() {
  if (!Surface || !Surface->isVisible()) return;
  Surface->repaint();
  if (SynchronousFrameHook()) {
    // The presentation learns of the frame as of any other change, then shows it at once.
    Surface->update();
    SynchronousFrameHook()();
  }
}

void TMediaPlayer::SetWindow(QWidget* window) {
  Window = window;
  // Nobody sees a replay's pictures: the surface is made when the play catches up.
  if (Work->Timeline && Surface && Surface->parentWidget() != window) delete Surface.data();
  if (!Work->Timeline) ShowInWindow();
}

void TMediaPlayer::ShowInWindow() {
  if (Surface && Surface->parentWidget() == Window) return;
  delete Surface.data();
  if (!Window || !InfoValue.HasVideo) return;
  Surface = new TVideoSurface(this, Window);
  Surface->show();
}

void TMediaPlayer::Publish(const TVideoFrame& frame) {
  {
    std::lock_guard lock(Mutex);
    ShownItem = frame.Item;
    // A picture only timed, while following a timeline, is made when the play catches up.
    if (frame.Image.isNull()) return;
    Frame = frame.Image;
    ++FrameSerial;
  }
  Change.notify_all();
  if (!UpdatePosted.exchange(true)) PostToGuiThread(Agent, new QEvent(platform::kMediaFrameEvent));
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
  TWorkerState& worker = *Work;
  std::unique_lock lock(Mutex);
  while (!Quit && !Retire) {
    if (SeekPending) {
      SeekLocked(worker, lock);
      continue;
    }
    if (!Playing || Held) {
      Wake.wait(lock);
      continue;
    }
    lock.unlock();
    bool starved = false;
    const bool failed = DecodeAhead(worker, starved);
    lock.lock();
    if (!Playing || Held || SeekPending || Quit || Retire) continue;
    if (failed) {
      FinishLocked(true);
      continue;
    }
    const double now = PresentationClockLocked(worker.DecoderAtEnd || starved);
    lock.unlock();
    PresentDue(worker, now);
    lock.lock();
    if (!Playing || Held || SeekPending || Quit || Retire) continue;
    if (worker.DecoderAtEnd && worker.Pending.empty() && now >= InfoValue.LengthSeconds) {
      FinishLocked(false);
      continue;
    }
    double sleep = 0.005;
    if (!worker.Pending.empty()) sleep = std::clamp(worker.Pending.front().Seconds - now, 0.0, 0.005);
    Wake.wait_for(lock, std::chrono::duration<double>(sleep));
  }
}

// Called and returns with the lock held; decodes without it.
void TMediaPlayer::SeekLocked(TWorkerState& worker, std::unique_lock<std::mutex>& lock) {
  const double target = SeekTarget;
  lock.unlock();
  DecodeTo(worker, target);
  lock.lock();
  AtEnd = target >= InfoValue.LengthSeconds && InfoValue.LengthSeconds > 0;
  AudioClock = InfoValue.HasAudio && Mixer->ClockFollowsAudio() && !AtEnd;
  AudioBase = target;
  WallBase = target;
  SeekPending = false;
  Change.notify_all();
}

// Rewinds and decodes up to target, showing the picture due there and keeping the ones after it.
void TMediaPlayer::DecodeTo(TWorkerState& worker, double target) {
  // Reopening is the one rewind that every codec and container survives.
  worker.Pending.clear();
  worker.PendingBytes = 0;
  if (worker.AudioOut) Mixer->Reset(Stream);
  worker.DecoderAtEnd = Rewind(worker);
  bool shown = false;
  TVideoFrame last;
  const TVideoFrame& frame = worker.Decoded;
  while (!worker.DecoderAtEnd) {
    TDecodeItem item = NextItem(worker);
    if (item == TDecodeItem::End || item == TDecodeItem::Error) {
      worker.DecoderAtEnd = true;
    } else if (item == TDecodeItem::Video) {
      if (frame.Seconds <= target + 1e-9 || !shown) {
        last = frame;
        shown = true;
      } else {
        worker.Queue(frame);
      }
      if (frame.Seconds >= target) break;
    } else if (!InfoValue.HasVideo && worker.AudioOut) {
      // Sound before the target is skipped whole blocks at a time; only rewinds happen in practice.
      PushSound(worker);
      if (target <= 0) break;
    }
  }
  if (shown) Publish(last);
}

bool TMediaPlayer::Rewind(TWorkerState& worker) {
  worker.Handed = 0;
  {
    std::lock_guard lock(Mutex);
    ShownItem = -1;
  }
  return !worker.Timeline && Decoder.Open(Path, WantVideo) != 0;
}

TDecodeItem TMediaPlayer::NextItem(TWorkerState& worker) {
  TVideoFrame& frame = worker.Decoded;
  const int64_t index = worker.Handed++;
  if (!worker.Timeline) {
    const TDecodeItem item = Decoder.Next(frame, worker.Samples);
    if (item == TDecodeItem::Video) frame.Item = index;
    worker.SoundFrames = worker.Samples.size() / 2;
    return item;
  }
  const std::vector<TTimelineItem>& items = worker.Timeline->Items;
  const TTimelineItem& item = items[std::min(size_t(index), items.size() - 1)];
  if (item.Kind == TDecodeItem::Video) {
    frame.Image = QImage();
    frame.Seconds = item.Seconds;
    frame.Bytes = item.Size;
    frame.Item = index;
  } else if (item.Kind == TDecodeItem::Audio) {
    worker.SoundFrames = item.Size;
  }
  return item.Kind;
}

void TMediaPlayer::PushSound(TWorkerState& worker) {
  if (worker.Timeline)
    Mixer->PushUnheard(Stream, worker.SoundFrames);
  else
    Mixer->Push(Stream, worker.Samples.data(), worker.SoundFrames);
}

// Fills the sound and picture queues up to their lead. Returns true when the file failed; starved is set when
// pictures are queued to the limit, so no more sound can come for now.
bool TMediaPlayer::DecodeAhead(TWorkerState& worker, bool& starved) {
  bool failed = false;
  for (int guard = 0; !worker.DecoderAtEnd && guard < 64; ++guard) {
    size_t buffered = worker.AudioOut ? Mixer->Buffered(Stream) : 0;
    bool audioFull = !worker.AudioOut || buffered >= AudioLeadFrames;
    bool videoFull = !InfoValue.HasVideo || worker.Pending.size() >= VideoLead;
    if (audioFull && videoFull) break;
    if (worker.Pending.size() >= MaxPendingFrames || worker.PendingBytes >= MaxPendingBytes) {
      starved = worker.AudioOut && buffered == 0;
      break;
    }
    if (buffered >= MaxBufferedAudioFrames) break;
    TDecodeItem item = NextItem(worker);
    if (item == TDecodeItem::Video) {
      worker.Queue(worker.Decoded);
    } else if (item == TDecodeItem::Audio) {
      if (worker.AudioOut) PushSound(worker);
    } else {
      worker.DecoderAtEnd = true;
      failed = item == TDecodeItem::Error;
    }
  }
  return failed;
}

double TMediaPlayer::PresentationClockLocked(bool soundEnded) {
  const double now = ClockLocked();
  // The sound has run out before the pictures (or a file holds its pictures far ahead of their sound): keep
  // time by the wall clock from here, so that playback always reaches its end.
  if (AudioClock && soundEnded && Mixer->Buffered(Stream) == 0) {
    WallBase = now;
    WallStart = platform::EngineClock().NowSeconds();
    AudioClock = false;
  }
  return now;
}

// Late pictures are dropped; the latest one that is due is shown.
void TMediaPlayer::PresentDue(TWorkerState& worker, double now) {
  while (worker.Pending.size() >= 2 && worker.Pending[1].Seconds <= now) worker.DropFront();
  if (!worker.Pending.empty() && worker.Pending.front().Seconds <= now) {
    Publish(worker.Pending.front());
    worker.DropFront();
  }
}

double TMediaPlayer::VirtualEndSeconds() const {
  const bool soundOut = Work && Work->AudioOut;
  return std::max(InfoValue.LengthSeconds, soundOut ? InfoValue.AudioSeconds : 0.0);
}

// The worker's round, run by the play's engine timer: decode ahead, show what is due, finish at the end, or
// be due again at the next picture, the next refill of the sound or the end, whichever comes first.
void TMediaPlayer::VirtualRound() {
  TWorkerState& worker = *Work;
  {
    std::lock_guard lock(Mutex);
    if (!Playing) return;
  }
  bool starved = false;
  const bool failed = DecodeAhead(worker, starved);
  std::unique_lock lock(Mutex);
  if (failed) {
    FinishLocked(true);
    return;
  }
  const double now = ClockLocked();
  lock.unlock();
  PresentDue(worker, now + DueSlackSeconds);
  lock.lock();
  const double end = VirtualEndSeconds();
  const bool drained = worker.DecoderAtEnd && worker.Pending.empty();
  // Sound still waiting in the stream at the end time came from a stretch of real time, whose device lagged
  // the wall clock the play kept time by: the play lasts until it has been heard. A play that ran on virtual
  // time alone has none left by then.
  const size_t soundLeft = worker.AudioOut ? Mixer->Buffered(Stream) : 0;
  if (drained && now + DueSlackSeconds >= end && soundLeft == 0) {
    FinishLocked(false);
    return;
  }
  double next = drained ? std::max(end, now + double(soundLeft) / MixRate) : HUGE_VAL;
  if (!worker.Pending.empty()) next = std::min(next, worker.Pending.front().Seconds);
  if (worker.AudioOut && !worker.DecoderAtEnd) {
    // Refilled when half the lead is left, long before the output could run dry.
    const double left = double(Mixer->Buffered(Stream)) - double(AudioLeadFrames) / 2;
    next = std::min(next, now + left / MixRate);
  }
  // Nothing to wait for yet (pictures queued to the limit without sound): look again shortly.
  if (next == HUGE_VAL) next = now + 0.05;
  const int64_t nowMs = platform::EngineClock().NowMs();
  const double sinceStartMs = (next - WallBase) * 1000;
  const int64_t due = std::max(nowMs + 1, VirtualStartMs + int64_t(std::ceil(sinceStartMs - 1e-3)));
  DueTimer.StartSingleShot(due - nowMs);
}

void TMediaPlayer::ApplyStreamPauseLocked() {
  if (Stream) Mixer->SetPaused(Stream, !Playing || Held);
}

void TMediaPlayer::ClockChanged(platform::TClockChange change) {
  platform::TEngineClock& clock = platform::EngineClock();
  switch (change) {
    case platform::TClockChange::ToReal: {
      if (!Virtual) return;
      // The worker decodes: a replay's play catches up first, should the replay not have ended it.
      CatchUp();
      DueTimer.Stop();
      {
        std::lock_guard lock(Mutex);
        // The position reached on virtual time is banked; real time goes on from the same engine moment.
        WallBase = ClockLocked();
        WallStart = clock.NowSeconds();
        Virtual = false;
        AudioClock = InfoValue.HasAudio && Mixer->ClockFollowsAudio() && !AtEnd;
        if (AudioClock) AudioBase = WallBase - double(Mixer->Consumed(Stream)) / MixRate;
        Retire = false;
      }
      // The worker takes over the decoding state as it stands: the pictures queued, the sound buffered.
      Worker = std::thread(&TMediaPlayer::Run, this);
      return;
    }
    case platform::TClockChange::ToVirtual: {
      if (Virtual) return;
      {
        std::lock_guard lock(Mutex);
        Retire = true;
      }
      Wake.notify_all();
      if (Worker.joinable()) Worker.join();
      bool playing = false;
      {
        std::lock_guard lock(Mutex);
        WallBase = ClockLocked();
        AudioClock = false;
        Retire = false;
        Held = false;
        Virtual = true;
        WallStart = clock.NowSeconds();
        VirtualStartMs = clock.NowMs();
        ApplyStreamPauseLocked();
        playing = Playing;
      }
      if (Replaying()) Follow();
      // The play's next moment is now: what is due is shown and its next one scheduled.
      if (playing) VirtualRound();
      return;
    }
    case platform::TClockChange::Paused:
    case platform::TClockChange::Resumed: {
      if (Virtual) return;
      {
        std::lock_guard lock(Mutex);
        // Nothing to bank: the wall clock stands with the engine clock, the sound clock with the held stream.
        Held = change == platform::TClockChange::Paused;
        ApplyStreamPauseLocked();
      }
      Wake.notify_all();
      return;
    }
  }
}

void SetSynchronousFrameHook(std::function<void()> hook) {
  SynchronousFrameHook() = std::move(hook);
}

}  // namespace orbel::media
