#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The engine clock: the one source of time for everything the engine does on its own (the 50 ms tick, the
// board's reveal, movie frames, the end of a movie or sound, the script's waits, TickCount).
//
// It runs in one of two modes, chosen once at start-up before any timer or media device exists:
//
// - Real (the default): NowMs is steady_clock since the clock's start, and TEngineTimer is a Qt::PreciseTimer
//   QTimer, fired by the Qt event loop. Nothing else changes.
// - Virtual: time stands still until the host moves it. The clock keeps a schedule of every active
//   TEngineTimer; moving time fires the timers that fall due, synchronously, on the GUI thread, in the order
//   real time would have brought them. Media players keep to it too (no worker threads, no sound device), so
//   a run gives the same result on any machine at any load, as fast as the machine allows.
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

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace orbel::platform {

class TEngineTimer;

class TEngineClock {
 public:
  // Chooses the mode and starts virtual time at 0. Call it before any TEngineTimer is started; tests may call
  // it again between cases (active virtual timers are then stopped).
  void SetVirtual(bool virtualTime);
  bool IsVirtual() const { return Virtual; }

  // Milliseconds since the clock's start (real: the first use of the clock; virtual: 0 at SetVirtual). Real
  // time may be read from any thread; virtual time belongs to the GUI thread.
  int64_t NowMs() const;
  // The same time in seconds, finer than a millisecond in real mode (the media players' clock).
  double NowSeconds() const;

  // ---- virtual mode only (GUI thread) ----

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
  void MoveTo(int64_t ms);
  TEngineTimer* NextDueTimer() const;
  bool FireDue(TEngineTimer* only);
  bool Fire(TEngineTimer& timer);
  void Schedule(TEngineTimer& timer, int64_t dueMs);
  void Unschedule(TEngineTimer& timer);

  bool Virtual = false;
  int64_t VirtualNowMs = 0;
  uint64_t NextSequence = 0;
  std::vector<TEngineTimer*> Scheduled;
  std::vector<std::pair<int, std::function<void(int64_t)>>> Observers;
  int NextObserverKey = 1;
};

// The process's one engine clock.
TEngineClock& EngineClock();

// Delivers the GUI thread's posted events until none is left, those posted by the handlers included (one
// QCoreApplication::sendPostedEvents pass leaves those for the next pass). Returns true when anything was
// delivered. The virtual host's "dispatch what is pending": a chain of steps that post each other runs to its
// end at one moment of engine time.
bool DispatchPostedEvents();

// A timer on the engine clock, in place of a QTimer. Real mode: a Qt::PreciseTimer QTimer inside, created at
// the first start. Virtual mode: an entry in the clock's schedule. Belongs to the GUI thread.
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
  // time can move on.
  void Start(int intervalMs);
  // Starts (or restarts) the timer to fire once, intervalMs from now.
  void StartSingleShot(int64_t intervalMs);
  void Stop();
  bool IsActive() const;
  int IntervalMs() const { return Interval; }
  // Virtual mode: when it is next due (meaningless while inactive).
  int64_t DueMs() const { return Due; }

 private:
  friend class TEngineClock;
  void StartReal(int64_t intervalMs, bool singleShot);

  std::function<void()> Callback;
  std::unique_ptr<QTimer> Real;
  int Interval = 0;
  bool Repeating = false;
  // Virtual mode: the schedule entry.
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
