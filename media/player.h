#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Playback of one opened file: a worker thread decodes ahead, feeds the sound to the mixer and presents each
// video frame when the clock reaches it (dropping frames that are already late). The clock is the sound
// consumed by the output while the file's sound lasts, else the engine clock. Commands come from the GUI
// thread.
//
// On the virtual engine clock there is no worker: an engine timer is due at each moment the play needs
// (the next picture's time, a refill of its sound, its end), and firing it decodes on the GUI thread up to
// the clock's now, publishes the picture due then and schedules the next moment. The play keeps time by the
// engine clock alone and ends at the longer of its pictures and its sound.
//
// Each player follows the clock's switches on its own (a mode observer): into virtual time it ends its worker
// and goes on decoding on the GUI thread from the state the worker left; into real time it starts a worker on
// that state. The position goes on from where it was either way. A pause of the clock holds a playing play
// where it is, silent, still reporting itself playing, until the clock goes on.
//
// During a replay (TReplayScope, media_layer.h) a player on the virtual clock follows its file's timeline
// (known_files.h) in place of the decoder: the same rounds at the same moments, the same queue of pictures
// and the same amount of sound waiting, with no picture made and no sound mixed. Catching up at the end of
// the replay decodes what the play holds at that moment: the picture shown, those queued and the sound
// waiting.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "media/audio.h"
#include "media/decoder.h"
#include "platform/engine_clock.h"

namespace orbel::media {

class TMediaPlayer;

// Lives on the GUI thread: turns the worker's reports into picture updates and end notices.
class TPlayerAgent : public QObject {
 public:
  explicit TPlayerAgent(TMediaPlayer* player) : Player(player) {}

 protected:
  void customEvent(QEvent* event) override;

 private:
  TMediaPlayer* Player;
};

// The device's own picture: an opaque child of the display window at its top-left corner, at the movie's
// native size. Being a window of its own, a new frame repaints only it, never the window beneath.
class TVideoSurface : public QWidget {
 public:
  TVideoSurface(TMediaPlayer* player, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TMediaPlayer* Player;
};

class TMediaPlayer {
 public:
  // Opens and checks path; nullptr with error set when the file cannot be played.
  static std::unique_ptr<TMediaPlayer> Open(const std::string& path, bool wantVideo,
                                            std::shared_ptr<TAudioMixer> mixer, uint32_t& error);
  // Whether a replay is in progress: players opened meanwhile follow their timelines from the start.
  static bool Replaying();
  ~TMediaPlayer();  // ends the worker and the sound stream; nothing plays afterwards

  const TMediaInfo& Info() const { return InfoValue; }
  // Starts or continues from the current position. generation identifies this play in OnEnded.
  void Play(uint64_t generation);
  void Stop();
  // Moves to seconds (clamped to the length) and stays stopped; returns when done.
  void Seek(double seconds);
  bool IsPlaying() const;
  double PositionSeconds() const;
  // Blocks the calling (GUI) thread until playback stops, repainting the picture for each new frame. On the
  // virtual clock: advances the clock through this play's own moments only, until it stops.
  void WaitWhilePlaying();
  // Shows the picture in window (nullptr: nowhere). The window keeps no reference to the player.
  void SetWindow(QWidget* window);

  // A replay has begun: on the virtual clock, the play follows its file's timeline from where it is (nothing
  // changes when the timeline cannot be had). Catching up ends that: the decoder is where the timeline had
  // got to and the play shows and sounds what it would have; on the GUI thread, before any switch to real
  // time.
  void Follow();
  void CatchUp();

  // Called on the GUI thread when a play ends by itself: at the end of the file, or failed.
  std::function<void(uint64_t generation, bool failed)> OnEnded;

 private:
  friend class TPlayerAgent;
  friend class TVideoSurface;
  friend class TReplayScope;
  TMediaPlayer() = default;
  // Every player alive, for a replay's beginning and end (GUI thread).
  static void Remember(TMediaPlayer* player);
  static void Forget(TMediaPlayer* player);
  struct TWorkerState;
  // The worker's loop and its phases: rewind on command, decode ahead, present what is due, finish.
  void Run();
  void SeekLocked(TWorkerState& worker, std::unique_lock<std::mutex>& lock);
  // The decoder's operations, or the timeline's while following: rewinding to the start (true when the file
  // cannot be read), the next item, its sound to the stream.
  bool Rewind(TWorkerState& worker);
  TDecodeItem NextItem(TWorkerState& worker);
  void PushSound(TWorkerState& worker);
  // Opens the file as the timeline of a known one, without reading it; false when it is not known.
  bool OpenKnown();
  QImage Redecode(TWorkerState& worker, int64_t shown, size_t soundLeft);
  void ShowInWindow();
  void DecodeTo(TWorkerState& worker, double target);
  bool DecodeAhead(TWorkerState& worker, bool& starved);
  // The clock for this round; moves to the wall clock when the sound has ended before the pictures.
  double PresentationClockLocked(bool soundEnded);
  void PresentDue(TWorkerState& worker, double now);
  double ClockLocked() const;
  void Publish(const TVideoFrame& frame);
  void FinishLocked(bool failed);
  // A waiting play shows a new frame at once, without the event loop.
  void RepaintNow();
  // Virtual clock: one due moment of the play, and when the play ends there.
  void VirtualRound();
  double VirtualEndSeconds() const;
  // The stream sounds while the play runs and the clock is not paused.
  void ApplyStreamPauseLocked();
  void ClockChanged(platform::TClockChange change);

  std::string Path;
  bool WantVideo = false;
  TMediaInfo InfoValue;
  std::shared_ptr<TAudioMixer> Mixer;
  int Stream = 0;
  TMediaDecoder Decoder;  // worker thread only, after Open

  mutable std::mutex Mutex;
  std::condition_variable Wake;    // commands for the worker
  std::condition_variable Change;  // frames and state for a waiting GUI thread
  bool Quit = false;
  bool Retire = false;  // the worker ends for a switch to virtual time; the player lives on
  bool Playing = false;
  bool Held = false;  // the engine clock is paused (real time only)
  bool AtEnd = false;
  bool SeekPending = false;
  double SeekTarget = 0;
  uint64_t Generation = 0;
  // Clock: from the consumed sound while AudioClock, else WallBase plus the time played since WallStart
  // (engine clock seconds; on the virtual clock, VirtualStartMs in whole milliseconds).
  bool AudioClock = false;
  double AudioBase = 0;
  double WallBase = 0;
  double WallStart = 0;
  int64_t VirtualStartMs = 0;
  QImage Frame;
  uint64_t FrameSerial = 0;
  int64_t ShownItem = -1;  // the item Frame came from, of the file's latest opening

  std::atomic<bool> UpdatePosted{false};
  TPlayerAgent* Agent = nullptr;
  QPointer<TVideoSurface> Surface;  // owned; also goes when its window is destroyed
  QPointer<QWidget> Window;         // where Surface is, or will be once a replay's play has caught up
  std::thread Worker;
  // The decoding state: the worker's while there is one, else the GUI thread's (virtual clock).
  std::unique_ptr<TWorkerState> Work;
  // Virtual clock: the play's next due moment. Virtual changes only while there is no worker.
  bool Virtual = false;
  platform::TEngineTimer DueTimer;
  int ModeObserver = 0;
};

}  // namespace orbel::media
