// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/engine_clock.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace orbel::platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

SteadyClock::time_point RealStart() {
  static const SteadyClock::time_point start = SteadyClock::now();
  return start;
}

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

void TEngineClock::SetVirtual(bool virtualTime) {
  for (TEngineTimer* timer : Scheduled) timer->Scheduled = false;
  Scheduled.clear();
  Virtual = virtualTime;
  VirtualNowMs = 0;
  NextSequence = 0;
}

int64_t TEngineClock::NowMs() const {
  if (Virtual) return VirtualNowMs;
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - RealStart()).count();
}

double TEngineClock::NowSeconds() const {
  if (Virtual) return double(VirtualNowMs) / 1000.0;
  return std::chrono::duration<double>(SteadyClock::now() - RealStart()).count();
}

TEngineTimer* TEngineClock::NextDueTimer() const {
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
  VirtualNowMs = ms;
  // Copied: an observer may remove itself.
  const auto observers = Observers;
  for (const auto& [key, observer] : observers) observer(ms);
}

bool TEngineClock::AdvanceTo(int64_t limitMs) {
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
  if (!timer.Scheduled) return false;
  MoveTo(timer.Due);
  FireDue(&timer);
  return true;
}

// Picks one due timer at a time: each callback may change the schedule the next pick sees.
bool TEngineClock::FireDue(TEngineTimer* only) {
  bool ran = false;
  while (true) {
    TEngineTimer* timer = only ? (only->Scheduled ? only : nullptr) : NextDueTimer();
    if (!timer || timer->Due > VirtualNowMs) break;
    ran = Fire(*timer) || ran;
    if (only) break;
  }
  return ran;
}

bool TEngineClock::Fire(TEngineTimer& timer) {
  if (timer.Repeating) {
    const int64_t step = std::max(1, timer.Interval);
    int64_t next = timer.Due + step;
    if (next <= VirtualNowMs) next = timer.Due + step * ((VirtualNowMs - timer.Due) / step + 1);
    Schedule(timer, next);
    if (timer.SkipTicks) return false;  // its callback is still running further up the stack
  } else {
    Unschedule(timer);
  }
  if (!timer.Callback) return false;
  bool alive = true;
  timer.Firing = &alive;
  timer.SkipTicks = timer.Repeating;
  // Copied: the timer, and the function with it, may be destroyed by the call.
  const std::function<void()> callback = timer.Callback;
  callback();
  if (alive) {
    timer.Firing = nullptr;
    timer.SkipTicks = false;
  }
  return true;
}

void TEngineClock::Schedule(TEngineTimer& timer, int64_t dueMs) {
  timer.Due = dueMs;
  timer.Sequence = ++NextSequence;
  if (!timer.Scheduled) {
    Scheduled.push_back(&timer);
    timer.Scheduled = true;
  }
}

void TEngineClock::Unschedule(TEngineTimer& timer) {
  if (!timer.Scheduled) return;
  Scheduled.erase(std::find(Scheduled.begin(), Scheduled.end(), &timer));
  timer.Scheduled = false;
}

int TEngineClock::AddAdvanceObserver(std::function<void(int64_t)> observer) {
  const int key = NextObserverKey++;
  Observers.emplace_back(key, std::move(observer));
  return key;
}

void TEngineClock::RemoveAdvanceObserver(int key) {
  std::erase_if(Observers, [key](const auto& entry) { return entry.first == key; });
}

TEngineTimer::TEngineTimer(std::function<void()> callback) : Callback(std::move(callback)) {}

TEngineTimer::~TEngineTimer() {
  Stop();
  if (Firing) *Firing = false;
}

void TEngineTimer::Start(int intervalMs) {
  Interval = std::max(0, intervalMs);
  Repeating = true;
  SkipTicks = false;
  TEngineClock& clock = EngineClock();
  if (clock.IsVirtual())
    clock.Schedule(*this, clock.NowMs() + Interval);
  else
    StartReal(Interval, false);
}

void TEngineTimer::StartSingleShot(int64_t intervalMs) {
  intervalMs = std::clamp<int64_t>(intervalMs, 0, INT32_MAX);
  Interval = int(intervalMs);
  Repeating = false;
  SkipTicks = false;
  TEngineClock& clock = EngineClock();
  if (clock.IsVirtual())
    clock.Schedule(*this, clock.NowMs() + intervalMs);
  else
    StartReal(intervalMs, true);
}

void TEngineTimer::StartReal(int64_t intervalMs, bool singleShot) {
  if (!Real) {
    Real = std::make_unique<QTimer>();
    Real->setTimerType(Qt::PreciseTimer);
    QObject::connect(Real.get(), &QTimer::timeout, [this] {
      if (Callback) Callback();
    });
  }
  Real->setSingleShot(singleShot);
  Real->start(int(intervalMs));
}

void TEngineTimer::Stop() {
  if (Real) Real->stop();
  EngineClock().Unschedule(*this);
  SkipTicks = false;
}

bool TEngineTimer::IsActive() const {
  return Scheduled || (Real && Real->isActive());
}

}  // namespace orbel::platform
