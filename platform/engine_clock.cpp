// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/engine_clock.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

namespace orbel::platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Counts the events delivered while it is installed on the application.
class TDeliveryCounter : public QObject {
 public:
  int Delivered = 0;

 protected:
  bool eventFilter(QObject*, QEvent*) override {
    ++Delivered;
    return false;
  }
};

// An observer list keeps each observer with the key that removes it; keys come from one counter per clock.
template <typename TObserver>
int AddKeyed(std::vector<std::pair<int, TObserver>>& observers, int& nextKey, TObserver observer) {
  const int key = nextKey++;
  observers.emplace_back(key, std::move(observer));
  return key;
}

template <typename TObserver>
void RemoveKeyed(std::vector<std::pair<int, TObserver>>& observers, int key) {
  std::erase_if(observers, [key](const auto& entry) { return entry.first == key; });
}

}  // namespace

bool DispatchPostedEvents() {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return false;
  TDeliveryCounter counter;
  application->installEventFilter(&counter);
  bool any = false;
  while (true) {
    counter.Delivered = 0;
    QCoreApplication::sendPostedEvents();
    if (counter.Delivered == 0) break;
    any = true;
  }
  application->removeEventFilter(&counter);
  return any;
}

TEngineClock& EngineClock() {
  // Never destroyed: timers owned by other statics may still unschedule themselves at exit.
  static TEngineClock* clock = new TEngineClock;
  return *clock;
}

TEngineClock::TEngineClock() : CreatedAt(SteadyClock::now()), RealAnchor(CreatedAt) {}

void TEngineClock::SetVirtual(bool virtualTime) {
  for (TEngineTimer* timer : Scheduled) {
    timer->Scheduled = false;
    if (timer->Real) timer->Real->stop();
  }
  Scheduled.clear();
  std::lock_guard lock(TimeMutex);
  Virtual = virtualTime;
  VirtualNowMs = 0;
  NextSequence = 0;
  Paused = false;
  RateValue = 1.0;
  // Real time is counted from the clock's creation again.
  RealBaseNs = 0;
  RealAnchor = CreatedAt;
}

int64_t TEngineClock::NowNsLocked() const {
  if (Virtual) return VirtualNowMs * 1'000'000;
  if (Paused) return RealBaseNs;
  const int64_t wallNs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - RealAnchor).count();
  // At the usual pace the wall clock is taken as it is, to the nanosecond.
  if (RateValue == 1.0) return RealBaseNs + wallNs;
  return RealBaseNs + static_cast<int64_t>(static_cast<double>(wallNs) * RateValue);
}

void TEngineClock::SetRate(double rate) {
  rate = std::clamp(rate, kMinRate, kMaxRate);
  {
    std::lock_guard lock(TimeMutex);
    if (rate == RateValue) return;
    // Engine time goes on from where it is, at the new pace.
    if (!Virtual && !Paused) {
      RealBaseNs = NowNsLocked();
      RealAnchor = SteadyClock::now();
    }
    RateValue = rate;
  }
  for (TEngineTimer* timer : Scheduled) Arm(*timer);
}

double TEngineClock::Rate() const {
  std::lock_guard lock(TimeMutex);
  return RateValue;
}

int64_t TEngineClock::RealMsFor(int64_t engineMs) const {
  const double rate = Rate();
  if (rate == 1.0 || engineMs <= 0) return engineMs;
  return static_cast<int64_t>(std::ceil(static_cast<double>(engineMs) / rate));
}

int64_t TEngineClock::NowMs() const {
  std::lock_guard lock(TimeMutex);
  return NowNsLocked() / 1'000'000;
}

double TEngineClock::NowSeconds() const {
  std::lock_guard lock(TimeMutex);
  if (Virtual) return double(VirtualNowMs) / 1000.0;
  return double(NowNsLocked()) / 1e9;
}

void TEngineClock::SwitchToReal() {
  if (!Virtual) return;
  {
    std::lock_guard lock(TimeMutex);
    RealBaseNs = VirtualNowMs * 1'000'000;
    RealAnchor = SteadyClock::now();
    Paused = false;
    Virtual = false;
  }
  // The sound output opens before the players that feed it start their workers.
  NotifyModeObservers(TClockChange::ToReal);
  // Every timer still scheduled keeps its due time, now a moment of real time; the players' own virtual
  // timers were stopped by them above.
  for (TEngineTimer* timer : Scheduled) Arm(*timer);
}

void TEngineClock::SwitchToVirtual() {
  if (Virtual) return;
  if (Paused) SetPaused(false);
  // Rounded up: whatever read the real time a moment ago (a player's position) must not see it go back.
  int64_t now = 0;
  {
    std::lock_guard lock(TimeMutex);
    now = (NowNsLocked() + 999'999) / 1'000'000;
  }
  for (TEngineTimer* timer : Scheduled)
    if (timer->Real) timer->Real->stop();
  {
    std::lock_guard lock(TimeMutex);
    VirtualNowMs = now;
    Virtual = true;
  }
  // Players end their workers before the sound output stops consuming what they fed it.
  NotifyModeObservers(TClockChange::ToVirtual);
}

void TEngineClock::SetPaused(bool paused) {
  if (Virtual || paused == Paused) return;
  if (paused) {
    {
      std::lock_guard lock(TimeMutex);
      RealBaseNs = NowNsLocked();
      Paused = true;
    }
    for (TEngineTimer* timer : Scheduled)
      if (timer->Real) timer->Real->stop();
    NotifyModeObservers(TClockChange::Paused);
    return;
  }
  {
    std::lock_guard lock(TimeMutex);
    RealAnchor = SteadyClock::now();
    Paused = false;
  }
  NotifyModeObservers(TClockChange::Resumed);
  for (TEngineTimer* timer : Scheduled) Arm(*timer);
}

// Arms a real timer's QTimer for its due time: never before it, and at once when it is already past.
void TEngineClock::Arm(TEngineTimer& timer) {
  if (Virtual || Paused || !timer.Scheduled) return;
  if (!timer.Real) {
    timer.Real = std::make_unique<QTimer>();
    timer.Real->setTimerType(Qt::PreciseTimer);
    timer.Real->setSingleShot(true);
    QObject::connect(timer.Real.get(), &QTimer::timeout, [&timer] { EngineClock().FireReal(timer); });
  }
  int64_t nowNs = 0;
  {
    std::lock_guard lock(TimeMutex);
    nowNs = NowNsLocked();
  }
  const int64_t remainingNs = std::max<int64_t>(0, timer.Due * 1'000'000 - nowNs);
  const int64_t remainingMs = std::min<int64_t>(RealMsFor((remainingNs + 999'999) / 1'000'000), INT32_MAX);
  timer.Real->start(int(remainingMs));
}

void TEngineClock::FireReal(TEngineTimer& timer) {
  if (Virtual || Paused || !timer.Scheduled) return;
  Fire(timer);
}

int TEngineClock::AddModeObserver(std::function<void(TClockChange)> observer) {
  return AddKeyed(ModeObservers, NextObserverKey, std::move(observer));
}

void TEngineClock::RemoveModeObserver(int key) {
  RemoveKeyed(ModeObservers, key);
}

// Into real time (and out of a pause) in the order the observers came, out of it in the reverse order, as
// things are built and taken down. Looked up by key at each call: an observer may remove another.
void TEngineClock::NotifyModeObservers(TClockChange change) {
  std::vector<int> keys;
  for (const auto& entry : ModeObservers) keys.push_back(entry.first);
  if (change == TClockChange::ToVirtual || change == TClockChange::Paused)
    std::reverse(keys.begin(), keys.end());
  for (int key : keys) {
    auto it = std::find_if(ModeObservers.begin(), ModeObservers.end(),
                           [key](const auto& entry) { return entry.first == key; });
    if (it == ModeObservers.end()) continue;
    const std::function<void(TClockChange)> observer = it->second;
    observer(change);
  }
}

TEngineTimer* TEngineClock::NextDueTimer() const {
  if (!Virtual) return nullptr;
  TEngineTimer* next = nullptr;
  for (TEngineTimer* timer : Scheduled)
    if (!next || timer->Due < next->Due || (timer->Due == next->Due && timer->Sequence < next->Sequence))
      next = timer;
  return next;
}

std::optional<int64_t> TEngineClock::NextDueMs() const {
  if (const TEngineTimer* next = NextDueTimer()) return next->Due;
  return std::nullopt;
}

void TEngineClock::MoveTo(int64_t ms) {
  if (ms <= VirtualNowMs) return;
  {
    std::lock_guard lock(TimeMutex);
    VirtualNowMs = ms;
  }
  // Copied: an observer may remove itself.
  const auto observers = Observers;
  for (const auto& [key, observer] : observers) observer(ms);
}

bool TEngineClock::AdvanceTo(int64_t limitMs) {
  if (!Virtual) return false;
  const std::optional<int64_t> next = NextDueMs();
  MoveTo(next && *next < limitMs ? *next : limitMs);
  return FireDue(nullptr);
}

bool TEngineClock::AdvanceToNextDue(int64_t limitMs) {
  if (!NextDueMs()) return false;
  AdvanceTo(limitMs);
  return true;
}

bool TEngineClock::AdvanceThrough(TEngineTimer& timer) {
  if (!Virtual || !timer.Scheduled) return false;
  MoveTo(timer.Due);
  FireDue(&timer);
  return true;
}

// Picks one due timer at a time: each callback may change the schedule the next pick sees, or even switch the
// clock to real time, after which the QTimers take over.
bool TEngineClock::FireDue(TEngineTimer* only) {
  bool ran = false;
  while (Virtual) {
    TEngineTimer* timer = only ? (only->Scheduled ? only : nullptr) : NextDueTimer();
    if (!timer || timer->Due > VirtualNowMs) break;
    ran = Fire(*timer) || ran;
    if (only) break;
  }
  return ran;
}

bool TEngineClock::Fire(TEngineTimer& timer) {
  if (timer.Repeating) {
    const int64_t now = NowMs();
    // Real time keeps Qt's meaning of a zero interval (as soon as the loop is free); virtual time must move.
    const int64_t step = Virtual ? std::max(1, timer.Interval) : timer.Interval;
    int64_t next = timer.Due + step;
    if (step == 0)
      next = now;
    else if (next <= now)
      next = timer.Due + step * ((now - timer.Due) / step + 1);
    Schedule(timer, next);
    if (timer.SkipTicks) return false;  // its callback is still running further up the stack
  } else {
    Unschedule(timer);
  }
  if (!timer.Callback) return false;
  // Undone however the callback returns, an error it raises included, unless it destroyed the timer.
  struct TFiring {
    TEngineTimer& Timer;
    bool Alive = true;
    ~TFiring() {
      if (!Alive) return;
      Timer.Firing = nullptr;
      Timer.SkipTicks = false;
    }
  } firing{timer};
  timer.Firing = &firing.Alive;
  timer.SkipTicks = timer.Repeating;
  // Copied: the timer, and the function with it, may be destroyed by the call.
  const std::function<void()> callback = timer.Callback;
  callback();
  return true;
}

void TEngineClock::Schedule(TEngineTimer& timer, int64_t dueMs) {
  timer.Due = dueMs;
  timer.Sequence = ++NextSequence;
  if (!timer.Scheduled) {
    Scheduled.push_back(&timer);
    timer.Scheduled = true;
  }
  Arm(timer);
}

void TEngineClock::Unschedule(TEngineTimer& timer) {
  if (timer.Real) timer.Real->stop();
  if (!timer.Scheduled) return;
  Scheduled.erase(std::find(Scheduled.begin(), Scheduled.end(), &timer));
  timer.Scheduled = false;
}

int TEngineClock::AddAdvanceObserver(std::function<void(int64_t)> observer) {
  return AddKeyed(Observers, NextObserverKey, std::move(observer));
}

void TEngineClock::RemoveAdvanceObserver(int key) {
  RemoveKeyed(Observers, key);
}

TEngineTimer::TEngineTimer(std::function<void()> callback) : Callback(std::move(callback)) {}

TEngineTimer::~TEngineTimer() {
  Stop();
  if (Firing) *Firing = false;
}

void TEngineTimer::Start(int intervalMs) {
  StartFrom(EngineClock().NowMs() + std::max(0, intervalMs), intervalMs);
}

void TEngineTimer::StartFrom(int64_t firstDueMs, int intervalMs) {
  Interval = std::max(0, intervalMs);
  Repeating = true;
  SkipTicks = false;
  EngineClock().Schedule(*this, firstDueMs);
}

void TEngineTimer::StartSingleShot(int64_t intervalMs) {
  intervalMs = std::clamp<int64_t>(intervalMs, 0, INT32_MAX);
  Interval = int(intervalMs);
  Repeating = false;
  SkipTicks = false;
  TEngineClock& clock = EngineClock();
  clock.Schedule(*this, clock.NowMs() + intervalMs);
}

void TEngineTimer::Stop() {
  EngineClock().Unschedule(*this);
  SkipTicks = false;
}

bool TEngineTimer::IsActive() const {
  return Scheduled;
}

}  // namespace orbel::platform
