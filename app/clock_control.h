#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the player's keys and a replay ask of the engine clock beyond its start-up mode: going over to real
// time, going over to virtual time, and standing still. The clock gains these in the middle of a run only
// when platform/ offers them; each is looked for at compile time here and nowhere else, so the features that
// use them switch on by themselves once the clock has them, and until then say that they are not available.

#include "platform/engine_clock.h"

namespace orbel::app {

template <class TClock>
concept ClockSwitchesToReal = requires(TClock& clock) {
  clock.SwitchToReal();
};
template <class TClock>
concept ClockSwitchesToVirtual = requires(TClock& clock) {
  clock.SwitchToVirtual();
};
template <class TClock>
concept ClockPauses = requires(TClock& clock) {
  clock.SetPaused(true);
};

// Each returns false, doing nothing, when the clock cannot do it.
template <class TClock>
bool SwitchToReal(TClock& clock) {
  if constexpr (ClockSwitchesToReal<TClock>) {
    clock.SwitchToReal();
    return true;
  } else {
    return false;
  }
}
template <class TClock>
bool SwitchToVirtual(TClock& clock) {
  if constexpr (ClockSwitchesToVirtual<TClock>) {
    clock.SwitchToVirtual();
    return true;
  } else {
    return false;
  }
}
template <class TClock>
bool SetPaused(TClock& clock, bool paused) {
  if constexpr (ClockPauses<TClock>) {
    clock.SetPaused(paused);
    return true;
  } else {
    return false;
  }
}

// Whether the process's engine clock offers each: a replay that goes on in real time, the fast-forward key
// (virtual there and back), the pause key.
inline constexpr bool kClockContinuesInRealTime = ClockSwitchesToReal<platform::TEngineClock>;
inline constexpr bool kClockFastForwards =
    ClockSwitchesToVirtual<platform::TEngineClock> && ClockSwitchesToReal<platform::TEngineClock>;
inline constexpr bool kClockPauses = ClockPauses<platform::TEngineClock>;

}  // namespace orbel::app
