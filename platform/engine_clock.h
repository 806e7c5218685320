#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The engine clock: the one source of time for everything the engine does on its own (the 50 ms tick, the
// board's reveal, movie frames, the end of a movie or sound, the script's waits, TickCount).
//
// It runs in one of two modes, chosen at start-up before any timer or media device exists, and switched
// later by the host (SwitchToReal, SwitchToVirtual):
//
// - Real (the default): NowMs is steady_clock time since the clock's start, and each active TEngineTimer is
//   armed as a Qt::PreciseTimer QTimer, fired by the Qt event loop.
// - Virtual: time stands still until the host moves it. The clock keeps a schedule of every active
//   TEngineTimer; moving time fires the timers that fall due, synchronously, on the GUI thread, in the order
//   real time would have brought them. Media players keep to it too (no worker threads, no sound device), so
//   a run gives the same result on any machine at any load, as fast as the machine allows.
//
// Every active timer has a due moment in engine time in either mode, which is what lets the mode change
// under running timers, movies and sounds without any of them noticing: engine time goes on from where it
// was, each timer keeps the time it had left, each player its position.
//
// How the host drives virtual time (everything on the GUI thread):
//
//   // WaitForEvents(ms): what the real event loop would do in that time.
//   if (!DispatchPostedEvents()) EngineClock().AdvanceTo(EngineClock().NowMs() + ms);
//
//   // The main loop of a --fast run: events first, then time jumps to the next due moment.
//   while (!finished) {
//     DispatchPostedEvents();
//     if (finished || EngineClock().NowMs() >= quitAfterMs) break;
//     if (!EngineClock().AdvanceToNextDue(quitAfterMs)) break;   // nothing is due: the script rests
//   }
//
// AdvanceTo returns after the first due moment it reaches, so the posted events that moment's callbacks
// produced (a step posted by a transition's last frame, a movie's end notice) run before time moves on, just
// as they would in real time. Waits nest: a callback or an event handled inside a wait may wait again and
// advance the clock from there; the clock allows that (see AdvanceTo).
//
// Loading a saved game: the host starts in virtual mode (SetVirtual(true)), replays the script up to the
// saved instant with the loop above, then calls SwitchToReal() and runs the ordinary event loop. From the
// switch on, NowMs is the virtual time reached plus the real time since the switch; the 50 ms tick due in
// 20 ms fires in 20 ms, then every 50 ms; a playing movie goes on from its frame with its worker thread and
// its sound through the real device (opened then; the silent driver when there is none).
//
// Skipping (Ctrl held): SwitchToVirtual() from a key handler, then the host drives time as above for as long
// as the key is held (moving it by as much as it likes per round: that is the skip), then SwitchToReal().
//
// Pausing: SetPaused(true) in real mode stops engine time. NowMs stands still (so a script's wait, which
// counts NowMs, stands still too), no TEngineTimer fires, each playing movie and sound holds its position
// and goes silent while still reporting itself playing. SetPaused(false) goes on from there: every timer
// has the time it had left at the pause. A timer started while paused counts from the paused moment. In
// virtual mode time moves only when the host moves it, so SetPaused is ignored there; a switch to virtual
// time ends a pause first.
//
// What the host must do around a switch or a pause (all on the GUI thread; a key handler may call these,
// also while a script wait runs further up the stack):
// - Its main loop and its WaitForEvents must look at IsVirtual() on every round, never once at start-up:
//   after SwitchToVirtual nothing moves time unless the host does (application.exec() would sit still),
//   and after SwitchToReal the QTimers do it and the host must block in the event loop again. A wait that
//   was blocking in the real event loop when a key switched to virtual returns from that round and its next
//   call takes the virtual branch; a virtual wait that a key switched to real takes the real branch on its
//   next call likewise. In virtual mode, when nothing is due and nothing is posted, an interactive host
//   waits for input in the event loop rather than ending.
// - Its own plain QTimers (a wait's deadline) only wake the event loop; anything that does something when it
//   fires must be a TEngineTimer, or it would fire in real time during a virtual skip or a pause.
// - Its advance observers and the virtual sound sink are only called while time is virtual; an exporter or
//   a step counter added for a replay stays silent after SwitchToReal (remove it when done).
// - While paused, the host stops posting script steps and ignores input meant for the game; the clock only
//   stops time, not the events already queued (a step that was queued runs and sees time stand still).
//
// The switches and the pause tell the mode observers (AddModeObserver): the media layer's sound output and
// players re-open, re-arm or hold themselves there; the host does not have to reach them.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QTimer;

namespace orbel::platform {

class TEngineTimer;

// What a mode observer is told.
enum class TClockChange { ToReal, ToVirtual, Paused, Resumed };

class TEngineClock {
 public:
  TEngineClock();
  TEngineClock(const TEngineClock&) = delete;
  TEngineClock& operator=(const TEngineClock&) = delete;

  // Chooses the mode at start-up and starts time at 0 (virtual) or at the clock's creation (real), unpaused
  // and at the usual pace.
  // Call it before any TEngineTimer is started; tests may call it again between cases (active timers are
  // then stopped). It tells no observer: nothing of the media layer may exist yet.
  void SetVirtual(bool virtualTime);
  bool IsVirtual() const { return Virtual; }

  // ---- switching and pausing (GUI thread; see the notes at the top) ----

  // From virtual to real time; nothing when already real. NowMs goes on from the virtual time reached, every
  // active timer keeps the time it had left (armed as a QTimer), then the mode observers are told, in the
  // order they were added.
  void SwitchToReal();
  // From real to virtual time; nothing when already virtual. Ends a pause first. Virtual time starts at the
  // real NowMs reached, every active timer keeps its due moment on the schedule (one already overdue fires
  // at the next advance), then the mode observers are told, newest first.
  void SwitchToVirtual();
  // Stops (true) or restarts (false) real time; ignored in virtual mode and when nothing changes. Observers
  // hear of a pause newest first and of the end of one in the order they were added.
  void SetPaused(bool paused);
  bool IsPaused() const { return Paused; }

  // The pace of real engine time against the wall clock (the player's game speed), clamped to kMinRate to
  // kMaxRate: every wait, tick, reveal step and movie frame comes that much sooner or later, and the sound
  // device plays at that tempo. Engine time stays continuous across a change and every active timer keeps
  // the engine time it had left. Virtual time has no pace, so the rate does nothing there. Any thread may
  // read it.
  static constexpr double kMinRate = 0.25, kMaxRate = 4.0;
  void SetRate(double rate);
  double Rate() const;
  // The wall-clock milliseconds that `engineMs` of engine time take at the present rate (rounded up).
  int64_t RealMsFor(int64_t engineMs) const;

  // Called on the GUI thread after each switch or pause has changed the clock itself (the new mode is in
  // force, NowMs already continuous with the old). Returns a key for RemoveModeObserver.
  int AddModeObserver(std::function<void(TClockChange)> observer);
  void RemoveModeObserver(int key);

  // Milliseconds since the clock's start (real: the clock's creation, its first use, unless time came from
  // a virtual run; virtual: 0 at SetVirtual), standing still while paused. Real time may be read from any
  // thread; virtual time belongs to the GUI thread.
  int64_t NowMs() const;
  // The same time in seconds, finer than a millisecond in real mode (the media players' clock).
  double NowSeconds() const;

  // ---- virtual mode only (GUI thread); in real mode they do nothing and return false or none ----

  // The earliest due time of any active timer; none when nothing is scheduled.
  std::optional<int64_t> NextDueMs() const;
  // Moves time to min(next due time, limitMs) (never backwards) and fires every timer due at that moment, in
  // order of due time, then of when each was scheduled. Returns true when a callback ran. Callbacks may start
  // or stop timers (a timer started for "now" fires in the same round) and may call AdvanceTo again: the
  // nested call goes on from the time reached. A repeating timer is rescheduled before its callback runs, so
  // it never fires twice for one due time, and while its callback runs (a wait nested inside it) its ticks
  // are skipped, as Qt does.
  bool AdvanceTo(int64_t limitMs);
  // Moves to the next due moment if it is no later than limitMs, else to limitMs, and fires what is due.
  // Returns false, without moving time, when nothing at all is scheduled.
  bool AdvanceToNextDue(int64_t limitMs = INT64_MAX);
  // Moves time to timer's due time (never backwards) and fires it alone. The others that fall due meanwhile
  // stay due and fire when the clock is next advanced, once each however many ticks they missed (as Qt
  // coalesces the ticks of a blocked event loop). Returns false when timer is not active. This is the
  // blocking play's wait: in real mode it blocks the GUI thread so that no other timer fires either.
  bool AdvanceThrough(TEngineTimer& timer);

  // Called whenever virtual time moves forward, before anything due at the new time fires (the sound output
  // mixes up to there). Returns a key for RemoveAdvanceObserver.
  int AddAdvanceObserver(std::function<void(int64_t nowMs)> observer);
  void RemoveAdvanceObserver(int key);

 private:
  friend class TEngineTimer;
  int64_t NowNsLocked() const;
  void Arm(TEngineTimer& timer);
  void FireReal(TEngineTimer& timer);
  void NotifyModeObservers(TClockChange change);
  void MoveTo(int64_t ms);
  TEngineTimer* NextDueTimer() const;
  bool FireDue(TEngineTimer* only);
  bool Fire(TEngineTimer& timer);
  void Schedule(TEngineTimer& timer, int64_t dueMs);
  void Unschedule(TEngineTimer& timer);

  // What NowMs reads, which the players' workers do too: written under TimeMutex (on the GUI thread).
  mutable std::mutex TimeMutex;
  bool Virtual = false;
  int64_t VirtualNowMs = 0;
  bool Paused = false;
  // Real time: RealBaseNs at RealAnchor, then steady_clock from there at RateValue (RealBaseNs alone while
  // paused).
  double RateValue = 1.0;
  std::chrono::steady_clock::time_point CreatedAt;
  std::chrono::steady_clock::time_point RealAnchor;
  int64_t RealBaseNs = 0;

  uint64_t NextSequence = 0;
  // Every active timer, in either mode.
  std::vector<TEngineTimer*> Scheduled;
  std::vector<std::pair<int, std::function<void(int64_t)>>> Observers;
  std::vector<std::pair<int, std::function<void(TClockChange)>>> ModeObservers;
  int NextObserverKey = 1;
};

// The process's one engine clock.
TEngineClock& EngineClock();

// Delivers the GUI thread's posted events until none is left, those posted by the handlers included (one
// QCoreApplication::sendPostedEvents pass leaves those for the next pass). Returns true when anything was
// delivered. The virtual host's "dispatch what is pending": a chain of steps that post each other runs to its
// end at one moment of engine time.
bool DispatchPostedEvents();

// A timer on the engine clock, in place of a QTimer. Either mode: an entry in the clock's schedule with its
// due moment in engine time. Real mode: a single-shot Qt::PreciseTimer QTimer inside, armed for that moment
// (and re-armed for the next one each time it fires), created at the first need. Belongs to the GUI thread.
class TEngineTimer {
 public:
  explicit TEngineTimer(std::function<void()> callback = {});
  ~TEngineTimer();
  TEngineTimer(const TEngineTimer&) = delete;
  TEngineTimer& operator=(const TEngineTimer&) = delete;

  void SetCallback(std::function<void()> callback) { Callback = std::move(callback); }
  // Starts (or restarts) the timer: first due intervalMs from now, then every intervalMs. A repeating timer
  // that fires late is next due on its own grid (previous due + interval), skipping the ticks already missed,
  // so it never fires in a burst. In virtual mode a repeating interval below 1 ms counts as 1 ms, so that
  // time can move on; in real mode 0 means whenever the event loop is free, as for a QTimer. In either mode a
  // repeating timer whose callback is still running (a wait nested in it) skips the ticks meanwhile.
  void Start(int intervalMs);
  // The same with the first due moment given in engine time, so that a timer started again keeps the grid it
  // had (a moment already past is due at once).
  void StartFrom(int64_t firstDueMs, int intervalMs);
  // Starts (or restarts) the timer to fire once, intervalMs from now.
  void StartSingleShot(int64_t intervalMs);
  void Stop();
  // Started and not yet stopped or, single shot, fired; a held timer in a pause is active.
  bool IsActive() const;
  int IntervalMs() const { return Interval; }
  // When it is next due in engine time (meaningless while inactive).
  int64_t DueMs() const { return Due; }

 private:
  friend class TEngineClock;

  std::function<void()> Callback;
  std::unique_ptr<QTimer> Real;
  int Interval = 0;
  bool Repeating = false;
  // The schedule entry (either mode).
  bool Scheduled = false;
  int64_t Due = 0;
  uint64_t Sequence = 0;
  // While the callback runs: points at a flag the destructor clears, so the clock knows whether the timer
  // survived its own callback.
  bool* Firing = nullptr;
  // The registration whose callback is running; its ticks are skipped until it returns. A new start is a new
  // registration (as a restarted QTimer gets a new id) and fires normally.
  bool SkipTicks = false;
};

}  // namespace orbel::platform
